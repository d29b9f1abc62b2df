#!/usr/bin/env python3
"""Plays photo pages in real PDF viewers and measures their timing.

Makes a show of solid-colour photos, exports it with --pages, opens the PDF in each viewer's
presentation mode under Xvfb, samples one screen pixel with ffmpeg's x11grab every 50 ms and
classifies its colour over time: for each photo the time it was fully visible and the
transition into it, and the whole show's length (first photo shown until the end page shows).
Prints one table per viewer and mode next to the show's own time line.

Not part of CI: the viewers are installed only on a machine that measures
(apt-get install evince atril okular xdotool; Xvfb and ffmpeg come from install-deps.sh).

    python3 scripts/measure-viewer-timing.py [--viewers evince,atril,okular]
        [--modes fade,cross] [--photos 6] [--fade 1000] [--pause 3000] [--exporter PATH]
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import time

WIDTH, HEIGHT = 1024, 768
# Far apart, and no colour lies near the mid-point of two neighbours, so a cross-fade's
# middle is never taken for a photo.
COLOURS = [
    (230, 20, 20), (20, 20, 230), (20, 200, 20), (230, 20, 230),
    (240, 240, 20), (20, 200, 220), (240, 130, 0), (110, 20, 160),
]
END = (255, 255, 255)  # the end page's background (the show's background: white)
TOLERANCE = 12
FRAME_RATE = 20


def run(cmd, **kw):
    return subprocess.run(cmd, check=True, **kw)


def make_show(work, args, mode):
    photos = []
    for i in range(args.photos):
        r, g, b = COLOURS[i % len(COLOURS)]
        path = os.path.join(work, f"photo{i + 1:02d}.png")
        run(["convert", "-size", "640x480", f"xc:rgb({r},{g},{b})", path])
        photos.append(path)
    pdf = os.path.join(work, f"show-{mode}.pdf")
    cmd = [args.exporter, "--pages", "--fade", str(args.fade), "--pause", str(args.pause),
           "--background", "#FFFFFF", "-o", pdf]
    if mode == "cross":
        cmd.append("--crossfade")
    run(cmd + photos, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return pdf


def timeline(args, mode):
    """The show's own numbers: transition T, step T + P, length n * step (+ F cross-fading)."""
    f, p = args.fade / 1000, args.pause / 1000
    t = f if mode == "cross" else 2 * f
    length = args.photos * (t + p) + (f if mode == "cross" else 0)
    return t, p, length


def near(a, b):
    return max(abs(x - y) for x, y in zip(a, b)) <= TOLERANCE


def sample(display, stop, frames):
    """Appends (seconds, rgb) of the pixel at 30 % of the screen's height, centred."""
    x, y = WIDTH // 2, int(HEIGHT * 0.3)
    cmd = ["ffmpeg", "-loglevel", "error", "-f", "x11grab", "-framerate", str(FRAME_RATE),
           "-video_size", "2x2", "-grab_x", str(x), "-grab_y", str(y), "-i", display,
           "-vf", "crop=1:1:0:0", "-f", "rawvideo", "-pix_fmt", "rgb24", "-flush_packets", "1", "-"]
    proc = subprocess.Popen(cmd, stdout=subprocess.PIPE)
    try:
        while not stop.is_set():
            data = proc.stdout.read(3)
            if len(data) < 3:
                break
            frames.append((time.monotonic(), tuple(data[0:3])))
    finally:
        proc.terminate()
        proc.wait()


def viewer_command(viewer, pdf):
    return [viewer, "--presentation", pdf]


def play(viewer, pdf, display, seconds):
    env = dict(os.environ, DISPLAY=display, QT_QPA_PLATFORM="xcb")
    env.pop("WAYLAND_DISPLAY", None)
    frames, stop = [], threading.Event()
    grabber = threading.Thread(target=sample, args=(display, stop, frames))
    grabber.start()
    while not frames and grabber.is_alive():
        time.sleep(0.05)
    proc = subprocess.Popen(["dbus-run-session", "--"] + viewer_command(viewer, pdf), env=env,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                            start_new_session=True)
    try:
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            time.sleep(0.5)
            if frames and near(frames[-1][1], END) and \
                    any(near(c, COLOURS[0]) for _, c in frames):
                time.sleep(1)  # a little of the end page
                break
    finally:
        os.killpg(proc.pid, 15)
        proc.wait()
        stop.set()
        grabber.join()
    return frames


def analyse(frames, n):
    """Walks the frames in show order; a frame counts as photo k only after photo k - 1."""
    refs = [COLOURS[i % len(COLOURS)] for i in range(n)] + [END]
    first = [None] * (n + 1)
    last = [None] * (n + 1)
    state = -1
    for t, c in frames:
        if state >= 0 and near(c, refs[state]):
            last[state] = t
        elif state < n and near(c, refs[state + 1]):
            state += 1
            first[state] = last[state] = t
    return first, last


def report(viewer, mode, args, frames):
    n = args.photos
    first, last = analyse(frames, n)
    t, p, length = timeline(args, mode)
    dt = 1 / FRAME_RATE
    print(f"\n{viewer}, {'cross-fade' if mode == 'cross' else 'fade in and out'}: "
          f"T = {t:g} s, P = {p:g} s, time line {length:g} s")
    if first[0] is None:
        print("  the first photo never showed")
        return None
    print("  photo  transition-in  fully visible")
    visible = []
    for k in range(n):
        if first[k] is None:
            print(f"  {k + 1:5d}  missing")
            continue
        into = first[k] - last[k - 1] - dt if k > 0 and last[k - 1] else 0
        full = last[k] - first[k] + dt
        visible.append(full)
        print(f"  {k + 1:5d}  {into:13.2f}  {full:13.2f}")
    if first[n] is None:
        print("  the end page never showed")
        return None
    into_end = first[n] - last[n - 1] - dt if last[n - 1] else 0
    show = first[n] - first[0]
    print(f"  end    {into_end:13.2f}")
    print(f"  show length {show:.2f} s vs time line {length:g} s ({100 * (show / length - 1):+.1f} %);"
          f" least fully visible {min(visible):.2f} s vs pause {p:g} s")
    return show, length, min(visible)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser()
    parser.add_argument("--viewers", default="evince,atril,okular")
    parser.add_argument("--modes", default="fade,cross")
    parser.add_argument("--photos", type=int, default=6)
    parser.add_argument("--fade", type=int, default=1000)
    parser.add_argument("--pause", type=int, default=3000)
    parser.add_argument("--exporter",
                        default=os.path.join(here, "..", "build", "bin", "lumeno-export"))
    parser.add_argument("--display", default=":77")
    parser.add_argument("--keep", help="folder that keeps the PDFs and the frames")
    args = parser.parse_args()
    if not os.path.exists(args.exporter):
        run(["bash", os.path.join(here, "build.sh"), "build"],
            env=dict(os.environ, BUILD_TARGETS="lumeno-export"))
    for tool in ["Xvfb", "ffmpeg", "convert", "dbus-run-session"]:
        if not shutil.which(tool):
            sys.exit(f"{tool} is missing")

    xvfb = subprocess.Popen(["Xvfb", args.display, "-screen", "0", f"{WIDTH}x{HEIGHT}x24",
                             "-nolisten", "tcp", "-br"], stderr=subprocess.DEVNULL)
    time.sleep(1.5)
    work = args.keep or tempfile.mkdtemp(prefix="viewer-timing-")
    os.makedirs(work, exist_ok=True)
    try:
        for mode in args.modes.split(","):
            pdf = make_show(work, args, mode)
            _, _, length = timeline(args, mode)
            for viewer in args.viewers.split(","):
                if not shutil.which(viewer):
                    print(f"\n{viewer}: not installed")
                    continue
                frames = play(viewer, pdf, args.display, 2 * length + 20)
                with open(os.path.join(work, f"frames-{viewer}-{mode}.txt"), "w") as out:
                    for t, c in frames:
                        out.write(f"{t - frames[0][0]:.3f} {c[0]} {c[1]} {c[2]}\n")
                report(viewer, mode, args, frames)
    finally:
        xvfb.terminate()
        xvfb.wait()
        if not args.keep:
            shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
