// SPDX-License-Identifier: GPL-3.0-or-later
// The game's sound player of this system, driven by its input: plays the wave file named on each line, then answers
// with a line once the player has taken it. The sound tests (e2e/play.py --sounds) hear it on a sink of their own.

#ifdef QUIZZOLA_SOUND_WINMM
#include "platform/winsoundplayer.h"
using Player = WinSoundPlayer;
#else
#include "platform/pulsesoundplayer.h"
using Player = PulseSoundPlayer;
#endif
#include <iostream>
#include <string>

int main()
{
    Player player;
    for (std::string line; std::getline(std::cin, line);) {
        player.playWave(QString::fromStdString(line));
        std::cout << "taken" << std::endl;
    }
}
