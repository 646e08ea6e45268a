#pragma once

class QBoxLayout;
class QPushButton;
class QWidget;

namespace transcast
{

// The row of a dialog's two buttons, right-aligned, the first the default.
QBoxLayout* okCancelRow(QPushButton* ok, QPushButton* cancel);

} // namespace transcast
