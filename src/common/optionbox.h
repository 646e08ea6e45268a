#pragma once

#include <QObject>
#include <QStringList>

namespace transcast
{

// One drop-down choice of the window (frame size, video quality, audio
// quality, conversion direction, a DVD row's audio and subtitle track) as a
// model: its items, the selected position (-1 for none) and whether it is
// enabled. The GUI's combo box and the CLI's options mirror it.
//
// Programmatic changes (filling, restoring remembered positions) only emit
// the change signals; `choose` is the user's choice and also emits `chosen`,
// which runs the box's change handler, as a user's pick does in the window.
class OptionBox : public QObject
{
    Q_OBJECT
public:
    explicit OptionBox(QString name, QObject* parent = nullptr);

    const QString& name() const { return m_name; }
    const QStringList& items() const { return m_items; }
    int count() const { return static_cast<int>(m_items.size()); }
    QString itemText(int index) const { return m_items.value(index); }
    int indexOf(const QString& text) const { return static_cast<int>(m_items.indexOf(text)); }
    bool contains(const QString& text) const { return m_items.contains(text); }

    int currentIndex() const { return m_current; }
    // The selected entry's text; empty when nothing is selected.
    QString currentText() const { return m_items.value(m_current); }
    bool isEnabled() const { return m_enabled; }

    void clear();
    void addItem(const QString& text);
    // Removes every entry with that text; the selection follows its entry
    // and is lost when the selected entry goes.
    void removeItem(const QString& text);
    // A position outside the list leaves the box with no selection.
    void setCurrentIndex(int index);
    void setEnabled(bool enabled);

    // The user picks an entry (window or command line).
    void choose(int index);

signals:
    void itemsChanged();
    void currentIndexChanged(int index);
    void enabledChanged(bool enabled);
    void chosen(int index);

private:
    QString m_name;
    QStringList m_items;
    int m_current = -1;
    bool m_enabled = true;
};

} // namespace transcast
