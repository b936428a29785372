"""What the harness's real servers (Icecast, Liquidsoap's harbor, Shoutcast DNAS) share: a server
process on loopback ports chosen afresh for each start attempt, and the sources and listeners
bound to it, which are stopped with it."""
import os
import time

from .processes import ManagedProcess

START_ATTEMPTS = 3


class LoopbackServer:
    """A subclass sets `start_error` and gives _choose_ports() (False: pick again), _ports() (every
    port the server must hold), _launch() (raises start_error when the process does not come up;
    _run_until_it_answers() does that with the subclass's _answers() and _startup_output()) and, if
    it needs them, _prepare() before the first attempt and _remove_workdir() after the stop."""

    start_error = RuntimeError
    # A Shoutcast-style (ICY) source gets the server's "OK2" before it sends its headers; False
    # where the server answers only once headers and audio have followed the password.
    icy_ok2_before_headers = True

    def __init__(self):
        self.process = None
        self._clients = []

    def __enter__(self):
        self.start()
        return self

    def __exit__(self, *exc):
        self.stop()
        return False

    def start(self):
        """Starts the server; when it does not start (or its program is absent), everything made
        for it is removed again, so a caller that never gets a server has nothing to stop."""
        try:
            self._prepare()
            self._start_attempts()
        except BaseException:
            self.stop()
            raise
        return self

    def _start_attempts(self):
        last_error = None
        for _ in range(START_ATTEMPTS):
            if not self._choose_ports():
                continue
            try:
                self._launch()
                self._check_ports()
                return
            except self.start_error as error:
                # Most often another process took a port between choosing and binding it.
                last_error = error
                self._stop_process()
        raise last_error or self.start_error(f"{type(self).__name__} did not start")

    def stop(self):
        for client in reversed(self._clients):
            try:
                client.stop()
            except Exception:
                pass
        self._clients.clear()
        self._stop_process()
        self._remove_workdir()

    def adopt(self, client):
        """Stops client (a source or a listener) together with the server."""
        self._clients.append(client)
        return client

    def _run_until_it_answers(self, args, output_path, timeout, cwd=None):
        """Starts the server process with its output in output_path and returns once _answers()
        is true; raises start_error when the process exits or stays silent for timeout seconds."""
        output = open(output_path, "wb")
        try:
            self.process = ManagedProcess(args, output, output, cwd=cwd)
        finally:
            output.close()
        name = os.path.basename(args[0])
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if not self.process.running():
                raise self.start_error(f"{name} exited at start:\n" + self._startup_output())
            if self._answers():
                return
            time.sleep(0.05)
        raise self.start_error(f"{name} did not answer within {timeout:.0f} s:\n" + self._startup_output())

    def _check_ports(self):
        # A server that could not bind one of its ports may run on with the others; a client
        # would then reach whatever process took that port.
        missing = set(self._ports()) - self.process.listening_ports()
        if missing:
            raise self.start_error(f"{type(self).__name__} does not hold port(s) {sorted(missing)}")

    def _prepare(self):
        pass

    def _remove_workdir(self):
        pass

    def _stop_process(self):
        if self.process is not None:
            self.process.stop()
            self.process = None
