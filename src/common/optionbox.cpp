#include "common/optionbox.h"

namespace transcast
{

OptionBox::OptionBox(QString name, QObject* parent) : QObject(parent), m_name(std::move(name)) {}

void OptionBox::clear()
{
    if (m_items.isEmpty() && m_current == -1)
        return;
    m_items.clear();
    m_current = -1;
    emit itemsChanged();
    emit currentIndexChanged(m_current);
}

void OptionBox::addItem(const QString& text)
{
    m_items.append(text);
    emit itemsChanged();
}

void OptionBox::removeItem(const QString& text)
{
    if (!m_items.contains(text))
        return;
    const QString selected = currentText();
    const bool hadSelection = m_current >= 0;
    m_items.removeAll(text);
    const int oldCurrent = m_current;
    m_current =
        (hadSelection && selected != text) ? static_cast<int>(m_items.indexOf(selected)) : -1;
    emit itemsChanged();
    if (m_current != oldCurrent)
        emit currentIndexChanged(m_current);
}

void OptionBox::setCurrentIndex(int index)
{
    if (index < 0 || index >= m_items.size())
        index = -1;
    if (index == m_current)
        return;
    m_current = index;
    emit currentIndexChanged(m_current);
}

void OptionBox::setEnabled(bool enabled)
{
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    emit enabledChanged(m_enabled);
}

void OptionBox::choose(int index)
{
    setCurrentIndex(index);
    emit chosen(m_current);
}

} // namespace transcast
