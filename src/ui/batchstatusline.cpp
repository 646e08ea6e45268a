#include "ui/batchstatusline.h"

#include <QEvent>
#include <QFontMetrics>
#include <QLabel>

#include "engine/batch.h"
#include "sources/joblist.h"

namespace transcast
{

namespace
{
// The line takes at most this share of the hint's width.
constexpr double kMostOfTheWidth = 0.7;
constexpr int kGap = 12;
} // namespace

BatchStatusLine::BatchStatusLine(Batch& batch, JobList& jobs, QLabel& hint)
    : QObject(&hint), m_batch(batch), m_hint(&hint), m_label(new QLabel(hint.parentWidget()))
{
    m_label->setObjectName(QStringLiteral("batchstatus"));
    m_label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_label->setFont(hint.font());
    m_label->hide();
    hint.installEventFilter(this);

    m_clock.setInterval(1000);
    connect(&m_clock, &QTimer::timeout, this, &BatchStatusLine::refresh);
    connect(&batch, &Batch::batchStarted, this, [this] {
        m_clock.start();
        refresh();
    });
    connect(&batch, &Batch::jobStarted, this, &BatchStatusLine::refresh);
    connect(&jobs, &JobList::rowChanged, this, [this] {
        if (m_clock.isActive())
            refresh();
    });
    connect(&batch, &Batch::batchEnded, this, [this] {
        m_clock.stop();
        show(summaryText(m_batch));
    });
}

QString BatchStatusLine::summaryText(const Batch& batch)
{
    const BatchProgress& progress = batch.progress();
    QString text = progress.summary();
    if (!progress.failedNames().isEmpty())
        text +=
            QStringLiteral(" \u00b7 failed: ") + progress.failedNames().join(QStringLiteral(", "));
    return text;
}

void BatchStatusLine::refresh()
{
    show(m_batch.progress().line());
}

void BatchStatusLine::show(const QString& text)
{
    if (text == m_text)
        return;
    m_text = text;
    m_label->setToolTip(text);
    place();
}

void BatchStatusLine::place()
{
    if (!m_hint)
        return;
    if (m_text.isEmpty()) {
        m_label->hide();
        m_hint->setContentsMargins(0, 0, 0, 0);
        return;
    }
    const QRect hint = m_hint->geometry();
    const QFontMetrics metrics(m_label->font());
    const int width = qMin(metrics.horizontalAdvance(m_text) + 4,
                           static_cast<int>(hint.width() * kMostOfTheWidth));
    // One line high, at the hint's bottom right, whatever the hint's height.
    const int height = qMin(hint.height(), metrics.height() + 2);
    m_label->setGeometry(hint.right() + 1 - width, hint.bottom() + 1 - height, width, height);
    m_label->setText(metrics.elidedText(m_text, Qt::ElideRight, width));
    m_hint->setContentsMargins(0, 0, width + kGap, 0);
    m_label->show();
    m_label->raise();
}

bool BatchStatusLine::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_hint && (event->type() == QEvent::Move || event->type() == QEvent::Resize ||
                              event->type() == QEvent::Show || event->type() == QEvent::Hide)) {
        m_label->setVisible(m_hint->isVisible() && !m_text.isEmpty());
        if (m_label->isVisible())
            place();
    }
    return QObject::eventFilter(watched, event);
}

} // namespace transcast
