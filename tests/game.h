// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A game window wired to recording fakes of its services, its record folder a temporary one, and a player's moves.

#include "platform/services.h"
#include "records/recordfiles.h"
#include "tinydisk.h"
#include "window/controls.h"
#include "window/tavola.h"

#include <QQueue>
#include <QTemporaryDir>
#include <QTimer>
#include <QTest>
#include <functional>
#include <memory>

// Dialogs are remembered as "text|title"; input boxes get `textReplies` in order, then "", Yes/No questions `reply`.
struct FakeDialogs : Dialogs
{
    QStringList shown;
    QQueue<QString> textReplies;
    Reply reply = Reply::No;
    std::function<void(const QString &)> whileOpen = [](const QString &) {};

    void showMessage(const QString &text, const QString &title) override { open(text, title); }
    Reply askYesNo(const QString &text, const QString &title) override { return open(text, title), reply; }
    QString askText(const QString &prompt) override
    {
        open(prompt, QString());
        return textReplies.isEmpty() ? QString() : textReplies.dequeue();
    }
    void open(const QString &text, const QString &title) { shown << text + u'|' + title, whileOpen(text); }
};

// Sounds and speech are remembered ("control: text" if said as the control takes the focus, else the text alone);
// random draws are scripted, then 0.5; the record folder is `folder` (empty: it cannot be made); endings are counted.
struct Fakes : SoundPlayer, Speech, RandomSource, SystemServices
{
    QStringList played;
    QStringList said;
    QQueue<double> draws;
    QString folder;
    QString unshared; // why the record files cannot be shared with other copies now, or empty
    int terminations = 0;

    void playWave(const QString &file) override { played << file; }
    void say(QObject *, const QString &text) override { said << text; }
    void sayWithFocus(QObject *control, const QString &text) override { said << control->objectName() + ": " + text; }
    double next() override { return draws.isEmpty() ? 0.5 : draws.dequeue(); }
    void reseed() override {}
    QString recordFolder(QString *error) override { return *error = QStringLiteral("niente cartella"), folder; }
    QString shareRecords(const std::function<void()> &access) override
    {
        return unshared.isEmpty() ? (access(), QString()) : unshared;
    }
    QString programFolder() override { return QStringLiteral("/opt/quizzola"); }
    QString todayShort() override { return QStringLiteral("06/12/26"); }
    void terminate() override { ++terminations; }
};

struct Game
{
    FakeDialogs dialogs;
    Fakes system;
    QTemporaryDir dir;
    std::unique_ptr<Tavola> window;

    Game() { system.folder = dir.path() + u'/'; }

    QByteArray bytesOf(const QString &name) const { return ::bytesOf(system.folder + name); }
    // Stores the record files' bytes; a file given none is left missing, for the game to make.
    void store(const QByteArray &score, const QByteArray &holder) const
    {
        QFile scoreFile(system.folder + Records::ScoreFileName), holderFile(system.folder + Records::HolderFileName);
        QVERIFY(score.isEmpty() || (scoreFile.open(QFile::WriteOnly) && scoreFile.write(score) == score.size()));
        QVERIFY(holder.isEmpty() || (holderFile.open(QFile::WriteOnly) && holderFile.write(holder) == holder.size()));
    }

    // Starts a game for `name` whose first question is 9 × k.
    void start(const QString &name, int k = 6)
    {
        window = std::make_unique<Tavola>(Services{&dialogs, &system, &system, &system, &system});
        dialogs.textReplies.enqueue(name);
        script(k);
        window->start();
        activate();
    }
    // Makes the window active, as a desktop does a window it shows, and waits till it is. The clock ticks when told.
    void activate()
    {
        const QSignalBlocker clockHeld(control<QTimer>("Timer1"));
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
    }
    // The next question will be 9 × k (k from 1 to 9).
    void script(int k) { system.draws << 0.2 << (k + 0.5) / 10.0 << 0.5; }

    template <typename T = QLabel>
    T *control(const char *name) const { return window->findChild<T *>(QLatin1String(name)); }
    QString caption(const char *name) const { return control(name)->text(); }
    // The three counts shown: right, wrong and all answers.
    QString counts() const { return caption("lblScore") + u' ' + caption("lblScore1") + u' ' + caption("lblScore2"); }

    // Types `text` where the focus is, the answer box, and presses Enter.
    void answer(const QString &text) { QTest::keyClicks(QApplication::focusWidget(), text + u'\r'); }
    // Answers right or wrong, then asks for the next question, 9 × k, with Enter or Space on the focused button.
    void play(bool right, int k = 1)
    {
        answer(QString::number(window->state().answer + (right ? 0 : 1)));
        script(k);
        QTest::keyClick(QApplication::focusWidget(), right ? Qt::Key_Return : Qt::Key_Space);
    }
    QString edges() const // the colours at the top and the bottom of the client area's left edge
    {
        const QImage shot = control<QWidget>("client")->grab().toImage();
        return shot.pixelColor(10, 0).name() + u' ' + shot.pixelColor(10, shot.height() - 1).name();
    }
};
