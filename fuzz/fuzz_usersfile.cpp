// users.scd, the user list: the bytes up to the first NUL are the logon
// name, the rest the file.
#include "fuzz/fuzzcheck.h"
#include "base/preferences.h"

namespace {

bool namesAll(const QStringList& lines)
{
    for (const QString& l : lines)
        if (l.contains(QStringLiteral("All")) || l.contains(QStringLiteral("all")))
            return true;
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QList<QByteArray> parts = fuzzParts(fuzzBytes(data, size), 2);
    const QString logon = TextFile::decode(parts[0]);
    const QStringList lines = fuzzLines(parts[1]);

    const int level = privilegeLevel(lines, logon);
    FUZZ_CHECK(level == Privilege::None || level == Privilege::Update || level == Privilege::All);

    // Without a line of their own a user gets what the list gives everyone.
    const int everyone = privilegeLevel(lines, QString());
    FUZZ_CHECK(everyone == (namesAll(lines) ? Privilege::All : Privilege::None));
    bool named = false;
    for (const QString& l : lines)
        named = named || (!logon.isEmpty() && l.contains(logon));
    if (!named)
        FUZZ_CHECK(level == everyone);

    // The list as the program writes it back grants the same.
    FUZZ_CHECK(privilegeLevel(fuzzLines(TextFile::joinLines(lines)), logon) == level);
    return 0;
}
