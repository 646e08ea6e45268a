#include <clocale>
#include <cstdio>

#include <QApplication>
#include <QFileInfo>
#include <QTimer>

#include "app/startupreport.h"
#include "common/edition.h"
#include "common/programarguments.h"
#include "ui/mainwindow.h"
#include "ui/splashscreen.h"

int main(int argc, char* argv[])
{
    using transcast::ProgramArguments;
    const QString programName = QFileInfo(QString::fromLocal8Bit(argv[0])).fileName();
    // --help answers before the application object, so it needs no display.
    QStringList rawArguments;
    for (int i = 1; i < argc; ++i)
        rawArguments << QString::fromLocal8Bit(argv[i]);
    if (ProgramArguments::parse(rawArguments).help) {
        std::fputs(ProgramArguments::usage(programName).toLocal8Bit().constData(), stdout);
        return 0;
    }

    QApplication app(argc, argv);
    // Qt has taken its own options (-platform, -style, ...) out by now; what
    // is left is ours.
    const ProgramArguments arguments = ProgramArguments::parse(app.arguments().mid(1));
    if (!arguments.error.isEmpty()) {
        std::fprintf(stderr, "%s: %s\nTry \"%s --help\" for more information.\n",
                     programName.toLocal8Bit().constData(),
                     arguments.error.toLocal8Bit().constData(),
                     programName.toLocal8Bit().constData());
        return 2;
    }

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

    // When the first show is done (every picture loaded, the settings read),
    // print the wall clock; a second later the resident memory; then quit.
    if (arguments.startupReport)
        transcast::reportStartupAndQuit();
    // Closing on its own serves smoke checks and screenshots.
    if (arguments.quitAfterMs >= 0)
        QTimer::singleShot(arguments.quitAfterMs, &window, &QWidget::close);

    // Files and folders named on the command line ("open with") are listed
    // as if dropped on the window.
    if (!arguments.sources.isEmpty())
        QTimer::singleShot(0, &window,
                           [&window, sources = arguments.sources] { window.openSources(sources); });
    return app.exec();
}
