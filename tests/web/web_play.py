#!/usr/bin/env python3
"""The whole show played in headless Chromium on its audio clock: the page is
loaded, its start button clicked, and the console followed to the end. Each
scene must begin at its place in the music, the music time must follow the
wall clock (the audio output drives it), and the show must end by itself.
Prints the time to the start button, to the first scene, and the frame rate.
With --data, first a copy of that data set with every name in capitals is
picked as a folder on the page: scene 0 must begin and draw with no data
file missing (names are matched case-insensitively).

usage: web_play.py --web DIR [--data DIR]   Exit 0: as expected; 1: not; 77: no Chromium."""
import argparse
import os
import re
import shutil
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from web_frames import SCENE_LENGTH_TICKS, TICKS_PER_SECOND, serve, start_chromium  # noqa: E402

SHOW_MS = sum(SCENE_LENGTH_TICKS) * 1000 / TICKS_PER_SECOND


def capitalised_copy(data, to):
    """data copied below to/Show with every file and folder name in capitals."""
    for folder, _, files in os.walk(data):
        relative = os.path.relpath(folder, data)
        target = os.path.join(to, "Show", "" if relative == "." else relative.upper())
        os.makedirs(target, exist_ok=True)
        for name in files:
            shutil.copyfile(os.path.join(folder, name), os.path.join(target, name.upper()))
    return os.path.join(to, "Show")


def play_picked_folder(tools, url, data, problems):
    """The page's folder picker with the capitalised set: scene 0 begins and no data file is missing."""
    work = tempfile.mkdtemp(prefix="velkor-picked-")
    try:
        folder = capitalised_copy(data, work)
        tools.send("Page.navigate", url=url)
        if not tools.wait_console("velkor: ready", 120):
            raise RuntimeError("the page never became ready")
        root = tools.send("DOM.getDocument")["root"]["nodeId"]
        node = tools.send("DOM.querySelector", nodeId=root, selector="#folder")["nodeId"]
        tools.send("DOM.setFileInputFiles", nodeId=node, files=[folder])
        for _ in range(120):
            label = tools.send("Runtime.evaluate", expression="document.getElementById('start').textContent",
                               returnByValue=True)["result"]["value"]
            if label.startswith("Start with"):
                break
            time.sleep(0.5)
        else:
            problems.append("the picked folder was never taken")
            return
        tools.send("Runtime.evaluate", expression="document.getElementById('start').click()", userGesture=True)
        # Scene 0's files are read before its first frame; a few seconds of it are plenty.
        began, complaints, until = False, [], time.time() + 30
        for wall, line in tools.console(30):
            if line.startswith("velkor: scene 0"):
                began, until = True, wall + 3
            elif "cannot" in line or "missing" in line or "ERROR" in line:
                complaints.append(line)
            if wall > until:
                break
        if not began:
            problems.append("the picked folder's show did not begin")
        problems.extend(f"picked folder: {line}" for line in complaints)
        print(f"picked folder in capitals: scene 0 {'began' if began else 'did not begin'}, "
              f"{len(complaints)} data complaints", flush=True)
    finally:
        shutil.rmtree(work, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--web", required=True)
    parser.add_argument("--data", default="")
    parser.add_argument("--chromium", default=shutil.which("chromium") or "")
    args = parser.parse_args()
    if not args.chromium:
        print("web_play: no chromium on PATH; skipped")
        return 77
    server = serve(args.web)
    profile = tempfile.mkdtemp(prefix="velkor-chromium-")
    process, tools = start_chromium(args.chromium, profile)
    problems = []
    try:
        tools.send("Runtime.enable")
        tools.send("Page.enable")
        tools.send("DOM.enable")
        if args.data:
            play_picked_folder(tools, f"http://127.0.0.1:{server.server_port}/index.html", args.data, problems)
        # Start-up: from asking for the page to its first frame drawn (no click needed on the virtual clock).
        loaded = time.time()
        tools.send("Page.navigate", url=f"http://127.0.0.1:{server.server_port}/index.html?fps=60&frame=0")
        if not tools.wait_console("velkor: frame 0 ready", 120):
            raise RuntimeError("the page never drew its first frame")
        print(f"first frame {time.time() - loaded:.2f} s after the page was asked for", flush=True)
        loaded = time.time()
        tools.send("Page.navigate", url=f"http://127.0.0.1:{server.server_port}/index.html")
        if not tools.wait_console("velkor: ready", 120):
            raise RuntimeError("the page never became ready")
        ready = time.time() - loaded
        clicked = time.time()
        tools.send("Runtime.evaluate", expression="document.getElementById('start').click()", userGesture=True)
        scenes, frames, music_end, wall_end = {}, 0, 0, 0.0
        for wall, line in tools.console(SHOW_MS / 1000 * 1.5 + 60):
            scene = re.match(r"velkor: scene (\d+) at (\d+) ms after (\d+) ms", line)
            if scene:
                scenes[int(scene.group(1))] = (wall - clicked, int(scene.group(2)), int(scene.group(3)))
                print(f"scene {scene.group(1)} at music {int(scene.group(2)) / 1000:7.3f} s "
                      f"(the pass before at {int(scene.group(3)) / 1000:7.3f} s), wall {wall - clicked:7.3f} s",
                      flush=True)
            drawn = re.match(r"velkor: (\d+) frames drawn, music at (\d+) ms", line)
            if drawn:
                frames, music_end, wall_end = int(drawn.group(1)), int(drawn.group(2)), wall - clicked
            if "velkor: the end" in line:
                break
        else:
            problems.append("the show did not end by itself")
        # Scene k begins on the first pass whose tick passes the whole tick at which
        # scene k - 1 began plus that scene's length: the pass before is still short of it.
        start_tick = 0
        for index, length in enumerate(SCENE_LENGTH_TICKS):
            if index not in scenes:
                problems.append(f"scene {index} never began")
                break
            _, ms, before = scenes[index]
            if index > 0:
                due = (start_tick - 0.001) / 0.013  # the music ms at which the tick is passed
                if not (before <= due + 2 and ms >= due - 2):
                    problems.append(f"scene {index} began at {ms} ms after a pass at {before} ms, "
                                    f"not on the first pass past {due:.0f} ms")
            start_tick = (int(ms * 0.013 + 0.001) if index > 0 else 0) + length
        # The music time against the wall clock from the first frame to the last.
        if 0 in scenes and music_end:
            wall0, ms0, _ = scenes[0]
            drift = (wall_end - wall0) - (music_end - ms0) / 1000
            print(f"music against wall clock over the show: {drift:+.3f} s")
            if abs(drift) > 1.0:
                problems.append(f"the music time drifted {drift:+.3f} s from the wall clock")
        if music_end:
            seconds = music_end / 1000
            print(f"ready after {ready:.2f} s; first scene {scenes.get(0, (0, 0))[0]:.2f} s after the click; "
                  f"{frames} frames in {seconds:.1f} s of music: {frames / seconds:.1f} frames per second")
        end_due = (start_tick - 0.001) / 0.013  # scene 5's start plus its length
        if len(scenes) == len(SCENE_LENGTH_TICKS) and music_end < end_due - 2:
            problems.append(f"the show ended at {music_end} ms of music, before {end_due:.0f}")
    finally:
        process.terminate()
        process.wait()
        server.shutdown()
        shutil.rmtree(profile, ignore_errors=True)
    for problem in problems:
        print("web_play:", problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
