"""The update's HTTP exchange against a recording server on loopback, through update_probe.exe."""
import base64
import os
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from harness.recording_server import Answer, RecordingServer  # noqa: E402
from harness.waiting import refusing_port  # noqa: E402
from harness.windows import run_windows  # noqa: E402

USER_AGENT = "Zenlark-VDJ-Standalone/1.0 (Mozilla compatible)"


def run_probe(url, *args, timeout=60):
    """Runs update_probe; returns (exit code, one dict per printed result line, raw stdout)."""
    done = run_windows(["update_probe.exe", "--url", url, *args], timeout)
    output = done.stdout.decode("utf-8", "replace")
    results = []
    for line in output.splitlines():
        if line.startswith("delivered="):
            results.append(dict(field.split("=", 1) for field in line.split()))
    return done.returncode, results, output


def basic(username, password):
    return "Basic " + base64.b64encode(f"{username}:{password}".encode("utf-8")).decode("ascii")


class RequestOnTheWire(unittest.TestCase):
    def test_icecast_update_is_one_bodyless_get_with_agent_and_basic_authorization(self):
        with RecordingServer() as server:
            code, results, output = run_probe(f"http://127.0.0.1:{server.port}/radio/", "--password", "hackme",
                                              "--title", "Zoë - Nuit blanche")
            self.assertEqual(code, 0, output)
            self.assertEqual(results, [{"delivered": "1", "step": "none", "status": "200", "error": "0",
                                        "method": "GET"}])
            [request] = server.wait_for_requests(1)
        self.assertEqual(request.request_line,
                         "GET /radio/admin/metadata?mount=%2Flive&mode=updinfo&song=Zo%C3%AB%20-%20Nuit%20blanche"
                         " HTTP/1.1")
        self.assertEqual(request.headers("Host"), [f"127.0.0.1:{server.port}"])
        self.assertEqual(request.headers("User-Agent"), [USER_AGENT])
        self.assertEqual(request.headers("Authorization"), [basic("source", "hackme")])
        self.assertIsNone(request.header("Referer"))
        self.assertIsNone(request.header("Accept"))
        self.assertIn(request.header("Content-Length"), (None, "0"))
        self.assertEqual(request.body, b"")

    def test_shoutcast_update_carries_the_password_in_query_and_header(self):
        with RecordingServer() as server:
            code, _, output = run_probe(f"http://127.0.0.1:{server.port}", "--protocol", "SC2", "--sid", "3",
                                        "--username", "", "--password", "p&ss=€", "--title", "A & B")
            self.assertEqual(code, 0, output)
            [request] = server.wait_for_requests(1)
        self.assertEqual(request.target, "/admin.cgi?sid=3&mode=updinfo&song=A%20%26%20B&pass=p%26ss%3D%E2%82%AC")
        self.assertEqual(request.headers("Authorization"), [basic("", "p&ss=€")])

    def test_get_refused_with_405_is_followed_by_a_post_form_which_the_server_then_gets_directly(self):
        refusal = Answer(405, reason="Method Not Allowed", body="<report>Safe HTTP method used on unsafe call</report>")
        with RecordingServer([refusal]) as server:
            code, results, output = run_probe(f"http://127.0.0.1:{server.port}/radio/", "--password", "hackme",
                                              "--title", "Zoë & Co", "--count", "2")
            self.assertEqual(code, 0, output)
            self.assertEqual([(r["delivered"], r["method"]) for r in results], [("1", "POST"), ("1", "POST")])
            get, post, next_post = server.wait_for_requests(3)
            self.assertEqual(len(server.requests), 3)
        query = "mount=%2Flive&mode=updinfo&song=Zo%C3%AB%20%26%20Co"
        self.assertEqual(get.request_line, f"GET /radio/admin/metadata?{query} HTTP/1.1")
        for request in (post, next_post):
            self.assertEqual(request.request_line, "POST /radio/admin/metadata HTTP/1.1")
            self.assertEqual(request.headers("Content-Type"), ["application/x-www-form-urlencoded"])
            self.assertEqual(request.body, query.encode("ascii"))
            self.assertEqual(request.headers("Authorization"), [basic("source", "hackme")])
            self.assertEqual(request.headers("User-Agent"), [USER_AGENT])

    def test_how_the_post_after_a_refused_get_fails_decides_the_next_update(self):
        refused = Answer(405, reason="Method Not Allowed")
        rows = [
            # name, script, then every further answer, (delivered, status, method) of each update,
            # the methods the server saw
            # As Liquidsoap's harbor does while its input has no source: the 405 is not about the method.
            ("a POST refused with 405 as well gets GET alone", [], refused,
             [("0", "405", "POST"), ("0", "405", "GET")], ["GET", "POST", "GET"]),
            # A strict Icecast 2.5 that fails once otherwise still takes the POST of a later update.
            ("a POST that fails with 500, 401 or no answer is tried again after the next 405",
             [refused, Answer(500), refused, Answer(401), refused, Answer.close(), refused], Answer(200),
             [("0", "500", "POST"), ("0", "401", "POST"), ("0", "0", "POST"), ("1", "200", "POST")],
             ["GET", "POST"] * 4),
        ]
        for name, script, default, updates, methods in rows:
            with self.subTest(name), RecordingServer(script, default=default) as server:
                _, results, output = run_probe(f"http://127.0.0.1:{server.port}/", "--password", "x",
                                               "--title", "T", "--count", str(len(updates)))
                self.assertEqual([(r["delivered"], r["status"], r["method"]) for r in results], updates, output)
                self.assertEqual([r.method for r in server.wait_for_requests(len(methods))], methods)

    def test_text_that_is_not_utf8_arrives_as_utf8(self):
        with RecordingServer() as server:
            code, _, output = run_probe(f"http://127.0.0.1:{server.port}/", "--password", "x",
                                        "--title-hex", "436166E9")
            self.assertEqual(code, 0, output)
            [request] = server.wait_for_requests(1)
        self.assertTrue(request.target.endswith("&song=Caf%C3%A9"), request.target)

    def test_two_updates_use_two_connections(self):
        with RecordingServer() as server:
            code, results, output = run_probe(f"http://127.0.0.1:{server.port}/", "--password", "x",
                                              "--title", "T", "--count", "2")
            self.assertEqual(code, 0, output)
            self.assertEqual([r["delivered"] for r in results], ["1", "1"])
            first, second = server.wait_for_requests(2)
        self.assertNotEqual(first.connection_id, second.connection_id)
        self.assertEqual(server.connections, 2)

    def test_refused_settings_send_nothing(self):
        with RecordingServer() as server:
            url = f"http://127.0.0.1:{server.port}/"
            self.assertEqual(run_probe(url, "--title", "T")[1][0]["step"], "notReady")
            self.assertEqual(run_probe(url, "--password", "x", "--title", "")[1][0]["step"], "emptyText")
            self.assertEqual(run_probe(url + "?x=1", "--password", "x", "--title", "T")[1][0]["step"], "badAddress")
            time.sleep(0.2)
        self.assertEqual(server.connections, 0)


class ShoutcastV1BrowserRule(unittest.TestCase):
    def test_update_gets_the_admin_answer_not_the_stream(self):
        # Judged by what the server sent: Wine's client takes "ICY 200 OK" for a 200, Windows'
        # rejects it, so the probe's result alone would not show the fault under Wine.
        with RecordingServer(default=Answer.shoutcast_v1()) as server:
            code, _, output = run_probe(f"http://127.0.0.1:{server.port}/", "--protocol", "sc1",
                                        "--password", "x", "--title", "T")
            [request] = server.wait_for_requests(1)
        self.assertEqual(request.answered_with, "admin page", request.header("User-Agent"))
        self.assertEqual(code, 0, output)


class StatusDecides(unittest.TestCase):
    def test_only_2xx_counts_as_delivered_whatever_the_body(self):
        statuses = [200, 204, 299, 199, 300, 401, 404, 500]
        script = [Answer(status, body=b"" if status == 204 else b"<error>bad password</error>")
                  for status in statuses]
        with RecordingServer(script) as server:
            for status in statuses:
                code, results, output = run_probe(f"http://127.0.0.1:{server.port}/", "--password", "x",
                                                  "--title", "T")
                expected = 200 <= status <= 299
                self.assertEqual(results[0]["delivered"], "1" if expected else "0", f"{status}: {output}")
                self.assertEqual(results[0]["status"], str(status), output)
                self.assertEqual(results[0]["step"], "none" if expected else "statusRejected", output)
                self.assertEqual(code, 0 if expected else 1)

    def test_body_is_read_only_when_asked(self):
        with RecordingServer([Answer(200, body=b"Metadata update successful\n")]) as server:
            code, _, output = run_probe(f"http://127.0.0.1:{server.port}/", "--password", "x", "--title", "T",
                                        "--body")
        self.assertEqual(code, 0, output)
        self.assertIn("body=Metadata update successful\\x0A", output)


class FailuresGiveFalse(unittest.TestCase):
    def assert_fails_at(self, url, step, script=()):
        code, results, output = run_probe(url, "--password", "x", "--title", "T")
        self.assertEqual(code, 1, output)
        self.assertEqual(results[0]["delivered"], "0", output)
        self.assertEqual(results[0]["step"], step, output)
        self.assertNotEqual(results[0]["error"], "0", output)

    def test_connection_closed_without_answer(self):
        with RecordingServer([Answer.close()]) as server:
            self.assert_fails_at(f"http://127.0.0.1:{server.port}/", "receiveAnswer")

    def test_garbage_instead_of_a_status_line(self):
        with RecordingServer([Answer.garbage()]) as server:
            code, results, output = run_probe(f"http://127.0.0.1:{server.port}/", "--password", "x", "--title", "T")
        self.assertEqual(code, 1, output)
        self.assertEqual(results[0]["delivered"], "0", output)

    def test_refused_port(self):
        with refusing_port() as closed:
            self.assert_fails_at(f"http://127.0.0.1:{closed.getsockname()[1]}/", "sendRequest")

    def test_unresolvable_name(self):
        self.assert_fails_at("http://no-such-host.invalid:8000/", "sendRequest")

    def test_plain_http_on_port_443_is_not_tls(self):
        # Nothing listens on 443 here, so only the failure's kind can tell: a plain connect fails
        # at the send step with "cannot connect", never with a TLS error.
        code, results, output = run_probe("http://127.0.0.1:443/", "--password", "x", "--title", "T")
        self.assertEqual(results[0]["step"], "sendRequest", output)
        self.assertEqual(results[0]["error"], "12029", output)  # ERROR_WINHTTP_CANNOT_CONNECT

    def test_server_that_never_answers_fails_after_the_receive_limit(self):
        with RecordingServer([Answer.never()]) as server:
            code, results, output = run_probe(f"http://127.0.0.1:{server.port}/", "--password", "x", "--title", "T")
            # From the request's arrival, so the time Wine takes to start the program under load
            # does not count.
            waited = time.monotonic() - server.wait_for_requests(1)[0].arrived
        self.assertEqual(code, 1, output)
        self.assertEqual(results[0]["step"], "receiveAnswer", output)
        # ERROR_WINHTTP_TIMEOUT on Windows; Wine reports the socket's WSAETIMEDOUT.
        self.assertIn(results[0]["error"], ("12002", "10060"), output)
        self.assertGreaterEqual(waited, 9.5)
        self.assertLess(waited, 40)


if __name__ == "__main__":
    unittest.main()
