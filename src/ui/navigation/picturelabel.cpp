#include "ui/navigation/picturelabel.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QMouseEvent>
#include <QPixmap>

namespace transcast
{

PictureLabel::PictureLabel(const QString& objectName, QWidget* parent) : QLabel(parent)
{
    setObjectName(objectName);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
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
    QImageReader reader(&file, "BMP");
    // Bitmaps only: a reader left to guess would load every image plugin
    // to ask it first.
    reader.setAutoDetectImageFormat(false);
    if (!reader.canRead() || !reader.size().isValid()) {
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
            setPixmap(QPixmap::fromImage(image));
    }
    QLabel::paintEvent(event);
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
