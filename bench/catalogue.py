"""Catalogue: Expand All over a large tree, printing every directory's path,
against `find -type d`; making a directory of 100,000 files current (read,
match, sort, count) and printing its list (name, size, date, time and
attributes of every file) against `ls -l` (sorted by name, by size with -S,
by extension with -X); the tag operations on 100,000 files in milliseconds;
and the heap bytes per directory record and per file record.

The data is made once, from a fixed seed, under $VORLANE_BENCH_DATA:
  tree/  100,000 directories up to depth 8, 300,000 files, 300 zip files
  big/   one directory of 100,000 files (sparse files of random sizes)
Each side is a whole run of its program, start-up included, and every
round's output is checked: one line per directory or file on both sides
(Vorlane's tree holds the 300 zip files as directories too, so it prints
300 paths more than find).
"""
import os
import random
import subprocess
import zipfile

import benchlib

PACKAGES = ["findutils", "coreutils"]

SEED = 20240611
TREE_DIRS = 100_000
TREE_FILES = 300_000
TREE_ZIPS = 300
TREE_DEPTH = 8
BIG_FILES = 100_000
MARKER = "complete-v1"
EXTENSIONS = ["txt", "c", "h", "doc", "jpg", "png", "pdf", "tar.gz", "ZIPX", "", "Md", "dat"]


def _touch(path, size=0):
    fd = os.open(path, os.O_CREAT | os.O_WRONLY | os.O_TRUNC, 0o644)
    try:
        if size:
            os.ftruncate(fd, size)
    finally:
        os.close(fd)


def _file_name(rng, number):
    ext = rng.choice(EXTENSIONS)
    stem = f"{rng.choice(['f', 'File', 'report', 'IMG_', 'data'])}{number:06d}"
    return f"{stem}.{ext}" if ext else stem


def _make_tree(root, rng):
    dirs = benchlib.make_directory_tree(root, rng, TREE_DIRS, TREE_DEPTH)
    for number in range(TREE_FILES):
        parent, _ = dirs[rng.randrange(len(dirs))]
        _touch(f"{root}{parent}/{_file_name(rng, number)}", rng.randrange(0, 5000))
    for number in range(TREE_ZIPS):
        parent, _ = dirs[rng.randrange(len(dirs))]
        with zipfile.ZipFile(f"{root}{parent}/archive{number:03d}.zip", "w") as archive:
            info = zipfile.ZipInfo("member.txt", date_time=(2020, 1, 2, 3, 4, 6))
            archive.writestr(info, f"member of archive {number}\n")


def _make_big(root, rng):
    for number in range(BIG_FILES):
        _touch(f"{root}/{_file_name(rng, number)}", rng.randrange(0, 10_000_000))


def prepare(ctx):
    if (ctx.data_dir / MARKER).exists():
        return
    for sub in ("tree", "big"):
        path = ctx.data_dir / sub
        if path.exists():
            subprocess.run(["rm", "-rf", str(path)], check=True)
        path.mkdir(parents=True)
    _make_tree(str(ctx.data_dir / "tree"), random.Random(SEED))
    _make_big(str(ctx.data_dir / "big"), random.Random(SEED + 1))
    (ctx.data_dir / MARKER).write_text("made\n")


def _figures(ctx, args, units):
    done = subprocess.run([ctx.program("catalogue_bench"), *args], capture_output=True,
                          text=True)
    if done.returncode != 0:
        ctx.fail(args[0], f"exited with status {done.returncode}: {done.stderr.strip()}")
    out = done.stdout
    for line in out.splitlines():
        key, _, value = line.partition(" ")
        if key in units:
            ctx.figure(key, float(value), units[key])


def _lines(ours, peer):
    """A check that the output holds the lines expected of each side."""
    def check(label, output):
        got = benchlib.line_count(output)
        want = ours if label == "vorlane" else peer
        return None if got == want else f"printed {got} lines, not {want}"
    return check


def run(ctx):
    program = ctx.program("catalogue_bench")
    tree = str(ctx.data_dir / "tree")
    big = str(ctx.data_dir / "big")

    # Vorlane prints a path a directory (zip files are directories of its
    # tree too) and its count; find a path a directory. Vorlane prints a line
    # a file and its total; ls a line a file and its own total.
    ctx.compare("expand-all", [program, "expand", tree], {"find": ["find", tree, "-type", "d"]},
                check=_lines(TREE_DIRS + TREE_ZIPS + 1, TREE_DIRS))
    listing = _lines(BIG_FILES + 1, BIG_FILES + 1)
    ctx.compare("current-by-name", [program, "current", big, "name"],
                {"ls -l": ["ls", "-l", big]}, check=listing)
    ctx.compare("current-by-size", [program, "current", big, "size"],
                {"ls -lS": ["ls", "-lS", big]}, check=listing)
    ctx.compare("current-by-extension", [program, "current", big, "extension"],
                {"ls -lX": ["ls", "-lX", big]}, check=listing)

    _figures(ctx, ["tags", big, "21"],
             {"tag-every": "ms", "invert-all": "ms", "tagged-range": "ms"})
    _figures(ctx, ["memory", tree, big],
             {"directory-record": "bytes", "directory-path-chars": "chars",
              "file-record": "bytes", "file-name-heap": "bytes", "file-object": "bytes"})
