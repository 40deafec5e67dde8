"""Copy and move: the copy and move driver (one RunCopy, as a job runs it)
against the tools a user would otherwise reach for, each side a whole
process run.

Works:
- copy-20000-files: a tree of 20,000 files of about 4 KiB in 1,000
  directories copied against `cp -a`;
- copy-2000-1m: 2,000 files of 1 MiB (20 directories) against `cp -a`;
- move-other-fs: a tree of 1,000 files of about 4 KiB in 50 directories
  moved from a tmpfs onto a loop-mounted ext4 image against `mv` (the
  source on a tmpfs so that neither side waits for the data directory's
  own disk to delete; three rounds). Vorlane flushes every moved file and its directory
  before it deletes the source, mv flushes nothing, and the driver has no
  switch to leave the flushes out: the second peer row, mv+sync, is mv
  followed by `sync`, which writes back everything mv left dirty;
- move-same-fs: the tree of 20,000 files moved to another directory of
  its file system (one rename) against `mv`; also the absolute times;
- zip-5000-files: a directory of 5,000 files of 4 KiB (text) copied into a
  zip directory (an empty zip file; factor 5, relative paths) against
  `zip -5 -r` adding to the same empty zip file. The zip
  engine has no thread setting (it compresses on three threads: two
  workers and the calling thread; zip on one): the -one-cpu row runs both
  sides on one CPU (taskset);
- unzip-5000-files: the same directory copied out of zip's archive of it
  against `unzip`.

After every measurement each side's output is checked: trees equal their
source (diff -r) and a moved source is gone; archives list the same
members as zip's (unzip -Z1), pass `unzip -t`, and extract to the source's
bytes. A wrong output or a failed run fails the benchmark.

Outputs are retired (moved aside) and written back (sync) before every
measurement and purged after the series, as in the file operation bench,
except the 2 GiB outputs of copy-2000-1m, which are removed before the
same side's next measurement (kept, they push the source out of the page
cache); the sources are read once beforehand.
"""
import os
import random
import shutil
import subprocess
import zipfile

from zip import _text_block

PACKAGES = ["coreutils", "zip", "unzip", "e2fsprogs"]

SMALL_FILES = 20_000
SMALL_DIRS = 1_000
BIG_FILES = 2_000
BIG_DIRS = 20
MOVE_FILES = 1_000
MOVE_DIRS = 50
ZIP_FILES = 5_000
IMAGE_SIZE = 2 << 30


def _dirs(count):
    """count directory names, nested two deep: a tenth at the top, the rest
    spread below them."""
    top = max(1, count // 25)
    names = [f"d{t:03d}" for t in range(top)]
    names += [f"d{i % top:03d}/s{i:04d}" for i in range(count - top)]
    return names


def _make_tree(root, seed, files, dirs, size_of):
    rng = random.Random(seed)
    partial = root.with_name(root.name + ".partial")
    shutil.rmtree(partial, ignore_errors=True)
    names = _dirs(dirs)
    for name in names:
        (partial / name).mkdir(parents=True, exist_ok=True)
    for index in range(files):
        data = size_of(rng, index)
        (partial / names[index % dirs] / f"file{index:05d}.dat").write_bytes(data)
    os.sync()
    partial.rename(root)


def _small(rng, _index):
    return rng.randbytes(rng.randint(3 * 1024, 5 * 1024))


def _big_maker(seed):
    block = bytearray(random.Random(seed).randbytes(1 << 20))

    def big(_rng, index):
        block[0:8] = index.to_bytes(8, "little")  # no two files alike
        return bytes(block)
    return big


def _make_zip_source(root, seed):
    """root/FILES: 5,000 text files of 4 KiB in one directory."""
    rng = random.Random(seed)
    partial = root.with_name(root.name + ".partial")
    shutil.rmtree(partial, ignore_errors=True)
    (partial / "FILES").mkdir(parents=True)
    pool = _text_block(rng, 4 << 20)
    for index in range(ZIP_FILES):
        start = rng.randrange(len(pool) - 4096)
        (partial / "FILES" / f"F{index:04d}.TXT").write_bytes(pool[start:start + 4096])
    os.sync()
    partial.rename(root)


def prepare(ctx):
    data = ctx.data_dir
    if not (data / "small").exists():
        print("copymove: writing the tree of 20,000 files", flush=True)
        _make_tree(data / "small", 31, SMALL_FILES, SMALL_DIRS, _small)
    if not (data / "big").exists():
        print("copymove: writing 2,000 files of 1 MiB", flush=True)
        _make_tree(data / "big", 32, BIG_FILES, BIG_DIRS, _big_maker(32))
    if not (data / "move").exists():
        _make_tree(data / "move", 33, MOVE_FILES, MOVE_DIRS, _small)
    if not (data / "zipsource").exists():
        _make_zip_source(data / "zipsource", 34)
    archive = data / "zipped" / "FILES.ZIP"
    if not archive.exists():
        archive.parent.mkdir(exist_ok=True)
        partial = archive.with_name("partial.zip")
        if partial.exists():
            partial.unlink()
        subprocess.run(["zip", "-5", "-r", "-q", str(partial), "FILES"],
                       cwd=data / "zipsource", check=True)
        partial.rename(archive)
    image = data / "ext4.img"
    if not image.exists():
        partial = image.with_name("ext4.partial")
        with open(partial, "wb") as out:
            out.truncate(IMAGE_SIZE)
        subprocess.run(["mkfs.ext4", "-q", "-F", str(partial)], check=True)
        partial.rename(image)


def _warm(root):
    subprocess.run(["find", str(root), "-type", "f", "-exec", "cat", "{}", "+"],
                   stdout=subprocess.DEVNULL, check=False)


def _same_tree(a, b):
    done = subprocess.run(["diff", "-rq", str(a), str(b)], stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL)
    return done.returncode == 0


def _fresh(ctx, path):
    """Retires what a side made before and writes everything back."""
    ctx.retire(path)
    path.mkdir(parents=True)
    os.sync()


def _emptied(path):
    """Removes what a side made before and writes everything back: for
    outputs of gigabytes, which retired would crowd the sources out of
    the page cache."""
    shutil.rmtree(path, ignore_errors=True)
    path.mkdir(parents=True)
    os.sync()


def _run_copies(ctx, program, work):
    for name, source in (("copy-20000-files", "small"), ("copy-2000-1m", "big")):
        big = source == "big"
        master = ctx.data_dir / source
        _warm(master)
        out = {label: work / f"{name}-{label}" for label in ("vorlane", "cp-a")}

        def check(label, _output, out=out, master=master, source=source):
            if not _same_tree(master, out[label] / source):
                return "the copy differs from its source"
            return None

        ctx.compare(
            name,
            [program, "copy", str(ctx.data_dir), str(out["vorlane"]), f"C:\\{source}", "D:\\"],
            {"cp-a": ["cp", "-a", str(master), str(out["cp-a"])]},
            rounds=min(ctx.rounds, 3) if big else None,
            before_each=lambda label, out=out, big=big: (_emptied(out[label]) if big
                                                         else _fresh(ctx, out[label])),
            check=check,
        )
        ctx.purge()


def _mount(ctx, work, what, args):
    """Mounts onto a new directory of the work directory; None (and a note
    line) when the system refuses."""
    point = ctx.work_dir / what
    point.mkdir(exist_ok=True)
    done = subprocess.run(["mount", *args, str(point)], stdout=subprocess.DEVNULL,
                          stderr=subprocess.PIPE, text=True)
    if done.returncode != 0:
        ctx.note(work, f"not measured: cannot mount {what} ({done.stderr.strip()})")
        return None
    return point


def _run_move_other_fs(ctx, program):
    work = "move-other-fs"
    image = _mount(ctx, work, "ext4", ["-o", "loop", str(ctx.data_dir / "ext4.img")])
    if image is None:
        return
    memory = _mount(ctx, work, "tmpfs", ["-t", "tmpfs", "-o", "size=256m", "tmpfs"])
    try:
        if memory is None:
            return
        master = ctx.data_dir / "move"
        _warm(master)
        labels = ("vorlane", "mv", "mv+sync")
        source = {label: memory / label for label in labels}
        target = {label: image / label for label in labels}

        def fresh(label):
            # A new source on the tmpfs; the target emptied on the image.
            shutil.rmtree(source[label], ignore_errors=True)
            source[label].mkdir()
            subprocess.run(["cp", "-a", str(master), str(source[label] / "TREE")], check=True)
            shutil.rmtree(target[label], ignore_errors=True)
            target[label].mkdir()
            os.sync()

        def check(label, _output):
            if (source[label] / "TREE").exists():
                return "the source is still there"
            if not _same_tree(master, target[label] / "TREE"):
                return "the moved tree differs from its source"
            return None

        ctx.compare(
            work,
            [program, "move", str(source["vorlane"]), str(target["vorlane"]), "C:\\TREE", "D:\\"],
            {"mv": ["mv", str(source["mv"] / "TREE"), str(target["mv"])],
             "mv+sync": ["sh", "-c", f"mv '{source['mv+sync'] / 'TREE'}' "
                                     f"'{target['mv+sync']}' && exec sync"]},
            rounds=min(ctx.rounds, 3),
            before_each=fresh,
            check=check,
        )
        ctx.note(work, "vorlane flushes the target file system once for each batch of "
                       "copies (1,024 files or 256 MiB) before deleting their sources; mv "
                       "flushes nothing; mv+sync writes everything back once at the end")
    finally:
        for point in (memory, image):
            if point is not None:
                subprocess.run(["umount", str(point)], check=False)


def _run_move_same_fs(ctx, program, work):
    master = ctx.data_dir / "small"
    labels = ("vorlane", "mv")
    home = {label: work / f"same-{label}" for label in labels}
    for label in labels:
        (home[label] / "a").mkdir(parents=True)
        (home[label] / "b").mkdir()
        subprocess.run(["cp", "-a", str(master), str(home[label] / "a" / "TREE")], check=True)
    os.sync()
    top = sorted(os.listdir(master))

    def back(label):
        moved = home[label] / "b" / "TREE"
        if moved.exists():
            moved.rename(home[label] / "a" / "TREE")

    def check(label, _output):
        if (home[label] / "a" / "TREE").exists():
            return "the source is still there"
        moved = home[label] / "b" / "TREE"
        if not moved.is_dir() or sorted(os.listdir(moved)) != top:
            return "the moved directory is not the tree"
        return None

    medians = ctx.compare(
        "move-same-fs",
        [program, "move", str(home["vorlane"] / "a"), str(home["vorlane"] / "b"),
         "C:\\TREE", "D:\\"],
        {"mv": ["mv", str(home["mv"] / "a" / "TREE"), str(home["mv"] / "b")]},
        before_each=back,
        check=check,
    )
    for label in labels:
        ctx.figure(f"move-same-fs/{label}-ms", medians[label] * 1000.0, "ms")
        if not _same_tree(master, home[label] / "b" / "TREE"):
            ctx.fail("move-same-fs", f"{label}: the moved tree differs from its source")
        shutil.rmtree(home[label])


def _members(archive):
    listed = subprocess.run(["unzip", "-Z1", str(archive)], capture_output=True, text=True)
    return sorted(listed.stdout.split()) if listed.returncode == 0 else None


def _run_zip(ctx, program, work):
    source = ctx.data_dir / "zipsource"
    archive = ctx.data_dir / "zipped" / "FILES.ZIP"
    _warm(source)
    want = _members(archive)
    out = {label: work / f"zip-{label}" for label in ("vorlane", "zip")}
    scratch = work / "zip-check"

    def sound(label, _output):
        made = out[label] / "OUT.ZIP"
        got = _members(made)
        if got != want:
            return (f"lists {len(got or [])} members, not zip's {len(want)}"
                    if got is not None else "unzip cannot list the archive")
        shutil.rmtree(scratch, ignore_errors=True)
        extracted = subprocess.run(["unzip", "-q", str(made), "-d", str(scratch)],
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if extracted.returncode != 0 or not _same_tree(source / "FILES", scratch / "FILES"):
            return "the archive does not extract to the source"
        return None

    def fresh_archive(label):
        # A zip directory is a zip file that exists: both sides add to an
        # empty one.
        _fresh(ctx, out[label])
        zipfile.ZipFile(out[label] / "OUT.ZIP", "w").close()

    ours = [program, "copy", str(source), str(out["vorlane"]), "C:\\FILES", "D:\\OUT.ZIP"]
    peer = ["sh", "-c", f"cd '{source}' && exec zip -5 -r -q '{out['zip'] / 'OUT.ZIP'}' FILES"]
    for work_name, prefix in (("zip-5000-files", []),
                              ("zip-5000-files-one-cpu", ["taskset", "-c", "0"])):
        ctx.compare(work_name, prefix + ours, {"zip": prefix + peer},
                    before_each=fresh_archive, check=sound)
        ctx.purge()
    ctx.figure("zip-5000-files/vorlane-compressing-threads", 3, "threads")
    ctx.figure("zip-5000-files/zip-compressing-threads", 1, "threads")
    ctx.figure("zip-5000-files/cpus", os.cpu_count(), "cpus")

    extracted_to = {label: work / f"unzip-{label}" for label in ("vorlane", "unzip")}
    subprocess.run(["cat", str(archive)], stdout=subprocess.DEVNULL, check=False)

    def extracted(label, _output):
        if not _same_tree(source / "FILES", extracted_to[label] / "FILES"):
            return "the copied directory differs from its source"
        return None

    ctx.compare(
        "unzip-5000-files",
        [program, "copy", str(archive.parent), str(extracted_to["vorlane"]), "C:\\FILES.ZIP\\FILES",
         "D:\\"],
        {"unzip": ["unzip", "-q", "-o", str(archive), "-d", str(extracted_to["unzip"])]},
        before_each=lambda label: _fresh(ctx, extracted_to[label]),
        check=extracted,
    )
    ctx.purge()


def run(ctx):
    program = ctx.program("copymove_bench")
    work = ctx.work_dir
    try:
        _run_copies(ctx, program, work)
        _run_move_other_fs(ctx, program)
        _run_move_same_fs(ctx, program, work)
        _run_zip(ctx, program, work)
    finally:
        shutil.rmtree(work, ignore_errors=True)
