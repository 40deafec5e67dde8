"""File operations: the engine's primitives against the tools a user would
otherwise reach for, each side a whole process run.

Works:
- copy-1g: `Copy` of a 1 GiB file against `cp`;
- copy-20000-files: a tree of 20,000 files of about 4 KiB (200 directories
  of 100) copied one `Copy` after another (directories made first) against
  `cp -a` of the same tree;
- zap-256m: a one-pass `Zap` of a 256 MiB file against
  `shred -n 0 -z --remove=unlink` (both overwrite with zeros, flush, empty
  the file and remove the name; `shred -u` would also rename the file about
  ten times with a directory flush after each, work Vorlane does not do).

After every measurement the output is checked on both sides (the copy
equals its source, the zapped file is gone); a wrong output or a failed run
fails the benchmark.

Every measurement writes new files on both sides. Old outputs are retired
(moved aside) and written back (sync) before each measurement and purged
after the series, so both sides see the same delete history (ext4 writes
run slower for a while after a mass delete) and neither pays for the
other's dirty pages. The sources are read once beforehand so every run
starts from the page cache.
"""
import os
import random
import shutil
import subprocess

PACKAGES = ["coreutils"]

BIG_SIZE = 1 << 30
ZAP_SIZE = 256 << 20
TREE_DIRS = 200
TREE_FILES_PER_DIR = 100


def _write_pseudo_random(path, size, seed):
    """A file of size bytes that no file system can compress or share: a
    random 1 MiB block (fixed seed) with each copy stamped by its number."""
    block = bytearray(random.Random(seed).randbytes(1 << 20))
    partial = path.with_name(path.name + ".partial")
    with open(partial, "wb") as out:
        for index in range(size >> 20):
            block[0:8] = index.to_bytes(8, "little")
            out.write(block)
        out.flush()
        os.fsync(out.fileno())
    partial.rename(path)


def _make_tree(root, seed):
    rng = random.Random(seed)
    partial = root.with_name(root.name + ".partial")
    shutil.rmtree(partial, ignore_errors=True)
    partial.mkdir(parents=True)
    for d in range(TREE_DIRS):
        sub = partial / f"dir{d:03d}"
        sub.mkdir()
        for f in range(TREE_FILES_PER_DIR):
            size = rng.randint(3 * 1024, 5 * 1024)
            (sub / f"file{f:03d}.dat").write_bytes(rng.randbytes(size))
    os.sync()
    partial.rename(root)


def prepare(ctx):
    big = ctx.data_dir / "big.bin"
    if not big.exists():
        print("fileops: writing big.bin (1 GiB)", flush=True)
        _write_pseudo_random(big, BIG_SIZE, 11)
    zap = ctx.data_dir / "zap-template.bin"
    if not zap.exists():
        _write_pseudo_random(zap, ZAP_SIZE, 12)
    tree = ctx.data_dir / "tree"
    if not tree.exists():
        print("fileops: writing the tree of 20,000 files", flush=True)
        _make_tree(tree, 13)


def _warm(paths):
    for path in paths:
        subprocess.run(["cat", str(path)], stdout=subprocess.DEVNULL, check=False)


def run(ctx):
    program = ctx.program("fileops_bench")
    big = ctx.data_dir / "big.bin"
    tree = ctx.data_dir / "tree"
    _warm([big])
    subprocess.run(["find", str(tree), "-type", "f", "-exec", "cat", "{}", "+"],
                   stdout=subprocess.DEVNULL, check=False)

    sides = {}
    for label in ("vorlane", "cp", "cp-a"):
        sides[label] = ctx.work_dir / label
        sides[label].mkdir(parents=True, exist_ok=True)

    # Before every measurement the previous output is retired and written
    # back (sync), so neither side pays for the other's dirty pages.
    def copy_series(work, name, source, mode, peer, peer_args, same):
        def retire(label):
            ctx.retire(sides[label] / name)
            os.sync()

        def check(label, _output):
            done = subprocess.run([*same, str(source), str(sides[label] / name)],
                                  stdout=subprocess.DEVNULL,
                                  stderr=subprocess.DEVNULL)
            return None if done.returncode == 0 else "the copy differs from its source"

        ctx.compare(
            work,
            [program, mode, str(source), str(sides["vorlane"] / name)],
            {peer: [*peer_args, str(source), str(sides[peer] / name)]},
            before_each=retire,
            check=check,
        )

    copy_series("copy-1g", "big.bin", big, "copy", "cp", ["cp"], ["cmp", "-s"])
    ctx.purge()
    copy_series("copy-20000-files", "tree", tree, "tree", "cp-a", ["cp", "-a"], ["diff", "-rq"])
    count = sum(len(files) for _, _, files in os.walk(sides["vorlane"] / "tree"))
    ctx.figure("copy-20000-files/files", count, "files")
    ctx.purge()

    # Zap of 256 MiB: each side gets a fresh copy of the template, on disk,
    # in a directory of its own, which must be empty afterwards.
    template = ctx.data_dir / "zap-template.bin"
    for label in ("vorlane", "shred"):
        sides[label] = ctx.work_dir / f"zap-{label}"
        sides[label].mkdir(parents=True, exist_ok=True)

    def fresh_victim(label):
        victim = sides[label] / "victim.bin"
        ctx.retire(victim)
        subprocess.run(["dd", f"if={template}", f"of={victim}", "bs=1M", "conv=fsync",
                        "status=none"], check=True)

    def zapped(label, _output):
        left = os.listdir(sides[label])
        return None if not left else f"left {', '.join(left)} behind"

    ctx.compare(
        "zap-256m",
        [program, "zap", str(sides["vorlane"] / "victim.bin")],
        {"shred": ["shred", "-n", "0", "-z", "--remove=unlink",
                   str(sides["shred"] / "victim.bin")]},
        before_each=fresh_victim,
        check=zapped,
    )
    ctx.purge()
    shutil.rmtree(ctx.work_dir, ignore_errors=True)
