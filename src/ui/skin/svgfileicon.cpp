#include "ui/skin/svgfileicon.h"

#include <QApplication>
#include <QIconEngine>
#include <QImage>
#include <QPaintDevice>
#include <QPainter>
#include <QPixmap>
#include <QPixmapCache>
#include <QStyle>
#include <QStyleOption>
#include <QSvgRenderer>

namespace transcast
{

namespace
{

// The drawing on a transparent picture of `size`; left transparent when the
// file could not be read.
QPixmap drawnAt(QSvgRenderer& renderer, const QSize& size)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    if (renderer.isValid()) {
        QPainter painter(&image);
        renderer.render(&painter, QRectF(QPointF(), QSizeF(size)));
    }
    return QPixmap::fromImage(image);
}

class SvgFileIconEngine final : public QIconEngine
{
public:
    explicit SvgFileIconEngine(QString path) : m_path(std::move(path)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        QPixmap drawn = pixmap(rect.size() * ratio, mode, state);
        drawn.setDevicePixelRatio(ratio);
        QRect place(QPoint(), drawn.deviceIndependentSize().toSize());
        place.moveCenter(rect.center());
        painter->drawPixmap(place, drawn);
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State) override
    {
        if (size.isEmpty())
            return {};
        const QString key = QStringLiteral("transcast-svg:%1:%2x%3:%4")
                                .arg(m_path)
                                .arg(size.width())
                                .arg(size.height())
                                .arg(int(mode));
        QPixmap drawn;
        if (QPixmapCache::find(key, &drawn))
            return drawn;
        QSvgRenderer renderer(m_path);
        QSize fitted = size;
        if (renderer.isValid() && !renderer.defaultSize().isEmpty())
            fitted = renderer.defaultSize().scaled(size, Qt::KeepAspectRatio);
        drawn = drawnAt(renderer, fitted);
        if (mode != QIcon::Normal && qobject_cast<QApplication*>(QCoreApplication::instance())) {
            QStyleOption option(0);
            option.palette = QApplication::palette();
            drawn = QApplication::style()->generatedIconPixmap(mode, drawn, &option);
        }
        QPixmapCache::insert(key, drawn);
        return drawn;
    }

    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return pixmap(size, mode, state).size();
    }

    QIconEngine* clone() const override { return new SvgFileIconEngine(m_path); }
    QString key() const override { return QStringLiteral("transcast-svg-file"); }
    bool isNull() override { return m_path.isEmpty(); }

private:
    QString m_path;
};

} // namespace

QPixmap svgFilePicture(const QString& path)
{
    QSvgRenderer renderer(path);
    if (!renderer.isValid() || renderer.defaultSize().isEmpty())
        return {};
    return drawnAt(renderer, renderer.defaultSize());
}

QIcon svgFileIcon(const QString& path)
{
    return QIcon(new SvgFileIconEngine(path));
}

} // namespace transcast
