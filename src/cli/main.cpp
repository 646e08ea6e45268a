#include <QCoreApplication>
#include <QFile>

#include "cli/clioptions.h"
#include "cli/clisession.h"
#include "cli/console.h"
#include "cli/convertcommand.h"
#include "cli/dvdcommand.h"
#include "cli/interruptwatcher.h"
#include "cli/probecommand.h"
#include "cli/profilescommand.h"
#include "common/textutil.h"

using namespace transcast;

int main(int argc, char* argv[])
{
    InterruptWatcher::blockInterrupts();
    QCoreApplication app(argc, argv);
    Console console;

    const CliOptions options = CliOptions::parse(app.arguments().mid(1));
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
    // would name no file; say so instead of skipping it as unreadable.
    for (int i = 1; i < argc; ++i) {
        const QByteArray raw(argv[i]);
        if (QFile::encodeName(QFile::decodeName(raw)) != raw) {
            console.err(QStringLiteral("transcast-cli: error: '%1' is not valid UTF-8; a file of "
                                       "that name cannot be read")
                            .arg(escapedFileName(raw)));
            return CliOptions::kFailed;
        }
    }

    InterruptWatcher interrupts;
    CliSession session(options, QString::fromLocal8Bit(argv[0]), console);
    QString error;
    if (!session.prepare(error)) {
        if (error.isEmpty())
            return CliOptions::kFailed;
        console.err(QStringLiteral("transcast-cli: ") + error);
        return CliOptions::kBadUsage;
    }
    if (options.command == CliOptions::Command::Dvd)
        return DvdCommand::run(session, options);
    if (options.command == CliOptions::Command::Probe) {
        QObject::connect(&interrupts, &InterruptWatcher::interrupted,
                         [] { InterruptWatcher::dieOfInterrupt(); });
        return ProbeCommand::run(session, options);
    }
    ConvertCommand convert(session, options, interrupts);
    return convert.run();
}
