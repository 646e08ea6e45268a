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
#include "common/controllerstate.h"
#include "common/edition.h"
#include "common/interaction.h"
#include "common/textutil.h"
#include "dvd/dvdreadifolibrary.h"
#include "dvd/ifolibrary.h"
#include "profiles/estimator.h"
#include "sources/joblist.h"
#include "sources/opticaldrive.h"
#include "sources/sourcelist.h"

namespace transcast
{

namespace
{

// Title sets are numbered 01 to 99.
constexpr int kMaxTitleSets = 99;
// A title or cell shorter than this many sectors (2 MB) is a menu still or
// a filler, not something to convert.
constexpr qint32 kMinimumSectors = 1000;

// Counts nested readings and tells when the first begins and the last ends.
class ReadingScope
{
public:
    ReadingScope(int& count, std::function<void(bool)> changed)
        : m_count(count), m_changed(std::move(changed))
    {
        if (m_count++ == 0)
            m_changed(true);
    }
    ~ReadingScope()
    {
        if (--m_count == 0)
            m_changed(false);
    }

private:
    int& m_count;
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

QString streamId(const QString& description)
{
    return QString::fromStdString(dvd::streamIdOf(description.toStdString()));
}

} // namespace

DvdTitles::DvdTitles(const Edition& edition, ControllerState& state, JobList& jobs,
                     Estimator& estimator, Interaction& interaction, QObject* parent)
    : QObject(parent), m_edition(edition), m_state(state), m_jobs(jobs), m_estimator(estimator),
      m_interaction(interaction), m_library(std::make_unique<dvd::DvdReadIfoLibrary>()),
      m_drive(std::make_unique<OpticalDrive>())
{
    connect(&m_audioTracks, &OptionBox::chosen, this, &DvdTitles::chooseAudio);
    connect(&m_subtitleTracks, &OptionBox::chosen, this, &DvdTitles::chooseSubtitle);
    connect(&m_jobs, &JobList::rowRemoved, this, &DvdTitles::onRowRemoved);
}

DvdTitles::~DvdTitles() = default;

void DvdTitles::setIfoLibrary(std::unique_ptr<dvd::IfoLibrary> library)
{
    m_library = std::move(library);
}

void DvdTitles::setOpticalDrive(std::unique_ptr<OpticalDrive> drive)
{
    m_drive = std::move(drive);
}

QString DvdTitles::titleCaption(int position)
{
    return QStringLiteral("Title_") + twoDigits(position);
}

QString DvdTitles::chapterCaption(int cellNumber)
{
    return QStringLiteral("  Chapter_") + twoDigits(cellNumber);
}

bool DvdTitles::isDiscImage(const QString& path)
{
    const QFileInfo info(path);
    return info.isFile() && info.suffix().compare(QLatin1String("iso"), Qt::CaseInsensitive) == 0;
}

// ---- the user's actions ------------------------------------------------------------------

void DvdTitles::addDvd()
{
    if (BusyGuards::convertingThenPlaying(m_state, m_interaction) || isReading())
        return;
    const QString chosen = m_interaction.chooseFolderOrImage(folderCaption(), imagePatterns());
    if (chosen.isEmpty())
        return;
    openDisc(chosen);
}

void DvdTitles::addIfo()
{
    if (BusyGuards::convertingThenPlaying(m_state, m_interaction) || isReading())
        return;
    const QStringList files = m_interaction.chooseFiles(ifoFilter(), false);
    if (files.isEmpty())
        return;
    openIfoFiles(files);
}

void DvdTitles::startOver()
{
    m_ifos.clear();
    m_ifoCount = 0;
    m_cells.clear();
    m_cellCount = 0;
    m_audioChoice.clear();
    m_subtitleChoice.clear();
    m_titleChecks.reset();
    m_chapterChecks.reset();
    m_jobs.clear();
    m_jobs.ConvertInfos.clear();
    m_audioTracks.clear();
    m_subtitleTracks.clear();
    m_jobs.setVisible(true);
}

bool DvdTitles::openDisc(const QString& path)
{
    if (BusyGuards::convertingThenPlaying(m_state, m_interaction) || isReading())
        return false;
    ReadingScope reading(m_reading, [this](bool on) { emit readingChanged(on); });
    startOver();
    bool found = false;
    if (isDiscImage(path)) {
        found = searchImage(path);
    } else {
        if (m_drive->isOpticalDrive(path))
            waitForDrive(path);
        QSet<QString> visited;
        found = QFileInfo(path).isDir() && searchFolder(path, visited);
    }
    if (!found) {
        m_interaction.inform(noDiscText());
        return false;
    }
    if (m_jobs.rowCount() > 0)
        finishLoad();
    return true;
}

bool DvdTitles::openIfoFiles(const QStringList& paths)
{
    if (BusyGuards::convertingThenPlaying(m_state, m_interaction) || isReading())
        return false;
    ReadingScope reading(m_reading, [this](bool on) { emit readingChanged(on); });
    startOver();
    for (const QString& path : paths) {
        TIFOSelint entry;
        entry.IfoPath = path;
        m_ifos.append(entry);
        ++m_ifoCount;
        loadIfo(m_ifos.last());
        if (m_jobs.rowCount() == 0) {
            m_interaction.inform(invalidIfoText());
            return false;
        }
        finishLoad();
    }
    return true;
}

bool DvdTitles::openDropped(const QStringList& paths)
{
    if (paths.isEmpty())
        return false;
    const bool allIfo = std::all_of(paths.cbegin(), paths.cend(), [](const QString& path) {
        return QFileInfo(path).suffix().compare(QLatin1String("ifo"), Qt::CaseInsensitive) == 0;
    });
    if (allIfo)
        return openIfoFiles(paths);
    return openDisc(paths.first());
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
    // Without an application object (a disc listed on the command line)
    // there are no events to handle.
    while (waiting->load() && QCoreApplication::instance() != nullptr)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    thread->wait();
    delete thread;
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
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        const QString lower = name.toLower();
        const QFileInfo info(dir.filePath(name));
        if (!info.isDir() && lower.endsWith(QLatin1String(".ifo")) &&
            lower != QLatin1String("video_ts.ifo")) {
            TIFOSelint entry;
            entry.IfoPath = dir.filePath(name);
            m_ifos.append(entry);
            ++m_ifoCount;
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
        TIFOSelint entry;
        entry.IfoPath =
            image + QStringLiteral("/VIDEO_TS/VTS_") + twoDigits(set) + QStringLiteral("_0.IFO");
        m_ifos.append(entry);
        ++m_ifoCount;
        if (!loadIfo(m_ifos.last())) {
            m_ifos.removeLast();
            --m_ifoCount;
            break;
        }
        found = true;
        QCoreApplication::processEvents();
    }
    return found;
}

// ---- reading one title set ---------------------------------------------------------------

int DvdTitles::appendRow(const QString& caption, const TConvertInfo& info, const QString& frameSize)
{
    const int row = m_jobs.appendRow(caption);
    m_jobs.ConvertInfos.resize(m_jobs.rowCount());
    m_jobs.ConvertInfos[row] = info;
    m_jobs.OriginalInfos.resize(m_jobs.rowCount());
    Toriginalinfo& original = m_jobs.OriginalInfos[row];
    original = Toriginalinfo();
    original.FrameSize = frameSize;
    original.Duration = SecondsToClock(info.Length);
    growChoices();

    m_jobs.setSubItem(row, JobList::FrameSizeColumn, frameSize);
    m_jobs.setSubItem(row, JobList::TimeColumn, original.Duration);
    m_state.CurrentRow = row;
    try {
        m_jobs.setSubItem(row, JobList::OutputSizeColumn,
                          m_estimator.sizeText(m_estimator.totalKbps(row), info.Length));
    } catch (const InvalidInteger& bad) {
        if (!m_sizeErrorShown)
            m_interaction.error(bad.message());
        m_sizeErrorShown = true;
    }
    m_jobs.setSubItem(row, JobList::StatusColumn, QStringLiteral("Ready"));
    return row;
}

bool DvdTitles::loadIfo(TIFOSelint& entry)
{
    dvd::IfoLibrary& library = *m_library;
    const std::int32_t handle = library.ifoOpen(localPath(entry.IfoPath), 0);
    if (handle == 0)
        return false;
    const int titles = library.ifoGetNumPGCI(handle);
    entry.FirstRow = m_jobs.rowCount();
    entry.AudioCount = library.ifoGetNumAudio(handle);
    entry.AudioDescs.clear();
    for (int i = 0; i < entry.AudioCount; ++i)
        entry.AudioDescs << QString::fromStdString(library.ifoGetAudioDesc(handle, i));
    entry.SubtitleCount = library.ifoGetNumSubPic(handle);
    entry.SubtitleDescs.clear();
    for (int i = 0; i < entry.SubtitleCount; ++i)
        entry.SubtitleDescs << QString::fromStdString(library.ifoGetSubPicDesc(handle, i));
    const QString audioId =
        entry.AudioDescs.isEmpty() ? QStringLiteral("0") : streamId(entry.AudioDescs.first());
    const bool titleMode = m_state.TitleMode;

    for (int title = 0; title < titles; ++title) {
        dvd::TitleTime time;
        const int cellCount = std::max(0, library.ifoGetPGCIInfo(handle, title, &time));
        std::vector<dvd::CellRecord> cells(static_cast<size_t>(cellCount));
        const int filled =
            cellCount > 0 ? library.ifoGetPGCICells(handle, title, cells.data(), cellCount) : 0;
        cells.resize(static_cast<size_t>(std::clamp(filled, 0, cellCount)));

        const qint64 length = time.totalSeconds();
        if (length == 0 || cells.empty())
            continue;
        TConvertInfo info;
        info.AudioId = audioId;
        info.SubtitleId = QStringLiteral("0");
        info.StartPos = cells.front().startPos;
        info.EndPos = cells.back().endPos;
        if (qint64(info.EndPos) - info.StartPos < kMinimumSectors)
            continue;
        info.IfoPath = entry.IfoPath;
        info.Length = length;
        info.StartTime = 0;
        info.EndTime = static_cast<qint32>(length);

        const QString frameSize =
            QString::fromStdString(dvd::frameSizeWord(library.ifoGetVideoDesc(handle)));
        const int row = appendRow(titleCaption(m_jobs.rowCount() + 1), info, frameSize);
        TCellEntry titleEntry;
        titleEntry.IsTitle = true;
        if (titleMode) {
            m_cells.append(titleEntry);
            ++m_cellCount;
        } else {
            m_cells.resize(m_jobs.rowCount());
            m_cells[row] = titleEntry;
        }

        qint32 elapsed = 0;
        for (size_t j = 0; j < cells.size(); ++j) {
            const dvd::CellRecord& cell = cells[j];
            const qint32 cellLength = static_cast<qint32>(cell.totalSeconds());
            TCellEntry cellEntry{cell.startPos, cell.endPos, elapsed, elapsed + cellLength, false};
            if (titleMode) {
                m_cells.append(cellEntry);
                ++m_cellCount;
            } else if (cellLength > 0 && qint64(cell.endPos) - cell.startPos >= kMinimumSectors) {
                TConvertInfo chapter;
                chapter.AudioId = audioId;
                chapter.SubtitleId = QStringLiteral("0");
                chapter.StartPos = cell.startPos;
                chapter.EndPos = cell.endPos;
                chapter.IfoPath = entry.IfoPath;
                chapter.Length = cellLength;
                chapter.StartTime = elapsed;
                chapter.EndTime = elapsed + cellLength;
                const QString chapterSize =
                    QString::fromStdString(dvd::frameSizeWord(library.ifoGetVideoDesc(handle)));
                const int chapterRow =
                    appendRow(chapterCaption(static_cast<int>(j) + 1), chapter, chapterSize);
                m_cells.resize(m_jobs.rowCount());
                m_cells[chapterRow] = cellEntry;
            }
            elapsed += cellLength;
        }
        QCoreApplication::processEvents();
    }
    entry.EndRow = m_jobs.rowCount();
    library.ifoClose(handle);
    return true;
}

void DvdTitles::growChoices()
{
    m_audioChoice.resize(m_jobs.rowCount());
    m_subtitleChoice.resize(m_jobs.rowCount());
}

void DvdTitles::finishLoad()
{
    currentChecks() = QVector<bool>(m_jobs.rowCount(), true);
    for (int row = 0; row < m_jobs.rowCount(); ++row)
        m_jobs.setChecked(row, true);
    m_jobs.clearSelection();
    m_jobs.setSelected(longestRow(), true);
    handleRowClick();
}

int DvdTitles::longestRow() const
{
    int longest = 0;
    qint64 most = 0;
    for (int row = 0; row < m_jobs.rowCount(); ++row) {
        const TConvertInfo info = m_jobs.ConvertInfos.value(row);
        const qint64 span = qint64(info.EndPos) - info.StartPos;
        if (span > most) {
            most = span;
            longest = row;
        }
    }
    return longest;
}

// ---- mode switch, clicks, ticks and tracks -----------------------------------------------

std::optional<QVector<bool>>& DvdTitles::currentChecks()
{
    return m_state.TitleMode ? m_titleChecks : m_chapterChecks;
}

void DvdTitles::keepChecks()
{
    QVector<bool> checks(m_jobs.rowCount());
    for (int row = 0; row < m_jobs.rowCount(); ++row)
        checks[row] = m_jobs.row(row).checked;
    currentChecks() = checks;
}

void DvdTitles::switchMode()
{
    if (BusyGuards::playingThenConverting(m_state, m_interaction) || isReading())
        return;
    ReadingScope reading(m_reading, [this](bool on) { emit readingChanged(on); });
    if (m_jobs.rowCount() > 0)
        keepChecks();
    m_state.TitleMode = !m_state.TitleMode;
    m_jobs.clear();
    m_cells.clear();
    m_cellCount = 0;
    m_audioChoice.clear();
    m_subtitleChoice.clear();
    m_audioTracks.clear();
    m_subtitleTracks.clear();

    const int inUse = m_ifoCount;
    m_ifoCount = 0;
    for (int i = 0; i < inUse && i < m_ifos.size(); ++i) {
        ++m_ifoCount;
        loadIfo(m_ifos[i]);
    }
    if (m_jobs.rowCount() == 0)
        return;
    std::optional<QVector<bool>>& checks = currentChecks();
    if (!checks)
        checks = QVector<bool>(m_jobs.rowCount(), true);
    for (int row = 0; row < m_jobs.rowCount(); ++row)
        m_jobs.setChecked(row, checks->value(row, true));
    m_jobs.clearSelection();
    m_jobs.setSelected(longestRow(), true);
    handleRowClick();
}

const TIFOSelint* DvdTitles::ifoOfRow(int row) const
{
    const TIFOSelint* found = nullptr;
    for (int i = 0; i < m_ifoCount && i < m_ifos.size(); ++i) {
        if (m_ifos[i].FirstRow <= row && row <= m_ifos[i].EndRow)
            found = &m_ifos[i];
    }
    return found;
}

void DvdTitles::rowClicked()
{
    // Rows being rebuilt are no user's click.
    if (!isReading())
        handleRowClick();
}

void DvdTitles::handleRowClick()
{
    if (m_jobs.rowCount() == 0 || m_state.Converting || m_edition.IsFileMode())
        return;
    keepChecks();
    const int row = m_jobs.firstSelected();
    if (row < 0)
        return;
    const TIFOSelint* ifo = ifoOfRow(row);
    if (!ifo)
        return;
    growChoices();
    m_audioTracks.clear();
    for (const QString& description : ifo->AudioDescs)
        m_audioTracks.addItem(description);
    m_audioTracks.setCurrentIndex(m_audioChoice.value(row));
    m_subtitleTracks.clear();
    m_subtitleTracks.addItem(noSubtitleText());
    for (const QString& description : ifo->SubtitleDescs)
        m_subtitleTracks.addItem(description);
    m_subtitleTracks.setCurrentIndex(m_subtitleChoice.value(row));
}

void DvdTitles::chooseAudio(int position)
{
    const int row = m_jobs.firstSelected();
    if (row < 0 || !m_jobs.hasRow(row) || position < 0 || position >= m_audioTracks.count())
        return;
    growChoices();
    m_audioChoice[row] = position;
    if (row < m_jobs.ConvertInfos.size())
        m_jobs.ConvertInfos[row].AudioId = streamId(m_audioTracks.itemText(position));
}

void DvdTitles::chooseSubtitle(int position)
{
    const int row = m_jobs.firstSelected();
    if (row < 0 || !m_jobs.hasRow(row) || position < 0 || position >= m_subtitleTracks.count())
        return;
    growChoices();
    m_subtitleChoice[row] = position;
    if (row < m_jobs.ConvertInfos.size())
        m_jobs.ConvertInfos[row].SubtitleId =
            position == 0 ? QStringLiteral("0") : streamId(m_subtitleTracks.itemText(position));
}

void DvdTitles::setAllChecked(bool checked)
{
    for (int row = 0; row < m_jobs.rowCount(); ++row)
        m_jobs.setChecked(row, checked);
    currentChecks() = QVector<bool>(m_jobs.rowCount(), checked);
}

void DvdTitles::onRowRemoved(int row)
{
    // Removing a DVD row takes its choices and tick with it; the title sets'
    // row ranges close up behind it.
    if (row < m_audioChoice.size())
        m_audioChoice.remove(row);
    if (row < m_subtitleChoice.size())
        m_subtitleChoice.remove(row);
    std::optional<QVector<bool>>& checks = currentChecks();
    if (checks && row < checks->size())
        checks->remove(row);
    if (!m_state.TitleMode && row < m_cells.size())
        m_cells.remove(row);
    for (TIFOSelint& ifo : m_ifos) {
        if (ifo.FirstRow > row)
            --ifo.FirstRow;
        if (ifo.EndRow > row)
            --ifo.EndRow;
    }
}

} // namespace transcast
