"""The command line: `vorlane --yes -c LINE`, a whole process run with its
start-up and shutdown, against the tool a user would otherwise type.

Works:
- copy-20000-files: `copy C:\\SRC\\*.* D:\\DST` over 20,000 files of about
  4 KiB in one directory (D:\\DST made empty beforehand) against `cp -p` of
  the same files (cp -p keeps the times, as the copy does);
- startup: start-up plus exit of `vorlane -c "cd C:\\"` with C: on a
  directory of 300,000 files (the catalogue is never logged, so the size of
  the drive must not count); the figure is the median in seconds, goal
  under 0.1 s.

Every copy's output is checked against its source (diff -r).
"""
import os
import random
import shutil
import statistics
import subprocess

PACKAGES = ["coreutils", "diffutils"]

FILES = 20_000
STARTUP_FILES = 300_000


def prepare(ctx):
    data = ctx.data_dir
    src = data / "SRC"
    if not src.exists():
        print("cmdline: writing 20,000 files of 4 KiB", flush=True)
        partial = data / "SRC.partial"
        shutil.rmtree(partial, ignore_errors=True)
        partial.mkdir(parents=True)
        rng = random.Random(41)
        for index in range(FILES):
            (partial / f"F{index:05d}.DAT").write_bytes(
                rng.randbytes(rng.randint(3 * 1024, 5 * 1024)))
        os.sync()
        partial.rename(src)
    big = data / "big"
    if not big.exists():
        print("cmdline: making a drive of 300,000 files", flush=True)
        partial = data / "big.partial"
        shutil.rmtree(partial, ignore_errors=True)
        partial.mkdir(parents=True)
        for index in range(STARTUP_FILES):
            (partial / f"E{index:06d}.TXT").touch()
        partial.rename(big)


def _env(ctx, drives):
    env = dict(os.environ)
    home = ctx.work_dir / "home"
    home.mkdir(exist_ok=True)
    env["VORLANE_HOME"] = str(home)
    env["VORLANE_DRIVES"] = drives
    return env


def run(ctx):
    vorlane = ctx.program("vorlane")
    src = ctx.data_dir / "SRC"
    dst = ctx.work_dir / "DST"
    env = _env(ctx, f"C={ctx.data_dir};D={ctx.work_dir}")
    subprocess.run(["find", str(src), "-type", "f", "-exec", "cat", "{}", "+"],
                   stdout=subprocess.DEVNULL, check=False)

    def fresh(_label):
        ctx.retire(dst)
        dst.mkdir()
        os.sync()

    def ours():
        return ctx.time_cmd([vorlane, "--yes", "-c", "copy C:\\SRC\\*.* D:\\DST"], env=env)

    def cp():
        names = sorted(os.listdir(src))
        return ctx.time_cmd(["cp", "-p", "-t", str(dst)] + [str(src / n) for n in names])

    def check_after(seconds):
        done = subprocess.run(["diff", "-rq", str(src), str(dst)], capture_output=True)
        if done.returncode != 0:
            ctx.fail("copy-20000-files", done.stdout.decode(errors="replace")[:300])
        return seconds

    ctx.compare("copy-20000-files", lambda: check_after(ours()),
                {"cp": lambda: check_after(cp())}, before_each=fresh)
    ctx.purge()

    startup_env = _env(ctx, f"C={ctx.data_dir / 'big'}")
    times = [ctx.time_cmd([vorlane, "-c", "cd C:\\"], env=startup_env)
             for _ in range(max(ctx.rounds, 5))]
    ctx.figure("startup-cd-300000-files", statistics.median(times), "s")
