// profiles.pop as the program reads it: the input is the whole file, and a
// few profiles are selected through the controller, as a click on a profile
// button does (size list, bitrates, option line, remembered choices).
#include <QCoreApplication>
#include <QDir>

#include "common/edition.h"
#include "control/controller.h"
#include "fuzzinput.h"
#include "profiles/profiledefinitions.h"
#include "support/scriptedinteraction.h"

namespace
{
QString programFolder;
QString configFolder;
} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QCoreApplication app(*argc, *argv);
    programFolder = fuzz::scratchFolder("program");
    configFolder = fuzz::scratchFolder("config");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString path = QDir(programFolder).filePath(QStringLiteral("profiles.pop"));
    fuzz::writeFile(path, fuzz::bytes(data, size));

    for (const int profile : {1, 15, 112, 131, 132, 0, -1}) {
        transcast::ProfileDefinitions::Group group;
        QString error;
        if (transcast::ProfileDefinitions::readGroup(path, profile, group, error)) {
            FUZZ_CHECK(group.lines.size() <= 4);
            for (const QString& line : group.lines)
                transcast::ProfileDefinitions::splitItems(line);
        }
    }

    ScriptedInteraction interaction;
    RecordingShell shell;
    transcast::Controller controller(transcast::Edition(QStringLiteral("transcast"), programFolder),
                                     interaction, shell);
    controller.loadSettings(configFolder);
    const int chosen = size == 0 ? 1 : 1 + data[size / 2] % 131;
    controller.profile().selectProfile(chosen);
    controller.profile().selectProfile(131);
    controller.profile().outputExtension();
    return 0;
}
