"""The release archive from the build tree: the five files a DJ needs, under their final names,
a clear refusal when one of them is missing, and a guide that knows every option of the tool."""
import os
import re
import shutil
import sys
import tempfile
import unittest
import zipfile

SOURCE_DIR = os.environ["ZENLARK_SOURCE_DIR"]
BUILD_DIR = os.environ["ZENLARK_BUILD_DIR"]
sys.path.insert(0, os.path.join(SOURCE_DIR, "tools", "package"))
sys.path.insert(0, os.path.join(SOURCE_DIR, "tests", "integration"))

import package  # noqa: E402
from harness.windows import run_windows  # noqa: E402


class ReleasePackage(unittest.TestCase):
    def setUp(self):
        self.output = tempfile.mkdtemp(prefix="zenlark-dist-")
        self.addCleanup(shutil.rmtree, self.output, True)

    def test_archive_holds_the_plugin_tools_sample_and_guide(self):
        archive = package.make_package(BUILD_DIR, self.output)
        self.assertEqual(os.path.basename(archive),
                         f"ZenlarkVdjStandalone-{package.project_version()}-win64.zip")
        self.assertEqual(os.listdir(self.output), [os.path.basename(archive)], "no partial file left")
        with zipfile.ZipFile(archive) as zipped:
            self.assertIsNone(zipped.testzip())
            self.assertEqual(zipped.namelist(), ["ZenlarkVdjStandalone.dll", "ZenlarkVdjSetup.exe",
                                                 "ZenlarkVdjCheck.exe", "ZenlarkVdjStandalone.ini",
                                                 "user-guide.html"])
            for name in ("ZenlarkVdjStandalone.dll", "ZenlarkVdjSetup.exe", "ZenlarkVdjCheck.exe"):
                with open(os.path.join(BUILD_DIR, name), "rb") as file:
                    self.assertEqual(zipped.read(name), file.read(), name)
            with open(os.path.join(SOURCE_DIR, "packaging", "ZenlarkVdjStandalone.ini"), "rb") as file:
                self.assertEqual(zipped.read("ZenlarkVdjStandalone.ini"), b"\xff\xfe" + file.read().decode(
                    "ascii").encode("utf-16-le"), "the sample goes out as UTF-16 LE with its byte-order mark")
            guide = zipped.read("user-guide.html").decode("utf-8")
        self.assertTrue(guide.startswith("<!DOCTYPE html>"))
        self.assertIn("<table>", guide)
        for anchor in set(re.findall(r'href="#([^"]+)"', guide)):
            self.assertIn(f'id="{anchor}"', guide, "a link of the guide to its own heading")

    def test_guide_names_every_option_of_the_check_tool(self):
        done = run_windows(["ZenlarkVdjCheck.exe", "--help"], timeout=60)
        options = set(re.findall(r"(?<![\w-])--[a-z][a-z-]+", done.stdout.decode("utf-8", "replace")))
        self.assertIn("--watch", options)
        guide = package.packaged_file(BUILD_DIR, "user-guide.html").decode("utf-8")
        # Each has its row in the reference's table of options.
        self.assertEqual(sorted(option for option in options if f"<td><code>{option}" not in guide), [])

    def test_missing_check_tool_is_refused_by_name(self):
        build = tempfile.mkdtemp(prefix="zenlark-build-")
        self.addCleanup(shutil.rmtree, build, True)
        shutil.copy(os.path.join(BUILD_DIR, "ZenlarkVdjStandalone.dll"), build)
        with self.assertRaises(package.PackageError) as refused:
            package.make_package(build, self.output)
        self.assertIn("ZenlarkVdjCheck.exe", str(refused.exception))
        self.assertEqual(os.listdir(self.output), [])


if __name__ == "__main__":
    unittest.main(verbosity=2)
