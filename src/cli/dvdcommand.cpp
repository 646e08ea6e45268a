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
    for (int i = 0; i < dvd.IfoCount(); ++i) {
        const TIFOSelint& ifo = dvd.TIFOAS().at(i);
        const QString rows =
            ifo.EndRow > ifo.FirstRow
                ? QStringLiteral("rows %1-%2").arg(ifo.FirstRow + 1).arg(ifo.EndRow)
                : QStringLiteral("no rows");
        console.out(QStringLiteral("%1 (%2)").arg(ifo.IfoPath, rows));
        if (ifo.AudioDescs.isEmpty())
            console.out(QStringLiteral("  audio\t-\t-\tno audio track"));
        for (int track = 0; track < ifo.AudioDescs.size(); ++track)
            console.out(QStringLiteral("  audio\t%1\t%2\t%3")
                            .arg(track + 1)
                            .arg(idOf(ifo.AudioDescs.at(track)), ifo.AudioDescs.at(track)));
        console.out(QStringLiteral("  subtitle\t0\t0\t") + DvdTitles::noSubtitleText());
        for (int track = 0; track < ifo.SubtitleDescs.size(); ++track)
            console.out(QStringLiteral("  subtitle\t%1\t%2\t%3")
                            .arg(track + 1)
                            .arg(idOf(ifo.SubtitleDescs.at(track)), ifo.SubtitleDescs.at(track)));
    }
    return CliOptions::kSuccess;
}

} // namespace transcast
