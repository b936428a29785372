"""The Wine runner's handling of exit statuses, with a stand-in `wine` that replays a list of them.

The runner starts a program again only when Wine failed to start it (status 66); every other
status, failures included, is the program's own and comes back unchanged after one run."""
import os
import stat
import subprocess
import tempfile
import unittest

RUNNER = os.path.join(os.environ["ZENLARK_SOURCE_DIR"], "cmake", "wine-run")

# Exits with the next status of $STATUSES (one per line), counting each start in $STARTS.
FAKE_WINE = """#!/bin/sh
echo start >> "$STARTS"
count=$(wc -l < "$STARTS")
status=$(sed -n "${count}p" "$STATUSES")
echo "ran $* with $(cat)"
exit "${status:-0}"
"""


class WineRunner(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory(prefix="wine-runner-")
        self.addCleanup(self.folder.cleanup)
        fake = os.path.join(self.folder.name, "wine")
        with open(fake, "w") as file:
            file.write(FAKE_WINE)
        os.chmod(fake, stat.S_IRWXU)

    def run_with(self, *statuses):
        """Runs a program through the runner; returns (exit status, starts, stdout)."""
        starts = os.path.join(self.folder.name, "starts")
        open(starts, "w").close()
        with open(os.path.join(self.folder.name, "statuses"), "w") as file:
            file.write("".join(f"{status}\n" for status in statuses))
        env = dict(os.environ, PATH=self.folder.name + os.pathsep + os.environ["PATH"],
                   STARTS=starts, STATUSES=os.path.join(self.folder.name, "statuses"))
        program = os.path.join(self.folder.name, "program.exe")
        done = subprocess.run([RUNNER, program, "--flag", "two words"], input=b"script\n",
                              capture_output=True, env=env, timeout=30)
        with open(starts) as file:
            return done.returncode, len(file.readlines()), done.stdout.decode()

    def test_programs_own_status_comes_back_after_one_run(self):
        for status in (0, 1, 2, 5):
            with self.subTest(status=status):
                code, starts, output = self.run_with(status)
                self.assertEqual((code, starts), (status, 1))
                self.assertIn("program.exe --flag two words with script", output)

    def test_a_failed_start_is_tried_again(self):
        code, starts, output = self.run_with(66, 0)
        self.assertEqual((code, starts), (0, 2))
        self.assertEqual(output.count("ran "), 2)

    def test_gives_up_after_three_failed_starts(self):
        code, starts, _ = self.run_with(66, 66, 66, 0)
        self.assertEqual((code, starts), (66, 3))


if __name__ == "__main__":
    unittest.main()
