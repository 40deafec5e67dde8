"""Zip archive commands against the shell tools that do the same work, each
side a whole process run. Three parts, each with its own data and checks:

- recompress-200-zips: a drive of 200 stored (uncompressed) zip files in
  20 directories, about 500 MB of members in all (text and incompressible
  bytes, sizes skewed), recompressed at level 5 by the recompress job
  (recompress_bench) against a shell loop that, for each zip file `find`
  lists, runs `unzip` into a temporary directory, `zip -r -5` back into a
  new archive and `mv` over the old one, then `sync`s (Vorlane flushes
  every archive it replaces). Vorlane also reads every new archive back
  (extracts it again, checking each CRC) before it replaces the old one;
  the loop checks nothing. The zip engine has no thread setting (it
  compresses on three threads: two workers and the calling thread; zip on
  one): the -one-cpu row runs both sides on one CPU (taskset).

Before every measurement the drive is made afresh from the master copy
(untimed); after it every archive must list the master's members with
the same sizes and CRCs, and be smaller than the stored one.

- ziptoexe-500m: ZipToExe of a stored archive of about 500 MB (the loader
  read, its slots filled, the archive appended to a temporary file, the
  offsets moved, the file flushed and renamed into place) against
  `cat vorlnsfx archive.zip > out && zip -A -q out && sync`.

After every measurement both outputs are checked with `unzip -tq`; a wrong
output or a failed run fails the benchmark. Old outputs are retired (moved
aside) before each measurement and purged after the series.

- add-5000 (bench/_zipadd.py): the Add File(s) To ZIP File command against
  `zip -5`, described there.
"""
import _zipadd
import os
import random
import shutil
import subprocess
import zipfile
from zip import _text_block

PACKAGES = ["coreutils", "findutils", "unzip", "util-linux", "zip"]

ARCHIVE_BYTES = 500 * 1000 * 1000
MEMBERS = 50


def _prepare_ziptoexe(ctx):
    archive = ctx.data_dir / "big.zip"
    if archive.exists():
        return
    print("zipcmds: writing big.zip (500 MB, stored)", flush=True)
    folder = ctx.data_dir / "big"
    folder.mkdir(exist_ok=True)
    rng = random.Random(31)
    block = bytearray(rng.randbytes(1 << 20))
    per_member = ARCHIVE_BYTES // MEMBERS // len(block)
    for n in range(MEMBERS):
        with open(folder / f"part{n:03d}.bin", "wb") as f:
            for i in range(per_member):
                # Each block stamped with its number: nothing repeats.
                block[:8] = (n * per_member + i).to_bytes(8, "little")
                f.write(block)
    partial = ctx.data_dir / "big.partial.zip"
    subprocess.run(["zip", "-r", "-0", "-q", str(partial), "big"], cwd=ctx.data_dir, check=True)
    partial.rename(archive)


def _run_ziptoexe(ctx):
    program = ctx.program("zipcmds_bench")
    stub_dir = ctx.build_dir
    stub = stub_dir / "vorlnsfx"
    if not stub.exists():
        ctx.fail("ziptoexe-500m", f"the loader {stub} is not built")
    archive = ctx.data_dir / "big.zip"
    sides = {}
    for label in ("vorlane", "cat+zip-A"):
        sides[label] = ctx.work_dir / label
        sides[label].mkdir(parents=True, exist_ok=True)
        copy = sides[label] / "big.zip"
        if not copy.exists():
            shutil.copyfile(archive, copy)
    for label in sides:
        subprocess.run(["cat", str(sides[label] / "big.zip")], stdout=subprocess.DEVNULL,
                       check=True)

    def fresh(label):
        ctx.retire(sides[label] / "big.EXE")
        ctx.retire(sides[label] / "big.exe")
        subprocess.run(["sync"], check=True)

    def tested(label, _output):
        out = sides[label] / ("big.EXE" if label == "vorlane" else "big.exe")
        done = subprocess.run(["unzip", "-tq", str(out)], stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL, check=False)
        return None if done.returncode == 0 else f"unzip -t fails on {out}"

    peer = sides["cat+zip-A"]
    ctx.compare("ziptoexe-500m",
                [program, "ziptoexe", str(sides["vorlane"] / "big.zip"), str(stub_dir)],
                {"cat+zip-A": ["sh", "-c",
                               f"cat '{stub}' '{peer / 'big.zip'}' > '{peer / 'big.exe'}' && "
                               f"zip -A -q '{peer / 'big.exe'}' && sync"]},
                rounds=min(ctx.rounds, 3), before_each=fresh, check=tested)
    ctx.note("ziptoexe-500m", "the peer's sync flushes every file system; Vorlane fsyncs its "
             "output and its directory")
    ctx.purge()


ZIPS = 200
ZIP_DIRS = 20
TOTAL_BYTES = 500 << 20
LEVEL = 5

PEER_LOOP = r"""
set -e
find "$1" -type f -iname '*.zip' -print0 | while IFS= read -r -d '' z; do
  t=$(mktemp -d)
  unzip -qq "$z" -d "$t/x"
  (cd "$t/x" && zip -qr -"$2" "$t/new.zip" .)
  mv "$t/new.zip" "$z"
  rm -rf "$t"
done
sync
"""


def _make_drive(root, seed):
    """root: 200 stored zip files in 20 directories (two deep)."""
    rng = random.Random(seed)
    partial = root.with_name(root.name + ".partial")
    shutil.rmtree(partial, ignore_errors=True)
    text_pool = _text_block(rng, 8 << 20)
    noise = rng.randbytes(8 << 20)
    weights = [rng.lognormvariate(0, 1.2) for _ in range(ZIPS * 12)]
    scale = TOTAL_BYTES / sum(weights)
    for index in range(ZIPS):
        directory = partial / f"d{index % 5}" / f"s{index % ZIP_DIRS:02d}"
        directory.mkdir(parents=True, exist_ok=True)
        with zipfile.ZipFile(directory / f"A{index:03d}.ZIP", "w", zipfile.ZIP_STORED) as z:
            for member in range(12):
                size = max(1, int(weights[index * 12 + member] * scale))
                pool = noise if member % 4 == 3 else text_pool
                size = min(size, len(pool))
                start = rng.randrange(len(pool) - size + 1)
                z.writestr(f"m{member // 4}/f{member:02d}.{'bin' if member % 4 == 3 else 'txt'}",
                           pool[start:start + size])
    os.sync()
    partial.rename(root)


def _facts(root):
    """Every archive below root: {relative path: {member: (size, crc)}}, and the total
    archive bytes."""
    facts = {}
    total = 0
    for dirpath, _dirs, files in os.walk(root):
        for name in files:
            path = os.path.join(dirpath, name)
            total += os.path.getsize(path)
            with zipfile.ZipFile(path) as z:
                facts[os.path.relpath(path, root)] = {
                    i.filename: (i.file_size, i.CRC) for i in z.infolist() if not i.is_dir()}
    return facts, total


def _prepare_recompress(ctx):
    master = ctx.data_dir / "drive"
    if not master.exists():
        print("zipcmds: writing 200 zip files (about 500 MB of members)", flush=True)
        _make_drive(master, 71)


def _run_recompress(ctx):
    master = ctx.data_dir / "drive"
    expected, stored_bytes = _facts(master)
    drive = ctx.work_dir / "drive"
    program = ctx.program("recompress_bench")

    def fresh(_label):
        ctx.retire(drive)
        subprocess.run(["cp", "-a", str(master), str(drive)], check=True)
        subprocess.run(["sync"], check=True)

    def check(_label, _output):
        facts, total = _facts(drive)
        if facts != expected:
            return "the archives do not hold the master's members"
        if total >= stored_bytes:
            return "the archives were not compressed"
        return None

    for work, prefix in (("recompress-200-zips", []),
                         ("recompress-200-zips-one-cpu", ["taskset", "-c", "0"])):
        ctx.compare(work, prefix + [program, str(drive), str(LEVEL)],
                    {"unzip+zip loop": prefix + ["bash", "-c", PEER_LOOP, "loop", str(drive),
                                                 str(LEVEL)]},
                    rounds=min(ctx.rounds, 3), before_each=fresh, check=check)
        ctx.purge()
    ctx.figure("recompress-200-zips/vorlane-compressing-threads", 3, "threads")
    ctx.figure("recompress-200-zips/zip-compressing-threads", 1, "threads")
    ctx.figure("recompress-200-zips/cpus", os.cpu_count(), "cpus")
    ctx.note("recompress-200-zips", "vorlane also reads every new archive back before it "
             "replaces the old one; the loop checks nothing")
    ctx.retire(drive)
    ctx.purge()


def prepare(ctx):
    _prepare_recompress(ctx)
    _prepare_ziptoexe(ctx)
    _zipadd.prepare(ctx)


def run(ctx):
    _run_recompress(ctx)
    _run_ziptoexe(ctx)
    _zipadd.run(ctx)
