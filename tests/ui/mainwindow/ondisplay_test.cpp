// The window on real display servers: under Xvfb with a window manager
// (tests/xvfb/openbox.sh), the place the X server and the window manager
// give the window and its frame, and the pointer moved by the server; in a
// Wayland compositor (tests/xvfb/weston.sh), what its output shows. Elsewhere
// (offscreen) these tests skip.
#include <utility>

#include <QDir>
#include <QFile>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QWindow>
#include <QtMath>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include "common/inifile.h"
#include "control/joblistkeeper.h"
#include "sources/joblistfile.h"
#include "windowfixture.h"

using namespace transcast;

namespace
{

xcb_connection_t* xConnection()
{
    const auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

xcb_window_t xRoot()
{
    return xcb_setup_roots_iterator(xcb_get_setup(xConnection())).data->root;
}

// The 32-bit values of a window's property; empty when it has none.
QList<quint32> xCardinals(xcb_window_t window, const char* name)
{
    xcb_connection_t* x = xConnection();
    xcb_intern_atom_reply_t* atom =
        xcb_intern_atom_reply(x, xcb_intern_atom(x, 1, uint16_t(qstrlen(name)), name), nullptr);
    QList<quint32> values;
    if (!atom || atom->atom == XCB_ATOM_NONE) {
        free(atom);
        return values;
    }
    xcb_get_property_reply_t* property = xcb_get_property_reply(
        x, xcb_get_property(x, 0, window, atom->atom, XCB_ATOM_ANY, 0, 64), nullptr);
    if (property && property->format == 32) {
        const auto* data = static_cast<const quint32*>(xcb_get_property_value(property));
        for (int i = 0; i < xcb_get_property_value_length(property) / 4; ++i)
            values << data[i];
    }
    free(property);
    free(atom);
    return values;
}

bool windowManagerRuns()
{
    return xConnection() && !xCardinals(xRoot(), "_NET_SUPPORTING_WM_CHECK").isEmpty();
}

// What the window manager keeps free of panels, in the server's pixels.
QRect xFreeArea()
{
    const QList<quint32> area = xCardinals(xRoot(), "_NET_WORKAREA");
    return area.size() >= 4 ? QRect(int(area[0]), int(area[1]), int(area[2]), int(area[3]))
                            : QRect();
}

// A top-level window's area on the X screen and, once the window manager has
// framed it, its frame, in the server's pixels: what the user sees, whatever
// Qt's rounding to its own pixels at a scale makes of it.
struct XPlace {
    QRect client;
    QRect frame;
    bool framed = false;
};

XPlace xPlace(const QWidget& window)
{
    xcb_connection_t* x = xConnection();
    const auto id = xcb_window_t(window.winId());
    XPlace place;
    xcb_get_geometry_reply_t* geometry =
        xcb_get_geometry_reply(x, xcb_get_geometry(x, id), nullptr);
    xcb_translate_coordinates_reply_t* origin = xcb_translate_coordinates_reply(
        x, xcb_translate_coordinates(x, id, xRoot(), 0, 0), nullptr);
    if (geometry && origin)
        place.client = QRect(origin->dst_x, origin->dst_y, geometry->width, geometry->height);
    free(geometry);
    free(origin);
    const QList<quint32> extents = xCardinals(id, "_NET_FRAME_EXTENTS");
    place.framed = extents.size() == 4 && extents[2] > 0;
    if (place.framed)
        place.frame = place.client.adjusted(-int(extents[0]), -int(extents[2]), int(extents[1]),
                                            int(extents[3]));
    return place;
}

std::string describe(const QRect& r)
{
    return QStringLiteral("%1x%2+%3+%4")
        .arg(r.width())
        .arg(r.height())
        .arg(r.x())
        .arg(r.y())
        .toStdString();
}

// Whether `patch` shows in `shot` with its top-left corner at `at`, each
// colour within a little of it.
bool showsAt(const QImage& shot, const QImage& patch, const QPoint& at)
{
    if (!shot.rect().contains(QRect(at, patch.size())))
        return false;
    auto near = [](QRgb a, QRgb b) {
        return qAbs(qRed(a) - qRed(b)) <= 16 && qAbs(qGreen(a) - qGreen(b)) <= 16 &&
               qAbs(qBlue(a) - qBlue(b)) <= 16;
    };
    for (int row = 0; row < patch.height(); ++row) {
        const auto* a = reinterpret_cast<const QRgb*>(shot.constScanLine(at.y() + row)) + at.x();
        const auto* b = reinterpret_cast<const QRgb*>(patch.constScanLine(row));
        for (int column = 0; column < patch.width(); ++column) {
            if (!near(a[column], b[column]))
                return false;
        }
    }
    return true;
}

// Where `patch` first shows in `shot`, or (-1, -1). Both are RGB32.
QPoint find(const QImage& shot, const QImage& patch)
{
    for (int y = 0; y + patch.height() <= shot.height(); ++y) {
        for (int x = 0; x + patch.width() <= shot.width(); ++x) {
            if (showsAt(shot, patch, {x, y}))
                return {x, y};
        }
    }
    return {-1, -1};
}

class OnDisplay : public WindowFixture
{
protected:
    // The scroll area shows a scroll bar wherever the window is smaller
    // than what it holds, and the bars lie inside the window.
    void expectScrollBarsWhereNeeded()
    {
        QApplication::processEvents();
        const QScrollArea* area = window->scrollArea();
        const QSize holds = window->surface()->size();
        const QSize shows = area->viewport()->size();
        EXPECT_EQ(area->horizontalScrollBar()->isVisible(), holds.width() > shows.width());
        EXPECT_EQ(area->verticalScrollBar()->isVisible(), holds.height() > shows.height());
        for (const QScrollBar* bar : {area->horizontalScrollBar(), area->verticalScrollBar()}) {
            if (bar->isVisible()) {
                EXPECT_TRUE(window->rect().contains(
                    QRect(bar->mapTo(window.get(), QPoint(0, 0)), bar->size())));
            }
        }
    }
};

} // namespace

TEST_F(OnDisplay, TheFramedWindowFitsTheFreeAreaAndScrollsWhatDoesNot)
{
    if (!windowManagerRuns())
        GTEST_SKIP() << "needs an X server with a window manager (tests/xvfb/openbox.sh)";
    open();
    const QRect free = xFreeArea();
    ASSERT_TRUE(free.isValid());
    XPlace place;
    auto fits = [&] {
        place = xPlace(*window);
        return place.framed && free.contains(place.frame);
    };
    const auto report = [&] {
        return "frame " + describe(place.frame) + " (window " + describe(place.client) +
               ") on the free area " + describe(free);
    };
    EXPECT_TRUE(waitFor(fits, 5000)) << report();
    // Once framed and fitted, nothing moves it out again.
    QTest::qWait(300);
    EXPECT_TRUE(fits()) << report();

    // As large as the design, or as the free area allows, give or take the
    // rounding to Qt's own pixels at a scale.
    const qreal scale = window->devicePixelRatioF();
    const QSize design = QSize(760, 530) * scale;
    const QSize frame = place.frame.size() - place.client.size();
    const int slack = qCeil(4 * scale);
    if (design.width() + frame.width() <= free.width())
        EXPECT_NEAR(place.client.width(), design.width(), 1) << report();
    else
        EXPECT_GE(place.frame.width(), free.width() - slack) << report();
    if (design.height() + frame.height() <= free.height())
        EXPECT_NEAR(place.client.height(), design.height(), 1) << report();
    else
        EXPECT_GE(place.frame.height(), free.height() - slack) << report();
    // A window that fits goes where the window manager puts it (openbox.sh
    // centres new windows), not into a corner of the program's choosing.
    if (free.size().expandedTo(design + frame) == free.size())
        EXPECT_NEAR(place.frame.center().x(), free.center().x(), 1) << report();
    expectScrollBarsWhereNeeded();

    // A place kept from a run that knew no frame: in the screen's corner
    // and larger than the screen. The frame pushes it out no more.
    closeWindow();
    IniFile settings(QDir(configDir.path()).filePath(QStringLiteral("transcast.ini")));
    for (const char* key : {"left", "top"})
        settings.writeInteger(QStringLiteral("window"), QLatin1String(key), 0);
    for (const char* key : {"width", "height"})
        settings.writeInteger(QStringLiteral("window"), QLatin1String(key), 3000);
    open();
    EXPECT_TRUE(waitFor(fits, 5000)) << report();
    QTest::qWait(300);
    EXPECT_TRUE(fits()) << report();
    expectScrollBarsWhereNeeded();
}

// The start's boxes over a window the window manager has just placed: the
// question about the list of a window that died, and the warning about a
// kept list that cannot be read.
TEST_F(OnDisplay, TheRestoreQuestionAndTheUnreadableListWarningOpenCentred)
{
    if (!windowManagerRuns())
        GTEST_SKIP() << "needs an X server with a window manager (tests/xvfb/openbox.sh)";
    // What a window that died left: one job.
    JobRow row;
    row.caption = QStringLiteral("clip");
    row.source.filePath = mediaDir.filePath(QStringLiteral("clip.avi"));
    const QString list =
        JobListKeeper::pathBeside(QDir(configDir.path()).filePath("transcast.ini"));
    const std::pair<QByteArray, QString> kepts[] = {
        {JobListFile::encode({}, {JobListFile::encodeRow(row)}),
         QStringLiteral("did not close normally")},
        {QByteArray("{\"format\": \"transcast job list\", \"ver"),
         QStringLiteral("could not be read")},
    };
    for (const auto& [content, said] : kepts) {
        SCOPED_TRACE(said.toStdString());
        QFile kept(list);
        ASSERT_TRUE(kept.open(QIODevice::WriteOnly | QIODevice::Truncate));
        kept.write(content);
        kept.close();

        // The desktop's own message boxes.
        window = std::make_unique<MainWindow>(
            Edition(QStringLiteral("transcast"), QStringLiteral(TRANSCAST_BIN_DIR)), nullptr,
            &shell);
        window->setSettingsFolder(configDir.path());
        QString asked;
        XPlace box, over, seen, seenOver;
        QElapsedTimer clock, still;
        clock.start();
        still.start();
        QTimer look;
        look.setInterval(20);
        QObject::connect(&look, &QTimer::timeout, [&] {
            auto* question = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!question || !question->isVisible())
                return;
            // Measured once the window manager has framed both and left them
            // where they are for a while: on a busy machine it may frame the
            // box where it was mapped and only then move it over the window.
            const XPlace now = xPlace(*question);
            const XPlace nowOver = xPlace(*window);
            if (now.frame != seen.frame || nowOver.frame != seenOver.frame)
                still.restart();
            const bool settled = now.framed && nowOver.framed && still.elapsed() >= 400;
            seen = now;
            seenOver = nowOver;
            if (!settled && clock.elapsed() < 10000)
                return;
            box = now;
            over = xPlace(*window);
            asked = question->text();
            if (QAbstractButton* no = question->button(QMessageBox::No))
                no->click();
            else
                question->button(QMessageBox::Ok)->click();
        });
        look.start();
        window->show();
        ASSERT_TRUE(waitFor([&] { return !asked.isEmpty(); }, 20000));
        look.stop();
        EXPECT_TRUE(asked.contains(said)) << asked.toStdString();
        ASSERT_TRUE(box.framed && over.framed);
        // Centred, frames included. The box's own frame is not known before
        // it shows (it takes the window's as its measure; the window manager
        // may give a box that cannot be resized a thinner lower edge): a few
        // pixels.
        const QPoint off = box.frame.center() - over.frame.center();
        const int slack = qCeil(2 * window->devicePixelRatioF()) + 1;
        EXPECT_LE(qAbs(off.x()), slack) << describe(box.frame) << " over " << describe(over.frame);
        EXPECT_LE(qAbs(off.y()), slack) << describe(box.frame) << " over " << describe(over.frame);
        EXPECT_EQ(window->controller().jobs().rowCount(), 0);
        closeWindow();
    }
}

TEST_F(OnDisplay, AHintLastsOnlyWhileThePointerIsOverItsControl)
{
    if (!windowManagerRuns())
        GTEST_SKIP() << "needs an X server with a window manager (tests/xvfb/openbox.sh)";
    openActive(QStringLiteral("Sample"));
    ASSERT_TRUE(waitFor([&] { return xPlace(*window).framed; }, 20000));
    const QString welcome = QStringLiteral("Welcome to use Sample.");
    // Below the window, where the desktop's panel is.
    const QPoint outside = window->screen()->geometry().bottomLeft() + QPoint(4, -4);
    // A window smaller than its design is scrolled to the control first.
    auto over = [this](QWidget* control) {
        window->scrollArea()->ensureWidgetVisible(control);
        QApplication::processEvents();
        QCursor::setPos(control->mapToGlobal(control->rect().center()));
    };
    struct Case {
        QWidget* control;
        QString hint;
    };
    const Case cases[] = {
        {window->skin().object(QStringLiteral("converter")),
         QStringLiteral("Click the button, you can convert to the video format you need.")},
        {window->sizeBox(), QStringLiteral("Click the video size combobox to change the width "
                                           "and height of the video output.")},
    };
    for (const Case& c : cases) {
        over(c.control);
        EXPECT_TRUE(waitFor([&] { return hint() == c.hint; }, 20000)) << hint().toStdString();
        // Out of the window: the line forgets the control.
        QCursor::setPos(outside);
        EXPECT_TRUE(waitFor([&] { return hint() == welcome; }, 20000)) << hint().toStdString();
        // Onto the output folder's box, which has no hint of its own.
        over(c.control);
        ASSERT_TRUE(waitFor([&] { return hint() == c.hint; }, 20000));
        over(window->outputFolderEdit());
        EXPECT_TRUE(waitFor([&] { return hint() == welcome; }, 20000)) << hint().toStdString();
    }
}

TEST_F(OnDisplay, OnWaylandTheWindowAndItsScrollBarsShowWhole)
{
    const QByteArray screenshot = qgetenv("TRANSCAST_TEST_SCREENSHOT");
    if (!QGuiApplication::platformName().startsWith(QLatin1String("wayland")) ||
        screenshot.isEmpty())
        GTEST_SKIP()
            << "needs a Wayland compositor whose output can be read (tests/xvfb/weston.sh)";
    open();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    // The window's own top-left corner found on the compositor's output,
    // and its bottom-right one where the window's size puts it: then all of
    // it shows, its scroll bars included.
    const int side = 48;
    QImage shot, drawn;
    QPoint topLeft, corner;
    bool bottomRight = false;
    auto showsWhole = [&] {
        QProcess take;
        take.start(QStringLiteral("sh"), {"-c", QString::fromLocal8Bit(screenshot)});
        take.waitForFinished(20000);
        shot = QImage::fromData(take.readAllStandardOutput(), "PNG")
                   .convertToFormat(QImage::Format_RGB32);
        drawn = window->grab().toImage().convertToFormat(QImage::Format_RGB32);
        topLeft = find(shot, drawn.copy(0, 0, side, side));
        // A few pixels in from the corner: at a scale that is not whole,
        // the frame Qt draws covers the window's last part of a pixel.
        corner = QPoint(drawn.width() - side - 3, drawn.height() - side - 3);
        bottomRight = topLeft.x() >= 0 &&
                      showsAt(shot, drawn.copy(QRect(corner, QSize(side, side))), topLeft + corner);
        return bottomRight;
    };
    EXPECT_TRUE(waitFor(showsWhole, 10000))
        << "window " << drawn.width() << "x" << drawn.height() << ": top left at " << topLeft.x()
        << "," << topLeft.y() << ", bottom right " << (bottomRight ? "shows" : "does not show")
        << " on " << shot.width() << "x" << shot.height();
    // Its frame, drawn by Qt around it, lies on the output too (give or
    // take Qt's rounding of the frame to its own pixels).
    const qreal scale = window->devicePixelRatioF();
    const QMargins frame = window->windowHandle()->frameMargins() * scale;
    const QRect framed = QRect(topLeft, drawn.size()).marginsAdded(frame);
    const int slack = qCeil(scale);
    EXPECT_TRUE(shot.rect().adjusted(-slack, -slack, slack, slack).contains(framed))
        << describe(framed) << " on " << shot.width() << "x" << shot.height();
    expectScrollBarsWhereNeeded();
}
