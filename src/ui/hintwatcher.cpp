#include "ui/hintwatcher.h"

#include <QAbstractScrollArea>
#include <QEvent>
#include <QWidget>

namespace transcast
{

HintWatcher::HintWatcher(QObject* parent) : QObject(parent) {}

void HintWatcher::watch(QWidget* control, const QString& objectName)
{
    if (!control)
        return;
    QList<QWidget*> targets{control};
    if (auto* area = qobject_cast<QAbstractScrollArea*>(control))
        targets << area->viewport();
    for (QWidget* target : targets) {
        m_names.insert(target, objectName);
        target->setMouseTracking(true);
        target->installEventFilter(this);
        connect(target, &QObject::destroyed, this, [this](QObject* gone) { m_names.remove(gone); });
    }
}

bool HintWatcher::eventFilter(QObject* watched, QEvent* event)
{
    const bool over = event->type() == QEvent::Enter || event->type() == QEvent::MouseMove;
    if (over || event->type() == QEvent::Leave) {
        const auto found = m_names.constFind(watched);
        if (found != m_names.constEnd()) {
            if (over)
                emit hovered(found.value());
            else
                emit left(found.value());
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace transcast
