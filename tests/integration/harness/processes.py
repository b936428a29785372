"""Starting and stopping the harness's server processes, also when the test process fails."""
import atexit
import os
import signal
import subprocess
import sys
import threading

KEEPER = os.path.join(os.path.dirname(os.path.abspath(__file__)), "keeper.py")

_live = set()
_lock = threading.Lock()


class ManagedProcess:
    """A server process in a process group of its own, run under the keeper.

    stop() ends the whole group; an atexit hook stops what a test left running, and the
    keeper stops the server if this process dies without running its exit hooks.
    """

    def __init__(self, args, stdout, stderr, cwd=None):
        self.args = list(args)
        self.popen = subprocess.Popen(
            [sys.executable, KEEPER, *self.args],
            stdin=subprocess.PIPE, stdout=stdout, stderr=stderr, cwd=cwd,
            start_new_session=True)
        with _lock:
            _live.add(self)

    @property
    def pid(self):
        return self.popen.pid

    def running(self):
        return self.popen.poll() is None

    def stop(self, grace=8.0):
        """Ends the process group: closing the keeper's input first, then SIGTERM, then SIGKILL."""
        with _lock:
            _live.discard(self)
        if self.popen.stdin and not self.popen.stdin.closed:
            try:
                self.popen.stdin.close()
            except OSError:
                pass
        try:
            self.popen.wait(grace)
        except subprocess.TimeoutExpired:
            self._signal_group(signal.SIGTERM)
            try:
                self.popen.wait(grace)
            except subprocess.TimeoutExpired:
                self._signal_group(signal.SIGKILL)
                self.popen.wait()
        # The keeper is gone; anything left in its group goes too.
        self._signal_group(signal.SIGKILL)
        return self.popen.returncode

    def _signal_group(self, sig):
        signal_group(self.popen, sig)

    def listening_ports(self):
        """The TCP ports the process group listens on. A server may keep running with a port it
        could not bind (another process took it); this tells whether it holds every port."""
        inodes = set()
        for pid in _group_members(self.popen.pid):
            try:
                for fd in os.listdir(f"/proc/{pid}/fd"):
                    target = os.readlink(f"/proc/{pid}/fd/{fd}")
                    if target.startswith("socket:["):
                        inodes.add(target[8:-1])
            except OSError:
                continue  # gone, or not ours to read
        ports = set()
        for table in ("/proc/net/tcp", "/proc/net/tcp6"):
            try:
                with open(table) as lines:
                    rows = [line.split() for line in lines.readlines()[1:]]
            except OSError:
                continue
            for row in rows:
                if row[3] == _TCP_LISTEN and row[9] in inodes:
                    ports.add(int(row[1].rpartition(":")[2], 16))
        return ports


_TCP_LISTEN = "0A"


def _group_members(group):
    """The processes in the process group `group`."""
    members = []
    for name in os.listdir("/proc"):
        if not name.isdigit():
            continue
        try:
            with open(f"/proc/{name}/stat") as stat:
                fields = stat.read().rpartition(")")[2].split()
        except OSError:
            continue
        if int(fields[2]) == group:
            members.append(int(name))
    return members


def signal_group(process, sig):
    """Sends sig to the process group that process leads; a group already gone is no error."""
    try:
        os.killpg(process.pid, sig)
    except (ProcessLookupError, PermissionError):
        pass


def _stop_all():
    with _lock:
        left = list(_live)
    for process in left:
        process.stop(grace=3.0)


atexit.register(_stop_all)


def exit_cleanly_on_sigterm():
    """Turns SIGTERM (as sent by CTest on a time-out) into SystemExit, so context managers
    and exit hooks run and stop every server."""
    if threading.current_thread() is threading.main_thread():
        signal.signal(signal.SIGTERM, lambda *_: sys.exit(128 + signal.SIGTERM))
