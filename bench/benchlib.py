"""Helpers shared by the benchmarks: timing commands, medians, report lines.

A measurement that fails is an error, never a time: every timed command must
exit with status 0, and every round's output is checked when the benchmark
gives a check. A failure raises BenchFailure, which ends that benchmark
(bench/runner.py prints it and exits with status 1).
"""
import os
import pathlib
import shlex
import shutil
import statistics
import subprocess
import time

ROOT = pathlib.Path(__file__).resolve().parent.parent


class BenchFailure(Exception):
    """A run that failed or produced the wrong output."""


class Context:
    def __init__(self, name):
        self.name = name
        self.build_dir = ROOT / "build" / "bench"
        base = pathlib.Path(os.environ.get("VORLANE_BENCH_DATA", "/tmp/vorlane-bench-data"))
        self.data_dir = base / name
        self.data_dir.mkdir(parents=True, exist_ok=True)
        self.work_dir = base / f"{name}.work"
        self.work_dir.mkdir(parents=True, exist_ok=True)
        self.rounds = int(os.environ.get("VORLANE_BENCH_ROUNDS", "5"))

    def program(self, target):
        """Path of a program built in the benchmark build (bench/ or tools/ target)."""
        for sub in ("bench", "tools", "."):
            path = self.build_dir / sub / target
            if path.exists():
                return str(path)
        raise FileNotFoundError(target)

    def fail(self, work, message):
        raise BenchFailure(f"{self.name}/{work}: {message}")

    def time_cmd(self, cmd, stdout=None, env=None, cwd=None):
        """Runs cmd once and returns wall seconds. Output goes to a file, never /dev/null
        (some tools stop early when their output is /dev/null). A run that exits with
        another status than 0 raises BenchFailure."""
        out_path = pathlib.Path(stdout or self.work_dir / "out.txt")
        err_path = out_path.with_name(out_path.name + ".err")
        with open(out_path, "wb") as out, open(err_path, "wb") as err:
            start = time.perf_counter()
            done = subprocess.run(cmd, stdout=out, stderr=err, check=False, env=env, cwd=cwd)
            seconds = time.perf_counter() - start
        if done.returncode != 0:
            said = err_path.read_text(errors="replace").strip()[-500:]
            raise BenchFailure(f"{self.name}: `{shlex.join(str(c) for c in cmd)}` exited with "
                               f"status {done.returncode}" + (f": {said}" if said else ""))
        return seconds

    def compare(self, work, ours, peers, rounds=None, before_each=None, check=None):
        """Times ours and every peer in interleaved rounds and prints one ratio line per
        peer. ours and peers' values are argument lists or callables returning seconds.
        before_each(label) runs untimed before every single measurement. check(label,
        output) runs after every measurement of an argument list, with the path of what
        it printed; it returns None when the run did its work, else what is wrong, and
        a wrong run fails the benchmark."""
        rounds = rounds or self.rounds
        samples = {"vorlane": []}
        for peer in peers:
            samples[peer] = []
        jobs = [("vorlane", ours)] + list(peers.items())
        for round_number in range(rounds):
            for label, job in jobs:
                if before_each:
                    before_each(label)
                if callable(job):
                    seconds = job()
                else:
                    output = self.work_dir / f"out-{label.replace(' ', '_')}.txt"
                    seconds = self.time_cmd(job, stdout=output)
                    wrong = check(label, output) if check else None
                    if wrong:
                        self.fail(work, f"{label}, round {round_number + 1}: {wrong}")
                samples[label].append(seconds)
        ours_median = statistics.median(samples["vorlane"])
        for peer in peers:
            self.ratio(work, peer, ours_median, statistics.median(samples[peer]))
        return {label: statistics.median(values) for label, values in samples.items()}

    def ratio(self, work, peer, ours_seconds, peer_seconds):
        value = ours_seconds / peer_seconds if peer_seconds > 0 else float("inf")
        print(f"ratio {self.name}/{work} {peer} {value:.3f}", flush=True)

    def figure(self, what, value, unit):
        if isinstance(value, float):
            value = f"{value:.3f}"
        print(f"figure {self.name}/{what} {value} {unit}", flush=True)

    def note(self, work, text):
        """Says where the two sides of a ratio do not do the same work."""
        print(f"note {self.name}/{work} {text}", flush=True)

    def retire(self, path):
        """Moves an old output out of the way instead of deleting it, so both sides of a
        comparison see the same delete history; call purge() after the series."""
        path = pathlib.Path(path)
        if path.exists():
            graveyard = self.work_dir / "retired"
            graveyard.mkdir(exist_ok=True)
            path.rename(graveyard / f"{path.name}.{time.monotonic_ns()}")

    def purge(self):
        shutil.rmtree(self.work_dir / "retired", ignore_errors=True)


def line_count(path):
    """Lines in a file, counted without reading it into memory at once."""
    count = 0
    with open(path, "rb") as f:
        while chunk := f.read(1 << 20):
            count += chunk.count(b"\n")
    return count


def make_directory_tree(root, rng, count, depth):
    """Makes count - 1 directories under root (which makes count with it), each
    in a directory picked at random no deeper than depth - 1; returns every
    directory as (path relative to root, with a leading "/", depth)."""
    dirs = [("", 0)]
    for number in range(1, count):
        while True:
            parent, level = dirs[rng.randrange(len(dirs))]
            if level < depth:
                break
        name = f"{rng.choice(['d', 'Dir', 'src', 'Photos ', 'x'])}{number:05d}"
        path = f"{parent}/{name}"
        os.mkdir(root + path)
        dirs.append((path, level + 1))
    return dirs
