// The real window converting a list, for the fault matrix: it reads its
// settings from the folder given first, lists the files given after it as
// "open with" does, starts the batch as a click on "converter" does, and
// runs until the batch ends or it is killed. SIGTERM, SIGHUP and Ctrl-C end
// it as they end the program.
#include <clocale>

#include <QApplication>
#include <QTimer>

#include "common/edition.h"
#include "common/interruptwatcher.h"
#include "engine/batch.h"
#include "sources/sourcelist.h"
#include "ui/interruptcloser.h"
#include "ui/mainwindow.h"

int main(int argc, char* argv[])
{
    transcast::InterruptWatcher::catchInterrupts();
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    const QStringList args = app.arguments();
    if (args.size() < 3)
        return 2;
    transcast::MainWindow window(
        transcast::Edition(QStringLiteral("transcast"), QStringLiteral(TRANSCAST_BIN_DIR)));
    window.setSettingsFolder(args.at(1));
    transcast::InterruptWatcher interrupts;
    QObject::connect(&interrupts, &transcast::InterruptWatcher::interrupted,
                     new transcast::InterruptCloser(window), &transcast::InterruptCloser::closeOn);
    window.show();
    // Converted once listed, as a click on "converter" after the rows appear.
    QObject::connect(
        &window.controller().sources(), &transcast::SourceList::addEnded, &window,
        [&window] { window.dispatch(QStringLiteral("converter")); }, Qt::SingleShotConnection);
    QTimer::singleShot(0, &window, [&window, files = args.mid(2)] {
        window.controller().sources().addChosenFiles(files);
    });
    // A stop ends with the window's own close.
    QObject::connect(&window.controller().batch(), &transcast::Batch::batchEnded, &app,
                     [](bool stopped) {
                         if (!stopped)
                             QApplication::quit();
                     });
    return app.exec();
}
