// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The game's real sound player, built on Qt Multimedia's QSoundEffect.
//
// Contract:
// - playWave(file) takes the absolute path of a wave file, starts playing it
//   and returns at once; the sound plays on while the event loop runs.
// - A new call first stops every sound still playing, so a sound cuts off
//   the one before it instead of mixing with it.
// - A file that is missing or is not a wave file plays nothing, and the call
//   neither throws nor complains.
// - On a machine without a sound device or sound server the game stays
//   silent: no call ever waits for the audio system.
// - Each distinct path is loaded once and kept, so a sound played again
//   starts at once without reading the file anew.

#include "platform/services.h"

#include <QHash>
#include <QObject>
#include <QString>

class QSoundEffect;

class QtSoundPlayer : public QObject, public SoundPlayer
{
    Q_OBJECT

public:
    explicit QtSoundPlayer(QObject *parent = nullptr);
    ~QtSoundPlayer() override;

    void playWave(const QString &file) override;

private:
    void stopAll();
    // The effect for `path`, created and loaded on first use; null when the
    // file is not a wave file that can be played.
    QSoundEffect *effectFor(const QString &path);

    QHash<QString, QSoundEffect *> m_effects;
};
