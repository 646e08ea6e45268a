#include "ui/elidingcombobox.h"

#include <QAbstractItemView>
#include <QStyleOptionComboBox>
#include <QHelpEvent>
#include <QStylePainter>
#include <QToolTip>

namespace transcast
{

ElidingComboBox::ElidingComboBox(QWidget* parent) : QComboBox(parent) {}

QRect ElidingComboBox::textRect() const
{
    QStyleOptionComboBox option;
    initStyleOption(&option);
    return style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField,
                                   this);
}

QString ElidingComboBox::shownText() const
{
    return fontMetrics().elidedText(currentText(), Qt::ElideRight, textRect().width());
}

QString ElidingComboBox::fullTextTip() const
{
    return shownText() == currentText() ? QString() : currentText();
}

bool ElidingComboBox::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip && toolTip().isEmpty()) {
        const QString tip = fullTextTip();
        if (tip.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), tip, this);
        return true;
    }
    return QComboBox::event(event);
}

void ElidingComboBox::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    painter.setPen(palette().color(QPalette::Text));
    QStyleOptionComboBox option;
    initStyleOption(&option);
    option.currentText = shownText();
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}

void ElidingComboBox::showPopup()
{
    int widest = 0;
    for (int i = 0; i < count(); ++i)
        widest = qMax(widest, view()->fontMetrics().horizontalAdvance(itemText(i)));
    // Room for the item's margins and a scroll bar.
    view()->setMinimumWidth(widest + 48);
    QComboBox::showPopup();
}

} // namespace transcast
