#pragma once

#include <memory>

#include <QOpenGLWidget>

#include "ui/previewscreen.h"

namespace transcast
{

class FrameRenderer;

// The preview screen with OpenGL: libmpv's render API draws each picture
// into the widget's framebuffer on the main thread as soon as it is due (a
// hardware driver or Mesa's software one alike), and Qt shows it with the
// window; the still picture is painted over black.
class OpenGlPreviewScreen : public QOpenGLWidget, public PreviewScreen
{
    Q_OBJECT
public:
    explicit OpenGlPreviewScreen(QWidget* parent);
    ~OpenGlPreviewScreen() override;

    // False when the widget has no OpenGL context yet (it is made when the
    // widget is first shown) or libmpv refuses it.
    bool attach(MpvInstance& mpv, QString* error) override;
    void detach() override;
    QWidget* widget() override { return this; }
    const char* kind() const override { return "opengl"; }
    bool canDraw() const override { return isValid(); }

protected:
    void paintGL() override;
    void resizeGL(int width, int height) override;

private:
    void onUpdate();
    void draw();
    void releaseRenderer();

    std::unique_ptr<FrameRenderer> m_renderer;
    bool m_showingVideo = false;
    // The framebuffer holds the newest picture, not yet shown.
    bool m_drawn = false;
};

} // namespace transcast
