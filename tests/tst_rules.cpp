// SPDX-License-Identifier: GPL-3.0-or-later
// The rules that need no window: drawing a question, reading what was typed, saving the record, the platform asked for.

#include "platform/displayplatform.h"
#include "platform/numbers.h"
#include "quiz/questions.h"
#include "records/recordfiles.h"
#include "tinydisk.h" // bytesOf

#include <QLockFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>
#ifdef Q_OS_UNIX // fork() and the interposed rename() of the save tests
#include <cerrno>
#include <csignal>
#include <dlfcn.h>
#include <sys/wait.h>
#include <unistd.h>

// QSaveFile puts a file in place with ::rename: the save test can make the n-th one from now fail, and no other.
static int renameToFail = 0;
extern "C" int rename(const char *from, const char *to)
{
    if (renameToFail > 0 && --renameToFail == 0)
        return errno = EIO, -1;
    return reinterpret_cast<int (*)(const char *, const char *)>(dlsym(RTLD_NEXT, "rename"))(from, to);
}
#endif

class RulesTest : public QObject
{
    Q_OBJECT
private slots:
    // Each range of the replacement table is taken at both its edges, so an off-by-one in any row shows; a first draw
    // of 0.1 is no longer 0. The same draw as a shade: red and green are 10 × shade, and 15 would paint off the scale.
    void multiplierAndShadeFollowTheDraws()
    {
        const std::pair<int, int> edges[] = { // r, in hundredths, and the multiplier it gives after a first draw of 0
            {0, 1}, {10, 1}, {11, 2}, {20, 2}, {21, 3}, {30, 3}, {31, 4}, {40, 4}, {41, 5}, {50, 5}, {51, 6}, {60, 6},
            {61, 7}, {70, 7}, {71, 5}, {77, 5}, {78, 8}, {83, 8}, {84, 9}, {89, 9}, {90, 0}, {99, 0}};
        for (const auto &[r, multiplier] : edges) // r beside each multiplier, so a failure names it
            QCOMPARE(std::pair(r, int(Quiz::multiplierFromDraws(0.0, (r + 0.5) / 100.0))), std::pair(r, multiplier));
        QCOMPARE(Quiz::multiplierFromDraws(0.0999, 0.955), qint16(0)); // just below 0.1 is 0
        QCOMPARE(Quiz::multiplierFromDraws(0.1, 0.955), qint16(1)); // 0.1 is 1 whatever r
        QCOMPARE(Quiz::multiplierFromDraws(0.99999999, 0.005), qint16(9)); // the top of the range
        QCOMPARE(Quiz::shadeFromDraw(0.0), qint16(0));
        QCOMPARE(Quiz::shadeFromDraw(0.0999), qint16(1));
        QCOMPARE(Quiz::shadeFromDraw(0.99999999), qint16(14));
    }

    // Only digits and Backspace can be typed; Enter judges.
    void keyFilterLetsThroughDigitsBackspaceAndEnter()
    {
        for (const int code : {int('0'), int('9'), 8})
            QCOMPARE(Quiz::filterKey(code), Quiz::KeyAction::Pass);
        for (const int code : {int('/'), int(':'), int('a'), int(' '), int('-'), int('.'), 0x0669, 127})
            QCOMPARE(Quiz::filterKey(code), Quiz::KeyAction::Drop);
        QCOMPARE(Quiz::filterKey(13), Quiz::KeyAction::Judge);
    }

    // Answers and record files: leading blanks skipped, a sign and a fraction read, nothing after (4e4 is 4); else 0.
    void lenientReadingTakesTheLeadingNumber()
    {
        const QList<std::pair<QString, double>> read = {{"", 0.0}, {"12\r\n", 12.0}, {" \t054", 54.0}, {"-3.5kg", -3.5},
                                                        {"4e4", 4.0}, {"abc12", 0.0}, {"+", 0.0}};
        for (const auto &[text, value] : read) // the text beside its value, so a failure names it
            QCOMPARE(std::pair(text, readNumberLenient(text)), std::pair(text, value));
    }

    // Reading an answer or a score: halves go to the even neighbour; nothing outside 16 bits passes for one that fits.
    void roundingTo16BitsAndStrictReading()
    {
        QCOMPARE(roundToInt16(2.5), std::optional<qint16>(2));
        QCOMPARE(roundToInt16(3.5), std::optional<qint16>(4));
        QCOMPARE(roundToInt16(-32768.4), std::optional<qint16>(-32768));
        QCOMPARE(roundToInt16(32767.5), std::nullopt);
        QCOMPARE(roundToInt16(qQNaN()), std::nullopt);
        QCOMPARE(incrementSaturating(32767), qint16(32767));
        QVERIFY(Quiz::isRightAnswer(QString(), 0));
        QVERIFY(!Quiz::isRightAnswer(QStringLiteral("65590"), 54)); // would wrap to 54
        // The score label is read strictly: it must be a whole number.
        QVERIFY(!Records::isBeaten(QString(), QStringLiteral("1x")));
        QVERIFY(Records::isBeaten(QStringLiteral("12\r\n"), QStringLiteral(" 13")));
    }

    // Only with no platform chosen and X there does the game ask for X11 (which reports minimising); never on Windows.
    void platformIsX11WhenADisplayIsThere()
    {
        const QByteArray x11 = QSysInfo::productType() == "windows" ? QByteArray() : "xcb"; // not Windows' desktop
        QCOMPARE(preferredPlatform(QByteArray(), ":0"), x11); // Wayland desktop, XWayland
        QCOMPARE(preferredPlatform("wayland", ":0"), QByteArray());         // the user's choice
        QCOMPARE(preferredPlatform(QByteArray(), QByteArray()), QByteArray()); // no X display
    }

#ifdef Q_OS_UNIX
    // A failed rename puts back the file it replaced; after a crash at any moment each file is whole, old or new.
    void failedOrKilledSaveLeavesOldOrNewContent()
    {
        const QString score = m_dir.path() + u'/' + Records::ScoreFileName;
        const QString holder = m_dir.path() + u'/' + Records::HolderFileName;
        const auto save = [&](bool big) {
            return Records::writeLines({{score, big ? QString(3000, u'7') : QStringLiteral("12")},
                                        {holder, big ? QString(3000, u'M') : QStringLiteral("Mario")}});
        };
        QVERIFY(!save(false).failed());
        renameToFail = 2;
        const Records::SaveFailure failure = save(true);
        QCOMPARE(failure.path, holder);
        QCOMPARE(failure.reason, QStringLiteral("non si riesce a sostituire il file vecchio (Input/output error)"));
        QCOMPARE(bytesOf(score), "12\r\n");
        QCOMPARE(bytesOf(holder), "Mario\r\n");
        QRandomGenerator random(20261206);
        for (int round = 0; round < 40; ++round) {
            const pid_t saver = fork(); // saves until it is killed, with no clean-up of any kind
            for (int i = 0; saver == 0; ++i)
                save(i % 2);
            QThread::usleep(500 + random.bounded(3000));
            QVERIFY(kill(saver, SIGKILL) == 0 && waitpid(saver, nullptr, 0) == saver);
            for (const QString &name : {score, holder}) {
                const QByteArray bytes = bytesOf(name);
                QVERIFY2(bytes == "12\r\n" || bytes == QByteArray(3000, '7') + "\r\n"
                             || bytes == "Mario\r\n" || bytes == QByteArray(3000, 'M') + "\r\n",
                         qPrintable(QStringLiteral("%1 holds %2 bytes").arg(name).arg(bytes.size())));
            }
        }
    }

    // A copy killed holding the record's lock does not keep another from saving (one that hangs: the window test's).
    void recordLockOfACopyKilledIsTakenOver()
    {
        const QString folder = m_dir.path() + QStringLiteral("/lock/");
        QVERIFY(QDir().mkpath(folder));
        const pid_t other = fork();
        if (other == 0) // takes the lock, then ends with no clean-up, as a copy that is killed: the lock file is left
            _exit(QLockFile(folder + Records::LockFileName).lock() ? 0 : 1);
        QVERIFY(waitpid(other, nullptr, 0) == other);
        QVERIFY(QFile::exists(folder + Records::LockFileName)); // the lock was taken, and is held by no one now
        const Records::SaveResult saved = Records::saveIfBeaten(folder, QStringLiteral("3"), QStringLiteral("Luigi"));
        QCOMPARE(int(saved.outcome), int(Records::Outcome::Saved));
        QCOMPARE(bytesOf(folder + Records::HolderFileName), QByteArray("Luigi\r\n"));
    }
#endif

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(RulesTest)
#include "tst_rules.moc"
