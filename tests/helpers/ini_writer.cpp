// ini_writer FILE: rewrites FILE through IniFile without end, alternating a
// long value between two complete versions, until it is killed.
// ini_writer FILE SECTION COUNT: writes 1, 2 ... COUNT as SECTION's "value",
// one write each, then ends.
#include <cstdio>
#include <cstdlib>

#include <QString>

#include "common/inifile.h"

int main(int argc, char* argv[])
{
    if (argc != 2 && argc != 4)
        return 2;
    transcast::IniFile ini(QString::fromLocal8Bit(argv[1]));
    std::puts("ready");
    std::fflush(stdout);
    if (argc == 4) {
        const QString section = QString::fromLocal8Bit(argv[2]);
        const int count = std::atoi(argv[3]);
        for (int i = 1; i <= count; ++i) {
            if (!ini.writeInteger(section, QStringLiteral("value"), i))
                return 1;
        }
        return 0;
    }
    const QString a(20000, QLatin1Char('a'));
    const QString b(20000, QLatin1Char('b'));
    for (unsigned long i = 0;; ++i)
        ini.writeString(QStringLiteral("data"), QStringLiteral("value"), (i % 2) ? a : b);
}
