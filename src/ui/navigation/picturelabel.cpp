#include "ui/navigation/picturelabel.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPixmap>

namespace transcast
{

namespace
{

// The file header and the longest part of an info header read here.
constexpr qint64 kBitmapHeaderSize = 14 + 20;

quint32 little(const QByteArray& bytes, int at, int size)
{
    quint32 value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = value << 8 | static_cast<quint8>(bytes[at + i]);
    return value;
}

// What the toolkit's bitmap reader asks of a header before it reads the
// pixels, read here without making a reader for each of the picker's
// pictures: "BM", an info header of a known size, a frame, one plane, a
// known depth and compression.
bool isBitmapHeader(const QByteArray& header)
{
    if (header.size() < 14 + 12 || !header.startsWith("BM"))
        return false;
    const quint32 infoSize = little(header, 14, 4);
    if (infoSize == 12) { // OS/2 1.x: 16-bit sizes, no compression
        const quint32 depth = little(header, 24, 2);
        return little(header, 18, 2) > 0 && little(header, 20, 2) > 0 &&
               little(header, 22, 2) == 1 &&
               (depth == 1 || depth == 4 || depth == 8 || depth == 24);
    }
    if (infoSize < 40 || header.size() < kBitmapHeaderSize)
        return false;
    const auto width = static_cast<qint32>(little(header, 18, 4));
    const auto height = static_cast<qint32>(little(header, 22, 4));
    const quint32 depth = little(header, 28, 2);
    const quint32 compression = little(header, 30, 4);
    return width > 0 && height != 0 && little(header, 26, 2) == 1 &&
           (depth == 1 || depth == 4 || depth == 8 || depth == 16 || depth == 24 || depth == 32) &&
           compression <= 3;
}

} // namespace

PictureLabel::PictureLabel(const QString& objectName, QWidget* parent) : QWidget(parent)
{
    setObjectName(objectName);
    // Hover is a move without a pressed button: without tracking Qt would
    // only report moves while a button is held.
    setMouseTracking(true);
}

bool PictureLabel::loadPicture(const QString& path, QString* problem)
{
    const QString shown = QDir::toNativeSeparators(path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *problem = QStringLiteral("Cannot open file \"%1\". %2").arg(shown, file.errorString());
        return false;
    }
    // The header tells a bitmap from anything else; its pixels are read when
    // the label is first drawn: most of the picker's pictures wait behind
    // closed panels, and a start that decoded them all would wait for them.
    if (!isBitmapHeader(file.read(kBitmapHeaderSize))) {
        *problem =
            QStringLiteral("Cannot open file \"%1\". It is not a readable bitmap.").arg(shown);
        return false;
    }
    m_picturePath = path;
    m_unread = true;
    if (isVisible())
        update();
    return true;
}

void PictureLabel::paintEvent(QPaintEvent* event)
{
    if (m_unread) {
        m_unread = false;
        QImageReader reader(m_picturePath, "BMP");
        reader.setAutoDetectImageFormat(false);
        // A file that changed into something else since it was checked
        // leaves the picture the label showed before.
        const QImage image = reader.read();
        if (!image.isNull())
            m_picture = QPixmap::fromImage(image);
    }
    if (!m_picture.isNull()) {
        QPainter painter(this);
        painter.setClipRegion(event->region());
        painter.drawPixmap(0, 0, m_picture);
    }
}

void PictureLabel::mouseMoveEvent(QMouseEvent* event)
{
    event->accept();
    emit hovered();
}

void PictureLabel::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    m_pressed = event->button() == Qt::LeftButton;
}

void PictureLabel::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    const bool click = m_pressed && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    m_pressed = false;
    if (click)
        emit clicked();
}

} // namespace transcast
