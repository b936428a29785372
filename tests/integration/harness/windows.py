"""Windows programs of the build tree, run under Wine through the build's Wine runner.

    done = run_windows(["ZenlarkVdjCheck.exe", "--help"], timeout=60)
    done.returncode, done.stdout, done.stderr      # as subprocess.run with captured output

Each program runs in a process group of its own: the runner is a shell that may start Wine
more than once, so a timeout ends the whole group rather than only the shell.

    press_ctrl_c(process)     # a console program started by windows_command gets Ctrl+C
"""
import os
import re
import select
import signal
import subprocess
import time
import tty

from .processes import signal_group


def build_dir():
    return os.environ["ZENLARK_BUILD_DIR"]


def wine_run():
    return os.environ["ZENLARK_WINE_RUN"]


def windows_command(program, *args):
    """The command line for a program; a bare name is taken from the build tree."""
    if os.sep not in program:
        program = os.path.join(build_dir(), program)
    return [wine_run(), program, *args]


def windows_path(path):
    """A Linux path as a Windows program under Wine names it (Wine's Z: drive is the root)."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def run_windows(command, timeout):
    """Runs windows_command(*command) to its end and returns the CompletedProcess (bytes)."""
    process = subprocess.Popen(windows_command(*command), stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                               stderr=subprocess.PIPE, start_new_session=True)
    try:
        stdout, stderr = process.communicate(timeout=timeout)
    except subprocess.TimeoutExpired:
        signal_group(process, signal.SIGKILL)
        process.communicate()
        raise
    return subprocess.CompletedProcess(process.args, process.returncode, stdout, stderr)


def _console_text(raw):
    """What a console shows of Wine's output to a terminal: its cursor moves stand for spaces."""
    text = raw.decode("utf-8", "replace")
    text = re.sub(r"\x1b\[(\d*)C", lambda move: " " * int(move.group(1) or 1), text)
    return re.sub(r"\x1b\[[0-9;?]*[A-Za-z]", "", text).replace("\r", "")


def run_on_console(command, timeout, answer_after=None):
    """Runs a Wine command line on a terminal of its own, so the program gets a real console for
    its input and output, as when Explorer or a command prompt starts it. While the shown text
    ends with `answer_after`, Enter is typed, once a second: a key typed before the program
    reads may be dropped by the console. Returns (exit status, shown text)."""
    master, slave = os.openpty()
    tty.setraw(slave)  # as a terminal emulator passes keys on: Enter arrives as CR
    process = subprocess.Popen([wine_run(), *command], stdin=slave, stdout=slave, stderr=slave,
                               cwd=build_dir(), start_new_session=True)
    os.close(slave)
    raw = b""
    answered_at = 0.0
    deadline = time.monotonic() + timeout
    try:
        while process.poll() is None or select.select([master], [], [], 0)[0]:
            if time.monotonic() > deadline:
                raise subprocess.TimeoutExpired(command, timeout)
            if select.select([master], [], [], 0.1)[0]:
                try:
                    raw += os.read(master, 4096)
                except OSError:  # the terminal closed with the program
                    break
            waiting = answer_after and _console_text(raw).rstrip().endswith(answer_after)
            if waiting and time.monotonic() - answered_at > 1.0:
                os.write(master, b"\r")
                answered_at = time.monotonic()
    finally:
        if process.poll() is None:
            signal_group(process, signal.SIGKILL)
        process.wait()
        os.close(master)
    return process.returncode, _console_text(raw)


def press_ctrl_c(process):
    """Sends SIGINT to the Wine processes under the runner's shell: Wine hands it to the program as
    a console Ctrl+C. The shell itself is left alone, since SIGINT would end it before the program."""
    try:
        with open(f"/proc/{process.pid}/task/{process.pid}/children") as children:
            pids = [int(pid) for pid in children.read().split()]
    except OSError:
        return
    for pid in pids:
        try:
            os.kill(pid, signal.SIGINT)
        except ProcessLookupError:
            pass
