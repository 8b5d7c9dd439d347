#!/usr/bin/env python3
"""Draws the README's picture of the soundtrack: its loudness over time above its spectrogram and a
strip of its pitch classes (chroma), with the demo's scene cuts and the keys marked, from the mp3
the build made.

    scripts/soundtrack_picture.py [build/data/tapestrybeats.mp3] [docs/soundtrack.png]

Needs python3 and ffmpeg (with the drawtext filter and a DejaVu font), nothing else. Neither the
build nor the tests run it: run it by hand after the music changes and commit the picture.
"""
import math
import re
import subprocess
import sys

TRACK = sys.argv[1] if len(sys.argv) > 1 else "build/data/tapestrybeats.mp3"
PICTURE = sys.argv[2] if len(sys.argv) > 2 else "docs/soundtrack.png"
FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"

SECONDS = 122.0  # the demo ends at 121.3 s
# The demo's scenes in track seconds (the music starts right before the first frame), the warp's
# flash and the last fade to black.
SCENES = [(0.0, "decrunch"), (8.2, "logo"), (23.7, "cubes"), (32.5, "tiles"), (41.3, "starfield"),
          (83.8, "picture"), (101.3, "credits")]
MARKS = [(81.75, "warp"), (116.3, "fade"), (121.3, "end")]
KEYS = [(0.0, "A minor"), (41.3, "C minor"), (81.75, "A minor")]  # where the song changes key

LEFT, RIGHT, WIDTH = 64, 16, 1200           # pixels; WIDTH spans SECONDS
TOP, LOUD_H, GAP, SPEC_H, BOTTOM = 30, 170, 10, 300, 30
PC_H = 10                                   # pixels per pitch class in the chroma strip
CHROMA_SMOOTH = 2                           # columns either side averaged into each
CHROMA_TOP = TOP + LOUD_H + GAP + SPEC_H + GAP + 14
W = LEFT + WIDTH + RIGHT
H = CHROMA_TOP + 12 * PC_H + BOTTOM
LUFS_TOP, LUFS_BOTTOM = 0.0, -40.0
F_LOW, F_HIGH = 30, 16000                   # Hz, the spectrogram's log scale

BACKGROUND, GRID, AXIS = (16, 16, 24), (56, 56, 72), (150, 150, 170)
MOMENTARY, SHORT_TERM, CUT, EVENT = (90, 170, 255), (255, 200, 60), (255, 255, 255), (255, 110, 110)


def run(args, data=None):
    done = subprocess.run(args, input=data, capture_output=True)
    if done.returncode:
        sys.exit(f"{args[0]} failed: {done.stderr.decode().strip()}")
    return done


def loudness():
    """Momentary (400 ms) and short-term (3 s) loudness every 100 ms, as ffmpeg's meter logs them,
    each at the end of its window."""
    log = run(["ffmpeg", "-hide_banner", "-nostats", "-v", "verbose", "-t", str(SECONDS), "-i", TRACK,
               "-af", "ebur128=framelog=verbose", "-f", "null", "-"]).stderr.decode()
    return [(float(t), float(m), float(s)) for t, m, s in
            re.findall(r"t:\s*([\d.]+)\s+TARGET:.*?M:\s*([-\d.]+)\s+S:\s*([-\d.]+)", log)]


def spectrogram():
    """RGB rows of the spectrogram, WIDTH x SPEC_H, low frequencies at the bottom. ffmpeg's
    constant-Q sonogram scrolls one row a frame, so at WIDTH frames over the track its last frame
    holds the whole track; turned a quarter, time runs to the right."""
    return run(["ffmpeg", "-v", "error", "-t", str(SECONDS), "-i", TRACK, "-lavfi",
                f"showcqt=s={SPEC_H}x{WIDTH}:fps={WIDTH}/{SECONDS}:bar_h=0:axis_h=0:sono_h={WIDTH}"
                f":basefreq={F_LOW}:endfreq={F_HIGH}:count=1:sono_v=9:cscheme=1|0.55|0.2|1|0.55|0.2,"
                f"select=gte(n\\,{WIDTH - 1}),transpose=clock_flip",
                "-frames:v", "1", "-f", "rawvideo", "-pix_fmt", "rgb24", "-"]).stdout


def chroma():
    """Per column of the picture, the share of each pitch class (0 = C) in the constant-Q spectrum
    from C2 to C7, each column scaled so its strongest class is 1. Each pitch's bins are centred on
    it: the scale starts half a semitone under C2."""
    bins, octaves = 600, 5
    low = 65.406 * 2 ** (-1 / 24)
    rows = run(["ffmpeg", "-v", "error", "-t", str(SECONDS), "-i", TRACK, "-lavfi",
                f"showcqt=s={bins}x{WIDTH}:fps={WIDTH}/{SECONDS}:bar_h=0:axis_h=0:sono_h={WIDTH}"
                f":basefreq={low}:endfreq={low * 2 ** octaves}:count=1:sono_v=4:sono_g=1"
                f":cscheme=1|1|1|1|1|1,select=gte(n\\,{WIDTH - 1})",
                "-frames:v", "1", "-f", "rawvideo", "-pix_fmt", "gray", "-"]).stdout
    per_class = bins // (12 * octaves)
    sums = []
    for row in range(WIDTH - 1, -1, -1):  # the sonogram's newest row is its top
        line = rows[bins * row:bins * (row + 1)]
        shares = [0] * 12
        for x, v in enumerate(line):
            shares[(x // per_class) % 12] += v
        sums.append(shares)
    columns = []
    for x in range(WIDTH):  # over half a second, so that chords show rather than single notes
        near = sums[max(0, x - CHROMA_SMOOTH):x + CHROMA_SMOOTH + 1]
        shares = [sum(column[c] for column in near) for c in range(12)]
        top = max(shares) or 1
        columns.append([v / top for v in shares])
    return columns


def x_of(seconds):
    return LEFT + round(seconds / SECONDS * WIDTH)


def y_of_lufs(lufs):
    clamped = max(LUFS_BOTTOM, min(LUFS_TOP, lufs))
    return TOP + round((LUFS_TOP - clamped) / (LUFS_TOP - LUFS_BOTTOM) * (LOUD_H - 1))


def y_of_hz(hz):
    return TOP + LOUD_H + GAP + round((1 - math.log(hz / F_LOW) / math.log(F_HIGH / F_LOW)) * (SPEC_H - 1))


def main():
    canvas = bytearray(bytes(BACKGROUND) * (W * H))

    def dot(x, y, colour):
        if 0 <= x < W and 0 <= y < H:
            canvas[3 * (y * W + x):3 * (y * W + x) + 3] = bytes(colour)

    def hline(y, x0, x1, colour, dash=0):
        for x in range(x0, x1):
            if not dash or (x // dash) % 2 == 0:
                dot(x, y, colour)

    def vline(x, y0, y1, colour, dash=0):
        for y in range(y0, y1):
            if not dash or (y // dash) % 2 == 0:
                dot(x, y, colour)

    rows = spectrogram()
    spec_top = TOP + LOUD_H + GAP
    for y in range(SPEC_H):
        start = 3 * ((spec_top + y) * W + LEFT)
        canvas[start:start + 3 * WIDTH] = rows[3 * WIDTH * y:3 * WIDTH * (y + 1)]

    for x, shares in enumerate(chroma()):
        for pitch_class, share in enumerate(shares):
            level = share ** 3  # the leading classes stand out from the rest
            colour = (round(40 + 215 * level), round(30 + 170 * level), round(60 + 40 * level))
            y0 = CHROMA_TOP + (11 - pitch_class) * PC_H
            for y in range(y0, y0 + PC_H - 1):
                dot(LEFT + x, y, colour)

    labels = []  # (x, y, text, size, colour)
    for pitch_class, name in enumerate(["C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"]):
        labels.append((LEFT - 22, CHROMA_TOP + (11 - pitch_class) * PC_H, name, 9, AXIS))
    labels.append((4, CHROMA_TOP - 14, "key", 11, AXIS))
    for start, key in KEYS:
        labels.append((x_of(start) + 4, CHROMA_TOP - 14, key, 11, CUT))
    for lufs in range(int(LUFS_TOP), int(LUFS_BOTTOM) - 1, -10):
        hline(y_of_lufs(lufs), LEFT, LEFT + WIDTH, GRID)
        labels.append((4, y_of_lufs(lufs) - 6, f"{lufs} LUFS", 11, AXIS))
    for hz, text in [(100, "100 Hz"), (1000, "1 kHz"), (10000, "10 kHz")]:
        hline(y_of_hz(hz), LEFT, LEFT + WIDTH, GRID, dash=4)
        labels.append((4, y_of_hz(hz) - 6, text, 11, AXIS))
    chroma_bottom = CHROMA_TOP + 12 * PC_H
    for second in range(0, int(SECONDS) + 1, 10):
        vline(x_of(second), chroma_bottom, chroma_bottom + 5, AXIS)
        labels.append((x_of(second) - 8, chroma_bottom + 8, f"{second} s", 11, AXIS))

    # Each reading drawn at the middle of its window, joined to the one before.
    readings = loudness()
    for index, window, colour in [(2, 3.0, SHORT_TERM), (1, 0.4, MOMENTARY)]:
        previous = None
        for reading in readings:
            if reading[0] < window:
                continue
            x, y = x_of(reading[0] - window / 2), y_of_lufs(reading[index])
            if previous:
                for step in range(previous[0] + 1, x + 1):
                    vline(step, min(y, previous[1]), max(y, previous[1]) + 1, colour)
            previous = (x, y)

    for start, name in SCENES:
        vline(x_of(start), TOP - 4, chroma_bottom, CUT)
        labels.append((x_of(start) + 4, 8, name, 13, CUT))
    for at, name in MARKS:
        vline(x_of(at), TOP - 4, chroma_bottom, EVENT, dash=3)
        labels.append((x_of(at) - 30 if name == "warp" else x_of(at) + 3, 8 if name == "warp" else TOP + 4,
                       name, 11, EVENT))
    labels.append((LEFT + 6, TOP + 6, "loudness in LUFS - momentary (blue) and short-term (yellow)", 11, AXIS))

    def colour_of(rgb):
        return "0x%02x%02x%02x" % rgb

    text = ",".join(f"drawtext=fontfile={FONT}:text='{t}':x={x}:y={y}:fontsize={size}:fontcolor={colour_of(c)}"
                    for x, y, t, size, c in labels)
    run(["ffmpeg", "-v", "error", "-y", "-f", "rawvideo", "-pix_fmt", "rgb24", "-s", f"{W}x{H}", "-i", "-",
         "-vf", text, "-frames:v", "1", PICTURE], data=bytes(canvas))


if __name__ == "__main__":
    main()
