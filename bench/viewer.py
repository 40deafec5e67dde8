"""Viewer: the time from "&View" on a 1 GiB text file in a shown file
manager window to the viewer window painted with the file's first page
(the goal: under 0.2 s), and, as a second figure, the time to jump to the
end of the file and paint its last page with the right line numbers (every
line break before it counted). Both are the median of the rounds, timed
inside gui_bench (its start and the first showing of the directory are
left out). Every round checks the pages: the line number drawn in the
gutter must be the number each line carries, 1 on the first page and the
file's last line on the end page.

There is no peer: no other tool opens a file in a window the same way.

The data is made once under $VORLANE_BENCH_DATA: ROOT/TEXT/BIG.TXT, 1 GiB of
numbered lines of 40 to 160 bytes, with LF line ends.
"""
import random
import statistics

import gui

PACKAGES = []

FILE_BYTES = 1 << 30
MARKER = "complete-v1"
WORDS = ("the", "quick", "brown", "fox", "jumps", "over", "lazy", "dog", "viewer", "page",
         "line", "number", "catalogue", "window", "drive", "zip")


def _text_file(ctx):
    return ctx.data_dir / "root" / "TEXT" / "BIG.TXT"


def prepare(ctx):
    path = _text_file(ctx)
    if (ctx.data_dir / MARKER).exists() and path.is_file():
        return
    path.parent.mkdir(parents=True, exist_ok=True)
    rng = random.Random(22)
    # A few hundred line bodies, reused: the numbers make every line its own.
    bodies = []
    for _ in range(509):
        words = []
        while sum(len(w) + 1 for w in words) < rng.randint(28, 148):
            words.append(rng.choice(WORDS))
        bodies.append(" ".join(words))
    written = 0
    number = 1
    with open(path, "wb") as out:
        while written < FILE_BYTES:
            chunk = []
            size = 0
            while size < (1 << 20) and written + size < FILE_BYTES:
                line = f"{number:010d} {bodies[number % len(bodies)]}\n"
                chunk.append(line)
                size += len(line)
                number += 1
            data = "".join(chunk).encode("ascii")
            out.write(data)
            written += len(data)
    (ctx.data_dir / "lines").write_text(f"{number - 1}\n")
    (ctx.data_dir / MARKER).write_text("made\n")


def run(ctx):
    env = gui._environment(ctx)
    last_line = int((ctx.data_dir / "lines").read_text())
    first, end = [], []
    for _ in range(ctx.rounds):
        figures = gui._run_figures(ctx, ["text", "C:\\TEXT\\BIG.TXT"], env, "open-1gib-text")
        if figures.get("end-line") is None or figures["end-line"] > last_line or \
                figures["end-line"] < last_line - 200:
            ctx.fail("open-1gib-text",
                     f"the end page starts at line {figures.get('end-line')}, "
                     f"the file has {last_line}")
        first.append(figures["first-page-ms"] / 1000.0)
        end.append(figures["end-page-ms"] / 1000.0)
    ctx.figure("open-1gib-text-first-page", statistics.median(first), "s")
    ctx.figure("jump-to-end-1gib-text", statistics.median(end), "s")
