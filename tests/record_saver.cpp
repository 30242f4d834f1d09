// Saves the two record files over and over, alternating between two
// contents, until it is killed. The record tests kill it at random moments
// and check that every file still holds one whole content.
//
// Usage: record_saver <folder/>   (prints "saving" once the first round is done)

#include "records/recordfiles.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 2)
        return 2;
    const QString folder = QString::fromLocal8Bit(argv[1]);
    // Long contents, so a torn write would show as a short file.
    const QString scores[] = {QStringLiteral("12"), QString(3000, QLatin1Char('7'))};
    const QString holders[] = {QStringLiteral("Mario"), QString(3000, QChar(0x00E8))};
    for (unsigned round = 0;; ++round) {
        const int which = round % 2;
        if (!Records::writeLine(folder + Records::ScoreFileName, scores[which]).isEmpty()
            || !Records::writeLine(folder + Records::HolderFileName, holders[which]).isEmpty())
            return 1;
        if (round == 0) {
            std::puts("saving");
            std::fflush(stdout);
        }
    }
}
