#include "ui/outputfolderdialog.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

#include "ui/dialogbuttons.h"

namespace transcast
{

OutputFolderDialog::OutputFolderDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("fm_dir"));
    setWindowTitle(QStringLiteral("Output Directory"));
    resize(360, 420);

    m_model = new QFileSystemModel(this);
    m_model->setFilter(QDir::Dirs | QDir::NoDotAndDotDot);
    m_model->setReadOnly(true);
    const QString root = QDir::rootPath();
    m_model->setRootPath(root);

    m_tree = new QTreeView(this);
    m_tree->setObjectName(QStringLiteral("ShellTreeView1"));
    m_tree->setModel(m_model);
    m_tree->setRootIndex(m_model->index(root));
    m_tree->setHeaderHidden(true);
    for (int column = 1; column < m_model->columnCount(); ++column)
        m_tree->hideColumn(column);
    m_tree->setSelectionMode(QAbstractItemView::SingleSelection);
    connect(m_tree, &QTreeView::doubleClicked, m_tree, [this](const QModelIndex& index) {
        m_tree->setExpanded(index, !m_tree->isExpanded(index));
    });

    m_ok = new QPushButton(QStringLiteral("Ok"), this);
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    connect(m_ok, &QPushButton::clicked, this, &OutputFolderDialog::confirm);
    connect(m_cancel, &QPushButton::clicked, this, &OutputFolderDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tree);
    layout->addLayout(okCancelRow(m_ok, m_cancel));

    selectFolder(QDir::homePath());
}

QString OutputFolderDialog::choose(const QString& caption)
{
    setWindowTitle(caption);
    m_chosen.clear();
    exec();
    return m_chosen;
}

QString OutputFolderDialog::chooseFolderOrFile(const QString& caption,
                                               const QStringList& filePatterns)
{
    m_showFiles = true;
    // AllDirs: the patterns pick files; every folder stays listed.
    m_model->setFilter(QDir::AllDirs | QDir::Files | QDir::NoDotAndDotDot);
    m_model->setNameFilters(filePatterns);
    m_model->setNameFilterDisables(false);
    const QString chosen = choose(caption);
    m_model->setNameFilters({});
    m_model->setFilter(QDir::Dirs | QDir::NoDotAndDotDot);
    m_showFiles = false;
    return chosen;
}

bool OutputFolderDialog::selectFolder(const QString& path)
{
    const QFileInfo info(path);
    if (!info.isDir() && !(m_showFiles && info.isFile()))
        return false;
    const QModelIndex index = m_model->index(info.absoluteFilePath());
    if (!index.isValid())
        return false;
    m_tree->setCurrentIndex(index);
    m_tree->expand(index);
    m_tree->scrollTo(index);
    return true;
}

QString OutputFolderDialog::selectedFolder() const
{
    const QModelIndexList selected = m_tree->selectionModel()->selectedIndexes();
    if (selected.isEmpty())
        return QString();
    return QDir::cleanPath(m_model->filePath(selected.first()));
}

void OutputFolderDialog::confirm()
{
    m_chosen = selectedFolder();
    if (!m_chosen.isEmpty())
        accept();
}

void OutputFolderDialog::reject()
{
    m_chosen.clear();
    QDialog::reject();
}

} // namespace transcast
