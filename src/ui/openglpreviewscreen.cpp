#include "ui/openglpreviewscreen.h"

#include <QOpenGLContext>
#include <QPainter>

#include "preview/framerenderer.h"

namespace transcast
{

namespace
{

void* resolve(void*, const char* name)
{
    QOpenGLContext* context = QOpenGLContext::currentContext();
    return context ? reinterpret_cast<void*>(context->getProcAddress(name)) : nullptr;
}

} // namespace

OpenGlPreviewScreen::OpenGlPreviewScreen(QWidget* parent) : QOpenGLWidget(parent)
{
    setObjectName(QStringLiteral("pl_play_screen"));
    // A picture drawn as soon as it comes stays in the framebuffer until
    // Qt shows it.
    setUpdateBehavior(QOpenGLWidget::PartialUpdate);
}

OpenGlPreviewScreen::~OpenGlPreviewScreen()
{
    releaseRenderer();
}

bool OpenGlPreviewScreen::attach(MpvInstance& mpv, QString* error)
{
    releaseRenderer();
    if (!context() || !context()->isValid()) {
        *error = tr("the preview panel has no OpenGL context.");
        return false;
    }
    makeCurrent();
    m_renderer = FrameRenderer::openGl(mpv, resolve, nullptr, error);
    doneCurrent();
    if (!m_renderer)
        return false;
    m_renderer->setUpdateHandler([this] { onUpdate(); });
    // A context that goes away (the window made anew) takes the renderer
    // with it while it can still be made current.
    connect(context(), &QOpenGLContext::aboutToBeDestroyed, this,
            &OpenGlPreviewScreen::releaseRenderer, Qt::UniqueConnection);
    return true;
}

void OpenGlPreviewScreen::detach()
{
    releaseRenderer();
    update();
}

void OpenGlPreviewScreen::releaseRenderer()
{
    m_showingVideo = false;
    m_drawn = false;
    if (!m_renderer)
        return;
    makeCurrent();
    m_renderer.reset();
    doneCurrent();
}

void OpenGlPreviewScreen::onUpdate()
{
    // Every call into the renderer wants its context current.
    makeCurrent();
    if (!m_renderer->hasNewFrame()) {
        doneCurrent();
        return;
    }
    if (isVisible()) {
        // Drawn now rather than when Qt paints, so that libmpv goes on, and
        // shown when it is due.
        const int due = m_renderer->millisecondsUntilDue();
        draw();
        m_drawn = true;
        m_showingVideo = true;
        showWhenDue(this, due);
    } else {
        // Nobody sees a hidden panel: the picture is taken and dropped, so
        // that playback goes on at its pace.
        m_renderer->skipFrame();
    }
    doneCurrent();
}

void OpenGlPreviewScreen::draw()
{
    const qreal ratio = devicePixelRatioF();
    m_renderer->renderOpenGl(static_cast<int>(defaultFramebufferObject()), qRound(width() * ratio),
                             qRound(height() * ratio));
}

void OpenGlPreviewScreen::resizeGL(int, int)
{
    m_drawn = false;
}

void OpenGlPreviewScreen::paintGL()
{
    if (m_renderer && m_showingVideo) {
        // The picture drawn on its arrival is there already; otherwise (a
        // new size, an exposure) the current one is drawn again.
        if (!m_drawn)
            draw();
        m_drawn = false;
        return;
    }
    QPainter painter(this);
    paintStill(painter, rect());
}

} // namespace transcast
