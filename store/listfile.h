#pragma once

#include "store/datafolder.h"
#include "store/textfile.h"

#include <QStringList>

// The list file gsystem/lists.scd: one list record per line, kept in
// ascending order ignoring letter case. Read and written whole.
namespace ListFile {

QString path(const DataFolder& folder);

// Ascending, ignoring case; records that differ only in case go by their
// characters' codes, so every workstation writes the same file.
void sort(QStringList& records);

struct ReadResult
{
    // A missing file is an empty list that the next save creates; one that
    // is there but cannot be read in full is not: its records are unknown.
    bool ok = false;
    bool missing = false;
    QStringList records;   // sorted
    QString fileName;
    QString error;         // why it could not be read
    // "Can't read '<file>'." for the user.
    QString message() const;
};
ReadResult read(const DataFolder& folder);

// Replaces the file with `records`, sorted. A list larger than the read cap
// is refused: it could never be read back.
TextFile::WriteResult write(const DataFolder& folder, QStringList records);

} // namespace ListFile
