#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QSplashScreen>
#include <QString>

namespace transcast
{

// The splash window shown while the main window starts: a picture with the
// program title and a line saying what is loading.
class SplashScreen : public QSplashScreen
{
    Q_OBJECT

public:
    // `picturePath` names the splash picture (the skin's "skin/splash.svg");
    // a missing picture gives a plain panel of the same look.
    SplashScreen(const QString& picturePath, const QString& programTitle);

    // Shows the splash and paints it at once, before the caller goes on with
    // work that keeps the event loop from running.
    void showNow();
    // Closes the splash; with a main window, once that window is on screen
    // (or a second has passed). The wait runs in the event loop, never in a
    // loop of its own within this call: the window's first events (a
    // question it asks once shown) would otherwise run under the splash.
    void done(QWidget* mainWindow = nullptr);

    QString programTitle() const { return m_title; }

protected:
    void drawContents(QPainter* painter) override;

private:
    void closeOnceShown();

    QString m_title;
    QPointer<QWidget> m_mainWindow;
    QElapsedTimer m_waited;
};

} // namespace transcast
