#pragma once

#include <functional>
#include <memory>

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include "support/scriptedinteraction.h"
#include "ui/mainwindow.h"

// A main window of a named edition over the real skin, data files and
// encoder, with scripted message boxes and a recording shell, its settings in
// a temporary folder.
class WindowFixture : public ::testing::Test
{
protected:
    QTemporaryDir configDir;
    QTemporaryDir mediaDir;
    ScriptedInteraction interaction;
    RecordingShell shell;
    std::unique_ptr<transcast::MainWindow> window;

    void open(const QString& name = QStringLiteral("transcast"))
    {
        if (window)
            closeWindow();
        window = std::make_unique<transcast::MainWindow>(
            transcast::Edition(name, QStringLiteral(TRANSCAST_BIN_DIR)), &interaction, &shell);
        window->setSettingsFolder(configDir.path());
        window->show();
        ASSERT_TRUE(window->firstShowCompleted());
        window->controller().preferences().setOutputFolderText(
            mediaDir.filePath(QStringLiteral("out")));
    }

    // Shows the window as the active one, so that its shortcuts answer.
    void openActive(const QString& name = QStringLiteral("transcast"))
    {
        open(name);
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }

    void closeWindow()
    {
        window->controller().busy().setConverting(false);
        window->controller().busy().setPlaying(false);
        window->close();
        window.reset();
    }

    void TearDown() override
    {
        if (window)
            closeWindow();
    }

    QString hint() { return window->skin().text(QStringLiteral("hint")); }

    // Lists a row with nothing but its caption.
    int appendCaptionRow(const QString& caption)
    {
        transcast::JobRow row;
        row.caption = caption;
        return window->controller().jobs().appendRow(row);
    }

    static bool waitFor(const std::function<bool()>& done, int timeoutMs = 60000)
    {
        QElapsedTimer clock;
        clock.start();
        while (!done() && clock.elapsed() < timeoutMs)
            QTest::qWait(20);
        return done();
    }
};
