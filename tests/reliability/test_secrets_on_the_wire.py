"""The password travels only in the Authorization header and, for Shoutcast, as the "&pass="
value; no other part of the request carries it in any form."""
import base64
import os
import sys
import unittest
import urllib.parse

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "integration"))

from harness import exit_cleanly_on_sigterm  # noqa: E402
from harness.plugin import PluginHost  # noqa: E402
from harness.recording_server import RecordingServer  # noqa: E402
from wire import authorization_credentials  # noqa: E402

PASSWORD = "Zq7-Geheim&Pw=€"


def forms_of(secret):
    """The password as it could leak: plain, percent-encoded, and Base64 of itself alone."""
    utf8 = secret.encode("utf-8")
    return [secret, urllib.parse.quote(secret, safe=""), urllib.parse.quote_plus(secret),
            base64.b64encode(utf8).decode("ascii"), "Zq7-Geheim"]


def request_with(protocol):
    with RecordingServer() as server:
        settings = {"server_url": f"http://127.0.0.1:{server.port}/", "protocol": protocol, "username": "dj",
                    "password": PASSWORD}
        with PluginHost(settings) as host:
            host.set("deck 1 artist Secret", "deck 1 title Keeper", "deck 1 volume 1", "deck 1 play 1")
            request = server.wait_for_requests(1)[0]
    return request


class SecretsOnTheWire(unittest.TestCase):
    def assert_nowhere_but(self, request, allowed_target_part=""):
        self.assertEqual(authorization_credentials(request), "dj:" + PASSWORD)
        target = request.target.replace(allowed_target_part, "", 1) if allowed_target_part else request.target
        others = [line for line in request.header_lines if not line.lower().startswith("authorization:")]
        for form in forms_of(PASSWORD):
            self.assertNotIn(form, target)
            for line in others:
                self.assertNotIn(form, line)
        self.assertEqual(request.body, b"")

    def test_icecast_update_carries_it_in_the_header_only(self):
        request = request_with("icecast2")
        self.assertEqual(len(request.headers("Authorization")), 1)
        self.assert_nowhere_but(request)

    def test_shoutcast_update_adds_it_once_as_the_pass_value(self):
        request = request_with("shoutcast")
        encoded = urllib.parse.quote(PASSWORD, safe="-._~")
        self.assertTrue(request.target.endswith("&pass=" + encoded), request.target)
        self.assertEqual(request.target.count(encoded), 1)
        self.assert_nowhere_but(request, "&pass=" + encoded)


if __name__ == "__main__":
    exit_cleanly_on_sigterm()
    unittest.main(verbosity=2)
