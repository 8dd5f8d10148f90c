#include "tests/support/testfolder.h"
#include "widgets/imagefile.h"

#include <QBuffer>
#include <QFile>
#include <QImageWriter>
#include <QtEndian>
#include <QtTest>

namespace {

void putWord(QByteArray& b, quint16 v)
{
    char le[2];
    qToLittleEndian(v, le);
    b.append(le, 2);
}

void putDword(QByteArray& b, quint32 v)
{
    char le[4];
    qToLittleEndian(v, le);
    b.append(le, 4);
}

// A 32-bit picture as an icon bitmap (with its AND mask of zeros).
QByteArray iconBitmap(const QImage& picture, quint16 bits = 32)
{
    const QImage image = picture.convertToFormat(QImage::Format_ARGB32);
    QByteArray b;
    putDword(b, 40);
    putDword(b, quint32(image.width()));
    putDword(b, quint32(image.height() * 2));
    putWord(b, 1);
    putWord(b, bits);
    putDword(b, 0);
    putDword(b, 0);
    putDword(b, 0);
    putDword(b, 0);
    putDword(b, 0);
    putDword(b, 0);
    for (int y = image.height() - 1; y >= 0; --y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            b.append(char(qBlue(p))).append(char(qGreen(p))).append(char(qRed(p))).append(char(qAlpha(p)));
        }
    }
    const int maskRow = (image.width() + 31) / 32 * 4;
    b.append(QByteArray(maskRow * image.height(), '\0'));
    return b;
}

// An icon file of the given entries, each stored as given.
QByteArray iconFile(const QList<QPair<QSize, QByteArray>>& entries)
{
    QByteArray b;
    putWord(b, 0);
    putWord(b, 1);
    putWord(b, quint16(entries.size()));
    quint32 offset = quint32(6 + 16 * entries.size());
    for (const auto& [size, data] : entries) {
        b.append(char(size.width() & 0xff)).append(char(size.height() & 0xff)).append('\0').append('\0');
        putWord(b, 1);
        putWord(b, 32);
        putDword(b, quint32(data.size()));
        putDword(b, offset);
        offset += quint32(data.size());
    }
    for (const auto& entry : entries)
        b.append(entry.second);
    return b;
}

QImage gradient(int w, int h, bool translucent)
{
    QImage image(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgba(x * 7 % 256, y * 11 % 256, (x + y) * 5 % 256,
                                       translucent ? (x * 13 + y) % 256 : 255));
    return image;
}

QByteArray encoded(const QImage& image, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter(&buffer, format).write(image);
    return bytes;
}

bool pluginsLoaded()
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("/imageformats/");
}

} // namespace

class TestImageFile : public QObject
{
    Q_OBJECT
private slots:
    void readsTheBoardsPicturesWithoutPlugins();
    void readsAsThePluginsDo_data();
    void readsAsThePluginsDo();
    void iconsAsTheIcoPlugin_data();
    void iconsAsTheIcoPlugin();
    void refusesPicturesFarBiggerThanAButton_data();
    void refusesPicturesFarBiggerThanAButton();
};

// Runs first: any later comparison with the plugins loads them.
void TestImageFile::readsTheBoardsPicturesWithoutPlugins()
{
    if (!QFile::exists(QStringLiteral("/proc/self/maps")))
        QSKIP("no /proc here");
    QVERIFY(!pluginsLoaded());
    TestFolder dir;
    dir.copyInstallationData();
    for (const char* name : {"upf.scd", "upo.scd", "blk.scd", "cnl.scd", "list.scd", "listun.scd", "xbmp.scd", "xbmpun.scd"})
        QVERIFY2(!ImageFile::read(dir.readFile(QStringLiteral("gsystem/") + QLatin1String(name)), "BMP").isNull(), name);
    QFile led(QStringLiteral(":/LED_PICS"));
    Q_INIT_RESOURCE(led);
    QVERIFY(led.open(QIODevice::ReadOnly));
    QVERIFY(!ImageFile::read(led.readAll(), "BMP").isNull());
    const QImage icon = ImageFile::readIcon(dir.readFile(QStringLiteral("gsystem/icon.ico")));
    QCOMPARE(icon.size(), QSize(32, 32));
    QVERIFY(!pluginsLoaded());
}

void TestImageFile::readsAsThePluginsDo_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("format");

    TestFolder dir;
    dir.copyInstallationData();
    for (const char* name : {"upf.scd", "upo.scd", "blk.scd", "cnl.scd", "list.scd", "listun.scd", "xbmp.scd", "xbmpun.scd"})
        QTest::newRow(name) << dir.readFile(QStringLiteral("gsystem/") + QLatin1String(name)) << QByteArray("BMP");
    QTest::newRow("8-bit BMP") << encoded(gradient(9, 5, false).convertToFormat(QImage::Format_Indexed8), "BMP")
                               << QByteArray("BMP");
    QTest::newRow("PNG with alpha") << encoded(gradient(7, 3, true), "PNG") << QByteArray("PNG");
    QTest::newRow("PNG named as BMP") << encoded(gradient(7, 3, false), "PNG") << QByteArray("BMP");
    QTest::newRow("JPEG named as BMP") << encoded(gradient(7, 3, false), "JPEG") << QByteArray("BMP");
    QTest::newRow("empty") << QByteArray() << QByteArray("BMP");
    QTest::newRow("text") << QByteArray("Trailer\r\n") << QByteArray("BMP");
    QByteArray truncated = dir.readFile(QStringLiteral("gsystem/upf.scd"));
    truncated.truncate(30);
    QTest::newRow("truncated BMP") << truncated << QByteArray("BMP");
}

void TestImageFile::readsAsThePluginsDo()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, format);
    const QImage expected = QImage::fromData(bytes, format.constData());
    const QImage image = ImageFile::read(bytes, format.constData());
    QCOMPARE(image.isNull(), expected.isNull());
    QCOMPARE(image, expected);
}

void TestImageFile::iconsAsTheIcoPlugin_data()
{
    QTest::addColumn<QByteArray>("bytes");

    TestFolder dir;
    dir.copyInstallationData();
    QTest::newRow("installation icon") << dir.readFile(QStringLiteral("gsystem/icon.ico"));
    QTest::newRow("opaque") << iconFile({{QSize(16, 16), iconBitmap(gradient(16, 16, false))}});
    QTest::newRow("translucent") << iconFile({{QSize(32, 32), iconBitmap(gradient(32, 32, true))}});
    QTest::newRow("odd width") << iconFile({{QSize(13, 7), iconBitmap(gradient(13, 7, true))}});
    QTest::newRow("256 wide") << iconFile({{QSize(0, 0), iconBitmap(gradient(256, 256, true))}});
    QTest::newRow("small first") << iconFile({{QSize(16, 16), iconBitmap(gradient(16, 16, true))},
                                              {QSize(32, 32), iconBitmap(gradient(32, 32, false))}});
    QImage clear = gradient(8, 8, false);
    clear.fill(qRgba(10, 20, 30, 0));
    QTest::newRow("no alpha at all") << iconFile({{QSize(8, 8), iconBitmap(clear)}});
    QTest::newRow("24 bits") << iconFile({{QSize(8, 8), iconBitmap(gradient(8, 8, false), 24)}});
    QTest::newRow("PNG inside") << iconFile({{QSize(16, 16), encoded(gradient(16, 16, true), "PNG")}});
    QByteArray cut = iconFile({{QSize(16, 16), iconBitmap(gradient(16, 16, true))}});
    cut.chop(600);
    QTest::newRow("pixels cut short") << cut;
    QByteArray farOffset = iconFile({{QSize(16, 16), iconBitmap(gradient(16, 16, true))}});
    qToLittleEndian<quint32>(0x7fffffff, farOffset.data() + 6 + 12);
    QTest::newRow("offset past the end") << farOffset;
    QByteArray huge = iconFile({{QSize(16, 16), iconBitmap(gradient(16, 16, true))}});
    qToLittleEndian<quint32>(100000, huge.data() + 22 + 4);
    QTest::newRow("width out of range") << huge;
    QByteArray noEntries = iconFile({});
    QTest::newRow("no entries") << noEntries;
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("a bitmap") << dir.readFile(QStringLiteral("gsystem/upf.scd"));
}

void TestImageFile::iconsAsTheIcoPlugin()
{
    QFETCH(QByteArray, bytes);
    const QImage expected = QImage::fromData(bytes, "ICO");
    const QImage image = ImageFile::readIcon(bytes);
    QCOMPARE(image.isNull(), expected.isNull());
    QCOMPARE(image.format(), expected.format());
    QCOMPARE(image.size(), expected.size());
    QCOMPARE(image, expected);
}

void TestImageFile::refusesPicturesFarBiggerThanAButton_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("icon");
    // 1,080 bytes that ask for 5600 x 5600 pixels: a header, a palette and
    // the run-length end mark.
    QByteArray rle("BM");
    putDword(rle, 1080);
    putDword(rle, 0);
    putDword(rle, 1078);
    putDword(rle, 40);
    putDword(rle, 5600);
    putDword(rle, 5600);
    putWord(rle, 1);
    putWord(rle, 8);
    putDword(rle, 1);   // RLE8
    putDword(rle, 2);
    for (int i = 0; i < 4; ++i)
        putDword(rle, 0);
    rle.append(QByteArray(1024, '\0'));
    rle.append("\0\1", 2);
    QTest::newRow("run-length BMP") << rle << false;
    QImage zeros(1100, 1100, QImage::Format_ARGB32);
    zeros.fill(0);
    const QByteArray png = encoded(zeros, "PNG");
    QTest::newRow("PNG") << png << false;
    QTest::newRow("PNG inside an icon") << iconFile({{QSize(0, 0), png}}) << true;
}

void TestImageFile::refusesPicturesFarBiggerThanAButton()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, icon);
    QVERIFY(!QImage::fromData(bytes, icon ? "ICO" : nullptr).isNull());   // Qt alone decodes them
    QVERIFY((icon ? ImageFile::readIcon(bytes) : ImageFile::read(bytes, bytes.startsWith("BM") ? "BMP" : "PNG")).isNull());
}

QTEST_MAIN(TestImageFile)
#include "tst_imagefile.moc"
