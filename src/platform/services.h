// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The services the game takes from the outside world. Each is a small
// interface: main.cpp passes the real implementations to the window, tests
// pass recording fakes. None of them throws.

#include <QString>
#include <functional>

class QObject;

// Modal dialogs owned by the game window. A dialog shown without a title of
// its own carries the application's title, "Quizzola".
class Dialogs
{
public:
    enum class Reply { Yes, No };

    virtual ~Dialogs() = default;

    // A message box with only an OK button; an empty title means the
    // application's title. Returns when the player has closed it.
    virtual void showMessage(const QString &text, const QString &title = QString()) = 0;

    // A question with a question icon and the buttons Yes and No, No being
    // the default. Closing the box without choosing counts as No.
    virtual Reply askYesNo(const QString &text, const QString &title) = 0;

    // An input box with only a prompt: no title of its own, no default text.
    // Returns the text typed on OK, and the empty text on Cancel or close.
    virtual QString askText(const QString &prompt) = 0;
};

// Plays the two answer sounds.
class SoundPlayer
{
public:
    virtual ~SoundPlayer() = default;

    // Starts playing the wave file at the absolute path `file` and returns at
    // once. A new sound cuts off one still playing. A file that is missing or
    // cannot be played, or a machine without sound, gives silence and no error.
    virtual void playWave(const QString &file) = 0;
};

// Speaks through a screen reader, when one is listening, beyond what it
// reads of the window by itself; draws nothing and never moves the focus.
class Speech
{
public:
    virtual ~Speech() = default;

    // Says `text` now, on behalf of `window`, the game's top-level widget.
    virtual void say(QObject *window, const QString &text) = 0;

    // Says `text` with `control` as it takes the focus, which the caller
    // gives it straight after this call, in the same handler. The reader
    // says this text, never one said with the control before.
    virtual void sayWithFocus(QObject *control, const QString &text) = 0;
};

// Uniform random numbers, reseedable from the clock.
class RandomSource
{
public:
    virtual ~RandomSource() = default;

    // A uniform value in [0, 1).
    virtual double next() = 0;

    // Seeds the generator afresh from a high-resolution clock.
    virtual void reseed() = 0;
};

// Where things are, what day it is, and how the program ends.
class SystemServices
{
public:
    virtual ~SystemServices() = default;

    // The folder where the record files are kept, created when missing,
    // ending with exactly one "/". When it cannot be created, returns the
    // empty text and puts a short Italian reason in `error`.
    virtual QString recordFolder(QString *error) = 0;

    // Runs `access`, a read or a save of the record files in recordFolder(),
    // as one step that no other copy of the game interleaves with, and keeps
    // what it wrote once the program has ended. Copies of the game on a
    // desktop share the folder itself and keep out of each other's way with
    // its lock, so by default this only runs `access`; a browser keeps each
    // page's files apart and its shared storage elsewhere. Returns the empty
    // text, or a short Italian reason when the files could not be shared:
    // `access` did not run, or what it wrote may not be kept.
    virtual QString shareRecords(const std::function<void()> &access)
    {
        access();
        return QString();
    }

    // The folder that holds the program, without a trailing "/".
    virtual QString programFolder() = 0;

    // Today's date in the system's short date format.
    virtual QString todayShort() = 0;

    // Ends the program at once: no further handler runs. Fakes record the
    // call and return, so callers return straight after calling it.
    virtual void terminate() = 0;
};
