"""The real servers Debian lacks (Shoutcast DNAS 2.6, Icecast 2.5, Icecast-KH), built from the
folder `../shared/peers` beside the source tree into `build/peers/<name>` of the tree.

`./dev test` builds them before the tests run. A test run started another way builds a missing
one on first use, under a file lock, so two tests never build the same server at once. Without
`../shared/peers` (a clone outside the team) asking for a peer's binary raises PeerAbsent, a
unittest.SkipTest, so each test or table row that needs one skips with one line saying why.
"""
import fcntl
import os
import subprocess
import unittest

SOURCE_DIR = os.environ.get("ZENLARK_SOURCE_DIR") or os.path.abspath(
    os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", ".."))
PEERS_DIR = os.path.join(os.path.dirname(os.path.abspath(SOURCE_DIR)), "shared", "peers")
BUILD_DIR = os.path.join(SOURCE_DIR, "build", "peers")
# DNAS takes up to 5.5 minutes on two busy cores.
BUILD_TIMEOUT = 900


class PeerAbsent(unittest.SkipTest):
    """The server's sources are not beside this tree."""


class PeerBuildFailed(RuntimeError):
    pass


class Peer:
    """One server of ../shared/peers: `folder` there and in build/peers, `label` for messages,
    `binary` inside its build folder."""

    def __init__(self, folder, label, binary):
        self.folder = folder
        self.label = label
        self.binary_name = binary

    @property
    def out_dir(self):
        return os.path.join(BUILD_DIR, self.folder)

    def path(self, *parts):
        """A path inside the server's build folder."""
        return os.path.join(self.out_dir, *parts)

    def binary(self):
        """The server's program, built first if it is missing. Raises PeerAbsent without its sources."""
        program = self.path(self.binary_name)
        if os.access(program, os.X_OK):
            return program
        script = os.path.join(PEERS_DIR, self.folder, "build.sh")
        if not os.path.isfile(script):
            raise PeerAbsent(f"{self.label} needs ../shared/peers (absent)")
        os.makedirs(BUILD_DIR, exist_ok=True)
        # The same lock file as ./dev's builds: whoever waited finds the binary built.
        with open(os.path.join(BUILD_DIR, self.folder + ".lock"), "w") as lock:
            fcntl.flock(lock, fcntl.LOCK_EX)
            if not os.access(program, os.X_OK):
                self._build(script, program)
        return program

    def _build(self, script, program):
        log_path = os.path.join(BUILD_DIR, self.folder + ".log")
        with open(log_path, "ab") as log:
            done = subprocess.run(["bash", script, self.out_dir], stdin=subprocess.DEVNULL, stdout=log,
                                  stderr=subprocess.STDOUT, timeout=BUILD_TIMEOUT)
        if done.returncode != 0 or not os.access(program, os.X_OK):
            with open(log_path, encoding="utf-8", errors="replace") as log:
                raise PeerBuildFailed(f"building {self.label} failed ({done.returncode}):\n{log.read()[-3000:]}")


DNAS = Peer("shoutcast-dnas", "Shoutcast DNAS 2.6", "sc_serv")
ICECAST_25 = Peer("icecast-2.5", "Icecast 2.5", os.path.join("bin", "icecast"))
ICECAST_KH = Peer("icecast-kh", "Icecast-KH", os.path.join("bin", "icecast"))
