#include "ui/aboutbox.h"

#include <QApplication>
#include <QFileInfo>
#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>

#include "common/shell.h"
#include "ui/helpcommands.h"

namespace transcast
{

namespace
{

constexpr int kPictureSize = 36;

// The program's picture: the application icon, or the skin's logo when the
// program set none.
QPixmap programPicture(const Edition& edition)
{
    QIcon icon = QApplication::windowIcon();
    if (icon.isNull()) {
        const QString logo = edition.dataFile(QStringLiteral("skin/logo.svg"));
        if (QFileInfo::exists(logo))
            icon = QIcon(logo);
    }
    return icon.pixmap(kPictureSize, kPictureSize);
}

} // namespace

AboutBox::AboutBox(Edition edition, Shell& shell, QWidget* parent)
    : QDialog(parent), m_edition(std::move(edition)), m_shell(shell)
{
    setObjectName(QStringLiteral("fm_about"));
    setWindowTitle(QStringLiteral("About"));
    setFixedSize(ClientWidth, ClientHeight);

    m_image = new QLabel(this);
    m_image->setObjectName(QStringLiteral("Image1"));
    m_image->setGeometry(26, 20, kPictureSize, kPictureSize);
    m_image->setPixmap(programPicture(m_edition));

    m_title = new QLabel(this);
    m_title->setObjectName(QStringLiteral("Label1"));
    m_title->move(84, 29);
    QFont bold = m_title->font();
    bold.setBold(true);
    m_title->setFont(bold);

    m_web = new QLabel(QStringLiteral("Visit our web"), this);
    m_web->setObjectName(QStringLiteral("lbl_web"));
    m_web->move(187, 125);
    m_web->adjustSize();
    m_web->setCursor(Qt::PointingHandCursor);
    m_web->installEventFilter(this);
    setLinkColor(Qt::blue);

    m_separator = new QFrame(this);
    m_separator->setObjectName(QStringLiteral("Panel1"));
    m_separator->setGeometry(14, 150, 270, 2);
    m_separator->setFrameShape(QFrame::HLine);
    m_separator->setFrameShadow(QFrame::Sunken);

    m_contact = new QPushButton(QStringLiteral("Contact us "), this);
    m_contact->setObjectName(QStringLiteral("btn_contact"));
    m_contact->setGeometry(41, 165, 75, 25);
    m_contact->setAutoDefault(false);
    connect(m_contact, &QPushButton::clicked, this, &AboutBox::openContactPage);

    m_close = new QPushButton(QStringLiteral("Close"), this);
    m_close->setObjectName(QStringLiteral("btn_close"));
    m_close->setGeometry(180, 165, 75, 25);
    connect(m_close, &QPushButton::clicked, this, &QDialog::accept);
}

void AboutBox::showEvent(QShowEvent* event)
{
    m_title->setText(m_edition.programTitle());
    m_title->adjustSize();
    if (QWidget* owner = parentWidget())
        move(owner->window()->pos() + QPoint(OffsetLeft, OffsetTop));
    QDialog::showEvent(event);
}

bool AboutBox::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_web) {
        switch (event->type()) {
        case QEvent::Enter:
            setLinkColor(Qt::red);
            break;
        case QEvent::Leave:
            setLinkColor(Qt::blue);
            break;
        case QEvent::MouseButtonRelease: {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() == Qt::LeftButton &&
                m_web->rect().contains(mouse->position().toPoint()))
                m_shell.openUrl(HelpCommands::readmePage(m_edition));
            break;
        }
        default:
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void AboutBox::setLinkColor(const QColor& color)
{
    QPalette palette = m_web->palette();
    palette.setColor(QPalette::WindowText, color);
    m_web->setPalette(palette);
}

void AboutBox::openContactPage()
{
    m_shell.openUrl(HelpCommands::contactPage(m_edition));
}

} // namespace transcast
