// The empty Qt window that startup_bench measures the program's start-up against: a program
// that links Qt Widgets only and shows an empty main window of the program's size.
#include "ExposeReporter.h"

#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ExposeReporter reporter;
    app.installEventFilter(&reporter);
    QMainWindow window;
    window.resize(760, 540);
    window.show();
    return QApplication::exec();
}
