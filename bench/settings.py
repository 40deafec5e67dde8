"""Settings save: the exit save of every key of VORLANE.INI (one atomic rewrite
through the application object, with its fsyncs) against copying a file of
the same size with cp, and with dd conv=fsync (a copy that is also flushed).

Each measurement writes a new file on both sides: the previous output is
retired (moved away) first, so neither side pays for deletes the other does
not. Vorlane's side is a whole run of the program (start-up included, as cp's
side includes its own process start). The sides do not do the same work, and
the output says so: Vorlane starts, sets up its settings and writes them
atomically (temporary file, fsync, rename, directory fsync), cp copies a
finished file without any flush, dd conv=fsync copies it with one. Every
round must leave a whole settings file: the copies their source, Vorlane's
save what its first save wrote.
"""
import os
import shutil
import subprocess

PACKAGES = ["coreutils"]


def _env(ctx, home):
    env = dict(os.environ)
    env["VORLANE_HOME"] = str(home)
    env["VORLANE_DRIVES"] = "C=" + str(ctx.data_dir / "c")
    return env


def prepare(ctx):
    (ctx.data_dir / "c").mkdir(parents=True, exist_ok=True)
    home = ctx.data_dir / "home"
    if not (home / "VORLANE.INI").exists():
        home.mkdir(parents=True, exist_ok=True)
        subprocess.run([ctx.program("settings_save")], env=_env(ctx, home), check=True)


def run(ctx):
    program = ctx.program("settings_save")
    source = ctx.data_dir / "home" / "VORLANE.INI"
    targets = {}
    for side in ("vorlane", "cp", "dd-fsync"):
        targets[side] = ctx.work_dir / side
        targets[side].mkdir(parents=True, exist_ok=True)
    env = _env(ctx, targets["vorlane"])

    def before_each(label):
        ctx.retire(targets[label] / "VORLANE.INI")

    # The copies equal their source; Vorlane's save equals its first one.
    expected = {"cp": source.read_bytes(), "dd-fsync": source.read_bytes()}

    def saved(label, _output=None):
        path = targets[label] / "VORLANE.INI"
        if not path.exists() or path.stat().st_size == 0:
            return "no settings file, or an empty one"
        first = expected.setdefault(label, path.read_bytes())
        return None if path.read_bytes() == first else "the settings file differs"

    def ours():
        seconds = ctx.time_cmd([program], env=env)
        wrong = saved("vorlane")
        if wrong:
            ctx.fail("save", f"vorlane: {wrong}")
        return seconds

    ctx.note("save", "not the same work: Vorlane starts and saves atomically with its flushes, "
                     "cp copies a finished file unflushed, dd conv=fsync copies it with one flush")
    ctx.compare(
        "save",
        ours,
        {
            "cp": ["cp", str(source), str(targets["cp"] / "VORLANE.INI")],
            "dd-fsync": ["dd", f"if={source}", f"of={targets['dd-fsync'] / 'VORLANE.INI'}",
                         "conv=fsync", "status=none"],
        },
        before_each=before_each,
        check=saved,
    )
    ctx.figure("ini-size", os.path.getsize(targets["vorlane"] / "VORLANE.INI"), "bytes")

    out = subprocess.run([program, "--saves", "50"], env=env, check=True,
                         capture_output=True, text=True).stdout
    ctx.figure("save-in-process", float(out.strip()), "us")
    ctx.purge()
    shutil.rmtree(ctx.work_dir, ignore_errors=True)
