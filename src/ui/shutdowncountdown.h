#pragma once

#include <QDialog>
#include <QTimer>

class QLabel;
class QPushButton;

namespace transcast
{

class Shell;

// The last minute before the computer shuts down after a batch: a window
// counting down from 60 seconds with a Cancel button. At zero it asks the
// shell to shut down; Cancel (or closing the window) ends it and the shell
// is never called. It is not modal: the window stays usable meanwhile.
class ShutdownCountdown : public QDialog
{
    Q_OBJECT
public:
    static constexpr int kSeconds = 60;

    ShutdownCountdown(Shell& shell, QWidget* parent = nullptr);

    int secondsLeft() const { return m_left; }
    QLabel* message() const { return m_message; }
    QPushButton* cancelButton() const { return m_cancel; }

    // One second passes (the timer's tick; tests call it).
    void tick();

private:
    void showLeft();

    Shell& m_shell;
    QLabel* m_message;
    QPushButton* m_cancel;
    QTimer m_timer;
    int m_left = kSeconds;
};

} // namespace transcast
