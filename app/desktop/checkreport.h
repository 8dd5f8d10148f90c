#pragma once

#include <QCoreApplication>
#include <QString>

#include <memory>

// How `SchedBoard --check` reaches the administrator, one file per platform:
// on the terminal where the board runs without a display (Linux), in a small
// window where the board has no console (Windows).
namespace CheckReport {

// The application object the report needs; none that needs a display where
// the report goes to the terminal.
std::unique_ptr<QCoreApplication> createApplication(int& argc, char** argv);
// Returns once the report has been printed, or its window closed.
void show(const QString& report);

} // namespace CheckReport
