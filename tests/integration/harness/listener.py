"""A stream listener that asks for ICY metadata and records each StreamTitle it is sent."""
import collections
import re
import socket
import threading
import time
import urllib.parse

from .waiting import wait_for

# One metadata block as a listener sees it: monotonic and wall-clock arrival time, the
# StreamTitle value as raw bytes (None when the block has no StreamTitle), the whole block.
TitleEvent = collections.namedtuple("TitleEvent", "at wall title block")

_STREAM_TITLE = re.compile(rb"StreamTitle='(.*?)';(?=Stream\w*=|\x00|$)", re.DOTALL)


def stream_title(block):
    """The StreamTitle value of one metadata block, as bytes, or None."""
    found = _STREAM_TITLE.search(block.rstrip(b"\x00"))
    return found.group(1) if found else None


class ListenerError(RuntimeError):
    pass


class Listener:
    """GETs url with `Icy-MetaData: 1` and reads the stream in a thread, collecting a
    TitleEvent for every non-empty metadata block. Icecast sends a block when a listener
    joins and whenever the title changes; in between, blocks are empty."""

    def __init__(self, url, timeout=10.0):
        self.url = url
        self.timeout = timeout
        self.metaint = None
        self.headers = {}
        self.error = None
        self.audio_bytes = 0
        self._events = []
        self._lock = threading.Lock()
        self._changed = threading.Condition(self._lock)
        self._socket = None
        self._thread = None
        self._stopping = threading.Event()

    def __enter__(self):
        self.start()
        return self

    def __exit__(self, *exc):
        self.stop()
        return False

    def start(self):
        """Connects and reads the answer's headers; raises ListenerError unless the answer is
        a 200 with icy-metaint."""
        parts = urllib.parse.urlsplit(self.url)
        target = parts.path or "/"
        if parts.query:
            target += "?" + parts.query
        sock = socket.create_connection((parts.hostname, parts.port or 80), timeout=self.timeout)
        try:
            request = (f"GET {target} HTTP/1.0\r\n"
                       f"Host: {parts.netloc}\r\n"
                       "User-Agent: zenlark-test-listener\r\n"
                       "Icy-MetaData: 1\r\n"
                       "\r\n")
            sock.sendall(request.encode("ascii"))
            self._reader = sock.makefile("rb")
            self._read_headers()
        except BaseException:
            sock.close()
            raise
        self._socket = sock
        self._thread = threading.Thread(target=self._read_stream, name=f"listener {target}", daemon=True)
        self._thread.start()
        return self

    def stop(self):
        self._stopping.set()
        if self._socket is not None:
            try:
                self._socket.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass
        if self._thread is not None:
            self._thread.join(5.0)
            self._thread = None
        if self._socket is not None:
            self._reader.close()
            self._socket.close()
            self._socket = None

    def events(self):
        with self._lock:
            return list(self._events)

    def titles(self):
        """The StreamTitle values received so far, in order, as bytes."""
        return [event.title for event in self.events() if event.title is not None]

    def wait_for_title(self, title, timeout=5.0):
        """Waits for a block whose StreamTitle is title (bytes, or str sent as UTF-8) and
        returns its TitleEvent."""
        wanted = title.encode("utf-8") if isinstance(title, str) else title

        def arrived():
            for event in self.events():
                if event.title == wanted:
                    return event
            if self.error is not None:
                raise ListenerError(f"listener stopped: {self.error}")
            return None

        return wait_for(arrived, timeout, description=lambda: f"StreamTitle {wanted!r} (seen {self.titles()!r})")

    def wait_for_event(self, after_count, timeout=5.0):
        """Waits until more than after_count events have arrived; returns the next one."""
        with self._changed:
            if not self._changed.wait_for(lambda: len(self._events) > after_count or self.error, timeout):
                raise TimeoutError(f"no metadata block within {timeout:.1f} s")
            if len(self._events) <= after_count:
                raise ListenerError(f"listener stopped: {self.error}")
            return self._events[after_count]

    def _read_headers(self):
        status_line = self._reader.readline().decode("latin-1").strip()
        parts = status_line.split()
        if len(parts) < 2 or parts[1] != "200":
            raise ListenerError(f"{self.url}: {status_line!r}")
        while True:
            line = self._reader.readline().decode("latin-1")
            if line in ("\r\n", "\n", ""):
                break
            name, _, value = line.partition(":")
            self.headers[name.strip().lower()] = value.strip()
        if "icy-metaint" not in self.headers:
            raise ListenerError(f"{self.url}: no icy-metaint in {self.headers!r}")
        self.metaint = int(self.headers["icy-metaint"])

    def _read_exactly(self, count):
        data = self._reader.read(count)
        if data is None or len(data) < count:
            raise ListenerError("stream ended")
        return data

    def _read_stream(self):
        try:
            while not self._stopping.is_set():
                self._read_exactly(self.metaint)
                self.audio_bytes += self.metaint
                length = self._read_exactly(1)[0] * 16
                if length == 0:
                    continue
                block = self._read_exactly(length)
                event = TitleEvent(time.monotonic(), time.time(), stream_title(block), block)
                with self._changed:
                    self._events.append(event)
                    self._changed.notify_all()
        except (OSError, ValueError, ListenerError) as error:
            if not self._stopping.is_set():
                with self._changed:
                    self.error = error
                    self._changed.notify_all()
