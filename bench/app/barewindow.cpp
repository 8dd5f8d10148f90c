// The yardstick for the board's start: a bare Qt window, started and shown
// the same way.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.resize(799, 572);
    window.show();
    return app.exec();
}
