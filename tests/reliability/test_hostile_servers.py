"""Servers on loopback that answer badly: sendUpdate returns within the client's limits, and the
plug-in's next poll goes on."""
import os
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "integration"))

from harness import exit_cleanly_on_sigterm, run_update_probe  # noqa: E402
from harness.plugin import PluginHost  # noqa: E402
from harness.recording_server import Answer, RecordingServer  # noqa: E402
from wire import well_formed  # noqa: E402

# The client's limits: connect 5 s, then 10 s for each wait on the answer; Wine's start-up on top.
CLIENT_LIMIT = 5 + 10 + 10 + 5


def send_once(url):
    """One sendUpdate through update_probe.exe; returns (delivered, step, status, seconds)."""
    started = time.monotonic()
    fields = run_update_probe(url, title="Hostile - Server", password="pw", timeout=CLIENT_LIMIT * 3).fields
    took = time.monotonic() - started
    return fields["delivered"] == "1", fields["step"], fields["status"], took


class HostileServers(unittest.TestCase):
    def exchange(self, answer):
        with RecordingServer([answer]) as server:
            result = send_once(f"http://127.0.0.1:{server.port}/")
            self.assertIsNone(well_formed(server.wait_for_requests(1)[0], server.port))
        self.assertLess(result[3], CLIENT_LIMIT, result)
        return result

    def test_garbage_status_line_fails(self):
        delivered, step, _, _ = self.exchange(Answer.garbage())
        self.assertFalse(delivered)
        self.assertEqual(step, "receiveAnswer")

    def test_reset_mid_answer_fails(self):
        delivered, step, _, _ = self.exchange(Answer.reset())
        self.assertFalse(delivered)
        self.assertEqual(step, "receiveAnswer")

    def test_a_body_of_many_megabytes_is_never_read(self):
        delivered, _, status, took = self.exchange(Answer.huge(512))
        self.assertTrue(delivered)
        self.assertEqual(status, "200")
        self.assertLess(took, 5)  # reading 512 MB through Wine would take far longer

    def test_slowly_trickled_headers_are_waited_for(self):
        delivered, _, _, took = self.exchange(Answer.trickle(4))
        self.assertTrue(delivered)
        self.assertGreater(took, 3.5)

    def test_a_redirect_is_judged_as_it_stands_and_not_followed(self):
        with RecordingServer() as elsewhere:
            delivered, step, status, _ = self.exchange(
                Answer.redirect(f"http://127.0.0.1:{elsewhere.port}/admin/metadata?mount=%2Flive"))
            self.assertEqual(elsewhere.requests, [])  # the credentials never went to another server
        self.assertFalse(delivered)
        self.assertEqual((step, status), ("statusRejected", "302"))

    def test_a_redirect_loop_is_one_failed_request(self):
        with RecordingServer(default=Answer.redirect("/again", status=301)) as server:
            delivered, _, status, _ = send_once(f"http://127.0.0.1:{server.port}/")
            self.assertEqual(len(server.requests), 1)
        self.assertFalse(delivered)
        self.assertEqual(status, "301")

    def test_the_plugin_polls_on_through_every_bad_answer(self):
        script = [Answer.garbage(), Answer.reset(), Answer.redirect("/moved"), Answer.close(), Answer(500),
                  Answer.huge(64)]
        with RecordingServer(script) as server:
            settings = {"server_url": f"http://127.0.0.1:{server.port}/", "password": "pw"}
            with PluginHost(settings) as host:
                host.set("deck 1 artist A", "deck 1 title One", "deck 1 volume 1", "deck 1 play 1")
                server.wait_for_requests(len(script), timeout=20)  # each failure retried on the next poll
                host.set("deck 1 title Two")
                requests = server.wait_for_requests(len(script) + 1, timeout=10)
                output = host.release()
            self.assertIn("release -> 0", output)
        self.assertTrue(requests[-1].target.endswith("song=A%20-%20Two"), requests[-1])
        self.assertTrue(all(r.target.endswith("song=A%20-%20One") for r in requests[:len(script)]))


if __name__ == "__main__":
    exit_cleanly_on_sigterm()
    unittest.main(verbosity=2)
