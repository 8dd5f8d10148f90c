#include "app/desktop/checkreport.h"

#include "app/desktop/checkreportwindow.h"

#include <QApplication>

namespace CheckReport {

// A board started from Explorer has no console to print to.
std::unique_ptr<QCoreApplication> createApplication(int& argc, char** argv)
{
    return std::make_unique<QApplication>(argc, argv);
}

void show(const QString& report)
{
    CheckReportWindow window(report);
    window.exec();
}

} // namespace CheckReport
