// The real dialogs: the titles they carry, their buttons, and what the
// input box gives back on OK, Cancel or close.

#include "platform/qtdialogs.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <functional>

class QtDialogsTest : public QObject
{
    Q_OBJECT
private slots:
    void messageCarriesApplicationTitleWhenUntitled();
    void messageKeepsItsOwnTitle();
    void questionDefaultsToNo_data();
    void questionDefaultsToNo();
    void inputBoxReturnsTypedTextOrEmpty_data();
    void inputBoxReturnsTypedTextOrEmpty();

private:
    // Runs `act` on the modal dialog as soon as it is open.
    static void whenOpen(std::function<void(QWidget *)> act)
    {
        QTimer::singleShot(0, [act] {
            QWidget *dialog = QApplication::activeModalWidget();
            QVERIFY(dialog);
            act(dialog);
        });
    }
};

void QtDialogsTest::messageCarriesApplicationTitleWhenUntitled()
{
    QWidget owner;
    QtDialogs dialogs([&owner] { return &owner; });
    QString title, text;
    int buttons = 0;
    whenOpen([&](QWidget *dialog) {
        auto *box = qobject_cast<QMessageBox *>(dialog);
        title = box->windowTitle();
        text = box->text();
        buttons = box->buttons().size();
        QCOMPARE(box->parentWidget(), &owner);
        box->button(QMessageBox::Ok)->click();
    });
    dialogs.showMessage(QStringLiteral(" Mario vediamo se sei un vero campione  "));
    QCOMPARE(title, QStringLiteral("Quizzola"));
    QCOMPARE(text, QStringLiteral(" Mario vediamo se sei un vero campione  "));
    QCOMPARE(buttons, 1);
}

void QtDialogsTest::messageKeepsItsOwnTitle()
{
    QtDialogs dialogs([] { return nullptr; });
    QString title;
    whenOpen([&](QWidget *dialog) {
        title = dialog->windowTitle();
        qobject_cast<QMessageBox *>(dialog)->button(QMessageBox::Ok)->click();
    });
    dialogs.showMessage(QStringLiteral("Ciao a presto. Ore 600"), QStringLiteral("Data 06/12/26"));
    QCOMPARE(title, QStringLiteral("Data 06/12/26"));
}

void QtDialogsTest::questionDefaultsToNo_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<bool>("yes");
    QTest::newRow("Enter takes the default, No") << "enter" << false;
    QTest::newRow("Escape is No") << "escape" << false;
    QTest::newRow("Sì") << "yes" << true;
}

void QtDialogsTest::questionDefaultsToNo()
{
    QFETCH(QString, action);
    QFETCH(bool, yes);
    QtDialogs dialogs([] { return nullptr; });
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString title;
    whenOpen([&](QWidget *dialog) {
        auto *box = qobject_cast<QMessageBox *>(dialog);
        icon = box->icon();
        title = box->windowTitle();
        QCOMPARE(box->defaultButton(), box->button(QMessageBox::No));
        QCOMPARE(box->button(QMessageBox::Yes)->text(), QStringLiteral("&Sì"));
        if (action == QLatin1String("yes"))
            box->button(QMessageBox::Yes)->click();
        else
            QTest::keyClick(box, action == QLatin1String("enter") ? Qt::Key_Return : Qt::Key_Escape);
    });
    const Dialogs::Reply reply =
        dialogs.askYesNo(QStringLiteral("INIZIAMO UNA NUOVA GARA  ?"), QStringLiteral("INIZIARE NUOVA GARA"));
    QCOMPARE(reply == Dialogs::Reply::Yes, yes);
    QCOMPARE(icon, QMessageBox::Question);
    QCOMPARE(title, QStringLiteral("INIZIARE NUOVA GARA"));
}

void QtDialogsTest::inputBoxReturnsTypedTextOrEmpty_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("result");
    QTest::newRow("OK") << "ok" << "Mario";
    QTest::newRow("Annulla") << "cancel" << "";
    QTest::newRow("closed") << "close" << "";
}

void QtDialogsTest::inputBoxReturnsTypedTextOrEmpty()
{
    QFETCH(QString, action);
    QFETCH(QString, result);
    QtDialogs dialogs([] { return nullptr; });
    QString title, prompt;
    whenOpen([&](QWidget *dialog) {
        auto *input = qobject_cast<QInputDialog *>(dialog);
        title = input->windowTitle();
        prompt = input->labelText();
        QCOMPARE(input->textValue(), QString()); // no default text
        QTest::keyClicks(input->findChild<QLineEdit *>(), QStringLiteral("Mario"));
        if (action == QLatin1String("ok"))
            input->accept();
        else if (action == QLatin1String("cancel"))
            input->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Cancel)->click();
        else
            input->close();
    });
    QCOMPARE(dialogs.askText(QStringLiteral("Come ti chiami?")), result);
    QCOMPARE(title, QStringLiteral("Quizzola"));
    QCOMPARE(prompt, QStringLiteral("Come ti chiami?"));
}

QTEST_MAIN(QtDialogsTest)
#include "tst_qtdialogs.moc"
