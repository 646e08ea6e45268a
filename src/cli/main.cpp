#include <optional>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include "cli/clioptions.h"
#include "cli/clisession.h"
#include "cli/console.h"
#include "cli/convertcommand.h"
#include "cli/dvdcommand.h"
#include "cli/probecommand.h"
#include "cli/profilescommand.h"
#include "common/interruptwatcher.h"
#include "common/textutil.h"

using namespace transcast;

namespace
{

// The arguments as Qt's application object would give them.
QStringList argumentsOf(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

// The folder of the running program, found without an application object.
QString programFolder()
{
    return QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath()).path();
}

} // namespace

int main(int argc, char* argv[])
{
    CliOptions options = CliOptions::parse(argumentsOf(argc, argv).mid(1));
    // Listing a disc watches no interrupt: the reader it starts dies with it.
    const bool listing = options.ok() && options.command == CliOptions::Command::Dvd;
    // The commands that run jobs or probes watch the signals; every other
    // one ends on them the ordinary way.
    if (options.ok() && (options.command == CliOptions::Command::Probe ||
                         options.command == CliOptions::Command::Convert))
        InterruptWatcher::catchInterrupts();
    // The disc's title sets, like the probes and the jobs, are read by
    // child programs through the event loop.
    QCoreApplication app(argc, argv);
    Console console;

    if (!options.ok()) {
        console.err(QStringLiteral("transcast-cli: ") + options.error);
        console.err(QStringLiteral("Try 'transcast-cli --help'."));
        return CliOptions::kBadUsage;
    }
    switch (options.command) {
    case CliOptions::Command::Help:
        console.out(CliOptions::usage().chopped(1));
        return CliOptions::kSuccess;
    case CliOptions::Command::Version:
        console.out(QStringLiteral("transcast-cli " TRANSCAST_VERSION));
        return CliOptions::kSuccess;
    case CliOptions::Command::Profiles:
        return ProfilesCommand::run(console);
    case CliOptions::Command::Probe:
    case CliOptions::Command::Convert:
    case CliOptions::Command::Dvd:
        break;
    }

    // A name that is not UTF-8 reaches Qt with its odd bytes replaced, so it
    // would name no file. A source of such a name is skipped with that
    // reason and the others are converted, as the window does; any other
    // argument (an output folder, a settings folder) stops the command.
    for (int i = 1; i < argc; ++i) {
        const QByteArray raw(argv[i]);
        if (QFile::encodeName(QFile::decodeName(raw)) == raw)
            continue;
        const QString name = escapedFileName(raw);
        if (!listing && options.sources.removeOne(QString::fromLocal8Bit(raw))) {
            options.undecodable << name;
            continue;
        }
        console.err(CliOptions::undecodableError(name));
        return CliOptions::kFailed;
    }

    std::optional<InterruptWatcher> interrupts;
    if (!listing)
        interrupts.emplace();
    CliSession session(options, QString::fromLocal8Bit(argv[0]), programFolder(), console);
    QString error;
    if (!session.prepare(error)) {
        if (error.isEmpty())
            return CliOptions::kFailed;
        console.err(QStringLiteral("transcast-cli: ") + error);
        return CliOptions::kBadUsage;
    }
    if (listing)
        return DvdCommand::run(session, options);
    if (options.command == CliOptions::Command::Probe) {
        QObject::connect(&*interrupts, &InterruptWatcher::interrupted, &InterruptWatcher::dieOf);
        return ProbeCommand::run(session, options);
    }
    ConvertCommand convert(session, options, *interrupts);
    return convert.run();
}
