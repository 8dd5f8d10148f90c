#pragma once

#include "store/fileresult.h"

#include <QString>
#include <QtGlobal>

// What tells one version of a shared file from the next. The last-write
// time alone misses two saves inside one timestamp tick (2 s on FAT shares),
// and saves replace the file, so its identity and size go in too. Stamps are
// only ever compared for equality; the zero stamp means "could not be read".
struct FileStamp
{
    qint64 writeTimeNs = 0;
    quint64 fileId = 0;
    qint64 size = 0;

    bool isZero() const { return writeTimeNs == 0 && fileId == 0 && size == 0; }
    bool operator==(const FileStamp&) const = default;
};

// Opens the file for reading with full sharing and reads its stamp; the
// zero stamp when it cannot be opened (in the platform file of the text
// files, which reaches files below the data folder safely).
FileResult<FileStamp> readFileStamp(const QString& path);
