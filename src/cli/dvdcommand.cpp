#include "cli/dvdcommand.h"

#include <QFileInfo>

#include "cli/clioptions.h"
#include "cli/clisession.h"
#include "cli/console.h"
#include "control/controller.h"
#include "control/jobstatustext.h"
#include "dvd/ifolibrary.h"

namespace transcast
{

namespace
{

QString idOf(const QString& description)
{
    return QString::fromStdString(dvd::streamIdOf(description.toStdString()));
}

} // namespace

int DvdCommand::run(CliSession& session, const CliOptions& options)
{
    Console& console = session.console();
    if (const int status = session.listDvd(options.sources))
        return status;
    const JobList& jobs = session.controller().jobs();
    const QChar tab = QLatin1Char('\t');
    for (int row = 0; row < jobs.rowCount(); ++row) {
        console.out(QStringList{
            QString::number(row + 1), jobs.caption(row),
            jobs.subItem(row, JobList::FrameSizeColumn), jobs.subItem(row, JobList::TimeColumn),
            jobs.subItem(row, JobList::OutputSizeColumn), jobStatusText(jobs.row(row))}
                        .join(tab));
    }

    const DvdTitles& dvd = session.controller().dvd();
    for (int i = 0; i < dvd.ifoCount(); ++i) {
        const LoadedIfo& ifo = dvd.loadedIfos().at(i);
        const QString rows =
            ifo.endRow > ifo.firstRow
                ? QStringLiteral("rows %1-%2").arg(ifo.firstRow + 1).arg(ifo.endRow)
                : QStringLiteral("no rows");
        console.out(QStringLiteral("%1 (%2)").arg(ifo.ifoPath, rows));
        if (ifo.audioDescriptions.isEmpty())
            console.out(QStringLiteral("  audio\t-\t-\tno audio track"));
        for (int track = 0; track < ifo.audioDescriptions.size(); ++track)
            console.out(
                QStringLiteral("  audio\t%1\t%2\t%3")
                    .arg(track + 1)
                    .arg(idOf(ifo.audioDescriptions.at(track)), ifo.audioDescriptions.at(track)));
        console.out(QStringLiteral("  subtitle\t0\t0\t") + DvdTitles::noSubtitleText());
        for (int track = 0; track < ifo.subtitleDescriptions.size(); ++track)
            console.out(QStringLiteral("  subtitle\t%1\t%2\t%3")
                            .arg(track + 1)
                            .arg(idOf(ifo.subtitleDescriptions.at(track)),
                                 ifo.subtitleDescriptions.at(track)));
    }
    return CliOptions::kSuccess;
}

} // namespace transcast
