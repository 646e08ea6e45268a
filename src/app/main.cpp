#include <clocale>

#include <QApplication>
#include <QTimer>

#include "common/edition.h"
#include "ui/tfm_main.h"
#include "ui/tfm_show.h"

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    // The preview library needs the C numeric locale; texts the user sees
    // take their separator from the system locale through Qt.
    std::setlocale(LC_NUMERIC, "C");

    const transcast::Edition edition =
        transcast::Edition::fromRunningProgram(QString::fromLocal8Bit(argv[0]));

    transcast::Tfm_show splash(edition.dataFile(QStringLiteral("skin/splash.svg")),
                               edition.programTitle());
    splash.showNow();

    transcast::Tfm_main window(edition);
    window.show();
    splash.done(&window);

    // --quit-after MS closes the window on its own (smoke checks, screenshots).
    const QStringList args = app.arguments();
    const int at = args.indexOf(QStringLiteral("--quit-after"));
    if (at >= 0 && at + 1 < args.size())
        QTimer::singleShot(args.at(at + 1).toInt(), &window, &QWidget::close);
    return app.exec();
}
