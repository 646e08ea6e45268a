#pragma once

#include <QDialog>
#include <QString>

class QFileSystemModel;
class QPushButton;
class QTreeView;

namespace transcast
{

// The folder dialog: a tree of the file system's folders (the root "/"
// itself hidden, its folders at the top), with "Ok" and "Cancel". One
// instance serves every caller, who sets the caption: "Output Directory",
// "File Directory", "Select DVD Directory". The tree keeps its state between
// showings; at first it has the user's home folder selected.
class OutputFolderDialog : public QDialog
{
    Q_OBJECT

public:
    explicit OutputFolderDialog(QWidget* parent = nullptr);

    // Shows the dialog modally under `caption`. Returns the chosen folder's
    // path (no trailing separator) or an empty text when cancelled.
    QString choose(const QString& caption);
    // The same, with the files matching `filePatterns` ("*.iso") listed
    // among the folders: returns the chosen folder or file.
    QString chooseFolderOrFile(const QString& caption, const QStringList& filePatterns);
    // The result of the last showing.
    QString chosenFolder() const { return m_chosen; }

    // Selects a folder (or, while files are listed, a file) in the tree and
    // scrolls to it; false when the path is no such entry.
    bool selectFolder(const QString& path);
    // The selected folder's path; empty when nothing is selected.
    QString selectedFolder() const;

    QTreeView* folderTree() const { return m_tree; }
    QPushButton* okButton() const { return m_ok; }
    QPushButton* cancelButton() const { return m_cancel; }

public slots:
    // "Ok": takes the selected folder and closes, but stays open while no
    // folder is selected.
    void confirm();
    // "Cancel" (also Escape and the window's close button): no folder.
    void reject() override;

private:
    QFileSystemModel* m_model;
    QTreeView* m_tree;
    QPushButton* m_ok;
    QPushButton* m_cancel;
    QString m_chosen;
    bool m_showFiles = false;
};

} // namespace transcast
