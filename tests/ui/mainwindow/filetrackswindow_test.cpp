// The file edition's track boxes over real probed files: shown for a row
// with a choice of tracks, the choice kept per row.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QItemSelectionModel>
#include <QTableView>
#include <QTest>

#include "support/finishadd.h"
#include "support/trackclips.h"
#include "windowfixture.h"

using namespace transcast;

namespace
{

class FileTracksWindow : public WindowFixture
{
protected:
    // Clicks the row in the list as a user does.
    void clickRow(int row)
    {
        QTableView* list = window->jobList();
        const QRect cell = list->visualRect(list->model()->index(row, 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
    }

    static QStringList items(const QComboBox* box)
    {
        QStringList texts;
        for (int i = 0; i < box->count(); ++i)
            texts << box->itemText(i);
        return texts;
    }

    // Picks an entry as a user does: the box's own activation.
    static void pick(QComboBox* box, int index)
    {
        box->setCurrentIndex(index);
        emit box->activated(index);
    }
};

} // namespace

TEST_F(FileTracksWindow, ARowWithTracksShowsTheBoxesAndKeepsItsOwnChoice)
{
    const QString film = mediaDir.filePath(QStringLiteral("film.mkv"));
    const QString single = mediaDir.filePath(QStringLiteral("single.avi"));
    ASSERT_TRUE(trackclips::makeTrackFilm(film, 1));
    ASSERT_TRUE(testclips::makeMovie(single, 1, {"-c:v", "mpeg4", "-c:a", "libmp3lame"}));
    open();
    QComboBox* audio = window->audioTrackBox();
    QComboBox* subtitle = window->subtitleTrackBox();
    EXPECT_FALSE(audio->isVisible());
    EXPECT_FALSE(subtitle->isVisible());

    window->controller().sources().addChosenFiles({single, film});
    ASSERT_TRUE(transcast::testing::finishAdd(window->controller().sources()));
    ASSERT_EQ(window->controller().jobs().rowCount(), 2);
    // The first row, selected by the add, has one sound track and nothing
    // else: the window stays as it always was.
    EXPECT_FALSE(audio->isVisible());

    clickRow(1);
    ASSERT_TRUE(audio->isVisible());
    ASSERT_TRUE(subtitle->isVisible());
    EXPECT_EQ(items(audio), (QStringList{"English AAC 1ch", "French AAC 6ch"}));
    EXPECT_EQ(audio->currentIndex(), 0) << "the file's default track";
    EXPECT_EQ(items(subtitle),
              (QStringList{"No Subtitle", "English SRT (text)", "German ASS (text)"}));
    EXPECT_EQ(subtitle->currentIndex(), 0);
    EXPECT_FALSE(audio->geometry().intersects(window->jobList()->geometry()));

    pick(audio, 1);
    pick(subtitle, 2);
    clickRow(0);
    EXPECT_FALSE(audio->isVisible());
    clickRow(1);
    EXPECT_EQ(audio->currentIndex(), 1);
    EXPECT_EQ(subtitle->currentIndex(), 2);

    const JobBuilder& builder = window->controller().jobBuilder();
    EXPECT_EQ(builder.fileJob(1, false).trackEnvironment,
              (QStringList{"TRANSCAST_AUDIO_STREAM=2", "TRANSCAST_BURN_SUBTITLE=4"}));
    EXPECT_TRUE(builder.fileJob(0, false).trackEnvironment.isEmpty());
}
