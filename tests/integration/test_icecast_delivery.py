"""Title updates delivered by sendUpdate (through update_probe.exe under Wine) to a real Icecast."""
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from harness import IcecastServer, exit_cleanly_on_sigterm, run_update_probe  # noqa: E402

MOUNT = "/live"


class IcecastDelivery(unittest.TestCase):
    """One server for the whole class: an MP3 source on /live from 127.0.0.1 (the address the
    probe sends from, so source credentials may update it) and an ICY source on the
    shoutcast-compat port."""

    @classmethod
    def setUpClass(cls):
        cls.ice = IcecastServer()
        cls.ice.start()
        try:
            cls.ice.start_mp3_source(MOUNT)
            cls.ice.start_shoutcast_source()
        except BaseException:
            cls.ice.stop()
            raise

    @classmethod
    def tearDownClass(cls):
        cls.ice.stop()

    def deliver(self, title=None, **options):
        options.setdefault("username", self.ice.source_user)
        options.setdefault("password", self.ice.source_password)
        return run_update_probe(self.ice.base_url, title=title, **options)

    def assertDelivered(self, result):
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr + self.ice.error_log()[-2000:])
        self.assertEqual(result.fields.get("delivered"), "1", result.stdout)

    def test_icecast_update_becomes_the_mounts_title(self):
        # "&" and "+" would split the query or turn into a space if they were not escaped.
        cases = [
            ("explicit mount", {"mount": MOUNT}, "AC/DC - Back & Forth + 100% = Rock"),
            ("mount without its slash", {"mount": MOUNT.lstrip("/")}, "Nina - Slashless Mount"),
            ("empty mount means /live", {"mount": ""}, "Nina - Default Mount"),
        ]
        for name, options, title in cases:
            with self.subTest(name):
                result = self.deliver(title, protocol="icecast2", **options)
                self.assertDelivered(result)
                self.assertEqual(result.fields.get("status"), "200")
                self.ice.wait_for_title(MOUNT, title)

    def test_wrong_password_is_not_delivered(self):
        before = self.deliver("Before - Wrong Password", mount=MOUNT)
        self.assertDelivered(before)
        self.ice.wait_for_title(MOUNT, "Before - Wrong Password")

        result = self.deliver("Never - Shown", mount=MOUNT, password=self.ice.source_password + "x")

        self.assertEqual(result.returncode, 1, result.stdout)
        self.assertEqual(result.fields.get("delivered"), "0", result.stdout)
        self.assertEqual(result.fields.get("status"), "401", result.stdout)
        self.assertEqual(self.ice.current_title(MOUNT), "Before - Wrong Password")

    def test_shoutcast_update_reaches_the_shoutcast_compat_mount(self):
        title = "Shout & Co - Sid=1 + Pass"
        result = self.deliver(title, protocol="shoutcast", sid="1")
        self.assertDelivered(result)
        self.ice.wait_for_title(self.ice.shoutcast_mount, title)
        self.assertNotEqual(self.ice.current_title(MOUNT), title)

    def test_non_ascii_title_reaches_the_listener_as_utf8(self):
        title = "Zoë – Ünïcode Täst"
        listener = self.ice.listen(MOUNT)
        # The host's text may arrive as UTF-8 or in the ANSI code page (1252 here); both must
        # reach listeners as the same UTF-8 bytes.
        encodings = [("UTF-8 host text", "utf-8", title), ("ANSI host text", "cp1252", title + " (ANSI)")]
        for name, encoding, text in encodings:
            with self.subTest(name):
                result = self.deliver(title_bytes=text.encode(encoding), mount=MOUNT)
                self.assertDelivered(result)
                listener.wait_for_title(text.encode("utf-8"), timeout=10.0)
                self.ice.wait_for_title(MOUNT, text)


if __name__ == "__main__":
    exit_cleanly_on_sigterm()
    unittest.main(verbosity=2)
