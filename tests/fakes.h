#pragma once

// Recording fakes of the game's services, for the window tests. Dialogs are
// scripted and remembered; nothing is shown, played or ended for real.

#include "platform/services.h"

#include <QList>
#include <QQueue>
#include <QString>
#include <QStringList>
#include <functional>

class FakeDialogs : public Dialogs
{
public:
    struct Shown
    {
        QString kind; // "message", "question" or "input"
        QString text;
        QString title;
        bool operator==(const Shown &other) const
        {
            return kind == other.kind && text == other.text && title == other.title;
        }
    };

    QList<Shown> shown;
    QQueue<QString> textReplies;      // answers to input boxes, in order; then ""
    QQueue<Reply> yesNoReplies;       // answers to questions, in order; then No
    std::function<void(const Shown &)> whileOpen; // runs while a dialog is "open"

    void showMessage(const QString &text, const QString &title = QString()) override
    {
        record({QStringLiteral("message"), text, title});
    }
    Reply askYesNo(const QString &text, const QString &title) override
    {
        record({QStringLiteral("question"), text, title});
        return yesNoReplies.isEmpty() ? Reply::No : yesNoReplies.dequeue();
    }
    QString askText(const QString &prompt) override
    {
        record({QStringLiteral("input"), prompt, QString()});
        return textReplies.isEmpty() ? QString() : textReplies.dequeue();
    }

    QStringList messages() const
    {
        QStringList texts;
        for (const Shown &s : shown) {
            if (s.kind == QLatin1String("message"))
                texts << s.text;
        }
        return texts;
    }

private:
    void record(const Shown &s)
    {
        shown << s;
        if (whileOpen)
            whileOpen(s);
    }
};

class FakeSound : public SoundPlayer
{
public:
    QStringList played;
    void playWave(const QString &file) override { played << file; }
};

// Returns the scripted draws in order, then 0.5; counts the reseeds.
class ScriptedRandom : public RandomSource
{
public:
    QQueue<double> draws;
    int reseeds = 0;
    double next() override { return draws.isEmpty() ? 0.5 : draws.dequeue(); }
    void reseed() override { ++reseeds; }

    // Scripts one question: shade s and multiplier k (k from 1 to 9).
    void scriptQuestion(int shade, int k)
    {
        draws << (shade + 0.5) / 15.0 << (k + 0.5) / 10.0 << 0.5;
    }
};

class FakeSystem : public SystemServices
{
public:
    QString folder;       // the record folder, ending in "/"; empty: cannot be made
    QString folderError = QStringLiteral("non si riesce a creare la cartella /nessuna");
    QString today = QStringLiteral("06/12/26");
    int terminations = 0;

    QString recordFolder(QString *error) override
    {
        if (folder.isEmpty() && error)
            *error = folderError;
        return folder;
    }
    QString programFolder() override { return QStringLiteral("/opt/quizzola"); }
    QString todayShort() override { return today; }
    void terminate() override { ++terminations; }
};
