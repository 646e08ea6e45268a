#pragma once

#include <QDialog>

class QButtonGroup;
class QGroupBox;
class QPushButton;

namespace transcast
{

// The settings dialog: what happens after a batch has converted, as the
// radio group rg_finish (0 nothing, 1 open the target folder, 2 shut down).
class SettingsDialog : public QDialog
{
    Q_OBJECT

public:
    explicit SettingsDialog(QWidget* parent = nullptr);

    // Shows the dialog modally with the group at `finishAction`. "OK" stores
    // the chosen position into `finishAction` and returns true; "Cancel" (or
    // closing the window) leaves it as it was and returns false. A value
    // outside 0..2 shows no choice and stays unless the user picks one.
    bool edit(int& finishAction);

    // The chosen position, -1 when none.
    int selectedPosition() const;
    void selectPosition(int position);

    QGroupBox* finishGroup() const { return m_group; }
    QPushButton* okButton() const { return m_ok; }
    QPushButton* cancelButton() const { return m_cancel; }

private:
    QGroupBox* m_group;
    QButtonGroup* m_choices;
    QPushButton* m_ok;
    QPushButton* m_cancel;
};

} // namespace transcast
