// The text file boundary every data file passes, curuser.scd among them (its
// first two lines, taken as they are, name who holds the board):
// Windows-1252 decoding, line splitting and the way back. The bytes are a file; read as UTF-16 they are
// also text the program may have to write.
#include "fuzz/fuzzcheck.h"

#include <QSet>

namespace {

// Every character a byte decodes to.
const QSet<QChar>& mappedChars()
{
    static const QSet<QChar> chars = [] {
        QByteArray all(256, '\0');
        for (int b = 0; b < 256; ++b)
            all[b] = char(b);
        const QString text = TextFile::decode(all);
        return QSet<QChar>(text.begin(), text.end());
    }();
    return chars;
}

bool hasLineBreak(const QString& s)
{
    return s.contains(u'\r') || s.contains(u'\n');
}

void checkFile(const QByteArray& bytes)
{
    // Every byte is a character of its own and comes back unchanged: a file
    // another workstation wrote is rewritten byte for byte.
    const QString text = TextFile::decode(bytes);
    FUZZ_CHECK(text.size() == bytes.size());
    FUZZ_CHECK(TextFile::encode(text) == bytes);

    const QStringList lines = TextFile::splitLines(text);
    qsizetype chars = 0;
    for (const QString& l : lines) {
        FUZZ_CHECK(!hasLineBreak(l));
        chars += l.size();
    }
    FUZZ_CHECK(lines.size() <= text.size());
    FUZZ_CHECK(chars <= text.size());

    // Written back with CR LF ends, the file reads as the same lines.
    const QByteArray written = TextFile::joinLines(lines);
    FUZZ_CHECK(written.size() == chars + 2 * lines.size());
    FUZZ_CHECK(TextFile::splitLines(TextFile::decode(written)) == lines);
    // A file already in that form is written back unchanged.
    const qsizetype crlf = bytes.count("\r\n");
    if ((bytes.isEmpty() || bytes.endsWith("\r\n")) && bytes.count('\r') == crlf && bytes.count('\n') == crlf)
        FUZZ_CHECK(written == bytes);
}

void checkText(const QByteArray& bytes)
{
    const QString text(reinterpret_cast<const QChar*>(bytes.constData()), bytes.size() / 2);
    const QByteArray encoded = TextFile::encode(text);
    FUZZ_CHECK(encoded.size() <= text.size());
    // A character the code page holds survives; any other becomes one "?",
    // a surrogate pair included.
    const QString back = TextFile::decode(encoded);
    qsizetype i = 0;
    for (const QChar c : back) {
        FUZZ_CHECK(i < text.size());
        const bool pair = text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
        if (pair || !mappedChars().contains(text[i]))
            FUZZ_CHECK(c == u'?');
        else
            FUZZ_CHECK(c == text[i]);
        i += pair ? 2 : 1;
    }
    FUZZ_CHECK(i == text.size());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = fuzzBytes(data, size);
    checkFile(bytes);
    checkText(bytes);
    return 0;
}
