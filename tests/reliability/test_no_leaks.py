"""Thousands of plug-in lifetimes and title updates leave handles and private memory flat."""
import os
import re
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "integration"))

from harness import exit_cleanly_on_sigterm  # noqa: E402
from harness.plugin import plugin_folder  # noqa: E402
from harness.recording_server import RecordingServer  # noqa: E402
from harness.waiting import refusing_port  # noqa: E402
from harness.windows import run_windows  # noqa: E402

# Allowed between the sample after the warm-up and the end: the platform's own caches may grow
# once (Wine's heap takes a few megabytes in one step, in either half of the run), but a leak
# grows with the count and so shows in both halves. One half must add next to nothing; a leak of
# one handle or a few hundred bytes per cycle exceeds this many times in each half.
HANDLE_NOISE = 4
ONE_TIME_GROWTH = 8 * 1024 * 1024
SECOND_HALF_NOISE = 128 * 1024


def run_leak_check(*args, timeout=240):
    done = run_windows(["leak_check.exe", *args], timeout)
    output = done.stdout.decode("utf-8", "replace")
    samples = {}
    for label, handles, private in re.findall(r"sample=(\w+) handles=(\d+) private=(\d+)", output):
        samples[label] = (int(handles), int(private))
    return done.returncode, samples, output


class NoLeaks(unittest.TestCase):
    def assert_flat(self, samples, output):
        self.assertEqual(set(samples), {"warm", "half", "end"}, output)
        (warm_handles, warm_memory), (half_handles, half_memory), (end_handles, end_memory) = (
            samples["warm"], samples["half"], samples["end"])
        self.assertLessEqual(end_handles - warm_handles, HANDLE_NOISE, output)
        self.assertLessEqual(end_memory - warm_memory, ONE_TIME_GROWTH, output)
        # No growth with the count: the second half adds no handle, and one of the two halves
        # adds (almost) no memory; the heap's one step may fall into either.
        self.assertLessEqual(end_handles - half_handles, 1, output)
        self.assertLessEqual(min(half_memory - warm_memory, end_memory - half_memory), SECOND_HALF_NOISE, output)

    def test_thousand_start_release_cycles(self):
        with RecordingServer() as server:
            dll = plugin_folder({"server_url": f"http://127.0.0.1:{server.port}/", "password": "leak"})
            code, samples, output = run_leak_check("cycles", dll, "1000")
        self.assertEqual(code, 0, output)
        self.assert_flat(samples, output)

    def test_thousands_of_failing_and_succeeding_updates(self):
        with RecordingServer() as server, refusing_port() as closed:
            code, samples, output = run_leak_check("updates", f"http://127.0.0.1:{server.port}/",
                                                   f"http://127.0.0.1:{closed.getsockname()[1]}/", "1000")
            delivered = len(server.requests)
        self.assertEqual(code, 0, output)
        self.assertGreaterEqual(delivered, 1000)
        self.assert_flat(samples, output)


if __name__ == "__main__":
    exit_cleanly_on_sigterm()
    unittest.main(verbosity=2)
