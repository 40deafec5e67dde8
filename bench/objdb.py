"""Object database against SQLite and LMDB.

100,000 thumbnails (object kind 5) of 4 to 8 KiB named like lower-cased image
paths ("c:\\photos\\2019\\img_040123.jpg"): insert them all, look each up once
in random order, walk the 10,000 names of one directory, delete that
directory's objects by prefix. Each workload is one process run on a file.

Runs compared (ratio = Vorlane's median time / the peer's):
  insert, lookup, walk, delete      Vorlane without syncs against SQLite with
                                    journal_mode=OFF and synchronous=OFF and
                                    LMDB with MDB_NOSYNC; an insert commits
                                    every 1,000 objects on every side (LMDB
                                    cannot hold 100,000 in one transaction)
  insert-durable                    Vorlane with a Flush every 100 objects
                                    against SQLite in WAL mode, synchronous=FULL,
                                    committing every 100, and synced LMDB
  delete-durable                    one synced commit on every side
Goals: every ratio against sqlite <= 1.0, insert-durable against sqlite-wal
<= 1.0, lookup against lmdb <= 2.0, file size <= 1.25 x SQLite's.

Every program prints a checksum of what it read: each side must print the
same one in every round, and every side the same one for the lookups; a
failed run or another checksum fails the benchmark.
"""
import os
import pathlib
import shutil
import subprocess

import benchlib

PACKAGES = ["libsqlite3-dev", "liblmdb-dev"]

FILES = {"vorlane": "objects.dat", "sqlite": "objects.sqlite", "lmdb": "objects.mdb"}


def _peers_built(ctx):
    try:
        result = subprocess.run([ctx.program("objdb_peers"), "check"], capture_output=True)
    except FileNotFoundError:
        return False
    return result.returncode == 0


def _sizes(path):
    """Bytes of a database with its side files (LMDB's lock file excluded)."""
    total = 0
    for suffix in ("", "-wal", "-shm", "-journal"):
        p = pathlib.Path(str(path) + suffix)
        if p.exists():
            total += p.stat().st_size
    return total


def prepare(ctx):
    # The build ran before PACKAGES were installed: build the peers again.
    if not _peers_built(ctx):
        subprocess.run(["cmake", "-S", str(benchlib.ROOT), "-B", str(ctx.build_dir)], check=True,
                       stdout=subprocess.DEVNULL)
        subprocess.run(["cmake", "--build", str(ctx.build_dir), "--target", "objdb_peers"],
                       check=True, stdout=subprocess.DEVNULL)
    if not _peers_built(ctx):
        raise SystemExit("objdb: the SQLite and LMDB peers could not be built")
    # The files the read and delete workloads start from, made afresh so they
    # always come from the programs being measured.
    ours, peers = ctx.program("objdb_bench"), ctx.program("objdb_peers")
    out = ctx.work_dir / "prepare.txt"
    with open(out, "wb") as sink:
        subprocess.run([ours, "insert", str(ctx.data_dir / FILES["vorlane"])], check=True,
                       stdout=sink)
        subprocess.run([peers, "sqlite", "insert", str(ctx.data_dir / FILES["sqlite"])],
                       check=True, stdout=sink)
        subprocess.run([peers, "lmdb", "insert", str(ctx.data_dir / FILES["lmdb"]),
                        "--flush-every", "1000"], check=True, stdout=sink)


def run(ctx):
    ours, peers = ctx.program("objdb_bench"), ctx.program("objdb_peers")
    pristine = {label: ctx.data_dir / name for label, name in FILES.items()}
    work = {label: ctx.work_dir / name for label, name in FILES.items()}
    work["sqlite-wal"] = ctx.work_dir / "objects-wal.sqlite"
    work["lmdb-sync"] = ctx.work_dir / "objects-sync.mdb"

    def clear(label):
        path = work[label]
        for suffix in ("", "-wal", "-shm", "-journal", "-lock"):
            ctx.retire(pathlib.Path(str(path) + suffix))
        # Every run starts with nothing left to write back from the one before.
        os.sync()

    def copy_pristine(label):
        clear(label)
        source = pristine["sqlite" if label.startswith("sqlite") else
                          "lmdb" if label.startswith("lmdb") else "vorlane"]
        shutil.copyfile(source, work[label])
        os.sync()

    def same_checksum(work, across_sides):
        seen = {}

        def check(label, output):
            text = output.read_text().strip()
            if not text.isdigit():
                return f"printed {text[:80]!r}, not a checksum"
            key = "all" if across_sides else label
            first = seen.setdefault(key, text)
            return None if text == first else f"checksum {text}, not {first}"
        return check

    def cmd_ours(workload, *extra):
        return [ours, workload, str(work["vorlane"]), *extra]

    def cmd_peer(peer, workload, path, *extra):
        return [peers, peer, workload, str(path), *extra]

    # Insert: non-durable runs, then durable ones committing every 100 objects.
    ctx.compare("insert", cmd_ours("insert", "--flush-every", "1000"),
                {"sqlite": cmd_peer("sqlite", "insert", work["sqlite"], "--flush-every", "1000"),
                 "lmdb": cmd_peer("lmdb", "insert", work["lmdb"], "--flush-every", "1000")},
                before_each=clear, check=same_checksum("insert", False))
    ctx.purge()
    ctx.compare("insert-durable", cmd_ours("insert", "--flush-every", "100", "--durable"),
                {"sqlite-wal": cmd_peer("sqlite-wal", "insert", work["sqlite-wal"],
                                        "--flush-every", "100"),
                 "lmdb-sync": cmd_peer("lmdb-sync", "insert", work["lmdb-sync"],
                                       "--flush-every", "100")},
                rounds=3, before_each=clear, check=same_checksum("insert-durable", False))
    ctx.figure("size/vorlane-durable", _sizes(work["vorlane"]), "bytes")
    ctx.figure("size/sqlite-wal", _sizes(work["sqlite-wal"]), "bytes")
    ctx.purge()

    # Reads on the prepared files; short runs, so more of them.
    reads = max(ctx.rounds, 9)
    ctx.compare("lookup", [ours, "lookup", str(pristine["vorlane"])],
                {"sqlite": cmd_peer("sqlite", "lookup", pristine["sqlite"]),
                 "lmdb": cmd_peer("lmdb", "lookup", pristine["lmdb"])}, rounds=reads,
                check=same_checksum("lookup", True))
    ctx.compare("walk", [ours, "walk", str(pristine["vorlane"])],
                {"sqlite": cmd_peer("sqlite", "walk", pristine["sqlite"]),
                 "lmdb": cmd_peer("lmdb", "walk", pristine["lmdb"])}, rounds=reads,
                check=same_checksum("walk", False))

    # Deletes on fresh copies of the prepared files.
    ctx.compare("delete", cmd_ours("delete"),
                {"sqlite": cmd_peer("sqlite", "delete", work["sqlite"]),
                 "lmdb": cmd_peer("lmdb", "delete", work["lmdb"])},
                rounds=3, before_each=copy_pristine, check=same_checksum("delete", False))
    ctx.purge()
    work["sqlite-wal"] = work["sqlite"]
    work["lmdb-sync"] = work["lmdb"]
    ctx.compare("delete-durable", cmd_ours("delete", "--durable"),
                {"sqlite-wal": cmd_peer("sqlite-wal", "delete", work["sqlite"]),
                 "lmdb-sync": cmd_peer("lmdb-sync", "delete", work["lmdb"])},
                rounds=3, before_each=copy_pristine, check=same_checksum("delete-durable", False))
    ctx.purge()

    sizes = {label: _sizes(path) for label, path in pristine.items()}
    for label, size in sizes.items():
        ctx.figure(f"size/{label}", size, "bytes")
    ctx.figure("size-ratio/sqlite", sizes["vorlane"] / sizes["sqlite"], "x")
    ctx.figure("size-ratio/lmdb", sizes["vorlane"] / sizes["lmdb"], "x")
    for label in list(work):
        clear(label)
    ctx.purge()
