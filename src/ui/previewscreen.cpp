#include "ui/previewscreen.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QPainter>
#include <QTimer>
#include <QWidget>

#include "ui/openglpreviewscreen.h"
#include "ui/softwarepreviewscreen.h"

namespace transcast
{

namespace
{

// Whether the window system may offer OpenGL at all.
bool platformMayHaveOpenGl()
{
    const QString platform = QGuiApplication::platformName();
    return platform == QLatin1String("xcb") || platform.startsWith(QLatin1String("wayland")) ||
           platform.startsWith(QLatin1String("eglfs"));
}

// Whether the kernel offers a graphics device to draw with (Mesa draws in
// software without one, and so it does when told to). Asked without loading
// any driver.
bool graphicsDevicePresent()
{
    if (qEnvironmentVariableIntValue("LIBGL_ALWAYS_SOFTWARE") != 0)
        return false;
    return !QDir(QStringLiteral("/dev/dri"))
                .entryList({QStringLiteral("renderD*")}, QDir::System)
                .isEmpty() ||
           QFile::exists(QStringLiteral("/dev/nvidia0"));
}

enum class OpenGl { None, Software, Hardware };

// What OpenGL a context made now gets: none (no driver, or the window
// system lacks it: Qt must then never see an OpenGL widget), one drawn by
// the processor, or a graphics card's.
OpenGl availableOpenGl()
{
    QOpenGLContext context;
    if (!context.create())
        return OpenGl::None;
    QOffscreenSurface surface;
    surface.setFormat(context.format());
    surface.create();
    if (!surface.isValid() || !context.makeCurrent(&surface))
        return OpenGl::None;
    const auto* name = reinterpret_cast<const char*>(context.functions()->glGetString(GL_RENDERER));
    const QByteArray renderer = QByteArray(name ? name : "").toLower();
    context.doneCurrent();
    for (const char* rasterizer : {"llvmpipe", "softpipe", "swrast", "software rasterizer"}) {
        if (renderer.contains(rasterizer))
            return OpenGl::Software;
    }
    return OpenGl::Hardware;
}

} // namespace

PreviewScreen* PreviewScreen::create(QWidget* parent)
{
    const QByteArray wanted = qgetenv(RendererVariable);
    // With OpenGL drawn by the processor, Qt would compose the whole window
    // in software for every picture: libmpv's software renderer, which draws
    // the panel alone, costs a fraction of that. Without a graphics device
    // no driver is even loaded to ask (a third of a second and fifty
    // megabytes for Mesa's software one).
    const bool forced = wanted == "opengl";
    if (wanted != "software" && platformMayHaveOpenGl() && (forced || graphicsDevicePresent())) {
        const OpenGl openGl = availableOpenGl();
        if (openGl == OpenGl::Hardware || (openGl == OpenGl::Software && forced))
            return new OpenGlPreviewScreen(parent);
    }
    return createSoftware(parent);
}

PreviewScreen* PreviewScreen::createSoftware(QWidget* parent)
{
    return new SoftwarePreviewScreen(parent);
}

void PreviewScreen::showStill(const QImage& picture)
{
    m_still = picture;
    widget()->update();
}

void PreviewScreen::clearStill()
{
    m_still = QImage();
    widget()->update();
}

void PreviewScreen::showWhenDue(QWidget* screen, int milliseconds)
{
    if (milliseconds <= 0)
        screen->update();
    else
        QTimer::singleShot(milliseconds, Qt::PreciseTimer, screen, [screen] { screen->update(); });
}

void PreviewScreen::paintStill(QPainter& painter, const QRect& area)
{
    painter.fillRect(area, Qt::black);
    if (m_still.isNull())
        return;
    QRect target(QPoint(), m_still.size().scaled(area.size(), Qt::KeepAspectRatio));
    target.moveCenter(area.center());
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, m_still);
}

} // namespace transcast
