#include "widgets/imagefile.h"

#include <QBuffer>
#include <QImageReader>
#include <QtEndian>

namespace {

quint16 word(const QByteArray& bytes, qsizetype at)
{
    return qFromLittleEndian<quint16>(bytes.constData() + at);
}

quint32 dword(const QByteArray& bytes, qsizetype at)
{
    return qFromLittleEndian<quint32>(bytes.constData() + at);
}

// The board's pictures sit on buttons and in a title bar: a file whose few
// bytes ask for a picture of thousands of pixels a side (run-length coding,
// a PNG of zeros) is refused from its header, before its pixels are
// allocated. (QImageReader's own allocation limit is one for the process.)
constexpr qint64 kMaxPixels = 1024 * 1024;

QImage readFrom(QByteArray data, const char* format, bool pluginsAllowed)
{
    QBuffer buffer(&data);
    if (!buffer.open(QIODevice::ReadOnly))
        return {};
    QImageReader reader(&buffer, format);
    if (!pluginsAllowed) {
        // Only with the format named and detection off does the reader go
        // straight to QtGui's own handler.
        reader.setAutoDetectImageFormat(false);
        reader.setDecideFormatFromContent(false);
    }
    if (const QSize size = reader.size(); qint64(size.width()) * size.height() > kMaxPixels)
        return {};
    return reader.read();
}

QImage readWithPlugins(const QByteArray& bytes, const char* format)
{
    return readFrom(bytes, format, true);
}

// A 32-bit icon bitmap: BGRA rows bottom up, then the AND mask, which the
// alpha channel makes redundant. Null when the header is another kind.
QImage decodeIconBitmap(const QByteArray& bytes, qsizetype at, qsizetype size)
{
    constexpr qsizetype kInfoHeader = 40;
    if (size < kInfoHeader || dword(bytes, at) != kInfoHeader)
        return {};
    const qint32 width = qint32(dword(bytes, at + 4));
    const qint32 doubleHeight = qint32(dword(bytes, at + 8));
    const quint16 planes = word(bytes, at + 12);
    const quint16 bits = word(bytes, at + 14);
    const quint32 compression = dword(bytes, at + 16);
    // Icons are at most 256 pixels a side; the height counts the mask too.
    if (width < 1 || width > 256 || doubleHeight < 2 || doubleHeight > 512 || doubleHeight % 2 != 0
        || planes != 1 || bits != 32 || compression != 0)
        return {};
    const int height = doubleHeight / 2;
    const qsizetype rowBytes = qsizetype(width) * 4;
    if (kInfoHeader + rowBytes * height > size)
        return {};
    QImage image(width, height, QImage::Format_ARGB32);
    if (image.isNull())
        return {};
    const char* pixels = bytes.constData() + at + kInfoHeader;
    bool anyAlpha = false;
    for (int y = 0; y < height; ++y) {
        const auto* source = reinterpret_cast<const uchar*>(pixels + rowBytes * (height - 1 - y));
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const uchar* p = source + 4 * x;
            line[x] = qRgba(p[2], p[1], p[0], p[3]);
            anyAlpha |= p[3] != 0;
        }
    }
    // Without any alpha the mask decides what shows: the plugin's business.
    // The plugin hands its pictures over premultiplied.
    return anyAlpha ? image.convertToFormat(QImage::Format_ARGB32_Premultiplied) : QImage();
}

} // namespace

namespace ImageFile {

QImage read(const QByteArray& bytes, const char* format)
{
    return readFrom(bytes, format, false);
}

QImage readIcon(const QByteArray& bytes)
{
    constexpr qsizetype kDirectory = 6;
    constexpr qsizetype kEntry = 16;
    // A directory of type 1 (icon) with at least one entry; the first
    // entry is the picture the plugin would read.
    if (bytes.size() >= kDirectory + kEntry && word(bytes, 0) == 0 && word(bytes, 2) == 1 && word(bytes, 4) >= 1) {
        const qsizetype size = dword(bytes, kDirectory + 8);
        const qsizetype offset = dword(bytes, kDirectory + 12);
        if (offset >= kDirectory + kEntry && size > 0 && offset <= bytes.size() && size <= bytes.size() - offset) {
            static const QByteArray pngSignature("\x89PNG\r\n\x1a\n", 8);
            // The plugin decodes such a PNG with the same reader: nothing
            // to fall back to, and no way past the size check.
            if (bytes.mid(offset, 8) == pngSignature)
                return read(bytes.mid(offset, size), "PNG");
            if (const QImage image = decodeIconBitmap(bytes, offset, size); !image.isNull())
                return image;
        }
    }
    return readWithPlugins(bytes, "ICO");
}

} // namespace ImageFile
