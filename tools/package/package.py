#!/usr/bin/env python3
"""Makes the release package: dist/ZenlarkVdjStandalone-<version>-win64.zip.

The archive holds, side by side, what a DJ copies into the host's plug-in folder: the plug-in
DLL, the settings check tool, the sample settings file and the user guide. The version is the
project version in CMakeLists.txt, the one the version resources carry.

    package.py [--build build/win64] [--output dist]
"""
import argparse
import os
import re
import sys
import time
import zipfile

SOURCE_DIR = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
PACKAGE_NAME = "ZenlarkVdjStandalone"


class PackageError(RuntimeError):
    pass


def project_version(source_dir=SOURCE_DIR):
    with open(os.path.join(source_dir, "CMakeLists.txt"), encoding="utf-8") as file:
        found = re.search(r"^\s*project\(\s*\S+\s+VERSION\s+([0-9][0-9.]*)", file.read(), re.MULTILINE)
    if not found:
        raise PackageError("CMakeLists.txt names no project version")
    return found.group(1)


def package_contents(build_dir, source_dir=SOURCE_DIR):
    """(name in the archive, file on disk), in archive order."""
    return [
        ("ZenlarkVdjStandalone.dll", os.path.join(build_dir, "ZenlarkVdjStandalone.dll")),
        ("ZenlarkVdjCheck.exe", os.path.join(build_dir, "ZenlarkVdjCheck.exe")),
        ("ZenlarkVdjStandalone.ini", os.path.join(source_dir, "packaging", "ZenlarkVdjStandalone.ini")),
        ("user-guide.md", os.path.join(source_dir, "docs", "user-guide.md")),
    ]


def _zip_time(path):
    # Zip times start in 1980; a file dated earlier (a checkout with no times) gets that start.
    return max(time.localtime(os.path.getmtime(path))[:6], (1980, 1, 1, 0, 0, 0))


def make_package(build_dir, output_dir, source_dir=SOURCE_DIR):
    """Writes the archive and returns its path. Every file must be there: a package without its
    check tool or guide would leave the user without the answer it promises."""
    contents = package_contents(build_dir, source_dir)
    missing = [path for _, path in contents if not os.path.isfile(path)]
    if missing:
        raise PackageError("cannot package, missing:\n  " + "\n  ".join(missing))
    os.makedirs(output_dir, exist_ok=True)
    archive = os.path.join(output_dir, f"{PACKAGE_NAME}-{project_version(source_dir)}-win64.zip")
    partial = archive + ".partial"
    with zipfile.ZipFile(partial, "w", compression=zipfile.ZIP_DEFLATED) as package:
        for name, path in contents:
            entry = zipfile.ZipInfo(name, date_time=_zip_time(path))
            entry.compress_type = zipfile.ZIP_DEFLATED
            entry.external_attr = 0o644 << 16
            with open(path, "rb") as file:
                package.writestr(entry, file.read())
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
