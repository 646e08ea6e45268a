#pragma once

#include <QHash>
#include <QPointer>

#include "common/interaction.h"

class QWidget;

namespace transcast
{

// The Interaction port over Qt: modal message boxes and the desktop's file
// and folder dialogs. Every box is a real modal dialog owned by the parent
// widget's window, so a test can answer it through
// QApplication::activeModalWidget() from a timer. The dialogs open where the
// user left the same dialog last (each caption and each file filter keeps
// its own folder while the program runs), the first time in the home folder.
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
    // Information question); true on Yes. The default button is the one
    // `defaultAnswer` names.
    bool confirm(const QString& text, QuestionKind kind = QuestionKind::Confirmation,
                 DefaultAnswer defaultAnswer = DefaultAnswer::No) override;
    // Open dialog for existing files with the filter converted by qtFilter().
    QStringList chooseFiles(const QString& filter, bool showHidden) override;
    // The desktop's folder dialog (QFileDialog::getExistingDirectory).
    QString chooseFolder(const QString& caption) override;
    QString chooseFolderIn(const QString& caption, const QString& startFolder) override;
    // The desktop's folder dialog shows folders only: a disc image is chosen
    // with the IFO files' open dialog instead.
    QString chooseFolderOrImage(const QString& caption, const QStringList& filePatterns) override;

    // Where the dialog for a caption or a file filter opens next.
    QString startFolder(const QString& purpose) const;

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
    void remember(const QString& purpose, const QString& folder);

    QPointer<QWidget> m_parent;
    QHash<QString, QString> m_lastFolders;
};

} // namespace transcast
