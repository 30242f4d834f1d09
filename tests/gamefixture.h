#pragma once

// A game window wired to recording fakes, with its record folder in a
// temporary directory, and the few moves the window tests keep making.

#include "fakes.h"
#include "window/controls.h"
#include "window/tavola.h"

#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

struct Game
{
    FakeDialogs dialogs;
    FakeSound sound;
    ScriptedRandom random;
    FakeSystem system;
    QTemporaryDir dir;
    std::unique_ptr<Tavola> window;

    Game() { system.folder = dir.path() + QLatin1Char('/'); }

    // The fakes, as a window takes them.
    Services services() { return Services{&dialogs, &sound, &random, &system}; }

    QString recordFile(const QString &name) const { return system.folder + name; }

    QByteArray bytesOf(const QString &name) const
    {
        QFile file(recordFile(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    void storeRecord(const QByteArray &score, const QByteArray &holder)
    {
        for (const auto &[name, bytes] : {std::pair{QStringLiteral("tavrec9.txt"), score},
                                          std::pair{QStringLiteral("ntavrec9.txt"), holder}}) {
            QFile file(recordFile(name));
            if (file.open(QIODevice::WriteOnly))
                file.write(bytes);
        }
    }

    // Builds the window and starts a game for `name`, whose first question
    // is 9 × `firstK` over shade `shade`.
    void start(const QString &name, int firstK = 6, int shade = 3)
    {
        window = std::make_unique<Tavola>(services());
        dialogs.textReplies.enqueue(name);
        random.scriptQuestion(shade, firstK);
        window->start();
        QApplication::setActiveWindow(window.get());
    }

    template <typename T = QWidget>
    T *control(const char *name) const
    {
        return window->findChild<T *>(QString::fromLatin1(name));
    }
    QString caption(const char *name) const { return control<QLabel>(name)->text(); }

    // Types `text` into the answer box and presses Enter, as a player does.
    void answer(const QString &text)
    {
        auto *box = control<AnswerBox>("txtAnswer");
        QTest::keyClicks(box, text);
        QTest::keyClick(box, Qt::Key_Return);
    }

    // Asks the next question (9 × k over shade s) with the button.
    void next(int k, int shade = 3)
    {
        random.scriptQuestion(shade, k);
        QTest::keyClick(control<QPushButton>("cmdNext"), Qt::Key_Space);
    }

    // Gives `right` right answers, each followed by a new question.
    void answerRight(int right)
    {
        for (int i = 0; i < right; ++i) {
            answer(QString::number(window->state().answer));
            next(1 + i % 9);
        }
    }
};
