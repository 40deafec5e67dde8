"""Zip archives: the zip engine against Info-ZIP zip and unzip, each side a
whole process run.

Works:
- add-500m: a folder of about 500 MB in about 3,000 files (compressible
  text and incompressible random data, 40 directories) added at level 5
  with paths relative to its parent, against `zip -r -5 -q`; also prints
  the archive size ratio (Vorlane's archive / Info-ZIP's). Vorlane
  compresses on three threads (two workers and the calling thread), zip on
  one: add-500m-one-cpu runs both sides on one CPU (taskset), so neither
  gains from a second core;
- extract-500m: Info-ZIP's archive of that folder extracted with paths
  against `unzip -q`;
- list-100000: an archive of 100,000 small members (made by zip) read into
  the catalogue as a window reads it (a zip directory of member records,
  totalled) and printed one line a member, against `unzip -l`; also prints the
  heap a listed archive holds per member (all of it, and besides the names'
  own bytes) and the peak resident size the listing reaches per member;
- delete-100: 100 members deleted from that archive against `zip -d -q`,
  each side on its own fresh copy;
- extract-70000: an archive of 70,000 members of under 1 KiB (made by zip)
  extracted with paths as the program's commands do it (CZipFileOperation,
  with a status window taking every update) against `unzip -q -o`.

Outputs are retired (moved aside) and written back before each
measurement and purged after the series, as in the file operation bench.
Every round's output is checked on both sides (archives pass `unzip -t`,
extracted folders equal the source, listings hold every member, deletes
leave the right count); a wrong output or a failed run fails the benchmark.
"""
import os
import random
import shutil
import subprocess
import zipfile

import benchlib

PACKAGES = ["zip", "unzip"]

TREE_FILES = 3000
TREE_DIRS = 40
TREE_BYTES = 500 * 1000 * 1000
SMALL_MEMBERS = 100_000
DELETE_COUNT = 100
TINY_MEMBERS = 70_000

WORDS = ("the of and to in is that for it as with was on be by at this from or have an "
         "which not are but all were when we there can been has more if will one would "
         "archive member directory compression level header central record offset "
         "size file name time date attribute volume drive window status").split()


def _text_block(rng, size):
    lines = []
    total = 0
    while total < size:
        line = " ".join(rng.choice(WORDS) for _ in range(rng.randint(4, 14)))
        line = f"{rng.randint(0, 99999):05d} {line}\n"
        lines.append(line)
        total += len(line)
    return "".join(lines).encode()[:size]


def _make_tree(root, seed):
    rng = random.Random(seed)
    partial = root.with_name(root.name + ".partial")
    shutil.rmtree(partial, ignore_errors=True)
    partial.mkdir(parents=True)
    text_pool = _text_block(rng, 8 << 20)
    # Sizes from a skewed distribution scaled to the total.
    raw = [rng.lognormvariate(0, 1.3) for _ in range(TREE_FILES)]
    scale = TREE_BYTES / sum(raw)
    for index, weight in enumerate(raw):
        size = max(1, int(weight * scale))
        sub = partial / f"dir{index % TREE_DIRS:02d}"
        sub.mkdir(exist_ok=True)
        if index % 5 < 3:  # three in five are text
            start = rng.randrange(len(text_pool))
            data = bytearray()
            while len(data) < size:
                data += text_pool[start:start + size - len(data)]
                start = 0
            (sub / f"text{index:04d}.txt").write_bytes(bytes(data))
        else:
            (sub / f"data{index:04d}.bin").write_bytes(rng.randbytes(size))
    os.sync()
    partial.rename(root)


def _make_member_archive(archive, seed, folder, count, sizes, member_name, zip_args=()):
    """An archive (made by zip) of folder/<sub>/<member_name(index)> holding text of
    sizes[0] to sizes[1] bytes, 1,000 members a sub-folder."""
    rng = random.Random(seed)
    staging = archive.parent / f"{folder}.staging"
    shutil.rmtree(staging, ignore_errors=True)
    staging.mkdir(parents=True)
    for index in range(count):
        sub = staging / folder / member_name(index).rsplit("/", 1)[0]
        if index % 1000 == 0:
            sub.mkdir(parents=True)
        (staging / folder / member_name(index)).write_bytes(_text_block(rng, rng.randint(*sizes)))
    partial = archive.with_name(archive.name + ".partial")
    if partial.exists():
        partial.unlink()
    subprocess.run(["zip", "-r", "-q", *zip_args, str(partial), folder], cwd=staging, check=True)
    shutil.rmtree(staging)
    os.sync()
    partial.rename(archive)


def _make_small_archive(archive, seed):
    _make_member_archive(archive, seed, "small", SMALL_MEMBERS, (40, 400),
                         lambda i: f"d{i // 1000:03d}/m{i:06d}.txt", ("-D",))


def _make_tiny_archive(archive, seed):
    """70,000 members of 20 to 1,000 bytes in 70 folders."""
    _make_member_archive(archive, seed, "tiny", TINY_MEMBERS, (20, 1000),
                         lambda i: f"d{i // 1000:02d}/f{i:05d}.txt")


def _run_tiny_extract(ctx, program, sides):
    """Extracts the archive of 70,000 tiny members, each side into a fresh folder."""
    tiny = ctx.data_dir / "tiny.zip"
    subprocess.run(["cat", str(tiny)], stdout=subprocess.DEVNULL, check=False)

    with zipfile.ZipFile(tiny) as archive:
        files = [info for info in archive.infolist() if not info.is_dir()]
    want = (len(files), sum(info.file_size for info in files))

    def fresh_output(label):
        ctx.retire(sides[label] / "tiny-out")
        (sides[label] / "tiny-out").mkdir()
        os.sync()

    def all_extracted(label, _output):
        got = [0, 0]
        for folder, _dirs, names in os.walk(sides[label] / "tiny-out"):
            for name in names:
                got[0] += 1
                got[1] += os.path.getsize(os.path.join(folder, name))
        return None if tuple(got) == want else f"{got[0]} files of {got[1]} bytes, not {want}"

    ctx.compare("extract-70000",
                [program, "extract-files", str(tiny), str(sides["vorlane"] / "tiny-out")],
                {"unzip": ["unzip", "-q", "-o", str(tiny), "-d", str(sides["unzip"] / "tiny-out")]},
                before_each=fresh_output, check=all_extracted)
    same = subprocess.run(["diff", "-rq", str(sides["unzip"] / "tiny-out"),
                           str(sides["vorlane"] / "tiny-out")], stdout=subprocess.DEVNULL)
    if same.returncode != 0:
        ctx.fail("extract-70000", "the two sides extracted different files")
    ctx.purge()


def prepare(ctx):
    tree = ctx.data_dir / "tree"
    if not tree.exists():
        print("zip: writing the 500 MB folder", flush=True)
        _make_tree(tree, 21)
    peer_archive = ctx.data_dir / "tree-peer.zip"
    if not peer_archive.exists():
        partial = ctx.data_dir / "tree-peer.partial.zip"
        if partial.exists():
            partial.unlink()
        subprocess.run(["zip", "-r", "-5", "-q", str(partial), "tree"], cwd=ctx.data_dir,
                       check=True)
        partial.rename(peer_archive)
    small = ctx.data_dir / "small.zip"
    if not small.exists():
        print("zip: writing the archive of 100,000 members", flush=True)
        _make_small_archive(small, 22)
    tiny = ctx.data_dir / "tiny.zip"
    if not tiny.exists():
        print("zip: writing the archive of 70,000 tiny members", flush=True)
        _make_tiny_archive(tiny, 23)


def _warm(root):
    subprocess.run(["find", str(root), "-type", "f", "-exec", "cat", "{}", "+"],
                   stdout=subprocess.DEVNULL, check=False)


def run(ctx):
    program = ctx.program("zip_bench")
    tree = ctx.data_dir / "tree"
    small = ctx.data_dir / "small.zip"
    peer_archive = ctx.data_dir / "tree-peer.zip"
    _warm(tree)
    rounds = min(ctx.rounds, 3)

    sides = {}
    for label in ("vorlane", "zip", "unzip"):
        sides[label] = ctx.work_dir / label
        sides[label].mkdir(parents=True, exist_ok=True)

    # 1. add the folder at level 5.
    def retire_archive(label):
        ctx.retire(sides[label] / "tree.zip")
        os.sync()

    def archive_sound(label, _output):
        tested = subprocess.run(["unzip", "-tq", str(sides[label] / "tree.zip")],
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        return None if tested.returncode == 0 else "unzip -t finds errors in the archive"

    ours_add = [program, "add", str(tree), str(sides["vorlane"] / "tree.zip"), "5"]
    peer_add = ["sh", "-c", f"cd '{ctx.data_dir}' && exec zip -r -5 -q "
                            f"'{sides['zip'] / 'tree.zip'}' tree"]
    ctx.compare("add-500m", ours_add, {"zip": peer_add}, rounds=rounds,
                before_each=retire_archive, check=archive_sound)
    ctx.figure("add-500m/vorlane-compressing-threads", 3, "threads")
    ctx.figure("add-500m/zip-compressing-threads", 1, "threads")
    ctx.figure("add-500m/cpus", os.cpu_count(), "cpus")
    ours_size = (sides["vorlane"] / "tree.zip").stat().st_size
    peer_size = (sides["zip"] / "tree.zip").stat().st_size
    ctx.figure("add-500m/size-ratio", ours_size / peer_size, "x")
    ctx.purge()
    one_cpu = ["taskset", "-c", "0"]
    ctx.compare("add-500m-one-cpu", one_cpu + ours_add, {"zip": one_cpu + peer_add},
                rounds=rounds, before_each=retire_archive, check=archive_sound)
    ctx.purge()

    # 2. extract Info-ZIP's archive of the folder.
    def retire_output(label):
        ctx.retire(sides[label] / "out")
        (sides[label] / "out").mkdir()
        os.sync()

    def extracted(label, _output):
        same = subprocess.run(["diff", "-rq", str(tree), str(sides[label] / "out" / "tree")],
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        return None if same.returncode == 0 else "the extracted folder differs"

    ctx.compare("extract-500m",
                [program, "extract", str(peer_archive), str(sides["vorlane"] / "out")],
                {"unzip": ["unzip", "-q", "-o", str(peer_archive), "-d",
                           str(sides["unzip"] / "out")]},
                rounds=rounds, before_each=retire_output, check=extracted)
    ctx.purge()

    # 3. list the archive of 100,000 members.
    subprocess.run(["cat", str(small)], stdout=subprocess.DEVNULL, check=False)
    def listed(label, output):
        # A line a member, and Vorlane's total or unzip's three heading and
        # two closing lines.
        want = SMALL_MEMBERS + (1 if label == "vorlane" else 5)
        got = benchlib.line_count(output)
        return None if got == want else f"printed {got} lines, not {want}"

    ctx.compare("list-100000", [program, "list", str(small)],
                {"unzip": ["unzip", "-l", str(small)]}, check=listed)

    memory = subprocess.run([program, "memory", str(small)], capture_output=True, text=True,
                            check=True).stdout
    for line in memory.splitlines():
        what, _, value = line.partition(" ")
        if what.endswith("-per-member"):
            ctx.figure(f"list-100000/{what}", float(value), "bytes")

    # 4. delete 100 members, each side from its own fresh copy.
    names = [f"small/d{i // 1000:03d}/m{i:06d}.txt"
             for i in range(0, SMALL_MEMBERS, SMALL_MEMBERS // DELETE_COUNT)]
    names_file = ctx.work_dir / "names.txt"
    names_file.write_text("\n".join(n.replace("/", "\\") for n in names) + "\n")

    def fresh_copy(label):
        target = sides[label] / "small.zip"
        ctx.retire(target)
        shutil.copyfile(small, target)
        os.sync()

    def members_left(label, _output):
        names_left = subprocess.run(["unzip", "-Z1", str(sides[label] / "small.zip")],
                                    capture_output=True, text=True).stdout.split("\n")
        left = len([n for n in names_left if n.endswith(".txt")])
        want = SMALL_MEMBERS - DELETE_COUNT
        return None if left == want else f"{left} members left, not {want}"

    ctx.compare("delete-100",
                [program, "delete", str(sides["vorlane"] / "small.zip"), str(names_file)],
                {"zip": ["zip", "-d", "-q", str(sides["zip"] / "small.zip"), *names]},
                before_each=fresh_copy, check=members_left)
    ctx.purge()

    # 5. extract 70,000 tiny members.
    _run_tiny_extract(ctx, program, sides)
    shutil.rmtree(ctx.work_dir, ignore_errors=True)
