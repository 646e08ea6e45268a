#include "ui/previewscreen.h"

#include <QByteArray>
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

enum class OpenGl { None, Software, Hardware };

// What OpenGL can be had here: none (no driver, or a platform without it,
// such as a headless one), a software rasterizer, or a graphics card's.
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
    if (wanted == "software")
        return new SoftwarePreviewScreen(parent);
    // With OpenGL drawn by the processor, Qt composes the whole window in
    // software for every picture: libmpv's software renderer, which draws
    // the panel alone, costs a fraction of that.
    const OpenGl openGl = availableOpenGl();
    if (openGl == OpenGl::Hardware || (openGl == OpenGl::Software && wanted == "opengl"))
        return new OpenGlPreviewScreen(parent);
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
