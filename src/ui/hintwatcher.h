#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>

class QWidget;

namespace transcast
{

// The hint line over the window's own controls, which lie on top of the skin
// and so hide the mouse from it: each watched control stands for a skin
// object's name (an option box for the caption above it), and the pointer
// entering or moving over it reports that name, as the skin reports its
// objects. A control watched with an empty name reports the empty name,
// which gives the welcome line. The pointer leaving a control reports that
// too: the hint belongs to the control under the pointer only.
class HintWatcher : public QObject
{
    Q_OBJECT
public:
    explicit HintWatcher(QObject* parent = nullptr);

    // Watches `control` (and, for a scroll area, its viewport) for the hint
    // of `objectName`.
    void watch(QWidget* control, const QString& objectName);

signals:
    void hovered(const QString& objectName);
    void left(const QString& objectName);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QHash<QObject*, QString> m_names;
};

} // namespace transcast
