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

// The records, sorted. A missing file (okOrMissing()) is an empty list that
// the next save creates; one that is there but cannot be read in full is
// not: its records are unknown. The message is "Can't read '<file>'.".
using ReadResult = FileResult<QStringList>;
ReadResult read(const DataFolder& folder);

// Replaces the file with `records`, sorted. A list larger than the read cap
// is refused: it could never be read back.
TextFile::WriteResult write(const DataFolder& folder, QStringList records);

} // namespace ListFile
