// The share check's lock probe as a program of its own, as the board runs
// it with "--check-probe <file>": prints "held", "free" or "error: ...".

#include "coord/sharecheck.h"

#include <QCoreApplication>
#include <QStringList>
#include <QTextStream>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    QTextStream(stdout) << ShareCheck::probeAnswer(arguments.size() > 1 ? arguments.last() : QString()) << '\n';
    return 0;
}
