#include "ui/optionboxbinding.h"

#include <QComboBox>
#include <QSignalBlocker>

#include "common/optionbox.h"

namespace transcast
{

OptionBoxBinding::OptionBoxBinding(OptionBox& box, QComboBox& combo, QObject* parent)
    : QObject(parent), m_box(box), m_combo(combo)
{
    connect(&m_box, &OptionBox::itemsChanged, this, &OptionBoxBinding::refresh);
    connect(&m_box, &OptionBox::currentIndexChanged, this, [this](int index) {
        const QSignalBlocker block(&m_combo);
        m_combo.setCurrentIndex(index);
    });
    connect(&m_box, &OptionBox::enabledChanged, this, &OptionBoxBinding::refresh);
    connect(&m_combo, &QComboBox::activated, this, [this](int index) { m_box.choose(index); });
    refresh();
}

void OptionBoxBinding::refresh()
{
    const QSignalBlocker block(&m_combo);
    m_combo.clear();
    m_combo.addItems(m_box.items());
    m_combo.setCurrentIndex(m_box.currentIndex());
    // An empty box (the direction chooser of an edition without a format of
    // its own) offers nothing to pick.
    m_combo.setEnabled(m_box.isEnabled() && m_box.count() > 0);
}

} // namespace transcast
