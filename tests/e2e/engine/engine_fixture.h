#pragma once

#include <functional>
#include <memory>

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>

#include "control/controller.h"
#include "control/jobstatustext.h"
#include "e2e/encoder/clips.h"
#include "support/scriptedinteraction.h"

// A controller over the real build folder: the real register.dat, ffmpeg and
// profiles.pop, settings in a temporary folder, outputs in another.
class EngineFixture : public ::testing::Test
{
protected:
    QTemporaryDir configDir;
    QTemporaryDir sourceDir;
    QTemporaryDir outDir;
    ScriptedInteraction interaction;
    RecordingShell shell;
    std::unique_ptr<transcast::Controller> controller;

    void start(const QString& exeName = QStringLiteral("transcast"))
    {
        controller = std::make_unique<transcast::Controller>(
            transcast::Edition(exeName, QStringLiteral(TRANSCAST_BIN_DIR)), interaction, shell);
        controller->loadSettings(configDir.path());
        controller->preferences().setOutputFolderText(outDir.path());
    }

    void select(int profile)
    {
        controller->profile().picker().selectSubIndex = profile;
        controller->profile().selectProfile(profile);
    }

    // A clip with picture and sound in the source folder.
    QString clip(const QString& name, double seconds = 2,
                 const QString& size = QStringLiteral("320x240"))
    {
        const QString path = QDir(sourceDir.path()).filePath(name);
        EXPECT_TRUE(
            transcast::testclips::makeClip(path,
                                           transcast::testclips::pictureSource(seconds, size) +
                                               transcast::testclips::toneSource(seconds),
                                           {"-c:v", "mpeg4", "-c:a", "libmp3lame", "-shortest"}));
        return path;
    }

    static bool waitFor(const std::function<bool()>& condition, int timeoutMs = 60000)
    {
        QElapsedTimer clock;
        clock.start();
        while (!condition()) {
            if (clock.elapsed() > timeoutMs)
                return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
            QThread::msleep(5);
        }
        return true;
    }

    transcast::JobList& jobs() { return controller->jobs(); }
    QString status(int row) { return transcast::jobStatusText(jobs().row(row)); }
};
