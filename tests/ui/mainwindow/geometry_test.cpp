#include <cmath>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QHash>
#include <QDir>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
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
    EXPECT_EQ(window->size(), QSize(760, 530));
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

    // Back at the design size, everything is back at its place.
    window->resize(760, 530);
    EXPECT_EQ(window->jobList()->geometry(), list);
    EXPECT_EQ(object("hint"), hintLine);
}

TEST_F(Geometry, BelowTheDesignTheListAndPreviewShrinkThenTheWindowScrolls)
{
    for (const char* edition : {"transcast", "kavri", "transcast-dvd", "kavri-dvd"}) {
        SCOPED_TRACE(edition);
        open(QLatin1String(edition));
        appendCaptionRow(QStringLiteral("clip"));
        window->controller().jobs().setVisible(true);
        // Every control and skin object that shows, with its place at the
        // design size.
        QList<QWidget*> parts;
        for (QWidget* widget : window->surface()->findChildren<QWidget*>()) {
            const QWidget* parent = widget->parentWidget();
            if (widget->isVisible() && !widget->objectName().isEmpty() &&
                (parent == window->surface() || parent == window->skin().form()) &&
                widget != window->skin().form())
                parts << widget;
        }
        QList<QRect> design;
        for (QWidget* part : parts)
            design << part->geometry();

        // 50 pixels short: the list and the preview give them up, nothing
        // else changes size, nothing comes to overlap, nothing scrolls.
        window->resize(760, 480);
        QApplication::processEvents();
        EXPECT_EQ(window->size(), QSize(760, 480));
        EXPECT_FALSE(window->scrollArea()->verticalScrollBar()->isVisible());
        EXPECT_EQ(window->jobList()->height(),
                  design.at(parts.indexOf(window->jobList())).height() - 50);
        EXPECT_EQ(window->previewPanel()->height(), 90);
        for (int i = 0; i < parts.size(); ++i) {
            const QRect now = parts.at(i)->geometry();
            if (now.size() != design.at(i).size()) {
                EXPECT_EQ(now.height(), design.at(i).height() - 50)
                    << parts.at(i)->objectName().toStdString();
            }
            for (int j = 0; j < i; ++j) {
                if (!design.at(i).intersects(design.at(j))) {
                    EXPECT_FALSE(now.intersects(parts.at(j)->geometry()))
                        << parts.at(i)->objectName().toStdString() << " runs into "
                        << parts.at(j)->objectName().toStdString();
                }
            }
        }
        EXPECT_TRUE(window->surface()->rect().contains(object("hint")));
        EXPECT_EQ(window->surface()->size(), window->scrollArea()->viewport()->size());

        // Smaller than the arrangement can give: the window keeps the size
        // asked for and scrolls to what it cannot show.
        window->resize(500, 300);
        QApplication::processEvents();
        EXPECT_EQ(window->size(), QSize(500, 300));
        EXPECT_TRUE(window->scrollArea()->verticalScrollBar()->isVisible());
        EXPECT_TRUE(window->scrollArea()->horizontalScrollBar()->isVisible());
        QWidget* hintLine = window->skin().object(QStringLiteral("hint"));
        window->scrollArea()->ensureWidgetVisible(hintLine, 0, 0);
        QApplication::processEvents();
        const QRect shown(hintLine->mapTo(window->scrollArea()->viewport(), QPoint(0, 0)),
                          hintLine->size());
        const QRect view = window->scrollArea()->viewport()->rect();
        EXPECT_TRUE(view.intersects(shown) && shown.top() >= 0 && shown.bottom() <= view.bottom())
            << shown.y() << " in " << view.height();
    }
}

TEST_F(Geometry, TheWholeWindowAndItsHintLineLieInsideTheScreen)
{
    // Run under Xvfb at twice the scale on 1920x1080 and at 1x on 1366x768,
    // each with a panel taking part of the screen (see tests/CMakeLists.txt);
    // offscreen it checks an 800x600 screen.
    open();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    QTest::qWait(200);
    const QRect screen = window->screen()->availableGeometry();
    EXPECT_LE(window->minimumHeight(), screen.height());
    EXPECT_LE(window->minimumWidth(), screen.width());
    EXPECT_TRUE(screen.contains(window->frameGeometry()))
        << "window " << window->frameGeometry().width() << "x" << window->frameGeometry().height()
        << "+" << window->frameGeometry().x() << "+" << window->frameGeometry().y() << " on "
        << screen.width() << "x" << screen.height() << "+" << screen.x() << "+" << screen.y();
    QWidget* hintLine = window->skin().object(QStringLiteral("hint"));
    const QRect onScreen(hintLine->mapToGlobal(QPoint(0, 0)), hintLine->size());
    EXPECT_TRUE(screen.contains(onScreen));
    const QRect inView(hintLine->mapTo(window->scrollArea()->viewport(), QPoint(0, 0)),
                       hintLine->size());
    EXPECT_TRUE(window->scrollArea()->viewport()->rect().contains(inView)) << "cut off";
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
    window->controller().busy().setPlaying(true);
    window->updateActionLooks();
    EXPECT_TRUE(convert->property("inactive").toBool());
    QTest::mouseClick(convert, Qt::LeftButton);
    EXPECT_EQ(interaction.warnings, QStringList({"Please first stop play!"}));
    window->controller().busy().setPlaying(false);
    window->controller().busy().setConverting(true);
    window->updateActionLooks();
    EXPECT_FALSE(stop->property("inactive").toBool());
    QTest::mouseClick(stop, Qt::LeftButton);
    EXPECT_FALSE(window->controller().busy().isConverting());
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

// What a text stands on. A label's ground is flat: the colour covering
// most of it. A button's or a box's may run through a gradient: the colours
// down its left edge, inside the border, along the middle of its height.
QList<QColor> grounds(const QImage& shot, const QRect& area, bool flat)
{
    if (!flat) {
        QList<QColor> column;
        const int x = area.left() + 3 * int(shot.devicePixelRatio());
        for (int y = area.top() + area.height() / 3; y <= area.bottom() - area.height() / 3; ++y)
            column << shot.pixelColor(x, y);
        return column;
    }
    QHash<QRgb, int> counts;
    for (int y = area.top() + 2; y <= area.bottom() - 2; ++y) {
        for (int x = area.left() + 2; x <= area.right() - 2; ++x)
            ++counts[shot.pixel(x, y)];
    }
    QRgb most = 0;
    int highest = -1;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        if (it.value() > highest) {
            highest = it.value();
            most = it.key();
        }
    }
    return {QColor::fromRgb(most)};
}

QColor over(const QColor& text, const QColor& ground)
{
    const double a = text.alphaF();
    return QColor::fromRgbF(text.redF() * a + ground.redF() * (1 - a),
                            text.greenF() * a + ground.greenF() * (1 - a),
                            text.blueF() * a + ground.blueF() * (1 - a));
}

TEST_F(Geometry, EveryTextOnTheSkinMeetsTheContrastOfWcagAA)
{
    for (const char* edition : {"transcast", "kavri", "transcast-dvd", "kavri-dvd"}) {
        open(QLatin1String(edition));
        // Unable and able looks: nothing listed, a row listed and selected, converting.
        for (int step = 0; step < 3; ++step) {
            if (step == 1) {
                appendCaptionRow(QStringLiteral("clip"));
                window->controller().jobs().setVisible(true);
                window->jobList()->selectRow(0);
            }
            if (step == 2)
                window->controller().busy().setConverting(true);
            window->updateActionLooks();
            const QImage shot = window->grab().toImage();
            const qreal scale = shot.devicePixelRatio();
            for (QWidget* widget : window->surface()->findChildren<QWidget*>()) {
                QString text;
                QPalette::ColorRole role = QPalette::ButtonText;
                if (auto* label = qobject_cast<QLabel*>(widget)) {
                    text = label->text();
                    role = QPalette::WindowText;
                } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
                    text = button->text();
                } else if (auto* box = qobject_cast<QComboBox*>(widget)) {
                    text = box->currentText();
                }
                if (text.trimmed().isEmpty() || !widget->isVisible() ||
                    widget->window() != window.get())
                    continue;
                const QRect place(widget->mapTo(window.get(), QPoint(0, 0)), widget->size());
                const QRect inShot(place.topLeft() * scale, place.size() * scale);
                const QPalette::ColorGroup group =
                    widget->isEnabled() ? QPalette::Active : QPalette::Disabled;
                for (const QColor& ground : grounds(shot, inShot, role == QPalette::WindowText)) {
                    const QColor ink = over(widget->palette().color(group, role), ground);
                    EXPECT_GE(contrast(ink, ground), 4.5)
                        << edition << " step " << step << ": " << widget->objectName().toStdString()
                        << " \"" << text.toStdString() << "\" " << ink.name().toStdString()
                        << " on " << ground.name().toStdString();
                }
            }
        }
    }
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
