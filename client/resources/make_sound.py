#!/usr/bin/env python3
"""Writes the program's default notification sound, music/music.wav, under the directory named
on the command line.

A rising two-tone chime (G5, then C6 a little later), each note a soft strike with a bell-like
decay: 16-bit PCM, mono, 22 050 Hz, 0.9 s. It is played when a new message arrives until the
user picks another sound; the program ships it beside itself in the music folder.

Standard library only, no clock and no randomness: the same script writes the same bytes.
"""
import math
import os
import struct
import sys

RATE = 22050
SECONDS = 0.9
PEAK = 0.42  # of full scale: a notification, not an alarm


def note(t, start, frequency, decay):
    """One struck note: a 5 ms raised-cosine attack (so it starts at exactly zero), an exponential
    decay, and a quieter octave partial that fades fast."""
    local = t - start
    if local < 0:
        return 0.0
    attack = 0.5 - 0.5 * math.cos(math.pi * local / 0.005) if local < 0.005 else 1.0
    phase = 2 * math.pi * frequency * local
    return attack * math.exp(-local / decay) * (math.sin(phase) + 0.3 * math.sin(2 * phase) * math.exp(-local / 0.06))


def samples():
    count = int(RATE * SECONDS)
    signal = [note(i / RATE, 0.0, 783.99, 0.16) + 0.9 * note(i / RATE, 0.17, 1046.50, 0.24) for i in range(count)]
    # The last 20 ms fade to zero: no click when the sound ends.
    fade = int(RATE * 0.02)
    for k in range(fade):
        signal[count - fade + k] *= 1 - (k + 1) / fade
    scale = PEAK * 32767 / max(abs(v) for v in signal)
    return [max(-32768, min(32767, round(v * scale))) for v in signal]


def wave_bytes(pcm):
    data = struct.pack('<%dh' % len(pcm), *pcm)
    fmt = struct.pack('<HHIIHH', 1, 1, RATE, RATE * 2, 2, 16)  # PCM, mono, 16 bits
    return (b'RIFF' + struct.pack('<I', 4 + 8 + len(fmt) + 8 + len(data)) + b'WAVE' +
            b'fmt ' + struct.pack('<I', len(fmt)) + fmt + b'data' + struct.pack('<I', len(data)) + data)


def main():
    if len(sys.argv) != 2:
        sys.exit('usage: make_sound.py OUTPUT_DIR')
    folder = os.path.join(sys.argv[1], 'music')
    os.makedirs(folder, exist_ok=True)
    path = os.path.join(folder, 'music.wav')
    with open(path + '.tmp', 'wb') as f:
        f.write(wave_bytes(samples()))
    os.replace(path + '.tmp', path)


if __name__ == '__main__':
    main()
