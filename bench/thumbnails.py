"""Thumbnails: 200 JPEG pictures of 3000 by 2000 made into thumbnails of at
most 128 by 96 stored as 8-bit palette PNGs, Vorlane's scan (one process:
libvips decoding with shrink-on-load on a pool of one worker per core, the
object database written by the scan's own thread) against `vipsthumbnail -s
128x96` writing palette PNGs (one process for all 200, libvips' own
threads) and against ImageMagick's `convert -thumbnail 128x96` writing
8-bit PNGs (one process per picture, as it is used, with its OpenMP threads).
Every round must make 200 thumbnails on each side.

A figure: the time a scan takes to end after its Cancel, the scan of the
200 JPEGs cancelled 500 ms after it started (the goal: at most 0.2 s); the
median of the rounds. The scan must have stopped short of the 200.

Then a figure: the time from switching a shown file manager window on a
directory of 2,000 pictures whose thumbnails are stored to the thumbnail
view, to its first screen drawn.

The data is made once under $VORLANE_BENCH_DATA with libvips' own tools:
ROOT/JPEGS (200 JPEGs of smooth random colour, four different pictures
copied) and ROOT/STORED (2,000 PNGs of 160 by 120).
"""
import os
import re
import shutil
import subprocess

PACKAGES = ["libvips-tools", "imagemagick"]

PICTURES = 200
WIDTH, HEIGHT = 3000, 2000
STORED = 2000
MARKER = "complete-v1"


def _vips(*args):
    subprocess.run(["vips", *[str(a) for a in args]], check=True, stdout=subprocess.DEVNULL)


def prepare(ctx):
    root = ctx.data_dir / "root"
    if (ctx.data_dir / MARKER).exists() and root.is_dir():
        return
    if root.exists():
        shutil.rmtree(root)
    jpegs = root / "JPEGS"
    stored = root / "STORED"
    jpegs.mkdir(parents=True)
    stored.mkdir(parents=True)
    tmp = ctx.work_dir
    for variant in range(4):
        bands = []
        for band in range(3):
            noise = tmp / f"noise{band}.v"
            blurred = tmp / f"blur{band}.v"
            _vips("gaussnoise", noise, WIDTH, HEIGHT, "--mean", 128 + 20 * variant,
                  "--sigma", 60, "--seed", variant * 3 + band)
            _vips("gaussblur", noise, blurred, 6)
            bands.append(str(blurred))
        joined = tmp / "joined.v"
        _vips("bandjoin", " ".join(bands), joined)
        _vips("cast", joined, tmp / "rgb.v", "uchar")
        _vips("copy", tmp / "rgb.v", tmp / f"picture{variant}.jpg[Q=85]", "--interpretation",
              "srgb")
    for number in range(PICTURES):
        shutil.copyfile(tmp / f"picture{number % 4}.jpg", jpegs / f"photo{number:03d}.jpg")
    _vips("thumbnail", tmp / "picture0.jpg", tmp / "small.png", 160, "--height", 120,
          "--size", "force")
    for number in range(STORED):
        shutil.copyfile(tmp / "small.png", stored / f"pic{number:04d}.png")
    for leftover in tmp.glob("*.v"):
        leftover.unlink()
    (ctx.data_dir / MARKER).write_text("made\n")


def _environment(ctx):
    home = ctx.work_dir / "home"
    home.mkdir(exist_ok=True)
    env = dict(os.environ)
    env.update({
        "QT_QPA_PLATFORM": "offscreen",
        "VORLANE_HOME": str(home),
        "HOME": str(home),
        "XDG_CONFIG_HOME": str(home),
        "VORLANE_DRIVES": "C=" + str(ctx.data_dir / "root"),
    })
    return env, home


def _figures(path):
    figures = {}
    for line in path.read_text().splitlines():
        match = re.match(r"(\S+) (\S+)$", line)
        if match:
            figures[match.group(1)] = match.group(2)
    return figures


def run(ctx):
    env, home = _environment(ctx)
    database = home / "VORLN32.DAT"
    jpegs = sorted((ctx.data_dir / "root" / "JPEGS").glob("*.jpg"))
    out = ctx.work_dir / "peer-out"
    last = {}

    def fresh():
        if database.exists():
            database.unlink()
        if out.exists():
            shutil.rmtree(out)
        out.mkdir()

    def ours():
        fresh()
        path = ctx.work_dir / "scan.txt"
        seconds = ctx.time_cmd([ctx.program("thumbnails_bench"), "scan", "C:\\JPEGS"],
                               stdout=path, env=env)
        figures = _figures(path)
        if int(figures.get("thumbnails", 0)) != PICTURES or int(figures.get("failures", 1)):
            ctx.fail("scan-200-jpeg", f"made {figures.get('thumbnails')} thumbnails, "
                                      f"{figures.get('failures')} failures")
        last.update(figures)
        return seconds

    def vipsthumbnail():
        fresh()
        seconds = ctx.time_cmd(["vipsthumbnail", "-s", "128x96", "-o",
                                str(out) + "/%s.png[palette]", *[str(p) for p in jpegs]])
        made = len(list(out.glob("*.png")))
        if made != PICTURES:
            ctx.fail("scan-200-jpeg", f"vipsthumbnail made {made} thumbnails")
        return seconds

    def convert():
        fresh()
        script = 'for f in "$@"; do b=${f##*/}; convert "$f" -thumbnail 128x96 "PNG8:$0/${b%.*}.png" || exit 1; done'
        seconds = ctx.time_cmd(["sh", "-c", script, str(out), *[str(p) for p in jpegs]])
        made = len(list(out.glob("*.png")))
        if made != PICTURES:
            ctx.fail("scan-200-jpeg", f"convert made {made} thumbnails")
        return seconds

    cores = os.cpu_count() or 1
    ctx.note("scan-200-jpeg", f"{cores} cores: Vorlane decodes on {cores} workers (libvips "
                              f"adds its own threads per picture); vipsthumbnail runs one "
                              f"process with libvips' {cores} threads; convert runs once per "
                              f"picture with its OpenMP threads ({cores})")
    times = ctx.compare("scan-200-jpeg", ours,
                        {"vipsthumbnail": vipsthumbnail, "convert -thumbnail": convert})
    for label, seconds in times.items():
        ctx.figure("scan-200-jpeg-" + label.split()[0], seconds, "s")
    ctx.figure("scan-workers", int(last.get("workers", 0)), "threads")

    # A cancel in the middle of the scan.
    cancels = []
    for _ in range(ctx.rounds):
        fresh()
        path = ctx.work_dir / "cancel.txt"
        with open(path, "wb") as printed:
            done = subprocess.run([ctx.program("thumbnails_bench"), "cancel", "C:\\JPEGS", "500"],
                                  stdout=printed, env=env, check=False)
        figures = _figures(path)
        failed = [line for line in path.read_text().splitlines() if line.startswith("FAILED")]
        if failed or done.returncode != 0:
            ctx.fail("cancel-scan", failed[0][7:] if failed else f"exit status {done.returncode}")
        if int(figures.get("thumbnails", PICTURES)) >= PICTURES:
            ctx.fail("cancel-scan", "the scan made every thumbnail: the cancel came too late")
        cancels.append(float(figures["cancel-ms"]) / 1000.0)
    cancels.sort()
    ctx.figure("cancel-scan", cancels[len(cancels) // 2], "s")

    # The view: 2,000 stored thumbnails, first screen drawn.
    if database.exists():
        database.unlink()
    stored = ctx.work_dir / "stored.txt"
    ctx.time_cmd([ctx.program("thumbnails_bench"), "scan", "C:\\STORED"], stdout=stored, env=env)
    if int(_figures(stored).get("thumbnails", 0)) != STORED:
        ctx.fail("view-2000", f"stored {_figures(stored).get('thumbnails')} thumbnails")
    times = []
    for _ in range(ctx.rounds):
        path = ctx.work_dir / "view.txt"
        ctx.time_cmd([ctx.program("thumbnails_bench"), "view", "C:\\STORED"], stdout=path,
                     env=env)
        figures = _figures(path)
        if figures.get("first-icon") != "48x36":
            ctx.fail("view-2000", f"the first row showed a picture of {figures.get('first-icon')}")
        times.append(float(figures["view-ms"]) / 1000.0)
    times.sort()
    ctx.note("view-2000-first-screen", "thumbnail view of 2,000 stored thumbnails: first "
                                       "screen drawn (the switch of a shown window, timed inside "
                                       "the program)")
    ctx.figure("view-2000-first-screen", times[len(times) // 2], "s")
