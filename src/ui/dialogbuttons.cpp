#include "ui/dialogbuttons.h"

#include <QHBoxLayout>
#include <QPushButton>

namespace transcast
{

QBoxLayout* okCancelRow(QPushButton* ok, QPushButton* cancel)
{
    ok->setDefault(true);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(ok);
    row->addWidget(cancel);
    return row;
}

} // namespace transcast
