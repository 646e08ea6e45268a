#include "ui/previewscreen.h"

#include <QByteArray>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QPainter>
#include <QWidget>

#include "ui/openglpreviewscreen.h"
#include "ui/softwarepreviewscreen.h"

namespace transcast
{

namespace
{

// Whether an OpenGL context can be made and used here (no driver, or a
// platform without OpenGL such as a headless one, says no).
bool openGlWorks()
{
    QOpenGLContext context;
    if (!context.create())
        return false;
    QOffscreenSurface surface;
    surface.setFormat(context.format());
    surface.create();
    if (!surface.isValid() || !context.makeCurrent(&surface))
        return false;
    context.doneCurrent();
    return true;
}

} // namespace

PreviewScreen* PreviewScreen::create(QWidget* parent)
{
    const QByteArray wanted = qgetenv(RendererVariable);
    if (wanted != "software" && openGlWorks())
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
