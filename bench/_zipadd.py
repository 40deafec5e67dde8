"""The Add File(s) To ZIP File command against Info-ZIP zip, each side a
whole process run.

Works:
- add-5000: 5,000 files of one folder (compressible text, 1 to 20 KiB, about
  50 MB in all) chosen by name and added at level 5 without paths to a new
  archive, as the command does it (the names built into file
  specifications, added through CZipFileOperation under its status window),
  against `zip -5 -q` given the same names. Vorlane flushes the archive to
  stable storage before it counts as done; the "zip+sync" side adds a
  `sync` after zip to show that part.

Every round's archive is checked on both sides: it passes `unzip -t` and
holds 5,000 members.
"""
import os
import random
import subprocess

import benchlib

PACKAGES = ["zip", "unzip"]

FILES = 5000

WORDS = ("the of and to in is that for it as with was on be by at this from or have an "
         "archive member directory compression level header central record offset "
         "size file name time date attribute volume drive window status").split()


def prepare(ctx):
    folder = ctx.data_dir / "files"
    if (folder / f"f{FILES - 1:05d}.txt").exists():
        return
    print("zipadd: writing 5,000 files", flush=True)
    folder.mkdir(parents=True, exist_ok=True)
    rng = random.Random(31)
    for i in range(FILES):
        size = rng.randint(1024, 20 * 1024)
        words = []
        total = 0
        while total < size:
            word = rng.choice(WORDS)
            words.append(word)
            total += len(word) + 1
        (folder / f"f{i:05d}.txt").write_text(" ".join(words)[:size])


def run(ctx):
    program = ctx.program("zipadd_bench")
    folder = ctx.data_dir / "files"
    names = sorted(p.name for p in folder.iterdir())
    subprocess.run(["cat"] + [str(folder / n) for n in names], stdout=subprocess.DEVNULL,
                   check=False)
    rounds = min(ctx.rounds, 3)
    sides = {}
    for label in ("vorlane", "zip", "zip+sync"):
        sides[label] = ctx.work_dir / label.replace("+", "-")
        sides[label].mkdir(parents=True, exist_ok=True)

    def retire_archive(label):
        ctx.retire(sides[label] / "add.zip")
        os.sync()

    def archive_sound(label, _output):
        archive = sides[label] / "add.zip"
        tested = subprocess.run(["unzip", "-tq", str(archive)], stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)
        if tested.returncode != 0:
            return "unzip -t finds errors in the archive"
        listed = subprocess.run(["unzip", "-Z1", str(archive)], capture_output=True, text=True)
        got = len(listed.stdout.splitlines())
        return None if got == FILES else f"{got} members, not {FILES}"

    ours = [program, str(folder), str(sides["vorlane"] / "add.zip"), "5"]
    peer = ["zip", "-5", "-q", str(sides["zip"] / "add.zip")] + names
    synced = ["sh", "-c", 'cd "$1" && shift && zip -5 -q "$@" && sync', "sh", str(folder),
              str(sides["zip+sync"] / "add.zip")] + names

    def peer_in_folder():
        return ctx.time_cmd(peer, cwd=folder)

    def peer_checked():
        seconds = peer_in_folder()
        wrong = archive_sound("zip", None)
        if wrong:
            ctx.fail("add-5000", f"zip: {wrong}")
        return seconds

    def synced_checked():
        seconds = ctx.time_cmd(synced)
        wrong = archive_sound("zip+sync", None)
        if wrong:
            ctx.fail("add-5000", f"zip+sync: {wrong}")
        return seconds

    ctx.compare("add-5000", ours, {"zip": peer_checked, "zip+sync": synced_checked},
                rounds=rounds, before_each=retire_archive, check=archive_sound)
    ctx.note("add-5000", "Vorlane flushes the new archive; zip does not (zip+sync does)")
    ctx.purge()
