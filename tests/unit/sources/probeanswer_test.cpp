// Cutting a serving encoder's answers out of what arrives on its pipe.
#include <gtest/gtest.h>

#include "sources/probeworker.h"

using namespace transcast;

// Answers arrive cut anywhere, even a byte at a time, and several may come
// in one read; each is taken whole, once, with nothing of the next.
TEST(ProbeAnswer, AnswersAreTakenWholeHoweverTheyArrive)
{
    const QByteArray first = "Input #0, avi:\r\n  Duration: 00:00:01.04\r\n";
    const QByteArray stream = "REPORT " + QByteArray::number(first.size()) + "\n" + first +
                              "REPORT 0\nREPORT 6\nREPOR";
    for (int step : {1, 3, 1000}) {
        QByteArray pending;
        QList<QByteArray> taken;
        for (int at = 0; at < stream.size(); at += step) {
            pending += stream.mid(at, step);
            QByteArray report;
            AnswerCut cut;
            while ((cut = cutAnswer(pending, report)) == AnswerCut::Whole)
                taken << report;
            EXPECT_EQ(cut, AnswerCut::Incomplete) << step << ' ' << pending.toStdString();
        }
        EXPECT_EQ(taken, QList<QByteArray>({first, QByteArray()})) << step;
        EXPECT_EQ(pending, "REPORT 6\nREPOR") << step; // the rest stays until it is whole
    }
}

// Anything else is not our encoder speaking: the caller stops asking it.
TEST(ProbeAnswer, OtherTextIsRefusedAndLeftAlone)
{
    for (const QByteArray& text :
         {QByteArray("usage: register.dat -i FILE\n"), QByteArray("u"), QByteArray("REPORT \n"),
          QByteArray("REPORT -1\n"), QByteArray("REPORT +5\nabcde"), QByteArray("REPORT 5x\nabcde"),
          QByteArray("REPORT 70000\n"), QByteArray("REPORT 99999999999999999999\n"),
          QByteArray("REPORT ") + QByteArray(40, '1'), QByteArray("report 1\nx")}) {
        QByteArray pending = text;
        QByteArray report;
        EXPECT_EQ(cutAnswer(pending, report), AnswerCut::Invalid) << text.toStdString();
        EXPECT_EQ(pending, text);
    }
}
