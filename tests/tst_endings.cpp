// How a game ends: the clock running out or the exit button, the record
// check, the record files written or left alone, the messages shown, and
// the new contest started from the menu.

#include "gamefixture.h"
#include "tinydisk.h"

#include <QDir>
#include <QTimer>
#include <QtTest>

namespace {

const QString Congratulation = QStringLiteral("Ok! Ho registrato il tuo record, C A M P I O N E");
const QString Farewell = QStringLiteral("Ciao a presto. Ore 600");

void runClockOut(Game &game)
{
    for (int i = 0; i < 301; ++i)
        game.window->Timer1_Timer();
}

} // namespace

class EndingsTest : public QObject
{
    Q_OBJECT
private slots:
    void clockCountsDownAndEndsAfterZero();
    void endingMatrix_data();
    void endingMatrix();
    void folderInPlaceOfRecordFileAtTheEnd();
    void fullDiskAtTheEnd();
    void unreadableRecordIsNeverOverwritten();
    void hostileRecordFiles_data();
    void hostileRecordFiles();
    void unusualNamesAreStoredIntact_data();
    void unusualNamesAreStoredIntact();
    void tickDuringFarewellDoesNothing();
    void newContestAnsweredNoChangesNothing();
    void newContestStartsAfresh_data();
    void newContestStartsAfresh();
};

void EndingsTest::clockCountsDownAndEndsAfterZero()
{
    Game game;
    game.start(QStringLiteral("Mario"));
    const QMap<int, QString> expected = {
        {1, QStringLiteral("00:04:59")}, {60, QStringLiteral("00:04:00")}, {300, QStringLiteral("00:00:00")}};
    for (int tick = 1; tick <= 300; ++tick) {
        game.window->Timer1_Timer();
        const QString shown = game.caption("lblconto");
        QVERIFY2(!shown.endsWith(QLatin1String(":60")), qPrintable(shown));
        if (expected.contains(tick))
            QCOMPARE(shown, expected.value(tick));
    }
    // The display reads 00:00:00, and the game is not over yet.
    QCOMPARE(game.system.terminations, 0);
    QCOMPARE(game.dialogs.messages().size(), 1);
    QCOMPARE(int(game.window->state().clock.remainingSeconds), 600);
    game.window->Timer1_Timer();
    QCOMPARE(game.dialogs.shown.last(),
             (FakeDialogs::Shown{QStringLiteral("message"), Farewell, QStringLiteral("Data 06/12/26")}));
    QCOMPARE(game.system.terminations, 1);
    QVERIFY(!game.control<QTimer>("Timer1")->isActive());
}

void EndingsTest::endingMatrix_data()
{
    QTest::addColumn<bool>("timeUp");
    QTest::addColumn<bool>("recordFileExists");
    QTest::addColumn<QByteArray>("score");
    QTest::addColumn<int>("right");
    QTest::addColumn<bool>("written");

    const QByteArray huge = QByteArray(10 * 1024 * 1024, '9');
    const QByteArray binary("\x00\xff\xfe\x01\x89PNG", 8);
    for (bool timeUp : {true, false}) {
        const char *how = timeUp ? "time up" : "exit button";
        QTest::addRow("%s, no record file, 0 right", how) << timeUp << false << QByteArray() << 0 << false;
        QTest::addRow("%s, no record file, 1 right", how) << timeUp << false << QByteArray() << 1 << true;
        QTest::addRow("%s, empty file, 1 right", how) << timeUp << true << QByteArray() << 1 << true;
        QTest::addRow("%s, 12 stored, 11 right", how) << timeUp << true << QByteArray("12\r\n") << 11 << false;
        QTest::addRow("%s, 12 stored, 12 right (tie)", how) << timeUp << true << QByteArray("12\r\n") << 12 << false;
        QTest::addRow("%s, 12 stored, 13 right", how) << timeUp << true << QByteArray("12\r\n") << 13 << true;
        QTest::addRow("%s, damaged abc, 1 right", how) << timeUp << true << QByteArray("abc") << 1 << true;
        QTest::addRow("%s, binary bytes, 1 right", how) << timeUp << true << binary << 1 << true;
        QTest::addRow("%s, huge file of digits, 13 right", how) << timeUp << true << huge << 13 << false;
    }
}

void EndingsTest::endingMatrix()
{
    QFETCH(bool, timeUp);
    QFETCH(bool, recordFileExists);
    QFETCH(QByteArray, score);
    QFETCH(int, right);
    QFETCH(bool, written);

    Game game;
    const QByteArray holder = "Anna\r\n";
    if (recordFileExists)
        game.storeRecord(score, holder);
    game.start(QStringLiteral("Mario"));
    game.answerRight(right);
    game.answer(QStringLiteral("1000")); // and one wrong, which never counts
    const int shownBefore = game.dialogs.shown.size();

    if (timeUp)
        runClockOut(game);
    else
        QTest::keyClick(game.control<QPushButton>("cmdExit"), Qt::Key_Space);

    QList<FakeDialogs::Shown> expected;
    if (timeUp)
        expected << FakeDialogs::Shown{QStringLiteral("message"), Farewell, QStringLiteral("Data 06/12/26")};
    if (written)
        expected << FakeDialogs::Shown{QStringLiteral("message"), Congratulation, QString()};
    QCOMPARE(game.dialogs.shown.mid(shownBefore), expected);
    QCOMPARE(game.system.terminations, 1);

    if (written) {
        QCOMPARE(game.bytesOf(QStringLiteral("tavrec9.txt")), QByteArray::number(right) + "\r\n");
        QCOMPARE(game.bytesOf(QStringLiteral("ntavrec9.txt")), QByteArray("Mario\r\n"));
    } else {
        QCOMPARE(game.bytesOf(QStringLiteral("tavrec9.txt")), score);
        QCOMPARE(game.bytesOf(QStringLiteral("ntavrec9.txt")), recordFileExists ? holder : QByteArray());
    }
}

void EndingsTest::folderInPlaceOfRecordFileAtTheEnd()
{
    // The holder file turns into a folder during the game: the score is
    // saved, the failure is told, and no congratulation is shown.
    Game game;
    game.storeRecord("2\r\n", "Anna\r\n");
    game.start(QStringLiteral("Mario"));
    game.answerRight(3);
    const QString holder = game.recordFile(QStringLiteral("ntavrec9.txt"));
    QVERIFY(QFile::remove(holder));
    QVERIFY(QDir().mkdir(holder));
    game.window->cmdExit_Click();
    const QString last = game.dialogs.messages().last();
    QVERIFY2(last.startsWith(QStringLiteral("Non ho potuto registrare il tuo record")), qPrintable(last));
    QVERIFY(last.contains(QStringLiteral("ntavrec9.txt")));
    QVERIFY(!game.dialogs.messages().contains(Congratulation));
    QCOMPARE(game.system.terminations, 1);
    QVERIFY(QFileInfo(holder).isDir());
}

void EndingsTest::fullDiskAtTheEnd()
{
    Game game;
    TinyDisk disk(game.dir.filePath(QStringLiteral("disk")));
    if (!disk.mounted())
        QSKIP("This machine does not let the test mount a small tmpfs, so a full disk cannot be made");
    game.system.folder = disk.folder();

    game.storeRecord("2\r\n", "Anna\r\n");
    game.start(QString(3000, QChar(0x00E8))); // a long name: the holder line needs room
    game.answerRight(3);
    disk.fill();
    game.window->cmdExit_Click();
    const QString last = game.dialogs.messages().last();
    QVERIFY2(last.contains(QStringLiteral("disco")), qPrintable(last));
    QVERIFY(!game.dialogs.messages().contains(Congratulation));
    QCOMPARE(game.system.terminations, 1);
    // Whatever could not be written keeps its old content whole.
    const QByteArray score = game.bytesOf(QStringLiteral("tavrec9.txt"));
    QVERIFY2(score == "2\r\n" || score == "3\r\n", score.constData());
    QCOMPARE(game.bytesOf(QStringLiteral("ntavrec9.txt")), QByteArray("Anna\r\n"));
}

void EndingsTest::unreadableRecordIsNeverOverwritten()
{
    // The score file cannot be read at start (a folder stands in its place
    // and is replaced by a file later): its record is unknown, so even a
    // good game does not overwrite it.
    Game game;
    const QString scoreFile = game.recordFile(QStringLiteral("tavrec9.txt"));
    QVERIFY(QDir().mkdir(scoreFile));
    game.start(QStringLiteral("Mario"));
    QVERIFY(QDir().rmdir(scoreFile));
    QFile file(scoreFile);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("40\r\n");
    file.close();
    game.answerRight(2);
    game.window->cmdExit_Click();
    QCOMPARE(game.bytesOf(QStringLiteral("tavrec9.txt")), QByteArray("40\r\n"));
    QVERIFY(game.dialogs.messages().last().startsWith(QStringLiteral("Non ho potuto registrare")));
    QCOMPARE(game.system.terminations, 1);
}

void EndingsTest::hostileRecordFiles_data()
{
    QTest::addColumn<QByteArray>("stored");   // the score file's bytes, or a kind of damage
    QTest::addColumn<QString>("shownRecord"); // what lblpunti shows at start
    QTest::addColumn<int>("right");
    QTest::addColumn<bool>("overwritten");

    QTest::newRow("empty") << QByteArray() << "" << 1 << true;
    QTest::newRow("only CR LF") << QByteArray("\r\n") << "\r\n" << 1 << true;
    QTest::newRow("negative") << QByteArray("-5\r\n") << "-5\r\n" << 1 << true;
    QTest::newRow("beyond 16 bits, unbeatable") << QByteArray("99999999999\r\n") << "99999999999\r\n" << 20
                                                << false;
    QTest::newRow("digits then letters, beaten") << QByteArray("12abc") << "12abc" << 13 << true;
    QTest::newRow("digits then letters, tie") << QByteArray("12abc") << "12abc" << 12 << false;
    QTest::newRow("NUL bytes") << QByteArray("\0\0\0", 3) << QString(3, QChar(0)) << 1 << true;
    QTest::newRow("invalid UTF-8") << QByteArray("\xff\xfe") << QString::fromUtf8("\uFFFD\uFFFD") << 1 << true;
    QTest::newRow("10 MB of digits") << QByteArray(10 * 1024 * 1024, '9') << QString(4096, QLatin1Char('9')) << 20
                                     << false;
    QTest::newRow("folder in its place") << QByteArray("<folder>") << "" << 5 << false;
    QTest::newRow("dangling link") << QByteArray("<link>") << "" << 5 << false;
}

void EndingsTest::hostileRecordFiles()
{
    QFETCH(QByteArray, stored);
    QFETCH(QString, shownRecord);
    QFETCH(int, right);
    QFETCH(bool, overwritten);

    Game game;
    const QString scoreFile = game.recordFile(QStringLiteral("tavrec9.txt"));
    if (stored == "<folder>") {
        QVERIFY(QDir().mkdir(scoreFile));
    } else if (stored == "<link>") {
        QVERIFY(QFile::link(game.dir.filePath(QStringLiteral("gone/away.txt")), scoreFile));
    } else {
        game.storeRecord(stored, "Anna\r\n");
    }
    game.start(QStringLiteral("Mario"));
    QCOMPARE(game.caption("lblpunti"), shownRecord);
    game.answerRight(right);
    game.window->cmdExit_Click();
    QCOMPARE(game.system.terminations, 1);

    const QFileInfo info(scoreFile);
    if (overwritten) {
        QCOMPARE(game.bytesOf(QStringLiteral("tavrec9.txt")), QByteArray::number(right) + "\r\n");
        QCOMPARE(game.dialogs.messages().last(), Congratulation);
    } else if (stored == "<folder>") {
        QVERIFY(info.isDir());
    } else if (stored == "<link>") {
        QVERIFY(info.isSymLink() && !info.exists());
    } else {
        QCOMPARE(game.bytesOf(QStringLiteral("tavrec9.txt")), stored);
    }
    if (!overwritten)
        QVERIFY(!game.dialogs.messages().contains(Congratulation));
}

void EndingsTest::unusualNamesAreStoredIntact_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("10000 characters") << QString(10000, QLatin1Char('a'));
    QTest::newRow("accents") << QString::fromUtf8("Nicolò Ç ß");
    QTest::newRow("emoji") << QString::fromUtf8("Ada \U0001F600\U0001F44D");
    QTest::newRow("right to left") << QString::fromUtf8("\u05D3\u05E0\u05D4 \u0645\u0631\u064A\u0645");
    QTest::newRow("markup stays text") << "<b>Bob</b> & co";
    QTest::newRow("empty") << "";
}

void EndingsTest::unusualNamesAreStoredIntact()
{
    QFETCH(QString, name);
    Game game;
    game.start(name);
    QCOMPARE(game.caption("lblnome1"), name);
    game.answerRight(1);
    QCOMPARE(game.caption("lblMessage"), QString()); // the next question cleared it
    game.window->cmdExit_Click();
    QCOMPARE(game.bytesOf(QStringLiteral("ntavrec9.txt")), name.toUtf8() + "\r\n");

    // The next game shows the holder as stored, as far as the first 4 KiB
    // of the file that start-up reads.
    Game next;
    next.system.folder = game.system.folder;
    next.start(QStringLiteral("Luigi"));
    const QByteArray line = name.toUtf8() + "\r\n";
    QCOMPARE(next.caption("lblnome"), QString::fromUtf8(line.left(4096)));
}

void EndingsTest::tickDuringFarewellDoesNothing()
{
    Game game;
    game.start(QStringLiteral("Mario"));
    game.answerRight(1);
    int farewells = 0;
    game.dialogs.whileOpen = [&](const FakeDialogs::Shown &shown) {
        if (shown.text == Farewell) {
            ++farewells;
            QVERIFY(!game.control<QTimer>("Timer1")->isActive());
            game.window->Timer1_Timer(); // a tick that was already on its way
            game.window->Timer1_Timer();
        }
    };
    runClockOut(game);
    QCOMPARE(farewells, 1);
    QCOMPARE(game.dialogs.messages().count(Congratulation), 1);
    QCOMPARE(game.system.terminations, 1);
}

void EndingsTest::newContestAnsweredNoChangesNothing()
{
    Game game;
    game.start(QStringLiteral("Mario"), 6);
    game.answer(QStringLiteral("54"));
    game.window->Timer1_Timer();
    game.dialogs.yesNoReplies.enqueue(Dialogs::Reply::No);
    game.window->Next_Click();
    QCOMPARE(game.dialogs.shown.last(),
             (FakeDialogs::Shown{QStringLiteral("question"), QStringLiteral("INIZIAMO UNA NUOVA GARA  ?"),
                                 QStringLiteral("INIZIARE NUOVA GARA")}));
    QCOMPARE(game.caption("lblScore"), QStringLiteral("1"));
    QCOMPARE(game.caption("lblMessage"), QStringLiteral("Esatto! Mario sei forte!"));
    QCOMPARE(game.caption("lblconto"), QStringLiteral("00:04:59"));
    QVERIFY(game.window->isVisible());
}

void EndingsTest::newContestStartsAfresh_data()
{
    QTest::addColumn<QString>("limit");
    QTest::newRow("limit given") << "5";
    QTest::newRow("limit left empty") << "";
}

void EndingsTest::newContestStartsAfresh()
{
    QFETCH(QString, limit);
    Game game;
    game.storeRecord("1\r\n", "Anna\r\n");
    game.start(QStringLiteral("Mario"), 6);
    game.answerRight(2);
    game.answer(QStringLiteral("1000"));
    for (int i = 0; i < 10; ++i)
        game.window->Timer1_Timer();

    bool visibleDuringDialogs = true;
    game.dialogs.whileOpen = [&](const FakeDialogs::Shown &shown) {
        if (shown.text == QLatin1String("Come ti chiami?"))
            visibleDuringDialogs = game.window->isVisible();
    };
    game.dialogs.yesNoReplies.enqueue(Dialogs::Reply::Yes);
    game.dialogs.textReplies << limit << QStringLiteral("Luigi");
    game.random.scriptQuestion(4, 9);
    const int before = game.dialogs.shown.size();
    game.window->Next_Click();

    QList<FakeDialogs::Shown> expected = {
        {QStringLiteral("question"), QStringLiteral("INIZIAMO UNA NUOVA GARA  ?"), QStringLiteral("INIZIARE NUOVA GARA")},
        {QStringLiteral("input"), QStringLiteral("Tavola pitagorica fino al numero? "), QString()},
    };
    if (limit.isEmpty())
        expected << FakeDialogs::Shown{QStringLiteral("message"),
                                       QStringLiteral(" Mario siccome non hai scelto arriviamo fino al 10."), QString()};
    expected << FakeDialogs::Shown{QStringLiteral("input"), QStringLiteral("Come ti chiami?"), QString()}
             << FakeDialogs::Shown{QStringLiteral("message"),
                                   QStringLiteral(" Luigi vediamo se sei un vero campione  "), QString()};
    QCOMPARE(game.dialogs.shown.mid(before), expected);
    QVERIFY(!visibleDuringDialogs);
    QCOMPARE(game.window->state().tableLimitText, limit);

    // Everything as at a first start, and the first question asked.
    QVERIFY(game.window->isVisible());
    QCOMPARE(game.window->windowTitle(), QStringLiteral("Gioca con la Quizzola"));
    QCOMPARE(game.caption("lblnome1"), QStringLiteral("Luigi"));
    QCOMPARE(game.caption("lblScore"), QStringLiteral("0"));
    QCOMPARE(game.caption("lblScore1"), QStringLiteral("0"));
    QCOMPARE(game.caption("lblScore2"), QStringLiteral("0"));
    QCOMPARE(game.caption("lblconto"), QStringLiteral("00:05:00"));
    QCOMPARE(game.caption("lblpunti"), QStringLiteral("1\r\n"));
    QCOMPARE(game.caption("lblNum2"), QStringLiteral("9"));
    QVERIFY(game.control<QTimer>("Timer1")->isActive());
    QVERIFY(!game.control<QWidget>("cmdNext")->isEnabled());
    QCOMPARE(int(game.window->state().clock.remainingSeconds), 900);

    // The new player's counts start at 0: one right answer is a score of 1,
    // which does not beat the stored record of 1.
    game.answer(QStringLiteral("81"));
    QCOMPARE(game.caption("lblScore"), QStringLiteral("1"));
    QCOMPARE(game.caption("lblScore2"), QStringLiteral("1"));
    game.window->cmdExit_Click();
    QCOMPARE(game.bytesOf(QStringLiteral("tavrec9.txt")), QByteArray("1\r\n"));
    QCOMPARE(game.system.terminations, 1);
}

QTEST_MAIN(EndingsTest)
#include "tst_endings.moc"
