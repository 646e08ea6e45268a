// ini_writer FILE: rewrites FILE through IniFile without end, alternating a
// long value between two complete versions, until it is killed.
#include <cstdio>

#include <QString>

#include "common/inifile.h"

int main(int argc, char* argv[])
{
    if (argc != 2)
        return 2;
    transcast::IniFile ini(QString::fromLocal8Bit(argv[1]));
    const QString a(20000, QLatin1Char('a'));
    const QString b(20000, QLatin1Char('b'));
    std::puts("ready");
    std::fflush(stdout);
    for (unsigned long i = 0;; ++i)
        ini.writeString(QStringLiteral("data"), QStringLiteral("value"), (i % 2) ? a : b);
}
