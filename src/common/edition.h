#pragma once

#include <QString>
#include <QStringList>

namespace transcast
{

// Everything the executable's own file name decides. One executable serves
// several editions: a copy or a link named transcast-dvd is the DVD edition,
// one named transcast-mp4 the MP4 edition, and so on. All tests are plain
// substring tests on the lower-cased name.
class Edition
{
public:
    // An edition's conversion into and out of its own format.
    struct OwnFormat {
        QString keyword;   // "avi", "3gp", ...; empty when the name has none
        QString filter;    // open-dialog filter, "Description|*.a;*.b"
        QString intoText;  // "Convert Video To AVI"
        QString outOfText; // "Convert AVI To Video"
    };

    Edition(QString exeFileName, QString exeFolder);

    // The running program: the name it was started as (argv[0]'s last part,
    // so that a link keeps its own name) and the folder of the executable.
    static Edition fromRunningProgram(const QString& argv0);

    const QString& exeFileName() const { return m_exeFileName; }
    // With a trailing separator.
    const QString& exeFolder() const { return m_exeFolder; }
    QString encoderPath() const;
    // A data file beside the executable, by its relative name with "/".
    QString dataFile(const QString& relativeName) const;

    // The name without a trailing ".exe" (any letter case).
    QString programTitle() const;
    // "transcast.ini" / "pro transcast.ini" for transcast, "conv.ini" and
    // "pro conv.ini" for conv.exe.
    QString settingsFileName() const;
    QString profileSettingsFileName() const;

    bool isFileMode() const;
    bool isDvdMode() const { return !isFileMode(); }
    bool isBranded() const;
    bool contains(const QString& lowerCaseWord) const;

    OwnFormat ownFormat() const;
    QStringList directionTexts() const;
    // Profile number the edition opens on when nothing is recorded.
    int defaultProfile() const;

    // Folder holding both INI files: $XDG_CONFIG_HOME/transcast/ or
    // ~/.config/transcast/, with a trailing separator. Created when missing.
    static QString configFolder();

private:
    QString m_exeFileName;
    QString m_exeFolder;
};

} // namespace transcast
