// The real window converting a list, for the fault matrix: it reads its
// settings from the folder given first, lists the files given after it as
// "open with" does, starts the batch as a click on "converter" does, and
// runs until the batch ends or it is killed.
#include <clocale>

#include <QApplication>
#include <QTimer>

#include "common/edition.h"
#include "engine/batch.h"
#include "ui/mainwindow.h"

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    const QStringList args = app.arguments();
    if (args.size() < 3)
        return 2;
    transcast::MainWindow window(
        transcast::Edition(QStringLiteral("transcast"), QStringLiteral(TRANSCAST_BIN_DIR)));
    window.setSettingsFolder(args.at(1));
    window.show();
    QTimer::singleShot(0, &window, [&window, files = args.mid(2)] {
        window.controller().sources().addChosenFiles(files);
        window.dispatch(QStringLiteral("converter"));
    });
    QObject::connect(&window.controller().batch(), &transcast::Batch::batchEnded, &app,
                     &QApplication::quit);
    return app.exec();
}
