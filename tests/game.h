#pragma once

// A game window wired to recording fakes of its services, its record folder
// in a temporary directory, and the moves a player makes.

#include "platform/services.h"
#include "records/recordfiles.h"
#include "window/controls.h"
#include "window/tavola.h"
#include "tinydisk.h"

#include <QFile>
#include <QQueue>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <memory>

// Dialogs are scripted and remembered as "text|title"; nothing is shown.
struct FakeDialogs : Dialogs
{
    QStringList shown;
    QQueue<QString> textReplies;            // input boxes, in order; then ""
    Reply reply = Reply::No;                // every Yes/No question
    std::function<void(const QString &)> whileOpen; // runs while a dialog is open

    void showMessage(const QString &text, const QString &title) override { open(text, title); }
    Reply askYesNo(const QString &text, const QString &title) override { open(text, title); return reply; }
    QString askText(const QString &prompt) override
    {
        open(prompt, QString());
        return textReplies.isEmpty() ? QString() : textReplies.dequeue();
    }
    void open(const QString &text, const QString &title)
    {
        shown << text + QLatin1Char('|') + title;
        if (whileOpen)
            whileOpen(text);
    }
};

struct FakeSound : SoundPlayer
{
    QStringList played;
    void playWave(const QString &file) override { played << file; }
};

// The scripted draws in order, then 0.5.
struct ScriptedRandom : RandomSource
{
    QQueue<double> draws;
    double next() override { return draws.isEmpty() ? 0.5 : draws.dequeue(); }
    void reseed() override {}
};

struct FakeSystem : SystemServices
{
    QString folder; // ending in "/"; empty: cannot be made
    int terminations = 0;
    QString recordFolder(QString *error) override
    {
        *error = QStringLiteral("niente cartella");
        return folder;
    }
    QString programFolder() override { return QStringLiteral("/opt/quizzola"); }
    QString todayShort() override { return QStringLiteral("06/12/26"); }
    void terminate() override { ++terminations; }
};

struct Game
{
    FakeDialogs dialogs;
    FakeSound sound;
    ScriptedRandom random;
    FakeSystem system;
    QTemporaryDir dir;
    std::unique_ptr<Tavola> window;

    Game() { system.folder = dir.path() + QLatin1Char('/'); }

    QByteArray bytesOf(const QString &name) const { return ::bytesOf(system.folder + name); }
    void store(const QString &name, const QByteArray &bytes) const
    {
        QFile file(system.folder + name);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }

    // Starts a game for `name` whose first question is 9 × k.
    void start(const QString &name, int k = 6)
    {
        window = std::make_unique<Tavola>(Services{&dialogs, &sound, &random, &system});
        dialogs.textReplies.enqueue(name);
        script(k);
        window->start();
        QApplication::setActiveWindow(window.get());
    }
    // The next question will be 9 × k (k from 1 to 9) over shade 3.
    void script(int k) { random.draws << 0.2 << (k + 0.5) / 10.0 << 0.5; }

    template <typename T = QLabel>
    T *control(const char *name) const { return window->findChild<T *>(QLatin1String(name)); }
    QString caption(const char *name) const { return control(name)->text(); }

    // Types `text` into the answer box and presses Enter.
    void answer(const QString &text)
    {
        QTest::keyClicks(control<AnswerBox>("txtAnswer"), text);
        QTest::keyClick(control<AnswerBox>("txtAnswer"), Qt::Key_Return);
    }
    // Answers right or wrong, then asks for the next question, 9 × k.
    void play(bool right, int k = 1)
    {
        answer(QString::number(window->state().answer + (right ? 0 : 1)));
        script(k);
        QTest::keyClick(control<QPushButton>("cmdNext"), Qt::Key_Space);
    }
};
