#!/usr/bin/env python3
"""The demo: a short DJ set through the real plug-in, and what a radio listener sees of it.

By default it starts a local Icecast with a silent MP3 source on /live and one listener, runs the
plug-in DLL in the host emulator under Wine, mixes about 25 s across three decks (crossfades, a
fade to an overlay deck, non-ASCII titles) and prints each StreamTitle the listener receives,
with its time. Everything it starts is stopped again, also on Ctrl-C.

With --settings PATH the same set goes to the server named in that settings file instead: the
file is copied beside a copy of the DLL, exactly as a DJ would install it.

    demo.py [--build build/win64] [--settings PATH]
"""
import argparse
import configparser
import os
import shutil
import signal
import sys
import threading
import time
import urllib.parse

SOURCE_DIR = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(SOURCE_DIR, "tests", "integration"))

from harness import IcecastServer, Listener, ListenerError, exit_cleanly_on_sigterm  # noqa: E402
from harness.plugin import SETTINGS_FILE, PluginHost  # noqa: E402

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
SET_LENGTH = 25.0


class Report:
    """Timestamped lines from the main thread and the listener's thread, never interleaved."""

    def __init__(self):
        self.started = time.monotonic()
        self._lock = threading.Lock()

    def line(self, who, text, at=None, wall=None):
        at = time.monotonic() if at is None else at
        wall = time.time() if wall is None else wall
        clock = time.strftime("%H:%M:%S", time.localtime(wall)) + f".{int(wall * 10) % 10}"
        with self._lock:
            print(f"{clock}  +{at - self.started:5.1f} s  {who:<9} {text}", flush=True)

    def note(self, text):
        with self._lock:
            print(text, flush=True)


class TitleWatcher:
    """Prints every StreamTitle a listener receives, as it arrives."""

    def __init__(self, listener, report):
        self.listener = listener
        self.report = report
        self.seen = []
        self._stop = threading.Event()
        self._thread = threading.Thread(target=self._run, name="title watcher", daemon=True)

    def start(self):
        self._thread.start()
        return self

    def stop(self):
        self._stop.set()
        self._thread.join(2)
        self._print_new()

    def _run(self):
        while not self._stop.wait(0.05):
            self._print_new()

    def _print_new(self):
        events = [event for event in self.listener.events() if event.title]
        for event in events[len(self.seen):]:
            title = event.title.decode("utf-8", "replace")
            self.seen.append(title)
            self.report.line("listener", f"StreamTitle '{title}'", at=event.at, wall=event.wall)


def play_set(host, report):
    report.note("time       from start   who       what")
    report.started = time.monotonic()
    for at, setting, action in demo_set():
        wait = report.started + at - time.monotonic()
        if wait > 0:
            time.sleep(wait)
        host.set(setting)
        if action:
            report.line("DJ", action)
    # Time for the last change to reach the listener.
    wait = report.started + SET_LENGTH - time.monotonic()
    if wait > 0:
        time.sleep(wait)


def check_emulator(host, report):
    output = host.release()
    if host.returncode != 0:
        report.note(f"\nThe host emulator ended with code {host.returncode}:\n{output}")
        return False
    return True


def run_local(report):
    report.note("Starting a local Icecast with a silent MP3 source on /live and a listener ...")
    with IcecastServer() as ice:
        ice.start_mp3_source(MOUNT)
        listener = ice.listen(MOUNT)
        settings = {"server_url": ice.base_url + "/", "protocol": "icecast2", "mount": MOUNT,
                    "username": ice.source_user, "password": ice.source_password}
        report.note(f"Icecast: {ice.base_url}{MOUNT}; the plug-in sends as user '{ice.source_user}'.")
        report.note("Loading the plug-in into the host emulator under Wine ...\n")
        with PluginHost(settings) as host:
            watcher = TitleWatcher(listener, report).start()
            try:
                play_set(host, report)
            finally:
                watcher.stop()
            emulator_ok = check_emulator(host, report)
    return summarize(watcher.seen, emulator_ok)


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


def listen_address(settings_path):
    """The stream a listener would open for an Icecast server named in the settings file, or
    None when the demo cannot listen itself (Shoutcast, https, unreadable file)."""
    parser = configparser.ConfigParser(interpolation=None, comment_prefixes=(";", "#"), strict=False)
    try:
        with open(settings_path, encoding="utf-8-sig", errors="replace") as file:
            parser.read_file(file)
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
    listener = None
    stream = listen_address(settings_path)
    if stream:
        try:
            listener = Listener(stream).start()
            report.note(f"Listening to {stream}.")
        except (OSError, ListenerError) as error:
            report.note(f"Could not listen to {stream} ({error}); use your own player to watch the titles.")
    else:
        report.note("The demo listens only to plain-http Icecast streams: use your own player to watch.")
    report.note("")
    watcher = None
    try:
        # The user's file beside a fresh copy of the DLL, before the plug-in starts and reads it.
        host = PluginHost(None)
        shutil.copy(settings_path, os.path.join(os.path.dirname(host.dll), SETTINGS_FILE))
        with host:
            if listener:
                watcher = TitleWatcher(listener, report).start()
            play_set(host, report)
            if watcher:
                watcher.stop()
            emulator_ok = check_emulator(host, report)
    finally:
        if listener:
            listener.stop()
    print()
    print("The plug-in reports nothing itself. If no title arrived, run ZenlarkVdjCheck.exe beside "
          "this settings file on Windows: it sends one title and says what the server answered.")
    if watcher is None:
        return 0 if emulator_ok else 1
    return 0 if emulator_ok and watcher.seen else 1


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
