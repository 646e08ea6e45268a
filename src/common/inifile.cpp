#include "common/inifile.h"

#include <QFile>
#include <QSaveFile>
#include <QStringList>

#include "common/textutil.h"

namespace transcast
{

namespace
{

QStringList readLines(const QString& path)
{
    if (path.isEmpty())
        return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QString text = QString::fromUtf8(file.readAll());
    text.remove(QLatin1Char('\r'));
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// The name of a "[section]" line, or a null string for any other line.
QString sectionName(const QString& line)
{
    const QString trimmed = line.trimmed();
    if (!trimmed.startsWith(QLatin1Char('[')))
        return QString();
    const int close = trimmed.indexOf(QLatin1Char(']'));
    if (close < 0)
        return QString();
    return trimmed.mid(1, close - 1).trimmed();
}

bool isComment(const QString& line)
{
    const QString trimmed = line.trimmed();
    return trimmed.startsWith(QLatin1Char(';'));
}

bool sameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

struct KeyLine {
    QString key;
    QString value;
};

// Splits "key=value"; a line without "=" has no key.
bool splitKeyLine(const QString& line, KeyLine& out)
{
    if (isComment(line))
        return false;
    const int eq = line.indexOf(QLatin1Char('='));
    if (eq < 0)
        return false;
    out.key = line.left(eq).trimmed();
    out.value = line.mid(eq + 1).trimmed();
    return !out.key.isEmpty();
}

// Values written in quotes read without them, as the profile services do.
QString unquote(const QString& value)
{
    if (value.size() >= 2) {
        const QChar first = value.front();
        if ((first == QLatin1Char('"') || first == QLatin1Char('\'')) && value.back() == first)
            return value.mid(1, value.size() - 2);
    }
    return value;
}

} // namespace

IniFile::IniFile(QString path) : m_path(std::move(path)) {}

QString IniFile::readString(const QString& section, const QString& key,
                            const QString& defaultValue) const
{
    bool inSection = false;
    for (const QString& line : readLines(m_path)) {
        const QString name = sectionName(line);
        if (!name.isNull()) {
            inSection = sameName(name, section);
            continue;
        }
        KeyLine kv;
        if (inSection && splitKeyLine(line, kv) && sameName(kv.key, key))
            return unquote(kv.value);
    }
    return defaultValue;
}

int IniFile::readInteger(const QString& section, const QString& key, int defaultValue) const
{
    const auto value = parseInt32(readString(section, key).trimmed());
    return value ? *value : defaultValue;
}

bool IniFile::readBool(const QString& section, const QString& key, bool defaultValue) const
{
    return readInteger(section, key, defaultValue ? 1 : 0) != 0;
}

bool IniFile::writeString(const QString& section, const QString& key, const QString& value)
{
    if (m_path.isEmpty())
        return false;
    QStringList lines = readLines(m_path);
    const QString entry = key + QLatin1Char('=') + value;

    int sectionStart = -1; // index of the section line
    int lastKeyLine = -1;  // last line of the section holding a key
    bool replaced = false;
    for (int i = 0; i < lines.size() && !replaced; ++i) {
        const QString name = sectionName(lines.at(i));
        if (!name.isNull()) {
            if (sectionStart >= 0)
                break; // the section ended without the key
            if (sameName(name, section)) {
                sectionStart = i;
                lastKeyLine = i;
            }
            continue;
        }
        if (sectionStart < 0)
            continue;
        KeyLine kv;
        if (splitKeyLine(lines.at(i), kv)) {
            lastKeyLine = i;
            if (sameName(kv.key, key)) {
                lines[i] = kv.key + QLatin1Char('=') + value;
                replaced = true;
            }
        }
    }
    if (!replaced) {
        if (sectionStart >= 0) {
            lines.insert(lastKeyLine + 1, entry);
        } else {
            if (!lines.isEmpty() && !lines.last().trimmed().isEmpty())
                lines.append(QString());
            lines.append(QLatin1Char('[') + section + QLatin1Char(']'));
            lines.append(entry);
        }
    }

    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray data = (lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8();
    if (file.write(data) != data.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

bool IniFile::writeInteger(const QString& section, const QString& key, int value)
{
    return writeString(section, key, QString::number(value));
}

bool IniFile::writeBool(const QString& section, const QString& key, bool value)
{
    return writeString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

} // namespace transcast
