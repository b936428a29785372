"""A real Icecast server for tests (Debian's 2.4, or 2.5 or Icecast-KH built from ../shared/peers):
writes its configuration, runs it on free loopback ports."""
import base64
import os
import secrets
import shutil
import signal
import tempfile
import urllib.error
import urllib.parse
import urllib.request
import xml.etree.ElementTree as ElementTree
from xml.sax.saxutils import escape

from . import peers
from .server_process import LoopbackServer
from .waiting import free_port_pair, wait_for

ICECAST_BINARY = os.environ.get("ZENLARK_ICECAST", "/usr/bin/icecast2")
ICECAST_SHARE = "/usr/share/icecast2"
START_TIMEOUT = 10.0


class IcecastError(RuntimeError):
    pass


class IcecastKind:
    """One Icecast server the harness runs: its program and shared files, and where it departs
    from 2.4 in the configuration or the Shoutcast source's login. All take 2.4's configuration."""

    def __init__(self, label, peer=None, default_mount=True, icy_ok2_before_headers=True):
        self.label = label
        self.peer = peer
        # Whether it reads <mount type="default"> (KH needs a mount name in every <mount>, and
        # reads URL titles as UTF-8 without being told).
        self.default_mount = default_mount
        self.icy_ok2_before_headers = icy_ok2_before_headers

    def binary(self):
        """The program; for a peer server, built first if missing (or PeerAbsent)."""
        return self.peer.binary() if self.peer else ICECAST_BINARY

    def share(self):
        return self.peer.path("share", "icecast") if self.peer else ICECAST_SHARE


ICECAST_24 = IcecastKind("Icecast 2.4")
# 2.5 answers a Shoutcast source's password only once more arrives after it (headers, audio).
ICECAST_25 = IcecastKind("Icecast 2.5", peers.ICECAST_25, icy_ok2_before_headers=False)
ICECAST_KH = IcecastKind("Icecast-KH", peers.ICECAST_KH, default_mount=False)


def basic_authorization(username, password):
    token = base64.b64encode(f"{username}:{password}".encode("utf-8")).decode("ascii")
    return f"Basic {token}"


def _element(name, value):
    return f"<{name}>{escape(str(value))}</{name}>"


class IcecastServer(LoopbackServer):
    """Icecast on 127.0.0.1 with distinct source and admin passwords.

    Use as a context manager: `with IcecastServer() as ice:`. The server has an HTTP port
    (`ice.port`, also the port of /admin/metadata and /admin.cgi) and a shoutcast-compat
    port one above it (`ice.shoutcast_port`) whose ICY sources feed `ice.shoutcast_mount`.
    Every mount reads URL updates as UTF-8, so non-ASCII titles arrive as their UTF-8 bytes.
    Sources and listeners made through this object are stopped with it.

    `kind` chooses the server (ICECAST_24, ICECAST_25, ICECAST_KH); a peer server whose sources
    are absent makes start() raise peers.PeerAbsent. `strict` (2.5 only) makes /admin/metadata
    refuse GET with 405, as an admin who sets its strict mode does. `max_listeners` ({mount: N})
    lets N listeners into each mount named; `clients` is the server's limit of connections, its
    sources and listeners included.

    `mounts` configures mounts of their own: each a name, or (name, {setting: value}) with the
    <mount> settings to write, such as {"fallback-mount": "/live2"} or {"charset": "ISO8859-1"}
    (a mount reads URL updates as UTF-8 unless its charset says otherwise).
    """

    start_error = IcecastError

    def __init__(self, workdir=None, shoutcast_mount="/stream", mounts=(), source_timeout=10, kind=ICECAST_24,
                 strict=False, max_listeners=None, clients=100):
        super().__init__()
        self.kind = kind
        self.strict = strict
        self.max_listeners = dict(max_listeners or {})
        self.clients = clients
        self.icy_ok2_before_headers = kind.icy_ok2_before_headers
        self._binary = None
        self._own_workdir = workdir is None
        self.workdir = tempfile.mkdtemp(prefix="icecast-") if workdir is None else workdir
        self.host = "127.0.0.1"
        self.port = None
        self.shoutcast_port = None
        self.shoutcast_mount = shoutcast_mount
        self.extra_mounts = tuple(mounts)
        self.source_timeout = source_timeout
        self.source_user = "source"
        self.source_password = "src-" + secrets.token_hex(6)
        self.admin_user = "admin"
        self.admin_password = "adm-" + secrets.token_hex(6)

    # Lifecycle

    def _prepare(self):
        self._binary = self.kind.binary()
        self._prepare_folders()

    def _choose_ports(self):
        self.port = free_port_pair(self.host)
        self.shoutcast_port = self.port + 1
        return True

    def _ports(self):
        return (self.port, self.shoutcast_port)

    def _remove_workdir(self):
        if self._own_workdir:
            shutil.rmtree(self.workdir, ignore_errors=True)

    # Addresses

    @property
    def base_url(self):
        return f"http://{self.host}:{self.port}"

    def url(self, path):
        return self.base_url + path

    # Sources and listeners bound to this server

    def start_mp3_source(self, mount="/live", bind_address=None, password=None, **options):
        from .sources import Mp3Source
        source = self.adopt(Mp3Source(self, mount, bind_address=bind_address, password=password, **options))
        source.start()
        return source

    def start_shoutcast_source(self, bind_address=None, password=None, **options):
        from .sources import ShoutcastSource
        source = self.adopt(ShoutcastSource(self, bind_address=bind_address, password=password, **options))
        source.start()
        return source

    def start_ogg_source(self, mount="/live.ogg", bind_address=None, password=None, **options):
        from .sources import OggSource
        source = self.adopt(OggSource(self, mount, bind_address=bind_address, password=password, **options))
        source.start()
        return source

    def listen(self, mount="/live"):
        from .listener import Listener
        listener = self.adopt(Listener(self.url(mount)))
        listener.start()
        return listener

    # Server state, read through the admin interface

    def admin_get(self, path, query=None, username=None, password=None, timeout=5.0):
        """GET an admin path; returns (status, body bytes). HTTP errors are returned, not raised."""
        target = path + ("?" + urllib.parse.urlencode(query) if query else "")
        request = urllib.request.Request(self.url(target))
        request.add_header("Authorization", basic_authorization(
            username or self.admin_user, self.admin_password if password is None else password))
        try:
            with urllib.request.urlopen(request, timeout=timeout) as answer:
                return answer.status, answer.read()
        except urllib.error.HTTPError as error:
            return error.code, error.read()

    def set_title(self, mount, title, user=None, password=None):
        """Sets the mount's title with the update the plug-in sends, as the source user (or `user`).
        As the plug-in does, it tries again while a reload (see change_source_password) resets it."""
        query = {"mount": mount, "mode": "updinfo", "song": title}
        user = user or self.source_user
        password = self.source_password if password is None else password

        def answer():
            try:
                return self.admin_get("/admin/metadata", query, username=user, password=password)
            except OSError:
                return None

        status, body = wait_for(answer, START_TIMEOUT, description=f"Icecast to answer the title update on {mount}")
        if status != 200:
            raise IcecastError(f"the title update answered {status}: {body[:200]!r}")

    def stats(self):
        """The parsed /admin/stats document."""
        status, body = self.admin_get("/admin/stats")
        if status != 200:
            raise IcecastError(f"/admin/stats answered {status}: {body[:200]!r}")
        return ElementTree.fromstring(body)

    def mounts(self):
        """The mounts that have a source right now."""
        return [source.get("mount") for source in self.stats().iter("source")]

    def current_title(self, mount="/live"):
        """The mount's current title as Icecast reports it, or None when it has none (or no source)."""
        for source in self.stats().iter("source"):
            if source.get("mount") == mount:
                return source.findtext("title")
        return None

    def wait_for_mount(self, mount, timeout=5.0):
        wait_for(lambda: mount in self.mounts(), timeout, description=f"mount {mount} to go live")

    def wait_for_title(self, mount, title, timeout=5.0):
        return wait_for(lambda: self.current_title(mount) == title, timeout,
                        description=lambda: f"title {title!r} on {mount} (now {self.current_title(mount)!r})")

    def change_source_password(self, password):
        """A new source password, as an admin sets it while sources stream: Icecast re-reads its
        configuration on SIGHUP and keeps the sources it has. Returns once the new one is taken."""
        self.source_password = password
        self._write_config()
        os.kill(self.process.pid, signal.SIGHUP)
        wait_for(lambda: self._takes_source_password(password), START_TIMEOUT,
                 description="Icecast to take the new source password")

    def _takes_source_password(self, password):
        # Icecast-KH opens its ports afresh on a reload: a request may meet none for a moment.
        try:
            status, _ = self.admin_get("/admin/listclients", {"mount": "/"}, username=self.source_user,
                                       password=password)
        except OSError:
            return False
        return status != 401

    def error_log(self):
        """The server's error log, for failure messages."""
        try:
            with open(os.path.join(self._log_dir, "error.log"), encoding="utf-8", errors="replace") as log:
                return log.read()
        except OSError:
            return ""

    # Process and configuration

    @property
    def _log_dir(self):
        return os.path.join(self.workdir, "log")

    @property
    def _config_path(self):
        return os.path.join(self.workdir, "icecast.xml")

    def _prepare_folders(self):
        os.makedirs(self._log_dir, exist_ok=True)
        if os.geteuid() == 0:
            # Icecast refuses to run as root: it drops to nobody, which must reach and write the logs.
            os.chmod(self.workdir, 0o755)
            os.chmod(self._log_dir, 0o777)

    def _mount_sections(self):
        mounts = []
        if self.kind.default_mount:
            mounts.append('<mount type="default">' + _element("charset", "UTF-8") + "</mount>")
        configured = {}
        for mount in self.extra_mounts:
            name, settings = mount if isinstance(mount, tuple) else (mount, {})
            configured[name] = {"charset": "UTF-8", **settings}
        for name, limit in self.max_listeners.items():
            configured.setdefault(name, {"charset": "UTF-8"})["max-listeners"] = limit
        for name, settings in configured.items():
            mounts.append('<mount type="normal">' + _element("mount-name", name)
                          + "".join(_element(key, value) for key, value in settings.items()) + "</mount>")
        return "\n    ".join(mounts)

    def _write_config(self):
        share = self.kind.share()
        strict = '<resource source="/admin/metadata" omode="strict"/>' if self.strict else ""
        owner = ""
        if os.geteuid() == 0:
            owner = "<changeowner><user>nobody</user><group>nogroup</group></changeowner>"
        config = f"""<icecast>
    <location>test</location>
    <admin>test@localhost</admin>
    <hostname>{self.host}</hostname>
    <limits>
        <clients>{int(self.clients)}</clients>
        <sources>10</sources>
        <queue-size>524288</queue-size>
        <client-timeout>30</client-timeout>
        <header-timeout>15</header-timeout>
        <source-timeout>{int(self.source_timeout)}</source-timeout>
        <burst-on-connect>1</burst-on-connect>
        <burst-size>65535</burst-size>
    </limits>
    <authentication>
        {_element("source-password", self.source_password)}
        {_element("relay-password", self.source_password)}
        {_element("admin-user", self.admin_user)}
        {_element("admin-password", self.admin_password)}
    </authentication>
    {_element("shoutcast-mount", self.shoutcast_mount)}
    <listen-socket>
        <port>{self.port}</port>
        <bind-address>{self.host}</bind-address>
    </listen-socket>
    <listen-socket>
        <port>{self.shoutcast_port}</port>
        <bind-address>{self.host}</bind-address>
        <shoutcast-compat>1</shoutcast-compat>
    </listen-socket>
    {self._mount_sections()}
    <fileserve>1</fileserve>
    <paths>
        <basedir>{escape(share)}</basedir>
        <logdir>{escape(self._log_dir)}</logdir>
        <webroot>{escape(share)}/web</webroot>
        <adminroot>{escape(share)}/admin</adminroot>
        {strict}
    </paths>
    <logging>
        <accesslog>access.log</accesslog>
        <errorlog>error.log</errorlog>
        <loglevel>4</loglevel>
        <logsize>10000</logsize>
    </logging>
    <security>
        <chroot>0</chroot>
        {owner}
    </security>
</icecast>
"""
        with open(self._config_path, "w", encoding="utf-8") as out:
            out.write(config)
        os.chmod(self._config_path, 0o644)

    def _launch(self):
        self._write_config()
        self._run_until_it_answers([self._binary, "-c", self._config_path],
                                   os.path.join(self.workdir, "icecast.out"), START_TIMEOUT)

    def _answers(self):
        try:
            status, _ = self.admin_get("/admin/stats", timeout=1.0)
        except OSError:
            return False
        return status == 200

    def _startup_output(self):
        try:
            with open(os.path.join(self.workdir, "icecast.out"), encoding="utf-8", errors="replace") as out:
                text = out.read()
        except OSError:
            text = ""
        return text + self.error_log()[-4000:]
