// The bare side of the start-up benchmark, a process of its own: Qt's application object and a
// main window holding one label, shown at the application's size, ended at its first frame.
#include "FirstFrameExit.h"

#include <QApplication>
#include <QLabel>
#include <QMainWindow>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QMainWindow window;
    window.setCentralWidget(new QLabel(QStringLiteral("Marlox Studio")));
    window.resize(1100, 700);
    const marlox::bench::FirstFrameExit exit(&window);
    window.show();
    return QApplication::exec();
}
