"""Text search: `vorlane --grep -c` (the bench program textsearch_grep) against
GNU grep -c (LC_ALL=C) and ripgrep -c on a 1 GiB English-like text file with
CR LF line ends.

Works: a rare word (about 1,000 lines), a common word ("the"), the rare word
ignoring case, and ^Error.*[0-9]+$. Each peer gets the pattern in the form that
counts the same lines (its line end is LF, so the CR before it is spelt out,
or ripgrep's --crlf is used); the counts are checked before timing. Ripgrep
runs twice: as it chooses (it maps a single large file into memory) and with
--no-mmap (reading like the others). Every round's count is checked again;
a failed run or another count fails the benchmark.
"""
import os
import subprocess

PACKAGES = ["ripgrep"]

SIZE = 1 << 30
FILE_NAME = "english-crlf.txt"

# name: (Vorlane's arguments, grep's, ripgrep's)
WORKS = {
    "rare-word": (["zephyr"], ["zephyr"], ["zephyr"]),
    "common-word": (["the"], ["the"], ["the"]),
    "rare-word-ignore-case": (["-i", "zephyr"], ["-i", "zephyr"], ["-i", "zephyr"]),
    "error-lines": (["^Error.*[0-9]+$"], ["-E", "^Error.*[0-9]+\r$"],
                    ["--crlf", "^Error.*[0-9]+$"]),
}


def _path(ctx):
    return ctx.data_dir / FILE_NAME


def prepare(ctx):
    path = _path(ctx)
    if path.exists() and path.stat().st_size > SIZE - 4096:
        return
    partial = ctx.data_dir / (FILE_NAME + ".partial")
    print(f"textsearch: writing {path} (1 GiB)", flush=True)
    subprocess.run([ctx.program("textsearch_gen"), str(partial), str(SIZE)], check=True)
    partial.rename(path)


def _commands(ctx, ours, grep, rg):
    path = str(_path(ctx))
    return {
        "vorlane": [ctx.program("textsearch_grep"), "-c", *ours, path],
        "grep": ["grep", "-c", *grep, path],
        "ripgrep": ["rg", "-c", *rg, path],
        "ripgrep-no-mmap": ["rg", "--no-mmap", "-c", *rg, path],
    }


def _c_locale():
    env = dict(os.environ)
    env["LC_ALL"] = "C"
    return env


def run(ctx):
    env = _c_locale()
    size_mb = _path(ctx).stat().st_size / 1e6
    # Read the file once so that every tool starts from the page cache.
    with open(_path(ctx), "rb") as f:
        while f.read(1 << 24):
            pass
    for work, (ours, grep, rg) in WORKS.items():
        commands = _commands(ctx, ours, grep, rg)
        counts = {}
        for label, cmd in commands.items():
            done = subprocess.run(cmd, capture_output=True, env=env, check=False)
            text = done.stdout.decode(errors="replace").strip()
            counts[label] = int(text) if text.isdigit() else f"failed ({done.returncode})"
        if len(set(counts.values())) != 1:
            listed = ", ".join(f"{label} {count}" for label, count in counts.items())
            ctx.fail(work, f"the counts differ: {listed}")
        ctx.figure(f"{work}/lines", counts["vorlane"], "lines")

        def timed(label, cmd, work=work, expected=counts["vorlane"]):
            output = ctx.work_dir / f"out-{label}.txt"

            def job():
                seconds = ctx.time_cmd(cmd, env=env, stdout=output)
                got = output.read_text().strip()
                if got != str(expected):
                    ctx.fail(work, f"{label} counted {got!r}, not {expected}")
                return seconds
            return job

        medians = ctx.compare(work, timed("vorlane", commands["vorlane"]),
                              {label: timed(label, cmd) for label, cmd in commands.items()
                               if label != "vorlane"})
        for label, seconds in medians.items():
            ctx.figure(f"{work}/{label}", size_mb / seconds, "MB/s")
