// The sources describe the program by its own rules: a comment that explains
// a rule by contrast with some earlier program ("unlike the older
// behaviour", "as the legacy conversions did") tells a reader nothing they
// can check.
#include <gtest/gtest.h>

#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>

TEST(Wording, NoRuleIsExplainedByAnEarlierProgram)
{
    static const QRegularExpression contrast(
        QStringLiteral(
            R"(\b(older|old|legacy|previous)\s+(behaviou?r|conversions?|program|version of the program)\b)"),
        QRegularExpression::CaseInsensitiveOption);
    QStringList found;
    for (const char* folder : {"src", "encoder", "tests"}) {
        QDirIterator it(QStringLiteral(TRANSCAST_SOURCE_DIR "/") + QLatin1String(folder),
                        {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile file(it.next());
            if (file.fileName().endsWith(QLatin1String("wording_test.cpp")) ||
                !file.open(QIODevice::ReadOnly))
                continue;
            const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
            for (int i = 0; i < lines.size(); ++i) {
                if (contrast.match(lines.at(i)).hasMatch())
                    found << QStringLiteral("%1:%2: %3")
                                 .arg(file.fileName())
                                 .arg(i + 1)
                                 .arg(lines.at(i).trimmed());
            }
        }
    }
    EXPECT_TRUE(found.isEmpty()) << found.join(QLatin1Char('\n')).toStdString();
}
