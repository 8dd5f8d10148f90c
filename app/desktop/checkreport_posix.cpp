#include "app/desktop/checkreport.h"

#include <QTextStream>

namespace CheckReport {

std::unique_ptr<QCoreApplication> createApplication(int& argc, char** argv)
{
    return std::make_unique<QCoreApplication>(argc, argv);
}

void show(const QString& report)
{
    QTextStream(stdout) << report;
}

} // namespace CheckReport
