#include "common/edition.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace transcast
{

namespace
{

QString withTrailingSeparator(QString folder)
{
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

struct OwnFormatEntry {
    const char* keyword;
    const char* filter;
    const char* word;
};

// Order matters: the first keyword the name contains wins.
constexpr OwnFormatEntry kOwnFormats[] = {
    {"avi", "AVI files (*.avi)|*.avi", "AVI"},
    {"3gp", "3GP files (*.3gp)|*.3gp;*.3gp2;*.3g2", "3GP"},
    {"psp", "PSP Video Files|*.mp4", "PSP"},
    {"mpeg", "MPEG files|*.mpeg;*.mpg;*.vob;", "MPEG"},
    {"mp4", "MP4 files (*.mp4)|*.mp4", "MP4"},
    {"mkv", "MKV files (*.mkv)|*.mkv", "MKV"},
    {"ipod", "iPod Video Files|*.mp4;*.mov;*.m4v", "iPod"},
    {"iphone", "iPhone Video Files|*.mp4;*.mov;*.m4v", "iPhone"},
    {"gphone", "GPhone Video Files|*.3gp;*.mp4;", "GPhone"},
    {"wmv", "WMV files(*.wmv)|*.wmv", "WMV"},
    {"rm", "RM files (*.rm)|*.rm", "RM"},
    {"flv", "FLV files (*.flv)|*.flv", "FLV"},
    {"hevc", "HEVC files (*.mp4;*.mkv)|*.mp4;*.mkv", "HEVC"},
};

struct DefaultProfileEntry {
    const char* keyword;
    int profile;
};

constexpr DefaultProfileEntry kDefaultProfiles[] = {
    {"avi", 102},   {"mp3", 17},  {"audio", 17}, {"3gp", 69},  {"psp", 53},
    {"mpeg", 110},  {"mp4", 118}, {"mkv", 125},  {"ipod", 27}, {"iphone", 36},
    {"gphone", 41}, {"wmv", 7},   {"rm", 6},     {"flv", 11},  {"hevc", 133},
};

} // namespace

Edition::Edition(QString exeFileName, QString exeFolder)
    : m_exeFileName(std::move(exeFileName)),
      m_exeFolder(withTrailingSeparator(std::move(exeFolder)))
{
}

Edition Edition::fromRunningProgram(const QString& argv0)
{
    QString name = QFileInfo(argv0).fileName();
    if (name.isEmpty())
        name = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    return Edition(name, QCoreApplication::applicationDirPath());
}

QString Edition::encoderPath() const
{
    return m_exeFolder + QStringLiteral("register.dat");
}

QString Edition::dataFile(const QString& relativeName) const
{
    return QDir::cleanPath(m_exeFolder + relativeName);
}

QString Edition::programTitle() const
{
    if (m_exeFileName.endsWith(QStringLiteral(".exe"), Qt::CaseInsensitive))
        return m_exeFileName.left(m_exeFileName.size() - 4);
    return m_exeFileName;
}

QString Edition::settingsFileName() const
{
    QString name = programTitle();
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0)
        name.truncate(dot);
    return name + QStringLiteral(".ini");
}

QString Edition::profileSettingsFileName() const
{
    return QStringLiteral("pro ") + settingsFileName();
}

bool Edition::contains(const QString& lowerCaseWord) const
{
    return m_exeFileName.toLower().contains(lowerCaseWord);
}

bool Edition::isFileMode() const
{
    return !contains(QStringLiteral("dvd"));
}

bool Edition::isBranded() const
{
    return contains(QStringLiteral("kavri"));
}

Edition::OwnFormat Edition::ownFormat() const
{
    for (const auto& entry : kOwnFormats) {
        if (contains(QLatin1String(entry.keyword))) {
            const QString word = QLatin1String(entry.word);
            return {QLatin1String(entry.keyword), QLatin1String(entry.filter),
                    QStringLiteral("Convert Video To ") + word,
                    QStringLiteral("Convert ") + word + QStringLiteral(" To Video")};
        }
    }
    return {};
}

QStringList Edition::directionTexts() const
{
    const OwnFormat format = ownFormat();
    if (format.keyword.isEmpty())
        return {};
    return {format.intoText, format.outOfText};
}

int Edition::defaultProfile() const
{
    for (const auto& entry : kDefaultProfiles) {
        if (contains(QLatin1String(entry.keyword)))
            return entry.profile;
    }
    return 1;
}

QString Edition::configFolder()
{
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.config");
    const QString folder = withTrailingSeparator(base + QStringLiteral("/transcast"));
    QDir().mkpath(folder);
    return folder;
}

} // namespace transcast
