// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The game's sound player in a web browser, through Web Audio.
//
// Contract:
// - playWave(file) takes the address of a wave file (the program's folder
//   is the page's address) and returns at once. The file is fetched once,
//   checked and turned into samples by the same reader as on the desktop
//   (wavefile.h), and kept: each later call plays the kept samples.
//   prefetch() fetches a file ahead, so its first sound is not late.
// - A new call stops the sound still playing, so a sound cuts off the one
//   before it instead of mixing with it; a sound still being fetched when a
//   newer one is asked for is never played.
// - A file that cannot be fetched, or is damaged (cut short included) or of
//   another kind, plays nothing, stops the sound before it all the same,
//   and never complains.
// - Browsers play sound only once the person has pressed a key or touched
//   the page; the game's sounds answer a key press, so they are heard.

#include "platform/services.h"

class WebSoundPlayer : public SoundPlayer
{
public:
    void prefetch(const QString &file);
    void playWave(const QString &file) override;
};
