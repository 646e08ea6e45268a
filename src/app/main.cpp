#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QTimer>

#include "common/edition.h"

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const transcast::Edition edition =
        transcast::Edition::fromRunningProgram(QString::fromLocal8Bit(argv[0]));

    QMainWindow window;
    window.setWindowTitle(edition.programTitle());
    window.setCentralWidget(new QLabel(QStringLiteral("Transcast")));
    window.resize(760, 530);
    window.show();

    // --quit-after MS closes the window on its own (used by smoke checks).
    const QStringList args = app.arguments();
    const int at = args.indexOf(QStringLiteral("--quit-after"));
    if (at >= 0 && at + 1 < args.size())
        QTimer::singleShot(args.at(at + 1).toInt(), &window, &QMainWindow::close);
    return app.exec();
}
