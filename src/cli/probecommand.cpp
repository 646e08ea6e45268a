#include "cli/probecommand.h"

#include <QFileInfo>

#include "cli/clioptions.h"
#include "cli/clisession.h"
#include "cli/console.h"
#include "common/textutil.h"
#include "control/controller.h"
#include "profiles/estimator.h"

namespace transcast
{

namespace
{

// The bitrate behind "Output Size", which rounds to hundredths of a megabyte.
QString estimatedKbps(CliSession& session, int row)
{
    try {
        Controller& controller = session.controller();
        return QString::number(controller.estimator().totalKbps(controller.jobs().sourceInfo(row)));
    } catch (const InvalidInteger&) {
        return QStringLiteral("?");
    }
}

} // namespace

int ProbeCommand::run(CliSession& session, const CliOptions& options)
{
    Console& console = session.console();
    console.out(session.choicesLine());
    const QVector<CliSession::Listed> listed = session.list(options.sources);
    const JobList& jobs = session.controller().jobs();
    const QChar tab = QLatin1Char('\t');
    for (const CliSession::Listed& entry : listed) {
        if (entry.skipped()) {
            console.out(QFileInfo(entry.path).fileName() + tab + QStringLiteral("skipped") + tab +
                        entry.reason);
            continue;
        }
        const SourceInfo& info = jobs.sourceInfo(entry.row);
        console.out(
            QStringList{jobs.caption(entry.row), jobs.subItem(entry.row, JobList::FrameSizeColumn),
                        jobs.subItem(entry.row, JobList::TimeColumn),
                        jobs.subItem(entry.row, JobList::OutputSizeColumn),
                        QStringLiteral("video %1 kb/s").arg(info.videoKbps),
                        QStringLiteral("audio %1 kb/s").arg(info.audioKbps),
                        QStringLiteral("estimate %1 kb/s").arg(estimatedKbps(session, entry.row)),
                        info.filePath}
                .join(tab));
    }
    const int problems = session.controller().sources().problemCount();
    return CliSession::skippedCount(listed) + problems > 0 ? CliOptions::kFailed
                                                           : CliOptions::kSuccess;
}

} // namespace transcast
