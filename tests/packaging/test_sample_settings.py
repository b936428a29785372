"""The sample settings file as the package ships it, read by the plug-in's own settings code under Wine.

A value line broken by a comment behind it, a section name misspelt, or an example block with
a key the plug-in does not know, or one its kind of server does not read, shows up here."""
import os
import re
import shutil
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "integration"))
sys.path.insert(0, os.path.join(os.environ["ZENLARK_SOURCE_DIR"], "tools", "package"))

import package  # noqa: E402
from harness import HarborServer, IcecastServer, exit_cleanly_on_sigterm  # noqa: E402
from harness.dnas import DnasServer  # noqa: E402
from harness.peers import PeerAbsent  # noqa: E402
from harness.windows import run_windows  # noqa: E402

SETTINGS_FILE = "ZenlarkVdjStandalone.ini"
KEYS = ("server_url", "protocol", "mount", "sid", "username", "password")
SONG = "&mode=updinfo&song=Artist%20-%20Title"
# Shoutcast's filter drops a title that starts with "Artist - ": it goes out behind a word joiner.
SHOUTCAST_SONG = "&mode=updinfo&song=%E2%81%A0Artist%20-%20Title"

# Each example of the sample, by its heading, with what the plug-in must make of it.
EXAMPLES = {
    "Icecast 2, encoder on this computer": {
        "username": "source", "secure": "0", "port": "8000",
        "target": "/admin/metadata?mount=%2Flive" + SONG},
    "Icecast 2, encoder on another computer": {
        "username": "admin", "secure": "0", "port": "8000",
        "target": "/admin/metadata?mount=%2Flive" + SONG},
    "Shoutcast v1": {
        "username": "source", "secure": "0", "port": "8000",
        "target": "/admin.cgi?sid=1" + SHOUTCAST_SONG + "&pass=my-dj-password"},
    "Shoutcast v2": {
        "username": "source", "secure": "0", "port": "8000",
        "target": "/admin.cgi?sid=2" + SHOUTCAST_SONG + "&pass=my-stream-password"},
    "Icecast behind https": {
        "secure": "1", "port": "443", "host": "www.example.com",
        "target": "/radio/admin/metadata?mount=%2Fstream.mp3" + SONG},
    "Liquidsoap's harbor, Icecast-style input": {
        "username": "source", "secure": "0", "port": "8005",
        "target": "/admin/metadata?mount=%2Flive" + SONG},
}


UTF16_BOM = b"\xff\xfe"


def sample_path():
    return os.path.join(os.environ["ZENLARK_SOURCE_DIR"], "packaging", SETTINGS_FILE)


def packaged_sample():
    """The sample's text as the package holds it: UTF-16 LE behind its byte-order mark."""
    raw = package.packaged_file(os.environ["ZENLARK_BUILD_DIR"], SETTINGS_FILE)
    if not raw.startswith(UTF16_BOM):
        raise AssertionError("the packaged sample has no UTF-16 byte-order mark")
    return raw[len(UTF16_BOM):].decode("utf-16-le")


def write_sample(folder, text):
    """Writes text as the settings file in folder, in the packaged sample's encoding (Notepad
    keeps it when the DJ saves); returns its path."""
    path = os.path.join(folder, SETTINGS_FILE)
    with open(path, "wb") as file:
        file.write(UTF16_BOM + text.encode("utf-16-le"))
    return path


def read_as_plugin(text):
    """Writes text as the settings file beside a copy of settings_dump.exe, in the packaged
    sample's encoding (Notepad keeps it when the DJ saves), runs it, and returns the key=value
    pairs it printed."""
    build = os.environ["ZENLARK_BUILD_DIR"]
    # Inside the build tree, so the Wine runner finds the tree's own prefix.
    folder = tempfile.mkdtemp(prefix="sample-settings-", dir=build)
    try:
        program = os.path.join(folder, "settings_dump.exe")
        shutil.copy(os.path.join(build, "settings_dump.exe"), program)
        write_sample(folder, text)
        done = run_windows([program], timeout=60)
        output = done.stdout.decode("utf-8", "replace").replace("\r\n", "\n")
        if done.returncode != 0:
            raise AssertionError(f"settings_dump failed ({done.returncode}): {output}{done.stderr!r}")
        return dict(line.partition("=")[::2] for line in output.splitlines() if "=" in line)
    finally:
        shutil.rmtree(folder, ignore_errors=True)


def example_blocks(text):
    """{heading: [key=value lines]} for every commented example: a one-line comment ending in
    ":" followed by ";key=value" lines."""
    blocks = {}
    heading = None
    for line in text.splitlines():
        key_line = re.match(r";([a-z_]+=.*)$", line)
        if key_line and heading is not None:
            blocks[heading].append(key_line.group(1))
            continue
        title = re.match(r";\s+(.+):$", line)
        heading = title.group(1) if title else None
        if heading is not None:
            blocks[heading] = []
    return {name: lines for name, lines in blocks.items() if lines}


def block_for(blocks, start):
    named = [name for name in blocks if name.startswith(start)]
    if len(named) != 1:
        raise AssertionError(f"one example should start with {start!r}: {sorted(blocks)}")
    return blocks[named[0]]


def with_values(example_lines, **values):
    """The example's lines with some values put in, keys and order kept."""
    result = []
    for line in example_lines:
        key = line.partition("=")[0]
        result.append(f"{key}={values[key]}" if key in values else line)
    return result


def activate(text, example_lines):
    """The sample with its active values replaced by one example's lines, as the sample tells
    the user to do; every comment stays."""
    kept = [line for line in text.split("\r\n") if not re.match(r"(%s)=" % "|".join(KEYS), line)]
    at = kept.index("[stream]") + 1
    return "\r\n".join(kept[:at] + example_lines + kept[at:])


class SampleSettings(unittest.TestCase):
    def test_sample_as_shipped_is_read_value_for_value(self):
        values = read_as_plugin(packaged_sample())
        self.assertEqual(values, {
            "server_url": "http://radio.example.com:8000/", "protocol": "icecast2", "mount": "/live",
            "sid": "1", "username": "source", "password": "", "ready": "0", "target": ""})

    def test_sample_uses_windows_line_ends_and_no_comment_behind_a_value(self):
        raw = open(sample_path(), "rb").read()
        self.assertEqual(raw.count(b"\n"), raw.count(b"\r\n"), "every line ends in CRLF")
        for line in raw.decode("ascii").splitlines():
            if re.match(r"[a-z_]+=", line):
                self.assertNotIn(";", line, f"the reader keeps a comment behind a value: {line!r}")
                self.assertEqual(line, line.rstrip(), f"trailing blanks: {line!r}")

    def test_every_example_makes_the_request_it_describes(self):
        text = packaged_sample()
        blocks = example_blocks(text)
        self.assertEqual(len(blocks), len(EXAMPLES), f"the sample's examples: {sorted(blocks)}")
        for heading, expected in EXAMPLES.items():
            with self.subTest(heading):
                lines = block_for(blocks, heading)
                keys = [line.partition("=")[0] for line in lines]
                self.assertEqual(keys, [key for key in KEYS if key in keys], "the keys in the file's order")
                unread = "sid" if "/admin/metadata" in expected["target"] else "mount"
                self.assertNotIn(unread, keys, "a key this kind of server does not read")
                values = read_as_plugin(activate(text, lines))
                for line in lines:
                    key, _, value = line.partition("=")
                    self.assertEqual(values[key], value, key)
                self.assertEqual(values["ready"], "1")
                for key, value in expected.items():
                    self.assertEqual(values[key], value, key)


class ExamplesAgainstRealServers(unittest.TestCase):
    """Each example, as the package ships it, with only the address and password put in, sent by
    the check tool to the kind of server it names; each must be confirmed and its title taken."""

    @classmethod
    def setUpClass(cls):
        cls.ice = IcecastServer()
        cls.harbor = HarborServer()
        cls.dnas = DnasServer(streams=(1, 2))
        cls.dnas_absent = None
        try:
            try:
                cls.dnas.start()
                cls.dnas.start_shoutcast_source(sid=2)
            except PeerAbsent as absent:
                cls.dnas_absent = str(absent)
            cls.ice.start()
            cls.ice.start_mp3_source("/live")
            cls.ice.start_mp3_source("/stream.mp3")
            cls.ice.start_shoutcast_source()
            cls.harbor.start()
            cls.harbor.start_mp3_source("/live")
            cls.harbor.start_shoutcast_source()
        except BaseException:
            cls.tearDownClass()
            raise

    @classmethod
    def tearDownClass(cls):
        cls.dnas.stop()
        cls.harbor.stop()
        cls.ice.stop()

    def servers(self):
        """{heading: (server_url, password, how to wait for the title)} for every example."""
        ice, harbor = self.ice, self.harbor
        return {
            "Icecast 2, encoder on this computer": (ice.base_url + "/", ice.source_password,
                                                    lambda title: ice.wait_for_title("/live", title)),
            "Icecast 2, encoder on another computer": (ice.base_url + "/", ice.admin_password,
                                                       lambda title: ice.wait_for_title("/live", title)),
            "Shoutcast v1": (harbor.icy_url + "/", harbor.source_password,
                             lambda title: harbor.wait_for_title("/", title)),
            "Shoutcast v2": (self.dnas.base_url + "/", self.dnas.source_password,
                             lambda title: self.dnas.wait_for_title(title, sid=2)),
            "Icecast behind https": (ice.base_url + "/", ice.source_password,
                                     lambda title: ice.wait_for_title("/stream.mp3", title)),
            "Liquidsoap's harbor, Icecast-style input": (harbor.base_url + "/", harbor.source_password,
                                                         lambda title: harbor.wait_for_title("/live", title)),
        }

    def test_every_example_is_confirmed_by_its_kind_of_server(self):
        text = packaged_sample()
        blocks = example_blocks(text)
        servers = self.servers()
        self.assertEqual(sorted(servers), sorted(EXAMPLES))
        folder = tempfile.mkdtemp(prefix="sample-check-")
        self.addCleanup(shutil.rmtree, folder, True)
        for heading, (url, password, wait_for_title) in servers.items():
            with self.subTest(heading):
                if heading == "Shoutcast v2" and self.dnas_absent:
                    self.skipTest(self.dnas_absent)
                lines = with_values(block_for(blocks, heading), server_url=url, password=password)
                path = write_sample(folder, activate(text, lines))
                title = "Example - " + heading
                done = run_windows(["ZenlarkVdjCheck.exe", "--settings", path, "--title", title], timeout=120)
                output = done.stdout.decode("utf-8", "replace")
                self.assertEqual(done.returncode, 0, output)
                self.assertIn("OK: ", output)
                wait_for_title(title)


if __name__ == "__main__":
    exit_cleanly_on_sigterm()
    unittest.main(verbosity=2)
