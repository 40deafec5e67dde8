"""Finding files across a tree: the find engine (the bench program find_bench,
the engine of `vorlane --find`) against its peers, side by side in one run
with the same cache state (every tool walks the disk; the tree is read once
before the rounds so that all start from the page cache).

Works:
  names/*.jpg        name search for *.jpg (either case) over a tree of
                     100,000 directories and 300,000 files, with one and
                     with two walking threads, vs `find -iname '*.jpg'`
                     and, when installed, `fdfind` (package fd-find).
  content/rare-word  the files holding a rare word among 20,000 text files
                     of 2 GiB in all, vs `grep -rl` and `rg -l`.
The text size can be made smaller for a slow machine:
VORLANE_FIND_TEXT_MB=256 bench/run find (the figure line says what ran).
Every round's output is checked: the same set of paths as find / grep.
"""
import os
import random
import shutil

import benchlib

PACKAGES = ["ripgrep", "fd-find", "findutils", "grep"]

DIRECTORIES = 100_000
FILES = 300_000
TEXT_FILES = 20_000
RARE_WORD = "zephyrquill"
RARE_FILES = 25
WORDS = ("the of and to in is was for that with as on by at from this be are an it "
         "file window drive copy move tree disk name list search text line report "
         "quarterly summer garden river stone paper light number table order").split()


def _text_mb():
    return int(os.environ.get("VORLANE_FIND_TEXT_MB", "2048"))


def _tree(ctx):
    return ctx.data_dir / "tree"


def _texts(ctx):
    return ctx.data_dir / f"texts-{_text_mb()}mb"


def _make_tree(root):
    rng = random.Random(7)
    partial = root.with_name(root.name + ".partial")
    shutil.rmtree(partial, ignore_errors=True)
    partial.mkdir(parents=True)
    dirs = benchlib.make_directory_tree(str(partial), rng, DIRECTORIES, 9)
    extensions = ["jpg", "JPG", "txt", "c", "h", "dat", "png", "doc", "log", "jpeg"]
    for number in range(FILES):
        parent = dirs[rng.randrange(len(dirs))][0]
        name = f"{partial}{parent}/f{number:06d}.{rng.choice(extensions)}"
        os.close(os.open(name, os.O_CREAT | os.O_WRONLY, 0o644))
    partial.rename(root)


def _make_texts(root):
    rng = random.Random(11)
    partial = root.with_name(root.name + ".partial")
    shutil.rmtree(partial, ignore_errors=True)
    partial.mkdir(parents=True)
    lines = []
    total = 0
    while total < 8 << 20:
        lines.append(" ".join(rng.choice(WORDS) for _ in range(rng.randrange(4, 16))) + "\n")
        total += len(lines[-1])
    base = "".join(lines).encode()
    per_file = (_text_mb() << 20) // TEXT_FILES
    rare = set(rng.sample(range(TEXT_FILES), RARE_FILES))
    for number in range(TEXT_FILES):
        sub = partial / f"dir{number % 200:03d}"
        sub.mkdir(exist_ok=True)
        start = rng.randrange(len(base) - per_file)
        data = base[start:start + per_file]
        if number in rare:
            cut = len(data) // 2
            data = data[:cut] + f"\nthe {RARE_WORD} said\n".encode() + data[cut:]
        (sub / f"t{number:05d}.txt").write_bytes(data)
    partial.rename(root)


def prepare(ctx):
    if not _tree(ctx).exists():
        print(f"find: making {_tree(ctx)} ({DIRECTORIES} directories, {FILES} files)", flush=True)
        _make_tree(_tree(ctx))
    if not _texts(ctx).exists():
        print(f"find: writing {_texts(ctx)} ({_text_mb()} MiB in {TEXT_FILES} files)", flush=True)
        _make_texts(_texts(ctx))


def _warm(root):
    for path, _dirs, files in os.walk(root):
        for name in files:
            if name.endswith(".txt") and "texts" in str(root):
                with open(os.path.join(path, name), "rb") as f:
                    while f.read(1 << 20):
                        pass


def _same_paths(expected):
    def check(label, output):
        got = set(output.read_text(errors="replace").split("\n")) - {""}
        got = {p[2:] if p.startswith("./") else p for p in got}
        if got != expected:
            return f"{len(got)} paths, {len(got ^ expected)} differ from find's {len(expected)}"
        return None
    return check


def _reference(cmd, env):
    import subprocess
    done = subprocess.run(cmd, capture_output=True, env=env, check=True)
    return set(done.stdout.decode(errors="replace").split("\n")) - {""}


def run(ctx):
    env = dict(os.environ, LC_ALL="C")
    os.environ["LC_ALL"] = "C"
    tree = str(_tree(ctx))
    _warm(tree)
    ours = ctx.program("find_bench")
    expected = _reference(["find", tree, "-iname", "*.jpg"], env)
    ctx.figure("names/found", len(expected), "files")
    peers = {"find": ["find", tree, "-iname", "*.jpg"]}
    fd = shutil.which("fdfind") or shutil.which("fd")
    if fd:
        peers["fd"] = [fd, "--no-ignore", "--hidden", "--ignore-case", "--glob", "--absolute-path",
                       "*.jpg", tree]
    else:
        ctx.note("names", "fd is not installed: no anchor")
    check = _same_paths(expected)
    ctx.compare("names/one-walker", [ours, tree, "--name", "*.jpg", "--walkers", "1"], peers,
                check=check)
    ctx.compare("names/two-walkers", [ours, tree, "--name", "*.jpg", "--walkers", "2"], peers,
                check=check)

    texts = str(_texts(ctx))
    _warm(texts)
    ctx.figure("content/size", _text_mb(), "MiB")
    expected = _reference(["grep", "-rl", RARE_WORD, texts], env)
    if len(expected) != RARE_FILES:
        ctx.fail("content", f"grep found {len(expected)} files, not {RARE_FILES}")
    ctx.compare("content/rare-word", [ours, texts, "--containing", RARE_WORD],
                {"grep": ["grep", "-rl", RARE_WORD, texts], "rg": ["rg", "-l", RARE_WORD, texts]},
                check=_same_paths(expected))
