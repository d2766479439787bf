#!/usr/bin/env python3
"""Prints the frequency (Hz) and level (dBFS, RMS) of each channel of a WAV recording of a sine,
measured past its first quarter (the start may hold silence before the sound arrived).
Usage: sine_figures.py FILE.wav"""
import math
import struct
import sys
import wave


def channels(path):
    with wave.open(path, "rb") as w:
        rate, n, width, frames = w.getframerate(), w.getnchannels(), w.getsampwidth(), w.getnframes()
        data = w.readframes(frames)
    fmt = {2: "h", 4: "i"}[width]
    scale = float(1 << (8 * width - 1))
    values = struct.unpack("<%d%s" % (frames * n, fmt), data)
    return rate, [[v / scale for v in values[c::n]] for c in range(n)]


def crossings(x):
    """Rising zero crossings, placed between samples by linear interpolation."""
    return [i + x[i] / (x[i] - x[i + 1]) for i in range(len(x) - 1) if x[i] < 0 <= x[i + 1]]


def figures(x, rate):
    """Frequency and level, each from the run of whole periods, robust against a dropout: the
    periods more than 1 % off the median are left out of the frequency, and the level is the
    median RMS of windows of 20 periods each."""
    ups = crossings(x)
    if len(ups) < 42:
        return 0.0, -999.0
    periods = [b - a for a, b in zip(ups, ups[1:])]
    middle = sorted(periods)[len(periods) // 2]
    kept = [p for p in periods if abs(p - middle) < 0.01 * middle]
    hz = rate * len(kept) / sum(kept)
    levels = []
    for k in range(0, len(ups) - 20, 20):
        window = x[int(round(ups[k])):int(round(ups[k + 20]))]
        levels.append(math.sqrt(sum(v * v for v in window) / len(window)))
    rms = sorted(levels)[len(levels) // 2]
    return hz, 20 * math.log10(rms) if rms > 0 else -999.0


def main():
    rate, chans = channels(sys.argv[1])
    for x in chans:
        print("%.3f %.3f" % figures(x[len(x) // 4:], rate))


main()
