#include "ui/qtinteraction.h"

#include <QDir>
#include <QFileInfo>
#include <QFileDialog>
#include <QMessageBox>
#include <QRegularExpression>
#include <QScreen>
#include <QShowEvent>
#include <QWindow>

namespace transcast
{

namespace
{

// A box that opens centred over its parent's window, frames included. Qt's
// own placement guesses a frame of its own and takes the parent's place as
// it was when last reported, which is the screen's corner until a window
// manager has placed a window that just appeared.
class CentredMessageBox : public QMessageBox
{
public:
    using QMessageBox::QMessageBox;

protected:
    void showEvent(QShowEvent* event) override
    {
        // The box has its size now, and is not yet on screen.
        QMessageBox::showEvent(event);
        QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr;
        if (event->spontaneous() || !owner || !owner->isVisible())
            return;
        // A window manager frames the box as it framed its owner.
        const QMargins frame =
            owner->windowHandle() ? owner->windowHandle()->frameMargins() : QMargins();
        QRect placed(QPoint(), size().grownBy(frame));
        placed.moveCenter(owner->frameGeometry().center());
        if (const QScreen* screen = owner->screen()) {
            const QRect room = screen->availableGeometry();
            placed.moveLeft(qBound(room.left(), placed.left(), room.right() - placed.width() + 1));
            placed.moveTop(qBound(room.top(), placed.top(), room.bottom() - placed.height() + 1));
        }
        // The box's own place, inside its frame to be: move() would take the
        // point for the frame's or the box's depending on whether Qt knows
        // a frame yet.
        setGeometry(QRect(placed.topLeft() + QPoint(frame.left(), frame.top()), size()));
    }
};

void showBox(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text)
{
    CentredMessageBox box(icon, title, QtInteraction::displayText(text), QMessageBox::Ok, parent);
    box.exec();
}

// The label without a pattern list it ends with ("AVI files (*.avi)",
// "WMV files(*.wmv)"); other parentheses are part of the label.
QString bareLabel(const QString& label)
{
    static const QRegularExpression trailingPatterns(
        QStringLiteral("\\s*\\(([^()]*\\*[^()]*)\\)\\s*$"));
    QString bare = label;
    bare.remove(trailingPatterns);
    return bare.trimmed();
}

QStringList patternsOf(const QString& text)
{
    QStringList patterns;
    for (QString pattern : text.split(QLatin1Char(';'))) {
        pattern = pattern.trimmed();
        if (pattern.isEmpty())
            continue;
        if (pattern == QLatin1String("*.*"))
            pattern = QStringLiteral("*");
        if (!patterns.contains(pattern))
            patterns.append(pattern);
    }
    if (patterns.isEmpty())
        patterns.append(QStringLiteral("*"));
    return patterns;
}

} // namespace

QtInteraction::QtInteraction(QWidget* parent) : m_parent(parent) {}

QtInteraction::~QtInteraction() = default;

void QtInteraction::setParentWidget(QWidget* parent)
{
    m_parent = parent;
}

void QtInteraction::warn(const QString& text)
{
    showBox(m_parent, QMessageBox::Warning, QStringLiteral("Warning"), text);
}

void QtInteraction::inform(const QString& text)
{
    showBox(m_parent, QMessageBox::Information, QStringLiteral("Information"), text);
}

void QtInteraction::error(const QString& text)
{
    showBox(m_parent, QMessageBox::Critical, QStringLiteral("Error"), text);
}

bool QtInteraction::confirm(const QString& text, QuestionKind kind, DefaultAnswer defaultAnswer)
{
    const QMessageBox::Icon icon =
        kind == QuestionKind::Information ? QMessageBox::Information : QMessageBox::Question;
    CentredMessageBox box(icon, QStringLiteral("Confirm"), displayText(text),
                          QMessageBox::Yes | QMessageBox::No, m_parent);
    box.setDefaultButton(defaultAnswer == DefaultAnswer::Yes ? QMessageBox::Yes : QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

QStringList QtInteraction::chooseFiles(const QString& filter, bool showHidden)
{
    QFileDialog dialog(m_parent);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setDirectory(startFolder(filter));
    const QString qtFilterText = qtFilter(filter);
    if (!qtFilterText.isEmpty())
        dialog.setNameFilter(qtFilterText);
    if (showHidden)
        dialog.setFilter(dialog.filter() | QDir::Hidden);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    const QStringList files = dialog.selectedFiles();
    if (!files.isEmpty())
        remember(filter, QFileInfo(files.first()).absolutePath());
    return files;
}

QString QtInteraction::chooseFolder(const QString& caption)
{
    return chooseFolderIn(caption, QString());
}

QString QtInteraction::chooseFolderIn(const QString& caption, const QString& startFolder)
{
    const QString start = !startFolder.isEmpty() && QFileInfo(startFolder).isDir()
                              ? startFolder
                              : this->startFolder(caption);
    const QString chosen = QFileDialog::getExistingDirectory(m_parent, caption, start);
    if (chosen.isEmpty())
        return {};
    // Without a trailing separator, as the folder fields show folders.
    const QString folder = QDir::cleanPath(chosen);
    remember(caption, folder);
    return folder;
}

QString QtInteraction::chooseFolderOrImage(const QString& caption, const QStringList& filePatterns)
{
    Q_UNUSED(filePatterns);
    return chooseFolder(caption);
}

QString QtInteraction::startFolder(const QString& purpose) const
{
    const QString last = m_lastFolders.value(purpose);
    return !last.isEmpty() && QFileInfo(last).isDir() ? last : QDir::homePath();
}

void QtInteraction::remember(const QString& purpose, const QString& folder)
{
    m_lastFolders.insert(purpose, folder);
}

QString QtInteraction::displayText(const QString& text)
{
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

QString QtInteraction::qtFilter(const QString& windowsFilter)
{
    if (windowsFilter.isEmpty())
        return QString();
    const QStringList parts = windowsFilter.split(QLatin1Char('|'));
    QStringList entries;
    for (int i = 0; i < parts.size(); i += 2) {
        const QStringList patterns = patternsOf(i + 1 < parts.size() ? parts.at(i + 1) : QString());
        QString label = bareLabel(parts.at(i));
        if (label.isEmpty())
            label = patterns.join(QLatin1Char(' '));
        entries.append(label + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                       QLatin1Char(')'));
    }
    return entries.join(QStringLiteral(";;"));
}

} // namespace transcast
