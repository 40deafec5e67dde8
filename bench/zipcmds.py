"""Zip archive commands against the shell tools that do the same work, each
side a whole process run.

Works:
- ziptoexe-500m: ZipToExe of a stored archive of about 500 MB (the loader
  read, its slots filled, the archive appended to a temporary file, the
  offsets moved, the file flushed and renamed into place) against
  `cat vorlnsfx archive.zip > out && zip -A -q out && sync`.

After every measurement both outputs are checked with `unzip -tq`; a wrong
output or a failed run fails the benchmark. Old outputs are retired (moved
aside) before each measurement and purged after the series.
"""
import os
import random
import shutil
import subprocess

PACKAGES = ["zip", "unzip"]

ARCHIVE_BYTES = 500 * 1000 * 1000
MEMBERS = 50


def prepare(ctx):
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


def run(ctx):
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
