#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QLineEdit>
#include <QMimeData>
#include <QProcess>
#include <QTableView>
#include <QUrl>

#include "windowfixture.h"

using namespace transcast;

namespace
{

class HintsAndDrops : public WindowFixture
{
protected:
    QString hintOver(QWidget* control)
    {
        // Somewhere else first, so a stale hint would show.
        emit window->skin().moved(QStringLiteral("converter"));
        QTest::mouseMove(control, control->rect().center());
        return hint();
    }

    // Drags `paths` onto the window and drops them; whether the drag was
    // accepted.
    bool drop(const QStringList& paths)
    {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString& path : paths)
            urls << QUrl::fromLocalFile(path);
        data.setUrls(urls);
        QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(window.get(), &enter);
        QDropEvent dropped(QPointF(100, 100), Qt::CopyAction, &data, Qt::LeftButton,
                           Qt::NoModifier);
        QApplication::sendEvent(window.get(), &dropped);
        return enter.isAccepted();
    }

    QString touch(const QString& name)
    {
        const QString path = mediaDir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        return path;
    }
};

} // namespace

TEST_F(HintsAndDrops, EachOptionBoxShowsItsCaptionsSentence)
{
    open(QStringLiteral("Sample.exe"));
    EXPECT_EQ(hintOver(window->sizeBox()),
              "Click the video size combobox to change the width and height of the video output.");
    EXPECT_EQ(hintOver(window->videoQualityBox()),
              "Click the video quality combobox to change the quality of the video output.");
    EXPECT_EQ(hintOver(window->audioQualityBox()),
              "Click the audio quality combobox to change the audio quality of the video output.");
    EXPECT_EQ(hintOver(window->directionBox()),
              "Click the Channels combobox to choose the audio output whether stereo or not.");
    // The other controls over the skin show the welcome line, not a stale one.
    EXPECT_EQ(hintOver(window->outputFolderEdit()), "Welcome to use Sample.");
    EXPECT_EQ(hintOver(window->previewPanel()), "Welcome to use Sample.");

    open(QStringLiteral("Sample-dvd.exe"));
    EXPECT_EQ(hintOver(window->audioTrackBox()), "Click the audio combobox to change channels.");
    EXPECT_EQ(hintOver(window->subtitleTrackBox()),
              "Click the subtitle combobox to change the subtitles.");
    EXPECT_EQ(hintOver(window->sizeBox()),
              "Click the video size combobox to change the width and height of the video output.");
}

TEST_F(HintsAndDrops, DvdEditionRefusesFilesAndTakesDiscs)
{
    open(QStringLiteral("transcast-dvd"));
    const QString video = touch(QStringLiteral("clip.avi"));
    // A drag of files only is refused outright: no drop, nothing listed.
    EXPECT_FALSE(drop({video}));
    EXPECT_EQ(window->controller().jobs().rowCount(), 0);
    EXPECT_TRUE(interaction.warnings.isEmpty());

    // Discs reach the title discovery, files dropped beside them are still
    // refused.
    ASSERT_TRUE(QDir(mediaDir.path()).mkpath(QStringLiteral("Movie/VIDEO_TS")));
    const QString ifo = touch(QStringLiteral("VTS_01_0.IFO"));
    const QString image = touch(QStringLiteral("disc.iso"));
    interaction.warnings.clear();
    window->controller().busy().setConverting(true);
    EXPECT_TRUE(drop({mediaDir.filePath(QStringLiteral("Movie")), ifo, image, video}));
    EXPECT_EQ(window->controller().jobs().rowCount(), 0);
    // The discs, read together, meet the reading guard once; then one
    // refusal names the file.
    ASSERT_EQ(interaction.warnings.size(), 2);
    EXPECT_EQ(interaction.warnings.first(), QStringLiteral("Please first stop convert!"));
    EXPECT_TRUE(interaction.warnings.last().contains(QStringLiteral("clip.avi")));

    // Over the list the same: the list leaves the drag to the window.
    window->controller().jobs().setVisible(true);
    QWidget* viewport = window->jobList()->viewport();
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(video)});
    QDragEnterEvent overList(QPoint(20, 20), Qt::CopyAction, &files, Qt::LeftButton,
                             Qt::NoModifier);
    QApplication::sendEvent(viewport, &overList);
    EXPECT_FALSE(overList.isAccepted());

    // The same through the command line's path.
    interaction.warnings.clear();
    window->openSources({video});
    EXPECT_EQ(interaction.warnings.size(), 1);
    EXPECT_EQ(window->controller().jobs().rowCount(), 0);
}

TEST_F(HintsAndDrops, ProgramAnswersHelpAndReportsUnknownOptions)
{
    const QString program = QStringLiteral(TRANSCAST_BIN_DIR "/transcast-dvd");
    QProcessEnvironment bare = QProcessEnvironment::systemEnvironment();
    bare.remove(QStringLiteral("DISPLAY"));
    bare.remove(QStringLiteral("WAYLAND_DISPLAY"));
    bare.remove(QStringLiteral("QT_QPA_PLATFORM"));
    // Neither needs a display.
    QProcess help;
    help.setProcessEnvironment(bare);
    help.start(program, {QStringLiteral("--help")});
    ASSERT_TRUE(help.waitForFinished(30000));
    EXPECT_EQ(help.exitCode(), 0);
    const QString usage = QString::fromLocal8Bit(help.readAllStandardOutput());
    EXPECT_TRUE(usage.startsWith(QStringLiteral("Usage: transcast-dvd "))) << usage.toStdString();
    EXPECT_TRUE(usage.contains(QStringLiteral("--quit-after")));

    QProcess wrong;
    wrong.setProcessEnvironment(bare);
    wrong.setProcessChannelMode(QProcess::SeparateChannels);
    wrong.start(program, {QStringLiteral("clip.avi"), QStringLiteral("--bogus")});
    ASSERT_TRUE(wrong.waitForFinished(30000));
    EXPECT_EQ(wrong.exitCode(), 2);
    EXPECT_TRUE(QString::fromLocal8Bit(wrong.readAllStandardError())
                    .contains(QStringLiteral("Unknown option \"--bogus\"")));
}
