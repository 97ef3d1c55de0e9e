#!/usr/bin/env python3
"""Draws the dial scale marks, the pointers, the program icons and the
uninstaller's icon with
ImageMagick. Run from the repository root; the results are committed.
With an argument, e.g. `make-skin-images.py 2`, draws only the marks and
pointers at that display scale, as "marks_v7@2x.png" etc."""
import math
import subprocess
import sys

K = float(sys.argv[1]) if len(sys.argv) > 1 else 1.0   # display scale
SUFFIX = "" if K == 1.0 else "@%gx" % K

# model, D, T, L, a0, aD, aT, aL, aE, needle colour
MODELS = [
    ("v7", 3.6, 4.0, 4.6, -30, 108, 132, 168, 210, "#F2F4F7"),
    ("v9", 3.5, 4.4, 5.2, -30, 100, 142, 180, 210, "#FCB547"),
    ("v73", 3.4, 3.9, 4.4, -30, 110, 145, 180, 210, "#4FC3F7"),
]
SIZE = round(260 * K)   # marks image, centred on the dial's pivot
C = SIZE / 2


def angle_of(f, D, L, a0, aD, aL, aE):
    if f <= D:
        return (aD - a0) * f / D + a0
    if f <= L:
        return (aL - aD) * (f - D) / (L - D) + aD
    return aE


def point(a, r):
    # table angle 0 points left, growing clockwise over the top
    rad = math.radians(a)
    return C - K * r * math.cos(rad), C - K * r * math.sin(rad)


def marks(name, D, T, L, a0, aD, aT, aL, aE):
    draw = []
    f = 0.0
    top = math.ceil(L * 2) / 2 + 0.5
    while f <= top + 1e-6:
        a = angle_of(f, D, L, a0, aD, aL, aE)
        whole = abs(f - round(f)) < 1e-6
        colour = "#A4D975" if f <= D + 1e-6 else ("#FCB547" if f <= T + 1e-6 else "#FA6948")
        if f > L + 1e-6:
            colour = "#818891"
        x1, y1 = point(a, 100)
        x2, y2 = point(a, 112 if whole else 107)
        draw += ["-stroke", colour, "-strokewidth", "%g" % ((3 if whole else 2) * K),
                 "-draw", f"line {x1:.1f},{y1:.1f} {x2:.1f},{y2:.1f}"]
        if whole:
            tx, ty = point(a, 123)
            # The scaled run names a font Debian's ImageMagick always finds
            # (its default, Helvetica, needs Ghostscript's fonts).
            draw += ["-font", "DejaVu-Sans"] if K != 1.0 else []
            draw += ["-stroke", "none", "-fill", "#C8CDD3", "-pointsize", "%g" % (11 * K),
                     "-draw", f"text {tx - 4 * K:.1f},{ty + 4 * K:.1f} '{int(round(f))}'"]
        f += 0.5
    subprocess.check_call(["convert", "-size", f"{SIZE}x{SIZE}", "xc:none", *draw,
                           "-depth", "8", f"PNG32:skin/png/marks_{name}{SUFFIX}.png"])


def pointer(name, colour):
    # 186x186 like the dial; the needle points down at 0 and turns about the
    # image's centre, which the dial puts on its hub: the round end sits there
    # at every angle.
    def k(*xs):
        return ",".join("%g" % (x * K) for x in xs)
    subprocess.check_call([
        "convert", "-size", f"{round(186 * K)}x{round(186 * K)}", "xc:none", "-fill", colour, "-stroke", "none",
        "-draw", f"polygon {k(90, 93)} {k(96, 93)} {k(93.5, 163)} {k(92.5, 163)}",
        "-fill", "#F0F0F0", "-draw", f"circle {k(93, 93)} {k(93, 100)}",
        "-depth", "8", f"PNG32:skin/png/pointer_{name}{SUFFIX}.png"])


def icon(path, ring, fill, tip=(0.78, 0.28)):
    frames = []
    for s in (16, 32, 48):
        f = f"/tmp/vt_icon_{s}.png"
        m = s / 32.0
        subprocess.check_call([
            "convert", "-size", f"{s}x{s}", "xc:none",
            "-fill", "#1E2228", "-stroke", ring, "-strokewidth", f"{max(1, 3 * m):.1f}",
            "-draw", f"circle {s / 2 - 0.5},{s / 2 - 0.5} {s / 2 - 0.5},{1.5 * m}",
            "-stroke", fill, "-strokewidth", f"{max(1, 2.5 * m):.1f}",
            "-draw", f"line {s / 2 - 0.5},{s / 2 - 0.5} {s * tip[0]:.1f},{s * tip[1]:.1f}",
            f])
        frames.append(f)
    subprocess.check_call(["convert", *frames, path])


for (name, D, T, L, a0, aD, aT, aL, aE, colour) in MODELS:
    marks(name, D, T, L, a0, aD, aT, aL, aE)
    pointer(name, colour)
if K != 1.0:
    sys.exit(0)
icon("src/app/res/icons/normal.ico", "#818891", "#A4D975")       # 134: stock clock
icon("src/app/res/icons/overclocked.ico", "#FA6948", "#FCB547")  # 107: overclocked
# The uninstaller's: the needle dropped back to the start of the scale.
icon("installer/art/uninstall.ico", "#818891", "#FA6948", tip=(0.24, 0.74))
