// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Reads the sound out of a RIFF/WAVE file, for the sound player that hands
// raw samples to the sound server. Only what the game's own sounds need is
// accepted: uncompressed PCM, 8 or 16 bits per sample, mono or stereo, any
// rate the server takes.

#include <QByteArray>
#include <QtGlobal>

#include <optional>

namespace Wave {

// The frames of a wave file, as the file stores them: 8-bit samples
// unsigned, 16-bit samples signed little-endian, stereo frames left first.
struct Pcm
{
    int channels = 0;      // 1 or 2
    int bitsPerSample = 0; // 8 or 16
    quint32 rate = 0;      // frames per second, 1 to 384000
    QByteArray frames;     // whole frames only, never empty
};

// The largest file read at all: far beyond the game's sounds, well below
// what a sound server keeps in its sample cache.
constexpr qint64 MaxFileSize = 16 * 1024 * 1024;

// Reads `bytes`, the whole content of a file, as a RIFF/WAVE file. Returns
// the sound when the file is a well-formed wave file of the kind above: a
// RIFF header whose size fits in `bytes`, a "fmt " chunk whose fields agree
// with one another (PCM, 1 or 2 channels, 8 or 16 bits, a rate from 1 to
// 384000, the block size and byte rate they imply), then a "data" chunk of
// whole frames inside the file; other chunks are skipped. Anything else (a
// compressed or float format, 24 bits, a chunk running past the end of the
// file, no frames at all) returns nothing.
std::optional<Pcm> parse(const QByteArray &bytes);

} // namespace Wave
