"""Runs one command and ends it when the standard input closes.

The harness starts servers through this keeper with a pipe as its standard input. If the
test process dies, even by SIGKILL, the pipe closes and the keeper stops the server, so no
server outlives the test run. The keeper exits with the command's exit status, and hands SIGHUP on to the command.
"""
import os
import select
import signal
import subprocess
import sys

GRACE_SECONDS = 5


def stop(child):
    if child.poll() is not None:
        return
    child.terminate()
    try:
        child.wait(GRACE_SECONDS)
    except subprocess.TimeoutExpired:
        child.kill()
        child.wait()


def main():
    child = subprocess.Popen(sys.argv[1:], stdin=subprocess.DEVNULL)
    signal.signal(signal.SIGTERM, lambda *_: (stop(child), sys.exit(child.returncode or 0)))
    # A server re-reads its configuration on SIGHUP; the keeper hands it on.
    signal.signal(signal.SIGHUP, lambda *_: child.send_signal(signal.SIGHUP))
    stdin = sys.stdin.fileno()
    while child.poll() is None:
        ready, _, _ = select.select([stdin], [], [], 0.2)
        if ready and not os.read(stdin, 4096):
            stop(child)
            break
    return child.wait()


if __name__ == "__main__":
    sys.exit(main())
