#include <clocale>
#include <cstdio>
#include <thread>

#include <fontconfig/fontconfig.h>

#include <QApplication>
#include <QFileInfo>
#include <QIcon>
#include <QStringList>
#include <QTimer>

#include "app/startupreport.h"
#include "common/edition.h"
#include "common/inifile.h"
#include "common/interruptwatcher.h"
#include "common/programarguments.h"
#include "common/standarddescriptors.h"
#include "ui/interruptcloser.h"
#include "ui/mainwindow.h"

namespace
{

// The options QApplication takes out of the command line for itself (with
// one dash or two).
bool isToolkitOption(const QString& argument)
{
    static const QStringList names{"platform",
                                   "platformpluginpath",
                                   "platformtheme",
                                   "plugin",
                                   "qwindowgeometry",
                                   "qwindowicon",
                                   "qwindowtitle",
                                   "reverse",
                                   "session",
                                   "display",
                                   "geometry",
                                   "name",
                                   "title",
                                   "visual",
                                   "dialogs",
                                   "nograb",
                                   "dograb",
                                   "qmljsdebugger",
                                   "style",
                                   "stylesheet",
                                   "widgetcount",
                                   "testability",
                                   "fn",
                                   "font",
                                   "bg",
                                   "background",
                                   "fg",
                                   "foreground",
                                   "btn",
                                   "button",
                                   "ncols",
                                   "cmap",
                                   "im",
                                   "sync",
                                   "graphicssystem"};
    QString name = argument;
    while (name.startsWith(QLatin1Char('-')))
        name.remove(0, 1);
    return names.contains(name.section(QLatin1Char('='), 0, 0));
}

// Reads the font configuration on a thread of its own; wait() (or the end
// of the scope, on every way out) joins it.
class FontConfigReader
{
public:
    FontConfigReader() : m_reader([] { FcInit(); }) {}
    ~FontConfigReader() { wait(); }
    FontConfigReader(const FontConfigReader&) = delete;
    FontConfigReader& operator=(const FontConfigReader&) = delete;
    void wait()
    {
        if (m_reader.joinable())
            m_reader.join();
    }

private:
    std::thread m_reader;
};

int reportWrongLine(const QString& programName, const QString& error)
{
    std::fprintf(stderr, "%s: %s\nTry \"%s --help\" for more information.\n",
                 programName.toLocal8Bit().constData(), error.toLocal8Bit().constData(),
                 programName.toLocal8Bit().constData());
    return 2;
}

} // namespace

int main(int argc, char* argv[])
{
    // Started with a standard descriptor closed, the signal pipe or the
    // display connection could take its number and be written to or closed
    // by mistake.
    transcast::keepStandardDescriptorsOpen();
    // Then at once, so that a logout during the start is not lost either.
    transcast::InterruptWatcher::catchInterrupts();
    using transcast::ProgramArguments;
    const QString programName = QFileInfo(QString::fromLocal8Bit(argv[0])).fileName();
    // --help answers before the application object, so it needs no display.
    QStringList rawArguments;
    for (int i = 1; i < argc; ++i)
        rawArguments << QString::fromLocal8Bit(argv[i]);
    const ProgramArguments raw = ProgramArguments::parse(rawArguments);
    if (raw.help) {
        std::fputs(ProgramArguments::usage(programName).toLocal8Bit().constData(), stdout);
        return 0;
    }
    // A wrong option that is not Qt's is reported before the application
    // object too, so it needs no display either.
    if (!raw.error.isEmpty() && !isToolkitOption(raw.wrongArgument))
        return reportWrongLine(programName, raw.error);

    // The first text the window lays out waits for the font configuration
    // to be read (some milliseconds of parsing); read on a thread of its
    // own, it is ready by the time the toolkit, which spends its start
    // waiting on the display, asks for it.
    FontConfigReader fonts;
    QApplication app(argc, argv);
    // The window never waits on the disk for its settings: another writer's
    // lock or a slow sync would freeze it.
    transcast::IniFile::setWritesInBackground(true);
    // The desktop entry "transcast.desktop" names the icon and the program;
    // Wayland compositors match windows to it by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("transcast"));
    // Qt has taken its own options (-platform, -style, ...) out by now; what
    // is left is ours.
    const ProgramArguments arguments = ProgramArguments::parse(app.arguments().mid(1));
    if (!arguments.error.isEmpty())
        return reportWrongLine(programName, arguments.error);

    // The preview library needs the C numeric locale; texts the user sees
    // take their separator from the system locale through Qt.
    std::setlocale(LC_NUMERIC, "C");

    const transcast::Edition edition =
        transcast::Edition::fromRunningProgram(QString::fromLocal8Bit(argv[0]));

    // Every window of the program, its dialogs included, shows its picture.
    QApplication::setWindowIcon(transcast::MainWindow::programIcon(edition));

    // A logout, a shutdown or a closed terminal stops the running job and
    // closes the window as the user would, also while the start asks
    // something: watched before the window is made, which may ask already.
    transcast::InterruptWatcher interrupts;
    transcast::InterruptCloser closer;
    QObject::connect(&interrupts, &transcast::InterruptWatcher::interrupted, &closer,
                     &transcast::InterruptCloser::closeOn);

    fonts.wait();
    transcast::MainWindow window(edition);
    closer.watch(window);
    // Files and folders named on the command line ("open with") are listed
    // as if dropped on the window, once it has started.
    window.openAfterStart(arguments.sources);
    window.show();

    // When the first show is done (every picture loaded, the settings read),
    // print the wall clock; a second later the resident memory; then quit.
    if (arguments.startupReport)
        transcast::reportStartupAndQuit();
    // Closing on its own serves smoke checks and screenshots.
    if (arguments.quitAfterMs >= 0)
        QTimer::singleShot(arguments.quitAfterMs, &window, &QWidget::close);

    const int status = app.exec();
    transcast::IniFile::flushWrites();
    return status;
}
