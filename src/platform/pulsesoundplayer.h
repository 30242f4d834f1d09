// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The game's sound player on Linux, through PulseAudio's own client library
// (libpulse), which PipeWire desktops serve as well. It costs the program a
// single small library, where Qt Multimedia would bring its media backend.
//
// Contract:
// - Constructing the player starts nothing: no library, no thread, no
//   connection. The first playWave() loads libpulse, starts a thread of its
//   (its threaded main loop) and connects it to the user's sound server;
//   later calls reuse all three. Without libpulse the game stays silent.
// - playWave(file) takes the absolute path of a wave file (see wavefile.h
//   for the kinds it plays), hands it to that thread and returns at once:
//   the file is read and the server asked there, so the call never waits
//   for the disk or the server (at most for the thread to finish handling
//   one message, or reading one of the game's small files).
// - A new call first stops the sound it started before, still playing or
//   about to, so a sound cuts off the one before it instead of mixing.
// - A file that is missing, unreadable, damaged or of another kind plays
//   nothing, stops the sound before it all the same, and never complains.
// - Without a sound server the game stays silent: the player never starts a
//   server of its own, prints nothing, and the sound asked for is dropped.
//   A server that goes away, refuses, or has not answered within five
//   seconds is tried again, anew, at the next call, so one that comes later
//   is found then.
// - A file is read when a server is there to take it: at its first play on
//   each connection, never without one. It is uploaded then as a sample
//   (named after a digest of its frames, so that two copies of the game
//   share it and it never piles up), and its frames are let go: the server
//   keeps them. Later plays of it are a single request, heard within
//   milliseconds.
// - Destroying the player ends its thread and connection without waiting
//   for the server; a sound already playing plays to its end.

#include "platform/services.h"

#include <memory>

class PulseSoundPlayer : public SoundPlayer
{
public:
    PulseSoundPlayer();
    ~PulseSoundPlayer() override;
    PulseSoundPlayer(const PulseSoundPlayer &) = delete;
    PulseSoundPlayer &operator=(const PulseSoundPlayer &) = delete;

    void playWave(const QString &file) override;

private:
    class Engine;
    // Made by the first playWave(); null until then, and null for good when
    // libpulse could not start its thread.
    std::unique_ptr<Engine> m_engine;
    bool m_engineFailed = false;
};
