"""The demo's own logic, without Wine or servers: the set it plays, the check tool's lines it reads
and the stream it points a user's own player at when it plays to a user's server."""
import os
import re
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.environ["ZENLARK_SOURCE_DIR"], "tools", "demo"))

import demo  # noqa: E402

# The host emulator's setting lines.
SETTING = re.compile(r"(crossfader -?[0-9.]+|deck [1-4] (play|volume) -?[0-9.]+|deck [1-4] (artist|title) .+)$")


class DemoSet(unittest.TestCase):
    def test_set_is_in_time_order_within_its_length_and_in_the_emulators_words(self):
        steps = demo.demo_set()
        times = [at for at, _, _ in steps]
        self.assertEqual(times, sorted(times))
        self.assertLess(times[-1], demo.SET_LENGTH - 2, "time for the last title to reach the listener")
        for _, setting, _ in steps:
            self.assertRegex(setting, SETTING)

    def test_every_expected_title_is_loaded_on_some_deck(self):
        loaded = {}
        for _, setting, _ in demo.demo_set():
            found = re.match(r"deck (\d) (artist|title) (.+)", setting)
            if found:
                loaded.setdefault(found.group(1), {})[found.group(2)] = found.group(3)
                deck = loaded[found.group(1)]
                if len(deck) == 2:
                    loaded.setdefault("titles", []).append(f"{deck.pop('artist')} - {deck.pop('title')}")
        self.assertEqual(loaded["titles"], demo.EXPECTED_TITLES)
        self.assertTrue(any(ord(c) > 127 for title in demo.EXPECTED_TITLES for c in title))


class WatchLines(unittest.TestCase):
    def test_only_the_check_tools_title_lines_name_a_title(self):
        self.assertEqual(demo.watch_line("08:16:26  Listeners see: Röyksopp - Eple"),
                         ("Listeners see: Röyksopp - Eple", "Röyksopp - Eple"))
        for line in ["08:16:26  Listeners see: (no title)", "08:16:25  Connected: listening for titles.",
                     "Listening to http://127.0.0.1:8000/live (the mount in the settings), as a player does."]:
            with self.subTest(line):
                self.assertIsNone(demo.watch_line(line)[1])


class ListenAddress(unittest.TestCase):
    def address(self, text, encoding="utf-8"):
        with tempfile.NamedTemporaryFile("w", suffix=".ini", delete=False, encoding=encoding, newline="\r\n") as file:
            file.write(text)
        self.addCleanup(os.unlink, file.name)
        return demo.listen_address(file.name)

    def test_icecast_stream_follows_the_plugins_mount_rules(self):
        cases = [
            ("[stream]\nserver_url=http://radio.example.com:8000/\nmount=/stream.mp3\n",
             "http://radio.example.com:8000/stream.mp3"),
            ("; comment\n[stream]\nserver_url=http://radio.example.com:8000\nmount=live\n",
             "http://radio.example.com:8000/live"),
            ("[stream]\nserver_url=http://radio.example.com/radio/\nmount=\n", "http://radio.example.com/radio/live"),
            ("[stream]\nserver_url=http://radio.example.com:8000/\n", "http://radio.example.com:8000/live"),
        ]
        # UTF-16 behind a byte-order mark is how the package ships the file and Notepad keeps it.
        for encoding in ("utf-8", "utf-16"):
            for text, expected in cases:
                with self.subTest(expected, encoding=encoding):
                    self.assertEqual(self.address(text, encoding), expected)

    def test_streams_the_demo_cannot_open_itself_give_none(self):
        for text in ["[stream]\nserver_url=https://radio.example.com/\n",
                     "[stream]\nserver_url=http://radio.example.com:8000/\nprotocol=SC2\n",
                     "[stream]\nserver_url=http://radio.example.com:8000/\nprotocol=my-shoutcast\n",
                     "[other]\nserver_url=http://radio.example.com:8000/\n",
                     "[stream]\nserver_url=\n", "not an ini file at all ["]:
            with self.subTest(text):
                self.assertIsNone(self.address(text))


if __name__ == "__main__":
    unittest.main(verbosity=2)
