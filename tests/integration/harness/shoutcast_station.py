"""A stand-in for a Shoutcast DNAS v1 (1.9.x) server: a station's stream and what the server
answers about it, for the recording server to serve.

    from harness.recording_server import Answer, RecordingServer
    from harness.shoutcast_station import ShoutcastStation

    station = ShoutcastStation(password="dj-pass", sids={1: "Current Title"})
    with RecordingServer(default=Answer.shoutcast_v1(station)) as server:
        ...                                   # let the program under test send its update
        request = server.wait_for_requests(1)[0]
        request.answered_with                 # "updinfo accepted", "updinfo wrong password", ...
        station.title(1)                      # the stream's current title

DNAS 1.9 is closed, so it has only this stand-in; tests of DNAS 2 use the real DNAS 2.6
(harness/dnas.py). Where the published facts leave a case open, the stand-in answers it in one
defined way and says so ("stand-in's choice").

A station: `password` (the DJ's source password) and `sids` (each stream's id and its current
title, or None for a stream without a source; default {1: ""}). A v1 server has one stream: the
station's lowest sid. It is thread-safe. `title(sid=1)` reads a stream's current title (None: no
source), `set_title(sid, title)` changes it as another source would (None: the source leaves; an
unknown sid becomes a new stream).

`request.answered_with` records what the stand-in did:
    updates             "updinfo accepted", "updinfo same title", "updinfo no song",
                        "updinfo no source", "updinfo no such sid", "updinfo wrong password"
    other requests      "stream" (no "Mozilla" in the User-Agent), "7.html", "404" (a path,
                        admin mode or method it does not know)
"""
import threading
import urllib.parse
from xml.sax.saxutils import escape

from .recording_server import Answer

NOT_FOUND_PAGE = b"<html><body>Not Found</body></html>"

# The numbers /7.html shows beside the title. Only the field order is published; these values
# are the stand-in's own: no listeners, a 128 kbit/s stream while a source is connected.
MAX_LISTENERS = 32
BITRATE = 128


class ShoutcastStation:
    """See the module docstring."""

    def __init__(self, password="dj-pass", sids=None):
        sids = {1: ""} if sids is None else dict(sids)
        for sid, title in sids.items():
            _check_stream(sid, title)
        if password is not None and not isinstance(password, str):
            raise TypeError(f"password must be a str or None, not {password!r}")
        self.password = password
        self._titles = sids
        self._lock = threading.Lock()

    def title(self, sid=1):
        """The stream's current title; None while it has no source. KeyError for an unknown sid."""
        with self._lock:
            if sid not in self._titles:
                raise KeyError(f"the station has no stream {sid!r}; it has {sorted(self._titles)}")
            return self._titles[sid]

    def set_title(self, sid, title):
        """The stream's title as another source would set it (None: no source)."""
        _check_stream(sid, title)
        with self._lock:
            self._titles[sid] = title

    def answer_v1(self, request):
        """The DNAS 1.9 answer to `request`. Returns None for the stream answer, which the recording
        server sends itself; records what it did in request.answered_with."""
        # The v1 browser rule: without "Mozilla" in the User-Agent every request gets the stream.
        if "Mozilla" not in (request.header("User-Agent") or ""):
            request.answered_with = "stream"
            return None
        path, query = _split_target(request.target)
        if request.method != "GET":
            return _not_found(request)
        with self._lock:
            sid = min(self._titles) if self._titles else None  # v1 has one stream; sid= is ignored
        if path == "/admin.cgi" and query.get("mode") == "updinfo":
            # The one unknown: v1's answer to an update is not published. The stand-in answers
            # every one like DNAS 2 does, with an empty 200. pass= carries the password, compared
            # whole; no title filter is published for v1, so it has none.
            if query.get("pass") and query.get("pass") == self.password:
                request.answered_with = self._update(sid, query.get("song", ""))
            else:
                request.answered_with = "updinfo wrong password"
            return Answer(200)
        if path == "/7.html":
            # listeners,status,peak,max,unique,bitrate,title; no cache is published for v1.
            with self._lock:
                title = self._titles.get(sid)
            request.answered_with = "7.html"
            return _seven_html(title)
        return _not_found(request)

    def _update(self, sid, song):
        """Sets the stream's title when the server would; returns what happened."""
        with self._lock:
            if sid not in self._titles:
                return "updinfo no such sid"
            if self._titles[sid] is None:
                return "updinfo no source"  # accepted, and nothing changes
            if not song:
                return "updinfo no song"  # missing or empty: nothing changes (stand-in's choice)
            if song == self._titles[sid]:
                return "updinfo same title"
            self._titles[sid] = song
            return "updinfo accepted"


def _check_stream(sid, title):
    if not isinstance(sid, int) or isinstance(sid, bool) or sid < 0:
        raise TypeError(f"a sid is an int of 0 or more, not {sid!r}")
    if title is not None and not isinstance(title, str):
        raise TypeError(f"a title is a str or None (no source), not {title!r}")


def _split_target(target):
    """The path and the query's parameters. Names and values are percent-decoded as UTF-8 ("+" is
    a space; bytes that are no UTF-8 become U+FFFD); the first of repeated names counts."""
    path, _, query = target.partition("?")
    query = query.partition("#")[0]
    parameters = {}
    for field in query.split("&"):
        if not field:
            continue
        name, _, value = field.partition("=")
        name = urllib.parse.unquote_plus(name, encoding="utf-8", errors="replace")
        parameters.setdefault(name, urllib.parse.unquote_plus(value, encoding="utf-8", errors="replace"))
    return path, parameters


def _xml_escape(text):
    return escape(text, {'"': "&quot;", "'": "&apos;"})


def _seven_html(title):
    """/7.html: listeners,status,peak,max,unique,bitrate,title, the title XML-escaped and the last
    field, so a comma inside it stays as it is."""
    live = title is not None
    fields = [0, int(live), 0, MAX_LISTENERS, 0, BITRATE if live else 0]
    line = ",".join(str(f) for f in fields) + "," + _xml_escape(title or "")
    return Answer(200, body=f"<html><body>{line}</body></html>",
                  headers=[("Content-Type", "text/html; charset=utf-8")])


def _not_found(request):
    request.answered_with = "404"
    body = b"" if request.method == "HEAD" else NOT_FOUND_PAGE  # a HEAD answer carries no body
    return Answer(404, body=body, headers=[("Content-Type", "text/html")])
