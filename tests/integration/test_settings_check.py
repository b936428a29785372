"""ZenlarkVdjCheck.exe against a real Icecast, Liquidsoap's harbor and the recording server: what it
shows, what it concludes, and its exit code (0 only when the server confirmed the update)."""
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from harness import HarborServer, IcecastServer, exit_cleanly_on_sigterm  # noqa: E402
from harness.plugin import write_settings  # noqa: E402
from harness.windows import build_dir  # noqa: E402
from harness.recording_server import Answer, RecordingServer  # noqa: E402
from harness.processes import signal_group  # noqa: E402
from harness.windows import press_ctrl_c, run_on_console, run_windows, windows_command  # noqa: E402

CHECK = "ZenlarkVdjCheck.exe"
# A title line of the watch: the local time, then what listeners see.
WATCH_LINE = re.compile(r"^\d\d:\d\d:\d\d  Listeners see: (.*?)\r?$", re.MULTILINE)


def run_check(*args, program=None):
    done = run_windows([program or CHECK, *args], timeout=120)
    return done.returncode, done.stdout.decode("utf-8", "replace") + done.stderr.decode("utf-8", "replace")


def watch_until_ctrl_c(line, *args):
    """Runs the tool until it prints `line`, then presses Ctrl+C; returns its exit code and output."""
    tool = subprocess.Popen(windows_command(CHECK, *args), stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                            stderr=subprocess.STDOUT, start_new_session=True)
    try:
        output = b""
        while line.encode("utf-8") not in output:
            read = tool.stdout.readline()
            if not read:
                break
            output += read
        press_ctrl_c(tool)
        rest, _ = tool.communicate(timeout=60)
    finally:
        if tool.poll() is None:
            signal_group(tool, signal.SIGKILL)
            tool.wait()
    return tool.returncode, (output + rest).decode("utf-8", "replace")


class CheckCase(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="zenlark-check-")
        self.addCleanup(shutil.rmtree, self.folder, True)

    def check(self, settings, *args):
        path = os.path.join(self.folder, "ZenlarkVdjStandalone.ini")
        write_settings(self.folder, settings)
        return run_check("--settings", path, *args)

    def assertSays(self, output, *parts):
        for part in parts:
            self.assertIn(part, output)


class AgainstIcecast(CheckCase):
    @classmethod
    def setUpClass(cls):
        cls.ice = IcecastServer()
        cls.ice.start()
        try:
            cls.ice.start_mp3_source("/live")
            cls.ice.start_mp3_source("/remote", bind_address="127.0.0.2")
            cls.ice.start_ogg_source("/opus.ogg")
            cls.ice.start_shoutcast_source()
        except BaseException:
            cls.ice.stop()
            raise

    @classmethod
    def tearDownClass(cls):
        cls.ice.stop()

    def settings(self, **overrides):
        values = {"server_url": self.ice.base_url + "/", "protocol": "icecast2", "mount": "/live",
                  "username": self.ice.source_user, "password": self.ice.source_password}
        values.update(overrides)
        return values

    def test_confirmed_update_shows_everything_but_the_password(self):
        code, output = self.check(self.settings(), "--title", "Zoë - Check")
        self.assertEqual(code, 0, output)
        self.assertSays(output, "ZenlarkVdjStandalone.ini", "ready      = yes", "Dialect: Icecast",
                        "/admin/metadata?mount=%2Flive&mode=updinfo&song=Zo%C3%AB%20-%20Check",
                        "Metadata update successful", "OK:")
        self.assertNotIn(self.ice.source_password, output)
        self.ice.wait_for_title("/live", "Zoë - Check")

    def test_every_section_in_turn_then_one_line_each(self):
        settings = {"stream": self.settings(),
                    "stream2": self.settings(server_url=self.ice.base_url, mount="live"),  # the same stream
                    "stream3": self.settings(mount="/nobody"),
                    "stream4": {"server_url": self.ice.base_url + "/"}}
        code, output = self.check(settings, "--title", "Every Section")
        self.assertEqual(code, 1, output)
        self.assertSays(output, "Summary:", "  [stream] OK: Icecast confirmed the update",
                        "  [stream2] skipped: the same server and mount as [stream]",
                        "  [stream3] PROBLEM: The server answered 400",
                        "  [stream4] skipped: the plug-in does not use this section: it lacks password")
        code, output = self.check(settings, "--section", "STREAM")
        self.assertEqual(code, 0, output)
        self.assertNotIn("[stream3]", output)

    def test_update_from_another_address_needs_the_admin_credentials(self):
        code, output = self.check(self.settings(mount="/remote"))
        self.assertEqual(code, 1, output)
        self.assertSays(output, "Mountpoint will not accept URL updates", "admin user and password")
        code, output = self.check(self.settings(mount="/remote", username=self.ice.admin_user,
                                                password=self.ice.admin_password), "--title", "From Afar")
        self.assertEqual(code, 0, output)
        self.ice.wait_for_title("/remote", "From Afar")

    def test_mount_whose_format_takes_no_titles(self):
        code, output = self.check(self.settings(mount="/opus.ogg"))
        self.assertEqual(code, 1, output)
        self.assertSays(output, "Mountpoint will not accept URL updates", "MP3")

    def test_mount_without_a_source(self):
        code, output = self.check(self.settings(mount="/nobody"))
        self.assertEqual(code, 1, output)
        self.assertSays(output, "Server status: 400", "no live source", "Start the encoder")

    def test_wrong_password(self):
        code, output = self.check(self.settings(password="not-it"))
        self.assertEqual(code, 1, output)
        self.assertSays(output, "Server status: 401", "password was refused")

    def test_shoutcast_dialect_on_the_compatible_port(self):
        code, output = self.check(self.settings(protocol="shoutcast", sid="1"), "--title", "Via Admin CGI")
        self.assertEqual(code, 0, output)
        self.assertSays(output, "Dialect: Shoutcast", "/admin.cgi?sid=1&mode=updinfo&song=Via%20Admin%20CGI"
                        "&pass=********")
        self.assertNotIn(self.ice.source_password, output)
        self.ice.wait_for_title(self.ice.shoutcast_mount, "Via Admin CGI")

    def test_watch_sees_the_sent_title_arrive_in_the_stream(self):
        code, output = self.check(self.settings(title_prefix='"DJ Nova: "'), "--watch", "--title", "Zoë – 坂本龍一")
        self.assertEqual(code, 0, output)
        self.assertSays(output, f"Listening to {self.ice.base_url}/live ", "OK: listeners received the title after")
        self.assertIn("DJ Nova: Zoë – 坂本龍一", WATCH_LINE.findall(output))

    def test_watch_alone_ends_after_its_seconds(self):
        code, output = self.check(self.settings(), "--watch", "--no-send", "--seconds", "3")
        self.assertEqual(code, 0, output)
        self.assertSays(output, "Nothing sent", "Stopped after 3 s.")
        self.assertTrue(WATCH_LINE.findall(output), output)

    def test_watch_of_a_mount_without_a_source(self):
        code, output = self.check(self.settings(mount="/nobody"), "--watch")
        self.assertEqual(code, 1, output)
        self.assertSays(output, "no live source", "could not listen to the stream", "answered 404: there is no "
                        "such stream")

    def test_watch_of_a_wrong_stream_address(self):
        code, output = self.check(self.settings(), "--watch", "--stream", self.ice.url("/wrong"))
        self.assertEqual(code, 1, output)
        self.assertSays(output, "Metadata update successful", f"Listening to {self.ice.base_url}/wrong (--stream)",
                        "answered 404")

    def test_watch_of_an_ogg_mount(self):
        code, output = self.check(self.settings(mount="/opus.ogg"), "--watch", "--no-send")
        self.assertEqual(code, 1, output)
        self.assertSays(output, "no icy-metaint (its format: audio/ogg)", "Ogg, Opus and FLAC")



class AgainstLiquidsoapsHarbor(CheckCase):
    def test_refusals_are_explained_in_the_harbors_terms(self):
        with HarborServer(mounts=("/quiet",)) as harbor:
            harbor.start_shoutcast_source()
            ice_style = {"server_url": harbor.base_url + "/", "protocol": "icecast2", "mount": "/quiet",
                         "username": "source", "password": harbor.source_password}
            icy = dict(ice_style, server_url=harbor.icy_url + "/", protocol="shoutcast", sid="1")
            source_port = f"http://127.0.0.1:{harbor.shoutcast_port}/"
            rows = [
                ("admin as user name", dict(icy, username="admin"), ["Server status: 401", "compares the user name"]),
                ("mount without a source", ice_style, ["Server status: 405", "no live source"]),
                ("the encoder's port", dict(icy, server_url=source_port),
                 [f"Use port {harbor.icy_port} in server_url"]),
            ]
            for name, settings, said in rows:
                with self.subTest(name):
                    code, output = self.check(settings)
                    self.assertEqual(code, 1, output)
                    self.assertSays(output, "PROBLEM:", *said)
            self.assertEqual(harbor.titles("/"), [])


class ShoutcastDialectWithoutACompatibleSource(CheckCase):
    def test_is_refused_with_advice(self):
        with IcecastServer() as ice:
            ice.start_mp3_source("/live")
            code, output = self.check({"server_url": ice.base_url + "/", "protocol": "sc1",
                                       "username": ice.source_user, "password": ice.source_password})
        self.assertEqual(code, 1, output)
        self.assertSays(output, "Server status: 400", "Shoutcast-compatible")


class AgainstTheRecordingServer(CheckCase):
    def test_answer_that_is_no_http_points_at_the_encoders_port(self):
        with RecordingServer(default=Answer.garbage()) as server:
            code, output = self.check({"server_url": f"http://127.0.0.1:{server.port}/", "password": "pw",
                                       "protocol": "shoutcast"})
            self.assertEqual(code, 1, output)
            self.assertSays(output, "not a valid HTTP answer", "the encoder on the port one above")

    def test_watch_reads_latin1_comes_back_after_a_drop_and_ends_on_ctrl_c_in_a_stall(self):
        script = [Answer.icy_stream([b"Caf\xe9 del Mar - Ol\xe9"], seconds=2),
                  Answer.icy_stream(["Back - Again"], stall=True)]
        with RecordingServer(script) as server:
            # --seconds only ends a run whose last title never comes.
            code, output = watch_until_ctrl_c("Listeners see: Back - Again", "--settings",
                                              os.path.join(self.folder, "absent.ini"), "--watch", "--no-send",
                                              "--stream", f"http://127.0.0.1:{server.port}/live", "--seconds", "90")
            requests = server.wait_for_requests(2)
        self.assertEqual(code, 0, output)
        self.assertEqual(WATCH_LINE.findall(output), ["Café del Mar - Olé", "Back - Again"])
        self.assertSays(output, "The stream dropped: The server ended the stream. Reconnecting in 3 s.",
                        "Reconnected", "Stopped (Ctrl+C).")
        for request in requests:
            self.assertEqual(request.header("Icy-MetaData"), "1")
            self.assertNotIn("Mozilla", request.header("User-Agent"))

    def test_nothing_is_sent_for_missing_keys_or_a_bad_address(self):
        code, output = self.check({"server_url": "http://127.0.0.1:9/"})
        self.assertEqual(code, 1, output)
        self.assertSays(output, "lack password", "password   = (empty)")
        code, output = self.check({"server_url": "http://127.0.0.1:9/?mount=/live", "password": "pw"})
        self.assertEqual(code, 1, output)
        self.assertSays(output, "\"?\" or \"#\"")
        self.assertNotIn("Request: GET", output)

    def test_a_file_saved_as_utf8_is_explained_from_its_bytes(self):
        # Wine's profile reader decodes UTF-8; Windows' does not, so the tool judges the bytes.
        path = os.path.join(self.folder, "ZenlarkVdjStandalone.ini")
        with open(path, "wb") as file:
            file.write("\ufeff[stream]\r\nserver_url=http://127.0.0.1:9/\r\nmount=/radio-ö\r\npassword=Müller\r\n"
                       .encode("utf-8"))
        code, output = run_check("--settings", path, "--no-send")
        self.assertEqual(code, 0, output)
        self.assertSays(output, "UTF-8 with a byte-order mark", "the section [stream] is not found there",
                        "put a comment line first", "[stream] mount = /radio-ö  will be read as  /radio-Ã¶",
                        "[stream] password: its letters outside ASCII")
        self.assertNotIn("Müller", output)

    def test_refused_connection(self):
        with RecordingServer() as server:
            port = server.port
        code, output = self.check({"server_url": f"http://127.0.0.1:{port}/", "password": "pw"})
        self.assertEqual(code, 1, output)
        self.assertSays(output, "refused")

    def test_reads_the_settings_file_beside_itself(self):
        with RecordingServer() as server:
            shutil.copy(os.path.join(build_dir(), CHECK), self.folder)
            write_settings(self.folder, {"server_url": f"http://127.0.0.1:{server.port}/radio/",
                                         "password": "pw", "mount": "beside"})
            code, output = run_check("--no-send", program=os.path.join(self.folder, CHECK))
            self.assertEqual(code, 0, output)
            self.assertSays(output, "/radio/admin/metadata?mount=%2Fbeside", "Nothing sent")
            self.assertEqual(server.connections, 0)

    def test_missing_file_and_bad_arguments(self):
        code, output = run_check("--settings", os.path.join(self.folder, "absent.ini"), "--no-send")
        self.assertEqual(code, 1, output)
        self.assertSays(output, "no such file", "lack server_url and password")
        code, output = run_check("--frobnicate")
        self.assertEqual(code, 2, output)
        self.assertSays(output, "unknown argument: --frobnicate")
        code, output = run_check("--title")
        self.assertEqual(code, 2, output)
        for arguments in (["--seconds", "5"], ["--watch", "--seconds", "0"], ["--watch", "--stream"]):
            code, output = run_check(*arguments)
            self.assertEqual(code, 2, output)
        code, output = run_check("--help")
        self.assertEqual(code, 0, output)
        self.assertSays(output, "usage: ZenlarkVdjCheck")


class OnTheConsole(unittest.TestCase):
    def test_alone_on_its_own_console_it_waits_for_enter(self):
        # As when Explorer starts it: the window would close with the verdict in it.
        code, shown = run_on_console([CHECK, "--help"], timeout=120, answer_after="Press Enter to close.")
        self.assertEqual(code, 0, shown)
        self.assertIn("Press Enter to close.", shown)

    def test_from_a_command_prompt_it_never_waits_and_gives_the_code_page_back(self):
        code, shown = run_on_console(["cmd", "/c", f"chcp 850 & {CHECK} --help & chcp"], timeout=120)
        self.assertEqual(code, 0, shown)
        self.assertIn("usage: ZenlarkVdjCheck", shown)
        self.assertNotIn("Press Enter", shown)
        self.assertTrue(shown.rstrip().endswith("Active code page: 850"), shown[-300:])


if __name__ == "__main__":
    exit_cleanly_on_sigterm()
    unittest.main()
