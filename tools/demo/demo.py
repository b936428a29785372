#!/usr/bin/env python3
"""The demo: a short DJ set through the real plug-in, and what a radio listener sees of it.

By default it starts a local Icecast with a silent MP3 source on /live, runs the plug-in DLL in the
host emulator under Wine and beside it the check tool's watch (ZenlarkVdjCheck --watch), which
listens to the stream as a player does, mixes about 25 s across three decks (crossfades, a fade to
an overlay deck, non-ASCII titles) and relays each line the tool prints: the titles listeners
receive, with their time. Everything it starts is stopped again, also on Ctrl-C.

With --settings PATH the same set goes to the server named in that settings file instead: the
file is copied beside a copy of the DLL, exactly as a DJ would install it.

    demo.py [--build build/win64] [--settings PATH]
"""
import argparse
import configparser
import os
import re
import shutil
import signal
import subprocess
import sys
import threading
import time
import urllib.parse

SOURCE_DIR = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(SOURCE_DIR, "tests", "integration"))

from harness import IcecastServer, exit_cleanly_on_sigterm  # noqa: E402
from harness.plugin import SETTINGS_FILE, PluginHost  # noqa: E402
from harness.processes import signal_group  # noqa: E402
from harness.windows import press_ctrl_c, windows_command, windows_path  # noqa: E402

MOUNT = "/live"


def load(at, number, artist, title, action, volume=1):
    """A deck loaded and started: its settings at `at`, the DJ's action shown with the last one."""
    settings = [f"deck {number} artist {artist}", f"deck {number} title {title}",
                f"deck {number} volume {volume}", f"deck {number} play 1"]
    return [(at, setting, None) for setting in settings[:-1]] + [(at, settings[-1], f"{action}: {artist} - {title}")]


def ramp(start, end, what, first, last, steps, action=None):
    """A fader move from `first` to `last` in `steps` settings between the times start and end;
    the DJ's action is shown with the first step."""
    moves = []
    for step in range(1, steps + 1):
        at = start + (end - start) * step / steps
        value = first + (last - first) * step / steps
        moves.append((round(at, 2), f"{what} {value:.2f}", action if step == 1 else None))
    return moves


def demo_set():
    """(seconds from the start, host setting, what the DJ does or None), in time order.

    The plug-in announces the most audible deck: decks 1 and 2 weighted by the crossfader
    (0 is fully deck 1), decks 3 and 4 at their volume alone."""
    steps = [(0.0, "crossfader 0", None)]
    steps += load(0.0, 1, "Daft Punk", "One More Time", "deck 1 plays, crossfader on deck 1")
    steps += load(4.0, 2, "Röyksopp", "Eple", "deck 2 starts behind the crossfader")
    steps += ramp(4.5, 8.5, "crossfader", 0.0, 1.0, 10, "crossfade from deck 1 to deck 2 over 4 s")
    steps += [(9.5, "deck 1 play 0", "deck 1 stops")]
    steps += load(11.0, 3, "Nils Frahm", "Says", "deck 3 joins at half volume", volume=0.5)
    steps += ramp(12.0, 15.0, "deck 2 volume", 1.0, 0.0, 10, "deck 2 fades out under deck 3")
    steps += load(17.0, 1, "坂本龍一", "戦場のメリークリスマス", "deck 1 starts behind the crossfader")
    steps += ramp(17.5, 20.5, "crossfader", 1.0, 0.0, 6, "crossfader back to deck 1")
    steps += ramp(17.5, 20.5, "deck 3 volume", 0.5, 0.0, 6, "deck 3 fades out")
    return sorted(steps, key=lambda step: step[0])


# What listeners should see, in order, when the set runs against the local server.
EXPECTED_TITLES = ["Daft Punk - One More Time", "Röyksopp - Eple", "Nils Frahm - Says",
                   "坂本龍一 - 戦場のメリークリスマス"]
SET_LENGTH = 24.0


class Report:
    """Timestamped lines from the main thread and the watch's relay thread, never interleaved."""

    def __init__(self):
        self.started = time.monotonic()
        self._lock = threading.Lock()

    def start_clock(self):
        """Every line from here on counts from this moment, the DJ's and the listener's alike."""
        self.started = time.monotonic()

    def line(self, who, text, at=None, wall=None):
        at = time.monotonic() if at is None else at
        wall = time.time() if wall is None else wall
        clock = time.strftime("%H:%M:%S", time.localtime(wall)) + f".{int(wall * 10) % 10}"
        with self._lock:
            print(f"{clock}  +{at - self.started:5.1f} s  {who:<9} {text}", flush=True)

    def note(self, text):
        with self._lock:
            print(text, flush=True)


# A line of the check tool's watch that has a time: its clock, two spaces, the text.
TIMED_LINE = re.compile(r"^\d\d:\d\d:\d\d  (.*)$")
LISTENERS_SEE = "Listeners see: "
NO_TITLE = "(no title)"


def watch_line(line):
    """(the text of one line the check tool's watch prints, without its clock; the title listeners
    see on it, or None when the line names none)."""
    timed = TIMED_LINE.match(line)
    text = timed.group(1) if timed else line
    if not timed or not text.startswith(LISTENERS_SEE):
        return text, None
    title = text[len(LISTENERS_SEE):]
    return text, None if title == NO_TITLE else title


class ToolWatch:
    """ZenlarkVdjCheck --watch --no-send under Wine for the settings file at settings_path: relays
    each line it prints from the moment it listens, and keeps the titles listeners saw. It ends
    by itself once the set is over."""

    CHECK_TOOL = "ZenlarkVdjCheck.exe"
    # From the tool's start, which comes a moment before the set's; the set ends with a few
    # seconds for its last title to reach listeners.
    SECONDS = int(SET_LENGTH)

    def __init__(self, settings_path, report):
        self.settings_path = settings_path
        self.report = report
        self.seen = []
        self.heard = threading.Event()
        self.ended = threading.Event()
        self._process = None
        self._thread = None

    def start(self, timeout=60.0):
        """Starts the tool; returns once it hears the stream (True) or gave up or timed out (False),
        so that the set starts only when every title can be seen."""
        command = windows_command(self.CHECK_TOOL, "--settings", windows_path(self.settings_path), "--watch",
                                  "--no-send", "--seconds", str(self.SECONDS))
        self._process = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                         stderr=subprocess.STDOUT, start_new_session=True)
        self._thread = threading.Thread(target=self._relay, name="check tool watch", daemon=True)
        self._thread.start()
        deadline = time.monotonic() + timeout
        while not self.heard.is_set() and not self.ended.is_set() and time.monotonic() < deadline:
            self.heard.wait(0.1)
        return self.heard.is_set()

    def finish(self):
        """Waits for the watch to end by itself after its seconds, with its last lines."""
        if self._process is not None:
            try:
                self._process.wait(self.SECONDS + 30)
            except subprocess.TimeoutExpired:
                pass
        self.stop()

    def stop(self):
        """Ends a watch still running as a DJ does, with Ctrl+C, and waits for its last lines."""
        if self._process is None:
            return
        if self._process.poll() is None:
            press_ctrl_c(self._process)
            try:
                self._process.wait(30)
            except subprocess.TimeoutExpired:
                signal_group(self._process, signal.SIGKILL)
                self._process.wait()
        self._thread.join(5)

    def _relay(self):
        listening = False
        for raw in self._process.stdout:
            line = raw.decode("utf-8", "replace").rstrip("\r\n")
            listening = listening or line.startswith("Listening to ")
            if not listening or not line:
                continue
            text, title = watch_line(line)
            if text == LISTENERS_SEE + NO_TITLE and not self.seen:
                continue  # the stream before the set: the set's first title follows
            if title is not None:
                self.seen.append(title)
            if text.startswith("Connected"):
                self.heard.set()
            self.report.line("listener", text)
        self.ended.set()


HEADER = "time       from start   who       what"


def play_set(host, report):
    """The set, its times counted from now, then the time for its last title to reach listeners."""
    started = time.monotonic()
    for at, setting, action in demo_set():
        wait = started + at - time.monotonic()
        if wait > 0:
            time.sleep(wait)
        host.set(setting)
        if action:
            report.line("DJ", action)
    wait = started + SET_LENGTH - time.monotonic()
    if wait > 0:
        time.sleep(wait)


def check_emulator(host, report):
    output = host.release()
    if host.returncode != 0:
        report.note(f"\nThe host emulator ended with code {host.returncode}:\n{output}")
        return False
    return True


def settings_beside(host):
    return os.path.join(os.path.dirname(host.dll), SETTINGS_FILE)


def run_local(report):
    report.note("Starting a local Icecast with a silent MP3 source on /live ...")
    with IcecastServer() as ice:
        ice.start_mp3_source(MOUNT)
        settings = {"server_url": ice.base_url + "/", "protocol": "icecast2", "mount": MOUNT,
                    "username": ice.source_user, "password": ice.source_password}
        report.note(f"Icecast: {ice.base_url}{MOUNT}; the plug-in sends as user '{ice.source_user}'.")
        report.note("Loading the plug-in into the host emulator and starting the check tool's watch under "
                    "Wine ...\n")
        with PluginHost(settings) as host:
            watch = ToolWatch(settings_beside(host), report)
            report.note(HEADER)
            report.start_clock()
            try:
                if not watch.start():
                    report.note("\nThe check tool could not listen to the stream; see its lines above.")
                    return 1
                play_set(host, report)
                watch.finish()
            finally:
                watch.stop()
            emulator_ok = check_emulator(host, report)
    return summarize(watch.seen, emulator_ok)


def summarize(seen, emulator_ok):
    print()
    missing = [title for title in EXPECTED_TITLES if title not in seen]
    if emulator_ok and not missing and seen == EXPECTED_TITLES:
        print(f"Listeners saw all {len(seen)} titles, in the order they were mixed.")
        return 0
    if missing:
        print("Listeners did not see: " + ", ".join(repr(title) for title in missing))
    elif emulator_ok:
        print("Listeners saw: " + ", ".join(repr(title) for title in seen))
    return 1


def settings_text(settings_path):
    """The settings file's text: UTF-16 behind its byte-order mark, as the package ships it and
    Notepad keeps it; else UTF-8, a byte-order mark dropped."""
    with open(settings_path, "rb") as file:
        raw = file.read()
    if raw.startswith((b"\xff\xfe", b"\xfe\xff")):
        return raw.decode("utf-16", "replace")
    return raw.decode("utf-8-sig", "replace")


def listen_address(settings_path):
    """The stream a player would open for a plain-http Icecast server named in the settings file,
    for the hint that points the user's own player at it; None for Shoutcast, https or an
    unreadable file. The check tool's watch finds its stream itself, for every server kind."""
    parser = configparser.ConfigParser(interpolation=None, comment_prefixes=(";", "#"), strict=False)
    try:
        parser.read_string(settings_text(settings_path))
        stream = {key.lower(): value for key, value in parser.items("stream")}
    except (OSError, configparser.Error):
        return None
    protocol = stream.get("protocol", "icecast2").lower()
    if "shoutcast" in protocol or protocol in ("sc1", "sc2"):
        return None
    address = urllib.parse.urlsplit(stream.get("server_url", ""))
    if address.scheme != "http" or not address.hostname:
        return None
    mount = stream.get("mount", MOUNT) or MOUNT
    mount = mount if mount.startswith("/") else "/" + mount
    return f"http://{address.netloc}{address.path.rstrip('/')}{mount}"


def run_with_settings(report, settings_path):
    if not os.path.isfile(settings_path):
        print(f"demo: no settings file at {settings_path}", file=sys.stderr)
        return 2
    report.note(f"Playing the demo set to the server in {settings_path}.")
    report.note("Its listeners will see the demo's titles for the next half minute.")
    stream = listen_address(settings_path)
    if stream:
        report.note(f"To watch in your own player too, open {stream}.")
    report.note("")
    # The user's file beside a fresh copy of the DLL, before the plug-in starts and reads it.
    host = PluginHost(None)
    shutil.copy(settings_path, settings_beside(host))
    with host:
        watch = ToolWatch(settings_beside(host), report)
        report.note(HEADER)
        report.start_clock()
        try:
            heard = watch.start()
            if not heard:
                report.note("The check tool could not listen to the stream (see above): watch in your own player.")
            play_set(host, report)
            watch.finish()
        finally:
            watch.stop()
        emulator_ok = check_emulator(host, report)
    print()
    print("The plug-in reports nothing itself. If no title arrived, run ZenlarkVdjCheck.exe --watch beside "
          "this settings file on Windows: it sends one title, says what the server answered and whether "
          "listeners received it.")
    if not heard:
        return 0 if emulator_ok else 1
    return 0 if emulator_ok and watch.seen else 1


def main(argv=None):
    parser = argparse.ArgumentParser(description="Mix a short set through the plug-in and show what listeners see.")
    parser.add_argument("--build", default=os.path.join(SOURCE_DIR, "build", "win64"),
                        help="the Windows build tree (default build/win64)")
    parser.add_argument("--settings", metavar="PATH", help="use the server in this settings file instead of a local one")
    options = parser.parse_args(argv)
    os.environ["ZENLARK_BUILD_DIR"] = os.path.abspath(options.build)
    os.environ.setdefault("ZENLARK_WINE_RUN", os.path.join(SOURCE_DIR, "cmake", "wine-run"))
    exit_cleanly_on_sigterm()
    # Ctrl-C ends the set early; the context managers still stop the server and the emulator.
    signal.signal(signal.SIGINT, signal.default_int_handler)
    report = Report()
    try:
        if options.settings:
            return run_with_settings(report, os.path.abspath(options.settings))
        return run_local(report)
    except KeyboardInterrupt:
        print("\nStopped.")
        return 130


if __name__ == "__main__":
    sys.exit(main())
