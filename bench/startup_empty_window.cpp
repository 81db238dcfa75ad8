// The empty Qt window that startup_bench measures the program's start-up against: a program
// that links Qt Widgets only and shows an empty main window of the program's size.
#include "ExposeReporter.h"
#include "app/MainWindow.h"

#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ExposeReporter reporter;
    app.installEventFilter(&reporter);
    QMainWindow window;
    window.resize(kDefaultWindowSize);
    window.show();
    return QApplication::exec();
}
