// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/websoundplayer.h"

#include "platform/wavefile.h"

#include <emscripten.h>
#include <emscripten/bind.h>
#include <vector>

namespace {

// The samples of a wave file, handed to the page as the AudioBuffer the file
// plays as, kept in Module.quizzolaWave: `samples` holds `frames` floats
// from -1 to 1 for each channel, one channel after the other.
// A rate Web Audio does not play (it takes 3000 to 768000 frames a second)
// keeps nothing.
EM_JS(void, keepWave, (int rate, int channels, const float *samples, int frames), {
    try {
        const buffer = new AudioBuffer({length: frames, numberOfChannels: channels, sampleRate: rate});
        for (let channel = 0; channel < channels; ++channel) {
            const first = (samples >> 2) + channel * frames;
            buffer.copyToChannel(HEAPF32.subarray(first, first + frames), channel);
        }
        Module.quizzolaWave = buffer;
    } catch (unplayable) {
        console.warn("Quizzola: a sound Web Audio does not play:", unplayable);
    }
});

// Reads the whole content of a wave file, `bytes`, with the desktop's
// reader, and keeps what it plays as (keepWave), or nothing when the file
// is not a wave file the game plays.
void readWave(const std::string &bytes)
{
    const auto pcm = Wave::parse(QByteArray::fromRawData(bytes.data(), qsizetype(bytes.size())));
    if (!pcm)
        return;
    const int bytesPerSample = pcm->bitsPerSample / 8;
    const qsizetype frames = pcm->frames.size() / (bytesPerSample * pcm->channels);
    const auto *data = reinterpret_cast<const uchar *>(pcm->frames.constData());
    std::vector<float> samples(size_t(frames * pcm->channels));
    for (qsizetype frame = 0; frame < frames; ++frame) {
        for (int channel = 0; channel < pcm->channels; ++channel) {
            const uchar *sample = data + (frame * pcm->channels + channel) * bytesPerSample;
            const float value = bytesPerSample == 1 ? (int(sample[0]) - 128) / 128.0f
                                                    : qint16(sample[0] | sample[1] << 8) / 32768.0f;
            samples[size_t(channel * frames + frame)] = value;
        }
    }
    keepWave(int(pcm->rate), pcm->channels, samples.data(), int(frames));
}

EMSCRIPTEN_BINDINGS(quizzola_sound)
{
    emscripten::function("quizzolaReadWave", &readWave);
}

// The sounds, kept by address as promises of an AudioBuffer (null for a
// file that does not play); the page's audio: its context, made and
// resumed by ready() once the person has pressed a key or touched the page
// (a browser plays nothing before), the sound playing, and the number of
// the latest sound asked for.
EM_JS(void, fetchSound, (const char *address), {
    const url = UTF8ToString(address);
    if (!Module.quizzolaSounds) {
        Module.quizzolaSounds = new Map();
        const audio = Module.quizzolaAudio = {context: null, playing: null, latest: 0};
        audio.ready = () => {
            if (!audio.context)
                audio.context = new AudioContext();
            if (audio.context.state === "suspended")
                audio.context.resume();
            return audio.context;
        };
        // Ready with the first key or touch (the name typed), so that the
        // first answer's sound does not wait for it.
        addEventListener("keydown", audio.ready, {capture: true, once: true});
        addEventListener("pointerdown", audio.ready, {capture: true, once: true});
    }
    const sounds = Module.quizzolaSounds;
    if (sounds.has(url))
        return;
    sounds.set(url, fetch(url)
        .then(response => response.ok ? response.arrayBuffer() : null)
        .then(bytes => {
            Module.quizzolaWave = null;
            if (bytes)
                Module.quizzolaReadWave(new Uint8Array(bytes));
            return Module.quizzolaWave;
        })
        .catch(error => {
            console.warn("Quizzola: " + url + " plays nothing:", error);
            return null;
        }));
});

// Stops the sound playing and plays the one at `address` once it has been
// fetched, unless another has been asked for meanwhile.
EM_JS(void, playSound, (const char *address), {
    const url = UTF8ToString(address);
    const audio = Module.quizzolaAudio;
    const request = ++audio.latest;
    if (audio.playing)
        audio.playing.stop();
    audio.playing = null;
    const context = audio.ready();
    Module.quizzolaSounds.get(url).then(buffer => {
        if (!buffer || request !== audio.latest)
            return;
        const source = context.createBufferSource();
        source.buffer = buffer;
        source.connect(context.destination);
        source.start();
        audio.playing = source;
    });
});

} // namespace

void WebSoundPlayer::prefetch(const QString &file)
{
    fetchSound(file.toUtf8().constData());
}

void WebSoundPlayer::playWave(const QString &file)
{
    const QByteArray address = file.toUtf8();
    fetchSound(address.constData());
    playSound(address.constData());
}
