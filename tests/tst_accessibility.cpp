// What a screen reader is told about every control, and that a whole game
// can be played with the keyboard alone.

#include "gamefixture.h"

#include <QAccessible>
#include <QMenuBar>
#include <QtTest>

namespace {

QAccessibleInterface *accessible(Game &game, const char *name)
{
    return QAccessible::queryAccessibleInterface(game.control<QObject>(name));
}

} // namespace

class AccessibilityTest : public QObject
{
    Q_OBJECT
private slots:
    void controlsAreNamed_data();
    void controlsAreNamed();
    void changingLabelsAreReadWithTheirNewText();
    void wholeGameWithKeyboardAlone();
};

void AccessibilityTest::controlsAreNamed_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("role");
    QTest::addColumn<QString>("spoken");
    QTest::addColumn<QString>("description");

    const int label = QAccessible::StaticText;
    QTest::newRow("answer box") << "txtAnswer" << int(QAccessible::EditableText) << "Risposta"
                                << "Inserisci il risultato e  premi il tasto  Invio";
    QTest::newRow("next button") << "cmdNext" << int(QAccessible::Button) << "Nuovo calcolo"
                                 << "Fa una nuova domanda; si può premere dopo aver risposto";
    QTest::newRow("exit button") << "cmdExit" << int(QAccessible::Button) << "Exit"
                                 << "Finisce il gioco e registra il record se lo hai battuto";
    QTest::newRow("clock picture") << "Image1" << int(QAccessible::Graphic) << "Sveglia"
                                   << "Clicca sotto di me per impostare il Timer";
    QTest::newRow("right count") << "lblScore" << label << "0" << "Risposte esatte";
    QTest::newRow("wrong count") << "lblScore1" << label << "0" << "Risposte errate";
    QTest::newRow("total count") << "lblScore2" << label << "0" << "Risposte totali";
    QTest::newRow("clock") << "lblconto" << label << "00:05:00" << "Tempo restante, in ore, minuti e secondi";
    QTest::newRow("multiplicand") << "lblNum1" << label << "9" << "Moltiplicando: il numero della tabellina";
    QTest::newRow("multiplier") << "lblNum2" << label << "6" << "Moltiplicatore: il numero per cui moltiplicare";
    QTest::newRow("player") << "lblnome1" << label << "Mario" << "Sfidante: il tuo nome";
    QTest::newRow("record holder") << "lblnome" << label << "Anna\r\n" << "Nome di chi detiene il record";
    QTest::newRow("record score") << "lblpunti" << label << "12\r\n" << "Punti del record";
    QTest::newRow("static caption") << "Label6" << label << "Risposte esatte" << "";
    QTest::newRow("static caption 2") << "Label11" << label << "Tempo restante" << "";
}

void AccessibilityTest::controlsAreNamed()
{
    QFETCH(QString, name);
    QFETCH(int, role);
    QFETCH(QString, spoken);
    QFETCH(QString, description);
    Game game;
    game.storeRecord("12\r\n", "Anna\r\n");
    game.start(QStringLiteral("Mario"), 6);
    QAccessibleInterface *iface = accessible(game, name.toLatin1().constData());
    QVERIFY(iface);
    QCOMPARE(int(iface->role()), role);
    QCOMPARE(iface->text(QAccessible::Name), spoken);
    QCOMPARE(iface->text(QAccessible::Description), description);
}

void AccessibilityTest::changingLabelsAreReadWithTheirNewText()
{
    // A screen reader hears a label's new text only while the label has no
    // accessible name of its own.
    Game game;
    game.start(QStringLiteral("Mario"), 6);
    const char *changing[] = {"lblMessage", "lblScore", "lblScore1", "lblScore2", "lblconto", "lblNum2"};
    for (const char *name : changing)
        QCOMPARE(game.control<QWidget>(name)->accessibleName(), QString());

    game.answer(QStringLiteral("54"));
    QCOMPARE(accessible(game, "lblMessage")->text(QAccessible::Name), QStringLiteral("Esatto! Mario sei forte!"));
    QCOMPARE(accessible(game, "lblScore")->text(QAccessible::Name), QStringLiteral("1"));

    game.next(3);
    QCOMPARE(accessible(game, "lblNum2")->text(QAccessible::Name), QStringLiteral("3"));
    game.answer(QStringLiteral("28"));
    QCOMPARE(accessible(game, "lblMessage")->text(QAccessible::Name), QStringLiteral("Sbagliato!! 27"));
    QCOMPARE(accessible(game, "lblScore1")->text(QAccessible::Name), QStringLiteral("1"));
    QCOMPARE(accessible(game, "lblScore2")->text(QAccessible::Name), QStringLiteral("2"));

    game.window->Timer1_Timer();
    QCOMPARE(accessible(game, "lblconto")->text(QAccessible::Name), QStringLiteral("00:04:59"));
    for (const char *name : changing)
        QCOMPARE(game.control<QWidget>(name)->accessibleName(), QString());
}

void AccessibilityTest::wholeGameWithKeyboardAlone()
{
    Game game;
    game.start(QStringLiteral("Mario"), 6);
    QVERIFY(QTest::qWaitForWindowActive(game.window.get()));
    const auto type = [](const QString &keys) { QTest::keyClicks(QApplication::focusWidget(), keys); };
    const auto press = [](Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::keyClick(QApplication::focusWidget(), key, mods);
    };
    // Answer, Enter; Enter again asks the next question (the button has the focus).
    type(QStringLiteral("54"));
    press(Qt::Key_Return);
    game.random.scriptQuestion(2, 4);
    press(Qt::Key_Return);
    QCOMPARE(game.caption("lblNum2"), QStringLiteral("4"));
    type(QStringLiteral("36"));
    press(Qt::Key_Return);
    // Alt+N asks the next question from anywhere (the button shows itself
    // pressed for a moment first).
    game.random.scriptQuestion(2, 5);
    press(Qt::Key_N, Qt::AltModifier);
    QTRY_COMPARE(game.caption("lblNum2"), QStringLiteral("5"));
    type(QStringLiteral("45"));
    press(Qt::Key_Return);
    QCOMPARE(game.caption("lblScore"), QStringLiteral("3"));
    // Alt+X ends the game and saves the record.
    press(Qt::Key_X, Qt::AltModifier);
    QTRY_COMPARE(game.system.terminations, 1);
    QCOMPARE(game.bytesOf(QStringLiteral("tavrec9.txt")), QByteArray("3\r\n"));
    QCOMPARE(game.dialogs.messages().last(), QStringLiteral("Ok! Ho registrato il tuo record, C A M P I O N E"));
}

QTEST_MAIN(AccessibilityTest)
#include "tst_accessibility.moc"
