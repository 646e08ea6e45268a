#include "common/programarguments.h"

namespace transcast
{

ProgramArguments ProgramArguments::parse(const QStringList& arguments)
{
    ProgramArguments result;
    bool optionsEnded = false;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (optionsEnded || !argument.startsWith(QLatin1Char('-')) ||
            argument == QLatin1String("-")) {
            result.sources << argument;
        } else if (argument == QLatin1String("--")) {
            optionsEnded = true;
        } else if (argument == QLatin1String("-h") || argument == QLatin1String("--help")) {
            result.help = true;
        } else if (argument == QLatin1String("--startup-report")) {
            result.startupReport = true;
        } else if (argument == QLatin1String("--quit-after") ||
                   argument.startsWith(QLatin1String("--quit-after="))) {
            QString value;
            if (argument.contains(QLatin1Char('=')))
                value = argument.section(QLatin1Char('='), 1);
            else if (i + 1 < arguments.size())
                value = arguments.at(++i);
            bool ok = false;
            const int ms = value.toInt(&ok);
            if (ok && ms >= 0)
                result.quitAfterMs = ms;
            else if (result.error.isEmpty()) {
                result.error =
                    QStringLiteral("--quit-after needs a number of milliseconds, not \"%1\".")
                        .arg(value);
                result.wrongArgument = argument;
            }
        } else if (result.error.isEmpty()) {
            result.error = QStringLiteral("Unknown option \"%1\".").arg(argument);
            result.wrongArgument = argument;
        }
    }
    return result;
}

QString ProgramArguments::usage(const QString& programName)
{
    return QStringLiteral(
               "Usage: %1 [OPTION]... [FILE | FOLDER]...\n"
               "Converts video files and DVD titles for players, phones, consoles and discs.\n"
               "\n"
               "Files and folders named on the command line are listed at start, as when\n"
               "they are dropped on the window: a folder adds the video files in it. The DVD\n"
               "edition lists DVD titles only, so it takes no video files.\n"
               "\n"
               "Options:\n"
               "  -h, --help          show this text and exit\n"
               "  --quit-after MS     close the window on its own after MS milliseconds\n"
               "  --startup-report    print the start-up time and memory, then quit\n"
               "  --                  every argument after this is a file or folder\n"
               "\n"
               "Editions: the program's own file name chooses the edition. A name holding\n"
               "\"dvd\" (transcast-dvd) lists the titles of a DVD; a name holding a format or\n"
               "device word (avi, mp4, mkv, mpeg, 3gp, psp, ipod, iphone, gphone, wmv, rm,\n"
               "flv, mp3, audio) opens on that format's profiles and converts into or out of\n"
               "it. Make an edition with a link: ln -s transcast transcast-mp4\n"
               "\n"
               "Settings live in $XDG_CONFIG_HOME/transcast/ (~/.config/transcast/).\n"
               "transcast-cli converts from a terminal with the same rules.\n")
        .arg(programName);
}

} // namespace transcast
