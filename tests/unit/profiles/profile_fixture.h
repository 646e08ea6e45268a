#pragma once

#include "profiles/profilecatalogue.h"

#include <map>
#include <memory>

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "common/inifile.h"
#include "common/textutil.h"
#include "control/controller.h"
#include "support/scriptedinteraction.h"

// A controller over a made-up profiles.pop in a temporary program folder and
// a temporary INI folder. Every group has six sizes and five bitrates unless
// a test overrides it.
class ProfileFixture : public ::testing::Test
{
protected:
    struct Group {
        QString size = QStringLiteral("176x144 320x240 480x320 640x480(VGA) 720x480 1280x720");
        QString bitrate = QStringLiteral("100 200 300 400 500");
        QString options = QStringLiteral("-vcodec mpeg4");
    };

    // A blank in the program's folder, as under "Program Files".
    QTemporaryDir programDir{QDir::tempPath() + QStringLiteral("/transcast program-XXXXXX")};
    QTemporaryDir configDir;
    std::map<int, Group> groups;
    ScriptedInteraction interaction;
    RecordingShell shell;
    std::unique_ptr<transcast::Controller> controller;

    void SetUp() override
    {
        for (int p = 15; p <= 25; ++p)
            groups[p] = audioGroup();
        groups[71] = audioGroup();
        groups[80] = audioGroup();
        for (int p = 146; p <= 148; ++p)
            groups[p] = audioGroup();
    }

    static Group audioGroup()
    {
        Group g;
        g.size = QStringLiteral("*");
        g.bitrate = QStringLiteral("*");
        g.options = QStringLiteral("-vn");
        return g;
    }

    QString definitionsPath() const { return programDir.filePath(QStringLiteral("profiles.pop")); }

    void writeDefinitions(int lastProfile = transcast::ProfileCatalogue::kLastProfile)
    {
        QFile file(definitionsPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        for (int p = 1; p <= lastProfile; ++p) {
            const Group g = groups.count(p) ? groups.at(p) : Group();
            file.write(QStringLiteral("#%1 profile\n%2\n%3\n%4\n")
                           .arg(p)
                           .arg(g.size, g.bitrate, g.options)
                           .toLatin1());
        }
    }

    // A controller of the named edition; settings loaded (first-show order).
    void start(const QString& exeName = QStringLiteral("transcast"), bool load = true)
    {
        if (!QFile::exists(definitionsPath()))
            writeDefinitions();
        controller = std::make_unique<transcast::Controller>(
            transcast::Edition(exeName, programDir.path()), interaction, shell);
        controller->estimator().setDecimalSeparator(QLatin1Char('.'));
        if (load)
            controller->loadSettings(configDir.path());
    }

    void restart(const QString& exeName = QStringLiteral("transcast"))
    {
        controller->saveSettings();
        start(exeName);
    }

    transcast::OptionBoxes& boxes() { return controller->boxes(); }

    // A selection as a click does it: the hover set selectSubIndex first.
    void select(int profile)
    {
        controller->profile().picker().selectSubIndex = profile;
        controller->profile().selectProfile(profile);
    }

    transcast::IniFile settingsIni() const
    {
        return transcast::IniFile(controller->settings().settingsPath());
    }
    transcast::IniFile profileIni() const
    {
        return transcast::IniFile(controller->settings().profileSettingsPath());
    }

    // A listed row as the add-file operation leaves it, written as the list
    // shows it ("640x480", "00:01:00"); kbit/s.
    int addRow(const QString& frameSize, const QString& duration, int video = 1000, int audio = 128)
    {
        transcast::JobRow record;
        record.caption = QStringLiteral("clip");
        transcast::SourceInfo& info = record.source;
        info.filePath = QStringLiteral("/videos/clip.avi");
        info.frameSize = transcast::FrameSize::fromText(frameSize).value_or(transcast::FrameSize());
        info.durationMs = transcast::clockToMilliseconds(duration);
        info.videoKbps = video;
        info.audioKbps = audio;
        return controller->jobs().appendRow(record);
    }

    // The row's source, as the estimate reads it.
    const transcast::SourceInfo& source(int row) const
    {
        return controller->jobs().sourceInfo(row);
    }

    QString outputSize(int row) const
    {
        return controller->jobs().subItem(row, transcast::JobList::OutputSizeColumn);
    }
};
