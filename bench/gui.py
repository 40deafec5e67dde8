"""GUI: on the offscreen platform, the time from start to a shown and painted
file manager window on a directory of 100,000 files, and the time to move
a window from a small directory to that one, each against `ls -l` on the
same directory in the same run; with the program's peak memory.

The data is made once under $VORLANE_BENCH_DATA: ROOT/BIG holds 100,000
empty files, ROOT/SMALL 20; ROOT is mapped as drive C: and the program's
settings live in a directory of their own.
"""
import os
import re
import subprocess
import time

PACKAGES = ["coreutils"]

BIG_FILES = 100_000
SMALL_FILES = 20
MARKER = "complete-v2"  # no .zip names: an empty .zip is listed as an archive, not a file
EXTENSIONS = ["txt", "c", "h", "doc", "jpg", "png", "pdf", "gz", "", "md", "dat", "bin"]


def prepare(ctx):
    if (ctx.data_dir / MARKER).exists():
        return
    root = ctx.data_dir / "root"
    if root.exists():
        subprocess.run(["rm", "-rf", str(root)], check=True)
    for sub, count in (("BIG", BIG_FILES), ("SMALL", SMALL_FILES)):
        path = root / sub
        path.mkdir(parents=True)
        for number in range(count):
            ext = EXTENSIONS[number % len(EXTENSIONS)]
            name = f"file{number:06d}.{ext}" if ext else f"file{number:06d}"
            fd = os.open(str(path / name), os.O_CREAT | os.O_WRONLY | os.O_TRUNC, 0o644)
            os.close(fd)
    (ctx.data_dir / MARKER).write_text("made\n")


def _environment(ctx):
    home = ctx.work_dir / "home"
    home.mkdir(exist_ok=True)
    for name in ("VORLANE.INI", "VORLN32.DAT"):
        path = home / name
        if path.exists():
            path.unlink()
    env = dict(os.environ)
    env.update({
        "QT_QPA_PLATFORM": "offscreen",
        "VORLANE_HOME": str(home),
        "HOME": str(home),
        "XDG_CONFIG_HOME": str(home),
        "VORLANE_DRIVES": "C=" + str(ctx.data_dir / "root"),
    })
    return env


def _run(ctx, args, env):
    """Runs gui_bench once: (wall seconds, its figures)."""
    out_path = ctx.work_dir / "gui_bench.txt"
    with open(out_path, "wb") as out:
        start = time.perf_counter()
        subprocess.run([ctx.program("gui_bench"), *args], stdout=out, check=True, env=env,
                       cwd=str(ctx.work_dir))
        seconds = time.perf_counter() - start
    figures = {}
    for line in out_path.read_text().splitlines():
        match = re.match(r"(\S+) (\S+)$", line)
        if match:
            figures[match.group(1)] = float(match.group(2))
    return seconds, figures


def run(ctx):
    env = _environment(ctx)
    big = str(ctx.data_dir / "root" / "BIG")
    last = {}

    def open_big():
        seconds, figures = _run(ctx, ["open", "C:\\BIG"], env)
        last["open"] = figures
        return seconds

    def switch_to_big():
        _, figures = _run(ctx, ["switch", "C:\\SMALL", "C:\\BIG"], env)
        last["switch"] = figures
        return figures["switch-ms"] / 1000.0

    ls = ["ls", "-l", big]
    opened = ctx.compare("start-to-window-100k", open_big, {"ls -l": ls})
    switched = ctx.compare("switch-to-100k", switch_to_big, {"ls -l": ls})
    ctx.figure("start-to-window-100k", opened["vorlane"] * 1000, "ms")
    ctx.figure("switch-to-100k", switched["vorlane"] * 1000, "ms")
    ctx.figure("start-to-painted-in-process", last["open"]["open-ms"], "ms")
    ctx.figure("switch-cpu", last["switch"]["switch-cpu-ms"], "ms")
    ctx.figure("peak-rss-open", last["open"]["peak-rss-kb"] / 1024, "MB")
    ctx.figure("peak-rss-switch", last["switch"]["peak-rss-kb"] / 1024, "MB")
    if last["open"].get("rows") != BIG_FILES:
        raise SystemExit(f"gui bench: the window showed {last['open'].get('rows')} rows")
