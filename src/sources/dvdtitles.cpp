#include "sources/dvdtitles.h"

#include <algorithm>
#include <vector>

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
#include "dvd/tracktext.h"
#include "sources/discpath.h"
#include "sources/dvdrowbuilder.h"
#include "sources/encodertitlesets.h"
#include "sources/joblist.h"
#include "sources/opticaldrive.h"
#include "sources/sourcelist.h"

namespace transcast
{

namespace
{

// Title sets are numbered 01 to 99.
constexpr int kMaxTitleSets = 99;

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

// A list kept while chapter rows were made per cell knows a chapter of
// several cells by one of them; one of its later cells names the chapter
// when its first was not listed then (the first of them that was).
const JobRow* keptByLaterCell(const QHash<QString, const JobRow*>& kept, const DvdRowInfo& info)
{
    if (info.cellIndex < 0 || !info.titleSet || info.titleIndex < 0 ||
        info.titleIndex >= static_cast<int>(info.titleSet->titles.size()))
        return nullptr;
    for (const dvd::Chapter& chapter :
         info.titleSet->titles[static_cast<size_t>(info.titleIndex)].chapters) {
        if (chapter.firstCell != info.cellIndex)
            continue;
        DvdRowInfo cell = info;
        for (cell.cellIndex = chapter.firstCell + 1; cell.cellIndex <= chapter.lastCell;
             ++cell.cellIndex) {
            if (const JobRow* record = kept.value(DvdChoiceMemory::placeOf(cell)))
                return record;
        }
    }
    return nullptr;
}

} // namespace

DvdTitles::DvdTitles(const Edition& edition, const BusyState& busy, JobList& jobs,
                     Interaction& interaction, QObject* parent)
    : QObject(parent), m_edition(edition), m_busy(busy), m_jobs(jobs), m_interaction(interaction),
      m_titleSets(std::make_unique<EncoderTitleSets>(edition.encoderPath())),
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

void DvdTitles::beginReading(Reading kind)
{
    Q_ASSERT(!m_reading);
    m_reading = true;
    m_kind = kind;
    m_damage.clear();
    m_waiting.clear();
    m_current = -1;
    emit readingChanged(true);
}

bool DvdTitles::openDisc(const QString& path)
{
    if (BusyGuards::convertingThenPlaying(m_busy, m_interaction) || isReading())
        return false;
    const bool image = DiscPath::kind(path) == DiscPath::Kind::DiscImage;
    beginReading(image ? Reading::Image : Reading::Folder);
    startOver();
    m_discPath = path;
    m_found = false;
    if (image) {
        // Title sets are numbered without gaps: the first that cannot be
        // read ends the image's list.
        for (int set = 1; set <= kMaxTitleSets; ++set)
            m_waiting << path + QStringLiteral("/VIDEO_TS/VTS_") + twoDigits(set) +
                             QStringLiteral("_0.IFO");
    } else if (m_drive->isOpticalDrive(path)) {
        waitForDrive();
        return true;
    }
    QMetaObject::invokeMethod(this, image ? &DvdTitles::readNext : &DvdTitles::searchDisc,
                              Qt::QueuedConnection);
    return true;
}

void DvdTitles::searchDisc()
{
    QSet<QString> visited;
    m_found = QFileInfo(m_discPath).isDir() && searchFolder(m_discPath, visited);
    readNext();
}

bool DvdTitles::openIfoFiles(const QStringList& paths)
{
    if (BusyGuards::convertingThenPlaying(m_busy, m_interaction) || isReading())
        return false;
    beginReading(Reading::IfoFiles);
    startOver();
    m_waiting = paths;
    QMetaObject::invokeMethod(this, &DvdTitles::readNext, Qt::QueuedConnection);
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
    beginReading(Reading::Restore);
    startOver();
    setTitleMode(titleMode);
    // The kept choices are remembered as a mode switch remembers them, so
    // that the rows are listed with them on the way listing always goes.
    m_keptRows = rows;
    m_needed.clear();
    m_lost.clear();
    for (const JobRow& row : rows) {
        m_needed.insert(row.dvd.ifoPath);
        m_memory.remember(row, titleMode);
    }
    m_waiting = titleSets;
    QMetaObject::invokeMethod(this, &DvdTitles::readNext, Qt::QueuedConnection);
    return true;
}

void DvdTitles::waitForDrive()
{
    // The volume query blocks until the drive is ready: it runs on a thread
    // of its own, and its end comes back through the event loop. The thread
    // holds the drive, so that this object may go first; it then deletes
    // itself unheard.
    const std::shared_ptr<OpticalDrive> drive = m_drive;
    const QString path = m_discPath;
    QThread* thread = QThread::create([drive, path] { drive->waitUntilReady(path); });
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    connect(thread, &QThread::finished, this, &DvdTitles::searchDisc, Qt::QueuedConnection);
    thread->start();
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
            m_waiting << dir.filePath(name);
            found = true;
        } else if (info.isDir() && lower == QLatin1String("video_ts")) {
            if (searchFolder(info.filePath(), visited))
                return true;
        }
    }
    return found;
}

// ---- reading one title set after the other -----------------------------------------------

void DvdTitles::readNext()
{
    if (m_kind == Reading::ModeSwitch) {
        if (m_current + 1 >= m_ifos.size()) {
            endModeSwitch();
            return;
        }
        ++m_current;
    } else {
        if (m_waiting.isEmpty()) {
            if (m_kind == Reading::Restore) {
                endRestore();
            } else if (m_kind == Reading::IfoFiles) {
                reportReaderProblem();
                finishReading(true);
            } else {
                endDisc();
            }
            return;
        }
        LoadedIfo entry;
        entry.ifoPath = m_waiting.takeFirst();
        m_ifos.append(entry);
        m_current = static_cast<int>(m_ifos.size()) - 1;
    }
    m_titleSets->request(
        localPath(m_ifos[m_current].ifoPath),
        [this](const dvd::TitleSetSource::Answer& answer) { titleSetRead(answer); });
}

void DvdTitles::titleSetRead(const dvd::TitleSetSource::Answer& answer)
{
    LoadedIfo& entry = m_ifos[m_current];
    const bool read = listTitleSet(entry, answer);
    switch (m_kind) {
    case Reading::Image:
        if (read) {
            m_found = true;
        } else {
            m_ifos.removeLast();
            m_waiting.clear();
        }
        break;
    case Reading::IfoFiles:
        if (m_jobs.rowCount() == 0) {
            if (!reportReaderProblem())
                m_interaction.inform(invalidIfoText());
            finishReading(false);
            return;
        }
        finishLoad();
        break;
    case Reading::Restore:
        if (!read && m_needed.contains(entry.ifoPath))
            m_lost << entry.ifoPath + QStringLiteral(": ") +
                          (discFileExists(entry.ifoPath) ? QStringLiteral("it cannot be read")
                                                         : SourceList::goneReason());
        break;
    case Reading::Folder:
    case Reading::ModeSwitch:
        break;
    }
    readNext();
}

bool DvdTitles::listTitleSet(LoadedIfo& entry, const dvd::TitleSetSource::Answer& answer)
{
    entry.titleSet = answer.titleSet;
    if (!answer.damage.empty())
        m_damage << QString::fromStdString(answer.damage);
    if (!entry.titleSet) {
        if (m_readerProblem.isEmpty())
            m_readerProblem = QString::fromStdString(answer.readerProblem);
        return false;
    }
    std::vector<JobRow> rows =
        DvdRowBuilder::rows(entry.titleSet, entry.ifoPath, m_titleMode, m_jobs.rowCount());
    for (JobRow& row : rows) {
        m_memory.applyTracks(row);
        const int listed = m_jobs.appendRow(std::move(row));
        emit rowListed(listed);
    }
    return true;
}

void DvdTitles::endDisc()
{
    QString damage;
    if (m_kind == Reading::Image)
        damage = QString::fromStdString(dvd::discImageDamage(localPath(m_discPath)));
    // The title sets before the damage read well; the user must learn that
    // the rest are missing, not take the list for the whole disc.
    if (!damage.isEmpty())
        m_interaction.warn(damagedImageText(m_discPath, damage));
    const bool readerFailed = reportReaderProblem();
    if (!m_found || (readerFailed && m_jobs.rowCount() == 0)) {
        if (damage.isEmpty() && !readerFailed)
            m_interaction.inform(noDiscText());
        finishReading(false);
        return;
    }
    if (m_jobs.rowCount() > 0)
        finishLoad();
    finishReading(true);
}

void DvdTitles::endRestore()
{
    QHash<QString, const JobRow*> kept;
    for (const JobRow& row : m_keptRows)
        kept.insert(DvdChoiceMemory::placeOf(row.dvd), &row);
    for (int row = m_jobs.rowCount() - 1; row >= 0; --row) {
        const DvdRowInfo& info = m_jobs.convertInfo(row);
        const JobRow* record = kept.value(DvdChoiceMemory::placeOf(info));
        const JobRow* byLaterCell = record ? nullptr : keptByLaterCell(kept, info);
        if (byLaterCell) {
            record = byLaterCell;
            m_jobs.setAudioChoice(row, record->dvd.audioChoice);
            m_jobs.setSubtitleChoice(row, record->dvd.subtitleChoice);
        }
        if (!record) {
            m_jobs.removeRow(row);
            continue;
        }
        m_jobs.setChecked(row, byLaterCell ? record->checked : m_memory.tick(info, m_titleMode));
        m_jobs.setStatus(row, record->status);
        m_jobs.setJobReport(row, record->failureReason, record->notes);
    }
    m_keptRows.clear();
    if (!m_lost.isEmpty())
        m_interaction.inform((m_lost.size() == 1
                                  ? QStringLiteral("This DVD title set was not listed again:")
                                  : QStringLiteral("These %1 DVD title sets were not listed again:")
                                        .arg(m_lost.size())) +
                             QLatin1Char('\r') + m_lost.join(QLatin1Char('\r')));
    if (m_jobs.rowCount() == 0) {
        finishReading(false);
        return;
    }
    m_jobs.clearSelection();
    m_jobs.setSelected(longestRow(), true);
    showSelectedTracks();
    finishReading(true);
}

void DvdTitles::finishReading(bool listed)
{
    reportDamage();
    m_reading = false;
    m_waiting.clear();
    m_current = -1;
    emit readingChanged(false);
    emit readingFinished(listed);
}

void DvdTitles::reportDamage()
{
    // A mode switch lists the same title sets again: the user heard of
    // their damage when they were first read.
    if (!m_damage.isEmpty() && m_kind != Reading::ModeSwitch)
        m_interaction.warn(m_damage.join(QLatin1Char('\r')));
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
    beginReading(Reading::ModeSwitch);
    for (int row = 0; row < m_jobs.rowCount(); ++row)
        m_memory.remember(m_jobs.row(row), m_titleMode);
    setTitleMode(!m_titleMode);
    m_jobs.clear();
    m_audioTracks.clear();
    m_subtitleTracks.clear();
    QMetaObject::invokeMethod(this, &DvdTitles::readNext, Qt::QueuedConnection);
}

void DvdTitles::endModeSwitch()
{
    reportReaderProblem();
    if (m_jobs.rowCount() == 0) {
        finishReading(false);
        return;
    }
    for (int row = 0; row < m_jobs.rowCount(); ++row)
        m_jobs.setChecked(row, m_memory.tick(m_jobs.convertInfo(row), m_titleMode));
    m_jobs.clearSelection();
    m_jobs.setSelected(longestRow(), true);
    showSelectedTracks();
    finishReading(true);
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
