// parm.scd, the shared preferences: the bytes up to the first NUL are the
// file as this workstation read it, the next part the file as another
// workstation left it by the time this one closes, the rest lines this
// workstation applies on top of what it read (its edits).
#include "fuzz/fuzzcheck.h"
#include "base/preferences.h"

namespace {

// What the next start makes of a file: its lines as written, read back.
QStringList readBack(const QStringList& lines, bool* complete = nullptr)
{
    Preferences p;
    const bool ok = readParmLines(fuzzLines(TextFile::joinLines(lines)), p);
    if (complete)
        *complete = ok;
    return parmLines(p);
}

// Missing flag positions read as "0": zeros past the last option say nothing.
QStringList withoutTrailingZeros(QStringList lines)
{
    QString& flags = lines[0];
    while (flags.size() > Preferences::kFlagCount && flags.endsWith(u'0'))
        flags.chop(1);
    return lines;
}

QChar flag(const QString& flags, qsizetype i)
{
    return i < flags.size() ? flags[i] : QChar(u'0');
}

void checkPreferences(const Preferences& p)
{
    FUZZ_CHECK(p.gridLines >= 1 && p.gridLines <= 3);
    FUZZ_CHECK(p.backup >= 1 && p.backup <= 3);
    FUZZ_CHECK(p.flagText.size() >= Preferences::kFlagCount);

    const QStringList lines = parmLines(p);
    FUZZ_CHECK(lines.size() == Preferences::kLineCount);
    FUZZ_CHECK(lines[0].size() >= Preferences::kFlagCount);
    FUZZ_CHECK(lines[0][8] >= u'1' && lines[0][8] <= u'3');
    FUZZ_CHECK(lines[0][9] >= u'1' && lines[0][9] <= u'3');
    FUZZ_CHECK(!lines[11].isEmpty());

    // What OK writes, the next start reads completely and writes back the
    // same: preferences never drift or get lost from one start to the next.
    bool complete = false;
    FUZZ_CHECK(readBack(lines, &complete) == lines);
    FUZZ_CHECK(complete);
}

void checkMerge(const QStringList& base, const QStringList& mine, const QStringList& current)
{
    const QStringList merged = mergeParmLines(base, mine, current);
    FUZZ_CHECK(merged.size() == mine.size());

    // Each line, and each flag of line 1, is this workstation's where it
    // changed it and otherwise the file's as it now stands.
    for (qsizetype i = 1; i < mine.size(); ++i) {
        const bool changedHere = mine[i] != base.value(i);
        FUZZ_CHECK(merged[i] == (changedHere || i >= current.size() ? mine[i] : current[i]));
    }
    if (!mine.isEmpty() && !current.isEmpty()) {
        FUZZ_CHECK(merged[0].size() >= Preferences::kFlagCount);
        for (qsizetype j = 0; j < merged[0].size(); ++j) {
            const QChar m = flag(mine[0], j);
            FUZZ_CHECK(merged[0][j] == (m != flag(base.value(0), j) ? m : flag(current[0], j)));
        }
    } else if (!mine.isEmpty()) {
        FUZZ_CHECK(merged[0] == mine[0]);
    }

    if (mine.size() != Preferences::kLineCount)
        return;
    // Made of two complete files, the result is complete.
    bool mineComplete = false;
    bool currentComplete = false;
    readBack(mine, &mineComplete);
    readBack(current, &currentComplete);
    if (mineComplete && currentComplete) {
        bool complete = false;
        readBack(merged, &complete);
        FUZZ_CHECK(complete);
    }
    // Nobody else saved: what this workstation writes is what it has.
    if (current == base)
        FUZZ_CHECK(withoutTrailingZeros(readBack(merged)) == withoutTrailingZeros(readBack(mine)));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QList<QByteArray> parts = fuzzParts(fuzzBytes(data, size), 3);
    const QStringList read = fuzzLines(parts[0]);
    const QStringList current = fuzzLines(parts[1]);

    Preferences p;
    const bool complete = readParmLines(read, p);
    FUZZ_CHECK(!complete || read.size() >= Preferences::kLineCount);
    checkPreferences(p);

    readParmLines(fuzzLines(parts[2]), p);
    checkPreferences(p);
    checkMerge(read, parmLines(p), current);
    checkMerge(read, fuzzLines(parts[2]), current);
    return 0;
}
