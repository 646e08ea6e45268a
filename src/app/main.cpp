#include <clocale>

#include <QApplication>
#include <QTimer>

#include "app/startupreport.h"
#include "common/edition.h"
#include "ui/mainwindow.h"
#include "ui/splashscreen.h"

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    // The preview library needs the C numeric locale; texts the user sees
    // take their separator from the system locale through Qt.
    std::setlocale(LC_NUMERIC, "C");

    const transcast::Edition edition =
        transcast::Edition::fromRunningProgram(QString::fromLocal8Bit(argv[0]));

    transcast::SplashScreen splash(edition.dataFile(QStringLiteral("skin/splash.svg")),
                                   edition.programTitle());
    splash.showNow();

    transcast::MainWindow window(edition);
    window.show();
    splash.done(&window);

    // --startup-report: when the first show is done (every picture loaded,
    // the settings read), print the wall clock; a second later the resident
    // memory; then quit. For the start-up benchmark.
    if (app.arguments().contains(QStringLiteral("--startup-report")))
        transcast::reportStartupAndQuit();

    // Files and folders named on the command line ("open with") are listed
    // as if dropped on the window. --quit-after MS closes the window on its
    // own (smoke checks, screenshots).
    const QStringList args = app.arguments().mid(1);
    QStringList sources;
    for (int i = 0; i < args.size(); ++i) {
        if (args.at(i) == QLatin1String("--quit-after") && i + 1 < args.size())
            QTimer::singleShot(args.at(++i).toInt(), &window, &QWidget::close);
        else if (!args.at(i).startsWith(QLatin1String("--")))
            sources << args.at(i);
    }
    if (!sources.isEmpty())
        QTimer::singleShot(0, &window, [&window, sources] {
            window.controller().sources().addChosenFiles(sources);
        });
    return app.exec();
}
