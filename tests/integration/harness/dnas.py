"""The real Shoutcast DNAS 2.6 (sc_serv, built from ../shared/peers) for tests, on free loopback ports.

    with DnasServer() as dnas:                    # stream 1 on /live; DnasServer(streams=(1, 2)) for more
        dnas.start_shoutcast_source()             # a v1 source on dnas.shoutcast_port (port + 1) feeds stream 1
        listener = dnas.listen()                  # ICY listener on stream 1's path, /live
        ...                                       # admin.cgi?sid=1&mode=updinfo&song=...&pass=... on dnas.port
        dnas.wait_for_title("Artist - Title")     # read through /currentsong?sid=1, which is never cached

`source_password` is the DJ's password, `admin_password` the admin's; both take title updates.
Every file the server writes (its configuration, logs, ban and rip lists, pid file) stays in
its workdir. Its other status pages are cached per wall-clock second, and any path it does not
know answers with the stream itself, without end: every page here is read with a size limit.
"""
import os
import secrets
import shutil
import tempfile
import urllib.error
import urllib.request
import xml.etree.ElementTree as ElementTree

from . import peers
from .server_process import LoopbackServer
from .waiting import free_port_pair, wait_for

START_TIMEOUT = 10.0
PAGE_LIMIT = 65536


class DnasError(RuntimeError):
    pass


class DnasServer(LoopbackServer):
    """Shoutcast DNAS 2.6 on 127.0.0.1 with one stream per sid in `streams`, stream N on
    `stream_path(N)`, taking `max_listeners[N]` listeners where given. `port` takes listeners, admin.cgi, the status pages and v2 sources;
    `shoutcast_port` (port + 1) takes v1 sources, whose password line says the stream."""

    start_error = DnasError

    def __init__(self, streams=(1,), max_listeners=None):
        super().__init__()
        self.workdir = tempfile.mkdtemp(prefix="dnas-")
        self.host = "127.0.0.1"
        self.port = None
        self.streams = tuple(streams)
        self.max_listeners = dict(max_listeners or {})  # {sid: N}: N listeners into that stream
        self.source_password = "dj-" + secrets.token_hex(6)
        self.admin_password = "adm-" + secrets.token_hex(6)
        self._binary = None

    @property
    def shoutcast_port(self):
        return self.port + 1

    @property
    def shoutcast_mount(self):
        return self.stream_path(self.streams[0])

    @property
    def base_url(self):
        return f"http://{self.host}:{self.port}"

    def url(self, path):
        return self.base_url + path

    @staticmethod
    def stream_path(sid):
        return "/live" if sid == 1 else f"/live{sid}"

    def listen_url(self, sid=1):
        return self.url(self.stream_path(sid))

    # Sources and listeners bound to this server

    def start_shoutcast_source(self, sid=None, **options):
        """A v1 source on stream `sid` (the first stream by default)."""
        from .sources import ShoutcastSource
        sid = self.streams[0] if sid is None else sid
        options.setdefault("password", f"{self.source_password}:#{sid}")
        return self.adopt(ShoutcastSource(self, mount=self.stream_path(sid), **options)).start()

    def listen(self, mount="/live"):
        """An ICY listener on the stream at mount (stream 1's path by default)."""
        from .listener import Listener
        return self.adopt(Listener(self.url(mount))).start()

    # Server state, read through its public pages

    def get(self, path, timeout=5.0):
        """GETs a path; returns (status, at most PAGE_LIMIT bytes of the body)."""
        try:
            with urllib.request.urlopen(self.url(path), timeout=timeout) as answer:
                return answer.status, answer.read(PAGE_LIMIT)
        except urllib.error.HTTPError as error:
            return error.code, error.read(PAGE_LIMIT)

    def current_title(self, sid=1):
        """The stream's title now ("" with no title or no source)."""
        status, body = self.get(f"/currentsong?sid={sid}")
        if status != 200:
            raise DnasError(f"/currentsong?sid={sid} answered {status}: {body[:200]!r}")
        return body.decode("utf-8", "replace")

    def source_connected(self, sid=1):
        """Whether the stream has a source (from /stats, which may be up to a second old)."""
        status, body = self.get(f"/stats?sid={sid}")
        return status == 200 and ElementTree.fromstring(body).findtext("STREAMSTATUS") == "1"

    def wait_for_mount(self, mount, timeout=5.0):
        sid = next(sid for sid in self.streams if self.stream_path(sid) == mount)
        wait_for(lambda: self.source_connected(sid), timeout, description=f"a source on DNAS stream {sid}")

    def wait_for_title(self, title, sid=1, timeout=5.0):
        return wait_for(lambda: self.current_title(sid) == title, timeout,
                        description=lambda: f"title {title!r} on DNAS stream {sid} (now {self.current_title(sid)!r})")

    # Process and configuration

    def _path(self, name):
        return os.path.join(self.workdir, name)

    def _prepare(self):
        self._binary = peers.DNAS.binary()

    def _choose_ports(self):
        self.port = free_port_pair(self.host)
        return True

    def _ports(self):
        return (self.port, self.shoutcast_port)

    def _remove_workdir(self):
        shutil.rmtree(self.workdir, ignore_errors=True)

    def _write_config(self):
        lines = [f"portbase={self.port}", f"srcip={self.host}", f"destip={self.host}",
                 f"password={self.source_password}", f"adminpassword={self.admin_password}",
                 "publicserver=never"]
        for index, sid in enumerate(self.streams, 1):
            lines += [f"streamid_{index}={sid}", f"streampath_{index}={self.stream_path(sid)}"]
            if sid in self.max_listeners:
                lines.append(f"streammaxuser_{index}={self.max_listeners[sid]}")
        for key, name in (("logfile", "sc_serv.log"), ("w3clog", "sc_w3c.log"), ("banfile", "sc_serv.ban"),
                          ("ripfile", "sc_serv.rip"), ("agentfile", "sc_serv.agent"),
                          ("adminfile", "sc_serv.admin"), ("pidfile", "sc_serv.pid")):
            lines.append(f"{key}={self._path(name)}")
        with open(self._path("sc_serv.conf"), "w", encoding="utf-8") as out:
            out.write("\n".join(lines) + "\n")

    def _launch(self):
        self._write_config()
        self._run_until_it_answers([self._binary, self._path("sc_serv.conf")], self._path("sc_serv.out"),
                                   START_TIMEOUT, cwd=self.workdir)

    def _answers(self):
        try:
            status, _ = self.get(f"/currentsong?sid={self.streams[0]}", timeout=1.0)
        except OSError:
            return False
        return status == 200

    def _startup_output(self):
        # With its screen log on, the server's output holds its whole log.
        try:
            with open(self._path("sc_serv.out"), encoding="utf-8", errors="replace") as out:
                return out.read()[-4000:]
        except OSError:
            return ""
