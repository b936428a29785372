"""Liquidsoap's harbor for tests: one script with both live inputs on free loopback ports.

    with HarborServer() as harbor:
        harbor.start_mp3_source("/live")       # the Icecast way: SOURCE on harbor.port
        harbor.start_shoutcast_source()        # the ICY way: password line on harbor.icy_port + 1
        ...                                    # /admin/metadata on harbor.port, admin.cgi on harbor.icy_port
        harbor.wait_for_title("/live", "Artist - Title")

The Icecast-style input serves each of `mounts` on `port`; the ICY input (`icy=true`, mount
"/") answers admin.cgi on `icy_port` and takes its source on `icy_port + 1`, as Shoutcast
does. Both take the user "source" and `source_password`. Every title the harbor takes is
printed by an on_metadata handler and read back from the output, in order, per mount.
"""
import json
import os
import secrets
import shutil
import tempfile
import urllib.error
import urllib.request

from .server_process import LoopbackServer
from .waiting import free_port, free_port_pair, wait_for

LIQUIDSOAP_BINARY = os.environ.get("ZENLARK_LIQUIDSOAP", "/usr/bin/liquidsoap")
# Liquidsoap loads all its decoders first; on a shared machine that takes a while.
START_TIMEOUT = 90.0
HARBOR_PAGE_TITLE = b"Liquidsoap source harbor"
MARK = "ZENLARK"


class HarborError(RuntimeError):
    pass


def _script(hosts, port, icy_port, mounts, user, password):
    """The harbor script. Small buffers let a title through the input within a second."""
    lines = [
        # Liquidsoap refuses to run as root without this; it changes nothing for other users.
        "settings.init.allow_root.set(true)",
        "settings.log.stdout.set(true)",
        "settings.log.file.set(false)",
        "settings.log.level.set(3)",
        f"settings.harbor.bind_addrs.set({json.dumps(hosts)})",
        "def watch(mount, s) =",
        f"  s = source.on_metadata(s, fun(m) -> print(\"{MARK} title #{{mount}} #{{json.stringify(m['title'])}}\"))",
        "  s",
        "end",
    ]
    inputs = [(mount, f"input.harbor({json.dumps(mount.lstrip('/'))}, port={port}, user={json.dumps(user)}, "
                      f"password={json.dumps(password)}") for mount in mounts]
    inputs.append(("/", f"input.harbor(\"/\", port={icy_port}, icy=true, user={json.dumps(user)}, "
                        f"password={json.dumps(password)}"))
    for index, (mount, call) in enumerate(inputs):
        quoted = json.dumps(mount)
        lines += [
            f"s{index} = {call}, buffer=0.5, max=10.,",
            f"    on_connect=fun(_) -> print(\"{MARK} connected \" ^ {quoted}),",
            f"    on_disconnect=fun() -> print(\"{MARK} disconnected \" ^ {quoted}))",
            f"s{index} = watch({quoted}, s{index})",
            f"output.dummy(fallible=true, s{index})",
        ]
    return "\n".join(lines) + "\n"


class HarborServer(LoopbackServer):
    """Liquidsoap's harbor on 127.0.0.1; see the module docstring.

    It offers what the harness's sources expect of a server: `host`, `port`, `shoutcast_port`
    (the ICY input's source port), `shoutcast_mount` ("/"), `source_password` and
    `wait_for_mount(mount)`. With `ipv6` it also answers on ::1, at the same ports.
    """

    start_error = HarborError

    def __init__(self, mounts=("/live",), ipv6=False):
        super().__init__()
        self.ipv6 = ipv6
        self.workdir = tempfile.mkdtemp(prefix="harbor-")
        self.host = "127.0.0.1"
        self.port = None
        self.icy_port = None
        self.mounts = tuple(mounts)
        self.shoutcast_mount = "/"
        self.source_user = "source"
        self.source_password = "hb-" + secrets.token_hex(6)

    @property
    def shoutcast_port(self):
        return self.icy_port + 1

    @property
    def base_url(self):
        return f"http://{self.host}:{self.port}"

    @property
    def icy_url(self):
        return f"http://{self.host}:{self.icy_port}"

    # Sources

    def start_mp3_source(self, mount="/live", **options):
        from .sources import Mp3Source
        return self.adopt(Mp3Source(self, mount, **options)).start()

    def start_shoutcast_source(self, **options):
        from .sources import ShoutcastSource
        return self.adopt(ShoutcastSource(self, **options)).start()

    # What the harbor printed

    def output(self):
        try:
            with open(self._output_path, encoding="utf-8", errors="replace") as out:
                return out.read()
        except OSError:
            return ""

    def _startup_output(self):
        return self.output()[-4000:]

    def _events(self):
        """(kind, rest of line) for each line the script printed itself, in order."""
        events = []
        for line in self.output().splitlines():
            parts = line.split(" ", 2)
            if len(parts) == 3 and parts[0] == MARK:
                events.append((parts[1], parts[2]))
        return events

    def live_mounts(self):
        live = set()
        for kind, mount in self._events():
            if kind == "connected":
                live.add(mount)
            elif kind == "disconnected":
                live.discard(mount)
        return live

    def titles(self, mount):
        """Every title the harbor took on mount, in order (empty ones left out)."""
        titles = []
        for kind, rest in self._events():
            name, _, value = rest.partition(" ")
            if kind == "title" and name == mount and json.loads(value):
                titles.append(json.loads(value))
        return titles

    def wait_for_mount(self, mount, timeout=10.0):
        wait_for(lambda: mount in self.live_mounts(), timeout, description=f"a source on the harbor's {mount}")

    def wait_for_title(self, mount, title, timeout=10.0):
        return wait_for(lambda: title in self.titles(mount), timeout,
                        description=lambda: f"title {title!r} on the harbor's {mount} (took {self.titles(mount)!r})")

    # Process

    @property
    def _output_path(self):
        return os.path.join(self.workdir, "liquidsoap.out")

    def _choose_ports(self):
        self.port = free_port(self.host)
        self.icy_port = free_port_pair(self.host)
        return self.port not in (self.icy_port, self.shoutcast_port)

    def _ports(self):
        return (self.port, self.icy_port, self.shoutcast_port)

    def _remove_workdir(self):
        shutil.rmtree(self.workdir, ignore_errors=True)

    def _launch(self):
        script = os.path.join(self.workdir, "harbor.liq")
        with open(script, "w", encoding="utf-8") as out:
            out.write(_script([self.host] + (["::1"] if self.ipv6 else []), self.port, self.icy_port, self.mounts,
                              self.source_user, self.source_password))
        self._run_until_it_answers([LIQUIDSOAP_BINARY, script], self._output_path, START_TIMEOUT)

    def _answers(self):
        """True once the harbor itself answers on both inputs."""
        # The harbor keeps running when it cannot bind a port; its log says so.
        text = self.output()
        if "Address already in use" in text:
            raise HarborError("liquidsoap could not bind its ports:\n" + text[-4000:])
        return self._answers_on(self.port) and self._answers_on(self.icy_port)

    def _answers_on(self, port):
        """True once the harbor answers on port (its pages carry its name)."""
        try:
            with urllib.request.urlopen(f"http://{self.host}:{port}/", timeout=1.0) as answer:
                return HARBOR_PAGE_TITLE in answer.read()
        except urllib.error.HTTPError as error:
            return HARBOR_PAGE_TITLE in error.read()
        except OSError:
            return False
