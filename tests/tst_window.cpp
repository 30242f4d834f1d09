// SPDX-License-Identifier: GPL-3.0-or-later
// The game window on the offscreen platform, with recording fakes: the
// questions and answers, the start-up, the two endings with the record
// files, and the new contest.

#include "game.h"
#include "platform/endrequests.h"

#include <QLockFile>
#include <QtTest>
#include <csignal>

namespace {

const QString Congratulation = QStringLiteral("Ok! Ho registrato il tuo record, C A M P I O N E|");
const QString Farewell = QStringLiteral("Ciao a presto. Ore 600|Data 06/12/26");
// How a game ends: the exit button, the clock, or the desktop asking the
// program to end while the farewell waits or during play.
constexpr int Exit = 0, TimeUp = 1, EndAtFarewell = 2, EndInPlay = 3;

// What the game tells a screen reader: the name of its notification each
// time it is shown.
struct Ears : QObject
{
    QStringList heard;
    explicit Ears(Game &game) { game.control<QWidget>("announcer")->installEventFilter(this); }
    bool eventFilter(QObject *announcer, QEvent *event) override
    {
        if (event->type() == QEvent::Show)
            heard << static_cast<QWidget *>(announcer)->accessibleName();
        return false;
    }
};

// Five minutes of ticks: the clock borrows a minute without ever showing
// 60 seconds, tells a screen reader at the moments to hurry, and the game
// ends on the tick after it shows 00:00:00.
void runClockOut(Game &game)
{
    Ears ears(game);
    QStringList shown, spoken;
    for (int tick = 0; tick < 300; ++tick) {
        game.window->Timer1_Timer(), shown << game.caption("lblconto");
        if (!ears.heard.isEmpty())
            spoken << shown.last() + u' ' + ears.heard.takeFirst();
    }
    QCOMPARE(spoken, QStringList({"00:04:00 Mancano 4 minuti", "00:03:00 Mancano 3 minuti", "00:02:00 Mancano 2 minuti",
                                  "00:01:00 Manca 1 minuto", "00:00:30 Mancano 30 secondi", "00:00:10 Mancano 10 secondi"}));
    QCOMPARE(shown.first() + shown.at(59) + shown.last(), QStringLiteral("00:04:5900:04:0000:00:00"));
    QVERIFY(!shown.join(u' ').contains(QLatin1String(":60")));
    QCOMPARE(game.dialogs.shown.size(), 2); // no farewell yet
    game.window->Timer1_Timer();
}

} // namespace

class WindowTest : public QObject
{
    Q_OBJECT
private slots:
    // However long a start-up message stays open, the first question finds
    // the whole five minutes.
    void startUpMessagesDoNotEatTheClock()
    {
        Game game;
        game.system.folder.clear();
        game.dialogs.whileOpen = [](const QString &text) {
            if (text.contains(QLatin1String("cartella")))
                QTest::qWait(2500);
        };
        game.start(QStringLiteral("Mario"));
        QCOMPARE(game.caption("lblconto"), QStringLiteral("00:05:00"));
        QCOMPARE(int(game.window->state().clock.remainingSeconds), 900);
        QVERIFY(game.control<QTimer>("Timer1")->isActive());
    }

    // Every typed key is reported, even one the full box refuses; an answer
    // counts once, however often Enter reaches the box.
    void answersAreJudgedOnce()
    {
        Game game;
        game.start(QStringLiteral("Mario"), 6);
        auto *box = game.control<AnswerBox>("txtAnswer");
        QList<int> reported;
        box->keyPress = [&reported, inner = box->keyPress](int &code) { reported << code; inner(code); };
        QVERIFY(box->accessibleDescription().endsWith(QLatin1String(" invio. Premi F2 quando vuoi sapere il tempo che resta e i punti."), Qt::CaseInsensitive));
        QTest::keyClicks(box, QStringLiteral("05x47"));
        QCOMPARE(box->text(), QStringLiteral("0547"));
        QTest::keyClicks(box, QStringLiteral("12"));
        QCOMPARE(reported.size(), 7);
        box->setText(QStringLiteral("054")); // as if pasted
        QTest::keyClicks(box, QStringLiteral("\r\r"));
        game.play(true, 3);
        QCOMPARE(box->accessibleDescription(), QStringLiteral("Quanto fa 9 per 3? Scrivi il risultato e premi Invio."));
        game.answer(QString()); // an empty box reads as 0
        Ears ears(game);
        QTest::keyClick(game.window.get(), Qt::Key_F2);
        QCOMPARE(ears.heard, QStringList("Mancano 5 minuti. Risposte esatte 1, errate 1, totali 2."));
        QCOMPARE(game.system.played, QStringList({QStringLiteral("/opt/quizzola/suoni/Esatto.wav"),
                                                  QStringLiteral("/opt/quizzola/suoni/no.wav")}));
        QCOMPARE(game.caption("lblScore2"), QStringLiteral("2"));
    }

    // Stored records of every kind, the ways a game ends, names of every
    // kind, and another copy of the game storing its record meanwhile.
    void endingsKeepOrReplaceTheRecord_data()
    {
        QTest::addColumn<QByteArray>("score");
        QTest::addColumn<QByteArray>("holder");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("right");
        QTest::addColumn<int>("ending");
        QTest::addColumn<QByteArray>("meanwhile"); // the score another copy stores, with "Anna"
        QTest::addColumn<QByteArray>("savedScore"); // empty: left as it was
        const QByteArray anna = "Anna\r\n", none;
        QTest::newRow("first record") << none << none << "Mario" << 1 << Exit << none << QByteArray("1\r\n");
        QTest::newRow("zero never written") << none << none << "Mario" << 0 << Exit << none << none;
        QTest::newRow("tie kept") << QByteArray("2\r\n") << anna << "Mario" << 2 << TimeUp << none << none;
        QTest::newRow("beaten when time is up") << QByteArray("2\r\n") << anna << "Mario" << 3 << TimeUp << none << QByteArray("3\r\n");
        QTest::newRow("binary score file is 0") << QByteArray("\x00\xff\xfe\x01", 4) << QByteArray("\xc3\x28") << "Mario" << 1 << Exit << none << QByteArray("1\r\n");
        QTest::newRow("digits then text") << QByteArray("12abc") << anna << "Mario" << 12 << Exit << none << none;
        QTest::newRow("10 KiB of digits") << QByteArray(10240, '9') << anna << "Mario" << 5 << Exit << none << none;
        QTest::newRow("no name") << none << none << "" << 1 << Exit << none << QByteArray("1\r\n");
        QTest::newRow("long name") << none << none << QString(10000, QChar(0x00E8)) << 1 << Exit << none << QByteArray("1\r\n");
        QTest::newRow("emoji, right to left, markup") << none << none << QStringLiteral("Zoë 😀 مريم <b>&amp;") << 1 << Exit << none << QByteArray("1\r\n");
        QTest::newRow("another copy's higher record kept") << none << none << "Bruno" << 1 << Exit << QByteArray("2\r\n") << none;
        QTest::newRow("another copy's record tied") << none << none << "Bruno" << 2 << TimeUp << QByteArray("2\r\n") << none;
        QTest::newRow("another copy's record beaten") << none << none << "Bruno" << 3 << Exit << QByteArray("2\r\n") << QByteArray("3\r\n");
        QTest::newRow("logout at the farewell saves quietly") << none << none << "Mario" << 1 << EndAtFarewell << none << QByteArray("1\r\n");
        QTest::newRow("logout during play saves nothing") << none << none << "Mario" << 1 << EndInPlay << none << none;
    }
    void endingsKeepOrReplaceTheRecord()
    {
        QFETCH(QByteArray, score);
        QFETCH(QByteArray, holder);
        QFETCH(QString, name);
        QFETCH(int, right);
        QFETCH(int, ending);
        QFETCH(QByteArray, meanwhile);
        QFETCH(QByteArray, savedScore);
        Game game;
        game.store(Records::ScoreFileName, score);
        game.store(Records::HolderFileName, holder);
        game.start(name);
        QCOMPARE(game.caption("lblnome1"), name);
        for (int i = 0; i < right; ++i)
            game.play(true);
        if (!meanwhile.isEmpty()) {
            game.store(Records::ScoreFileName, score = meanwhile);
            game.store(Records::HolderFileName, holder = "Anna\r\n");
        }
        EndRequests desktop; // SIGTERM and SIGHUP reach the game on its event loop
        QObject::connect(&desktop, &EndRequests::requested, game.window.get(), &Tavola::endRequested);
        const auto signalEnd = [&desktop](int signal) {
            QSignalSpy heard(&desktop, &EndRequests::requested);
            raise(signal);
            QVERIFY(heard.wait());
        };
        game.dialogs.whileOpen = [&signalEnd, ending](const QString &text) {
            if (ending == EndAtFarewell && text.startsWith(QLatin1String("Ciao")))
                signalEnd(SIGTERM);
        };
        if (ending == EndInPlay)
            signalEnd(SIGHUP);
        else if (ending != Exit)
            runClockOut(game);
        game.window->cmdExit_Click();
        game.window->Timer1_Timer();
        QCOMPARE(game.system.terminations, 1);
        // A new record is announced, but not to a desktop that is ending;
        // otherwise only the clock running out says goodbye.
        const QString last = !savedScore.isEmpty() && ending < EndAtFarewell ? Congratulation
                             : ending == TimeUp || ending == EndAtFarewell    ? Farewell
                                                                              : QString();
        QCOMPARE(game.dialogs.shown.size() > 2 ? game.dialogs.shown.last() : QString(), last);
        QCOMPARE(game.bytesOf(Records::ScoreFileName), savedScore.isEmpty() ? score : savedScore);
        QCOMPARE(game.bytesOf(Records::HolderFileName), savedScore.isEmpty() ? holder : name.toUtf8() + "\r\n");
    }

    // Files that cannot be used are reported in Italian, and a record that
    // could not be read or written whole is never changed, not even in half.
    void unusableRecordFilesAreNeverChanged_data()
    {
        QTest::addColumn<QString>("trouble");
        QTest::addColumn<QString>("said");
        QTest::newRow("no record folder") << "folder" << "niente cartella";
        QTest::newRow("record locked by a copy that hangs") << "locked" << "un'altra copia del gioco";
        QTest::newRow("folder in place of the score file") << "score" << "tavrec9.txt";
        QTest::newRow("holder turned folder before the save") << "holder" << "ntavrec9.txt";
        QTest::newRow("disk full at the save") << "full" << "ntavrec9.txt";
    }
    void unusableRecordFilesAreNeverChanged()
    {
        QFETCH(QString, trouble);
        QFETCH(QString, said);
        Game game;
        TinyDisk disk(game.dir.path() + QStringLiteral("/disk"));
        if (trouble == "full" && !disk.mounted)
            QSKIP("this machine does not let the test mount a small disk");
        const QString folder = trouble == "full" ? disk.folder() : game.system.folder;
        game.system.folder = folder;
        const auto turnToFolder = [&](const QString &name) {
            QVERIFY(QDir().remove(folder + name) && QDir().mkdir(folder + name));
        };
        game.store(Records::ScoreFileName, "2\r\n");
        game.store(Records::HolderFileName, "Anna\r\n");
        if (trouble == "folder")
            game.system.folder.clear();
        if (trouble == "score")
            turnToFolder(Records::ScoreFileName);
        QLockFile otherCopy(folder + Records::LockFileName);
        QVERIFY(trouble != "locked" || otherCopy.lock());
        game.start(QString(6000, u'N'));
        otherCopy.unlock(); // too late: the record could not be read at the start
        for (int i = 0; i < 3; ++i)
            game.play(true);
        if (trouble == "holder")
            turnToFolder(Records::HolderFileName);
        if (trouble == "full")
            disk.fill(8192); // room for the lock and the new score, not for the long name
        game.window->cmdExit_Click();
        const QString shown = game.dialogs.shown.join(u'\n');
        QVERIFY2(shown.contains(said), qPrintable(shown));
        QVERIFY(game.dialogs.shown.last().startsWith(QLatin1String("Non ho potuto registrare")));
        if (trouble != "score")
            QCOMPARE(bytesOf(folder + Records::ScoreFileName), QByteArray("2\r\n"));
        if (trouble != "holder")
            QCOMPARE(bytesOf(folder + Records::HolderFileName), QByteArray("Anna\r\n"));
    }

    // No keeps the game as it was; Yes starts a contest for a new player,
    // whose score holds only their own answers.
    void newContestStartsAfreshOnlyOnYes()
    {
        Game game;
        game.store(Records::ScoreFileName, "1\r\n");
        game.start(QStringLiteral("Mario"));
        game.play(true, 4);
        game.window->Next_Click();
        QCOMPARE(game.dialogs.shown.last(), QStringLiteral("INIZIAMO UNA NUOVA GARA  ?|INIZIARE NUOVA GARA"));
        QCOMPARE(game.caption("lblScore") + game.caption("lblNum2"), QStringLiteral("14"));

        game.dialogs.reply = Dialogs::Reply::Yes;
        game.dialogs.textReplies << QString() << QStringLiteral("Luigi");
        game.script(8);
        game.window->Timer1_Timer();
        game.window->Next_Click();
        QCOMPARE(game.dialogs.shown.mid(5, 2), QStringList({QStringLiteral(" Mario siccome non hai scelto arriviamo fino al 10.|"),
                                                            QStringLiteral("Come ti chiami?|")}));
        QCOMPARE(game.caption("lblNum2") + game.caption("lblconto"), QStringLiteral("800:05:00"));
        game.play(true);
        game.window->cmdExit_Click();
        QCOMPARE(game.caption("lblScore"), QStringLiteral("1"));
        QCOMPARE(game.bytesOf(Records::HolderFileName), QByteArray());
    }
};

QTEST_MAIN(WindowTest)
#include "tst_window.moc"
