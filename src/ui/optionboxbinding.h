#pragma once

#include <QObject>

class QComboBox;

namespace transcast
{

class OptionBox;

// Keeps a combo box showing an option box: its entries, its selected entry
// (none included) and whether it is enabled. Only the user's pick in the
// combo box goes back, as the option box's choice, which runs its change
// handler; changes made by the program never do.
class OptionBoxBinding : public QObject
{
    Q_OBJECT
public:
    OptionBoxBinding(OptionBox& box, QComboBox& combo, QObject* parent = nullptr);

    void refresh();

private:
    OptionBox& m_box;
    QComboBox& m_combo;
};

} // namespace transcast
