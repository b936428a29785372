"""Runs the Windows test program update_probe.exe, which sends one title update, under Wine."""
import collections

from .windows import run_windows

ProbeResult = collections.namedtuple("ProbeResult", "returncode fields stdout stderr")


def _parse_fields(stdout):
    """The key=value pairs of the last "delivered=..." line."""
    fields = {}
    for line in stdout.splitlines():
        if line.startswith("delivered="):
            fields = dict(item.partition("=")[::2] for item in line.split())
    return fields


def run_update_probe(url, title=None, title_bytes=None, protocol=None, mount=None, sid=None,
                     username=None, password=None, timeout=90.0):
    """Sends one update. title is sent as its UTF-8 text, title_bytes as raw host-text bytes.
    Options left as None are not passed, so the program's own defaults apply."""
    args = ["update_probe.exe", "--url", url]
    for flag, value in (("--protocol", protocol), ("--mount", mount), ("--sid", sid),
                        ("--username", username), ("--password", password)):
        if value is not None:
            args += [flag, value]
    if title_bytes is not None:
        args += ["--title-hex", title_bytes.hex().upper()]
    else:
        args += ["--title", title]
    done = run_windows(args, timeout)
    stdout = done.stdout.decode("utf-8", errors="replace")
    return ProbeResult(done.returncode, _parse_fields(stdout), stdout,
                       done.stderr.decode("utf-8", errors="replace"))
