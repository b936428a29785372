"""A scripted HTTP server on loopback that records every request exactly as it arrived.

    from harness.recording_server import Answer, RecordingServer

    with RecordingServer([Answer(200, body=b"ok"), Answer.close()], certfile=None, keyfile=None) as server:
        url = f"http://127.0.0.1:{server.port}/"
        ...                                   # let the program under test send its requests
        request = server.wait_for_requests(1)[0]
        request.request_line                  # "GET /admin/metadata?... HTTP/1.1"
        request.header("User-Agent")          # first value of that header, or None
        request.header_lines                  # raw header lines in order, without CRLF
        request.body, request.connection_id

The server binds 127.0.0.1 on a port of the system's choice, so it never collides with
another test (or on `port=`, for a server that must come back where it was). Each request
records `arrived`, the time.monotonic() at which its head had been read.

Each request takes the next Answer of the script; once the script is used up,
every further request gets `default` (200 OK, empty body, unless given). Answers:

    Answer(status, reason=None, body=b"", headers=())  a normal answer with Content-Length
    Answer.close()      close the connection without answering
    Answer.never()      keep the connection open and never answer (until the server stops)
    Answer.garbage()    send a line that is no HTTP status line, then close
    Answer.trickle(seconds)  send a normal 200 head one byte at a time over `seconds`
    Answer.huge(megabytes)   a 200 whose body of that many megabytes is sent while the client reads
    Answer.reset()      send half a status line, then reset the connection (RST)
    Answer.redirect(location, status=302)  a redirect to `location`
    Answer.shoutcast_v1()  a Shoutcast v1 server's browser rule: a client whose User-Agent lacks
                        "Mozilla" gets the stream ("ICY 200 OK" and audio, then close), one with
                        it gets the HTML admin page with 200; `request.answered_with` records
                        which ("stream" or "admin page")
    Answer.shoutcast_v1(station)  a Shoutcast DNAS 1.9 stand-in serving a ShoutcastStation
                        (harness.shoutcast_station): the same browser rule, and for "Mozilla"
                        clients admin.cgi?mode=updinfo (an empty 200) and /7.html. It records
                        what it did in `request.answered_with` ("updinfo accepted", "updinfo
                        wrong password", ...; see that module) and decides, changing the
                        station, before the request is recorded, so a test that sees the
                        request sees its effect
    Answer.icy_stream(titles, metaint=8192, seconds=None, stall=False)  a live MP3-like stream
                        with ICY metadata: silence, one title (str as UTF-8, bytes as they are)
                        per metadata block, then empty blocks, about five blocks a second; it
                        drops the connection after `seconds`, or with `stall` goes silent after
                        the titles and keeps the connection open

Connections stay open after a normal answer (HTTP/1.1 keep-alive), so a client that reused
a connection would show the same connection_id twice. Each request records `received_at`, the time.monotonic() at which its
head was complete; `bind_host` ("127.0.0.1", or "::1" for IPv6) chooses the loopback address. With certfile and keyfile (PEM) the
server speaks TLS; a failed handshake is recorded in `tls_failures` (one entry per connection)
and yields no request. `connections` counts accepted TCP connections. Python stdlib only.
"""
import socket
import struct
import ssl
import threading
import time

READ_TIMEOUT = 30.0
MAX_HEAD_BYTES = 65536

REASONS = {200: "OK", 204: "No Content", 302: "Found", 401: "Unauthorized", 403: "Forbidden", 404: "Not Found",
           500: "Internal Server Error"}


class Answer:
    """What the server does with one request."""

    def __init__(self, status=200, reason=None, body=b"", headers=(), behaviour="answer"):
        self.status = status
        self.reason = reason if reason is not None else REASONS.get(status, "Status")
        self.body = body.encode("utf-8") if isinstance(body, str) else body
        self.headers = list(headers)
        self.behaviour = behaviour

    @classmethod
    def close(cls):
        return cls(behaviour="close")

    @classmethod
    def never(cls):
        return cls(behaviour="never")

    @classmethod
    def garbage(cls):
        return cls(behaviour="garbage")

    @classmethod
    def trickle(cls, seconds):
        answer = cls(behaviour="trickle")
        answer.seconds = seconds
        return answer

    @classmethod
    def huge(cls, megabytes):
        answer = cls(behaviour="huge")
        answer.megabytes = megabytes
        return answer

    @classmethod
    def reset(cls):
        return cls(behaviour="reset")

    @classmethod
    def redirect(cls, location, status=302):
        return cls(status, reason="Found", headers=[("Location", location)])

    @classmethod
    def shoutcast_v1(cls, station=None):
        if station is None:
            return cls._by_request(_answer_like_shoutcast_v1)
        return cls._by_request(lambda request: station.answer_v1(request) or _shoutcast_v1_stream())

    @classmethod
    def _by_request(cls, choose):
        """`choose(request)` returns the Answer for each request (and may set request.answered_with);
        it runs before the request is recorded."""
        answer = cls(behaviour="by_request")
        answer.choose = choose
        return answer

    @classmethod
    def _raw(cls, data):
        """`data` as it is, then close: for answers that are no HTTP/1.1 with Content-Length."""
        answer = cls(behaviour="raw")
        answer.body = data
        return answer

    @classmethod
    def icy_stream(cls, titles, metaint=8192, seconds=None, stall=False):
        answer = cls(behaviour="icy_stream")
        answer.titles = [t.encode("utf-8") if isinstance(t, str) else t for t in titles]
        answer.metaint, answer.seconds, answer.stall = metaint, seconds, stall
        return answer

    def encode(self):
        lines = [f"HTTP/1.1 {self.status} {self.reason}"]
        lines += [f"{name}: {value}" for name, value in self.headers]
        if self.status != 204 and not (100 <= self.status < 200):
            lines.append(f"Content-Length: {len(self.body)}")
        head = "\r\n".join(lines) + "\r\n\r\n"
        return head.encode("latin-1") + self.body


class RecordedRequest:
    """One request as it arrived: the raw request line, header lines in order, body bytes."""

    def __init__(self, connection_id, request_line, header_lines, body):
        self.arrived = time.monotonic()  # when its head had been read whole
        self.connection_id = connection_id
        self.request_line = request_line
        self.header_lines = header_lines
        self.body = body
        self.received_at = time.monotonic()
        self.answered_with = None  # set by answers that choose by the request
        # A target holding a space would split into more than three parts; the version is last.
        parts = request_line.split(" ")
        self.method = parts[0]
        self.version = parts[-1] if len(parts) > 2 else ""
        self.target = " ".join(parts[1:-1]) if len(parts) > 2 else " ".join(parts[1:])

    def headers(self, name):
        """Every value of the header `name` (case-insensitive), in order."""
        wanted = name.lower()
        values = []
        for line in self.header_lines:
            key, _, value = line.partition(":")
            if key.strip().lower() == wanted:
                values.append(value.strip())
        return values

    def header(self, name):
        values = self.headers(name)
        return values[0] if values else None

    def __repr__(self):
        return f"RecordedRequest({self.connection_id}, {self.request_line!r}, {self.header_lines!r}, {self.body!r})"


class _ConnectionClosed(Exception):
    pass


class RecordingServer:
    """See the module docstring. Use as a context manager; stop() is idempotent."""

    def __init__(self, script=(), default=None, certfile=None, keyfile=None, port=0, bind_host="127.0.0.1"):
        self._script = list(script)
        self._default = default or Answer(200)
        self._tls = None
        if certfile:
            self._tls = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
            self._tls.load_cert_chain(certfile, keyfile)
        self._lock = threading.Lock()
        self._changed = threading.Condition(self._lock)
        self._stopping = threading.Event()
        self._threads = []
        self._sockets = []
        self.requests = []
        self.tls_failures = []
        self.connections = 0
        family = socket.AF_INET6 if ":" in bind_host else socket.AF_INET
        self._listener = socket.socket(family, socket.SOCK_STREAM)
        self._listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self._listener.bind((bind_host, port))
        self._listener.listen(16)
        self._listener.settimeout(0.2)
        self.port = self._listener.getsockname()[1]
        self._acceptor = threading.Thread(target=self._accept_loop, daemon=True)
        self._acceptor.start()

    def __enter__(self):
        return self

    def __exit__(self, *_):
        self.stop()

    def stop(self):
        self._stopping.set()
        self._acceptor.join()
        self._listener.close()
        with self._lock:
            sockets = list(self._sockets)
        for s in sockets:
            try:
                s.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass
        for thread in list(self._threads):
            thread.join(5)

    def answer_from_now_on(self, answer):
        """Every further request gets `answer` (the script, if any is left, first)."""
        with self._lock:
            self._default = answer

    def wait_for_requests(self, count, timeout=20.0):
        """The first `count` recorded requests; raises TimeoutError when fewer arrive in time."""
        deadline = time.monotonic() + timeout
        with self._changed:
            while len(self.requests) < count:
                left = deadline - time.monotonic()
                if left <= 0:
                    raise TimeoutError(f"{len(self.requests)} of {count} requests arrived: {self.requests!r}")
                self._changed.wait(left)
            return list(self.requests[:count])

    def _next_answer(self):
        with self._lock:
            if self._script:
                return self._script.pop(0)
            return self._default

    def _accept_loop(self):
        connection_id = 0
        while not self._stopping.is_set():
            try:
                client, _ = self._listener.accept()
            except socket.timeout:
                continue
            except OSError:
                return
            connection_id += 1
            with self._lock:
                self.connections += 1
                self._sockets.append(client)
            thread = threading.Thread(target=self._serve, args=(client, connection_id), daemon=True)
            self._threads.append(thread)
            thread.start()

    def _serve(self, client, connection_id):
        client.settimeout(READ_TIMEOUT)
        try:
            if self._tls:
                try:
                    client = self._tls.wrap_socket(client, server_side=True)
                except (ssl.SSLError, OSError) as error:
                    with self._changed:
                        self.tls_failures.append(repr(error))
                        self._changed.notify_all()
                    return
                with self._lock:
                    self._sockets.append(client)
            self._serve_requests(client, connection_id)
        except (_ConnectionClosed, OSError):
            pass
        finally:
            try:
                client.close()
            except OSError:
                pass

    def _serve_requests(self, client, connection_id):
        buffered = b""
        while not self._stopping.is_set():
            head, buffered = self._read_head(client, buffered)
            lines = head.decode("latin-1").split("\r\n")
            request = RecordedRequest(connection_id, lines[0], lines[1:], b"")
            length = int(request.header("Content-Length") or 0)
            while len(buffered) < length:
                buffered += self._receive(client)
            request.body, buffered = buffered[:length], buffered[length:]
            answer = self._next_answer()
            if answer.behaviour == "by_request":
                answer = _chosen_answer(answer, request)
            with self._changed:
                self.requests.append(request)
                self._changed.notify_all()
            if answer.behaviour == "close":
                return
            if answer.behaviour == "never":
                self._stopping.wait()
                return
            if answer.behaviour == "garbage":
                client.sendall(b"this is no status line\r\n\r\n")
                return
            if answer.behaviour == "raw":
                client.sendall(answer.body)
                return
            if answer.behaviour in _MISBEHAVIOURS:
                _MISBEHAVIOURS[answer.behaviour](self, client, answer)
                return
            client.sendall(answer.encode())

    def _read_head(self, client, buffered):
        while b"\r\n\r\n" not in buffered:
            if len(buffered) > MAX_HEAD_BYTES:
                raise _ConnectionClosed()
            buffered += self._receive(client)
        head, _, rest = buffered.partition(b"\r\n\r\n")
        return head, rest

    def _receive(self, client):
        data = client.recv(65536)
        if not data:
            raise _ConnectionClosed()
        return data


def _send_trickled(server, client, answer):
    """A well-formed head, one byte at a time, spread over answer.seconds; then close."""
    head = Answer(200, headers=[("X-Padding", "p" * 64)]).encode()
    pause = answer.seconds / len(head)
    for index in range(len(head)):
        if server._stopping.wait(pause):
            return
        client.sendall(head[index:index + 1])


def _send_huge(server, client, answer):
    """A 200 head announcing answer.megabytes of body, then the body for as long as the client
    takes it. A client that never reads ends it by closing the connection."""
    size = answer.megabytes * 1024 * 1024
    client.sendall(f"HTTP/1.1 200 OK\r\nContent-Length: {size}\r\n\r\n".encode("latin-1"))
    chunk = b"x" * 65536
    sent = 0
    client.settimeout(2.0)
    while sent < size and not server._stopping.is_set():
        try:
            client.sendall(chunk)
        except socket.timeout:
            continue  # the client is not reading; keep the body waiting until it closes
        sent += len(chunk)


def _send_reset(server, client, answer):
    """Half a status line, then an abortive close, so the client sees a reset mid-answer."""
    client.sendall(b"HTTP/1.1 20")
    client.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
    client.close()


def _chosen_answer(answer, request):
    """What `answer.choose` picks for the request; a fault in it becomes a 500 naming the fault,
    recorded in answered_with, rather than a silently dropped connection."""
    try:
        chosen = answer.choose(request)
        if not isinstance(chosen, Answer) or chosen.behaviour == "by_request":
            raise TypeError(f"chose {chosen!r}, not a plain Answer")
        return chosen
    except Exception as error:  # noqa: BLE001 - any fault of the chooser is the test's to see
        request.answered_with = f"answer failed: {error!r}"
        return Answer(500, body=request.answered_with)


def _answer_like_shoutcast_v1(request):
    """Shoutcast v1 tells browsers from players by the User-Agent alone: a browser gets the
    admin page, anything else the stream, which a Windows client rejects as no HTTP answer."""
    if "Mozilla" in (request.header("User-Agent") or ""):
        request.answered_with = "admin page"
        page = b"<html><body>admin page</body></html>"
        return Answer._raw(b"HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n" + page)
    request.answered_with = "stream"
    return _shoutcast_v1_stream()


def _shoutcast_v1_stream():
    """A v1 server's stream answer: "ICY 200 OK", a little audio, then close."""
    return Answer._raw(b"ICY 200 OK\r\nicy-name:test stream\r\ncontent-type:audio/mpeg\r\nicy-br:128\r\n\r\n"
                       + bytes([0xFF, 0xFB, 0x90, 0xC4]) + bytes(413))


def _send_icy_stream(server, client, answer):
    """A stream answer with icy-metaint, its titles in the first metadata blocks."""
    client.sendall(f"HTTP/1.0 200 OK\r\nContent-Type: audio/mpeg\r\nicy-metaint: {answer.metaint}\r\n\r\n"
                   .encode("latin-1"))
    ends = None if answer.seconds is None else time.monotonic() + answer.seconds
    blocks = [b"StreamTitle='" + title + b"';" for title in answer.titles]
    while ends is None or time.monotonic() < ends:
        if not blocks and answer.stall:
            server._stopping.wait()
            return
        metadata = blocks.pop(0) if blocks else b""
        metadata += bytes(-len(metadata) % 16)
        client.sendall(bytes(answer.metaint) + bytes([len(metadata) // 16]) + metadata)
        if server._stopping.wait(0.2):
            return


_MISBEHAVIOURS = {"trickle": _send_trickled, "huge": _send_huge, "reset": _send_reset,
                  "icy_stream": _send_icy_stream}
