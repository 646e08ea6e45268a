#pragma once

#include <QPointer>

#include "common/interaction.h"

class QWidget;

namespace transcast
{

class OutputFolderDialog;

// The Interaction port over Qt: modal message boxes, the system's open-file
// dialog and the program's folder dialog. Every box is a real modal dialog
// owned by the parent widget's window, so a test can answer it through
// QApplication::activeModalWidget() from a timer.
class QtInteraction : public Interaction
{
public:
    // `parent` owns the boxes (normally the main window); may be null.
    explicit QtInteraction(QWidget* parent = nullptr);
    ~QtInteraction() override;

    void setParentWidget(QWidget* parent);

    // Warning box "Warning" with OK.
    void warn(const QString& text) override;
    // Information box "Information" with OK.
    void inform(const QString& text) override;
    // Critical box "Error" with OK.
    void error(const QString& text) override;
    // Yes/No box "Confirm" (question icon, or the information icon for an
    // Information question); true on Yes. No is the default button.
    bool confirm(const QString& text, QuestionKind kind = QuestionKind::Confirmation) override;
    // Open dialog for existing files with the filter converted by qtFilter().
    QStringList chooseFiles(const QString& filter, bool showHidden) override;
    // The program's folder dialog (one instance, kept for the next call).
    QString chooseFolder(const QString& caption) override;
    // The same dialog with the matching files listed among the folders.
    QString chooseFolderOrImage(const QString& caption, const QStringList& filePatterns) override;

    // The folder dialog chooseFolder() shows; created on first use.
    OutputFolderDialog* folderDialog();

    // A text as a box shows it: every "\r\n" or lone "\r" starts a new line.
    static QString displayText(const QString& text);

    // An open-dialog filter in the "Label|*.a;*.b|Label2|*.c" syntax as Qt
    // writes it: "Label (*.a *.b);;Label2 (*.c)". A pattern list the label
    // already ends with in parentheses is replaced by the real patterns, so
    // "AVI files (*.avi)|*.avi" reads "AVI files (*.avi)" and not twice.
    // Empty patterns (from a trailing ";") are dropped, "*.*" becomes "*",
    // and a label without patterns matches every file. An empty filter gives
    // an empty text: every file.
    static QString qtFilter(const QString& windowsFilter);

private:
    QPointer<QWidget> m_parent;
    QPointer<OutputFolderDialog> m_folderDialog;
};

} // namespace transcast
