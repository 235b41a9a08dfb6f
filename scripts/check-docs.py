#!/usr/bin/env python3
"""Keeps the documents true to the tree they describe: README.md and every
docs/*.md. A renamed script or a dropped setting otherwise leaves the
documents pointing at nothing, and nobody notices until a newcomer follows
them.

    check-docs.py [ROOT]    exits 1 and names each fault

It checks that
- every repository path the documents write as code (`scripts/play.sh`,
  `tests/wine/session.sh`, `player/resources/`, ...) exists; build outputs
  (build/...) and paths outside the tree (/usr/..., ~/...) are not checked;
- every SOBEEP_* name they mention is a setting that the tree reads;
- every setting that a script, CMake file or test source reads stands in a
  table row of docs/development.md, and so does every file in scripts/;
- every relative link and picture resolves, with its #anchor if it has one.
"""
import os
import re
import sys
from pathlib import Path

DEV_DOC = "docs/development.md"
# First components of paths that are not the repository's: build outputs,
# and the usual places outside the checkout.
NOT_IN_TREE = {"build", "usr", "lib", "etc", "tmp", "home", "proc", "dev", "var", "opt", "bin"}

SETTING = r"(SOBEEP_[A-Z0-9_]+)"
# How each kind of source reads a setting: a shell expansion, a CMake option
# or cache entry a user may set (INTERNAL ones are not), CMake's view of
# the environment, and the environment calls of C++ and Python.
READS = {
    "shell": [re.compile(r"\$\{?" + SETTING)],
    "cmake": [
        re.compile(r"\boption\(\s*" + SETTING),
        re.compile(r"\bset\(\s*" + SETTING + r"\s[^)]*\bCACHE\s+(?!INTERNAL)\w+", re.S),
        re.compile(r"\$ENV\{" + SETTING + r"\}"),
    ],
    "cpp": [re.compile(r"\b(?:GetEnvironmentVariable[AW]?|_?w?getenv)\s*\(\s*L?\"" + SETTING)],
    "python": [re.compile(r"\bos\.(?:environ(?:\.get)?|getenv)\s*[\[(]\s*[\"']" + SETTING)],
}

CODE_SPAN = re.compile(r"(`+)(.+?)\1", re.S)
FENCE = re.compile(r"^(```|~~~)")
LIST_ITEM = re.compile(r"\s*(?:[-*+]|\d+[.)])\s")
LINK = re.compile(r"!?\[(?:[^\[\]]|\[[^\]]*\])*\]\(\s*<?([^)\s>]+)>?(?:\s+\"[^\"]*\")?\s*\)")
PATH = re.compile(r"(?<![\w$~/.\\:-])((?:\.ci|[A-Za-z0-9_][\w.-]*)/[\w./*-]*)")


def kind_of(path):
    name = path.name
    if name.endswith(".sh") or name == "run" and path.parent.name == ".ci":
        return "shell"
    if name == "CMakeLists.txt" or name.endswith(".cmake"):
        return "cmake"
    if name.endswith((".cpp", ".h")):
        return "cpp"
    if name.endswith(".py"):
        return "python"
    return None


def tree_files(root):
    """Every file of the source tree, without .git and build folders."""
    for folder, dirs, files in os.walk(root):
        here = Path(folder)
        dirs[:] = [d for d in dirs
                   if d != ".git" and not (here / d / "CMakeCache.txt").exists()
                   and not (here == root and d.startswith("build"))]
        for name in files:
            yield here / name


def documents(root):
    docs = [root / "README.md"] + sorted((root / "docs").glob("*.md"))
    return [d for d in docs if d.exists()]


def split_prose_and_code(text):
    """The document's lines outside code blocks, and the text of its code
    (fenced blocks, indented blocks that are not a list item's
    continuation, and inline spans)."""
    prose, code = [], []
    fenced = in_code = in_list = False
    after_blank = True
    for line in text.splitlines():
        if FENCE.match(line.strip()):
            fenced = not fenced
            continue
        if fenced:
            code.append(line)
            continue
        if not line.strip():
            after_blank = True
            prose.append(line)
            continue
        indented = line.startswith(("    ", "\t"))
        if indented and (in_code or (after_blank and not in_list)):
            in_code = True
            code.append(line)
        else:
            in_code = False
            if not indented:
                in_list = bool(LIST_ITEM.match(line))
            prose.append(line)
        after_blank = False
    prose_text = "\n".join(prose)
    code += [m.group(2) for m in CODE_SPAN.finditer(prose_text)]
    return prose_text, code


def slug(heading):
    """GitHub's anchor for a heading: lower case, markup and punctuation
    dropped, blanks made hyphens."""
    text = re.sub(r"`|\*\*|__|!?\[([^\]]*)\]\([^)]*\)", lambda m: m.group(1) or "", heading)
    text = re.sub(r"[^\w\- ]", "", text.strip().lower())
    return text.replace(" ", "-")


def anchors(path):
    found, seen = set(), {}
    fenced = False
    for line in path.read_text(encoding="utf-8").splitlines():
        if FENCE.match(line.strip()):
            fenced = not fenced
        elif not fenced and re.match(r"#{1,6} ", line):
            base = slug(line.lstrip("#"))
            count = seen.get(base, 0)
            seen[base] = count + 1
            found.add(base if count == 0 else f"{base}-{count}")
    return found


def main():
    root = Path(sys.argv[1] if len(sys.argv) > 1 else Path(__file__).resolve().parent.parent).resolve()
    me = Path(__file__).resolve()
    faults = []

    settings_read = {}
    for path in tree_files(root):
        kind = kind_of(path)
        if kind is None or path.resolve() == me:
            continue
        text = path.read_text(encoding="utf-8", errors="replace")
        for pattern in READS[kind]:
            for name in pattern.findall(text):
                settings_read.setdefault(name, path.relative_to(root))

    docs = documents(root)
    named_paths = checked_links = 0
    for doc in docs:
        rel = doc.relative_to(root)
        text = doc.read_text(encoding="utf-8")
        prose, code = split_prose_and_code(text)

        for snippet in code:
            for name in PATH.findall(snippet):
                if "…" in name or name.split("/")[0] in NOT_IN_TREE:
                    continue
                named_paths += 1
                if not any(root.glob(name.rstrip("/"))):
                    faults.append(f"{rel}: names `{name}`, which is not in the tree")

        for name in sorted(set(re.findall(SETTING, text))):
            if name not in settings_read:
                faults.append(f"{rel}: names {name}, which nothing in the tree reads")

        for target in LINK.findall(prose):
            if re.match(r"[a-z][a-z0-9+.-]*:", target):
                continue
            checked_links += 1
            file_part, _, anchor = target.partition("#")
            dest = (doc.parent / file_part).resolve() if file_part else doc
            if not dest.exists():
                faults.append(f"{rel}: links to {target}, which does not exist")
            elif anchor and dest.suffix == ".md" and anchor not in anchors(dest):
                faults.append(f"{rel}: links to {target}, which has no heading #{anchor}")

    table = ""
    if (root / DEV_DOC).exists():
        table = "\n".join(line for line in (root / DEV_DOC).read_text(encoding="utf-8").splitlines()
                          if line.lstrip().startswith("|"))
    else:
        faults.append(f"{DEV_DOC} is missing")
    for name, source in sorted(settings_read.items()):
        if not re.search(r"(?:(?<=-D)|(?<![A-Z0-9_]))" + name + r"(?![A-Z0-9_])", table):
            faults.append(f"{name}, read by {source}, is not in {DEV_DOC}'s table")
    scripts = sorted(p.name for p in (root / "scripts").iterdir() if p.is_file())
    for name in scripts:
        if f"scripts/{name}" not in table:
            faults.append(f"scripts/{name} is not in {DEV_DOC}'s table")

    for fault in faults:
        print(fault, file=sys.stderr)
    print(f"documents: {len(docs)} files, {named_paths} paths, {checked_links} links, "
          f"{len(settings_read)} settings and {len(scripts)} scripts: "
          + ("all true" if not faults else f"{len(faults)} faults"))
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
