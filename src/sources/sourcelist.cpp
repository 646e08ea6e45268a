#include "sources/sourcelist.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

#include <QDir>
#include <QFileInfo>

#include <dirent.h>

#include "common/busyguards.h"
#include "common/busystate.h"
#include "common/preferences.h"
#include "common/edition.h"
#include "common/interaction.h"
#include "common/textutil.h"
#include "sources/dvdtitles.h"
#include "sources/joblist.h"
#include "sources/probequeue.h"

namespace transcast
{

namespace
{

QString extensionOf(const QString& name)
{
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.mid(dot);
}

} // namespace

SourceList::SourceList(const Edition& edition, const BusyState& busy,
                       const Preferences& preferences, JobList& jobs, Interaction& interaction,
                       QObject* parent)
    : QObject(parent), m_edition(edition), m_busy(busy), m_preferences(preferences), m_jobs(jobs),
      m_interaction(interaction)
{
}

SourceList::~SourceList() = default;

QString SourceList::supportedFormatsFilter()
{
    return QStringLiteral(
        "All Support Format|*.avi;*.mpg;*.mpeg;*.wmv;*.asf;*.asx;*.mov;*.dat;*.qt;*.vob;*.3gp;"
        "*.3g2;*.mp4;*.m4v;*.rm;*.rmvb;*.ram;*.mkv;*.flv;*.mjpg;*.mjpeg;*.ts;*.m2ts;*.h264;*.xwmv;"
        "*.yuv"
        "|WMV Format(*.wmv;*.asf;*.asx;)|*.wmv;*.asf;*.asx"
        "|MPEG Format(*.mpg;*.mpeg;)|*.mpg;*.mpeg"
        "|AVI Format(*.avi;)|*.avi"
        "|Quick Time Format(*.qt;*.mov;)|*.qt;*.mov"
        "|VCD Format(*.dat;)|*.dat"
        "|MP4 Format(*.mp4;*.m4v;*.m4a)|*.mp4;*.m4v;*.m4a"
        "|DVD Format(*.vob)|*.vob"
        "|3GP Format(*.3gp)|*.3gp"
        "|RM Format(*.rm;*.rmvb;*.ram;)|*.rm;*.rmvb;*.ram"
        "|FLV Format(*.flv;)|*.flv"
        "|All File(*.*)|*.*");
}

QStringList SourceList::folderExtensions()
{
    return {QStringLiteral(".avi"),  QStringLiteral(".mpg"), QStringLiteral(".vob"),
            QStringLiteral(".mpeg"), QStringLiteral(".3gp"), QStringLiteral(".mp4"),
            QStringLiteral(".flv"),  QStringLiteral(".rm"),  QStringLiteral(".m4v"),
            QStringLiteral(".rmvb"), QStringLiteral(".wmv"), QStringLiteral(".asf"),
            QStringLiteral(".qt"),   QStringLiteral(".asx")};
}

QString SourceList::displayName(const QString& path)
{
    const QString name = QFileInfo(path).fileName();
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? name : name.left(dot);
}

SourceList::FolderListing SourceList::listFolder(const QString& folder)
{
    FolderListing listing;
    // Read with the system's own calls: Qt's listing turns bytes that are no
    // UTF-8 into replacement characters, naming files that do not exist.
    DIR* directory = opendir(QFile::encodeName(folder).constData());
    if (directory == nullptr) {
        listing.readable = false;
        listing.error = QString::fromLocal8Bit(std::strerror(errno));
        return listing;
    }
    errno = 0;
    while (const dirent* entry = readdir(directory)) {
        const QByteArray raw(entry->d_name);
        if (raw == "." || raw == "..")
            continue;
        const QString name = QFile::decodeName(raw);
        if (QFile::encodeName(name) == raw)
            listing.names << name;
        else
            listing.undecodable << escapedFileName(raw);
        errno = 0;
    }
    if (errno != 0) {
        listing.readable = false;
        listing.error = QString::fromLocal8Bit(std::strerror(errno));
    }
    closedir(directory);
    std::sort(listing.names.begin(), listing.names.end(), [](const QString& a, const QString& b) {
        const int folded = QString::compare(a.toUpper(), b.toUpper());
        return folded != 0 ? folded < 0 : a < b;
    });
    listing.undecodable.sort();
    return listing;
}

void SourceList::reportProblem(const QString& text)
{
    ++m_problems;
    m_interaction.error(text);
}

bool SourceList::refusedWhileConverting()
{
    return BusyGuards::converting(m_busy, m_interaction);
}

void SourceList::selectFirstIfNoneSelected()
{
    if (m_jobs.rowCount() > 0 && m_jobs.firstSelected() < 0)
        m_jobs.setSelected(0, true);
}

void SourceList::addFiles()
{
    if (refusedWhileConverting() || isAdding())
        return;
    const QStringList files = m_preferences.intoOwnFormat()
                                  ? m_interaction.chooseFiles(supportedFormatsFilter(), true)
                                  : m_interaction.chooseFiles(m_ownFormatFilter, false);
    if (files.isEmpty()) {
        selectFirstIfNoneSelected();
        return;
    }
    m_jobs.setVisible(true);
    addFilesInOrder(files);
}

void SourceList::addChosenFiles(const QStringList& paths)
{
    if (refusedWhileConverting() || isAdding() || paths.isEmpty())
        return;
    m_jobs.setVisible(true);
    // Files between folders are probed together; each folder in its place.
    QStringList files;
    for (const QString& path : paths) {
        if (!QFileInfo(absoluteUserPath(path)).isDir()) {
            files << path;
            continue;
        }
        enqueue({QString(), files, {}});
        files.clear();
        enqueue({path, {}, {}});
    }
    enqueue({QString(), files, {}});
}

void SourceList::addFolder()
{
    if (refusedWhileConverting() || isAdding())
        return;
    const QString folder = m_interaction.chooseFolder(QStringLiteral("File Directory"));
    if (folder.isEmpty())
        return;
    addFolderContents(folder);
}

bool SourceList::keptByFolderScan(const QString& name) const
{
    const QString extension = extensionOf(name).toLower();
    if (extension.isEmpty())
        return false;
    if (m_preferences.intoOwnFormat())
        return folderExtensions().contains(extension);
    return m_ownFormatFilter.contains(extension);
}

void SourceList::addFolderContents(const QString& folder)
{
    m_jobs.setVisible(true);
    enqueue({folder, {}, {}});
}

QStringList SourceList::folderFiles(const QString& folder)
{
    const FolderListing listing = listFolder(folder);
    if (!listing.readable)
        reportProblem(QStringLiteral("Cannot read the folder %1: %2").arg(folder, listing.error));
    QStringList leftOut;
    for (const QString& name : listing.undecodable) {
        if (keptByFolderScan(name))
            leftOut << name;
    }
    if (!leftOut.isEmpty())
        reportProblem(QStringLiteral("These file names in %1 are not valid UTF-8 and were "
                                     "left out: %2")
                          .arg(folder, leftOut.join(QStringLiteral(", "))));
    QStringList files;
    for (const QString& name : listing.names) {
        const QString path = QDir(folder).filePath(name);
        // A folder named like a video ("x.avi") is no video.
        if (keptByFolderScan(name) && !QFileInfo(path).isDir())
            files << path;
    }
    return files;
}

void SourceList::addFilesInOrder(const QStringList& paths)
{
    enqueue({QString(), paths, {}});
}

void SourceList::enqueue(AddStep step)
{
    if (step.folder.isEmpty() && step.files.isEmpty())
        return;
    // Made absolute now: the current folder may change before its turn.
    if (!step.folder.isEmpty())
        step.folder = absoluteUserPath(step.folder);
    for (QString& path : step.files)
        path = absoluteUserPath(path);
    m_steps.push_back(std::move(step));
    if (isAdding())
        return; // the add under way takes it in its turn
    m_adding = 1;
    emit addingChanged(true);
    m_encoderFailed = false;
    m_problems = 0;
    // From the event loop, so that the caller has returned before the first
    // step runs (a folder's problems may open a message box).
    QMetaObject::invokeMethod(this, &SourceList::runNextStep, Qt::QueuedConnection);
}

void SourceList::runNextStep()
{
    while (!m_steps.empty()) {
        AddStep step = std::move(m_steps.front());
        m_steps.pop_front();
        if (m_encoderFailed)
            continue;
        const QStringList files = step.folder.isEmpty() ? step.files : folderFiles(step.folder);
        if (files.isEmpty())
            continue;
        probeFiles(files, step.kept);
        return; // on with the next step when the probes have ended
    }
    m_adding = 0;
    selectFirstIfNoneSelected();
    emit addingChanged(false);
    emit addEnded();
}

void SourceList::probeFiles(const QStringList& paths, const QVector<JobRow>& kept)
{
    m_queue = std::make_unique<ProbeQueue>(m_edition.encoderPath(), m_edition.exeFolder());
    connect(m_queue.get(), &ProbeQueue::delivered, this,
            [this, kept, next = std::make_shared<int>(0)](const ProbeQueue::Outcome& outcome) {
                // Delivered in the order given: the n-th outcome is the n-th path's.
                const int at = (*next)++;
                const JobRow* row = at < kept.size() ? &kept.at(at) : nullptr;
                delivered(outcome.path, outcome.result, outcome.failureReason, outcome.startError,
                          row);
            });
    connect(m_queue.get(), &ProbeQueue::finished, this, [this] {
        // The queue is still in its own signal: it goes from the event loop.
        m_queue.release()->deleteLater();
        runNextStep();
    });
    m_queue->start(paths, m_probeWidth);
}

void SourceList::delivered(const QString& path, const ProbeResult& result,
                           const QString& failureReason, const QString& startError,
                           const JobRow* kept)
{
    if (m_encoderFailed)
        return;
    // Every file would fail alike: said once, and the add stops.
    if (!startError.isEmpty()) {
        m_encoderFailed = true;
        reportProblem(startError);
        return;
    }
    if (!addProbedFile(path, result)) {
        emit fileSkipped(path, failureReason);
        return;
    }
    if (kept == nullptr)
        return;
    m_jobs.changeRow(m_jobs.rowCount() - 1, [kept](JobRow& record) {
        record.checked = kept->checked;
        record.status = kept->status;
        record.failureReason = kept->failureReason;
        record.notes = kept->notes;
    });
}

void SourceList::restoreRows(const QVector<JobRow>& rows)
{
    if (refusedWhileConverting() || isAdding() || rows.isEmpty())
        return;
    m_jobs.setVisible(true);
    AddStep step;
    for (const JobRow& row : rows) {
        const QString path = absoluteUserPath(row.source.filePath);
        if (!QFileInfo::exists(path)) {
            emit fileSkipped(path, goneReason());
            continue;
        }
        step.files << path;
        step.kept << row;
    }
    if (step.files.isEmpty()) {
        // Nothing to probe: the add ends as one would.
        selectFirstIfNoneSelected();
        emit addEnded();
        return;
    }
    enqueue(std::move(step));
}

bool SourceList::addProbedFile(const QString& path, const ProbeResult& probed)
{
    if (!probed.overallKbps)
        return false;
    const int overall = *probed.overallKbps;
    // A share derived from an overall rate below the other stream's own (a
    // container that rounds down, a wrong duration) is none, never negative:
    // a negative rate would fail the job ("-b -8000") and the estimate.
    const int video = probed.videoKbps   ? *probed.videoKbps
                      : probed.audioKbps ? qMax(0, overall - *probed.audioKbps)
                                         : overall;
    int audio = probed.audioKbps ? *probed.audioKbps : qMax(0, overall - video);
    if (audio == 0)
        audio = 128;

    JobRow record;
    record.caption = displayName(path);
    SourceInfo& info = record.source;
    info.filePath = path;
    info.frameSize = probed.frameSize.value_or(FrameSize{320, 240});
    info.videoKbps = video;
    info.audioKbps = audio;
    info.durationMs = probed.durationMs;
    record.tracks = probed.tracks;
    emit rowListed(m_jobs.appendRow(std::move(record)));
    return true;
}

bool SourceList::isBusy() const
{
    // A disc being read appends rows as it goes: the list is not the user's
    // to change until it is done.
    return isAdding() || (m_discReader && m_discReader->isReading());
}

void SourceList::removeSelected()
{
    if (BusyGuards::playingThenConverting(m_busy, m_interaction) || isBusy())
        return;
    if (m_jobs.firstSelected() < 0)
        return;
    const int steps = m_jobs.rowCount();
    int index = 0;
    int lastRemoved = -1;
    for (int step = 0; step < steps; ++step) {
        if (!m_jobs.hasRow(index))
            break;
        if (!m_jobs.isSelected(index)) {
            ++index;
            continue;
        }
        m_jobs.removeRow(index);
        lastRemoved = index;
    }
    if (m_jobs.rowCount() > 0)
        m_jobs.setSelected(std::min(lastRemoved, m_jobs.rowCount() - 1), true);
}

void SourceList::clear()
{
    if (BusyGuards::playingThenConverting(m_busy, m_interaction) || isBusy())
        return;
    if (m_jobs.rowCount() == 0)
        return;
    if (m_interaction.confirm(QStringLiteral("Are you sure to remove all the files from filelist?\r"
                                             "Not delete from your computer.")))
        m_jobs.clear();
}

} // namespace transcast
