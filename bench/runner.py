"""Benchmark runner: loads bench/NAME.py for each name and runs it.

A benchmark module defines
    PACKAGES = [...]        # Debian packages of its peer tools (optional)
    def prepare(ctx): ...   # makes its data under ctx.data_dir, deterministic, reused
    def run(ctx): ...       # measures, reporting through ctx.compare / ctx.ratio / ctx.figure
A run that fails (a command's exit status, or a check of its output) raises
benchlib.BenchFailure: the runner prints "FAILED ...", goes on with the next
benchmark and exits with status 1.
"""
import importlib.util
import os
import pathlib
import subprocess
import sys

sys.path.insert(0, str(pathlib.Path(__file__).parent))
import benchlib  # noqa: E402


def main(argv):
    here = pathlib.Path(__file__).parent
    names = argv or sorted(p.stem for p in here.glob("*.py")
                           if p.stem not in ("runner", "benchlib") and not p.stem.startswith("_"))
    failed = False
    for name in names:
        path = here / f"{name}.py"
        if not path.exists():
            print(f"bench/run: no benchmark named {name}", file=sys.stderr)
            failed = True
            continue
        spec = importlib.util.spec_from_file_location(f"bench_{name}", path)
        module = importlib.util.module_from_spec(spec)
        spec.loader.exec_module(module)
        packages = getattr(module, "PACKAGES", [])
        if packages:
            subprocess.run([str(here.parent / "scripts" / "install-deps"), *packages], check=True)
        ctx = benchlib.Context(name)
        try:
            module.prepare(ctx)
            module.run(ctx)
        except (benchlib.BenchFailure, subprocess.CalledProcessError) as failure:
            # A failed run is an error, never a fast time: no ratio for the
            # rest of this benchmark, and the whole run exits with status 1.
            print(f"FAILED {failure}", flush=True)
            failed = True
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
