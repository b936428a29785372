"""Windows programs of the build tree, run under Wine through the build's Wine runner.

    done = run_windows(["ZenlarkVdjCheck.exe", "--help"], timeout=60)
    done.returncode, done.stdout, done.stderr      # as subprocess.run with captured output

Each program runs in a process group of its own: the runner is a shell that may start Wine
more than once, so a timeout ends the whole group rather than only the shell.

    press_ctrl_c(process)     # a console program started by windows_command gets Ctrl+C
"""
import os
import signal
import subprocess

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
