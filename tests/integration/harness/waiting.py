"""Polling helpers: wait for a condition with a deadline, pick free loopback ports."""
import contextlib
import socket
import time

# How many ports free_port_pair tries before it gives up.
PAIR_ATTEMPTS = 50


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


def refusing_port(host="127.0.0.1"):
    """A socket bound to a free TCP port on host without listening: connections to the port are
    refused, and no other program can take the port while the socket stays open. A program under
    test that keeps sending to a closed port would otherwise reach whatever server binds it next,
    another test's among them on a machine that runs several suites at once."""
    holder = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    holder.bind((host, 0))
    return holder


def free_port_pair(host="127.0.0.1"):
    """A TCP port P such that P and P + 1 are both free on host right now.

    Shoutcast servers and Shoutcast-compatible ports take the encoder on the port one above
    the web port. Both are bound at once while they are chosen, so the pair was free together;
    as with free_port, another process may take one before the server binds it, and servers
    check that they hold both.
    """
    for _ in range(PAIR_ATTEMPTS):
        with contextlib.ExitStack() as held:
            low = held.enter_context(socket.socket(socket.AF_INET, socket.SOCK_STREAM))
            low.bind((host, 0))
            port = low.getsockname()[1]
            if port >= 65535:
                continue
            high = held.enter_context(socket.socket(socket.AF_INET, socket.SOCK_STREAM))
            try:
                high.bind((host, port + 1))
            except OSError:
                continue
            return port
    raise OSError(f"no two free neighbouring ports on {host} after {PAIR_ATTEMPTS} tries")
