#include "sources/dvdtitles.h"

#include <algorithm>
#include <atomic>
#include <functional>
#include <vector>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include "common/busyguards.h"
#include "common/busystate.h"
#include "common/edition.h"
#include "common/interaction.h"
#include "common/textutil.h"
#include "dvd/discimage.h"
#include "dvd/describedtitlesets.h"
#include "dvd/tracktext.h"
#include "sources/discpath.h"
#include "sources/dvdrowbuilder.h"
#include "sources/joblist.h"
#include "sources/opticaldrive.h"
#include "sources/sourcelist.h"

namespace transcast
{

namespace
{

// Title sets are numbered 01 to 99.
constexpr int kMaxTitleSets = 99;

// A reading from its start to its end, told as it begins and ends. Readings
// never overlap: each refuses to start while another runs (isReading).
class ReadingScope
{
public:
    ReadingScope(bool& reading, std::function<void(bool)> changed)
        : m_reading(reading), m_changed(std::move(changed))
    {
        Q_ASSERT(!m_reading);
        m_reading = true;
        m_changed(true);
    }
    ~ReadingScope()
    {
        m_reading = false;
        m_changed(false);
    }
    ReadingScope(const ReadingScope&) = delete;
    ReadingScope& operator=(const ReadingScope&) = delete;

private:
    bool& m_reading;
    std::function<void(bool)> m_changed;
};

QString twoDigits(int number)
{
    return number < 10 ? QLatin1Char('0') + QString::number(number) : QString::number(number);
}

std::string localPath(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

// An IFO file, or one inside a disc image ("disc.iso/VIDEO_TS/VTS_01_0.IFO").
bool discFileExists(const QString& ifoPath)
{
    if (QFileInfo::exists(ifoPath))
        return true;
    const int image =
        static_cast<int>(ifoPath.indexOf(QLatin1String(".iso/"), 0, Qt::CaseInsensitive));
    return image >= 0 && QFileInfo(ifoPath.left(image + 4)).isFile();
}

} // namespace

DvdTitles::DvdTitles(const Edition& edition, const BusyState& busy, JobList& jobs,
                     Interaction& interaction, QObject* parent)
    : QObject(parent), m_edition(edition), m_busy(busy), m_jobs(jobs), m_interaction(interaction),
      m_titleSets(std::make_unique<dvd::DescribedTitleSets>(localPath(edition.encoderPath()))),
      m_drive(std::make_unique<OpticalDrive>())
{
    connect(&m_audioTracks, &OptionBox::chosen, this, &DvdTitles::chooseAudio);
    connect(&m_subtitleTracks, &OptionBox::chosen, this, &DvdTitles::chooseSubtitle);
    connect(&m_jobs, &JobList::rowRemoved, this, &DvdTitles::onRowRemoved);
    // A selection the program makes (after a removal, a rebuild) shows its
    // row's tracks as a click does.
    connect(&m_jobs, &JobList::selectionChanged, this, &DvdTitles::showSelectedTracks);
}

DvdTitles::~DvdTitles() = default;

void DvdTitles::setTitleSetSource(std::unique_ptr<dvd::TitleSetSource> titleSets)
{
    m_titleSets = std::move(titleSets);
}

void DvdTitles::setOpticalDrive(std::unique_ptr<OpticalDrive> drive)
{
    m_drive = std::move(drive);
}

bool DvdTitles::isReading() const
{
    return m_reading;
}

QString DvdTitles::damagedImageText(const QString& image, const QString& damage)
{
    return QStringLiteral("The disc image %1 is damaged: %2. The titles after the damage are "
                          "missing.")
        .arg(QDir::toNativeSeparators(image), damage);
}

// ---- the user's actions ------------------------------------------------------------------

void DvdTitles::addDvd()
{
    if (BusyGuards::convertingThenPlaying(m_busy, m_interaction) || isReading())
        return;
    const QString chosen = m_interaction.chooseFolderOrImage(folderCaption(), imagePatterns());
    if (chosen.isEmpty())
        return;
    openDisc(chosen);
}

void DvdTitles::addIfo()
{
    if (BusyGuards::convertingThenPlaying(m_busy, m_interaction) || isReading())
        return;
    const QStringList files = m_interaction.chooseFiles(ifoFilter(), false);
    if (files.isEmpty())
        return;
    // An image chosen here opens as the disc it holds.
    const auto image = std::find_if(files.cbegin(), files.cend(), [](const QString& file) {
        return DiscPath::kind(file) == DiscPath::Kind::DiscImage;
    });
    if (image != files.cend()) {
        openDisc(*image);
        return;
    }
    openIfoFiles(files);
}

void DvdTitles::startOver()
{
    m_readerProblem.clear();
    m_ifos.clear();
    m_memory.clear();
    m_jobs.clear();
    m_audioTracks.clear();
    m_subtitleTracks.clear();
    m_jobs.setVisible(true);
}

bool DvdTitles::openDisc(const QString& path)
{
    if (BusyGuards::convertingThenPlaying(m_busy, m_interaction) || isReading())
        return false;
    ReadingScope reading(m_reading, [this](bool on) { emit readingChanged(on); });
    startOver();
    bool found = false;
    QString damage;
    if (DiscPath::kind(path) == DiscPath::Kind::DiscImage) {
        found = searchImage(path);
        damage = QString::fromStdString(dvd::discImageDamage(localPath(path)));
    } else {
        if (m_drive->isOpticalDrive(path))
            waitForDrive(path);
        QSet<QString> visited;
        found = QFileInfo(path).isDir() && searchFolder(path, visited);
    }
    // The title sets before the damage read well; the user must learn that
    // the rest are missing, not take the list for the whole disc.
    if (!damage.isEmpty())
        m_interaction.warn(damagedImageText(path, damage));
    const bool readerFailed = reportReaderProblem();
    if (!found || (readerFailed && m_jobs.rowCount() == 0)) {
        if (damage.isEmpty() && !readerFailed)
            m_interaction.inform(noDiscText());
        return false;
    }
    if (m_jobs.rowCount() > 0)
        finishLoad();
    return true;
}

bool DvdTitles::openIfoFiles(const QStringList& paths)
{
    if (BusyGuards::convertingThenPlaying(m_busy, m_interaction) || isReading())
        return false;
    ReadingScope reading(m_reading, [this](bool on) { emit readingChanged(on); });
    startOver();
    for (const QString& path : paths) {
        LoadedIfo entry;
        entry.ifoPath = path;
        m_ifos.append(entry);
        loadIfo(m_ifos.last());
        if (m_jobs.rowCount() == 0) {
            if (!reportReaderProblem())
                m_interaction.inform(invalidIfoText());
            return false;
        }
        finishLoad();
    }
    reportReaderProblem();
    return true;
}

bool DvdTitles::openPaths(const QStringList& paths)
{
    const DiscPath::Selection selection = DiscPath::select(paths);
    if (!selection.disc.isEmpty())
        return openDisc(selection.disc);
    if (!selection.ifoFiles.isEmpty())
        return openIfoFiles(selection.ifoFiles);
    // Nothing to read: the same answer as a folder holding no title set.
    if (BusyGuards::convertingThenPlaying(m_busy, m_interaction) || isReading())
        return false;
    m_interaction.inform(noDiscText());
    return false;
}

void DvdTitles::setTitleMode(bool titleMode)
{
    if (m_titleMode == titleMode)
        return;
    m_titleMode = titleMode;
    emit titleModeChanged(titleMode);
}

bool DvdTitles::restore(bool titleMode, const QStringList& titleSets, const QVector<JobRow>& rows)
{
    if (BusyGuards::convertingThenPlaying(m_busy, m_interaction) || isReading())
        return false;
    ReadingScope reading(m_reading, [this](bool on) { emit readingChanged(on); });
    startOver();
    setTitleMode(titleMode);
    // The kept choices are remembered as a mode switch remembers them, so
    // that the rows are listed with them on the way listing always goes.
    QHash<QString, const JobRow*> kept;
    QSet<QString> needed;
    for (const JobRow& row : rows) {
        kept.insert(DvdChoiceMemory::placeOf(row.dvd), &row);
        needed.insert(row.dvd.ifoPath);
        m_memory.remember(row, titleMode);
    }
    QStringList lost;
    for (const QString& path : titleSets) {
        LoadedIfo entry;
        entry.ifoPath = path;
        m_ifos.append(entry);
        if (!loadIfo(m_ifos.last()) && needed.contains(path))
            lost << path + QStringLiteral(": ") +
                        (discFileExists(path) ? QStringLiteral("it cannot be read")
                                              : SourceList::goneReason());
    }
    for (int row = m_jobs.rowCount() - 1; row >= 0; --row) {
        const DvdRowInfo& info = m_jobs.convertInfo(row);
        const JobRow* record = kept.value(DvdChoiceMemory::placeOf(info));
        if (!record) {
            m_jobs.removeRow(row);
            continue;
        }
        m_jobs.setChecked(row, m_memory.tick(info, titleMode));
        m_jobs.setStatus(row, record->status);
        m_jobs.setJobReport(row, record->failureReason, record->notes);
    }
    if (!lost.isEmpty())
        m_interaction.inform((lost.size() == 1 ? QStringLiteral("This DVD title set was not listed "
                                                                "again:")
                                               : QStringLiteral("These %1 DVD title sets were not "
                                                                "listed again:")
                                                     .arg(lost.size())) +
                             QLatin1Char('\r') + lost.join(QLatin1Char('\r')));
    if (m_jobs.rowCount() == 0)
        return false;
    m_jobs.clearSelection();
    m_jobs.setSelected(longestRow(), true);
    showSelectedTracks();
    return true;
}

void DvdTitles::waitForDrive(const QString& path)
{
    // The volume query blocks until the drive is ready; it runs on a thread
    // of its own while the window goes on handling its events.
    auto waiting = std::make_shared<std::atomic<bool>>(true);
    OpticalDrive* drive = m_drive.get();
    QThread* thread = QThread::create([drive, path, waiting] {
        drive->waitUntilReady(path);
        waiting->store(false);
    });
    thread->start();
    while (waiting->load() && letEventsThrough(50))
        ;
    thread->wait();
    delete thread;
}

// The one place a disc reading lets the window's events through. Reading
// goes on in the caller's call: the command line lists a disc without an
// application object, and then converts what was listed, so the reading must
// be done when the call returns. Each title set is read by a separate program
// whose answer is waited for (up to its 10 s of no progress), and a disc has
// up to 99 of them: between titles the window paints the rows listed so far
// and a drive's wait stays responsive. isReading() makes the
// list's actions and Convert refuse meanwhile. False without an application
// object: there are no events to handle.
bool DvdTitles::letEventsThrough(int maxMs)
{
    if (QCoreApplication::instance() == nullptr)
        return false;
    if (maxMs > 0)
        QCoreApplication::processEvents(QEventLoop::AllEvents, maxMs);
    else
        QCoreApplication::processEvents();
    return true;
}

bool DvdTitles::searchFolder(const QString& folder, QSet<QString>& visited)
{
    // A VIDEO_TS that links back to a folder above it would never end.
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    if (visited.contains(canonical))
        return false;
    visited.insert(canonical);

    bool found = false;
    const QDir dir(folder);
    for (const QString& name : SourceList::folderEntries(folder)) {
        const QString lower = name.toLower();
        const QFileInfo info(dir.filePath(name));
        if (!info.isDir() && lower.endsWith(QLatin1String(".ifo")) &&
            lower != QLatin1String("video_ts.ifo")) {
            LoadedIfo entry;
            entry.ifoPath = dir.filePath(name);
            m_ifos.append(entry);
            loadIfo(m_ifos.last());
            found = true;
        } else if (info.isDir() && lower == QLatin1String("video_ts")) {
            if (searchFolder(info.filePath(), visited))
                return true;
        }
    }
    return found;
}

bool DvdTitles::searchImage(const QString& image)
{
    bool found = false;
    for (int set = 1; set <= kMaxTitleSets; ++set) {
        LoadedIfo entry;
        entry.ifoPath =
            image + QStringLiteral("/VIDEO_TS/VTS_") + twoDigits(set) + QStringLiteral("_0.IFO");
        m_ifos.append(entry);
        if (!loadIfo(m_ifos.last())) {
            m_ifos.removeLast();
            break;
        }
        found = true;
    }
    return found;
}

// ---- reading one title set ---------------------------------------------------------------

bool DvdTitles::loadIfo(LoadedIfo& entry)
{
    entry.titleSet = m_titleSets->read(localPath(entry.ifoPath));
    if (!entry.titleSet) {
        if (m_readerProblem.isEmpty())
            m_readerProblem = QString::fromStdString(m_titleSets->readerProblem());
        return false;
    }
    std::vector<JobRow> rows =
        DvdRowBuilder::rows(entry.titleSet, entry.ifoPath, m_titleMode, m_jobs.rowCount());
    for (size_t i = 0; i < rows.size(); ++i) {
        // Between titles the window paints the rows listed so far.
        if (i > 0 && rows[i].kind == JobKind::Title)
            letEventsThrough();
        JobRow& row = rows[i];
        m_memory.applyTracks(row);
        const int listed = m_jobs.appendRow(std::move(row));
        emit rowListed(listed);
    }
    if (!rows.empty())
        letEventsThrough();
    return true;
}

bool DvdTitles::reportReaderProblem()
{
    if (m_readerProblem.isEmpty())
        return false;
    m_interaction.warn(m_readerProblem);
    m_readerProblem.clear();
    return true;
}

void DvdTitles::finishLoad()
{
    for (int row = 0; row < m_jobs.rowCount(); ++row)
        m_jobs.setChecked(row, true);
    m_jobs.clearSelection();
    m_jobs.setSelected(longestRow(), true);
    showSelectedTracks();
}

int DvdTitles::longestRow() const
{
    int longest = 0;
    qint64 most = 0;
    for (int row = 0; row < m_jobs.rowCount(); ++row) {
        const DvdRowInfo& info = m_jobs.convertInfo(row);
        const qint64 span = qint64(info.endSector) - info.startSector;
        if (span > most) {
            most = span;
            longest = row;
        }
    }
    return longest;
}

// ---- mode switch, clicks, ticks and tracks -----------------------------------------------

DvdTitles::RowRange DvdTitles::rowsOf(const QString& ifoPath) const
{
    RowRange range;
    for (int row = 0; row < m_jobs.rowCount(); ++row) {
        if (!m_jobs.row(row).isDvd() || m_jobs.convertInfo(row).ifoPath != ifoPath)
            continue;
        if (range.first == range.end)
            range.first = row;
        range.end = row + 1;
    }
    return range;
}

void DvdTitles::switchMode()
{
    if (BusyGuards::playingThenConverting(m_busy, m_interaction) || isReading())
        return;
    ReadingScope reading(m_reading, [this](bool on) { emit readingChanged(on); });
    for (int row = 0; row < m_jobs.rowCount(); ++row)
        m_memory.remember(m_jobs.row(row), m_titleMode);
    setTitleMode(!m_titleMode);
    m_jobs.clear();
    m_audioTracks.clear();
    m_subtitleTracks.clear();

    for (LoadedIfo& entry : m_ifos)
        loadIfo(entry);
    reportReaderProblem();
    if (m_jobs.rowCount() == 0)
        return;
    for (int row = 0; row < m_jobs.rowCount(); ++row)
        m_jobs.setChecked(row, m_memory.tick(m_jobs.convertInfo(row), m_titleMode));
    m_jobs.clearSelection();
    m_jobs.setSelected(longestRow(), true);
    showSelectedTracks();
}

void DvdTitles::rowClicked()
{
    // Rows being rebuilt are no user's click.
    if (!isReading())
        showSelectedTracks();
}

void DvdTitles::showSelectedTracks()
{
    if (m_edition.isFileMode())
        return;
    const int row = m_jobs.firstSelected();
    m_audioTracks.clear();
    m_subtitleTracks.clear();
    if (row < 0 || !m_jobs.row(row).isDvd())
        return;
    const DvdRowInfo& info = m_jobs.convertInfo(row);
    for (const dvd::AudioTrack& track : info.audioTracks())
        m_audioTracks.addItem(QString::fromStdString(dvd::audioText(track)));
    m_audioTracks.setCurrentIndex(info.audioChoice);
    m_subtitleTracks.addItem(noSubtitleText());
    for (const dvd::SubtitleTrack& track : info.subtitleTracks())
        m_subtitleTracks.addItem(QString::fromStdString(dvd::subtitleText(track)));
    m_subtitleTracks.setCurrentIndex(info.subtitleChoice);
}

void DvdTitles::chooseAudio(int position)
{
    const int row = m_jobs.firstSelected();
    if (row < 0)
        return;
    m_jobs.setAudioChoice(row, position);
}

void DvdTitles::chooseSubtitle(int position)
{
    const int row = m_jobs.firstSelected();
    if (row < 0)
        return;
    m_jobs.setSubtitleChoice(row, position);
}

void DvdTitles::setAllChecked(bool checked)
{
    for (int row = 0; row < m_jobs.rowCount(); ++row)
        m_jobs.setChecked(row, checked);
}

void DvdTitles::toggleSelectedChecks()
{
    const QVector<int> rows = m_jobs.selectedRows();
    if (rows.isEmpty() || isReading())
        return;
    const bool checked = !m_jobs.row(rows.first()).checked;
    for (const int row : rows)
        m_jobs.setChecked(row, checked);
}

void DvdTitles::onRowRemoved(int, const JobRow& removed)
{
    if (!removed.isDvd())
        return;
    // A mode switch lists every title again; one the user removed comes
    // back unticked, with the tracks it had.
    JobRow unticked = removed;
    unticked.checked = false;
    m_memory.remember(unticked, m_titleMode);
}

} // namespace transcast
