// The DVD edition's window over discs authored with dvdauthor.
#include <memory>

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QMenu>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include "support/scriptedinteraction.h"
#include "support/testdiscs.h"
#include "ui/joblistmodel.h"
#include "ui/mainwindow.h"

using namespace transcast;

namespace
{

class DvdWindow : public ::testing::Test
{
protected:
    const testdiscs::TestDiscs& discs = testdiscs::testDiscs();
    QTemporaryDir configDir;
    ScriptedInteraction interaction;
    RecordingShell shell;
    std::unique_ptr<MainWindow> window;

    void SetUp() override
    {
        ASSERT_TRUE(discs.ok) << discs.error;
        window = std::make_unique<MainWindow>(
            Edition(QStringLiteral("transcast-dvd"), QStringLiteral(TRANSCAST_BIN_DIR)),
            &interaction, &shell);
        window->setSettingsFolder(configDir.path());
        window->show();
        ASSERT_TRUE(window->firstShowCompleted());
    }
    void TearDown() override
    {
        window->controller().state().Converting = false;
        window->controller().state().Playing = false;
        window->close();
    }

    static QString q(const std::string& text) { return QString::fromStdString(text); }
    QAbstractItemModel* model() { return window->jobList()->model(); }
    QStringList captions()
    {
        QStringList list;
        for (int row = 0; row < model()->rowCount(); ++row)
            list << model()->index(row, 0).data().toString();
        return list;
    }
    QVector<bool> ticks()
    {
        QVector<bool> list;
        for (int row = 0; row < model()->rowCount(); ++row)
            list << (model()->index(row, 0).data(Qt::CheckStateRole).toInt() == Qt::Checked);
        return list;
    }
    QStringList items(QComboBox* box)
    {
        QStringList list;
        for (int i = 0; i < box->count(); ++i)
            list << box->itemText(i);
        return list;
    }
    void clickRow(int row)
    {
        QTableView* list = window->jobList();
        const QRect cell = list->visualRect(model()->index(row, 2));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
    }
    void triggerDvdMenu(const QString& text)
    {
        for (QAction* action : window->dvdMenu()->actions()) {
            if (QString(action->text()).remove(QLatin1Char('&')) == text)
                action->trigger();
        }
    }
};

} // namespace

TEST_F(DvdWindow, AddDvdListsTitlesWithTicksAndTracks)
{
    interaction.folderChoices.push_back(q(discs.disc));
    window->dispatch(QStringLiteral("dvdopen"));
    EXPECT_EQ(interaction.folderCaptions, QStringList{QStringLiteral("Select DVD Directory")});
    ASSERT_TRUE(window->jobList()->isVisible());
    EXPECT_TRUE(window->jobList()->isEnabled());
    EXPECT_EQ(model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Title"));
    EXPECT_EQ(captions(), (QStringList{"Title_01", "Title_02", "Title_03", "Title_04"}));
    EXPECT_EQ(ticks(), QVector<bool>(4, true));
    EXPECT_EQ(model()->index(0, 4).data().toString(), QStringLiteral("Ready"));

    QComboBox* audio = window->audioTrackBox();
    QComboBox* subtitle = window->subtitleTrackBox();
    EXPECT_TRUE(audio->isVisible());
    EXPECT_EQ(audio->count(), 2);
    EXPECT_EQ(items(subtitle).value(0), QStringLiteral("No Subtitle"));
    EXPECT_EQ(subtitle->count(), 2);

    // Title set 2 has one audio track and no subtitle.
    clickRow(1);
    EXPECT_EQ(audio->count(), 1);
    EXPECT_EQ(items(subtitle), QStringList{QStringLiteral("No Subtitle")});

    // A pick in the box is the selected row's.
    clickRow(0);
    emit audio->activated(1);
    EXPECT_EQ(window->controller().jobs().convertInfo(0).AudioId, QStringLiteral("0x81"));
    clickRow(1);
    clickRow(0);
    EXPECT_EQ(audio->currentIndex(), 1);
}

TEST_F(DvdWindow, ChapterModeAndTheMenuKeepTheirTicks)
{
    interaction.folderChoices.push_back(q(discs.disc));
    window->dispatch(QStringLiteral("dvdopen"));
    triggerDvdMenu(QStringLiteral("Unselect ALL"));
    EXPECT_EQ(ticks(), QVector<bool>(4, false));
    model()->setData(model()->index(2, 0), Qt::Checked, Qt::CheckStateRole);
    clickRow(2);

    window->dispatch(QStringLiteral("chapter"));
    EXPECT_EQ(captions().mid(0, 5), (QStringList{"Title_01", "  Chapter_01", "  Chapter_02",
                                                 "  Chapter_03", "Title_05"}));
    EXPECT_EQ(ticks(), QVector<bool>(model()->rowCount(), true));
    window->dispatch(QStringLiteral("cutter"));
    EXPECT_EQ(interaction.warnings, QStringList{QStringLiteral("Please change title mode!")});

    window->dispatch(QStringLiteral("chapter"));
    EXPECT_EQ(ticks(), (QVector<bool>{false, false, true, false}));
    triggerDvdMenu(QStringLiteral("Select All"));
    EXPECT_EQ(ticks(), QVector<bool>(4, true));
}

TEST_F(DvdWindow, AddIfoAndDropsOpenDiscs)
{
    interaction.fileChoices.push_back({q(discs.ifo(3))});
    window->dispatch(QStringLiteral("ifoopen"));
    EXPECT_EQ(captions(), (QStringList{"Title_01", "Title_02"}));

    // A dropped (or named) image opens as a disc.
    window->openSources({q(discs.iso)});
    EXPECT_EQ(captions(), (QStringList{"Title_01", "Title_02", "Title_03", "Title_04"}));

    window->controller().state().Converting = true;
    window->controller().state().Playing = true;
    window->dispatch(QStringLiteral("dvdopen"));
    window->dispatch(QStringLiteral("ifoopen"));
    window->dispatch(QStringLiteral("chapter"));
    window->dispatch(QStringLiteral("cutter"));
    EXPECT_EQ(interaction.warnings,
              (QStringList{"Please first stop convert!", "Please first stop convert!",
                           "Please first stop play!", "Please first stop play!"}));
}
