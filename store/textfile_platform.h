#pragma once

#include "store/textfile.h"

// The operating-system steps of reading and writing data files, one file per
// platform. Each step answers how it went, the reason naming the system's
// refusal; the order of the steps and the checks between them live in
// textfile.cpp, which words the messages.
namespace TextFile::Platform {

struct TempFile {
    qintptr handle = -1;
    QString path;
};

// A new, empty temporary file `<target>.<suffix>`. When it is to replace
// `target`, fails where `target` exists but is not a regular file. Busy
// when the temporary file's name is in use.
enum class Target { Replaced, New };
FileResult<> createTemp(const QString& target, const QString& suffix, Access access, Target kind, TempFile& temp);
FileResult<> writeAll(TempFile& temp, const QByteArray& bytes);
FileResult<> sync(TempFile& temp);
FileResult<> close(TempFile& temp);
// Closes the temporary file if it is open and removes it.
void discard(TempFile& temp);
// Renames `from` over `to`; never follows a link at `to`.
FileResult<> replace(const QString& from, const QString& to);
// Renames `from` to `to` only while nothing has that name (Busy when
// something has), in one step of the file system.
FileResult<> renameNew(const QString& from, const QString& to);

BytesResult readBytes(const QString& path, qint64 maxBytes);
FileResult<FileEnds> readEnds(const QString& path, qint64 headBytes, qint64 tailBytes, qint64 maxBytes);
bool isRegularFile(const QString& path);
FileResult<> removeFile(const QString& path);
ListResult listFiles(const QString& folder, Stamps stamps);
FileResult<> checkFolder(const QString& folder);

// The errno value the test seam fails `step` with, or 0 (in textfile.cpp).
int injectedError(Step step, const QString& target);

// The registered data folder that holds `path`, or an empty string (in
// textfile.cpp, for both platforms).
QString dataFolderOf(const QString& path);
// "the folder <name> of the data folder is a link ..."
QString linkedFolderText(const QString& name);

} // namespace TextFile::Platform
