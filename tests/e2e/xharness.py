"""Harness of the end-to-end runs: a private X server, quorvane in it, keys, window captures and
the mixer's output recorded through SDL's disk audio driver.

    with XServer() as server, Program(server, run_dir, record=True) as program:
        program.wait_window()
        program.key("s")
        picture = program.capture()          # 480x640x3 uint8, RGB
        program.key("Escape")
        status = program.wait(10)

The executable is $QUORVANE_EXE (default build/quorvane under the repository root); the close
request client is $QUORVANE_X_CLOSE (default build/tests/e2e/x_close_request, compiled here from
x_close_request.cpp when it is missing), and the pixel watcher that times keys $QUORVANE_X_WATCH
(likewise x_watch_pixel). Every process is started by its own id and ended by it.

With $QUORVANE_WINE set (the path of `wine`), the executable is the Windows build, run under Wine
with the rest of the environment (WINEPREFIX and the like) as it is: Wine's process is the
program's own, and its window is a window of the X server like any other.
"""
# SPDX-FileCopyrightText: 2026 The Quorvane developers
# SPDX-License-Identifier: MIT
import os
import re
import select
import shutil
import signal
import struct
import subprocess
import tempfile
import threading
import time
from pathlib import Path

import numpy as np

REPO = Path(__file__).resolve().parents[2]
HERE = Path(__file__).resolve().parent
EXE = Path(os.environ.get("QUORVANE_EXE", REPO / "build" / "quorvane"))
CAPTION = "Quorvane Logo Test"
WIDTH, HEIGHT = 640, 480
# Stands for the program's window id in the commands of Program._on_window.
WINDOW = object()
WINE = os.environ.get("QUORVANE_WINE", "")
# Wine fits a window with its frame into the screen, so its screen leaves room round the display.
SCREEN = (WIDTH + 160, HEIGHT + 120) if WINE else (WIDTH, HEIGHT)

# What the disk audio drivers of classic SDL and of SDL 2 (under sdl12-compat) print on standard
# error when they start; the program itself prints nothing, so a recording run may show only these.
DISK_AUDIO_NOTICE = re.compile(r"(?:WARNING|CRITICAL): You are using the SDL disk (?:writer|i/o) "
                               r"audio driver!\n|(?:CRITICAL: )? +Writing to file \[.*\]\.\n")

_client_lock = threading.Lock()


def program_path(path):
    """A path of this machine as the program takes it: under Wine on the drive Z:, which is the
    root folder, since a path without a drive is taken on the drive of the working folder."""
    return "Z:" + str(path) if WINE else str(path)


def read_stamps(path):
    """The presents that bench/present_stamps has written to `path` so far: a list of (entered,
    returned) CLOCK_MONOTONIC nanoseconds, which time.monotonic_ns() reads too."""
    try:
        text = Path(path).read_text()
    except FileNotFoundError:
        return []
    stamps = []
    for line in text.splitlines():
        fields = line.split()
        if len(fields) == 2:  # a line still being written is left for the next read
            stamps.append((int(fields[0]), int(fields[1])))
    return stamps


class HarnessError(AssertionError):
    """A run did not do what the harness waited for; the message says what and why."""


def x_client(name, variable):
    """Path of one of the tests' small X clients: $variable, else the build's, else compiled here
    from its source next to this file."""
    configured = os.environ.get(variable)
    if configured:
        return configured
    built = REPO / "build" / "tests" / "e2e" / name
    if built.exists():
        return str(built)
    with _client_lock:
        target = Path(tempfile.gettempdir()) / ("quorvane-%s-%d" % (name, os.getuid()))
        if not target.exists():
            partial = target.with_suffix(".%d" % os.getpid())
            subprocess.run(["c++", "-O2", "-o", str(partial), str(HERE / (name + ".cpp")),
                            "-lX11"], check=True)
            partial.replace(target)
        return str(target)


def close_client():
    """Path of the small X client that sends WM_DELETE_WINDOW."""
    return x_client("x_close_request", "QUORVANE_X_CLOSE")


def pixel_watcher():
    """Path of the small X client that tells when a pixel of a window changes."""
    return x_client("x_watch_pixel", "QUORVANE_X_WATCH")


def parse_xwd(data):
    """Decodes an XWD dump of a TrueColor or DirectColor window into an HxWx3 uint8 array."""
    fields = struct.unpack(">25I", data[:100])
    (header_size, _version, pixmap_format, _depth, width, height, _xoffset, byte_order,
     _unit, _bit_order, _pad, bits_per_pixel, bytes_per_line, visual_class, red_mask,
     green_mask, blue_mask, _bits_per_rgb, _entries, ncolors) = fields[:20]
    if pixmap_format != 2 or bits_per_pixel != 32:
        raise HarnessError("unexpected XWD layout: format %d, %d bits a pixel"
                           % (pixmap_format, bits_per_pixel))
    colours = np.frombuffer(data, dtype=">u4,>u2,>u2,>u2,u1,u1", count=ncolors,
                            offset=header_size)
    start = header_size + 12 * ncolors
    rows = np.frombuffer(data, dtype=np.uint8, count=bytes_per_line * height, offset=start)
    rows = rows.reshape(height, bytes_per_line)[:, :4 * width]
    pixels = rows.view("<u4" if byte_order == 0 else ">u4").reshape(height, width)
    channels = []
    for mask, column in ((red_mask, "f1"), (green_mask, "f2"), (blue_mask, "f3")):
        shift = (mask & -mask).bit_length() - 1
        value = (pixels & mask) >> shift
        if visual_class == 5:  # DirectColor: each component goes through the colour map
            lookup = np.zeros(256, dtype=np.uint8)
            index = (colours["f0"] & mask) >> shift
            lookup[index.astype(np.intp) & 255] = colours[column] >> 8
            value = lookup[value & 255]
        channels.append(value.astype(np.uint8))
    return np.stack(channels, axis=-1)


class XServer:
    """A private Xvfb on a free display, 24 bits deep; stopped on exit."""

    def __init__(self, width=SCREEN[0], height=SCREEN[1]):
        self.size = (width, height)
        self.process = None
        self.display = None
        self.env = None
        self.lock = threading.Lock()  # focus and keys of programs that share this server

    def __enter__(self):
        read_end, write_end = os.pipe()
        width, height = self.size
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "%dx%dx24" % (width, height),
             "-nolisten", "tcp", "-noreset"],
            pass_fds=(write_end,), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL, start_new_session=True)
        os.close(write_end)
        number = b""
        try:
            deadline = time.monotonic() + 30
            while not number.endswith(b"\n"):
                left = deadline - time.monotonic()
                if left <= 0 or not select.select([read_end], [], [], left)[0]:
                    raise HarnessError("Xvfb did not start within 30 s")
                chunk = os.read(read_end, 16)
                if not chunk:
                    raise HarnessError("Xvfb ended before it named its display")
                number += chunk
        except BaseException:
            self._stop()
            raise
        finally:
            os.close(read_end)
        self.display = ":" + number.decode().strip()
        self.env = {"DISPLAY": self.display}
        return self

    def __exit__(self, *exc):
        self._stop()

    def _stop(self):
        if self.process and self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()

    def run(self, *command, timeout=30, check=True):
        """Runs an X client against this server; returns its standard output."""
        env = dict(os.environ, **self.env)
        done = subprocess.run(command, env=env, stdin=subprocess.DEVNULL, capture_output=True,
                              timeout=timeout)
        if check and done.returncode != 0:
            raise HarnessError("%s failed (%d): %s" % (" ".join(command), done.returncode,
                                                       done.stderr.decode(errors="replace")))
        return done.stdout


class Program:
    """build/quorvane started in run_dir on `server`; killed on exit if it still runs.

    record=True plays to SDL's disk audio driver and keeps the mix in a file (raw signed 16-bit
    little-endian stereo, at 22050 Hz with classic SDL); otherwise the dummy audio driver is used.
    The driver waits `disk_delay_ms` after each buffer: 186 ms for classic SDL's 4096 frames at
    22050 Hz plays in real time.
    `wrapper` is put before the executable (valgrind, say). `env` entries are added last; a value
    of None removes the variable.
    """

    def __init__(self, server, run_dir, env=None, args=(), record=False, wrapper=(), exe=None,
                 disk_delay_ms=186):
        self.server = server
        self.run_dir = Path(run_dir)
        self.args = list(args)
        self.record = record
        self.disk_delay_ms = disk_delay_ms
        self.wrapper = list(wrapper)
        self.exe = Path(exe) if exe else EXE
        self.extra_env = dict(env or {})
        self.scratch = None
        self.process = None
        self.window = None
        self.status = None
        self.picture_time = None

    # --- start and end ---------------------------------------------------------------------

    def __enter__(self):
        self.scratch = Path(tempfile.mkdtemp(prefix="quorvane-e2e-"))
        env = dict(os.environ)
        env.update(self.server.env if self.server else {})
        env["SDL_VIDEODRIVER"] = "windib" if WINE else "x11"
        if self.record:
            env.update(SDL_AUDIODRIVER="disk",
                       SDL_DISKAUDIOFILE=program_path(self.recording_path),
                       SDL_DISKAUDIODELAY=str(self.disk_delay_ms))
        else:
            env["SDL_AUDIODRIVER"] = "dummy"
        for name, value in self.extra_env.items():
            if value is None:
                env.pop(name, None)
            else:
                env[name] = value
        self._out = open(self.scratch / "stdout", "wb")
        self._err = open(self.scratch / "stderr", "wb")
        self.started = time.monotonic()
        wine = [WINE] if WINE else []
        self.process = subprocess.Popen(self.wrapper + wine + [str(self.exe)] + self.args,
                                        cwd=self.run_dir, env=env, stdin=subprocess.DEVNULL,
                                        stdout=self._out, stderr=self._err,
                                        start_new_session=True)
        self._mix_times = []
        self._watching = threading.Event()
        if self.record:
            self._watching.set()
            self._watcher = threading.Thread(target=self._watch_recording, daemon=True)
            self._watcher.start()
        return self

    def __exit__(self, *exc):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        if self.record:
            self._watching.clear()
            self._watcher.join()
        self._out.close()
        self._err.close()
        shutil.rmtree(self.scratch, ignore_errors=True)

    @property
    def pid(self):
        return self.process.pid

    def elapsed(self):
        """Seconds since the program was started."""
        return time.monotonic() - self.started

    def running(self):
        return self.process.poll() is None

    def wait(self, timeout=20):
        """Waits for the program to end; returns its exit status (negative: killed by a signal)."""
        try:
            self.status = self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            raise HarnessError("the program did not end within %g s" % timeout) from None
        return self.status

    def terminate(self):
        """Sends SIGTERM, which SDL turns into a close request."""
        os.kill(self.process.pid, signal.SIGTERM)

    # --- the window --------------------------------------------------------------------------

    def wait_window(self, timeout=20):
        """Waits until the program's top-level window is mapped; returns its X window id."""
        deadline = time.monotonic() + timeout
        while True:
            if not self.running():
                raise HarnessError("the program ended (status %s) before its window showed%s"
                                   % (self.process.returncode, self._output_note()))
            found = self.server.run("xdotool", "search", "--all", "--onlyvisible", "--maxdepth",
                                    "1", "--pid", str(self.pid), check=False).split()
            if found:
                self.window = int(found[0])
                return self.window
            if time.monotonic() > deadline:
                raise HarnessError("no window within %g s" % timeout)
            time.sleep(0.05)

    def _on_window(self, *command):
        """Runs an X client with the window's id in place of WINDOW in `command`. SDL 2 (under
        sdl12-compat) may replace its first window by another as it sets up its renderer: when
        the window is gone, the program's window is found again and the client run once more."""
        def run():
            return self.server.run(*(str(self.window) if part is WINDOW else part
                                     for part in command))
        try:
            return run()
        except HarnessError as error:
            if "BadWindow" not in str(error) or not self.running():
                raise
            self.wait_window(5)
            return run()

    def caption(self):
        out = self._on_window("xprop", "-id", WINDOW, "WM_NAME").decode()
        return out.split("=", 1)[1].strip().strip('"') if "=" in out else ""

    def wm_class(self):
        """The window's WM_CLASS as (name, class), or xprop's answer when it is not one."""
        out = self._on_window("xprop", "-id", WINDOW, "WM_CLASS").decode()
        found = re.fullmatch(r'WM_CLASS\(STRING\) = "([^"]*)", "([^"]*)"\s*', out)
        return found.groups() if found else out.strip()

    def wm_icons(self):
        """The pictures of the window's _NET_WM_ICON, which window managers and task bars show
        (under Wine, the icon of the program's window class): a list of HxWx4 uint8 RGBA arrays,
        empty when the window has none."""
        out = self._on_window("xprop", "-id", WINDOW, "-notype", "32c", "_NET_WM_ICON").decode()
        values = [int(value) for value in re.findall(r"\d+", out.partition("=")[2])]
        icons = []
        while len(values) >= 2:
            width, height = values[:2]
            pixels = np.array(values[2:2 + width * height], dtype=np.uint32)
            if width * height == 0 or pixels.size != width * height:
                raise HarnessError("_NET_WM_ICON is cut short: %s" % out[:200])
            # Each pixel is one CARDINAL, 0xAARRGGBB.
            icons.append(np.stack([pixels >> 16, pixels >> 8, pixels, pixels >> 24], axis=-1)
                         .astype(np.uint8).reshape(height, width, 4))
            values = values[2 + width * height:]
        return icons

    def key(self, name):
        """Presses and releases a key (xdotool's name: "s", "Escape", "shift+s") in the window."""
        self._keys("key", name)

    def key_down(self, name):
        self._keys("keydown", name)

    def key_up(self, name):
        self._keys("keyup", name)

    def _keys(self, action, name):
        with self.server.lock:
            self.server.run("xdotool", "windowfocus", str(self.window), action, name)

    def pixel_change(self, x, y, key=None, timeout=5):
        """Watches pixel (x, y) of the window, presses `key` (if any) once watching, and returns
        (start, changed) on time.monotonic()'s clock, or None if the pixel did not change within
        `timeout` seconds. `changed` is when the pixel took another value; `start` is when the
        key press reached the window, or the start of the xdotool call if no press was seen, or,
        without a key, when watching began. The watcher is a small client that listens for the
        window's key presses and reads the pixel every millisecond."""
        watcher = subprocess.Popen(
            [pixel_watcher(), str(self.window), str(x), str(y), str(int(timeout * 1000))],
            env=dict(os.environ, **self.server.env), stdin=subprocess.DEVNULL,
            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        try:
            if not watcher.stdout.readline().startswith("ready"):
                raise HarnessError("the pixel watcher could not read the window")
            start = time.monotonic()
            if key is not None:
                self.key(key)
            seen = watcher.stdout.readline().split()
            if not seen:
                return None
            if key is not None and seen[0] != "-":
                start = float(seen[0])
            return start, float(seen[1])
        finally:
            if watcher.poll() is None:
                watcher.kill()
            watcher.wait()
            watcher.stdout.close()

    def key_to_end(self, name, timeout=10):
        """Presses a key that ends the program, waits for the end, and returns (status, seconds
        from the press reaching the window to the end of the process, or from the start of the
        xdotool call when no press was seen)."""
        watcher = subprocess.Popen(
            [pixel_watcher(), str(self.window), "0", "0", str(int(timeout * 1000))],
            env=dict(os.environ, **self.server.env), stdin=subprocess.DEVNULL,
            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        try:
            if not watcher.stdout.readline().startswith("ready"):
                raise HarnessError("the pixel watcher could not read the window")
            # The end is seen through a process descriptor the moment it comes: waiting on the
            # process itself polls, up to 50 ms late.
            ending = os.pidfd_open(self.process.pid)
            try:
                start = time.monotonic()
                self.key(name)
                end = select.poll()
                end.register(ending, select.POLLIN)
                end.poll(timeout * 1000)
                ended = time.monotonic()
            finally:
                os.close(ending)
            status = self.wait(timeout)
            seen = watcher.stdout.readline().split()
            if len(seen) == 2 and seen[1] == "gone":
                start = float(seen[0])
            return status, ended - start
        finally:
            if watcher.poll() is None:
                watcher.kill()
            watcher.wait()
            watcher.stdout.close()

    def key_response(self, name, x, y, timeout=5):
        """Presses a key and returns the seconds from the press reaching the window to the change
        of pixel (x, y), or None if it did not change within `timeout` (see pixel_change)."""
        times = self.pixel_change(x, y, name, timeout)
        return None if times is None else times[1] - times[0]

    def move_mouse(self, count):
        """Moves the pointer `count` times to a new place inside the window, all in one xdotool
        call: each move is one motion event, as fast as a flick of a real mouse."""
        steps = []
        for step in range(count):
            steps += ["mousemove", "--window", str(self.window),
                      str(10 + step * 13 % (WIDTH - 20)), str(10 + step * 7 % (HEIGHT - 20))]
        with self.server.lock:
            self.server.run("xdotool", *steps)

    def click_mouse(self, count):
        """Clicks the left button `count` times with the pointer inside the window: a press and
        a release event each."""
        with self.server.lock:
            self.server.run("xdotool", "mousemove", "--window", str(self.window), str(WIDTH // 2),
                            str(HEIGHT // 2), "click", "--repeat", str(count), "--delay", "1",
                            "1")

    def resident_kib(self, field="VmRSS"):
        """The program's resident memory now, in KiB (VmRSS in /proc); `field` "VmHWM" gives the
        most it has held so far."""
        for line in Path("/proc/%d/status" % self.pid).read_text().splitlines():
            if line.startswith(field + ":"):
                return int(line.split()[1])
        raise HarnessError("no %s for process %d" % (field, self.pid))

    def capture(self):
        """The window's content now, as a 480x640x3 uint8 RGB array."""
        data = self._on_window("xwd", "-silent", "-id", WINDOW)
        return parse_xwd(data)

    def wait_picture(self, check, timeout=10, allowed=None):
        """Polls captures until check(picture) is None; returns (picture, seconds waited), and
        sets picture_time to when the picture showed: here, the time of the capture that passed.

        check and allowed return None when a picture passes and a reason otherwise. With
        `allowed`, every capture taken while waiting must pass check or allowed.
        """
        start = time.monotonic()
        reason = "no capture"
        while True:
            try:
                picture = self.capture()
            except HarnessError as error:
                if not self.running():
                    raise HarnessError("the program ended (status %s) while waiting: %s%s"
                                       % (self.process.returncode, reason,
                                          self._output_note())) from None
                reason = str(error)
                picture = None
            if picture is not None:
                reason = check(picture)
                if reason is None:
                    self.picture_time = self.elapsed()
                    return picture, time.monotonic() - start
                if allowed is not None:
                    unexpected = allowed(picture)
                    if unexpected is not None:
                        raise HarnessError("a picture that was not expected showed: %s / %s"
                                           % (reason, unexpected))
            if time.monotonic() - start > timeout:
                raise HarnessError("after %g s: %s" % (timeout, reason))
            time.sleep(0.03)

    def close_request(self):
        """Sends WM_DELETE_WINDOW, as a window manager does when the close button is pressed."""
        self.server.run(close_client(), str(self.window))

    # --- what it printed and played ----------------------------------------------------------

    def stdout(self):
        self._out.flush()
        return (self.scratch / "stdout").read_text(errors="replace")

    def stderr(self):
        self._err.flush()
        return (self.scratch / "stderr").read_text(errors="replace")

    def own_stderr(self):
        """Standard error without the start-up notice of SDL's disk audio driver."""
        return "".join(line for line in self.stderr().splitlines(keepends=True)
                       if not DISK_AUDIO_NOTICE.fullmatch(line))

    def _output_note(self):
        text = (self.stdout() + self.stderr()).strip()
        return "; it printed: " + text[-2000:] if text else ""

    @property
    def recording_path(self):
        return self.scratch / "mix.raw"

    def audio_frames(self):
        """Number of sample frames that the mixer has played so far."""
        try:
            return self.recording_path.stat().st_size // 4
        except FileNotFoundError:
            return 0

    def _watch_recording(self):
        # The disk driver writes each buffer right after mixing it: the moment a buffer shows up
        # in the file is the moment its sound was mixed.
        frames = 0
        while self._watching.is_set():
            ended = self.process.poll() is not None
            now = self.elapsed()
            current = self.audio_frames()
            if current > frames:
                frames = current
                self._mix_times.append((now, frames))
            if ended:
                return
            time.sleep(0.005)

    def mix_time(self, frame):
        """Seconds from the start of the program to the mixing of recorded frame `frame`, as
        seen by polling the recording (to within a few milliseconds); None if not yet mixed."""
        for seen, frames in list(self._mix_times):
            if frames > frame:
                return seen
        return None

    def frames_mixed_between(self, start, end):
        """(first, last): the recorded frames [first, last) were mixed between `start` and `end`
        seconds from the start of the program."""
        first = last = 0
        for seen, frames in list(self._mix_times):
            if seen <= start:
                first = frames
            if seen <= end:
                last = frames
        return first, last

    def recording(self):
        """The mix played so far: an (n, 2) int16 array at 22050 Hz."""
        data = self.recording_path.read_bytes()
        return np.frombuffer(data[:len(data) // 4 * 4], dtype="<i2").reshape(-1, 2)


# The browser backend (browser.py) takes the place of the X server and the program when
# $QUORVANE_WEB_ZIP names the web build's zip; the X backend's classes stay at hand as these.
BROWSER = bool(os.environ.get("QUORVANE_WEB_ZIP"))
X_SERVER, X_PROGRAM = XServer, Program
if BROWSER:
    from browser import Browser as XServer, Page as Program  # noqa: E402,F811
