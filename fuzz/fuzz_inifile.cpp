// The placement file, shared by every workstation and open to hand edits:
// any bytes read without harm, and setting one value changes that value's
// line alone. The input is a file, then a section, a key and a value
// between NUL bytes.
#include "fuzz/fuzzcheck.h"
#include "store/inifile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QList<QByteArray> parts = fuzzParts(fuzzBytes(data, size), 4);
    const QString section = TextFile::decode(parts[1]);
    const QString key = TextFile::decode(parts[2]);
    const QString value = TextFile::decode(parts[3]);

    const IniFile before = IniFile::fromBytes(parts[0]);
    // Read and written back unchanged, the lines are the file's own.
    FUZZ_CHECK(before.bytes() == TextFile::joinLines(fuzzLines(parts[0])));
    FUZZ_CHECK(IniFile::fromBytes(before.bytes()).bytes() == before.bytes());

    // Names that the format can hold: no brackets, "=" or line breaks, not blank.
    const auto plain = [](const QString& s) {
        return !s.trimmed().isEmpty() && s.trimmed() == s && !s.contains(u'[') && !s.contains(u']')
            && !s.contains(u'=') && !s.contains(u'\r') && !s.contains(u'\n');
    };
    if (!plain(section) || !plain(key))
        return 0;
    IniFile after = before;
    after.setValue(section, key, value);
    QString expected = value;
    expected.replace(u'\r', u' ').replace(u'\n', u' ');
    expected = TextFile::decode(TextFile::encode(expected)).trimmed();
    const IniFile reread = IniFile::fromBytes(after.bytes());
    FUZZ_CHECK(reread.value(section, key) == expected);

    // Every other line stays: at most one line differs or is added.
    const QStringList a = fuzzLines(before.bytes());
    const QStringList b = fuzzLines(after.bytes());
    FUZZ_CHECK(b.size() >= a.size() && b.size() <= a.size() + 2);
    qsizetype differ = 0;
    for (qsizetype i = 0, j = 0; i < a.size(); ++i, ++j) {
        if (a[i] == b[j])
            continue;
        ++differ;
        if (b.size() > a.size() && j + 1 < b.size() && a[i] == b[j + 1])
            ++j;   // the added entry
    }
    FUZZ_CHECK(differ <= 1);
    return 0;
}
