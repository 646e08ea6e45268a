#pragma once

#include <QImage>

#include "preview/videosurface.h"

class QPainter;
class QRect;
class QWidget;

namespace transcast
{

// The picture inside the preview panel: the playing source's pictures, drawn
// by libmpv's render API, or the still picture of the selected row, or
// black. Both fill the panel with their shape kept. Made by create(): with
// OpenGL where a graphics card draws it, else in memory by libmpv's software
// renderer (no OpenGL at all, or OpenGL drawn by the processor, where Qt
// would compose the whole window in software for every picture). The
// software screen also stands in for OpenGL that fails (see canDraw()).
class PreviewScreen : public VideoSurface
{
public:
    // The environment variable that overrides the choice: "software", or
    // "opengl" to take OpenGL even when the processor draws it (where an
    // OpenGL context can be made at all).
    static constexpr const char* RendererVariable = "TRANSCAST_PREVIEW_RENDERER";

    // A screen of the kind this machine can show, as a child of `parent`.
    static PreviewScreen* create(QWidget* parent);
    static PreviewScreen* createSoftware(QWidget* parent);
    ~PreviewScreen() override = default;

    virtual QWidget* widget() = 0;
    // "opengl" or "software".
    virtual const char* kind() const = 0;
    // Whether pictures can be drawn here (false for OpenGL whose context
    // could not be made once the window showed).
    virtual bool canDraw() const = 0;

    // While no source plays: shows `picture`, scaled to fit.
    void showStill(const QImage& picture);
    // While no source plays: black.
    void clearStill();
    const QImage& still() const { return m_still; }

protected:
    // Black, with the still picture fitted into `area` when there is one.
    void paintStill(QPainter& painter, const QRect& area);
    // Repaints `screen` in `milliseconds` (now when 0).
    static void showWhenDue(QWidget* screen, int milliseconds);

private:
    QImage m_still;
};

} // namespace transcast
