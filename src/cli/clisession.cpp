#include "cli/clisession.h"

#include <algorithm>
#include <optional>

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>

#include "cli/clioptions.h"
#include "cli/console.h"
#include "cli/optionchoice.h"
#include "common/inifile.h"
#include "common/textutil.h"
#include "control/controller.h"

namespace transcast
{

namespace
{

QString boxText(const OptionBox& box)
{
    if (!box.isEnabled())
        return QStringLiteral("-");
    const QString text = box.currentText();
    return text.isEmpty() ? QStringLiteral("(none)") : text;
}

} // namespace

CliSession::CliSession(const CliOptions& options, const QString& argv0,
                       const QString& programFolder, Console& console)
    : m_options(options), m_argv0(argv0), m_programFolder(programFolder), m_console(console),
      m_interaction(console), m_shell(console)
{
}

CliSession::~CliSession() = default;

bool CliSession::prepare(QString& error)
{
    // Listing a DVD is the DVD edition's work, whatever the program is called.
    const bool dvdCommand = m_options.command == CliOptions::Command::Dvd;
    const Edition edition = m_options.edition ? Edition(*m_options.edition, m_programFolder)
                            : dvdCommand ? Edition(QStringLiteral("transcast-dvd"), m_programFolder)
                                         : Edition::fromRunningProgram(m_argv0);
    if (dvdCommand && !edition.isDvdMode()) {
        error = QStringLiteral("dvd lists DVD titles, which only a DVD edition reads (--edition "
                               "transcast-dvd)");
        return false;
    }
    if (!edition.isDvdMode() && (m_options.chapters || !m_options.rows.isEmpty())) {
        error = QStringLiteral("--chapters and --rows go with a DVD edition "
                               "(--edition transcast-dvd)");
        return false;
    }
    m_controller = std::make_unique<Controller>(edition, m_interaction, m_shell);

    // Which profile's choices a run writes back follows from the profile
    // recorded last, which the run then replaces: from that read to that
    // write no other run may write, or runs side by side would all write
    // back the same profile where runs one after the other write back each
    // other's.
    std::optional<IniFile::Lock> settingsLock;
    if (m_options.config) {
        const QString folder = absoluteUserPath(*m_options.config);
        if (!QDir().mkpath(folder)) {
            error = QStringLiteral("--config: cannot make the folder ") + folder;
            return false;
        }
        if (m_options.profile)
            settingsLock.emplace(
                QStringList{QDir(folder).filePath(edition.settingsFileName()),
                            QDir(folder).filePath(edition.profileSettingsFileName())});
        m_controller->loadSettings(folder);
    } else {
        // No settings: the window's first start, nothing recorded (the
        // direction is into the edition's format until settings say else).
        if (m_controller->boxes().channel.count() > 0)
            m_controller->boxes().channel.setCurrentIndex(0);
    }

    // Only a profile the user names is selected (and, with --config,
    // recorded as the last one); otherwise the settings' own stands, or the
    // edition's without settings.
    if (m_options.profile || !m_options.config) {
        const int profile = m_options.profile.value_or(edition.defaultProfile());
        m_controller->profile().picker().selectSubIndex = profile;
        if (!m_controller->profile().selectProfile(profile))
            return false;
    }
    if (m_controller->profile().selectedProfile() <= 0)
        return false;

    if (m_options.size && !choose(QStringLiteral("--size"), *m_options.size, error))
        return false;
    if (m_options.video && !choose(QStringLiteral("--video"), *m_options.video, error))
        return false;
    if (m_options.audio && !choose(QStringLiteral("--audio"), *m_options.audio, error))
        return false;

    if (m_options.output)
        m_controller->setOutputFolderText(absoluteUserPath(*m_options.output));
    // --jobs wins over the settings' count; with neither, one at a time.
    if (m_options.jobs)
        m_controller->setConversionsAtOnce(*m_options.jobs);
    PictureHandling picture = m_controller->preferences().pictureHandling();
    picture.deinterlace = m_options.deinterlace.value_or(picture.deinterlace);
    picture.frameRateAsSource = m_options.frameRateAsSource.value_or(picture.frameRateAsSource);
    picture.cropBars = m_options.cropBars.value_or(picture.cropBars);
    m_controller->setPictureHandling(picture);
    return true;
}

bool CliSession::choose(const QString& option, const QString& value, QString& error)
{
    OptionBoxes& boxes = m_controller->boxes();
    OptionBox* box = &boxes.size;
    QString what = QStringLiteral("frame size");
    if (option == QLatin1String("--video")) {
        box = &boxes.videoBitrate;
        what = QStringLiteral("video quality");
    } else if (option == QLatin1String("--audio")) {
        box = &boxes.audioBitrate;
        what = QStringLiteral("audio quality");
    }
    const OptionChoice::Result chosen =
        OptionChoice::resolve(*box, value, option, what, m_controller->profile().profileNumber());
    if (!chosen.error.isEmpty()) {
        error = chosen.error;
        return false;
    }
    box->choose(chosen.index);
    return true;
}

QVector<CliSession::Listed> CliSession::list(const QStringList& sources)
{
    QVector<Listed> listed;
    for (const QString& name : m_options.undecodable)
        listed.append(
            {name, -1,
             QStringLiteral("the name is not valid UTF-8; a file of that name cannot be read")});
    SourceList& sourceList = m_controller->sources();
    const QMetaObject::Connection skipped = QObject::connect(
        &sourceList, &SourceList::fileSkipped, [&](const QString& path, const QString& reason) {
            listed.append({path, -1, reason});
        });
    const QMetaObject::Connection appended =
        QObject::connect(&m_controller->jobs(), &JobList::rowAppended, [&](int row) {
            listed.append({QString(), row, QString()});
        });
    QStringList paths;
    for (const QString& source : sources)
        paths << absoluteUserPath(source);
    // The command converts the list once it is complete: it waits here, in
    // the one loop of its own, for the add to end.
    QEventLoop loop;
    QObject::connect(&sourceList, &SourceList::addEnded, &loop, &QEventLoop::quit);
    sourceList.addChosenFiles(paths);
    if (sourceList.isAdding())
        loop.exec();
    QObject::disconnect(skipped);
    QObject::disconnect(appended);
    // A row's path is in its record once it is filled, after the append.
    for (Listed& entry : listed) {
        if (!entry.skipped())
            entry.path = m_controller->jobs().sourceInfo(entry.row).filePath;
    }
    return listed;
}

int CliSession::listDvd(const QStringList& sources)
{
    // A disc is one source: one of its names unreadable, there is no disc.
    for (const QString& name : m_options.undecodable) {
        m_console.err(CliOptions::undecodableError(name));
        return CliOptions::kFailed;
    }
    QStringList paths;
    for (const QString& source : sources)
        paths << absoluteUserPath(source);
    if (!Controller::isOneDisc(paths)) {
        m_console.err(QStringLiteral(
            "transcast-cli: one disc at a time: a folder or an .iso image, or IFO files"));
        return CliOptions::kBadUsage;
    }
    DvdTitles& dvd = m_controller->dvd();
    dvd.setTitleMode(!m_options.chapters);
    // The reading goes on in the event loop; a command line answers when it
    // has ended.
    bool listed = false;
    QEventLoop loop;
    QObject::connect(&dvd, &DvdTitles::readingFinished, &loop, [&](bool ended) {
        listed = ended;
        loop.quit();
    });
    if (dvd.openPaths(paths))
        loop.exec();
    return listed ? CliOptions::kSuccess : CliOptions::kFailed;
}

bool CliSession::chooseDvdRows(QString& error)
{
    JobList& jobs = m_controller->jobs();
    DvdTitles& dvd = m_controller->dvd();
    if (!m_options.rows.isEmpty()) {
        for (const int number : m_options.rows) {
            if (number > jobs.rowCount()) {
                error = QStringLiteral("--rows: there is no row %1; the disc gives %2")
                            .arg(number)
                            .arg(jobs.rowCount());
                return false;
            }
            if (const QString missing = jobs.convertInfo(number - 1).missingReason();
                !missing.isEmpty()) {
                error = QStringLiteral("--rows: row %1 (%2) cannot be converted: %3")
                            .arg(number)
                            .arg(jobs.caption(number - 1).trimmed(), missing);
                return false;
            }
        }
        for (int row = 0; row < jobs.rowCount(); ++row)
            jobs.setChecked(row, m_options.rows.contains(row + 1));
    }
    if (!m_options.audioTrack && !m_options.subtitleTrack)
        return true;
    for (int row = 0; row < jobs.rowCount(); ++row) {
        if (!jobs.row(row).checked)
            continue;
        jobs.clearSelection();
        jobs.setSelected(row, true);
        dvd.rowClicked();
        const QString caption = jobs.caption(row).trimmed();
        if (m_options.audioTrack) {
            if (*m_options.audioTrack > dvd.audioTracks().count()) {
                error = QStringLiteral("--audio-track: row %1 (%2) has %3 audio tracks")
                            .arg(row + 1)
                            .arg(caption)
                            .arg(dvd.audioTracks().count());
                return false;
            }
            dvd.audioTracks().choose(*m_options.audioTrack - 1);
        }
        if (m_options.subtitleTrack) {
            if (*m_options.subtitleTrack >= dvd.subtitleTracks().count()) {
                error = QStringLiteral("--subtitle-track: row %1 (%2) has %3 subtitle tracks")
                            .arg(row + 1)
                            .arg(caption)
                            .arg(dvd.subtitleTracks().count() - 1);
                return false;
            }
            dvd.subtitleTracks().choose(*m_options.subtitleTrack);
        }
    }
    return true;
}

bool CliSession::chooseFileTracks(QString& error)
{
    JobList& jobs = m_controller->jobs();
    for (int row = 0; row < jobs.rowCount(); ++row) {
        const FileTracks& tracks = jobs.row(row).tracks;
        // Whether the option's number names a track of the row; if not, why.
        const auto fits = [&](const std::optional<int>& number, size_t count, const char* option,
                              const char* kind) {
            if (!number || *number <= static_cast<int>(count))
                return true;
            error = QStringLiteral("%1: row %2 (%3) has %4 %5 tracks")
                        .arg(QLatin1String(option))
                        .arg(row + 1)
                        .arg(jobs.caption(row))
                        .arg(count)
                        .arg(QLatin1String(kind));
            return false;
        };
        if (!fits(m_options.audioTrack, tracks.audio.size(), "--audio-track", "audio") ||
            !fits(m_options.subtitleTrack, tracks.subtitles.size(), "--subtitle-track", "subtitle"))
            return false;
        if (m_options.audioTrack)
            jobs.setAudioChoice(row, *m_options.audioTrack - 1);
        if (m_options.subtitleTrack)
            jobs.setSubtitleChoice(row, *m_options.subtitleTrack);
    }
    return true;
}

int CliSession::skippedCount(const QVector<Listed>& listed)
{
    return static_cast<int>(std::count_if(listed.cbegin(), listed.cend(),
                                          [](const Listed& entry) { return entry.skipped(); }));
}

QString CliSession::choicesLine() const
{
    const OptionBoxes& boxes = m_controller->boxes();
    return QStringLiteral("profile %1 %2; size %3; video %4; audio %5")
        .arg(m_controller->profile().profileNumber())
        .arg(m_controller->profile().displayName(), boxText(boxes.size),
             boxText(boxes.videoBitrate), boxText(boxes.audioBitrate));
}

} // namespace transcast
