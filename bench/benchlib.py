"""Helpers shared by the benchmarks: timing commands, medians, report lines."""
import os
import pathlib
import shutil
import statistics
import subprocess
import time

ROOT = pathlib.Path(__file__).resolve().parent.parent


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

    def time_cmd(self, cmd, stdout=None, env=None):
        """Runs cmd once and returns wall seconds. Output goes to a file, never /dev/null
        (some tools stop early when their output is /dev/null)."""
        out_path = stdout or str(self.work_dir / "out.txt")
        with open(out_path, "wb") as out:
            start = time.perf_counter()
            subprocess.run(cmd, stdout=out, check=False, env=env)
            return time.perf_counter() - start

    def compare(self, work, ours, peers, rounds=None, before_each=None):
        """Times ours and every peer in interleaved rounds and prints one ratio line per
        peer. ours and peers' values are argument lists or callables returning seconds.
        before_each(label) runs untimed before every single measurement."""
        rounds = rounds or self.rounds
        samples = {"vorlane": []}
        for peer in peers:
            samples[peer] = []
        jobs = [("vorlane", ours)] + list(peers.items())
        for _ in range(rounds):
            for label, job in jobs:
                if before_each:
                    before_each(label)
                seconds = job() if callable(job) else self.time_cmd(job)
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
