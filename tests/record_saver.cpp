// Saves the record over and over, alternating between two contents, until
// it is killed; prints "saving" once the first save is done. The rules test
// kills it at random moments.  Usage: record_saver <folder/>

#include "records/recordfiles.h"

#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc != 2)
        return 2;
    const QString folder = QString::fromLocal8Bit(argv[1]);
    // Long contents, so a torn write would show as a short file.
    for (int round = 0;; ++round) {
        const bool longOne = round % 2;
        const QString score = longOne ? QString(3000, QLatin1Char('7')) : QStringLiteral("12");
        const QString holder = longOne ? QString(3000, QLatin1Char('M')) : QStringLiteral("Mario");
        if (Records::writeLines({{folder + Records::ScoreFileName, score},
                                 {folder + Records::HolderFileName, holder}}).failed())
            return 1;
        if (round == 0 && std::puts("saving") >= 0)
            std::fflush(stdout);
    }
}
