#include <cstdio>

#include <QCoreApplication>
#include <QStringList>

namespace
{

void printUsage(FILE* out)
{
    std::fputs("Usage: transcast-cli [--help] [--version]\n"
               "\n"
               "Converts video files with the same rules as the Transcast window.\n",
               out);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.contains(QStringLiteral("--version"))) {
        std::printf("transcast-cli %s\n", TRANSCAST_VERSION);
        return 0;
    }
    if (args.isEmpty() || args.contains(QStringLiteral("--help")) ||
        args.contains(QStringLiteral("-h"))) {
        printUsage(stdout);
        return 0;
    }
    std::fprintf(stderr, "transcast-cli: unknown command '%s'\n", qPrintable(args.first()));
    printUsage(stderr);
    return 2;
}
