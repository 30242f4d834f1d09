// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/winsoundplayer.h"

#include "platform/wavefile.h"

#include <QDir>
#include <QFile>

#include <windows.h>
#include <mmsystem.h>

namespace {

// Stops the sound playing, if any; returns once winmm has let it go.
void stopSound()
{
    PlaySoundW(nullptr, nullptr, 0);
}

// Whether the file at `path` is a whole wave file of the kind the game
// plays. winmm would play what it can of a file cut short; the game plays
// such a file on no system.
bool isPlayable(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.size() <= Wave::MaxFileSize && Wave::parse(file.readAll());
}

} // namespace

WinSoundPlayer::~WinSoundPlayer()
{
    stopSound();
}

void WinSoundPlayer::playWave(const QString &file)
{
    // PlaySound stops the sound before a new one by itself; stopping first
    // also stops it for a file that is not played.
    stopSound();
    if (!isPlayable(file))
        return;
    // SND_ASYNC: winmm keeps its own copy of the path, opens the file and
    // plays it on its own thread. SND_NODEFAULT: should the file go away in
    // the meantime, silence rather than the system's default sound.
    const QString path = QDir::toNativeSeparators(QDir::cleanPath(file));
    PlaySoundW(reinterpret_cast<const wchar_t *>(path.utf16()), nullptr, SND_FILENAME | SND_ASYNC | SND_NODEFAULT);
}
