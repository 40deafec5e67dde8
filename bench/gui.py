"""GUI: on the offscreen platform, the time from start to a shown and painted
file manager window on a directory of 100,000 files, and the time to move
a window from a small directory to that one, to show that directory in each
view mode and to re-sort it by extension, date and size, each against
`ls -l` on the same directory in the same run; with the program's peak
memory.

start-to-window-100k times whole processes on both sides. switch-to-100k
does not: Vorlane's time is the switch alone, measured inside the running
program (its start and the small directory are left out), against a whole
`ls -l` process; the output says so. view-MODE-100k and sort-KEY-100k are
timed the same way: the change of view mode (or the re-sort) of a window
already showing the 100,000 files, until it is painted; paging through the
whole list in each mode is a figure. Every round must show all 100,000
files, and ls must list them all.

The data is made once under $VORLANE_BENCH_DATA: ROOT/BIG holds 100,000
empty files, ROOT/SMALL 20; ROOT is mapped as drive C: and the program's
settings live in a directory of their own.
"""
import os
import re
import subprocess

import benchlib

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
    """Runs gui_bench once: (wall seconds, its figures). A failed run, or one that
    did not show every file, fails the benchmark."""
    out_path = ctx.work_dir / "gui_bench.txt"
    seconds = ctx.time_cmd([ctx.program("gui_bench"), *args], stdout=out_path, env=env,
                           cwd=str(ctx.work_dir))
    figures = {}
    for line in out_path.read_text().splitlines():
        match = re.match(r"(\S+) (\S+)$", line)
        if match:
            figures[match.group(1)] = float(match.group(2))
    if figures.get("rows") != BIG_FILES:
        ctx.fail(args[0], f"the window showed {figures.get('rows')} rows, not {BIG_FILES}")
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

    def listed_all(label, output):
        got = benchlib.line_count(output)
        return None if got == BIG_FILES + 1 else f"printed {got} lines, not {BIG_FILES + 1}"

    ls = ["ls", "-l", big]
    opened = ctx.compare("start-to-window-100k", open_big, {"ls -l": ls}, check=listed_all)
    ctx.note("switch-to-100k", "Vorlane's side is timed inside the running program (the switch "
                               "alone), ls -l's as a whole process")
    switched = ctx.compare("switch-to-100k", switch_to_big, {"ls -l": ls}, check=listed_all)
    viewed = {}
    for mode in ("large", "list", "small", "thumbnails"):
        def change_view(mode=mode):
            _, figures = _run(ctx, ["view", mode, "C:\\BIG"], env)
            last["view-" + mode] = figures
            return figures["view-ms"] / 1000.0
        work = f"view-{mode}-100k"
        ctx.note(work, "Vorlane's side is the change of view mode of a shown window, timed "
                       "inside the program; ls -l's a whole process")
        viewed[mode] = ctx.compare(work, change_view, {"ls -l": ls}, check=listed_all)
    sorted_by = {}
    for key in ("extension", "date", "size"):
        def resort(key=key):
            _, figures = _run(ctx, ["sort", key, "C:\\BIG"], env)
            return figures["sort-ms"] / 1000.0
        work = f"sort-{key}-100k"
        ctx.note(work, "Vorlane's side is the re-sort of a shown window, timed inside the "
                       "program; ls -l's a whole process")
        sorted_by[key] = ctx.compare(work, resort, {"ls -l": ls}, check=listed_all)
    for mode, times in viewed.items():
        ctx.figure(f"view-{mode}-100k", times["vorlane"] * 1000, "ms")
        ctx.figure(f"scroll-{mode}-100k", last["view-" + mode]["scroll-ms"], "ms")
    for key, times in sorted_by.items():
        ctx.figure(f"sort-{key}-100k", times["vorlane"] * 1000, "ms")
    ctx.figure("start-to-window-100k", opened["vorlane"] * 1000, "ms")
    ctx.figure("switch-to-100k", switched["vorlane"] * 1000, "ms")
    ctx.figure("start-to-painted-in-process", last["open"]["open-ms"], "ms")
    ctx.figure("switch-cpu", last["switch"]["switch-cpu-ms"], "ms")
    ctx.figure("peak-rss-open", last["open"]["peak-rss-kb"] / 1024, "MB")
    ctx.figure("peak-rss-switch", last["switch"]["peak-rss-kb"] / 1024, "MB")
