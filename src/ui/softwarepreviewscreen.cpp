#include "ui/softwarepreviewscreen.h"

#include <QPainter>

#include "preview/framerenderer.h"

namespace transcast
{

SoftwarePreviewScreen::SoftwarePreviewScreen(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("pl_play_screen"));
    setAttribute(Qt::WA_OpaquePaintEvent);
}

SoftwarePreviewScreen::~SoftwarePreviewScreen() = default;

bool SoftwarePreviewScreen::attach(MpvInstance& mpv, QString* error)
{
    std::unique_ptr<FrameRenderer> renderer = FrameRenderer::software(mpv, error);
    if (!renderer)
        return false;
    m_renderer = std::move(renderer);
    m_renderer->setUpdateHandler([this] { onUpdate(); });
    return true;
}

void SoftwarePreviewScreen::detach()
{
    m_renderer.reset();
    m_showingVideo = false;
    update();
}

void SoftwarePreviewScreen::onUpdate()
{
    if (!m_renderer->hasNewFrame())
        return;
    // Nobody sees a hidden panel: the picture is taken and dropped, so that
    // playback goes on at its pace.
    if (!isVisible()) {
        m_renderer->skipFrame();
        return;
    }
    // Drawn at once, so that libmpv goes on, and shown when it is due.
    const int due = m_renderer->millisecondsUntilDue();
    if (draw())
        showWhenDue(this, due);
}

bool SoftwarePreviewScreen::draw()
{
    const qreal ratio = devicePixelRatioF();
    const QSize size = (QSizeF(this->size()) * ratio).toSize();
    if (size.isEmpty())
        return false;
    if (m_frame.size() != size) {
        const qsizetype stride = (size.width() * 4 + 63) / 64 * 64;
        // 64 bytes of slack let the first line start on a 64-byte boundary.
        m_pixels = QByteArray(stride * size.height() + 64, Qt::Uninitialized);
        const auto address = reinterpret_cast<quintptr>(m_pixels.data());
        m_first = reinterpret_cast<uchar*>((address + 63) / 64 * 64);
        m_frame = QImage(m_first, size.width(), size.height(), stride,
                         QImage::Format_ARGB32_Premultiplied);
        m_frame.setDevicePixelRatio(ratio);
    }
    if (!m_renderer->renderSoftware(m_first, m_frame.width(), m_frame.height(),
                                    static_cast<std::size_t>(m_frame.bytesPerLine())))
        return false;
    m_showingVideo = true;
    return true;
}

void SoftwarePreviewScreen::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (m_showingVideo && !m_frame.isNull()) {
        // The bars beside the picture are transparent.
        painter.fillRect(rect(), Qt::black);
        painter.drawImage(QPoint(), m_frame);
    } else {
        paintStill(painter, rect());
    }
}

void SoftwarePreviewScreen::resizeEvent(QResizeEvent*)
{
    // The current picture again at the new size: the renderer draws it anew
    // when no new one waits.
    if (m_renderer && m_showingVideo && draw())
        update();
}

} // namespace transcast
