#pragma once

#include <QString>
#include <QStringList>

namespace transcast
{

// What the core asks of the user. The GUI answers with message boxes and
// dialogs, the CLI and the tests with scripted answers. Texts are shown
// exactly as given.
class Interaction
{
public:
    virtual ~Interaction() = default;

    // A refused action: warning box with an OK button.
    virtual void warn(const QString& text) = 0;
    // A report ("Can't find DVD disc."): information box with an OK button.
    virtual void inform(const QString& text) = 0;
    // A failure the general error handler shows (bad numbers, missing files).
    virtual void error(const QString& text) = 0;

    enum class QuestionKind { Confirmation, Information };
    // The answer Enter gives. No, unless saying Yes is the safe and usual
    // answer (restoring what a crash left behind).
    enum class DefaultAnswer { No, Yes };
    // A Yes/No question; true on Yes.
    virtual bool confirm(const QString& text, QuestionKind kind = QuestionKind::Confirmation,
                         DefaultAnswer defaultAnswer = DefaultAnswer::No) = 0;

    // Open dialog for one or more files. `filter` uses the "Label|*.a;*.b|..."
    // syntax; an empty filter shows every file. Empty list on cancel.
    virtual QStringList chooseFiles(const QString& filter, bool showHidden) = 0;
    // The folder dialog under the given caption; empty on cancel.
    virtual QString chooseFolder(const QString& caption) = 0;
    // The same, opening in `startFolder` when it exists (the output folder
    // in use, say). Ports without a notion of place ignore it.
    virtual QString chooseFolderIn(const QString& caption, const QString& startFolder)
    {
        Q_UNUSED(startFolder);
        return chooseFolder(caption);
    }
    // The folder dialog that also offers files matching `filePatterns`
    // ("*.iso"): a disc is a folder or an image. Empty on cancel. Ports that
    // cannot show files offer the folders alone.
    virtual QString chooseFolderOrImage(const QString& caption, const QStringList& filePatterns)
    {
        Q_UNUSED(filePatterns);
        return chooseFolder(caption);
    }
};

} // namespace transcast
