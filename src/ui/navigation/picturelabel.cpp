#include "ui/navigation/picturelabel.h"

#include <QDir>
#include <QFile>
#include <QImage>
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
    QImage image;
    if (!image.loadFromData(file.readAll(), "BMP")) {
        *problem =
            QStringLiteral("Cannot open file \"%1\". It is not a readable bitmap.").arg(shown);
        return false;
    }
    setPixmap(QPixmap::fromImage(image));
    m_picturePath = path;
    return true;
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
