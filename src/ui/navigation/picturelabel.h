#pragma once

#include <QPixmap>
#include <QString>
#include <QWidget>

namespace transcast
{

// A picture control of the profile picker: shows one bitmap read from a file
// and reports pointer moves (without a pressed button) and clicks. It caches
// nothing: every change reads the file again, its header at once and its
// pixels when the label is next drawn. A plain widget, not a text label: it
// draws its picture and nothing else, and costs the window's style sheet
// nothing while the picker it belongs to stays closed.
class PictureLabel : public QWidget
{
    Q_OBJECT
    // The file the label last loaded; empty before the first load.
    Q_PROPERTY(QString picturePath READ picturePath)

public:
    explicit PictureLabel(const QString& objectName, QWidget* parent);

    // Checks the bitmap at `path` and shows it at the label's top left from
    // its next drawing on. On failure (no file, not a bitmap) the label
    // keeps its picture and `problem` receives a message for the user naming
    // the file and the reason.
    bool loadPicture(const QString& path, QString* problem);
    const QString& picturePath() const { return m_picturePath; }
    // The picture as last drawn; null before the label was first drawn.
    const QPixmap& picture() const { return m_picture; }

signals:
    void hovered();
    // A left-button press and release both inside the label.
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QString m_picturePath;
    QPixmap m_picture;
    // The picture at m_picturePath has not been read into the label yet.
    bool m_unread = false;
    bool m_pressed = false;
};

} // namespace transcast
