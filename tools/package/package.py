#!/usr/bin/env python3
"""Makes the release package: dist/ZenlarkVdjStandalone-<version>-win64.zip.

The archive holds, side by side, what a DJ copies into the host's plug-in folder: the plug-in
DLL, the setup window, the settings check tool, the sample settings file and the user guide. The version is the
project version in CMakeLists.txt, the one the version resources carry.

Two files are converted on the way. The sample settings file goes out as UTF-16 LE with its
byte-order mark: Windows' profile reader reads any other file in the ANSI code page, and Notepad
keeps a file's encoding when the DJ saves it, so letters outside ASCII typed into the shipped
file survive. The user guide goes out as an HTML page that Windows opens with a double-click,
rendered from the Markdown by Debian's python3-markdown.

    package.py [--build build/win64] [--output dist]
"""
import argparse
import html
import os
import re
import subprocess
import sys
import time
import zipfile

SOURCE_DIR = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
PACKAGE_NAME = "ZenlarkVdjStandalone"
# Debian's interpreter, which sees Debian's python3-markdown; a Python installed elsewhere does not.
MARKDOWN_PYTHON = "/usr/bin/python3"
MARKDOWN_EXTENSIONS = ("tables", "toc", "fenced_code")
UTF16_BOM = b"\xff\xfe"


class PackageError(RuntimeError):
    pass


def project_version(source_dir=SOURCE_DIR):
    with open(os.path.join(source_dir, "CMakeLists.txt"), encoding="utf-8") as file:
        found = re.search(r"^\s*project\(\s*\S+\s+VERSION\s+([0-9][0-9.]*)", file.read(), re.MULTILINE)
    if not found:
        raise PackageError("CMakeLists.txt names no project version")
    return found.group(1)


def package_contents(build_dir, source_dir=SOURCE_DIR):
    """(name in the archive, file on disk, conversion or None), in archive order."""
    return [
        ("ZenlarkVdjStandalone.dll", os.path.join(build_dir, "ZenlarkVdjStandalone.dll"), None),
        ("ZenlarkVdjSetup.exe", os.path.join(build_dir, "ZenlarkVdjSetup.exe"), None),
        ("ZenlarkVdjCheck.exe", os.path.join(build_dir, "ZenlarkVdjCheck.exe"), None),
        ("ZenlarkVdjStandalone.ini", os.path.join(source_dir, "packaging", "ZenlarkVdjStandalone.ini"),
         settings_as_utf16),
        ("user-guide.html", os.path.join(source_dir, "docs", "user-guide.md"), guide_as_html),
    ]


def settings_as_utf16(path):
    """The settings file as UTF-16 LE with its byte-order mark; the repository copy is ASCII."""
    with open(path, "rb") as file:
        text = file.read().decode("ascii")
    return UTF16_BOM + text.encode("utf-16-le")


def guide_as_html(path):
    """The Markdown guide as a whole HTML page in UTF-8; its links to its own headings keep working."""
    try:
        rendered = subprocess.run(
            [MARKDOWN_PYTHON, "-m", "markdown", "-e", "utf-8",
             *[arg for extension in MARKDOWN_EXTENSIONS for arg in ("-x", extension)], path],
            capture_output=True, check=True, timeout=60)
    except (OSError, subprocess.SubprocessError) as error:
        raise PackageError(f"cannot render {path} (needs Debian's python3-markdown): {error}") from error
    body = rendered.stdout.decode("utf-8")
    found = re.search(r"<h1[^>]*>(.*?)</h1>", body)
    title = re.sub(r"<[^>]+>", "", found.group(1)) if found else PACKAGE_NAME
    return (HTML_PAGE.replace("{title}", html.escape(html.unescape(title))).replace("{body}", body)).encode("utf-8")


# A small embedded stylesheet: lines short enough to read on a laptop screen, headings that stand
# out, code blocks set apart that one click selects whole for copying, wide tables that scroll.
HTML_PAGE = """<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>{title}</title>
<style>
body { margin: 0; color: #1f2328; background: #fff; font: 16px/1.5 "Segoe UI", system-ui, sans-serif; }
main { max-width: 46rem; margin: 0 auto; padding: 1.5rem 1.25rem 4rem; }
h1 { font-size: 1.9rem; line-height: 1.2; margin: 0.5rem 0 1rem; }
h2 { font-size: 1.45rem; margin: 2.2rem 0 0.7rem; padding-bottom: 0.3rem; border-bottom: 2px solid #d0d7de; }
h3 { font-size: 1.15rem; margin: 1.6rem 0 0.4rem; }
p, li { margin: 0.4rem 0; }
ol > li { margin: 0.8rem 0; }
a { color: #0b5cad; }
code { font-family: Consolas, "Cascadia Mono", monospace; font-size: 0.92em; background: #eff2f5;
       padding: 0.1em 0.3em; border-radius: 3px; white-space: nowrap; }
pre { background: #f6f8fa; border: 1px solid #d0d7de; border-left: 4px solid #0b5cad; border-radius: 4px;
      padding: 0.7rem 1rem; overflow-x: auto; line-height: 1.4; user-select: all; }
pre code { background: none; padding: 0; font-size: 0.9rem; white-space: pre; }
table { display: block; overflow-x: auto; border-collapse: collapse; margin: 0.8rem 0; font-size: 0.95rem; }
th, td { border: 1px solid #d0d7de; padding: 0.4rem 0.6rem; text-align: left; vertical-align: top; }
th { background: #f6f8fa; }
td:first-child { white-space: nowrap; }
</style>
</head>
<body>
<main>
{body}
</main>
</body>
</html>
"""


def _zip_time(path):
    # Zip times start in 1980; a file dated earlier (a checkout with no times) gets that start.
    return max(time.localtime(os.path.getmtime(path))[:6], (1980, 1, 1, 0, 0, 0))


def packaged_bytes(path, convert):
    if convert is not None:
        return convert(path)
    with open(path, "rb") as file:
        return file.read()


def packaged_file(build_dir, name, source_dir=SOURCE_DIR):
    """The bytes the archive holds under `name`, made exactly as make_package makes them."""
    for entry, path, convert in package_contents(build_dir, source_dir):
        if entry == name:
            return packaged_bytes(path, convert)
    raise PackageError(f"the package holds no {name}")


def make_package(build_dir, output_dir, source_dir=SOURCE_DIR):
    """Writes the archive and returns its path. Every file must be there: a package without its
    check tool or guide would leave the user without the answer it promises."""
    contents = package_contents(build_dir, source_dir)
    missing = [path for _, path, _ in contents if not os.path.isfile(path)]
    if missing:
        raise PackageError("cannot package, missing:\n  " + "\n  ".join(missing))
    # Converted before the archive is opened, so a failed conversion leaves no file behind.
    files = [(name, path, packaged_bytes(path, convert)) for name, path, convert in contents]
    os.makedirs(output_dir, exist_ok=True)
    archive = os.path.join(output_dir, f"{PACKAGE_NAME}-{project_version(source_dir)}-win64.zip")
    partial = archive + ".partial"
    with zipfile.ZipFile(partial, "w", compression=zipfile.ZIP_DEFLATED) as package:
        for name, path, data in files:
            entry = zipfile.ZipInfo(name, date_time=_zip_time(path))
            entry.compress_type = zipfile.ZIP_DEFLATED
            entry.external_attr = 0o644 << 16
            package.writestr(entry, data)
    # Never leave a half-written archive under the final name.
    os.replace(partial, archive)
    return archive


def main(argv=None):
    parser = argparse.ArgumentParser(description="Make the Windows release package.")
    parser.add_argument("--build", default=os.path.join(SOURCE_DIR, "build", "win64"),
                        help="the Windows build tree (default build/win64)")
    parser.add_argument("--output", default=os.path.join(SOURCE_DIR, "dist"),
                        help="where the archive goes (default dist)")
    options = parser.parse_args(argv)
    try:
        archive = make_package(options.build, options.output)
    except PackageError as error:
        print(f"package: {error}", file=sys.stderr)
        return 1
    with zipfile.ZipFile(archive) as package:
        for entry in package.infolist():
            print(f"  {entry.file_size:>9}  {entry.filename}")
    print(archive)
    return 0


if __name__ == "__main__":
    sys.exit(main())
