#!/usr/bin/env python3
"""Packs the shipped files into the archive users download, the same bytes
from every build of one commit: whoever builds it, wherever, whenever.

    distzip.py --source ROOT --from DIR --output ZIP NAME...

Every field that a general-purpose archiver takes from the builder is fixed
here. Entries come in the order named (the installer's list of shipped
files); each is dated with the last commit's time, in UTC, since the local
time zone would otherwise shift the DOS date; each is a regular file of mode
0644 made on Unix, whatever the builder's umask and uid; all are deflated at
level 9. A tree without git history (an exported copy) takes the date from
SOURCE_DATE_EPOCH when that is set, and otherwise the earliest date a zip
can hold.

Writes ZIP, and ZIP.sha256 beside it in sha256sum's format so that a
download can be checked with `sha256sum -c`; prints the digest."""
import argparse
import hashlib
import os
import subprocess
import sys
import time
import zipfile

# The zip format's DOS dates run from 1980 to 2107.
EARLIEST = 315532800  # 1980-01-01 00:00:00 UTC
LATEST = 4354819198  # 2107-12-31 23:59:58 UTC
MODE = 0o100644  # a regular file, rw-r--r--
UNIX = 3  # the "made by" system whose attributes carry a Unix mode


def commit_time(root):
    """The last commit's time (seconds since the epoch) when ROOT is the top
    of a git work tree, else None: a copy unpacked inside another repository
    must not take that repository's date."""
    # A checkout that another user owns is still this build's source: git
    # would otherwise refuse to read it, and the zip would take another date.
    git = ["git", "-c", f"safe.directory={root}", "-C", root]
    try:
        top = subprocess.run(git + ["rev-parse", "--show-toplevel"],
                             capture_output=True, text=True, check=True).stdout.strip()
        if os.path.realpath(top) != os.path.realpath(root):
            return None
        out = subprocess.run(git + ["log", "-1", "--format=%ct"],
                             capture_output=True, text=True, check=True).stdout.strip()
        return int(out)
    except (OSError, subprocess.CalledProcessError, ValueError):
        return None


def release_time(root):
    """The entries' date and where it came from."""
    seconds = commit_time(root)
    if seconds is not None:
        return seconds, "the last commit"
    variable = os.environ.get("SOURCE_DATE_EPOCH", "")
    if variable:
        try:
            return int(variable), "SOURCE_DATE_EPOCH"
        except ValueError:
            sys.exit(f"distzip: SOURCE_DATE_EPOCH is not a number of seconds: {variable!r}")
    return EARLIEST, "the earliest zip date (no git history, no SOURCE_DATE_EPOCH)"


def entry(name, seconds):
    # DOS dates count in 2-second steps; gmtime keeps the builder's time zone out.
    info = zipfile.ZipInfo(name, date_time=time.gmtime(min(max(seconds, EARLIEST), LATEST))[:6])
    info.compress_type = zipfile.ZIP_DEFLATED
    info.create_system = UNIX
    info.external_attr = MODE << 16
    return info


def pack(output, folder, names, seconds):
    """Writes the archive through a temporary file, so that an interrupted
    build never leaves a partial zip under the release's name."""
    partial = output + ".partial"
    try:
        with zipfile.ZipFile(partial, "w") as archive:
            for name in names:
                with open(os.path.join(folder, name), "rb") as f:
                    archive.writestr(entry(name, seconds), f.read(), compresslevel=9)
        os.replace(partial, output)
    except BaseException:
        if os.path.exists(partial):
            os.remove(partial)
        raise


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--source", required=True, help="the source tree whose last commit dates the entries")
    parser.add_argument("--from", dest="folder", required=True, help="the folder holding the files")
    parser.add_argument("--output", required=True, help="the zip to write")
    parser.add_argument("names", nargs="+", help="the files, in the archive's order")
    args = parser.parse_args(argv)

    seconds, origin = release_time(args.source)
    if origin != "the last commit":
        print(f"distzip: entries dated from {origin}", file=sys.stderr)
    # A failed pack must not leave an earlier build's zip and digest behind
    # as if they were this build's.
    for path in (args.output, args.output + ".sha256"):
        if os.path.exists(path):
            os.remove(path)
    try:
        pack(args.output, args.folder, args.names, seconds)
    except OSError as error:
        sys.exit(f"distzip: {error}")
    with open(args.output, "rb") as f:
        digest = hashlib.sha256(f.read()).hexdigest()
    base = os.path.basename(args.output)
    with open(args.output + ".sha256", "w", encoding="ascii", newline="\n") as f:
        f.write(f"{digest}  {base}\n")
    print(f"{base} SHA-256 {digest}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
