// SPDX-License-Identifier: GPL-3.0-or-later
// The game window, offscreen, with recording fakes: start-up, answers, speech, endings, record files, new contest.

#include "game.h"
#include "platform/endrequests.h"

#include <QLabel>
#include <QLockFile>
#include <QtTest>
#include <csignal>

const QString Congratulation = QStringLiteral("Ok! Ho registrato il tuo record, C A M P I O N E|");
const QString FirstQuestionOf6 = QStringLiteral("txtAnswer: Quanto fa 9 per 6? Scrivi il risultato e premi Invio. "
                                                "Premi F2 quando vuoi sapere il tempo che resta e i punti.");
// How a game ends: the exit button, the clock, or the desktop ending the program at the farewell or during play.
constexpr int Exit = 0, TimeUp = 1, EndAtFarewell = 2, EndInPlay = 3;
struct Ending // a game for the record
{
    QByteArray score, holder; // the record files stored before
    QString name;
    int right, ending; // right answers, how the game ends
    QByteArray meanwhile, savedScore; // another copy's score, stored meanwhile with "Anna"; the score saved, if any
};

// Five minutes of ticks: the clock borrows a minute without ever showing 60 seconds, tells a screen reader at the
// moments to hurry, and the game ends on the tick after it shows 00:00:00.
static void runClockOut(Game &game)
{
    game.system.said.clear();
    QStringList shown, spoken;
    for (int tick = 0; tick < 300; ++tick) {
        game.window->Timer1_Timer();
        shown << game.caption("lblconto");
        if (!game.system.said.isEmpty())
            spoken << shown.last() + u' ' + game.system.said.takeFirst();
    }
    QCOMPARE(spoken, QStringList({"00:04:00 Mancano 4 minuti", "00:03:00 Mancano 3 minuti",
                                  "00:02:00 Mancano 2 minuti", "00:01:00 Manca 1 minuto",
                                  "00:00:30 Mancano 30 secondi", "00:00:10 Mancano 10 secondi"}));
    QCOMPARE(QStringList({shown.at(0), shown.at(59), shown.at(60), shown.last()}),
             QStringList({"00:04:59", "00:04:00", "00:03:59", "00:00:00"}));
    QCOMPARE(game.dialogs.shown.size(), 2); // no farewell yet
    game.window->Timer1_Timer();
    QCOMPARE(game.dialogs.shown.value(2), QStringLiteral("Ciao a presto. Ore 600|Data 06/12/26"));
}

class WindowTest : public QObject
{
    Q_OBJECT
private slots:
    // Captions keep their designed blanks; minimised, the window's tells what the game is about, also once restored.
    // Button faces and the pointer are their own PNGs, one pixel a point. Only digits, four at most, get into the box,
    // other keys edit as usual; an answer counts once however often Enter reaches it, even pasted past the key filter.
    // Tab then goes from the button that has the turn to the box, the hidden Command1, the exit button and back.
    void looksAsDesignedAnswerJudgedOnceAndTabFollowsTheTurn()
    {
        Game game;
        game.start(QStringLiteral("Mario"), 6); // a question asked: the next button waits, disabled
        QCOMPARE(game.caption("Label12"), QStringLiteral("Il record  è di "));
        QCOMPARE(game.window->windowTitle(), QStringLiteral("Gioca con la Quizzola"));
        game.window->showMinimized();
        game.window->showMaximized();
        QCOMPARE(game.window->windowTitle(), QStringLiteral("Giocare con la tavola pitagorica"));
        auto *next = game.control<PictureButton>("cmdNext");
        QCOMPARE(game.control<PictureButton>("cmdExit")->currentPicture().pixmap(32), QPixmap(":/art/32/exit.png"));
        QCOMPARE(next->currentPicture().pixmap(32), QPixmap(":/art/32/next-disabled.png"));
        auto *box = game.control<AnswerBox>("txtAnswer");
        QTest::keyClicks(box, QStringLiteral("05x4712"));
        QTest::keyClick(box, Qt::Key_Home); // then Delete, as X11 types it
        QTest::sendKeyEvent(QTest::Click, box, Qt::Key_Delete, QStringLiteral("\x7f"), Qt::NoModifier);
        QCOMPARE(box->text(), QStringLiteral("547"));
        box->setText(QStringLiteral("0054"));
        QTest::keyClicks(box, QStringLiteral("\r\r"));
        QCOMPARE(game.counts(), QStringLiteral("1 0 1"));
        QCOMPARE(next->currentPicture().pixmap(32), QPixmap(":/art/32/next-normal.png"));
        for (const char *name : {"txtAnswer", "Command1", "cmdExit", "cmdNext"}) { // from the button that has the turn
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget()->objectName(), QLatin1String(name));
        }
        next->setDown(true); // held down
        QCOMPARE(next->currentPicture().pixmap(32), QPixmap(":/art/32/next-pressed.png"));
        QCOMPARE(game.window->centralWidget()->cursor().pixmap(), QPixmap(":/art/48/pointer.png"));
    }

    // The whole design is drawn at the largest scale s that fits the client area, centred in the width it does not
    // need: each box, font and border times s, nothing cut off, the clock's picture drawn at its box's size.
    void theDesignFitsAnyClientArea_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::newRow("the design's own size") << QSize(792, 554);
        QTest::newRow("twice the design") << QSize(1584, 1108);
        QTest::newRow("laptop") << QSize(1366, 768);
        QTest::newRow("phone, portrait") << QSize(360, 640);
        QTest::newRow("4K") << QSize(3840, 2160);
    }
    void theDesignFitsAnyClientArea()
    {
        QFETCH(QSize, size);
        Game game;
        game.start(QStringLiteral("Mario"));
        auto *client = game.control<QWidget>("client");
        const auto resizeClient = [&](QSize to) {
            game.window->resize(game.window->size() + to - client->size());
            QTRY_COMPARE(client->size(), to);
        };
        game.window->showNormal();
        resizeClient(QSize(792, 554));
        const QList<QWidget *> controls = client->findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
        QHash<QWidget *, std::pair<QRect, int>> designed; // where each control lies at the design's size, its font
        for (QWidget *control : controls)
            designed[control] = {control->geometry(), control->font().pixelSize()};
        QCOMPARE(game.control<QWidget>("txtAnswer")->geometry(), QRect(544, 0, 185, 80)); // to the pixel, at that size
        QCOMPARE(game.control<QWidget>("cmdExit")->geometry(), QRect(512, 352, 137, 73));
        QCOMPARE(game.control<QWidget>("Label12")->geometry(), QRect(8, 504, 193, 41));
        resizeClient(size);
        const qreal s = std::min(size.width() / 792.0, size.height() / 554.0);
        const int left = qRound((size.width() - 792 * s) / 2);
        const QStringList fitted = {"lblNum1", "lblNum2", "lblnome1", "lblnome", "lblpunti"}; // placed by the corner
        for (QWidget *control : controls) {
            const QString name = control->objectName(); // compared beside each value, so a failure names the control
            const auto [was, font] = designed[control];
            const QRect is = control->geometry();
            const QRect placed = QRectF(was.x() * s + left, was.y() * s, was.width() * s, was.height() * s).toRect();
            const QRect shown = fitted.contains(name) ? QRect(is.topLeft(), placed.size()) : is;
            QCOMPARE(std::pair(name, shown), std::pair(name, placed));
            QVERIFY2(client->rect().contains(is), qPrintable(name));
            if (font > 0)
                QCOMPARE(std::pair(name, control->font().pixelSize()), std::pair(name, qMax(1, qRound(font * s))));
            if (auto *label = qobject_cast<QLabel *>(control); label && label->frameShape() == QFrame::Box)
                QCOMPARE(label->lineWidth(), std::max(1, qRound(s)));
        }
        const QPixmap clock = game.control("Image1")->pixmap(); // 32 pixels at the design's size
        QVERIFY(clock.width() == clock.height() && qAbs(clock.width() - 32 * s) < 1);
        if (s == 1 || s == 2) // its own PNG, as sharp as rendered at that size, not a smaller rendering enlarged
            QCOMPARE(clock, QPixmap(QStringLiteral(":/art/%1/clock.png").arg(32 * s)));
    }

    // Each answer is judged by its value: message, sound, background and counts follow. A screen reader hears each
    // question as the box takes the focus (the first tells of F2), each judgement as the button does, F2 the counts.
    // Then No to a new contest keeps the game as it was; Yes starts one for a new player, scored on their own answers.
    void answersAreJudgedAndSaidThenANewContestOnYes()
    {
        Game game;
        game.store("1\r\n", ""); // no holder file: the game makes it
        game.start(QStringLiteral("Mario"), 6);
        game.answer(QStringLiteral("45"));
        QCOMPARE(game.caption("lblMessage"), QStringLiteral("Sbagliato!! 54"));
        QCOMPARE(game.edges(), QStringLiteral("#000000 #000000"));
        QCOMPARE(game.counts(), QStringLiteral("0 1 1")); // right, wrong, total
        game.script(7);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space); // the button that has the turn
        QVERIFY(!game.control<QPushButton>("cmdNext")->isEnabled()); // till the next question is answered
        game.answer(QStringLiteral("63"));
        QCOMPARE(game.caption("lblMessage"), QStringLiteral("Esatto! Mario sei forte!"));
        QCOMPARE(game.edges(), QStringLiteral("#1e1e00 #1e1eff")); // the question's bands stay
        QCOMPARE(game.system.played, QStringList({"/opt/quizzola/suoni/no.wav", "/opt/quizzola/suoni/Esatto.wav"}));
        game.script(2);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F2);
        QCOMPARE(game.system.said, QStringList({FirstQuestionOf6, "cmdNext: Sbagliato!! 54",
                                                "txtAnswer: Quanto fa 9 per 7? Scrivi il risultato e premi Invio.",
                                                "cmdNext: Esatto! Mario sei forte!",
                                                "txtAnswer: Quanto fa 9 per 2? Scrivi il risultato e premi Invio.",
                                                "Mancano 5 minuti. Risposte esatte 1, errate 1, totali 2."}));
        game.window->Next_Click();
        QCOMPARE(game.dialogs.shown.last(), QStringLiteral("INIZIAMO UNA NUOVA GARA  ?|INIZIARE NUOVA GARA"));
        QCOMPARE(game.caption("lblScore1"), QStringLiteral("1"));
        QCOMPARE(game.caption("lblNum2"), QStringLiteral("2"));

        game.dialogs.reply = Dialogs::Reply::Yes;
        game.dialogs.textReplies << QString() << QStringLiteral("Luigi");
        game.script(8);
        game.window->Timer1_Timer();
        game.window->Next_Click();
        game.activate(); // as a desktop does with a window shown again
        QCOMPARE(game.dialogs.shown.mid(4), QStringList({"Tavola pitagorica fino al numero? |",
                                                         " Mario siccome non hai scelto arriviamo fino al 10.|",
                                                         "Come ti chiami?|",
                                                         " Luigi vediamo se sei un vero campione  |"}));
        QCOMPARE(game.caption("lblNum2"), QStringLiteral("8"));
        QCOMPARE(game.caption("lblconto"), QStringLiteral("00:05:00"));
        for (const bool right : {true, true, false})
            game.play(right);
        game.window->cmdExit_Click();
        QCOMPARE(game.counts(), QStringLiteral("2 1 3"));
        QCOMPARE(game.bytesOf(Records::HolderFileName), QByteArray("Luigi\r\n"));
    }

    // Stored records and names of every kind, each way a game ends, and another copy storing a record meanwhile.
    void endingsKeepOrReplaceTheRecord_data()
    {
        QTest::addColumn<Ending>("row");
        const QByteArray anna = "Anna\r\n", one = "1\r\n", two = "2\r\n", three = "3\r\n", none;
        const QByteArray binary("\x00\xff\xfe\x01", 4), badUtf8("\xc3\x28");
        QTest::newRow("first record") << Ending{none, none, "Mario", 1, Exit, none, one};
        QTest::newRow("zero never written") << Ending{none, none, "Mario", 0, Exit, none, none};
        QTest::newRow("tie kept") << Ending{two, anna, "Mario", 2, TimeUp, none, none};
        QTest::newRow("beaten when time is up") << Ending{two, anna, "Mario", 3, TimeUp, none, three};
        QTest::newRow("binary score file is 0") << Ending{binary, badUtf8, "Mario", 1, Exit, none, one};
        QTest::newRow("digits then text") << Ending{QByteArray("12abc"), anna, "Mario", 12, Exit, none, none};
        QTest::newRow("10 KiB of digits") << Ending{QByteArray(10240, '9'), anna, "Mario", 5, Exit, none, none};
        QTest::newRow("no name") << Ending{none, none, "", 1, Exit, none, one};
        QTest::newRow("long name") << Ending{none, none, QString(10000, QChar(0x00E8)), 1, Exit, none, one};
        QTest::newRow("emoji, Arabic, markup") << Ending{none, none, "Zoë 😀 مريم <b>&amp;", 1, Exit, none, one};
        QTest::newRow("another copy's higher record kept") << Ending{none, none, "Bruno", 1, Exit, two, none};
        QTest::newRow("another copy's record tied") << Ending{none, none, "Bruno", 2, TimeUp, two, none};
        QTest::newRow("another copy's record beaten") << Ending{none, none, "Bruno", 3, Exit, two, three};
#ifdef Q_OS_UNIX // the desktop's signals; Windows ends a session through the session manager
        QTest::newRow("logout at the farewell saves quietly")
            << Ending{none, none, "Mario", 1, EndAtFarewell, none, one};
        QTest::newRow("logout during play saves nothing") << Ending{none, none, "Mario", 1, EndInPlay, none, none};
#endif
    }
    void endingsKeepOrReplaceTheRecord()
    {
        QFETCH(Ending, row);
        auto [score, holder, name, right, ending, meanwhile, savedScore] = row;
        Game game;
        game.store(score, holder);
        game.start(name);
        const QLabel *shown = game.control("lblnome1"); // whole, as typed; the record as stored
        QCOMPARE(shown->text(), name);
        QVERIFY(shown->width() >= shown->fontMetrics().horizontalAdvance(name));
        QCOMPARE(game.caption("lblpunti"), QString::fromLocal8Bit(score.left(Records::MaxReadBytes)));
        QCOMPARE(game.caption("lblnome"), QString::fromLocal8Bit(holder));
        for (int i = 0; i < right; ++i)
            game.play(true);
        if (!meanwhile.isEmpty())
            game.store(score = meanwhile, holder = "Anna\r\n");
        EndRequests desktop; // SIGTERM and SIGHUP reach the game on its event loop
        QObject::connect(&desktop, &EndRequests::requested, game.window.get(), &Tavola::endRequested);
        const auto signalEnd = [&desktop](int signal) {
            QSignalSpy heard(&desktop, &EndRequests::requested);
            raise(signal);
            QVERIFY(heard.wait());
        };
        game.dialogs.whileOpen = [&signalEnd, &row](const QString &text) {
            if (row.ending == EndAtFarewell && text.startsWith(QLatin1String("Ciao")))
                signalEnd(SIGTERM);
        };
#ifdef Q_OS_UNIX
        if (ending == EndInPlay)
            signalEnd(SIGHUP);
#endif
        if (ending == TimeUp || ending == EndAtFarewell)
            runClockOut(game);
        game.window->cmdExit_Click();
        game.window->Timer1_Timer();
        QCOMPARE(game.system.terminations, 1);
        // After the greeting, and the farewell if the clock ran out, a new record is told, but not to a desktop ending.
        const bool congratulated = !savedScore.isEmpty() && ending < EndAtFarewell;
        const qsizetype told = ending == TimeUp || ending == EndAtFarewell ? 3 : 2;
        QCOMPARE(game.dialogs.shown.mid(told), congratulated ? QStringList(Congratulation) : QStringList());
        QCOMPARE(game.bytesOf(Records::ScoreFileName), savedScore.isEmpty() ? score : savedScore);
        QCOMPARE(game.bytesOf(Records::HolderFileName), savedScore.isEmpty() ? holder : name.toUtf8() + "\r\n");
    }

    // Files that cannot be used are reported in Italian, and a record that could not be read or written whole is never
    // changed, not even in half. However long a start-up message stays open, the clock does not run meanwhile.
    void unusableRecordFilesAreNeverChanged_data()
    {
        QTest::addColumn<QString>("trouble");
        QTest::addColumn<QString>("said");
        QTest::newRow("no record folder") << "folder" << "record: niente cartella.";
        const QString hangs = QStringLiteral("/tavrec9.txt: un'altra copia del gioco lo sta usando da troppo tempo.");
        QTest::newRow("record locked by a copy that hangs") << "locked" << hangs;
        QTest::newRow("record locked at the save by a copy that hangs") << "saving" << hangs;
        const QString folder = QStringLiteral(": al suo posto c'è una cartella.");
        QTest::newRow("folder in place of the score file") << "score" << "/tavrec9.txt" + folder;
        QTest::newRow("holder a folder by the save") << "holder" << "/ntavrec9.txt" + folder;
        QTest::newRow("disk full on saving") << "full" << "/ntavrec9.txt: il disco è pieno (No space left on device).";
        QTest::newRow("records not shared at the start") << "unshared" << "/tavrec9.txt: niente memoria.";
        QTest::newRow("records not shared at the save") << "unsharing" << "/tavrec9.txt: niente memoria.";
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
        game.store("2\r\n", "Anna\r\n");
        if (trouble == "folder")
            game.system.folder.clear();
        if (trouble == "score")
            QVERIFY(QDir().remove(folder + Records::ScoreFileName) && QDir().mkdir(folder + Records::ScoreFileName));
        QLockFile otherCopy(folder + Records::LockFileName);
        QVERIFY(trouble != "locked" || otherCopy.lock());
        game.system.unshared = trouble == "unshared" ? QStringLiteral("niente memoria") : QString();
        QList<bool> running; // the clock, while each message is open
        game.dialogs.whileOpen = [&](const QString &) { running << game.control<QTimer>("Timer1")->isActive(); };
        game.start(QString(6000, u'N'));
        QVERIFY(running.size() >= 2 && !running.contains(true));
        QVERIFY(game.control<QTimer>("Timer1")->isActive());
        QCOMPARE(game.caption("lblconto"), QStringLiteral("00:05:00"));
        otherCopy.unlock(); // too late: the record could not be read at the start
        for (int i = 0; i < 3; ++i)
            game.play(true);
        if (trouble == "holder")
            QVERIFY(QDir().remove(folder + Records::HolderFileName) && QDir().mkdir(folder + Records::HolderFileName));
        if (trouble == "full")
            disk.fill(8192); // room for the lock and the new score, not for the long name
        QVERIFY(trouble != "saving" || otherCopy.lock());
        game.system.unshared = trouble == "unsharing" ? QStringLiteral("niente memoria") : QString();
        game.window->cmdExit_Click();
        const QString shown = game.dialogs.shown.join(u'\n');
        QVERIFY2(shown.count(said) == 1, qPrintable(shown)); // said once
        QVERIFY(game.dialogs.shown.last().startsWith(QLatin1String("Non ho potuto registrare")));
        QCOMPARE(bytesOf(folder + Records::ScoreFileName), trouble == "score" ? "<missing>" : "2\r\n");
        QCOMPARE(bytesOf(folder + Records::HolderFileName), trouble == "holder" ? "<missing>" : "Anna\r\n");
    }
};

QTEST_MAIN(WindowTest)
#include "tst_window.moc"
