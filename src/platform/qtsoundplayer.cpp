// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qtsoundplayer.h"

#include <QAudioDevice>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QUrl>

#include <utility>

namespace {

// True when `path` is a regular file that starts like a RIFF/WAVE file.
// QSoundEffect reports a file it cannot decode with a warning on the
// console; checking the header first keeps that quiet for files that are
// plainly not wave files.
bool looksLikeWave(const QString &path)
{
    if (!QFileInfo(path).isFile())
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray header = file.read(12);
    return header.size() == 12 && header.startsWith("RIFF") && header.mid(8, 4) == "WAVE";
}

} // namespace

QtSoundPlayer::QtSoundPlayer(QObject *parent)
    : QObject(parent)
{
}

QtSoundPlayer::~QtSoundPlayer()
{
    // The effects are children of this object and go with it; stopping them
    // first ends their audio output before they are destroyed.
    stopAll();
}

void QtSoundPlayer::playWave(const QString &file)
{
    stopAll();
    // Without an output device there is nothing to play on. Returning here
    // keeps the game silent and quiet: a QSoundEffect asked to play with no
    // device warns on the console and then counts as playing forever.
    if (QMediaDevices::defaultAudioOutput().isNull())
        return;
    if (QSoundEffect *effect = effectFor(QDir::cleanPath(file)))
        effect->play();
}

void QtSoundPlayer::stopAll()
{
    // Every effect is told to stop, not only those that report playing, so
    // that one still loading drops the play() waiting for the load. stop()
    // returns at once and never waits for the audio system.
    for (QSoundEffect *effect : std::as_const(m_effects))
        effect->stop();
}

QSoundEffect *QtSoundPlayer::effectFor(const QString &path)
{
    const auto found = m_effects.constFind(path);
    if (found != m_effects.constEnd()) {
        QSoundEffect *effect = found.value();
        // A file that turned out to be undecodable stays silent from then on.
        if (effect->status() == QSoundEffect::Error)
            return nullptr;
        return effect;
    }

    // A missing file is not remembered: it may still appear later, and
    // checking for it costs next to nothing.
    if (!looksLikeWave(path))
        return nullptr;

    // Loading runs in the background; play() called before it ends is kept
    // and honoured as soon as the sound is ready.
    auto *effect = new QSoundEffect(this);
    effect->setSource(QUrl::fromLocalFile(path));
    m_effects.insert(path, effect);
    return effect;
}
