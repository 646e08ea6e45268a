#pragma once

#include <memory>

#include <QImage>
#include <QWidget>

#include "ui/previewscreen.h"

namespace transcast
{

class FrameRenderer;

// The preview screen where there is no OpenGL: libmpv's software renderer
// draws each picture into memory at the screen's size in device pixels, and
// the widget paints it.
class SoftwarePreviewScreen : public QWidget, public PreviewScreen
{
    Q_OBJECT
public:
    explicit SoftwarePreviewScreen(QWidget* parent);
    ~SoftwarePreviewScreen() override;

    bool attach(MpvInstance& mpv, QString* error) override;
    void detach() override;
    QWidget* widget() override { return this; }
    const char* kind() const override { return "software"; }
    bool canDraw() const override { return true; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void onUpdate();
    bool draw();

    std::unique_ptr<FrameRenderer> m_renderer;
    // The picture's lines start on 64-byte boundaries, the renderer's fast
    // path; m_frame looks into m_pixels.
    QByteArray m_pixels;
    uchar* m_first = nullptr;
    QImage m_frame;
    bool m_showingVideo = false;
};

} // namespace transcast
