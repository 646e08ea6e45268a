#include "cli/clioptions.h"

#include "common/preferences.h"
#include "common/textutil.h"
#include "profiles/profilecatalogue.h"

namespace transcast
{

namespace
{

enum class Takes { Value, Nothing };

// Which commands take an option.
enum class For { All, Convert, DvdAndConvert };

struct OptionSpec {
    const char* name;
    Takes takes;
    For goesWith;
};

constexpr OptionSpec kOptions[] = {
    {"--edition", Takes::Value, For::All},
    {"--profile", Takes::Value, For::All},
    {"--size", Takes::Value, For::All},
    {"--video", Takes::Value, For::All},
    {"--audio", Takes::Value, For::All},
    {"--config", Takes::Value, For::All},
    {"--output", Takes::Value, For::Convert},
    {"--dry-run", Takes::Nothing, For::Convert},
    {"--jobs", Takes::Value, For::Convert},
    {"--deinterlace", Takes::Value, For::Convert},
    {"--frame-rate", Takes::Value, For::Convert},
    {"--crop", Takes::Value, For::Convert},
    {"--chapters", Takes::Nothing, For::DvdAndConvert},
    {"--rows", Takes::Value, For::Convert},
    {"--audio-track", Takes::Value, For::Convert},
    {"--subtitle-track", Takes::Value, For::Convert},
};

const OptionSpec* findOption(const QString& name)
{
    for (const OptionSpec& spec : kOptions) {
        if (name == QLatin1String(spec.name))
            return &spec;
    }
    return nullptr;
}

QString quoted(const QString& text)
{
    return QLatin1Char('\'') + text + QLatin1Char('\'');
}

// Stores one option's value; returns an error text, empty when accepted.
QString store(CliOptions& options, const QString& name, const QString& value)
{
    if (name == QLatin1String("--profile")) {
        const std::optional<int> number = parseInt32(value);
        if (!number)
            return QStringLiteral("--profile needs a profile number, not ") + quoted(value);
        if (!ProfileCatalogue::hasDisplayName(*number))
            return QStringLiteral("there is no profile %1 ('transcast-cli profiles' lists them)")
                .arg(*number);
        options.profile = *number;
    } else if (name == QLatin1String("--edition")) {
        if (value.isEmpty())
            return QStringLiteral("--edition needs a program name");
        options.edition = value;
    } else if (name == QLatin1String("--size")) {
        options.size = value;
    } else if (name == QLatin1String("--video")) {
        options.video = value;
    } else if (name == QLatin1String("--audio")) {
        options.audio = value;
    } else if (name == QLatin1String("--output")) {
        if (value.isEmpty())
            return QStringLiteral("--output needs a folder");
        options.output = value;
    } else if (name == QLatin1String("--jobs")) {
        const std::optional<int> number = parseInt32(value);
        const int most = Preferences::maxConversionsAtOnce();
        if (!number || *number < 1 || *number > most)
            return QStringLiteral("--jobs takes 1 to %1 (this machine's cores), not %2")
                .arg(most)
                .arg(quoted(value));
        options.jobs = *number;
    } else if (name == QLatin1String("--deinterlace")) {
        PictureHandling picture;
        if (!picture.setDeinterlaceWord(value))
            return QStringLiteral("--deinterlace takes automatic, always or never, not ") +
                   quoted(value);
        options.deinterlace = picture.deinterlace;
    } else if (name == QLatin1String("--frame-rate")) {
        if (value != QLatin1String("profile") && value != QLatin1String("source"))
            return QStringLiteral("--frame-rate takes profile or source, not ") + quoted(value);
        options.frameRateAsSource = value == QLatin1String("source");
    } else if (name == QLatin1String("--crop")) {
        if (value != QLatin1String("automatic") && value != QLatin1String("off"))
            return QStringLiteral("--crop takes automatic or off, not ") + quoted(value);
        options.cropBars = value == QLatin1String("automatic");
    } else if (name == QLatin1String("--rows")) {
        options.rows = CliOptions::parseRowList(value);
        if (options.rows.isEmpty())
            return QStringLiteral("--rows needs row numbers from 1, like 1,3-4, not ") +
                   quoted(value);
    } else if (name == QLatin1String("--audio-track")) {
        const std::optional<int> number = parseInt32(value);
        if (!number || *number < 1)
            return QStringLiteral("--audio-track needs a track number from 1, not ") +
                   quoted(value);
        options.audioTrack = *number;
    } else if (name == QLatin1String("--subtitle-track")) {
        const std::optional<int> number = parseInt32(value);
        if (!number || *number < 0)
            return QStringLiteral("--subtitle-track needs a track number (0: none), not ") +
                   quoted(value);
        options.subtitleTrack = *number;
    } else if (name == QLatin1String("--config")) {
        if (value.isEmpty())
            return QStringLiteral("--config needs a folder");
        options.config = value;
    }
    return QString();
}

CliOptions failed(QString error)
{
    CliOptions options;
    options.error = std::move(error);
    return options;
}

} // namespace

CliOptions CliOptions::parse(const QStringList& arguments)
{
    CliOptions options;
    const int end = static_cast<int>(arguments.indexOf(QStringLiteral("--")));
    const QStringList optionPart = end < 0 ? arguments : arguments.mid(0, end);
    if (arguments.isEmpty() || optionPart.contains(QStringLiteral("--help")) ||
        optionPart.contains(QStringLiteral("-h"))) {
        options.command = Command::Help;
        return options;
    }
    if (optionPart.contains(QStringLiteral("--version"))) {
        options.command = Command::Version;
        return options;
    }

    // Options may come before the command too ("--config DIR convert ..."):
    // the command is the first argument that is neither an option nor an
    // option's value.
    int commandAt = 0;
    while (commandAt < arguments.size()) {
        const QString& argument = arguments.at(commandAt);
        if (!argument.startsWith(QLatin1Char('-')) || argument == QLatin1String("-") ||
            argument == QLatin1String("--"))
            break;
        const int equals = static_cast<int>(argument.indexOf(QLatin1Char('=')));
        const QString name = equals < 0 ? argument : argument.left(equals);
        const OptionSpec* spec = findOption(name);
        if (!spec)
            return failed(QStringLiteral("unknown option ") + quoted(name));
        commandAt += spec->takes == Takes::Value && equals < 0 ? 2 : 1;
    }
    if (commandAt >= arguments.size())
        return failed(QStringLiteral("no command (profiles, probe or convert)"));
    const QString command = arguments.at(commandAt);
    QStringList rest = arguments;
    rest.removeAt(commandAt);
    rest.prepend(command);

    if (command == QLatin1String("profiles"))
        options.command = Command::Profiles;
    else if (command == QLatin1String("probe"))
        options.command = Command::Probe;
    else if (command == QLatin1String("convert"))
        options.command = Command::Convert;
    else if (command == QLatin1String("dvd"))
        options.command = Command::Dvd;
    else
        return failed(QStringLiteral("unknown command ") + quoted(command));

    bool optionsEnded = false;
    for (int i = 1; i < rest.size(); ++i) {
        const QString& argument = rest.at(i);
        if (optionsEnded || !argument.startsWith(QLatin1Char('-')) ||
            argument == QLatin1String("-")) {
            options.sources << argument;
            continue;
        }
        if (argument == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        const int equals = static_cast<int>(argument.indexOf(QLatin1Char('=')));
        const QString name = equals < 0 ? argument : argument.left(equals);
        const OptionSpec* spec = findOption(name);
        if (!spec || options.command == Command::Profiles)
            return failed(QStringLiteral("unknown option ") + quoted(name) +
                          QStringLiteral(" for ") + command);
        if (spec->goesWith == For::Convert && options.command != Command::Convert)
            return failed(quoted(name) + QStringLiteral(" goes with convert only"));
        if (spec->goesWith == For::DvdAndConvert && options.command != Command::Convert &&
            options.command != Command::Dvd)
            return failed(quoted(name) + QStringLiteral(" goes with dvd and convert only"));
        if (spec->takes == Takes::Nothing) {
            if (equals >= 0)
                return failed(quoted(name) + QStringLiteral(" takes no value"));
            if (name == QLatin1String("--chapters"))
                options.chapters = true;
            else
                options.dryRun = true;
            continue;
        }
        QString value;
        if (equals >= 0) {
            value = argument.mid(equals + 1);
        } else if (i + 1 < rest.size()) {
            value = rest.at(++i);
        } else {
            return failed(quoted(name) + QStringLiteral(" needs a value"));
        }
        const QString problem = store(options, name, value);
        if (!problem.isEmpty())
            return failed(problem);
    }

    if (options.command == Command::Profiles) {
        if (!options.sources.isEmpty())
            return failed(QStringLiteral("profiles takes no arguments"));
    } else if (options.sources.isEmpty()) {
        return failed(command + QStringLiteral(" needs at least one file or folder"));
    }
    return options;
}

QVector<int> CliOptions::parseRowList(const QString& text)
{
    QVector<int> rows;
    for (const QString& part : text.split(QLatin1Char(','))) {
        const int dash = static_cast<int>(part.indexOf(QLatin1Char('-')));
        const std::optional<int> first = parseInt32(dash < 0 ? part : part.left(dash));
        const std::optional<int> last = dash < 0 ? first : parseInt32(part.mid(dash + 1));
        if (!first || !last || *first < 1 || *last < *first || part.trimmed() != part)
            return {};
        for (int row = *first; row <= *last; ++row) {
            if (!rows.contains(row))
                rows.append(row);
        }
    }
    return rows;
}

QString CliOptions::usage()
{
    return QStringLiteral(
        "Usage: transcast-cli profiles\n"
        "       transcast-cli probe [CHOICES] SOURCE...\n"
        "       transcast-cli convert [CHOICES] [--output DIR] [--dry-run]\n"
        "                 [--audio-track K] [--subtitle-track K] SOURCE...\n"
        "       transcast-cli dvd [--chapters] DISC\n"
        "       transcast-cli convert --edition transcast-dvd [--chapters] [--rows LIST]\n"
        "                 [--audio-track K] [--subtitle-track K] [CHOICES] DISC\n"
        "       transcast-cli --help | --version\n"
        "\n"
        "Converts video files with the same rules as the Transcast window.\n"
        "\n"
        "Commands:\n"
        "  profiles   one line per output profile: number, name, extension\n"
        "  probe      the row each file would get (frame size, time, estimated\n"
        "             output size) and its video and audio bitrates\n"
        "  convert    converts the files one after the other (--jobs: side by side)\n"
        "  dvd        the rows a DVD gives the job list (number, title or chapter,\n"
        "             frame size, time, estimated size, status) and each title\n"
        "             set's audio and subtitle tracks\n"
        "\n"
        "A SOURCE is a file or a folder; a folder adds its video files, as the\n"
        "window's Add Folder does (subfolders are not entered). A DISC is a DVD\n"
        "folder, a folder above its VIDEO_TS, an .iso image, or IFO files; a DVD\n"
        "edition (--edition transcast-dvd) converts its titles.\n"
        "\n"
        "CHOICES:\n"
        "  --profile N        output profile (default: with --config the last one\n"
        "                     recorded there, else the edition's own)\n"
        "  --size POS|TEXT    frame size: a position from 0 or an entry's text\n"
        "  --video POS|TEXT   video quality, e.g. 2 or \"Normal\"\n"
        "  --audio POS|TEXT   audio quality, e.g. \"The Original Audio Quliay\"\n"
        "  --edition NAME     behave as the program named NAME (transcast-mp4 ...)\n"
        "  --config DIR       the settings files in DIR, named after the edition\n"
        "                     (transcast-cli.ini and \"pro transcast-cli.ini\"; with\n"
        "                     --edition transcast the window's own). Read: the\n"
        "                     last profile, the direction, the output folder and\n"
        "                     each profile's remembered size and qualities.\n"
        "                     Written only with --profile N: N becomes the last\n"
        "                     profile, and the choices of the one recorded before\n"
        "                     it are written back as they were read. The choices\n"
        "                     given here are not remembered. Without --config no\n"
        "                     settings are read or written\n"
        "Convert only:\n"
        "  --output DIR       folder for the outputs (default: your videos folder,\n"
        "                     or the one in the settings)\n"
        "  --dry-run          print each job's command line, convert nothing\n"
        "  --jobs N           convert N files side by side, 1 to the number of\n"
        "                     cores (default: 1, or \"Conversions at once\" in the\n"
        "                     settings with --config); the outputs, their names\n"
        "                     and the statuses are those of one at a time\n"
        "  --deinterlace automatic|always|never\n"
        "                     make interlaced and telecined video whole\n"
        "                     (default: automatic, or the settings' choice)\n"
        "  --frame-rate profile|source\n"
        "                     the profile's rate, or the source's (up to 60 and\n"
        "                     what the profile's device plays); default profile\n"
        "  --crop automatic|off\n"
        "                     cut off black bars (default: off)\n"
        "  --audio-track K    audio track K of each file (from 1; default: the\n"
        "                     file's own default track)\n"
        "  --subtitle-track K subtitle track K of each file burnt in (0: none, the\n"
        "                     default); text subtitles are kept as tracks where\n"
        "                     the output's container holds them\n"
        "DVD titles:\n"
        "  --chapters         chapter rows under each title, as the window's chapter\n"
        "                     mode lists them (dvd and convert)\n"
        "  --rows LIST        the rows to convert, numbered as dvd prints them, e.g.\n"
        "                     1,3-4 (default: every row)\n"
        "  --audio-track K    audio track K of each row's title set (from 1)\n"
        "  --subtitle-track K subtitle track K burnt in (0: none, the default)\n"
        "\n"
        "Exit status: 0 every job finished, 1 a job failed or a source was\n"
        "skipped, 2 bad usage, 130 stopped with Ctrl-C (143 by SIGTERM, 129 by\n"
        "SIGHUP; the running job's file is closed first).\n");
}

QString CliOptions::undecodableError(const QString& name)
{
    return QStringLiteral("transcast-cli: error: '%1' is not valid UTF-8; a file of that name "
                          "cannot be read")
        .arg(name);
}

} // namespace transcast
