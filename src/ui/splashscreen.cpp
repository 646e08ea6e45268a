#include "ui/splashscreen.h"

#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QTimer>
#include <QWindow>

namespace transcast
{

namespace
{

QPixmap splashPicture(const QString& path)
{
    QPixmap picture(path);
    if (picture.isNull()) {
        picture = QPixmap(420, 240);
        picture.fill(QColor(0x1b, 0x25, 0x40));
    }
    return picture;
}

} // namespace

SplashScreen::SplashScreen(const QString& picturePath, const QString& programTitle)
    : QSplashScreen(splashPicture(picturePath)), m_title(programTitle)
{
    setObjectName(QStringLiteral("fm_show"));
    setWindowTitle(programTitle);
    showMessage(QStringLiteral("Loading..."), Qt::AlignLeft | Qt::AlignBottom, Qt::white);
}

void SplashScreen::showNow()
{
    show();
    raise();
    repaint();
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void SplashScreen::done(QWidget* mainWindow)
{
    m_mainWindow = mainWindow;
    m_waited.start();
    closeOnceShown();
}

void SplashScreen::closeOnceShown()
{
    constexpr int kPollMs = 10;
    constexpr int kLongestWaitMs = 1000;
    const QWindow* window = m_mainWindow ? m_mainWindow->windowHandle() : nullptr;
    if (window && !window->isExposed() && m_waited.elapsed() < kLongestWaitMs) {
        QTimer::singleShot(kPollMs, this, &SplashScreen::closeOnceShown);
        return;
    }
    close();
}

void SplashScreen::drawContents(QPainter* painter)
{
    // The title stands right of the picture's logo, the message under it.
    QFont titleFont = painter->font();
    titleFont.setPixelSize(30);
    titleFont.setBold(true);
    painter->setFont(titleFont);
    painter->setPen(Qt::white);
    const QRect area = rect();
    painter->drawText(QRect(126, 62, area.width() - 146, 44), Qt::AlignLeft | Qt::AlignVCenter,
                      m_title);

    QFont messageFont = painter->font();
    messageFont.setPixelSize(12);
    messageFont.setBold(false);
    painter->setFont(messageFont);
    painter->setPen(QColor(0xc8, 0xd3, 0xea));
    painter->drawText(QRect(126, 104, area.width() - 146, 24), Qt::AlignLeft | Qt::AlignVCenter,
                      QStringLiteral("Video converter"));
    painter->drawText(QRect(34, 168, area.width() - 68, 22), Qt::AlignLeft | Qt::AlignVCenter,
                      message());
}

} // namespace transcast
