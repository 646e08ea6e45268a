// The job list's one selection: rows chosen by index, held in the list's
// selection model, following its rows as rows before them go, and told to
// listeners once the rows are whole.
#include <gtest/gtest.h>

#include <QItemSelectionModel>

#include "sources/joblist.h"
#include "sources/joblistrows.h"

using namespace transcast;

TEST(JobSelection, FollowsItsRowsAndIsToldOnceTheRowsAreWhole)
{
    JobList jobs;
    for (const char* caption : {"a", "b", "c", "d", "e"}) {
        JobRow row;
        row.caption = QString::fromLatin1(caption);
        jobs.appendRow(row);
    }
    // What each listener heard: the row count and the selected captions as
    // they were when the selection was told.
    QStringList heard;
    const auto selected = [&] {
        QStringList captions;
        for (const int row : jobs.selectedRows())
            captions << jobs.caption(row);
        return captions.join(QLatin1Char(','));
    };
    QObject::connect(&jobs, &JobList::selectionChanged, [&] {
        heard << QStringLiteral("%1:%2").arg(jobs.rowCount()).arg(selected());
    });
    QObject::connect(&jobs, &JobList::rowRemoved, [&](int, const JobRow& removed) {
        heard << QStringLiteral("-") + removed.caption;
    });

    jobs.setSelected(3, true);
    jobs.setSelected(1, true);
    jobs.setSelected(3, true); // already selected: nothing to tell
    EXPECT_EQ(jobs.selectedRows(), (QVector<int>{1, 3}));
    EXPECT_EQ(jobs.firstSelected(), 1);
    // What a view writes into the selection model is the list's selection.
    jobs.selectionModel().select(jobs.rowsModel().index(4, 2),
                                 QItemSelectionModel::Select | QItemSelectionModel::Rows);
    EXPECT_TRUE(jobs.isSelected(4));
    EXPECT_FALSE(jobs.isSelected(2));
    EXPECT_FALSE(jobs.isSelected(5));

    // Rows before the selected ones go: the selection moves with its rows,
    // and a selected row that goes is told after its removal.
    jobs.removeRow(0);
    EXPECT_EQ(selected(), QStringLiteral("b,d,e"));
    jobs.removeRow(0);
    JobRow added;
    added.caption = QStringLiteral("f");
    EXPECT_FALSE(jobs.isSelected(jobs.appendRow(added)));
    EXPECT_EQ(jobs.rowsModel().rowCount(), 4);
    jobs.setSelected(1, false);
    jobs.clear();
    EXPECT_EQ(jobs.firstSelected(), -1);
    EXPECT_EQ(jobs.rowsModel().rowCount(), 0);
    EXPECT_EQ(heard, QStringList({"5:d", "5:b,d", "5:b,d,e", "-a", "-b", "3:d,e", "4:e", "0:"}));
}
