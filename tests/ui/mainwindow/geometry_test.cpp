#include <cmath>

#include <QAbstractItemView>
#include <QDir>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QScreen>
#include <QTableView>

#include "common/inifile.h"
#include "ui/elidingcombobox.h"
#include "ui/navigation/navigation.h"
#include "ui/windowplacement.h"
#include "windowfixture.h"

using namespace transcast;

namespace
{

class Geometry : public WindowFixture
{
protected:
    QRect object(const char* name)
    {
        return window->skin().object(QLatin1String(name))->geometry();
    }
    QRect available() { return QGuiApplication::primaryScreen()->availableGeometry(); }
    IniFile settings() { return IniFile(QDir(configDir.path()).filePath("transcast.ini")); }
};

// WCAG relative luminance and contrast ratio.
double luminance(const QColor& color)
{
    auto channel = [](double c) {
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(color.redF()) + 0.7152 * channel(color.greenF()) +
           0.0722 * channel(color.blueF());
}

double contrast(const QColor& a, const QColor& b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

} // namespace

TEST_F(Geometry, GrowingWindowGrowsTheListAndKeepsTheRightColumnsWidth)
{
    open();
    EXPECT_EQ(window->minimumSize(), QSize(760, 530));
    const QRect list = window->jobList()->geometry();
    const QRect size = window->sizeBox()->geometry();
    const QRect preview = window->previewPanel()->geometry();
    const QRect bar = window->progressBar()->geometry();
    const QRect converter = object("converter");
    const QRect hintLine = object("hint");
    const QRect playButton = object("play");
    const QRect remove = object("remove");

    window->resize(760 + 240, 530 + 170);
    EXPECT_EQ(window->jobList()->geometry(), list.adjusted(0, 0, 240, 170));
    EXPECT_EQ(window->sizeBox()->geometry(), size.translated(240, 0));
    EXPECT_EQ(window->previewPanel()->geometry(), preview.adjusted(240, 0, 240, 170));
    EXPECT_EQ(window->progressBar()->geometry(), bar.adjusted(0, 170, 240, 170));
    EXPECT_EQ(object("converter"), converter.translated(240, 0));
    EXPECT_EQ(object("hint"), hintLine.adjusted(0, 170, 240, 170));
    EXPECT_EQ(object("play"), playButton.translated(240, 170));
    EXPECT_EQ(object("remove"), remove.translated(0, 170));
    // The card behind the list still frames it, the options card the boxes.
    EXPECT_TRUE(object("deco_listcard").contains(window->jobList()->geometry()));
    EXPECT_TRUE(object("deco_optionscard").contains(window->sizeBox()->geometry()));
    EXPECT_TRUE(object("deco_previewcard").contains(window->previewPanel()->geometry()));
    // The file name column takes the room.
    window->jobList()->show();
    EXPECT_GT(window->jobList()->horizontalHeader()->sectionSize(0), 150 + 200);

    // Never smaller than the design.
    window->resize(500, 300);
    EXPECT_EQ(window->size(), QSize(760, 530));
    EXPECT_EQ(window->jobList()->geometry(), list);
}

TEST_F(Geometry, BrandedDvdLayoutKeepsItsBottomRowTogether)
{
    open(QStringLiteral("kavri-dvd"));
    const QRect profiles = object("profiles");
    const QRect icon = window->navigation().iconPanel()->geometry();
    const QRect track = window->audioTrackBox()->geometry();
    window->resize(900, 650);
    EXPECT_EQ(object("profiles"), profiles.translated(0, 120));
    EXPECT_EQ(window->navigation().iconPanel()->geometry(), icon.translated(0, 120));
    EXPECT_EQ(window->audioTrackBox()->geometry(), track.translated(0, 120));
    EXPECT_EQ(object("remove").top(), 76);
}

TEST_F(Geometry, SizeAndPlaceComeBackOntoAVisibleScreen)
{
    open();
    const QRect screen = available();
    const QRect wanted(screen.left() + 10, screen.top() + 20, 770, 540);
    window->setGeometry(wanted);
    closeWindow();
    EXPECT_EQ(settings().readInteger("window", "width", 0), 770);
    open();
    EXPECT_EQ(window->geometry(), wanted);
    closeWindow();

    // Saved far off every screen: the same size, pulled onto the screen.
    IniFile ini = settings();
    ini.writeInteger("window", "left", screen.right() + 3000);
    ini.writeInteger("window", "top", -2000);
    open();
    EXPECT_EQ(window->size(), QSize(770, 540));
    EXPECT_TRUE(screen.contains(window->geometry())) << window->geometry().x();
}

TEST(WindowPlacement, PutsTheWindowWhereItsTitleCanBeGrabbed)
{
    const QRect primary(0, 0, 1920, 1080);
    const QRect second(1920, 0, 1280, 1024);
    const QSize minimum(760, 530);
    // Where it was, on either screen.
    EXPECT_EQ(WindowPlacement::visiblePlacement({100, 80, 900, 600}, {primary, second}, minimum),
              QRect(100, 80, 900, 600));
    EXPECT_EQ(WindowPlacement::visiblePlacement({2000, 50, 800, 600}, {primary, second}, minimum),
              QRect(2000, 50, 800, 600));
    // The second screen is gone: back onto the primary, as near as can be.
    EXPECT_EQ(WindowPlacement::visiblePlacement({2000, 50, 800, 600}, {primary}, minimum),
              QRect(1120, 50, 800, 600));
    // Its title bar above the screen's top.
    EXPECT_EQ(WindowPlacement::visiblePlacement({100, -300, 800, 600}, {primary}, minimum),
              QRect(100, 0, 800, 600));
    // Larger than the screen now, or smaller than the design.
    EXPECT_EQ(WindowPlacement::visiblePlacement({0, 0, 2500, 1400}, {primary}, minimum),
              QRect(0, 0, 1920, 1080));
    EXPECT_EQ(WindowPlacement::visiblePlacement({10, 10, 100, 100}, {primary}, minimum),
              QRect(10, 10, 760, 530));
    EXPECT_TRUE(WindowPlacement::visiblePlacement({}, {primary}, minimum).isNull());
}

TEST_F(Geometry, ConvertAndStopLookUnableButStillAnswer)
{
    open();
    QWidget* convert = window->skin().object(QStringLiteral("converter"));
    QWidget* stop = window->skin().object(QStringLiteral("stopconverter"));
    EXPECT_TRUE(convert->property("inactive").toBool());
    EXPECT_TRUE(stop->property("inactive").toBool());
    // The look is drawn: the unable Convert is not the able one.
    const QImage unable = convert->grab().toImage();
    transcast::JobRow clip;
    clip.caption = QStringLiteral("clip");
    window->controller().jobs().appendRow(clip);
    EXPECT_FALSE(convert->property("inactive").toBool());
    EXPECT_NE(convert->grab().toImage(), unable);
    EXPECT_TRUE(stop->property("inactive").toBool());

    // Unable or not, a click still runs the action with its refusal.
    state().Playing = true;
    window->updateActionLooks();
    EXPECT_TRUE(convert->property("inactive").toBool());
    QTest::mouseClick(convert, Qt::LeftButton);
    EXPECT_EQ(interaction.warnings, QStringList({"Please first stop play!"}));
    state().Playing = false;
    state().Converting = true;
    window->updateActionLooks();
    EXPECT_FALSE(stop->property("inactive").toBool());
    QTest::mouseClick(stop, Qt::LeftButton);
    EXPECT_FALSE(state().Converting);
    EXPECT_TRUE(stop->property("inactive").toBool());
}

TEST_F(Geometry, MenuButtonsDropTheirHoverWhenTheMenuCloses)
{
    open();
    for (const char* name : {"file", "help"}) {
        QWidget* button = window->skin().object(QLatin1String(name));
        button->setAttribute(Qt::WA_UnderMouse, true);
        window->dispatch(QLatin1String(name));
        QMenu* menu =
            QLatin1String(name) == QLatin1String("file") ? window->fileMenu() : window->helpMenu();
        ASSERT_TRUE(menu->isVisible());
        QCursor::setPos(window->mapToGlobal(QPoint(300, 300)));
        menu->close();
        EXPECT_FALSE(button->underMouse()) << name;
    }
}

TEST_F(Geometry, EmptyListPlaceholderIsReadable)
{
    open();
    auto* text =
        qobject_cast<QLabel*>(window->skin().object(QStringLiteral("deco_emptytext_file")));
    ASSERT_NE(text, nullptr);
    ASSERT_TRUE(text->isVisible());
    const QImage shot = window->grab().toImage();
    const QColor card = shot.pixelColor(text->geometry().topLeft() + QPoint(1, 1));
    EXPECT_GE(contrast(text->palette().color(QPalette::WindowText), card), 4.5)
        << card.name().toStdString();
}

TEST_F(Geometry, NoTextIsCutOff)
{
    open();
    // Headers fit their captions.
    QHeaderView* header = window->jobList()->horizontalHeader();
    window->jobList()->show();
    QFont captionFont = header->font();
    captionFont.setBold(true);
    captionFont.setPixelSize(11);
    const QFontMetrics metrics(captionFont);
    for (int column = 1; column < 5; ++column) {
        const QString caption = header->model()->headerData(column, Qt::Horizontal).toString();
        // The caption and the section's padding of 6 on either side.
        EXPECT_GE(header->sectionSize(column), metrics.horizontalAdvance(caption) + 12)
            << caption.toStdString();
    }

    // A quality text wider than its box ends in "…", shows whole in the
    // tooltip, and the popup fits the longest entry.
    auto* quality = qobject_cast<ElidingComboBox*>(window->videoQualityBox());
    ASSERT_NE(quality, nullptr);
    int longest = -1;
    for (int i = 0; i < quality->count(); ++i) {
        if (longest < 0 || quality->itemText(i).size() > quality->itemText(longest).size())
            longest = i;
    }
    ASSERT_GE(longest, 0);
    quality->setCurrentIndex(longest);
    const QString whole = quality->currentText();
    if (quality->fontMetrics().horizontalAdvance(whole) > quality->width() - 20) {
        EXPECT_TRUE(quality->shownText().endsWith(QChar(0x2026))) << whole.toStdString();
        EXPECT_EQ(quality->fullTextTip(), whole);
    }
    quality->showPopup();
    EXPECT_GE(quality->view()->width(), quality->view()->fontMetrics().horizontalAdvance(whole));
    quality->hidePopup();

    // The profile box elides a long name, keeps it whole for the program,
    // and shows it as the box's tooltip.
    auto* name = window->skin().label(QStringLiteral("profilestext"));
    const QString longName =
        QStringLiteral("A very long profile name for a small box(*.extension)");
    window->skin().setText(QStringLiteral("profilestext"), longName);
    EXPECT_EQ(window->skin().text(QStringLiteral("profilestext")), longName);
    EXPECT_TRUE(name->text().endsWith(QChar(0x2026)));
    EXPECT_EQ(window->skin().object(QStringLiteral("profiles"))->toolTip(), longName);
    window->skin().setText(QStringLiteral("profilestext"), QStringLiteral("AVI(*.avi)"));
    EXPECT_EQ(name->text(), QStringLiteral("AVI(*.avi)"));
    EXPECT_EQ(window->skin().object(QStringLiteral("profiles"))->toolTip(),
              QStringLiteral("Choose the output profile"));
}
