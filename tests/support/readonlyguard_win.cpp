#include "tests/support/testfolder.h"

// Windows has no folder attribute that refuses new files to their owner
// (the read-only flag on a folder is ignored for that), so tests that need
// such a folder skip there and say why.
ReadOnlyGuard::ReadOnlyGuard(const QString& folder) : m_folder(folder) {}
ReadOnlyGuard::~ReadOnlyGuard() = default;
void ReadOnlyGuard::release() {}
