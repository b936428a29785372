"""Source clients that feed an Icecast mount with a live stream: MP3 over HTTP, MP3 over the
ICY (shoutcast-compat) login, and Ogg Opus over HTTP. Each streams silence at about its real
bitrate from a thread until stopped, so the mount stays live and listeners get data."""
import select
import socket
import struct
import threading
import time

from .icecast import basic_authorization

CONNECT_TIMEOUT = 5.0
# How far the source may run ahead of real time; Icecast keeps a listener burst from it.
LEAD_SECONDS = 0.5
# How long a Shoutcast-style login waits for the server's answer before it sends another frame.
ICY_ANSWER_POLL = 0.2


class SourceRefused(RuntimeError):
    """The server did not take the source (wrong password, mount in use, ...)."""


# MPEG-1 Layer III, 128 kbit/s, 44.1 kHz, mono: 1152 samples per frame. A frame with all-zero
# side information and main data decodes as silence.
MP3_SAMPLE_RATE = 44100
MP3_BITRATE = 128000
MP3_SAMPLES_PER_FRAME = 1152


def mp3_frames():
    """Yields (frame bytes, duration in seconds), padding frames as the bitrate requires."""
    exact = 144 * MP3_BITRATE / MP3_SAMPLE_RATE
    remainder = 0.0
    duration = MP3_SAMPLES_PER_FRAME / MP3_SAMPLE_RATE
    while True:
        remainder += exact - int(exact)
        padding = 1 if remainder >= 1.0 else 0
        remainder -= padding
        header = bytes([0xFF, 0xFB, 0x90 | (padding << 1), 0xC4])
        yield header + bytes(int(exact) + padding - len(header)), duration


# Ogg (RFC 3533) with an Opus stream (RFC 7845). Icecast reads the pages, not the audio.
_OGG_CRC_TABLE = []
for _byte in range(256):
    _crc = _byte << 24
    for _ in range(8):
        _crc = ((_crc << 1) ^ 0x04C11DB7) if _crc & 0x80000000 else (_crc << 1)
    _OGG_CRC_TABLE.append(_crc & 0xFFFFFFFF)


def ogg_crc(data):
    crc = 0
    for byte in data:
        crc = ((crc << 8) & 0xFFFFFFFF) ^ _OGG_CRC_TABLE[((crc >> 24) & 0xFF) ^ byte]
    return crc


def ogg_page(packets, serial, sequence, granule, flags=0):
    """One Ogg page holding whole packets (each under 255 * 255 bytes in total)."""
    lacing = bytearray()
    for packet in packets:
        lacing += bytes([255] * (len(packet) // 255)) + bytes([len(packet) % 255])
    body = b"".join(packets)
    header = struct.pack("<4sBBqIIIB", b"OggS", 0, flags, granule, serial, sequence, 0, len(lacing))
    page = bytearray(header + lacing + body)
    struct.pack_into("<I", page, 22, ogg_crc(page))
    return bytes(page)


OPUS_SILENCE_PACKET = b"\xf8\xff\xfe"  # one 20 ms CELT frame of silence
OPUS_PACKETS_PER_PAGE = 10
OPUS_PRE_SKIP = 312


def ogg_opus_pages(serial=0x5A4C4B31):
    """Yields (page bytes, duration in seconds): the two header pages, then silent audio pages."""
    head = struct.pack("<8sBBHIhB", b"OpusHead", 1, 1, OPUS_PRE_SKIP, 48000, 0, 0)
    vendor = b"zenlark test source"
    tags = b"OpusTags" + struct.pack("<I", len(vendor)) + vendor + struct.pack("<I", 0)
    yield ogg_page([head], serial, 0, 0, flags=0x02), 0.0
    yield ogg_page([tags], serial, 1, 0), 0.0
    sequence = 2
    granule = OPUS_PRE_SKIP
    while True:
        granule += 960 * OPUS_PACKETS_PER_PAGE
        yield ogg_page([OPUS_SILENCE_PACKET] * OPUS_PACKETS_PER_PAGE, serial, sequence, granule), \
            0.02 * OPUS_PACKETS_PER_PAGE
        sequence += 1


def _read_header_block(sock, limit=8192):
    """Reads until an empty line or the end of the stream; returns the bytes read."""
    data = b""
    while b"\r\n\r\n" not in data and len(data) < limit:
        chunk = sock.recv(1024)
        if not chunk:
            break
        data += chunk
    return data


class StreamingSource:
    """A source connection that streams paced chunks from a thread until stop()."""

    content_type = "audio/mpeg"

    def __init__(self, server, mount, bind_address=None, password=None, username="source",
                 name="zenlark test source", wait_live=True):
        self.server = server
        self.mount = mount
        self.bind_address = bind_address
        self.password = server.source_password if password is None else password
        self.username = username
        self.name = name
        self.wait_live = wait_live
        self.error = None
        self.bytes_sent = 0
        self._socket = None
        self._thread = None
        self._chunks = self.chunks()
        self._stopping = threading.Event()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.stop()
        return False

    def port(self):
        return self.server.port

    def start(self):
        """Connects and logs in; raises SourceRefused if the server does not take the source.
        Returns once the mount is listed as live (unless wait_live is false)."""
        sock = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        try:
            if self.bind_address:
                sock.bind((self.bind_address, 0))
            sock.settimeout(CONNECT_TIMEOUT)
            sock.connect((self.server.host, self.port()))
            self.login(sock)
        except BaseException:
            sock.close()
            raise
        self._socket = sock
        self._thread = threading.Thread(target=self._stream, name=f"source {self.mount}", daemon=True)
        self._thread.start()
        if self.wait_live:
            self.server.wait_for_mount(self.mount)
        return self

    def stop(self):
        self._stopping.set()
        if self._thread is not None:
            self._thread.join(5.0)
            self._thread = None
        if self._socket is not None:
            try:
                self._socket.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass
            self._socket.close()
            self._socket = None

    @property
    def streaming(self):
        return self._thread is not None and self._thread.is_alive() and self.error is None

    def login(self, sock):
        raise NotImplementedError

    def chunks(self):
        raise NotImplementedError

    def _http_source_login(self, sock):
        request = (f"SOURCE {self.mount} HTTP/1.0\r\n"
                   f"Host: {self.server.host}:{self.server.port}\r\n"
                   f"Authorization: {basic_authorization(self.username, self.password)}\r\n"
                   "User-Agent: zenlark-test-source\r\n"
                   f"Content-Type: {self.content_type}\r\n"
                   f"Ice-Name: {self.name}\r\n"
                   "Ice-Public: 0\r\n"
                   "\r\n")
        sock.sendall(request.encode("utf-8"))
        answer = _read_header_block(sock)
        status_line = answer.split(b"\r\n", 1)[0]
        parts = status_line.split()
        if len(parts) < 2 or parts[1] != b"200":
            raise SourceRefused(f"{self.mount}: {status_line.decode('latin-1')!r}")

    def _stream(self):
        due = time.monotonic()
        try:
            for chunk, duration in self._chunks:
                if self._stopping.is_set():
                    return
                wait = due - LEAD_SECONDS - time.monotonic()
                if wait > 0 and self._stopping.wait(wait):
                    return
                self._socket.sendall(chunk)
                self.bytes_sent += len(chunk)
                due += duration
        except OSError as error:
            if not self._stopping.is_set():
                self.error = error


class Mp3Source(StreamingSource):
    """MP3 source through Icecast's SOURCE request on the HTTP port."""

    def login(self, sock):
        self._http_source_login(sock)

    def chunks(self):
        return mp3_frames()


class ShoutcastSource(StreamingSource):
    """MP3 source through the ICY login on the shoutcast-compat port: the password line, the
    server's "OK2", then the stream headers. It feeds the server's shoutcast mount. A server
    that answers only once more than the password has arrived (server.icy_ok2_before_headers
    false) gets the headers at once and then audio until it answers."""

    def __init__(self, server, mount=None, **options):
        super().__init__(server, mount or server.shoutcast_mount, **options)

    def port(self):
        return self.server.shoutcast_port

    def login(self, sock):
        password = self.password.encode("utf-8") + b"\r\n"
        headers = ("content-type:audio/mpeg\r\n"
                   f"icy-name:{self.name}\r\n"
                   "icy-pub:0\r\n"
                   f"icy-br:{MP3_BITRATE // 1000}\r\n"
                   "\r\n").encode("utf-8")
        if self.server.icy_ok2_before_headers:
            sock.sendall(password)
            self._expect_ok2(_read_header_block(sock))
            sock.sendall(headers)
            return
        sock.sendall(password + headers)
        self._expect_ok2(self._answer_while_streaming(sock))

    def _answer_while_streaming(self, sock):
        """The server's answer, read while audio frames keep arriving there: such a server looks
        at what it already holds only when more comes in."""
        deadline = time.monotonic() + CONNECT_TIMEOUT
        while not select.select([sock], [], [], ICY_ANSWER_POLL)[0]:
            if time.monotonic() > deadline:
                raise SourceRefused("ICY login: no answer")
            frame, _ = next(self._chunks)
            sock.sendall(frame)
        return _read_header_block(sock)

    @staticmethod
    def _expect_ok2(answer):
        if not answer.startswith(b"OK2"):
            raise SourceRefused(f"ICY login: {answer[:80]!r}")

    def chunks(self):
        return mp3_frames()


class OggSource(StreamingSource):
    """Ogg Opus source through Icecast's SOURCE request on the HTTP port."""

    content_type = "audio/ogg"

    def login(self, sock):
        self._http_source_login(sock)

    def chunks(self):
        return ogg_opus_pages()
