"""Polling helpers: wait for a condition with a deadline, pick free loopback ports."""
import socket
import time


def wait_for(predicate, timeout, interval=0.05, description=None):
    """Calls predicate until it returns a truthy value and returns that value.

    Raises TimeoutError after timeout seconds; the message names what was awaited and the
    last value seen, so a failing test says what it was waiting for. description may be
    a callable, asked only on time-out, to report the state at that moment.
    """
    deadline = time.monotonic() + timeout
    last = None
    while True:
        last = predicate()
        if last:
            return last
        if time.monotonic() >= deadline:
            what = description() if callable(description) else description
            what = what or getattr(predicate, "__name__", "condition")
            raise TimeoutError(f"timed out after {timeout:.1f} s waiting for {what}; last value {last!r}")
        time.sleep(interval)


def free_port(host="127.0.0.1"):
    """A TCP port that is free on host right now.

    Another process may take it before it is used; servers started on it retry with a
    new port when binding fails.
    """
    with socket.socket(socket.AF_INET, socket.SOCK_STREAM) as s:
        s.bind((host, 0))
        return s.getsockname()[1]
