// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The game's sound player on Windows, through winmm's PlaySound: the
// system's own player of wave files, so the program carries no media
// library for its two short sounds.
//
// Contract:
// - playWave(file) takes the absolute path of a wave file of the kinds the
//   Linux player takes (see wavefile.h), checks it whole, hands its path to
//   winmm and returns: winmm plays it on a thread of its own while the game
//   goes on. The call reads the file once (the game's are a few kilobytes).
// - A new call first stops the sound still playing, so a sound cuts off the
//   one before it instead of mixing with it.
// - A file that is missing, unreadable, damaged (cut short included) or of
//   another kind plays nothing, stops the sound before it all the same, and
//   never complains: never the system's default sound in its place.
// - On a machine without a sound device the game stays silent.
// - Destroying the player stops its sound.

#include "platform/services.h"

class WinSoundPlayer : public SoundPlayer
{
public:
    WinSoundPlayer() = default;
    ~WinSoundPlayer() override;
    WinSoundPlayer(const WinSoundPlayer &) = delete;
    WinSoundPlayer &operator=(const WinSoundPlayer &) = delete;

    void playWave(const QString &file) override;
};
