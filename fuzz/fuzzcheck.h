#pragma once

#include "store/textfile.h"

#include <QByteArray>
#include <QList>
#include <QStringList>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

// A property that does not hold is a crash for libFuzzer: it keeps the input
// as an artifact and stops.
[[noreturn]] inline void fuzzFail(const char* what, const char* file, int line)
{
    std::fprintf(stderr, "%s:%d: property does not hold: %s\n", file, line, what);
    std::abort();
}
#define FUZZ_CHECK(condition) ((condition) ? void() : fuzzFail(#condition, __FILE__, __LINE__))

inline QByteArray fuzzBytes(const uint8_t* data, size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}

// Several inputs from one: the parts between NUL bytes, which no text
// file of the board holds. Missing parts are empty.
inline QList<QByteArray> fuzzParts(const QByteArray& bytes, int count)
{
    QList<QByteArray> parts;
    qsizetype start = 0;
    for (int i = 0; i < count - 1; ++i) {
        const qsizetype nul = bytes.indexOf('\0', start);
        if (nul < 0)
            break;
        parts.append(bytes.mid(start, nul - start));
        start = nul + 1;
    }
    parts.append(bytes.mid(start));
    while (parts.size() < count)
        parts.append(QByteArray());
    return parts;
}

// A file's lines as the reader gives them.
inline QStringList fuzzLines(const QByteArray& bytes)
{
    return TextFile::splitLines(TextFile::decode(bytes));
}
