"""Browser backend of the end-to-end harness: the web build played in headless Chromium, driven
through Selenium (WebDriver, with chromium-driver), with the same interface as xharness.Program.

    with Browser() as browser, Page(browser, run_dir) as page:
        page.wait_window()
        page.key("s")
        picture = page.capture()          # 480x640x3 uint8, RGB: the canvas, read back
        page.key("Escape")
        status = page.wait(10)            # once the page says that the game has ended

xharness imports this module, and gives its classes as XServer and Program, when
$QUORVANE_WEB_ZIP names the zip that `tools/build.sh web` makes; the zip is unpacked once per
process. Each page is served on 127.0.0.1 by a small server of this module: the program's files
from the site, the data files from the run directory, each file's bytes sent counted; with
ranges=False it answers every request with the whole file, as Python's http.server does, else it
honours a Range header. Chromium is $QUORVANE_CHROMIUM and its driver $QUORVANE_CHROMEDRIVER.

page_probe.js, put in the page before its own scripts, records what the page prints, its
uncaught errors, the moment of every put of pixels on the canvas, and what reaches the page's
audio output, which stands for the mix that the X backend records through SDL's disk driver. SDL's
browser driver plays every buffer that it mixes a fixed time later (PLAYER_DELAY): the times of
the mix are those of the output less that delay.
"""
# SPDX-FileCopyrightText: 2026 The Quorvane developers
# SPDX-License-Identifier: MIT
import atexit
import base64
import http.server
import io
import os
import re
import shutil
import stat
import tempfile
import threading
import time
import zipfile
from pathlib import Path

import numpy as np
from PIL import Image

from xharness import HarnessError

ZIP = os.environ.get("QUORVANE_WEB_ZIP", "")
CHROMIUM = os.environ.get("QUORVANE_CHROMIUM", "/usr/bin/chromium")
CHROMEDRIVER = os.environ.get("QUORVANE_CHROMEDRIVER", "/usr/bin/chromedriver")
# The data files, served from the run directory (runs.DATA_FILES).
DATA_FILES = ("graph/quorspla.bmp", "graph/splash.bmp", "snd/quor.wav", "snd/menumusic.ogg",
              "Adore64.ttf")
PROBE = (Path(__file__).resolve().parent / "page_probe.js").read_text()
# Frames from the mixing of a buffer by SDL's browser audio driver to its playing: two buffers of
# the program's 4096 frames (tools/web/libsdl1.2-browser-drivers.patch, src/audio/emscripten).
PLAYER_DELAY = 2 * 4096
# xdotool's names of the keys that the tests press, as WebDriver sends them.
KEYS = {"Escape": "\ue00c", "shift": "\ue008", "Return": "\ue007", "space": " ",
        "Down": "\ue015", "Next": "\ue00f", "Home": "\ue011"}

_site_lock = threading.Lock()
_site = None


def site():
    """The folder of the web build, unpacked from $QUORVANE_WEB_ZIP once per process."""
    global _site
    with _site_lock:
        if _site is None:
            if not ZIP or not Path(ZIP).is_file():
                raise HarnessError("QUORVANE_WEB_ZIP names no zip of the web build: %r" % ZIP)
            folder = Path(tempfile.mkdtemp(prefix="quorvane-site-"))
            atexit.register(shutil.rmtree, folder, ignore_errors=True)
            with zipfile.ZipFile(ZIP) as archive:
                archive.extractall(folder)
            _site = folder
        return _site


def signature(picture):
    """page_probe.js's signature of a picture: a hash (FNV-1a) of the red, green and blue of every
    20th pixel across and down, from the 10th."""
    value = 2166136261
    for row in picture[10::20, 10::20]:
        for pixel in row:
            for component in pixel[:3]:
                value = ((value ^ int(component)) * 16777619) & 0xFFFFFFFF
    return value


class _Handler(http.server.BaseHTTPRequestHandler):
    """Serves GET and HEAD for one page; see Server."""

    TYPES = {".html": "text/html; charset=utf-8", ".js": "text/javascript",
             ".wasm": "application/wasm"}

    def log_message(self, *args):
        pass

    def do_HEAD(self):
        self._answer(body=False)

    def do_GET(self):
        self._answer(body=True)

    def _answer(self, body):
        server = self.server.owner
        name = self.path.split("?", 1)[0].lstrip("/") or "index.html"
        path = server.path_of(name)
        try:
            info = path.stat() if path else None
        except OSError:
            info = None
        # Only regular files: a FIFO in a run directory would hold the server.
        if info is None or not stat.S_ISREG(info.st_mode):
            self.send_error(404)
            return
        size = info.st_size
        start, end, partial = 0, size - 1, False
        wanted = re.fullmatch(r"bytes=(\d+)-(\d*)", self.headers.get("Range", ""))
        if server.ranges and wanted and int(wanted.group(1)) < size:
            start = int(wanted.group(1))
            end = min(int(wanted.group(2)), size - 1) if wanted.group(2) else size - 1
            partial = True
        self.send_response(206 if partial else 200)
        self.send_header("Content-Type",
                         self.TYPES.get(Path(name).suffix, "application/octet-stream"))
        self.send_header("Content-Length", str(end - start + 1))
        if partial:
            self.send_header("Content-Range", "bytes %d-%d/%d" % (start, end, size))
        self.send_header("Cache-Control", "no-store")
        self.end_headers()
        if body:
            self._send(name, path, start, end - start + 1)

    def _send(self, name, path, start, count):
        server = self.server.owner
        try:
            with open(path, "rb") as source:
                source.seek(start)
                while count > 0:
                    chunk = source.read(min(count, 64 * 1024))
                    if not chunk:
                        break
                    self.wfile.write(chunk)
                    count -= len(chunk)
                    server.count(name, len(chunk))
        except (BrokenPipeError, ConnectionResetError):
            # The page read what it wanted and closed the connection.
            pass


class Server:
    """A static file server on 127.0.0.1 for one page: the site's files but those named in
    `missing`, with the data files taken from `run_dir`; `sent` counts the bytes of each file sent
    so far."""

    def __init__(self, run_dir, ranges=True, missing=()):
        self.run_dir = Path(run_dir)
        self.ranges = ranges
        self.missing = set(missing)
        self.sent = {}
        self._lock = threading.Lock()
        self._httpd = None
        self._thread = None

    def path_of(self, name):
        if ".." in name.split("/") or name in self.missing:
            return None
        if name in DATA_FILES:
            return self.run_dir / name
        return site() / name

    def count(self, name, size):
        with self._lock:
            self.sent[name] = self.sent.get(name, 0) + size

    def __enter__(self):
        self._httpd = http.server.ThreadingHTTPServer(("127.0.0.1", 0), _Handler)
        self._httpd.daemon_threads = True
        self._httpd.owner = self
        self._thread = threading.Thread(target=self._httpd.serve_forever, daemon=True)
        self._thread.start()
        return self

    def __exit__(self, *exc):
        self._httpd.shutdown()
        self._httpd.server_close()
        self._thread.join()

    @property
    def url(self):
        return "http://127.0.0.1:%d/" % self._httpd.server_address[1]


class Browser:
    """Stands where the X backend's XServer does: a page needs no display of its own."""

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        pass


class Page:
    """The web build in headless Chromium, its data files from run_dir; ended on exit.

    autoplay=False starts Chromium without the flag that lets pages play sound at once, so that
    the page waits for the player's first click or key. ranges says whether the server honours
    Range requests, and `missing` names the site's files that it answers 404 for. `script` runs in
    the page before its own scripts, after the probe. The other arguments are
    xharness.Program's, for the tests that run on both; a page has no environment, wrapper or
    disk driver to take them.
    """

    def __init__(self, server, run_dir, env=None, args=(), record=False, wrapper=(), exe=None,
                 disk_delay_ms=186, autoplay=True, ranges=True, missing=(), script=""):
        self.run_dir = Path(run_dir)
        self.autoplay = autoplay
        self.script = script
        self.server = Server(run_dir, ranges, missing)
        self.driver = None
        self.started = None
        self.status = None
        self.picture_time = None
        self._lock = threading.Lock()
        self._origin = 0.0
        self._samples = []
        self._stamps = []
        self._rate = 0

    # --- start and end ---------------------------------------------------------------------

    def __enter__(self):
        from selenium import webdriver
        from selenium.webdriver.chrome.service import Service
        self.server.__enter__()
        options = webdriver.ChromeOptions()
        options.binary_location = CHROMIUM
        for argument in ("--headless=new", "--no-sandbox", "--window-size=1400,1000",
                         "--disable-background-timer-throttling",
                         "--disable-renderer-backgrounding"):
            options.add_argument(argument)
        if self.autoplay:
            options.add_argument("--autoplay-policy=no-user-gesture-required")
        self.profile = tempfile.mkdtemp(prefix="quorvane-chromium-")
        options.add_argument("--user-data-dir=" + self.profile)
        try:
            self.driver = webdriver.Chrome(service=Service(CHROMEDRIVER), options=options)
            # A browser starts its audio output with its first audio context, which takes it
            # half a second here: it is started before the page opens, as in a browser that
            # has played sound before, so that the page's times are the page's own.
            self.driver.execute_script("new AudioContext().close();")
            self.driver.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument",
                                        {"source": PROBE + self.script})
            # The page's clock counts from its time origin, which it gives on the wall clock.
            self._wall_started = time.time()
            self.started = time.monotonic()
            self.driver.get(self.server.url)
            self._origin = self._script("return performance.timeOrigin") / 1000
        except BaseException:
            self.__exit__()
            raise
        return self

    def __exit__(self, *exc):
        if self.driver is not None:
            self.driver.quit()
            self.driver = None
        self.server.__exit__()
        shutil.rmtree(self.profile, ignore_errors=True)

    def _script(self, source, *args):
        with self._lock:
            return self.driver.execute_script(source, *args)

    def _page_seconds(self, milliseconds):
        """A time of the page's performance.now() as seconds since the page was opened."""
        return self._origin + milliseconds / 1000 - self._wall_started

    def elapsed(self):
        return time.monotonic() - self.started

    def state(self):
        """What the page is doing: loading, waiting, running, ended or failed."""
        return self._script("return document.body.dataset.state")

    def said(self):
        """What the page says to the player."""
        return self._script("var s = document.getElementById('status');"
                            "return s.hidden ? '' : s.textContent")

    def running(self):
        return self.state() in ("loading", "waiting", "running")

    def wait_state(self, states, timeout):
        deadline = time.monotonic() + timeout
        while True:
            state = self.state()
            if state in states:
                return state
            if state == "failed":
                raise HarnessError("the page failed: %s" % self.said())
            if time.monotonic() > deadline:
                raise HarnessError("the page is %s after %g s, not %s: %s"
                                   % (state, timeout, "/".join(states), self.said()))
            time.sleep(0.02)

    def wait_window(self, timeout=20):
        """Waits until the game runs on the page."""
        return self.wait_state(("running",), timeout)

    def wait(self, timeout=20):
        """Waits for the page to say that the game has ended; returns the exit status."""
        self.wait_state(("ended",), timeout)
        self.status = int(self._script("return document.getElementById('status').dataset.exit"))
        return self.status

    # --- the canvas and the keys -------------------------------------------------------------

    def caption(self):
        with self._lock:
            return self.driver.title

    def capture(self):
        """The canvas now, as a 480x640x3 uint8 RGB array, from its toDataURL."""
        url = self._script("return document.getElementById('canvas').toDataURL('image/png')")
        with Image.open(io.BytesIO(base64.b64decode(url.split(",", 1)[1]))) as image:
            return np.asarray(image.convert("RGB"))

    def wait_picture(self, check, timeout=10, allowed=None):
        """Polls captures until check(picture) is None; returns (picture, seconds waited), and
        sets picture_time to when the picture showed: the time of the put that first showed it
        after the puts of other pictures. With `allowed`, every capture taken while waiting must
        pass check or allowed (see xharness.Program.wait_picture)."""
        start = time.monotonic()
        while True:
            picture = self.capture()
            reason = check(picture)
            if reason is None:
                self.picture_time = self._shown_since(signature(picture))
                return picture, time.monotonic() - start
            if allowed is not None and allowed(picture) is not None:
                raise HarnessError("a picture that was not expected showed: %s / %s"
                                   % (reason, allowed(picture)))
            if not self.running():
                raise HarnessError("the game ended (%s) while waiting: %s"
                                   % (self.said(), reason))
            if time.monotonic() - start > timeout:
                raise HarnessError("after %g s: %s" % (timeout, reason))
            # picture_time comes from the puts themselves, not from how soon a capture saw them.
            time.sleep(0.1)

    def _shown_since(self, wanted):
        """The time of the first of the last puts that showed the picture of signature `wanted`;
        the time now when no put did."""
        shown = None
        for put, sign in self._script("return window.__quorvaneProbe.presents"):
            if sign == wanted:
                shown = put if shown is None else shown
            else:
                shown = None
        return self._page_seconds(shown) if shown is not None else self.elapsed()

    def _keys(self, name):
        return [KEYS.get(part, part) for part in name.split("+")]

    def key(self, name):
        """Presses and releases a key, named as xdotool names it ("s", "Escape", "shift+s")."""
        from selenium.webdriver.common.action_chains import ActionChains
        keys = self._keys(name)
        with self._lock:
            actions = ActionChains(self.driver)
            for held in keys[:-1]:
                actions.key_down(held)
            actions.send_keys(keys[-1])
            for held in reversed(keys[:-1]):
                actions.key_up(held)
            actions.perform()

    def key_down(self, name):
        from selenium.webdriver.common.action_chains import ActionChains
        with self._lock:
            ActionChains(self.driver).key_down(self._keys(name)[-1]).perform()

    def key_up(self, name):
        from selenium.webdriver.common.action_chains import ActionChains
        with self._lock:
            ActionChains(self.driver).key_up(self._keys(name)[-1]).perform()

    def click(self):
        """Clicks the middle of the page, a gesture that lets it play sound."""
        from selenium.webdriver.common.action_chains import ActionChains
        from selenium.webdriver.common.by import By
        with self._lock:
            body = self.driver.find_element(By.TAG_NAME, "body")
            ActionChains(self.driver).move_to_element(body).click().perform()

    def presents(self):
        """Seconds since the page was opened at which the page put pixels on its canvas."""
        return [self._page_seconds(put) for put, _ in self._script(
            "return window.__quorvaneProbe.presents")]

    def canvas_placement(self):
        """(left, top, width, height) of the canvas on the page, and the window's width and
        height, in the page's pixels."""
        return tuple(self._script(
            "var r = document.getElementById('canvas').getBoundingClientRect();"
            "return [r.left, r.top, r.width, r.height, window.innerWidth, window.innerHeight]"))

    def scroll_position(self):
        return tuple(self._script("return [window.scrollX, window.scrollY]"))

    # --- what it printed and played ----------------------------------------------------------

    def stdout(self):
        return "".join(line + "\n" for line in self._script(
            "return window.__quorvaneProbe.out"))

    def stderr(self):
        return "".join(line + "\n" for line in self._script(
            "return window.__quorvaneProbe.err"))

    own_stderr = stderr

    def keys_kept(self):
        """Every key pressed so far, as [key, whether the page kept it from the browser]."""
        return self._script("return window.__quorvaneProbe.keys")

    def errors(self):
        """The page's uncaught exceptions and unhandled rejections."""
        return self._script("return window.__quorvaneProbe.errors")

    def audio_open(self):
        """Whether an audio context of the page still plays."""
        return self._script("return window.__quorvaneProbe.audioOpen()")

    def _take_audio(self):
        taken = self._script("return window.__quorvaneProbe.takeAudio()")
        if taken["rate"]:
            self._rate = int(taken["rate"])
        self._samples.append(base64.b64decode(taken["samples"]))
        delay = PLAYER_DELAY / self._rate if self._rate else 0
        self._stamps += [(self._page_seconds(t) - delay, frames) for t, frames in taken["stamps"]]

    def recording_rate(self):
        self._take_audio()
        return self._rate

    def audio_frames(self):
        self._take_audio()
        return self._stamps[-1][1] if self._stamps else 0

    def mix_time(self, frame):
        """Seconds from the opening of the page to the mixing of recorded frame `frame` (its
        playing less PLAYER_DELAY); None if it has not been played yet."""
        self._take_audio()
        for played, frames in self._stamps:
            if frames > frame:
                return played + (frame - (frames - 1024)) / self._rate
        return None

    def frames_mixed_between(self, start, end):
        """(first, last): the recorded frames [first, last) were mixed between `start` and `end`
        seconds from the opening of the page."""
        self._take_audio()
        first = last = 0
        for played, frames in self._stamps:
            if played <= start:
                first = frames
            if played <= end:
                last = frames
        return first, last

    def recording(self):
        """What reached the audio output so far: an (n, 2) int16 array at the context's rate."""
        self._take_audio()
        data = b"".join(self._samples)
        return np.frombuffer(data, dtype="<i2").reshape(-1, 2)
