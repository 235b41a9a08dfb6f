#!/usr/bin/env python3
"""distzip.py run as the build runs it, on files and trees made here: the
same bytes whatever the builder's files, umask and time zone; every field
of every entry as the release needs it; the date from the last commit, or
from SOURCE_DATE_EPOCH or the earliest zip date without git history; and a
digest file that sha256sum accepts."""
import hashlib
import os
import subprocess
import sys
import tempfile
import unittest
import zipfile

SCRIPT = os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, "distzip.py")
# Shipped in this order, which is not the sorted one.
FILES = {"soBeep.exe": b"MZ player" * 500, "install.exe": b"MZ installer" * 300,
         "soBeep.hlp": bytes(range(256)) * 4, "soBeep.cnt": b":Base soBeep.hlp\r\n"}
NAMES = list(FILES)
# Saturday 2026-12-12 01:02:03 UTC: Friday evening west of Greenwich and a
# different hour in every zone that is not UTC, with odd seconds that the
# zip's 2-second steps round down.
COMMIT_TIME = 1797037323
COMMIT_DOS_DATE = (2026, 12, 12, 1, 2, 2)


def run(args, env=None, umask=None, check=True):
    def preexec():
        if umask is not None:
            os.umask(umask)
    return subprocess.run([sys.executable, SCRIPT] + args, env=env, preexec_fn=preexec,
                          capture_output=True, text=True, check=check)


def clean_env(**extra):
    env = {k: v for k, v in os.environ.items() if k not in ("SOURCE_DATE_EPOCH", "TZ")}
    env.update(extra)
    return env


def git(folder, *args):
    env = clean_env(GIT_AUTHOR_NAME="a", GIT_AUTHOR_EMAIL="a@example.org", GIT_COMMITTER_NAME="a",
                    GIT_COMMITTER_EMAIL="a@example.org",
                    GIT_AUTHOR_DATE=f"@{COMMIT_TIME} +0900",
                    GIT_COMMITTER_DATE=f"@{COMMIT_TIME} +0900")
    subprocess.run(["git", "-C", folder] + list(args), env=env, check=True, capture_output=True)


def make_tree(parent):
    """A source tree with one commit made at COMMIT_TIME."""
    tree = os.path.join(parent, "src")
    os.makedirs(tree)
    with open(os.path.join(tree, "README.md"), "w") as f:
        f.write("tree\n")
    git(tree, "init", "-q")
    git(tree, "add", "README.md")
    git(tree, "commit", "-q", "-m", "one")
    return tree


def make_files(parent, mode, mtime):
    folder = os.path.join(parent, "dist")
    os.makedirs(folder)
    for name, data in FILES.items():
        path = os.path.join(folder, name)
        with open(path, "wb") as f:
            f.write(data)
        os.chmod(path, mode)
        os.utime(path, (mtime, mtime))
    return folder


class DistZipTest(unittest.TestCase):
    def setUp(self):
        self.temp = tempfile.TemporaryDirectory()
        self.root = self.temp.name
        self.tree = make_tree(self.root)

    def tearDown(self):
        self.temp.cleanup()

    def pack(self, folder, output, env=None, umask=None, tree=None):
        return run(["--source", tree or self.tree, "--from", folder, "--output", output] + NAMES,
                   env=env or clean_env(), umask=umask)

    def test_two_builders_get_the_same_bytes(self):
        first = os.path.join(self.root, "one")
        second = os.path.join(self.root, "two", "deeper")
        os.makedirs(first)
        os.makedirs(second)
        a = make_files(first, 0o755, 1000000000)
        b = make_files(second, 0o600, 1900000000)
        self.pack(a, os.path.join(first, "r.zip"), env=clean_env(TZ="UTC"), umask=0o022)
        self.pack(b, os.path.join(second, "r.zip"), env=clean_env(TZ="XYZ-14"), umask=0o077)
        with open(os.path.join(first, "r.zip"), "rb") as f1, \
                open(os.path.join(second, "r.zip"), "rb") as f2:
            self.assertEqual(f1.read(), f2.read())

    def test_every_entry_is_fixed_and_holds_its_file(self):
        folder = make_files(self.root, 0o755, 1000000000)
        output = os.path.join(self.root, "r.zip")
        self.pack(folder, output, env=clean_env(TZ="America/Los_Angeles"))
        with zipfile.ZipFile(output) as archive:
            self.assertEqual(archive.comment, b"")
            self.assertEqual([i.filename for i in archive.infolist()], NAMES)
            for info in archive.infolist():
                with self.subTest(entry=info.filename):
                    self.assertEqual(info.date_time, COMMIT_DOS_DATE)
                    self.assertEqual(info.create_system, 3)
                    self.assertEqual(info.external_attr, 0o100644 << 16)
                    self.assertEqual(info.compress_type, zipfile.ZIP_DEFLATED)
                    self.assertEqual(info.extra, b"")
                    self.assertEqual(archive.read(info), FILES[info.filename])
        self.assertFalse(os.path.exists(output + ".partial"))

    def test_digest_file_checks_with_sha256sum(self):
        folder = make_files(self.root, 0o644, 1000000000)
        output = os.path.join(self.root, "SoBeep-1.0-win32.zip")
        printed = self.pack(folder, output).stdout
        with open(output, "rb") as f:
            digest = hashlib.sha256(f.read()).hexdigest()
        self.assertEqual(printed, f"SoBeep-1.0-win32.zip SHA-256 {digest}\n")
        checked = subprocess.run(["sha256sum", "-c", "SoBeep-1.0-win32.zip.sha256"],
                                 cwd=self.root, capture_output=True, text=True)
        self.assertEqual(checked.returncode, 0, checked.stdout + checked.stderr)
        with open(output, "ab") as f:
            f.write(b"\0")
        tampered = subprocess.run(["sha256sum", "-c", "SoBeep-1.0-win32.zip.sha256"],
                                  cwd=self.root, capture_output=True, text=True)
        self.assertNotEqual(tampered.returncode, 0)

    def test_a_tree_without_history_takes_the_date_from_the_environment(self):
        # An exported copy inside another repository: that repository's
        # commit is not this tree's.
        exported = os.path.join(self.tree, "exported")
        os.makedirs(exported)
        folder = make_files(self.root, 0o644, 1000000000)
        output = os.path.join(self.root, "r.zip")
        cases = [(clean_env(SOURCE_DATE_EPOCH="1500000001"), (2017, 7, 14, 2, 40, 0),
                  "SOURCE_DATE_EPOCH"),
                 (clean_env(), (1980, 1, 1, 0, 0, 0), "the earliest zip date")]
        for env, date, origin in cases:
            with self.subTest(origin=origin):
                note = self.pack(folder, output, env=env, tree=exported).stderr
                self.assertIn(origin, note)
                with zipfile.ZipFile(output) as archive:
                    self.assertEqual({i.date_time for i in archive.infolist()}, {date})

    def test_history_outranks_the_environment(self):
        folder = make_files(self.root, 0o644, 1000000000)
        output = os.path.join(self.root, "r.zip")
        result = self.pack(folder, output, env=clean_env(SOURCE_DATE_EPOCH="1500000001"))
        self.assertEqual(result.stderr, "")
        with zipfile.ZipFile(output) as archive:
            self.assertEqual({i.date_time for i in archive.infolist()}, {COMMIT_DOS_DATE})

    def test_a_missing_file_fails_and_leaves_no_zip(self):
        folder = make_files(self.root, 0o644, 1000000000)
        os.remove(os.path.join(folder, "soBeep.hlp"))
        output = os.path.join(self.root, "r.zip")
        result = run(["--source", self.tree, "--from", folder, "--output", output] + NAMES,
                     env=clean_env(), check=False)
        self.assertNotEqual(result.returncode, 0)
        self.assertFalse(os.path.exists(output))
        self.assertFalse(os.path.exists(output + ".sha256"))


if __name__ == "__main__":
    unittest.main()
