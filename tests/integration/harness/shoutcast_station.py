"""Stand-ins for Shoutcast DNAS v2 (2.6) and v1 (1.9.x) servers: a station's streams and what the
server answers about them, for the recording server to serve.

    from harness.recording_server import Answer, RecordingServer
    from harness.shoutcast_station import ShoutcastStation

    station = ShoutcastStation(password="dj-pass", admin_password="admin-pass",
                               sids={1: "Current Title", 2: None})
    with RecordingServer(default=Answer.shoutcast_v2(station)) as server:
        ...                                   # let the program under test send its update
        request = server.wait_for_requests(1)[0]
        request.answered_with                 # "updinfo accepted", "401", ...
        station.title(1)                      # the stream's current title

Tests use the real DNAS 2.6 (harness/dnas.py) wherever it shows the same; DNAS 1.9 is closed and
has only this stand-in. Every answer stands for a fact published with DNAS 2.6's source and
documentation, and the comments say which. Where those facts leave a case open, the stand-in
still answers it in one defined way and says so ("stand-in's choice"); the real server differs
in some of them (it takes the Icecast form of the update, and answers an unknown path with the
stream).

A station: `password` (the DJ's source password), `admin_password`, `sids` (each stream's id and
its current title, or None for a stream without a source; default {1: ""}), `private_stats`
(statistics pages only with pass=), `allowed` (False: this client may not administer, so every
admin.cgi answer is 403), `cache_seconds` (how old /stats and /7.html may be; 1.0). It is
thread-safe. `title(sid=1)` reads a stream's current title (None: no source), `set_title(sid,
title)` changes it as another source would (None: the source leaves; an unknown sid becomes a
new stream).

The v1 stand-in has one stream, the station's lowest sid, and uses only `password`;
`admin_password`, `private_stats`, `allowed` and `cache_seconds` are DNAS 2 facts and do not
apply to it.

`request.answered_with` records what the stand-in did:
    v2 and v1 updates   "updinfo accepted", "updinfo refused by filter", "updinfo same title",
                        "updinfo no song", "updinfo no source", "updinfo no such sid" (v2),
                        "updinfo wrong password" (v1), "401", "403" (v2)
    v2 public pages     "currentsong", "stats", "7.html", each with " no such sid" appended for a
                        sid that does not exist, or "private stats redirect"
    v1                  "stream" (no "Mozilla" in the User-Agent), "7.html"
    both                "404" (a path, admin mode or method it does not know)
"""
import base64
import binascii
import re
import threading
import time
import urllib.parse
from xml.sax.saxutils import escape

from .recording_server import Answer

# DNAS 2.6 refuses these titles silently (its title filter): the whole title, case-insensitively...
REFUSED_TITLES = frozenset({"test", "unknown", "demo", "preview", "dsp", "auto dj", "-"})
# ... a title beginning with one of these, case-insensitively ...
REFUSED_BEGINNINGS = ("artist - ", "track ", "stream ", "no artist ", "line-in ", "get /")
# ... and a title beginning with most punctuation. Published by name: - ( [ ' . _ * + ?. The
# stand-in adds the rest of ASCII punctuation except $ % &, so that it refuses "most", not all.
REFUSED_FIRST_CHARACTERS = frozenset("-([\'._*+?" + "!\"#),/:;<=>@\\]^`{|}~")

UNAUTHORIZED_PAGE = b"<html><head>Unauthorized<title>Shoutcast Administrator</title></head></html>"
NOT_FOUND_PAGE = b"<html><body>Not Found</body></html>"

# The numbers /7.html shows beside the title. Only the field order is published; these values
# are the stand-in's own: no listeners, a 128 kbit/s stream while a source is connected.
MAX_LISTENERS = 32
BITRATE = 128

_SID = re.compile(r"[0-9]{1,9}")


def refused_by_filter(title):
    """True for a title DNAS 2.6's title filter refuses (see the lists above). Compared as sent,
    without trimming spaces (the stand-in's choice; the filter's handling of them is not published)."""
    lowered = title.lower()
    return (lowered in REFUSED_TITLES or lowered.startswith(REFUSED_BEGINNINGS)
            or title[:1] in REFUSED_FIRST_CHARACTERS)


class ShoutcastStation:
    """See the module docstring."""

    def __init__(self, password="dj-pass", admin_password="admin-pass", sids=None, private_stats=False,
                 allowed=True, cache_seconds=1.0):
        sids = {1: ""} if sids is None else dict(sids)
        for sid, title in sids.items():
            _check_stream(sid, title)
        for name, value in (("password", password), ("admin_password", admin_password)):
            if value is not None and not isinstance(value, str):
                raise TypeError(f"{name} must be a str or None, not {value!r}")
        self.password = password
        self.admin_password = admin_password
        self.private_stats = bool(private_stats)
        self.allowed = bool(allowed)
        self.cache_seconds = float(cache_seconds)
        self._titles = sids
        self._cache = {}  # (page, sid) -> (taken_at, whether the stream exists, its title then)
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

    # DNAS 2 --------------------------------------------------------------------------------------

    def answer_v2(self, request):
        """The DNAS 2.6 answer to `request`; records what it did in request.answered_with."""
        path, query = _split_target(request.target)
        if request.method != "GET":
            return _not_found(request)
        if path == "/admin.cgi":
            return self._admin_v2(request, query)
        if path in ("/currentsong", "/stats", "/7.html"):
            return self._public_page_v2(request, path, query)
        return _not_found(request)

    def _admin_v2(self, request, query):
        # An address not allowed to administer gets 403 whatever it asks (body not published;
        # the stand-in's is empty).
        if not self.allowed:
            request.answered_with = "403"
            return Answer(403, reason="Forbidden")
        if not self._authorized_v2(query, request.header("Authorization")):
            request.answered_with = "401"
            return Answer(401, body=UNAUTHORIZED_PAGE, headers=[("Content-Type", "text/html")])
        if query.get("mode") != "updinfo":
            return _not_found(request)  # only the update is modelled
        # DNAS 2.6 answers every authorised updinfo with an empty 200, whatever happened.
        request.answered_with = self._update(_sid(query), query.get("song", ""), use_filter=True)
        return Answer(200)

    def _authorized_v2(self, query, authorization):
        """DNAS 2.6's rule: pass= in the query wins; without it, Basic authorization for the user
        "admin". Either carries the source password or the admin password."""
        valid = self._valid_passwords()
        if "pass" in query:
            # The server splits a pass= holding ":" into user and password and compares only the
            # password. Split at the last ":", so the compared part never holds one: a password
            # that itself contains ":" cannot be matched through pass= (as published).
            return query["pass"].rpartition(":")[2] in valid
        user, password = _basic_credentials(authorization)
        return user == "admin" and password in valid

    def _public_page_v2(self, request, path, query):
        # With private statistics, these pages redirect to the admin page unless pass= carries a
        # valid password (Basic authorization does not open them).
        if self.private_stats and ("pass" not in query
                                   or query["pass"].rpartition(":")[2] not in self._valid_passwords()):
            request.answered_with = "private stats redirect"
            raw_sid = query.get("sid", "")
            location = "/admin.cgi?sid=" + raw_sid if _SID.fullmatch(raw_sid) else "/admin.cgi"
            return Answer(302, reason="Found", headers=[("Location", location)])
        sid = _sid(query)
        if path == "/currentsong":
            # The current title as UTF-8 plain text, fresh at every request; empty for a sid that
            # does not exist (and, the stand-in's choice, for a stream without a source).
            with self._lock:
                exists, title = sid in self._titles, self._titles.get(sid)
            request.answered_with = "currentsong" + ("" if exists else " no such sid")
            return Answer(200, body=(title or "").encode("utf-8"),
                          headers=[("Content-Type", "text/plain; charset=utf-8")])
        # /stats and /7.html come from a cache up to about a second old: the stand-in refreshes
        # a page's copy at most once every cache_seconds.
        exists, title = self._cached(path, sid)
        request.answered_with = path.lstrip("/") + ("" if exists else " no such sid")
        if path == "/stats":
            # Only <SONGTITLE> (the title XML-escaped) is published; the frame around it is the
            # stand-in's. A sid that does not exist shows an empty title (stand-in's choice).
            body = ('<?xml version="1.0" encoding="UTF-8" standalone="yes" ?><SHOUTCASTSERVER>'
                    f"<STREAMSTATUS>{int(title is not None)}</STREAMSTATUS>"
                    f"<SONGTITLE>{_xml_escape(title or '')}</SONGTITLE></SHOUTCASTSERVER>")
            return Answer(200, body=body, headers=[("Content-Type", "text/xml; charset=utf-8")])
        return _seven_html(title)

    def _cached(self, page, sid):
        now = time.monotonic()
        with self._lock:
            taken_at, exists, title = self._cache.get((page, sid), (None, False, None))
            if taken_at is None or now - taken_at >= self.cache_seconds:
                exists, title = sid in self._titles, self._titles.get(sid)
                self._cache[(page, sid)] = (now, exists, title)
            return exists, title

    def _valid_passwords(self):
        # An empty or absent password opens nothing (stand-in's choice).
        return {p for p in (self.password, self.admin_password) if p}

    # DNAS 1 --------------------------------------------------------------------------------------

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
                request.answered_with = self._update(sid, query.get("song", ""), use_filter=False)
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

    # Both ----------------------------------------------------------------------------------------

    def _update(self, sid, song, use_filter):
        """Sets the stream's title when the server would; returns what happened."""
        with self._lock:
            if sid not in self._titles:
                return "updinfo no such sid"
            if self._titles[sid] is None:
                return "updinfo no source"  # accepted, and nothing changes
            if not song:
                return "updinfo no song"  # missing or empty: nothing changes (stand-in's choice)
            if use_filter and refused_by_filter(song):
                return "updinfo refused by filter"  # the current title stays
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


def _sid(query):
    """The sid= stream number, or None when it is missing or no number: such a request names a
    stream that does not exist (stand-in's choice; DNAS's default for it is not published)."""
    raw = query.get("sid", "")
    return int(raw) if _SID.fullmatch(raw) else None


def _basic_credentials(authorization):
    """User and password of a Basic authorization; (None, None) when it is missing or malformed."""
    scheme, _, token = (authorization or "").strip().partition(" ")
    if scheme.lower() != "basic":
        return None, None
    try:
        decoded = base64.b64decode(token.strip(), validate=True).decode("utf-8")
    except (binascii.Error, ValueError):
        return None, None
    if ":" not in decoded:
        return None, None
    user, _, password = decoded.partition(":")
    return user, password


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
