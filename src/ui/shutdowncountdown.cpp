#include "ui/shutdowncountdown.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/shell.h"

namespace transcast
{

ShutdownCountdown::ShutdownCountdown(Shell& shell, QWidget* parent)
    : QDialog(parent), m_shell(shell)
{
    setObjectName(QStringLiteral("fm_shutdown"));
    setWindowTitle(QStringLiteral("Shut down"));
    setAttribute(Qt::WA_DeleteOnClose);
    m_message = new QLabel(this);
    m_message->setObjectName(QStringLiteral("shutdown_message"));
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancel->setDefault(true);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_message);
    layout->addLayout(buttons);

    m_timer.setInterval(1000);
    connect(&m_timer, &QTimer::timeout, this, &ShutdownCountdown::tick);
    // Rejecting (Cancel, Escape, the close box) stops the count for good.
    connect(this, &QDialog::finished, &m_timer, &QTimer::stop);
    showLeft();
    m_timer.start();
}

void ShutdownCountdown::tick()
{
    if (m_left <= 0)
        return;
    --m_left;
    showLeft();
    if (m_left > 0)
        return;
    m_timer.stop();
    accept();
    m_shell.shutDown(); // the window is closed, and deleted only later
}

void ShutdownCountdown::showLeft()
{
    m_message->setText(
        QStringLiteral("The conversions are done. The computer shuts down in %1 seconds.\n"
                       "Cancel keeps it running.")
            .arg(m_left));
}

} // namespace transcast
