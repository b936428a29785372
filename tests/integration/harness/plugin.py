"""The real plug-in DLL in a folder of its own, run by the host emulator under Wine.

    with PluginHost({"server_url": url, "password": pw}) as host:
        host.set("deck 1 play 1", "deck 1 volume 1", "deck 1 title Song")   # applied at once
        ...
        output = host.release()          # the emulator's whole output once it has ended

The DLL is copied into a fresh folder with "ZenlarkVdjStandalone.ini" written beside it, so
the plug-in reads exactly these settings. Script lines go to the emulator's standard input;
`host.lines` collects (monotonic time, text) for every line it prints.
"""
import os
import shutil
import signal
import subprocess
import tempfile
import threading
import time

from .processes import signal_group
from .windows import build_dir, run_windows, windows_command


SETTINGS_FILE = "ZenlarkVdjStandalone.ini"
DLL_NAME = "ZenlarkVdjStandalone.dll"


def write_settings(folder, settings, encoding="cp1252"):
    """Writes the [stream] section from {key: value}, or several from {section: {key: value}};
    None writes no file at all."""
    if settings is None:
        return
    several = bool(settings) and all(isinstance(value, dict) for value in settings.values())
    lines = []
    for section, values in (settings.items() if several else [("stream", settings)]):
        lines += [f"[{section}]"] + [f"{key}={value}" for key, value in values.items()]
    with open(os.path.join(folder, SETTINGS_FILE), "w", encoding=encoding, newline="\r\n") as file:
        file.write("\n".join(lines) + "\n")


def plugin_folder(settings, parent=None, name="plugins"):
    """A new folder holding a copy of the DLL and the given settings; returns the DLL's path."""
    root = tempfile.mkdtemp(prefix="zenlark-plugin-", dir=parent)
    folder = os.path.join(root, name)
    os.makedirs(folder)
    dll = os.path.join(folder, DLL_NAME)
    shutil.copy(os.path.join(build_dir(), DLL_NAME), dll)
    write_settings(folder, settings)
    return dll


class PluginHost:
    """The host emulator with the plug-in loaded and started, fed script lines live."""

    def __init__(self, settings, extra_args=(), folder_name="plugins"):
        self.dll = plugin_folder(settings, name=folder_name)
        self.extra_args = list(extra_args)
        self.lines = []
        self._lock = threading.Lock()
        self._process = None
        self._reader = None

    def __enter__(self):
        self.start()
        return self

    def __exit__(self, *exc):
        self.release()
        shutil.rmtree(os.path.dirname(os.path.dirname(self.dll)), ignore_errors=True)
        return False

    def start(self):
        args = windows_command("host_emulator.exe", self.dll, "-", *self.extra_args)
        self._process = subprocess.Popen(args, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                         stderr=subprocess.STDOUT, start_new_session=True)
        self._reader = threading.Thread(target=self._read, daemon=True)
        self._reader.start()
        self.wait_for_line("start ->", timeout=30)

    def set(self, *settings):
        """Applies deck settings at once; returns the monotonic time they were handed over."""
        text = "".join(f"0 {setting}\n" for setting in settings)
        sent = time.monotonic()
        self._process.stdin.write(text.encode("utf-8"))
        self._process.stdin.flush()
        return sent

    def release(self, timeout=60):
        """Ends the script, which makes the emulator call release; returns its output."""
        if self._process is None:
            return self.output()
        if not self._process.stdin.closed:
            try:
                self._process.stdin.close()
            except OSError:
                pass
        try:
            self._process.wait(timeout)
        except subprocess.TimeoutExpired:
            signal_group(self._process, signal.SIGKILL)
            self._process.wait()
        self._reader.join(5)
        self.returncode = self._process.returncode
        self._process = None
        return self.output()

    def output(self):
        with self._lock:
            return "\n".join(text for _, text in self.lines)

    def wait_for_line(self, fragment, timeout=10):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            with self._lock:
                for stamp, text in self.lines:
                    if fragment in text:
                        return stamp, text
            time.sleep(0.02)
        raise TimeoutError(f"the emulator printed no line with {fragment!r}:\n{self.output()}")

    def _read(self):
        for raw in self._process.stdout:
            with self._lock:
                self.lines.append((time.monotonic(), raw.decode("utf-8", "replace").rstrip("\r\n")))


def release_milliseconds(output):
    """The duration the emulator measured for release, from its "release -> R in X ms" line."""
    for line in output.splitlines():
        if "] release -> " in line:
            return float(line.split(" in ")[1].split()[0])
    raise ValueError(f"no release line in:\n{output}")


def run_emulator(dll, script, extra_args=(), timeout=120):
    """Runs a whole script file through the emulator; returns (returncode, output)."""
    with tempfile.NamedTemporaryFile("w", suffix=".txt", delete=False, encoding="utf-8") as file:
        file.write(script)
    try:
        done = run_windows(["host_emulator.exe", dll, file.name, *extra_args], timeout)
        return done.returncode, done.stdout.decode("utf-8", "replace") + done.stderr.decode("utf-8", "replace")
    finally:
        os.unlink(file.name)
