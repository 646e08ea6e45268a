#include "engine/jobbuilder.h"

#include <cerrno>
#include <climits>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/preferences.h"
#include "common/edition.h"
#include "common/folderaccess.h"
#include "common/textutil.h"
#include "profiles/estimator.h"
#include "profiles/optionboxes.h"
#include "profiles/profileselector.h"
#include "profiles/qualitytexts.h"
#include "profiles/settingsstore.h"
#include "sources/joblist.h"
#include "sources/titlelocator.h"

namespace transcast
{

namespace
{

QString bitsPerSecond(qint64 kbps)
{
    return QString::number(kbps * 1000);
}

QString fileIdentity(const struct stat& entry)
{
    return QString::number(entry.st_dev) + QLatin1Char(':') + QString::number(entry.st_ino);
}

// The longest file name the folder's file system takes, in bytes.
qsizetype nameLimit(const QString& folder)
{
    const long limit = ::pathconf(QFile::encodeName(folder).constData(), _PC_NAME_MAX);
    return limit > 0 ? limit : NAME_MAX;
}

// stem + suffix, the stem cut at the end of a UTF-8 character so that the
// whole name fits `limit` bytes: a source named as long as the file system
// allows still converts when its extension grows or "_1" is needed.
QString fittedName(const QString& stem, const QString& suffix, qsizetype limit)
{
    const QByteArray bytes = QFile::encodeName(stem);
    qsizetype room = limit - QFile::encodeName(suffix).size();
    if (bytes.size() <= room || room <= 0)
        return stem + suffix;
    while (room > 0 && (static_cast<unsigned char>(bytes.at(room)) & 0xC0) == 0x80)
        --room; // a continuation byte: the character began before it
    return QFile::decodeName(bytes.left(room)) + suffix;
}

} // namespace

JobBuilder::JobBuilder(const Edition& edition, Preferences& preferences, const JobList& jobs,
                       const OptionBoxes& boxes, const ProfileSelector& profile,
                       const Estimator& estimator)
    : m_edition(edition), m_preferences(preferences), m_jobs(jobs), m_boxes(boxes),
      m_profile(profile), m_estimator(estimator)
{
}

int JobBuilder::profileNumber() const
{
    return m_profile.profileNumber();
}

JobBuilder::SizeChoice JobBuilder::sizeChoice(int row) const
{
    const int p = profileNumber();
    if (!m_boxes.size.isEnabled() || ProfileSelector::isDiscProfile(p))
        return {};
    const QString text = m_boxes.size.currentText();
    if (text.isEmpty())
        return {};
    if (text == kOriginalSize) {
        // A row whose size nobody could tell keeps its own: an empty -s
        // would swallow the option after it.
        const FrameSize own = m_jobs.sourceInfo(row).frameSize;
        if (!own.isKnown())
            return {};
        return {own.text(), double(own.width), double(own.height)};
    }
    // The profile's entry ("640x480(VGA)") names the size before its label.
    const int paren = text.indexOf(QLatin1Char('('));
    SizeChoice choice;
    choice.text = paren < 0 ? text : text.left(paren);
    const int x = choice.text.indexOf(QLatin1Char('x'));
    bool widthOk = false;
    bool heightOk = false;
    if (x >= 0) {
        choice.width = choice.text.left(x).toDouble(&widthOk);
        choice.height = choice.text.mid(x + 1).toDouble(&heightOk);
    }
    if (!widthOk || !heightOk)
        choice.width = choice.height = 0;
    return choice;
}

QString JobBuilder::sizeFragment(const SizeChoice& size)
{
    return size.text.isEmpty() ? QString() : QStringLiteral(" -s ") + size.text;
}

QString JobBuilder::aspectFragment(const SizeChoice& size)
{
    if (size.text.isEmpty() || size.height == 0)
        return QString();
    return QStringLiteral(" -aspect ") +
           formatFixed(size.width / size.height, 5, 4, QLatin1Char('.'));
}

QString JobBuilder::videoFragment(int row) const
{
    const int p = profileNumber();
    if (ProfileSelector::isDiscProfile(p))
        return QString();
    const auto& bitrateSlots = m_profile.videoBitrateSlots();
    // Sound-only profiles ask for no picture, whichever rule gives their rate.
    if (bitrateSlots[0] == QStringLiteral("*"))
        return QString();
    if (ProfileSelector::isListDriven(p)) {
        return QStringLiteral(" -r 25 -b ") +
               bitrateSlots[static_cast<size_t>(m_estimator.videoQualityIndex())] +
               QStringLiteral("000");
    }
    // The source's quality too: the estimate scales it to the output's size.
    return QStringLiteral(" -r 25 -b ") +
           bitsPerSecond(m_estimator.videoKbps(m_jobs.sourceInfo(row)));
}

double JobBuilder::audioBits(int row) const
{
    // The disc targets choose their own.
    if (ProfileSelector::isDiscProfile(profileNumber()))
        return 0;
    if (m_estimator.isNarrowBandOutput())
        return m_estimator.narrowBandKbps() * 1000;
    return double(m_estimator.askedAudioKbps(m_jobs.sourceInfo(row))) * 1000;
}

QString JobBuilder::audioFragment(double bits) const
{
    if (ProfileSelector::isDiscProfile(profileNumber()))
        return QString();
    // 12.2 kbit/s as 12200, written as a general number.
    return QStringLiteral(" -ab ") + QString::number(bits, 'g', 15);
}

QString JobBuilder::sampleRateFragment(double bits) const
{
    if (ProfileSelector::isDiscProfile(profileNumber()))
        return QString();
    return QStringLiteral(" -ar %1 ").arg(m_estimator.sampleRateFor(qint64(bits)));
}

QString JobBuilder::channelsFragment() const
{
    return m_estimator.isNarrowBandOutput() ? QStringLiteral(" -ac 1 ") : QStringLiteral(" -ac 2 ");
}

QString JobBuilder::targetFragment() const
{
    QString standard = m_boxes.size.currentText().toLower();
    if (standard.isEmpty())
        standard = QStringLiteral("pal");
    switch (profileNumber()) {
    case 112:
        return QStringLiteral(" -target ") + standard + QStringLiteral("-vcd ");
    case 113:
        return QStringLiteral(" -target ") + standard + QStringLiteral("-svcd ");
    case 114:
        return QStringLiteral(" -target ") + standard + QStringLiteral("-dvd ");
    default:
        return QString();
    }
}

QString JobBuilder::outputFolder(bool create) const
{
    QString folder = m_preferences.outputFolderText().trimmed();
    if (folder.isEmpty())
        folder = SettingsStore::defaultOutputFolder();
    // The encoder runs in the program's folder: a relative folder would be
    // checked for free names here and written there.
    folder = absoluteUserPath(folder);
    if (create && !QFileInfo(folder).isDir())
        QDir().mkpath(folder); // a failure shows as the encoder's own error
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

QString JobBuilder::outputFolderProblem(const QString& folder)
{
    const QByteArray path = QFile::encodeName(QDir::cleanPath(folder));
    // As mkdir -p does, but keeping the system's reason when it fails.
    for (qsizetype end = 1; end <= path.size(); ++end) {
        if (end < path.size() && path.at(end) != '/')
            continue;
        if (::mkdir(path.left(end).constData(), 0777) != 0 && errno != EEXIST)
            return systemErrorText(errno);
    }
    return folderWriteProblem(QDir::cleanPath(folder));
}

QString JobBuilder::replaceExtension(const QString& fileName, const QString& extension)
{
    const int dot = fileName.lastIndexOf(QLatin1Char('.'));
    return (dot < 0 ? fileName : fileName.left(dot)) + extension;
}

QString JobBuilder::freeOutputName(const QString& folder, const QString& baseName,
                                   const QString& caption) const
{
    return walkOutputNames(folder, baseName, caption, [](const QString&) { return true; });
}

QString JobBuilder::takeOutputName(const QString& folder, const QString& baseName,
                                   const QString& caption, QString& identity) const
{
    identity.clear();
    return walkOutputNames(folder, baseName, caption, [&identity](const QString& candidate) {
        const int fd = ::open(QFile::encodeName(candidate).constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0)
            return errno != EEXIST;
        struct stat entry {
        };
        if (::fstat(fd, &entry) == 0)
            identity = fileIdentity(entry);
        ::close(fd);
        return true;
    });
}

QString JobBuilder::walkOutputNames(const QString& folder, const QString& baseName,
                                    const QString& caption,
                                    const std::function<bool(const QString&)>& take) const
{
    const QString extension = m_profile.outputExtension();
    const qsizetype limit = nameLimit(folder);
    QString candidate =
        folder + fittedName(replaceExtension(baseName, QString()), extension, limit);
    // Any entry takes the name, a dangling link too: the encoder would write
    // through it.
    const auto taken = [](const QString& path) {
        const QFileInfo entry(path);
        return entry.exists() || entry.isSymLink();
    };
    for (int n = 1;; ++n) {
        if (m_reserved.contains(candidate))
            return QString();
        if (!taken(candidate) && take(candidate))
            return candidate;
        candidate =
            folder + fittedName(caption, QLatin1Char('_') + QString::number(n) + extension, limit);
    }
}

void JobBuilder::releaseOutput(const QString& path)
{
    // Only the very file made for the job, and only while it is empty: a
    // file that took the name meanwhile is someone else's.
    if (reservedFileSize(path, m_reserved.take(path)) == 0)
        ::unlink(QFile::encodeName(path).constData());
}

qint64 JobBuilder::reservedFileSize(const QString& path, const QString& identity)
{
    struct stat entry {
    };
    if (identity.isEmpty() || ::lstat(QFile::encodeName(path).constData(), &entry) != 0 ||
        !S_ISREG(entry.st_mode) || fileIdentity(entry) != identity)
        return -1;
    return entry.st_size;
}

QString JobBuilder::outputName(bool forReal, const QString& folder, const QString& baseName,
                               const QString& caption, ConversionJob& job) const
{
    return forReal ? takeOutputName(folder, baseName, caption, job.reservedOutput)
                   : freeOutputName(folder, baseName, caption);
}

ConversionJob JobBuilder::baseJob(bool forReal, QString& folder) const
{
    ConversionJob job;
    job.encoderFile = m_edition.encoderPath();
    job.encoderEnvironment = m_preferences.pictureHandling().encoderEnvironment();
    job.workFolder = m_edition.exeFolder();
    job.optionsArg = m_profile.optionLine();
    folder = outputFolder(forReal);
    if (forReal)
        m_preferences.setOutputFolder(folder);
    return job;
}

void JobBuilder::fillFragments(ConversionJob& job, int row) const
{
    const SizeChoice size = sizeChoice(row);
    job.sizeArg = sizeFragment(size);
    job.aspectArg = aspectFragment(size);
    job.videoRateArg = videoFragment(row);
    const double bits = audioBits(row);
    job.audioRateArg = audioFragment(bits);
    job.seconds = m_jobs.sourceInfo(row).seconds();
    job.sampleRateArg = sampleRateFragment(bits);
    job.channelsArg = channelsFragment();
    if (ProfileSelector::isDiscProfile(profileNumber()))
        job.optionsArg = targetFragment();
}

ConversionJob JobBuilder::fileJob(int row, bool forReal) const
{
    QString folder;
    ConversionJob job = baseJob(forReal, folder);
    const SourceInfo info = m_jobs.sourceInfo(row);
    job.input = info.filePath;
    if (m_jobs.hasRow(row))
        job.trackEnvironment = m_jobs.row(row).tracks.encoderEnvironment();
    // The fragments first: a number that is not whole throws, and must not
    // leave a name taken behind.
    fillFragments(job, row);
    job.limitArg.clear();
    job.outputFile =
        outputName(forReal, folder, QFileInfo(info.filePath).fileName(), m_jobs.caption(row), job);
    return job;
}

QString JobBuilder::titleOutputName(const JobRow& row)
{
    const QString caption = row.caption.trimmed();
    if (row.kind == JobKind::Chapter && !row.dvd.titleCaption.isEmpty())
        return row.dvd.titleCaption.trimmed() + QLatin1Char('_') + caption;
    return caption;
}

ConversionJob JobBuilder::titleJob(int row, bool forReal) const
{
    QString folder;
    ConversionJob job = baseJob(forReal, folder);
    const DvdRowInfo& info = m_jobs.convertInfo(row);
    job.input = titleLocator(info);
    // The IFO's own length, frames included: whole seconds would cut up to
    // a second off every title's and chapter's end.
    const qint64 milliseconds = info.lengthMilliseconds > 0
                                    ? info.lengthMilliseconds
                                    : (qint64(info.endTime) - info.startTime) * 1000;
    job.limitArg = QStringLiteral(" -t ") + millisecondsToClock(milliseconds);
    fillFragments(job, row);
    const QString name = QFileInfo(titleOutputName(m_jobs.row(row))).fileName();
    job.outputFile = outputName(forReal, folder, name, name, job);
    return job;
}

} // namespace transcast
