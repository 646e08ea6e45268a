#include "profiles/profiledefinitions.h"

#include <QFile>

namespace transcast
{

bool ProfileDefinitions::readGroup(const QString& path, int profile, Group& group, QString& error)
{
    group.lines.clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("Cannot open file \"%1\". %2").arg(path, file.errorString());
        return false;
    }
    const qint64 first = 4LL * profile - 3;
    const qint64 last = 4LL * profile;
    for (qint64 number = 1; number <= last && !file.atEnd(); ++number) {
        QByteArray line = file.readLine();
        if (number < first)
            continue;
        while (line.endsWith('\n') || line.endsWith('\r'))
            line.chop(1);
        // 8-bit text: every byte is one character.
        group.lines.append(QString::fromLatin1(line));
    }
    return true;
}

bool ProfileDefinitions::Group::isComplete(int profile) const
{
    if (lines.size() < 4)
        return false;
    for (const QString& line : lines) {
        if (line.trimmed().isEmpty())
            return false;
    }
    if (!optionLine().trimmed().startsWith(QLatin1Char('-')))
        return false;
    const QString first = lines.first();
    if (first.startsWith(QLatin1Char('#'))) {
        int digits = 1;
        while (digits < first.size() && first.at(digits).isDigit())
            ++digits;
        if (digits > 1 && first.mid(1, digits - 1).toInt() != profile)
            return false;
    }
    return true;
}

QStringList ProfileDefinitions::splitItems(const QString& line)
{
    QStringList items;
    QString rest = line;
    for (;;) {
        const int blank = rest.indexOf(QLatin1Char(' '));
        QString item;
        const bool last = blank < 0;
        if (last) {
            if (rest.size() >= 2)
                item = rest;
        } else {
            item = rest.left(blank);
            rest = rest.mid(blank + 1);
        }
        if (item.isEmpty())
            break;
        items.append(item);
        if (last)
            break;
    }
    return items;
}

} // namespace transcast
