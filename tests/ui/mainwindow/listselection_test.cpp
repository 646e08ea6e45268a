// The list view's selection is the job list's: a click, a key and the
// program change one state, which follows its rows as rows before it go.
#include "windowfixture.h"

#include <QItemSelectionModel>
#include <QSignalSpy>
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
    EXPECT_EQ(view->selectionModel(), &jobs.selectionModel());
    const auto click = [&](int row, Qt::KeyboardModifiers keys = Qt::NoModifier) {
        QTest::mouseClick(view->viewport(), Qt::LeftButton, keys,
                          view->visualRect(view->model()->index(row, 1)).center());
    };
    const auto captions = [&](const std::function<bool(int)>& selected) {
        QStringList found;
        for (int row = 0; row < jobs.rowCount(); ++row) {
            if (selected(row))
                found << jobs.caption(row);
        }
        return found;
    };
    // What the list reports, and what the view draws as selected.
    const auto listed = [&] { return captions([&](int row) { return jobs.isSelected(row); }); };
    const auto shown = [&] {
        return captions(
            [&](int row) { return view->selectionModel()->isRowSelected(row, QModelIndex()); });
    };
    QSignalSpy told(&jobs, &JobList::selectionChanged);

    click(3);
    EXPECT_EQ(jobs.selectedRows(), QVector<int>{3});
    click(1, Qt::ControlModifier);
    EXPECT_EQ(listed(), QStringList({"b", "d"}));
    EXPECT_EQ(told.count(), 2);
    jobs.clearSelection();
    jobs.setSelected(4, true);
    EXPECT_EQ(shown(), QStringList{"e"});

    // The clicked row stays selected, and current for the keys, as the
    // rows before it go.
    click(3);
    jobs.removeRow(0);
    jobs.removeRow(0);
    EXPECT_EQ(listed(), QStringList{"d"});
    EXPECT_EQ(shown(), QStringList{"d"});
    QTest::keyClick(view, Qt::Key_Down);
    EXPECT_EQ(listed(), QStringList{"e"});
    // Remove selects the row that took the last removed one's place, or the
    // new last row; the view shows it.
    window->controller().removeSelected();
    EXPECT_EQ(shown(), QStringList{"d"});
    EXPECT_EQ(listed(), QStringList{"d"});
}
