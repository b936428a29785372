"""A Windows program's window under Wine on an X server of its own (Xvfb), driven through its
standard controls by setup_driver.exe, and photographed.

    with WineDesktop("setup-96", dpi=96) as desktop:   # skips (unittest.SkipTest) without Xvfb
        desktop.start(program_path)                    # on a Wine desktop of its own
        driver = desktop.driver()
        driver("wait-window", "Zenlark VDJ setup", 30) # "ok ..." text after "ok "; errors raise
        desktop.screenshot("build/screenshots/setup-96dpi.png")

The tests share one Wine prefix and one wineserver, started by ./dev without DISPLAY. Each
window gets a Wine desktop of its own (`explorer /desktop=NAME`), whose explorer process takes
the X display from its own environment. Wine reads the DPI from the prefix when a process starts:
a DPI other than 96 is written to the prefix just for the window's start and taken out again
once the window shows, so no other test sees it.
"""
import os
import shutil
import signal
import subprocess
import time
import unittest

from .processes import ManagedProcess, signal_group
from .waiting import wait_for
from .windows import build_dir, wine_run, windows_command, windows_path

DRIVER = "setup_driver.exe"
DPI_KEY = r"HKCU\Control Panel\Desktop"
SCREEN = (1800, 1400)


class DesktopAbsent(unittest.SkipTest):
    """No X server program (Debian's xvfb) on this machine."""


class DriverError(AssertionError):
    pass


def _free_display():
    for number in range(91, 200):
        if not os.path.exists(f"/tmp/.X11-unix/X{number}") and not os.path.exists(f"/tmp/.X{number}-lock"):
            return number
    raise RuntimeError("no free X display number")


def _reg(*args):
    subprocess.run([wine_run(), "reg", *args], cwd=build_dir(), stdin=subprocess.DEVNULL,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60, check=False)


class Driver:
    """setup_driver.exe on the desktop: one command, one answer."""

    def __init__(self, desktop_name, env):
        """On the Wine desktop `desktop_name`; with None on none, for "hold" and "release" alone."""
        desktop = [desktop_name] if desktop_name else []
        self.process = subprocess.Popen(windows_command(DRIVER, *desktop), stdin=subprocess.PIPE,
                                        stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, env=env,
                                        start_new_session=True)

    def __call__(self, *args):
        """The answer's text after "ok "; an "error" answer raises DriverError."""
        self.process.stdin.write(("\t".join(str(arg) for arg in args) + "\n").encode("utf-8"))
        self.process.stdin.flush()
        answer = self.process.stdout.readline().decode("utf-8", "replace").rstrip("\r\n")
        if not answer.startswith("ok"):
            raise DriverError(f"{' '.join(str(arg) for arg in args)}: {answer or 'the driver ended'}")
        return answer[3:]

    def close(self):
        try:
            self.process.stdin.close()
            self.process.wait(20)
        except (OSError, subprocess.TimeoutExpired):
            signal_group(self.process, signal.SIGKILL)
            self.process.wait()


class WineDesktop:
    def __init__(self, name, dpi=96, size=(1000, 780)):
        self.name = name
        self.dpi = dpi
        self.size = (size[0] * dpi // 96, size[1] * dpi // 96)
        self.display = None
        self._xvfb = None
        self._program = None
        self._drivers = []

    def __enter__(self):
        xvfb = shutil.which("Xvfb")
        if xvfb is None:
            raise DesktopAbsent("skipped: the window's tests need an X server (Debian's xvfb), which is absent")
        self.display = f":{_free_display()}"
        self._xvfb = ManagedProcess([xvfb, self.display, "-screen", "0", f"{SCREEN[0]}x{SCREEN[1]}x24",
                                     "-nolisten", "tcp"], subprocess.DEVNULL, subprocess.DEVNULL)
        wait_for(lambda: os.path.exists(f"/tmp/.X11-unix/X{self.display[1:]}"), 10,
                 description="the X server's socket")
        return self

    def __exit__(self, *exc):
        for driver in self._drivers:
            driver.close()
        if self._program is not None:
            try:
                self._program.wait(20)
            except subprocess.TimeoutExpired:
                signal_group(self._program, signal.SIGKILL)
                self._program.wait()
        self._xvfb.stop()
        return False

    @property
    def env(self):
        return dict(os.environ, DISPLAY=self.display)

    def start(self, program, *args, title="Zenlark VDJ setup", timeout=60):
        """Starts `program` on the desktop and returns a driver once its window shows."""
        if self.dpi != 96:
            _reg("add", DPI_KEY, "/v", "LogPixels", "/t", "REG_DWORD", "/d", str(self.dpi), "/f")
        try:
            self._program = subprocess.Popen(
                [wine_run(), "explorer", f"/desktop={self.name},{self.size[0]}x{self.size[1]}",
                 windows_path(program), *args],
                cwd=build_dir(), env=self.env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                stderr=subprocess.DEVNULL, start_new_session=True)
            started = time.monotonic()
            driver = self.driver()
            driver("wait-window", title, timeout)
            self.opened_after = time.monotonic() - started
        finally:
            if self.dpi != 96:
                _reg("delete", DPI_KEY, "/v", "LogPixels", "/f")
        return driver

    def driver(self, on_desktop=True):
        """A driver of the window on this desktop; one `on_desktop=False` starts before the desktop
        does and only holds and releases files, as another program would."""
        driver = Driver(self.name if on_desktop else None, self.env)
        self._drivers.append(driver)
        return driver

    def screenshot(self, path):
        """The Wine desktop as a PNG; nothing (and False) where ImageMagick's import is absent."""
        importer = shutil.which("import")
        if importer is None:
            return False
        os.makedirs(os.path.dirname(path), exist_ok=True)
        subprocess.run([importer, "-display", self.display, "-window", "root", "-crop",
                        f"{self.size[0]}x{self.size[1]}+0+0", "+repage", path],
                       check=True, timeout=60, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        return True
