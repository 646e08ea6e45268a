#include "cli/dvdcommand.h"

#include <QFileInfo>

#include "cli/clioptions.h"
#include "cli/clisession.h"
#include "cli/console.h"
#include "control/controller.h"
#include "control/jobstatustext.h"
#include "dvd/titleset.h"
#include "dvd/tracktext.h"

namespace transcast
{

namespace
{

QString text(const std::string& words)
{
    return QString::fromStdString(words);
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
    for (const LoadedIfo& ifo : dvd.loadedIfos()) {
        const DvdTitles::RowRange range = dvd.rowsOf(ifo.ifoPath);
        QString rows = range.end > range.first
                           ? QStringLiteral("rows %1-%2").arg(range.first + 1).arg(range.end)
                           : QStringLiteral("no rows");
        // The captions count rows; a player's menu and remote count the
        // disc's own titles.
        QStringList discTitles;
        for (int row = range.first; row < range.end; ++row) {
            const int number = jobs.convertInfo(row).discTitle();
            if (jobs.row(row).kind == JobKind::Title && number > 0)
                discTitles << QString::number(number);
        }
        if (!discTitles.isEmpty())
            rows += QStringLiteral("; disc title%1 %2")
                        .arg(discTitles.size() == 1 ? QString() : QStringLiteral("s"),
                             discTitles.join(QStringLiteral(", ")));
        console.out(QStringLiteral("%1 (%2)").arg(ifo.ifoPath, rows));
        const dvd::TitleSet none;
        const dvd::TitleSet& titleSet = ifo.titleSet ? *ifo.titleSet : none;
        if (titleSet.audio.empty())
            console.out(QStringLiteral("  audio\t-\t-\tno audio track"));
        for (size_t track = 0; track < titleSet.audio.size(); ++track) {
            const dvd::AudioTrack& audio = titleSet.audio[track];
            console.out(
                QStringLiteral("  audio\t%1\t%2\t%3")
                    .arg(track + 1)
                    .arg(text(dvd::streamIdText(audio.streamId)), text(dvd::audioText(audio))));
        }
        console.out(QStringLiteral("  subtitle\t0\t0\t") + DvdTitles::noSubtitleText());
        for (size_t track = 0; track < titleSet.subtitles.size(); ++track) {
            const dvd::SubtitleTrack& subtitle = titleSet.subtitles[track];
            console.out(QStringLiteral("  subtitle\t%1\t%2\t%3")
                            .arg(track + 1)
                            .arg(text(dvd::streamIdText(subtitle.streamId)),
                                 text(dvd::subtitleText(subtitle))));
        }
    }
    // A damaged title set was warned of; the listing is not the whole disc.
    return dvd.damagedTitleSets().isEmpty() ? CliOptions::kSuccess : CliOptions::kFailed;
}

} // namespace transcast
