#!/usr/bin/env python3
"""The browser build's frames against the desktop's: serves build-web/ on
127.0.0.1, loads index.html?fps=F&frame=N in headless Chromium (driven over
the DevTools protocol), waits for "velkor: frame N ready" on the console,
takes the canvas, and compares it with `velkor-tools render --fps F --frames N`.
Three passes in every scene; each must be within --limit percent RMSE.

usage: web_frames.py --web DIR --tools PATH --data DIR [--fps F] [--limit PCT] [--keep DIR]
Exit 0: all within the limit; 1: a frame is not; 77: Chromium is missing."""
import argparse
import base64
import functools
import http.server
import json
import os
import shutil
import socket
import struct
import subprocess
import sys
import tempfile
import threading
import time
import urllib.request
import zlib

TICKS_PER_SECOND = 13.0
SCENE_LENGTH_TICKS = [250, 350, 300, 450, 300, 1100]


def scene_passes(fps):
    """Three passes in every scene: at a quarter, half and three quarters of it."""
    passes, start = [], 0
    for length in SCENE_LENGTH_TICKS:
        for part in (0.25, 0.5, 0.75):
            seconds = (start + part * length) / TICKS_PER_SECOND
            passes.append(int(seconds * fps))
        start += length
    return passes


def read_png(data):
    """8-bit RGB or RGBA, not interlaced: (width, height, rows of RGB bytes)."""
    assert data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG file"
    at, idat, width = 8, b"", 0
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        body = data[at + 8:at + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", body)
            assert depth == 8 and colour in (2, 6) and interlace == 0, "unsupported PNG"
            channels = 3 if colour == 2 else 4
        elif kind == b"IDAT":
            idat += body
        at += 12 + length
    raw = zlib.decompress(idat)
    stride = width * channels
    rows, previous = [], bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - channels] if i >= channels else 0
            b = previous[i]
            c = previous[i - channels] if i >= channels else 0
            if kind == 1:
                line[i] = (line[i] + a) & 255
            elif kind == 2:
                line[i] = (line[i] + b) & 255
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        previous = line
        rows.append(bytes(line) if channels == 3 else bytes(v for j, v in enumerate(line) if j % 4 != 3))
    return width, height, rows


def rmse_percent(first, second):
    (w1, h1, a), (w2, h2, b) = first, second
    if (w1, h1) != (w2, h2):
        raise ValueError(f"sizes differ: {w1}x{h1} and {w2}x{h2}")
    total = 0
    for ra, rb in zip(a, b):
        total += sum((x - y) * (x - y) for x, y in zip(ra, rb))
    return (total / (w1 * h1 * 3)) ** 0.5 / 255.0 * 100.0


class DevTools:
    """The smallest WebSocket client that speaks the DevTools protocol."""

    def __init__(self, url):
        host, port_path = url[len("ws://"):].split(":", 1)
        port, path = port_path.split("/", 1)
        self.sock = socket.create_connection((host, int(port)))
        key = base64.b64encode(os.urandom(16)).decode()
        self.sock.sendall((f"GET /{path} HTTP/1.1\r\nHost: {host}:{port}\r\nUpgrade: websocket\r\n"
                           f"Connection: Upgrade\r\nSec-WebSocket-Key: {key}\r\nSec-WebSocket-Version: 13\r\n\r\n").encode())
        reply = b""
        while b"\r\n\r\n" not in reply:
            reply += self.sock.recv(4096)
        assert b" 101 " in reply.split(b"\r\n")[0], reply
        self.buffer = reply.split(b"\r\n\r\n", 1)[1]
        self.next_id = 0
        self.events = []

    def _read(self, n):
        while len(self.buffer) < n:
            chunk = self.sock.recv(1 << 20)
            if not chunk:
                raise EOFError("DevTools connection closed")
            self.buffer += chunk
        out, self.buffer = self.buffer[:n], self.buffer[n:]
        return out

    def _receive(self):
        message = b""
        while True:
            head = self._read(2)
            length = head[1] & 127
            if length == 126:
                length = struct.unpack(">H", self._read(2))[0]
            elif length == 127:
                length = struct.unpack(">Q", self._read(8))[0]
            message += self._read(length)
            if head[0] & 0x80:
                return json.loads(message)

    def send(self, method, **params):
        self.next_id += 1
        body = json.dumps({"id": self.next_id, "method": method, "params": params}).encode()
        mask = os.urandom(4)
        head = bytes([0x81])
        if len(body) < 126:
            head += bytes([0x80 | len(body)])
        elif len(body) < 65536:
            head += bytes([0x80 | 126]) + struct.pack(">H", len(body))
        else:
            head += bytes([0x80 | 127]) + struct.pack(">Q", len(body))
        self.sock.sendall(head + mask + bytes(b ^ mask[i % 4] for i, b in enumerate(body)))
        while True:
            message = self._receive()
            if message.get("id") == self.next_id:
                if "error" in message:
                    raise RuntimeError(f"{method}: {message['error']}")
                return message.get("result", {})
            self.events.append(message)

    def console(self, timeout):
        """The page's console lines as they come, with the wall time each arrived, for up to timeout seconds."""
        end = time.time() + timeout
        self.sock.settimeout(1.0)
        try:
            while time.time() < end:
                while self.events:
                    event = self.events.pop(0)
                    if event.get("method") == "Runtime.consoleAPICalled":
                        args = event["params"]["args"]
                        yield time.time(), " ".join(str(a.get("value", "")) for a in args)
                try:
                    self.events.append(self._receive())
                except socket.timeout:
                    pass
        finally:
            self.sock.settimeout(None)

    def wait_console(self, text, timeout):
        lines = self.console(timeout)
        try:
            return any(text in line for _, line in lines)
        finally:
            lines.close()


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


def serve(directory):
    handler = functools.partial(QuietHandler, directory=directory)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


def start_chromium(chromium, profile):
    process = subprocess.Popen(
        [chromium, "--headless=new", "--no-sandbox", "--use-angle=swiftshader", "--enable-unsafe-swiftshader",
         "--remote-debugging-port=0", f"--user-data-dir={profile}", "--window-size=800,600",
         "--autoplay-policy=no-user-gesture-required", "about:blank"],
        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    port_file = os.path.join(profile, "DevToolsActivePort")
    for _ in range(300):
        if os.path.exists(port_file) and open(port_file).read().count("\n") >= 1:
            break
        time.sleep(0.1)
    port = open(port_file).read().split("\n")[0]
    pages = json.load(urllib.request.urlopen(f"http://127.0.0.1:{port}/json/list"))
    page = next(p for p in pages if p["type"] == "page")
    return process, DevTools(page["webSocketDebuggerUrl"])


def capture(tools, url, frame):
    """The canvas after index.html?...&frame=N says it is ready, as PNG bytes; seconds taken."""
    started = time.time()
    tools.send("Page.navigate", url=url)
    if not tools.wait_console(f"velkor: frame {frame} ready", 600):
        raise RuntimeError(f"no 'frame {frame} ready' from {url}")
    box = tools.send("Runtime.evaluate", expression="JSON.stringify(Module.canvas.getBoundingClientRect())",
                     returnByValue=True)
    rect = json.loads(box["result"]["value"])
    shot = tools.send("Page.captureScreenshot", format="png",
                      clip={"x": rect["x"], "y": rect["y"], "width": 640, "height": 480, "scale": 1})
    return base64.b64decode(shot["data"]), time.time() - started


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--web", required=True)
    parser.add_argument("--tools", required=True)
    parser.add_argument("--data", required=True)
    parser.add_argument("--fps", default="2")
    parser.add_argument("--limit", type=float, default=1.5)
    parser.add_argument("--keep", default="")
    parser.add_argument("--chromium", default=shutil.which("chromium") or "")
    args = parser.parse_args()
    if not args.chromium:
        print("web_frames: no chromium on PATH; skipped")
        return 77
    passes = scene_passes(float(args.fps))
    work = args.keep or tempfile.mkdtemp(prefix="velkor-web-")
    native = os.path.join(work, "native")
    subprocess.run([args.tools, "render", "--data", args.data, "--fps", args.fps,
                    "--frames", ",".join(map(str, passes)), "--out", native], check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    server = serve(args.web)
    profile = tempfile.mkdtemp(prefix="velkor-chromium-")
    process, tools = start_chromium(args.chromium, profile)
    failed = False
    try:
        tools.send("Runtime.enable")
        tools.send("Page.enable")
        tools.send("Emulation.setDeviceMetricsOverride", width=800, height=600, deviceScaleFactor=1, mobile=False)
        for index, frame in enumerate(passes):
            url = f"http://127.0.0.1:{server.server_port}/index.html?fps={args.fps}&frame={frame}"
            png, seconds = capture(tools, url, frame)
            if args.keep:
                with open(os.path.join(work, f"web-{frame:06d}.png"), "wb") as f:
                    f.write(png)
            with open(os.path.join(native, f"frame-{frame:06d}.png"), "rb") as f:
                reference = read_png(f.read())
            rmse = rmse_percent(read_png(png), reference)
            verdict = "ok" if rmse <= args.limit else "OVER"
            failed = failed or rmse > args.limit
            print(f"scene {index // 3} pass {frame:5d}: RMSE {rmse:5.2f} % ({seconds:4.1f} s) {verdict}", flush=True)
    finally:
        process.terminate()
        process.wait()
        server.shutdown()
        shutil.rmtree(profile, ignore_errors=True)
        if not args.keep:
            shutil.rmtree(work, ignore_errors=True)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
