#include "control/controller.h"

#include <algorithm>

#include <QFileInfo>

#include "common/busyguards.h"
#include "common/interaction.h"
#include "common/shell.h"
#include "common/textutil.h"
#include "sources/discpath.h"
#include "sources/titlelocator.h"

namespace transcast
{

namespace
{

// The warning about a kept list that could not be read.
QString unreadableListText(const QString& path, const JobListKeeper::LeftOver& left)
{
    if (!left.setAsidePath.isEmpty())
        return QStringLiteral("The job list kept from the last run, \"%1\", could not be read; "
                              "it was put aside as \"%2\".")
            .arg(path, left.setAsidePath);
    return QStringLiteral("The job list kept from the last run, \"%1\", could not be read, nor "
                          "put aside (%2); it stays as it is and this window keeps no list.")
        .arg(path, left.setAsideProblem);
}

} // namespace

Controller::Controller(Edition edition, Interaction& interaction, Shell& shell,
                       const JobList::RowsFactory& rows, QObject* parent)
    : QObject(parent), m_edition(std::move(edition)), m_interaction(interaction), m_shell(shell),
      m_jobs(rows), m_selector(m_edition, m_preferences, m_boxes, m_remembered, m_interaction),
      m_estimator(m_boxes, m_selector),
      m_settings(m_edition, m_preferences, m_boxes, m_selector, m_remembered),
      m_sources(m_edition, m_busy, m_preferences, m_jobs, m_interaction),
      m_builder(m_edition, m_preferences, m_jobs, m_boxes, m_selector, m_estimator),
      m_runner(m_jobs, m_progress), m_batch(m_edition, m_busy, m_preferences, m_jobs, m_builder,
                                            m_runner, m_progress, m_interaction, m_shell),
      m_dvd(m_edition, m_busy, m_jobs, m_interaction),
      m_fileTracks(m_edition, m_jobs, m_dvd.audioTracks(), m_dvd.subtitleTracks()),
      m_keeper(m_edition, m_preferences, m_jobs, m_sources, m_dvd)
{
    m_sources.setOwnFormatFilter(ownFormatFilter());
    m_sources.setDiscReader(&m_dvd);
    m_batch.setSources(&m_sources);
    m_preferences.setOutputFolder(SettingsStore::defaultOutputFolder());
    m_preferences.setOutputFolderText(m_preferences.outputFolder());
    connect(&m_preferences, &Preferences::outputFolderTextChanged, this,
            &Controller::outputFolderTextChanged);
    for (const QString& text : m_edition.directionTexts())
        m_boxes.channel.addItem(text);
    m_selector.setAfterSelection([this] { refreshEstimates(); });
    // The list keeps sizes as bytes; its column writes them as estimates do.
    m_jobs.setSizeText([this](qint64 bytes) { return m_estimator.bytesText(bytes); });
    connect(&m_sources, &SourceList::rowListed, this, [this](int row) { writeEstimate(row); });
    connect(&m_dvd, &DvdTitles::rowListed, this, [this](int row) {
        if (!writeEstimate(row, m_titleEstimateErrorShown))
            m_titleEstimateErrorShown = true;
    });

    auto refresh = [this] {
        hideNavigation();
        refreshEstimates();
    };
    connect(&m_boxes.size, &OptionBox::chosen, this, refresh);
    connect(&m_boxes.videoBitrate, &OptionBox::chosen, this, refresh);
    connect(&m_boxes.audioBitrate, &OptionBox::chosen, this, refresh);
    // The direction box shows the direction, whoever changed it (a restore
    // of a list kept for the other direction, the settings, the box).
    connect(&m_preferences, &Preferences::intoOwnFormatChanged, this, [this](bool into) {
        if (const int entry = into ? 0 : 1; entry < m_boxes.channel.count())
            m_boxes.channel.setCurrentIndex(entry);
    });
    connect(&m_boxes.channel, &OptionBox::chosen, this, [this](int entry) {
        hideNavigation();
        changeDirection(entry);
    });
}

Controller::~Controller() = default;

void Controller::hideNavigation()
{
    if (m_hideNavigation)
        m_hideNavigation();
}

bool Controller::writeEstimate(int row, bool quiet)
{
    try {
        m_jobs.setOutputSize(row, m_estimator.outputBytes(m_jobs.sourceInfo(row)));
        return true;
    } catch (const InvalidInteger& bad) {
        if (!quiet)
            m_interaction.error(bad.message());
        return false;
    }
}

bool Controller::refreshEstimates()
{
    for (int row = 0; row < m_jobs.rowCount(); ++row) {
        if (!writeEstimate(row))
            return false;
    }
    return true;
}

void Controller::loadSettings(const QString& settingsFolder)
{
    m_settings.setFolder(settingsFolder);
    m_settings.load();
    // Said once, here: every later write would fail as silently.
    for (const QString& path : {m_settings.settingsPath(), m_settings.profileSettingsPath()}) {
        const QString problem = IniFile(path).writeProblem();
        if (!problem.isEmpty()) {
            m_interaction.warn(QStringLiteral("The settings cannot be saved in \"%1\": %2.\r"
                                              "The program goes on, but changes to the settings "
                                              "will not be kept.")
                                   .arg(path, problem));
            return;
        }
    }
}

void Controller::saveSettings()
{
    m_settings.save();
}

void Controller::keepJobList()
{
    m_keeper.start(m_settings.settingsPath());
}

QString Controller::restoreQuestion(int count) const
{
    const QString title = m_edition.programTitle();
    if (count == 1)
        return QStringLiteral("%1 did not close normally last time. Restore the unfinished job of "
                              "its list?")
            .arg(title);
    return QStringLiteral("%1 did not close normally last time. Restore the %2 unfinished jobs "
                          "of its list?")
        .arg(title)
        .arg(count);
}

void Controller::endWithoutTheUser(bool questionOpen)
{
    m_endingWithoutUser = true;
    m_questionCutShort = m_questionCutShort || questionOpen;
}

void Controller::offerRestore()
{
    const JobListKeeper::LeftOver left = m_keeper.takeLeftOver();
    if (!left.setAsidePath.isEmpty() || !left.setAsideProblem.isEmpty())
        m_interaction.warn(unreadableListText(m_keeper.path(), left));
    if (!left.contents) {
        m_restoreSettled = true;
        return;
    }
    const QVector<JobRow> rows = JobListFile::unfinishedRows(*left.contents);
    const bool yes =
        !rows.isEmpty() && m_interaction.confirm(restoreQuestion(static_cast<int>(rows.size())),
                                                 Interaction::QuestionKind::Confirmation,
                                                 Interaction::DefaultAnswer::Yes);
    // A box closed because the program is ending was not answered.
    if (m_endingWithoutUser)
        return;
    m_restoreSettled = true;
    if (!yes) {
        m_keeper.discard();
        return;
    }
    const JobListFile::Header& header = left.contents->header;
    // Sources all gone leave nothing to offer at the next start either.
    const auto keepOrDiscard = [this] {
        if (m_jobs.rowCount() == 0)
            m_keeper.discard();
        else
            m_keeper.flush();
    };
    if (m_edition.isDvdMode()) {
        // The title sets are read again: decided when the reading has ended.
        const QMetaObject::Connection read = connect(&m_dvd, &DvdTitles::readingFinished, this,
                                                     keepOrDiscard, Qt::SingleShotConnection);
        if (!m_dvd.restore(header.titleMode, header.titleSets, rows) && disconnect(read))
            keepOrDiscard(); // refused: no reading to wait for
        return;
    }
    // The rows were listed for that direction; its profiles convert them.
    const int entry = header.intoOwnFormat ? 0 : 1;
    if (header.intoOwnFormat != m_preferences.intoOwnFormat() && entry < m_boxes.channel.count())
        changeDirection(entry);
    // The files are listed again through their probes: decided when done.
    const QMetaObject::Connection done =
        connect(&m_sources, &SourceList::addEnded, this, keepOrDiscard, Qt::SingleShotConnection);
    m_sources.restoreRows(rows);
    if (!m_sources.isAdding() && disconnect(done))
        keepOrDiscard(); // refused: no add to wait for
}

void Controller::changeDirection(int entry)
{
    const bool into = entry == 0;
    if (m_jobs.rowCount() > 0 &&
        !m_interaction.confirm(QStringLiteral("Change function will clear list, continue?"),
                               Interaction::QuestionKind::Information)) {
        m_boxes.channel.setCurrentIndex(m_preferences.intoOwnFormat() ? 0 : 1);
        return;
    }
    m_jobs.clear();
    m_preferences.setIntoOwnFormat(into);
    const int recorded = m_settings.recordedProfile(into);
    m_selector.picker().selectSubIndex = recorded;
    m_selector.selectProfile(recorded);
}

void Controller::openSources(const QStringList& paths)
{
    if (m_edition.isFileMode()) {
        m_sources.addChosenFiles(paths);
        return;
    }
    // The title list holds DVD rows only; a video file would become a row
    // no title job can convert.
    const DiscPath::Selection selection = DiscPath::select(paths);
    QStringList names;
    for (const QString& path : selection.notDiscs)
        names << QFileInfo(path).fileName();
    const auto refuseTheRest = [this, names] {
        if (names.isEmpty())
            return;
        m_interaction.warn(
            QStringLiteral("The DVD edition lists DVD titles only. Add a DVD folder, an IFO file "
                           "or an .iso image; these are none of them:\n%1")
                .arg(names.join(QLatin1Char('\n'))));
    };
    // The refusal follows what the disc's reading says, as it did when the
    // reading ended within this call.
    if ((!selection.disc.isEmpty() || !selection.ifoFiles.isEmpty()) && m_dvd.openPaths(paths)) {
        connect(&m_dvd, &DvdTitles::readingFinished, this, refuseTheRest, Qt::SingleShotConnection);
        return;
    }
    refuseTheRest();
}

bool Controller::acceptsSources(const QStringList& paths) const
{
    if (paths.isEmpty())
        return false;
    return m_edition.isFileMode() || std::any_of(paths.cbegin(), paths.cend(), &DiscPath::isDisc);
}

bool Controller::isOneDisc(const QStringList& paths)
{
    return paths.size() == 1 || DiscPath::select(paths).onlyIfoFiles();
}

bool Controller::requestClose(const std::function<void(IniFile&)>& keepViewState)
{
    if (m_busy.isPlaying()) {
        m_interaction.inform(BusyGuards::kStopPlay);
        return false;
    }
    if (m_busy.isConverting()) {
        m_interaction.inform(QStringLiteral("Please first stop converting!"));
        return false;
    }
    if (IniFile* file = m_settings.settingsFile(); file && keepViewState)
        keepViewState(*file);
    saveSettings();
    if (m_endingWithoutUser && (m_questionCutShort || !m_restoreSettled))
        m_keeper.release();
    else
        m_keeper.stop();
    return true;
}

void Controller::setOutputFolder(const QString& folder)
{
    m_preferences.setOutputFolder(folder);
    setOutputFolderText(folder);
}

void Controller::setOutputFolderText(const QString& text)
{
    m_preferences.setOutputFolderText(text);
}

void Controller::browseOutputFolder()
{
    const QString folder = m_interaction.chooseFolderIn(QStringLiteral("Output Directory"),
                                                        m_preferences.outputFolder());
    if (!folder.isEmpty())
        setOutputFolder(folder);
}

void Controller::openOutputFolder()
{
    m_shell.openFolder(m_preferences.outputFolder());
}

void Controller::setFinishChoices(int finishAction, int conversionsAtOnce,
                                  const PictureHandling& picture)
{
    m_preferences.setFinishAction(finishAction);
    m_preferences.setConversionsAtOnce(conversionsAtOnce);
    m_settings.storeConversionsAtOnce();
    m_preferences.setPictureHandling(picture);
    m_settings.storePictureHandling();
}

void Controller::cutter()
{
    if (BusyGuards::playingThenConverting(m_busy, m_interaction))
        return;
    if (!m_dvd.isTitleMode())
        m_interaction.warn(QStringLiteral("Please change title mode!"));
}

QString Controller::previewSource(int row) const
{
    if (row < 0 || row >= m_jobs.rowCount())
        return {};
    if (m_edition.isFileMode())
        return m_jobs.sourceInfo(row).filePath;
    return titleLocator(m_jobs.convertInfo(row));
}

} // namespace transcast
