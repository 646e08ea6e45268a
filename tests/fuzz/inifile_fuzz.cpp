// The settings files as the program reads them: the input is the whole INI
// file (used for both the settings and the per-profile file); the settings
// are loaded through the controller and saved again, and a value written
// directly reads back unchanged whatever else the file holds.
#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include "common/edition.h"
#include "common/inifile.h"
#include "control/controller.h"
#include "fuzzinput.h"
#include "support/scriptedinteraction.h"

namespace
{
QString programFolder;
QString configFolder;
} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QCoreApplication app(*argc, *argv);
    programFolder = fuzz::scratchFolder("ini-program");
    configFolder = fuzz::scratchFolder("ini-config");
    // The real profile definitions, so the recorded profile selects a real
    // group.
    const QString definitions = QDir(programFolder).filePath(QStringLiteral("profiles.pop"));
    QFile::remove(definitions);
    if (!QFile::copy(QStringLiteral(TRANSCAST_SOURCE_DIR "/data/profiles.pop"), definitions))
        std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray content = fuzz::bytes(data, size);
    const transcast::Edition edition(QStringLiteral("transcast"), programFolder);
    const QDir config(configFolder);
    fuzz::writeFile(config.filePath(edition.settingsFileName()), content);
    fuzz::writeFile(config.filePath(edition.profileSettingsFileName()), content);

    {
        ScriptedInteraction interaction;
        RecordingShell shell;
        transcast::Controller controller(edition, interaction, shell);
        controller.loadSettings(configFolder);
        controller.saveSettings();
    }

    const QString scratch = config.filePath(QStringLiteral("scratch.ini"));
    fuzz::writeFile(scratch, content);
    transcast::IniFile ini(scratch);
    ini.readInteger(QStringLiteral("profiles"), QStringLiteral("selcetindex"), 7);
    ini.readBool(QStringLiteral("plane"), QStringLiteral("video"), true);
    ini.readString(QStringLiteral("output"), QStringLiteral("path"));
    const QString value = QStringLiteral("/tmp/a b/\u00e9");
    if (ini.writeString(QStringLiteral("fuzz"), QStringLiteral("key"), value))
        FUZZ_CHECK(ini.readString(QStringLiteral("fuzz"), QStringLiteral("key")) == value);
    if (ini.writeInteger(QStringLiteral("Fuzz"), QStringLiteral("Number"), -42))
        FUZZ_CHECK(ini.readInteger(QStringLiteral("fuzz"), QStringLiteral("number"), 0) == -42);
    return 0;
}
