// A plain Qt window of the main window's size that reports like
// `transcast --startup-report`: the floor any Qt program pays to start.
#include <QApplication>
#include <QWidget>

#include "app/startupreport.h"

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.resize(760, 530);
    window.show();
    transcast::reportStartupAndQuit();
    return app.exec();
}
