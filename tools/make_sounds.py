#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes the two answer sounds of Quizzola into the repository's suoni/ folder.

    suoni/Esatto.wav  played on a right answer: a quick rising arpeggio of
                      soft bell-like tones (C major, up to the high C).
    suoni/no.wav      played on a wrong answer: two soft, low tones stepping
                      down, short and gentle so that a mistake never sounds
                      like a telling-off.

Both files are 16-bit PCM, mono, 44100 Hz. Every tone starts with a short
fade-in and dies away smoothly, so nothing clicks. Only the Python standard
library is used; run it from anywhere:

    python3 tools/make_sounds.py

To change a sound, edit the constants below and run the script again.
"""

import math
import struct
import wave
from pathlib import Path

SAMPLE_RATE = 44100          # samples per second
PEAK = 0.5                   # loudest sample, as a fraction of full scale
FADE_IN = 0.005              # seconds of fade-in at the start of each tone
FADE_OUT = 0.02              # seconds of fade-out at the end of each tone

# Note frequencies in hertz.
C5 = 523.25
E5 = 659.25
G5 = 783.99
C6 = 1046.50
A3 = 220.00
E3 = 164.81

# Right answer: the notes of the arpeggio, a new one every NOTE_STEP seconds;
# each rings for NOTE_LENGTH seconds, so consecutive notes overlap a little,
# and the last one rings for LAST_NOTE_LENGTH seconds.
RIGHT_NOTES = [C5, E5, G5, C6]
RIGHT_NOTE_STEP = 0.075
RIGHT_NOTE_LENGTH = 0.16
RIGHT_LAST_NOTE_LENGTH = 0.30
RIGHT_DECAY = 9.0            # how fast a bell tone dies away (per second)
# A bell tone is its fundamental plus a quieter partial an octave up and a
# faint one two octaves up; the pairs are (frequency multiple, loudness).
BELL_PARTIALS = [(1.0, 1.0), (2.0, 0.30), (4.0, 0.08)]

# Wrong answer: two low tones, the second one lower.
WRONG_NOTES = [A3, E3]
WRONG_NOTE_LENGTH = 0.16
WRONG_GAP = 0.02             # silence between the two tones
WRONG_DECAY = 6.0
# Soft, round tones: a fundamental with only a little of the octave above.
SOFT_PARTIALS = [(1.0, 1.0), (2.0, 0.15)]

OUTPUT_FOLDER = Path(__file__).resolve().parent.parent / "suoni"


def tone(frequency, length, decay, partials):
    """One tone as a list of floats in [-1, 1]: the given partials under a
    short linear fade-in, an exponential decay, and a short fade-out that
    brings the very last sample to zero."""
    count = int(round(length * SAMPLE_RATE))
    fade_in = max(1, int(FADE_IN * SAMPLE_RATE))
    fade_out = max(1, int(FADE_OUT * SAMPLE_RATE))
    total_weight = sum(weight for _, weight in partials)
    samples = []
    for i in range(count):
        t = i / SAMPLE_RATE
        value = sum(weight * math.sin(2.0 * math.pi * frequency * multiple * t)
                    for multiple, weight in partials) / total_weight
        envelope = math.exp(-decay * t)
        if i < fade_in:
            envelope *= i / fade_in
        remaining = count - 1 - i
        if remaining < fade_out:
            envelope *= remaining / fade_out
        samples.append(value * envelope)
    return samples


def mix(length, placed_tones):
    """Adds tones, each given as (start in seconds, samples), into a buffer
    `length` seconds long."""
    buffer = [0.0] * int(round(length * SAMPLE_RATE))
    for start, samples in placed_tones:
        offset = int(round(start * SAMPLE_RATE))
        for i, value in enumerate(samples):
            if offset + i < len(buffer):
                buffer[offset + i] += value
    return buffer


def normalise(samples, peak=PEAK):
    """Scales the samples so that the loudest one reaches `peak`."""
    loudest = max(abs(s) for s in samples) or 1.0
    return [s * peak / loudest for s in samples]


def write_wave(path, samples):
    """Writes float samples in [-1, 1] as a 16-bit mono PCM wave file."""
    frames = b"".join(struct.pack("<h", int(round(s * 32767))) for s in samples)
    with wave.open(str(path), "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(SAMPLE_RATE)
        out.writeframes(frames)


def right_answer():
    placed = []
    for index, note in enumerate(RIGHT_NOTES):
        last = index == len(RIGHT_NOTES) - 1
        length = RIGHT_LAST_NOTE_LENGTH if last else RIGHT_NOTE_LENGTH
        placed.append((index * RIGHT_NOTE_STEP,
                       tone(note, length, RIGHT_DECAY, BELL_PARTIALS)))
    total = (len(RIGHT_NOTES) - 1) * RIGHT_NOTE_STEP + RIGHT_LAST_NOTE_LENGTH
    return normalise(mix(total, placed))


def wrong_answer():
    placed = []
    for index, note in enumerate(WRONG_NOTES):
        start = index * (WRONG_NOTE_LENGTH + WRONG_GAP)
        placed.append((start, tone(note, WRONG_NOTE_LENGTH, WRONG_DECAY, SOFT_PARTIALS)))
    total = len(WRONG_NOTES) * WRONG_NOTE_LENGTH + (len(WRONG_NOTES) - 1) * WRONG_GAP
    return normalise(mix(total, placed))


def main():
    OUTPUT_FOLDER.mkdir(parents=True, exist_ok=True)
    for name, samples in (("Esatto.wav", right_answer()), ("no.wav", wrong_answer())):
        path = OUTPUT_FOLDER / name
        write_wave(path, samples)
        print(f"{path}: {len(samples) / SAMPLE_RATE:.3f} s")


if __name__ == "__main__":
    main()
