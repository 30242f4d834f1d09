// The game window: its start-up, its layout, the questions it asks, how it
// takes and judges answers, and how it copes with damaged record files.

#include "gamefixture.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <QtTest>

class TavolaTest : public QObject
{
    Q_OBJECT
private slots:
    void startupAsksNameAndGreets_data();
    void startupAsksNameAndGreets();
    void startupCreatesEmptyRecordFilesAndShowsClock();
    void recordCaptionsShowFileContentAsStored();
    void clockIsStoppedDuringStartupDialogs();
    void minimisingChangesCaptionForGood();
    void controlsAreLaidOutAsDesigned_data();
    void controlsAreLaidOutAsDesigned();
    void fontsColoursAndTooltips();
    void menusHoldCreditsAndNewContest();
    void tabMovesThroughFocusableControls();
    void firstQuestionIsAskedWhenShown();
    void bandsFillTheClientArea_data();
    void bandsFillTheClientArea();
    void bandsSurviveRepaintAndResize();
    void keysAreFiltered_data();
    void keysAreFiltered();
    void fullBoxStillReportsEnter();
    void answersAreJudged_data();
    void answersAreJudged();
    void wrongAnswerBlackensBackgroundUntilNextQuestion();
    void countsFollowAnswers();
    void answerIsJudgedOncePerQuestion();
    void pastedTextIsReadLeniently_data();
    void pastedTextIsReadLeniently();
    void longNameGrowsLabelOnOneLine();
    void unusableRecordStorageIsReported_data();
    void unusableRecordStorageIsReported();
};

void TavolaTest::startupAsksNameAndGreets_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("Mario") << "Mario";
    QTest::newRow("no name") << "";
    QTest::newRow("accents, emoji, right to left")
        << QString::fromUtf8("Nicolò \U0001F600 \u05D3\u05E0\u05D4");
}

void TavolaTest::startupAsksNameAndGreets()
{
    QFETCH(QString, name);
    Game game;
    game.start(name);
    const QList<FakeDialogs::Shown> expected = {
        {QStringLiteral("input"), QStringLiteral("Come ti chiami?"), QString()},
        {QStringLiteral("message"), QLatin1Char(' ') + name + QStringLiteral(" vediamo se sei un vero campione  "),
         QString()},
    };
    QCOMPARE(game.dialogs.shown, expected);
    QCOMPARE(game.caption("lblnome1"), name);
    QCOMPARE(game.window->state().playerName, name);
    QCOMPARE(game.window->windowTitle(), QStringLiteral("Gioca con la Quizzola"));
    QVERIFY(game.window->isMaximized());
}

void TavolaTest::startupCreatesEmptyRecordFilesAndShowsClock()
{
    Game game;
    game.start(QStringLiteral("Mario"));
    QCOMPARE(game.bytesOf(QStringLiteral("tavrec9.txt")), QByteArray());
    QCOMPARE(game.bytesOf(QStringLiteral("ntavrec9.txt")), QByteArray());
    QCOMPARE(game.caption("lblpunti"), QString());
    QCOMPARE(game.caption("lblnome"), QString());
    QCOMPARE(game.caption("lblconto"), QStringLiteral("00:05:00"));
    QCOMPARE(int(game.window->state().clock.remainingSeconds), 900);
}

void TavolaTest::recordCaptionsShowFileContentAsStored()
{
    Game game;
    game.storeRecord("12\r\n", "Anna\r\n");
    game.start(QStringLiteral("Mario"));
    QCOMPARE(game.caption("lblpunti"), QStringLiteral("12\r\n"));
    QCOMPARE(game.caption("lblnome"), QStringLiteral("Anna\r\n"));
    // Nothing is written at start.
    QCOMPARE(game.bytesOf(QStringLiteral("tavrec9.txt")), QByteArray("12\r\n"));
    QCOMPARE(game.bytesOf(QStringLiteral("ntavrec9.txt")), QByteArray("Anna\r\n"));
}

void TavolaTest::clockIsStoppedDuringStartupDialogs()
{
    // A tick during the name prompt would eat into the player's five minutes.
    Game game;
    QList<bool> runningDuringDialogs;
    game.dialogs.whileOpen = [&](const FakeDialogs::Shown &) {
        runningDuringDialogs << game.control<QTimer>("Timer1")->isActive();
    };
    game.start(QStringLiteral("Mario"));
    QCOMPARE(runningDuringDialogs, (QList<bool>{false, false}));
    auto *timer = game.control<QTimer>("Timer1");
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), 1000);
    QCOMPARE(timer->timerType(), Qt::PreciseTimer);
}

void TavolaTest::minimisingChangesCaptionForGood()
{
    Game game;
    game.start(QStringLiteral("Mario"));
    game.window->showMinimized();
    QCOMPARE(game.window->windowTitle(), QStringLiteral("Giocare con la tavola pitagorica"));
    game.window->showNormal();
    QCOMPARE(game.window->windowTitle(), QStringLiteral("Giocare con la tavola pitagorica"));
}

void TavolaTest::controlsAreLaidOutAsDesigned_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QRect>("twips");
    QTest::addColumn<QString>("caption");

    // Name, kind, left, top, width, height in twips (15 to a pixel), caption.
    const struct { const char *name, *kind; int l, t, w, h; const char *caption; } rows[] = {
        {"txtAnswer", "AnswerBox", 8160, 0, 2775, 1200, ""},
        {"cmdNext", "PictureButton", 4200, 5280, 1815, 1095, "&Nuovo calcolo"},
        {"cmdExit", "PictureButton", 7680, 5280, 2055, 1095, "E&xit"},
        {"Command1", "QPushButton", 4680, 5640, 855, 615, "Command1"},
        {"lblpunti", "CaptionLabel", 9840, 7560, 270, 555, "0"},
        {"Label13", "CaptionLabel", 7560, 7560, 1965, 555, "con punti"},
        {"lblnome", "CaptionLabel", 3120, 7560, 1275, 555, "nome"},
        {"Label12", "CaptionLabel", 120, 7560, 2895, 615, "Il record  è di "},
        {"lblnome1", "CaptionLabel", 120, 6480, 165, 420, ""},
        {"Label14", "CaptionLabel", 0, 5520, 1425, 420, "Sfidante"},
        {"Label5", "CaptionLabel", 2040, 2160, 6615, 615, ""},
        {"lblconto", "CaptionLabel", 0, 2280, 1575, 495, "00.00.00"},
        {"Label11", "CaptionLabel", 0, 1320, 1575, 375, "Tempo restante"},
        {"Label3", "CaptionLabel", 7440, 3360, 2340, 495, "Risposte totali"},
        {"Label1", "CaptionLabel", 3840, 3360, 2520, 495, "Risposte errate"},
        {"lblScore2", "CaptionLabel", 8310, 4080, 555, 885, "0"},
        {"lblScore1", "CaptionLabel", 4830, 4080, 540, 885, "0"},
        {"Image1", "QLabel", 480, 1680, 480, 480, ""},
        {"lblNum2", "CaptionLabel", 4155, 0, 345, 1185, ""},
        {"Label4", "CaptionLabel", 5880, 0, 615, 975, "="},
        {"Label2", "CaptionLabel", 2400, 0, 615, 975, "X"},
        {"lblNum1", "CaptionLabel", 840, 0, 345, 1185, ""},
        {"lblScore", "CaptionLabel", 1080, 4080, 555, 885, "0"},
        {"lblMessage", "CaptionLabel", 1680, 2040, 6615, 615, ""},
        {"Label6", "CaptionLabel", 240, 3360, 2565, 495, "Risposte esatte"},
    };
    for (const auto &row : rows) {
        QTest::newRow(row.name) << QString::fromLatin1(row.name) << QString::fromLatin1(row.kind)
                                << QRect(row.l, row.t, row.w, row.h) << QString::fromUtf8(row.caption);
    }
}

void TavolaTest::controlsAreLaidOutAsDesigned()
{
    QFETCH(QString, name);
    QFETCH(QString, kind);
    QFETCH(QRect, twips);
    QFETCH(QString, caption);

    // A window just built, before the start-up sequence changes captions.
    Game game;
    Tavola window(game.services());
    auto *control = window.findChild<QWidget *>(name);
    QVERIFY(control);
    QCOMPARE(QString::fromLatin1(control->metaObject()->className()), kind);
    QCOMPARE(control->geometry(), QRect(twips.x() / 15, twips.y() / 15, twips.width() / 15, twips.height() / 15));
    if (auto *label = qobject_cast<QLabel *>(control))
        QCOMPARE(label->text(), caption);
    else if (auto *button = qobject_cast<QPushButton *>(control))
        QCOMPARE(button->text(), caption);
    else if (auto *box = qobject_cast<QLineEdit *>(control))
        QCOMPARE(box->text(), caption);
    QCOMPARE(control->isEnabled(), name != QLatin1String("cmdNext"));
    // Not maximised, the client area is 792 × 554 pixels.
    window.layout()->activate();
    QCOMPARE(window.centralWidget()->size(), QSize(792, 554));
}

void TavolaTest::fontsColoursAndTooltips()
{
    Game game;
    Tavola window(game.services());
    const auto label = [&](const char *name) { return window.findChild<QLabel *>(QString::fromLatin1(name)); };

    auto *box = window.findChild<AnswerBox *>(QStringLiteral("txtAnswer"));
    QCOMPARE(box->font().family(), QStringLiteral("Liberation Sans"));
    QCOMPARE(box->font().pixelSize(), 64); // 48 points at 96 dots per inch
    QVERIFY(box->font().bold());
    QCOMPARE(box->maxLength(), 4);
    QCOMPARE(box->palette().color(QPalette::Text), QColor(0, 0, 255));
    QCOMPARE(box->palette().color(QPalette::Base), QColor(255, 255, 128));

    QCOMPARE(label("lblScore")->font().family(), QStringLiteral("Liberation Serif"));
    QCOMPARE(label("lblScore")->font().pixelSize(), 48);
    QCOMPARE(label("lblconto")->font().weight(), QFont::Black);
    QCOMPARE(label("lblconto")->palette().color(QPalette::WindowText), QColor(255, 255, 0));
    QVERIFY(label("lblMessage")->font().italic());
    QCOMPARE(label("lblMessage")->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    QCOMPARE(label("lblnome1")->palette().color(QPalette::WindowText), QColor(0, 128, 0));
    QCOMPARE(label("Label6")->palette().color(QPalette::WindowText), QColor(0, 255, 255));
    // Only the operand boxes paint a background of their own.
    QVERIFY(label("lblNum1")->autoFillBackground());
    QCOMPARE(label("lblNum1")->palette().color(QPalette::Window), QColor(255, 255, 0));
    QVERIFY(!label("lblMessage")->autoFillBackground());
    QCOMPARE(label("lblNum2")->frameShape(), QFrame::Box);
    QCOMPARE(label("Label12")->frameShape(), QFrame::NoFrame);

    auto *next = window.findChild<PictureButton *>(QStringLiteral("cmdNext"));
    auto *exit = window.findChild<PictureButton *>(QStringLiteral("cmdExit"));
    QCOMPARE(next->faceColour(), QColor(0, 192, 192));
    QCOMPARE(exit->faceColour(), QColor(192, 0, 192));
    QVERIFY(!next->currentPicture().isNull());
    QVERIFY(!exit->currentPicture().isNull());
    QCOMPARE(next->cursor().shape(), Qt::PointingHandCursor);
    QCOMPARE(window.centralWidget()->cursor().shape(), Qt::BitmapCursor);
    QCOMPARE(window.centralWidget()->cursor().pixmap().deviceIndependentSize(), QSizeF(48, 48));
    QVERIFY(!window.findChild<QLabel *>(QStringLiteral("Image1"))->pixmap().isNull());
    QVERIFY(!window.windowIcon().isNull());

    QCOMPARE(box->toolTip(), QStringLiteral("Inserisci il risultato e  premi il tasto  Invio"));
    QCOMPARE(next->toolTip(), QStringLiteral("Go"));
    QCOMPARE(exit->toolTip(), QStringLiteral("Ti prego resta ancora, forse riuscirai a farmi uscire "));
    QCOMPARE(label("lblScore")->toolTip(), QStringLiteral("Questo è il tuo punteggio. Forza con il  record"));
    QCOMPARE(label("Image1")->toolTip(), QStringLiteral("Clicca sotto di me per impostare il Timer"));
    QCOMPARE(label("lblpunti")->toolTip(), QString());
}

void TavolaTest::menusHoldCreditsAndNewContest()
{
    Game game;
    Tavola window(game.services());
    const QList<QAction *> top = window.menuBar()->actions();
    QCOMPARE(top.size(), 2);
    auto *wp = window.findChild<QMenu *>(QStringLiteral("wp"));
    auto *ciao = window.findChild<QMenu *>(QStringLiteral("Ciao"));
    QCOMPARE(top.at(0)->menu(), wp);
    QCOMPARE(top.at(1)->menu(), ciao);
    QCOMPARE(wp->actions().size(), 1);
    QCOMPARE(wp->actions().at(0)->objectName(), QStringLiteral("v"));
    QCOMPARE(ciao->actions().size(), 2);
    QCOMPARE(ciao->actions().at(0)->objectName(), QStringLiteral("a"));
    QCOMPARE(ciao->actions().at(1)->objectName(), QStringLiteral("Next"));
    QCOMPARE(ciao->actions().at(1)->text(), QStringLiteral("nuovo"));
    QVERIFY(ciao->actions().at(0)->text().contains(QStringLiteral("example.org")));
}

void TavolaTest::tabMovesThroughFocusableControls()
{
    Game game;
    game.start(QStringLiteral("Mario"));
    QVERIFY(QTest::qWaitForWindowActive(game.window.get()));
    auto *box = game.control<QWidget>("txtAnswer");
    QTRY_COMPARE(QApplication::focusWidget(), box);
    const auto tab = [] { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab); };
    // The question button is skipped while it is disabled.
    tab();
    QCOMPARE(QApplication::focusWidget(), game.control<QWidget>("Command1"));
    tab();
    QCOMPARE(QApplication::focusWidget(), game.control<QWidget>("cmdExit"));
    tab();
    QCOMPARE(QApplication::focusWidget(), box);
    game.answer(QStringLiteral("1"));
    QCOMPARE(QApplication::focusWidget(), game.control<QWidget>("cmdNext"));
    tab();
    QCOMPARE(QApplication::focusWidget(), box);
}

void TavolaTest::firstQuestionIsAskedWhenShown()
{
    Game game;
    game.start(QStringLiteral("Mario"), 7, 2);
    QCOMPARE(game.caption("lblNum1"), QStringLiteral("9"));
    QCOMPARE(game.caption("lblNum2"), QStringLiteral("7"));
    QCOMPARE(int(game.window->state().answer), 63);
    QCOMPARE(int(game.window->state().shadeLevel), 2);
    QCOMPARE(game.control<QLineEdit>("txtAnswer")->text(), QString());
    QCOMPARE(game.window->focusWidget(), game.control<QWidget>("txtAnswer"));
    QVERIFY(!game.control<QWidget>("cmdNext")->isEnabled());
    // The disabled button shows its own picture, the laughing face.
    auto *next = game.control<PictureButton>("cmdNext");
    const qint64 disabledPicture = next->currentPicture().cacheKey();
    next->setEnabled(true);
    QVERIFY(next->currentPicture().cacheKey() != disabledPicture);
    next->setEnabled(false);
    QVERIFY(game.random.reseeds >= 1);
    // The operand boxes grew to fit their digit on one line.
    QVERIFY(game.control<QWidget>("lblNum2")->width() > 23);
    QVERIFY(game.control<QWidget>("lblNum2")->height() < 100);
}

void TavolaTest::bandsFillTheClientArea_data()
{
    QTest::addColumn<int>("shade");
    QTest::newRow("shade 0") << 0;
    QTest::newRow("shade 14") << 14;
}

void TavolaTest::bandsFillTheClientArea()
{
    QFETCH(int, shade);
    Game game;
    game.start(QStringLiteral("Mario"));
    game.answer(QStringLiteral("0"));
    game.next(4, shade);
    auto *client = game.window->centralWidget();
    const QImage shot = client->grab().toImage();
    const int level = 10 * shade;
    // A column no control covers, at the far right of the client area.
    const int x = client->width() - 3;
    QCOMPARE(shot.pixelColor(x, 0), QColor(level, level, 0));
    QCOMPARE(shot.pixelColor(x, client->height() - 1), QColor(level, level, 255));
    // 256 bands, blue rising by one from each to the next.
    int bands = 1;
    for (int y = 1; y < shot.height(); ++y) {
        const QColor above = shot.pixelColor(x, y - 1);
        const QColor here = shot.pixelColor(x, y);
        QCOMPARE(here.red(), level);
        QVERIFY(here.blue() == above.blue() || here.blue() == above.blue() + 1);
        if (here != above)
            ++bands;
    }
    QCOMPARE(bands, 256);
}

void TavolaTest::bandsSurviveRepaintAndResize()
{
    Game game;
    game.start(QStringLiteral("Mario"));
    game.answer(QStringLiteral("0"));
    game.next(4, 5);
    auto *client = game.window->centralWidget();
    // Right of every control, away from the answer box's blinking cursor.
    const QRect free(740, 0, client->width() - 740, client->height());
    const QImage before = client->grab(free).toImage();
    // Covered and uncovered: the same picture comes back.
    game.window->hide();
    game.window->show();
    QCOMPARE(client->grab(free).toImage(), before);
    // Resized: the bands keep their old size; the rest is background.
    const QSize old = client->size();
    game.window->showNormal();
    game.window->resize(old.width() + 100, old.height() + 100);
    QTRY_COMPARE(client->size().height() > old.height(), true);
    const QImage after = client->grab().toImage();
    QCOMPARE(after.pixelColor(old.width() - 3, old.height() - 1), QColor(50, 50, 255));
    QVERIFY(after.pixelColor(old.width() - 3, client->height() - 1) != QColor(50, 50, 255));
    // The next question paints the bands to the new size.
    game.answer(QStringLiteral("36"));
    game.next(2, 5);
    const QImage repainted = client->grab().toImage();
    QCOMPARE(repainted.pixelColor(client->width() - 3, client->height() - 1), QColor(50, 50, 255));
}

void TavolaTest::keysAreFiltered_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::newRow("digits") << "54" << "54";
    QTest::newRow("letters dropped") << "5a4b" << "54";
    QTest::newRow("space and signs dropped") << " -5+4" << "54";
    QTest::newRow("separators dropped") << "5.4,3" << "543";
    QTest::newRow("fifth digit not inserted") << "12345" << "1234";
}

void TavolaTest::keysAreFiltered()
{
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    Game game;
    game.start(QStringLiteral("Mario"));
    auto *box = game.control<QLineEdit>("txtAnswer");
    QTest::keyClicks(box, typed);
    QCOMPARE(box->text(), shown);
    QTest::keyClick(box, Qt::Key_Backspace);
    QCOMPARE(box->text(), shown.chopped(1));
    QVERIFY(game.dialogs.messages().size() == 1 && game.sound.played.isEmpty()); // nothing judged
}

void TavolaTest::fullBoxStillReportsEnter()
{
    Game game;
    game.start(QStringLiteral("Mario"), 6);
    auto *box = game.control<QLineEdit>("txtAnswer");
    QTest::keyClicks(box, QStringLiteral("0054"));
    QTest::keyClicks(box, QStringLiteral("9"));
    QCOMPARE(box->text(), QStringLiteral("0054"));
    QTest::keyClick(box, Qt::Key_Enter); // the keypad's Enter
    QCOMPARE(game.caption("lblMessage"), QStringLiteral("Esatto! Mario sei forte!"));
}

void TavolaTest::answersAreJudged_data()
{
    QTest::addColumn<int>("k");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("sound");

    const QString right = QStringLiteral("Esatto! Mario sei forte!");
    const QString yes = QStringLiteral("/opt/quizzola/suoni/Esatto.wav");
    const QString no = QStringLiteral("/opt/quizzola/suoni/no.wav");
    QTest::newRow("right") << 6 << "54" << right << yes;
    QTest::newRow("leading zeros") << 6 << "054" << right << yes;
    QTest::newRow("wrong shows the result") << 6 << "45" << "Sbagliato!! 54" << no;
    QTest::newRow("empty box is 0: right for 9x0") << 0 << "" << right << yes;
    QTest::newRow("empty box is 0: wrong for 9x3") << 3 << "" << "Sbagliato!! 27" << no;
    QTest::newRow("9x9") << 9 << "81" << right << yes;
}

void TavolaTest::answersAreJudged()
{
    QFETCH(int, k);
    QFETCH(QString, typed);
    QFETCH(QString, message);
    QFETCH(QString, sound);
    Game game;
    if (k == 0) {
        // A first draw of 0 and a second draw of 90 or more keep the 0.
        game.window = std::make_unique<Tavola>(game.services());
        game.dialogs.textReplies.enqueue(QStringLiteral("Mario"));
        game.random.draws << 0.1 << 0.0 << 0.95;
        game.window->start();
        QCOMPARE(game.caption("lblNum2"), QStringLiteral("0"));
    } else {
        game.start(QStringLiteral("Mario"), k);
    }
    game.answer(typed);
    QCOMPARE(game.caption("lblMessage"), message);
    QCOMPARE(game.sound.played, QStringList{sound});
    auto *next = game.control<QWidget>("cmdNext");
    QVERIFY(next->isEnabled());
    QCOMPARE(game.window->focusWidget(), next);
}

void TavolaTest::wrongAnswerBlackensBackgroundUntilNextQuestion()
{
    Game game;
    game.start(QStringLiteral("Mario"), 6, 14);
    game.answer(QStringLiteral("1"));
    auto *client = game.window->centralWidget();
    QImage shot = client->grab().toImage();
    QCOMPARE(shot.pixelColor(client->width() - 3, 0), QColor(Qt::black));
    QCOMPARE(shot.pixelColor(client->width() - 3, client->height() - 1), QColor(Qt::black));
    // The labels still show over the black, in their own colours.
    auto *message = game.control<QWidget>("lblMessage");
    const QImage messageShot = message->grab().toImage();
    bool red = false;
    for (int y = 0; y < messageShot.height() && !red; ++y)
        for (int x = 0; x < messageShot.width() && !red; ++x)
            red = messageShot.pixelColor(x, y).red() > 200;
    QVERIFY(red);
    game.next(2, 14);
    shot = client->grab().toImage();
    QCOMPARE(shot.pixelColor(client->width() - 3, 0), QColor(140, 140, 0));
    QCOMPARE(game.caption("lblMessage"), QString());
}

void TavolaTest::countsFollowAnswers()
{
    Game game;
    game.start(QStringLiteral("Mario"), 6);
    game.answer(QStringLiteral("54")); // right
    QCOMPARE(game.caption("lblScore"), QStringLiteral("1"));
    QCOMPARE(game.caption("lblScore1"), QStringLiteral("0"));
    QCOMPARE(game.caption("lblScore2"), QStringLiteral("1"));
    game.next(3);
    game.answer(QStringLiteral("28")); // wrong
    QCOMPARE(game.caption("lblScore"), QStringLiteral("1"));
    QCOMPARE(game.caption("lblScore1"), QStringLiteral("1"));
    QCOMPARE(game.caption("lblScore2"), QStringLiteral("2"));
    game.next(2);
    game.answer(QStringLiteral("18")); // right: the wrong count stays
    QCOMPARE(game.caption("lblScore"), QStringLiteral("2"));
    QCOMPARE(game.caption("lblScore1"), QStringLiteral("1"));
    QCOMPARE(game.caption("lblScore2"), QStringLiteral("3"));
    QCOMPARE(int(game.window->state().correctCount), 2);
    QCOMPARE(int(game.window->state().wrongCount), 1);
}

void TavolaTest::answerIsJudgedOncePerQuestion()
{
    // Clicking back into the box and pressing Enter again must not count
    // the same answer twice, or a player could forge a record.
    Game game;
    game.start(QStringLiteral("Mario"), 6);
    game.answer(QStringLiteral("54"));
    auto *box = game.control<QLineEdit>("txtAnswer");
    box->setFocus();
    QTest::keyClick(box, Qt::Key_Return);
    QTest::keyClick(box, Qt::Key_Return);
    QCOMPARE(game.caption("lblScore"), QStringLiteral("1"));
    QCOMPARE(game.caption("lblScore2"), QStringLiteral("1"));
    QCOMPARE(game.sound.played.size(), 1);
    // The next question counts again.
    game.next(2);
    game.answer(QStringLiteral("18"));
    QCOMPARE(game.caption("lblScore"), QStringLiteral("2"));
}

void TavolaTest::pastedTextIsReadLeniently_data()
{
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<QString>("inBox");
    QTest::addColumn<bool>("right");
    // The question is 9 × 4 = 36.
    QTest::newRow("number with blanks") << "  36" << "  36" << true;
    QTest::newRow("exponent is not read") << "36e4" << "36e4" << true;
    QTest::newRow("text reads as 0") << "abc" << "abc" << false;
    QTest::newRow("long paste is cut to four") << "3600000" << "3600" << false;
    QTest::newRow("negative") << "-36" << "-36" << false;
}

void TavolaTest::pastedTextIsReadLeniently()
{
    QFETCH(QString, pasted);
    QFETCH(QString, inBox);
    QFETCH(bool, right);
    Game game;
    game.start(QStringLiteral("Mario"), 4);
    QApplication::clipboard()->setText(pasted);
    auto *box = game.control<QLineEdit>("txtAnswer");
    box->paste(); // what the box's own context menu does
    QCOMPARE(box->text(), inBox);
    QTest::keyClick(box, Qt::Key_Return);
    QCOMPARE(game.caption("lblMessage").startsWith(QStringLiteral("Esatto!")), right);
}

void TavolaTest::longNameGrowsLabelOnOneLine()
{
    Game game;
    const QString name(10000, QLatin1Char('M'));
    game.start(name);
    auto *label = game.control<QLabel>("lblnome1");
    QCOMPARE(label->text(), name);
    QVERIFY(label->width() > 1000);
    QVERIFY(label->height() < 60);
    QCOMPARE(label->pos(), QPoint(8, 432));
    // Neighbours do not move.
    QCOMPARE(game.control<QWidget>("Label14")->pos(), QPoint(0, 368));
}

void TavolaTest::unusableRecordStorageIsReported_data()
{
    QTest::addColumn<QString>("damage");
    QTest::addColumn<QString>("inMessage");
    QTest::newRow("no record folder") << "folder" << "cartella dei record";
    QTest::newRow("folder where score file should be") << "score is folder" << "tavrec9.txt";
    QTest::newRow("folder where holder file should be") << "holder is folder" << "ntavrec9.txt";
}

void TavolaTest::unusableRecordStorageIsReported()
{
    QFETCH(QString, damage);
    QFETCH(QString, inMessage);
    Game game;
    if (damage == QLatin1String("folder"))
        game.system.folder.clear();
    else if (damage == QLatin1String("score is folder"))
        QVERIFY(QDir().mkdir(game.recordFile(QStringLiteral("tavrec9.txt"))));
    else
        QVERIFY(QDir().mkdir(game.recordFile(QStringLiteral("ntavrec9.txt"))));
    game.start(QStringLiteral("Mario"));
    const QStringList messages = game.dialogs.messages();
    QCOMPARE(messages.size(), 2); // the greeting and one clear message
    QVERIFY2(messages.at(1).contains(inMessage), qPrintable(messages.at(1)));
    QVERIFY(messages.at(1).contains(QStringLiteral("Si gioca lo stesso")));
    // The game goes on with an empty record.
    QCOMPARE(game.caption("lblpunti"), QString());
    QCOMPARE(game.caption("lblconto"), QStringLiteral("00:05:00"));
    QCOMPARE(game.caption("lblNum1"), QStringLiteral("9"));
}

QTEST_MAIN(TavolaTest)
#include "tst_tavola.moc"
