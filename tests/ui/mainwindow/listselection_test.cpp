// The list view's selection is the job list's: a click, a key and the
// program change one state, which follows its rows as rows before it go and
// is told to listeners with the rows whole.
#include "windowfixture.h"

#include <QItemSelectionModel>
#include <QTableView>

using namespace transcast;

namespace
{
class ListSelection : public WindowFixture
{
};
} // namespace

TEST_F(ListSelection, ClicksKeysAndTheProgramChangeOneSelectionThatFollowsItsRows)
{
    open();
    JobList& jobs = window->controller().jobs();
    for (const char* caption : {"a", "b", "c", "d", "e"})
        appendCaptionRow(QString::fromLatin1(caption));
    jobs.setVisible(true);
    auto* view = window->findChild<QTableView*>(QStringLiteral("lv"));
    ASSERT_TRUE(view && view->isVisible());
    const auto click = [&](int row, Qt::KeyboardModifiers keys = Qt::NoModifier) {
        QTest::mouseClick(view->viewport(), Qt::LeftButton, keys,
                          view->visualRect(view->model()->index(row, 1)).center());
    };
    // The selected captions the list reports, which the view must draw.
    const auto selected = [&] {
        QStringList listed, shown;
        for (int row = 0; row < jobs.rowCount(); ++row) {
            if (jobs.isSelected(row))
                listed << jobs.caption(row);
            if (view->selectionModel()->isRowSelected(row, QModelIndex()))
                shown << jobs.caption(row);
        }
        EXPECT_EQ(shown, listed);
        return listed.join(QLatin1Char(','));
    };
    // What listeners heard, each selection with the row count it came with.
    QStringList heard;
    QObject::connect(&jobs, &JobList::selectionChanged, view, [&] {
        heard << QStringLiteral("%1:%2").arg(jobs.rowCount()).arg(selected());
    });
    QObject::connect(&jobs, &JobList::rowRemoved, view, [&](int, const JobRow& removed) {
        heard << QLatin1Char('-') + removed.caption;
    });

    click(3);
    click(1, Qt::ControlModifier);
    jobs.setSelected(1, true); // selected already: nothing to tell
    EXPECT_EQ(jobs.selectedRows(), (QVector<int>{1, 3}));
    jobs.clearSelection();
    jobs.setSelected(4, true);
    // The clicked row stays selected, and current for the keys, as the rows
    // before it go.
    click(3);
    jobs.removeRow(0);
    jobs.removeRow(0);
    EXPECT_EQ(jobs.firstSelected(), 1);
    QTest::keyClick(view, Qt::Key_Down);
    // Remove selects the row that took the last removed one's place, or the
    // new last row.
    window->controller().removeSelected();
    appendCaptionRow(QStringLiteral("f"));
    jobs.clear();
    EXPECT_EQ(heard, QStringList({"5:d", "5:b,d", "5:", "5:e", "5:d", "-a", "-b", "3:e", "-e",
                                  "2:", "2:d", "0:"}));
}
