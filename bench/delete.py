"""Delete, rename, attributes and touch: the drivers (one run each, as a
job runs it, no prompt) against the tools a user would otherwise reach
for, each side a whole process run.

Works:
- delete-20000-files: a tree of 20,000 files of about 4 KiB in 1,000
  directories removed (normal delete) against `rm -r`;
- trash-20000-files: the same tree sent to the recycle bin against
  `gio trash`, XDG_DATA_HOME pointed at a directory of each side's own in
  the work directory (both sides go through `env` to set it); the tree
  goes to the trash as one item on both sides;
- rename-10000-files: 10,000 files `*.TXT` renamed to `*.BAK` in one
  directory against a Perl loop in one process (`glob`, then for every
  file a test that the new name is free and `rename`: Vorlane's rename
  never replaces a file either);
- readonly-10000-files: read-only set on 10,000 files against
  `chmod a-w` of the same files (named on its command line);
- touch-10000-files: the last write and last access times of 10,000 files
  set to now against `touch` of the same files.

After every measurement each side's result is checked: the tree gone
(and, for the trash, in the trash with its 20,000 files and one
.trashinfo), every file renamed, read-only, or touched. A wrong result or
a failed run fails the benchmark.

Before every measurement the side gets a fresh copy of its input (`cp -a`
of the data set for the trees, then `sync`; renamed names put back,
write permission or old times restored for the flat directory), untimed.
Both sides thus delete the same trees in turn and see the same delete
history (ext4 slows down for a while after a mass delete).
"""
import os
import shutil
import subprocess
import time

from copymove import _make_tree, _small

PACKAGES = ["coreutils", "perl"]

TREE_FILES = 20_000
TREE_DIRS = 1_000
FLAT_FILES = 10_000
LABELS = ("vorlane", "peer")


def _make_flat(root):
    partial = root.with_name(root.name + ".partial")
    shutil.rmtree(partial, ignore_errors=True)
    partial.mkdir(parents=True)
    for index in range(FLAT_FILES):
        (partial / f"F{index:05d}.TXT").write_bytes(b"%d\n" % index * 20)
    os.sync()
    partial.rename(root)


def prepare(ctx):
    if not (ctx.data_dir / "tree").exists():
        print("delete: writing the tree of 20,000 files", flush=True)
        _make_tree(ctx.data_dir / "tree", 41, TREE_FILES, TREE_DIRS, _small)
    if not (ctx.data_dir / "flat").exists():
        _make_flat(ctx.data_dir / "flat")


def _count_files(root):
    return sum(len(files) for _, _, files in os.walk(root))


def _gio(ctx):
    """The path of gio, installing it when missing; None (and a note) when it
    cannot be had."""
    if shutil.which("gio") is None:
        subprocess.run([str(ctx.build_dir.parent.parent / "scripts" / "install-deps"),
                        "libglib2.0-bin"], check=False)
    return shutil.which("gio")


def run(ctx):
    program = ctx.program("delete_bench")
    tree = ctx.data_dir / "tree"
    flat = ctx.data_dir / "flat"
    drive = {label: ctx.work_dir / f"c-{label}" for label in LABELS}
    for path in drive.values():
        path.mkdir(parents=True, exist_ok=True)

    def side(label):
        return "vorlane" if label == "vorlane" else "peer"

    # Trees: a fresh copy before every measurement.
    def fresh_tree(label, trash=False):
        root = drive[side(label)]
        ctx.retire(root / "TREE")
        if trash:
            ctx.retire(ctx.work_dir / f"xdg-{side(label)}")
            (ctx.work_dir / f"xdg-{side(label)}").mkdir()
        subprocess.run(["cp", "-a", str(tree), str(root / "TREE")], check=True)
        os.sync()

    def tree_gone(label, _output):
        left = drive[side(label)] / "TREE"
        return f"{left} is still there" if os.path.lexists(left) else None

    ctx.compare(
        "delete-20000-files",
        [program, "remove", str(drive["vorlane"]), "C:\\TREE"],
        {"rm": ["rm", "-r", str(drive["peer"] / "TREE")]},
        before_each=fresh_tree,
        check=tree_gone,
    )
    ctx.purge()

    gio = _gio(ctx)
    if gio is None:
        ctx.note("trash-20000-files", "gio is not installed (libglib2.0-bin): no comparison")
    else:
        def in_trash(label, output):
            wrong = tree_gone(label, output)
            if wrong:
                return wrong
            trash = ctx.work_dir / f"xdg-{side(label)}" / "Trash"
            items = os.listdir(trash / "files") if (trash / "files").is_dir() else []
            infos = os.listdir(trash / "info") if (trash / "info").is_dir() else []
            if len(items) != 1 or len(infos) != 1 or not infos[0].endswith(".trashinfo"):
                return f"the trash holds {items} and {infos}, not one item"
            count = _count_files(trash / "files" / items[0])
            return None if count == TREE_FILES else f"the trashed tree holds {count} files"

        def xdg(label):
            return f"XDG_DATA_HOME={ctx.work_dir / ('xdg-' + side(label))}"

        ctx.compare(
            "trash-20000-files",
            ["env", xdg("vorlane"), program, "recycle", str(drive["vorlane"]), "C:\\TREE"],
            {"gio-trash": ["env", xdg("peer"), gio, "trash", str(drive["peer"] / "TREE")]},
            before_each=lambda label: fresh_tree(label, trash=True),
            check=in_trash,
        )
        ctx.note("trash-20000-files",
                 "Vorlane reads the attributes of every file of the tree before it sends the "
                 "tree to the trash (a read-only, hidden or system file is asked about first); "
                 "gio trash asks nothing")
        ctx.purge()

    # The flat directory: one copy per side per work, put back in place
    # before every measurement.
    def flat_copy(label, name):
        path = drive[side(label)] / name
        if not path.exists():
            subprocess.run(["cp", "-a", str(flat), str(path)], check=True)
        return path

    names = sorted(os.listdir(flat))

    def unrenamed(label):
        path = flat_copy(label, "RENAME")
        for name in names:
            bak = path / (name[:-4] + ".BAK")
            if bak.exists():
                os.rename(bak, path / name)
        os.sync()

    def renamed(label, _output):
        left = sorted(os.listdir(drive[side(label)] / "RENAME"))
        want = [name[:-4] + ".BAK" for name in names]
        return None if left == want else "not every file has its new name, or others appeared"

    perl_rename = ("my $d = shift; for my $f (glob(\"$d/*.TXT\")) { (my $n = $f) =~ s/\\.TXT$/.BAK/;"
                   " die \"$n exists\\n\" if -e $n; rename($f, $n) or die \"$f: $!\\n\" }")
    ctx.compare(
        "rename-10000-files",
        [program, "rename", str(drive["vorlane"]), "C:\\RENAME", "*.TXT", "*.BAK"],
        {"perl-rename": ["perl", "-e", perl_rename, str(drive["peer"] / "RENAME")]},
        before_each=unrenamed,
        check=renamed,
    )

    def writable(label):
        path = flat_copy(label, "ATTR")
        for name in names:
            os.chmod(path / name, 0o644)
        os.sync()

    def read_only(label, _output):
        path = drive[side(label)] / "ATTR"
        for name in names:
            if os.stat(path / name).st_mode & 0o222:
                return f"{name} is still writable"
        return None

    ctx.compare(
        "readonly-10000-files",
        [program, "readonly", str(drive["vorlane"]), "C:\\ATTR"],
        {"chmod": ["chmod", "a-w", *(str(drive["peer"] / "ATTR" / n) for n in names)]},
        before_each=writable,
        check=read_only,
    )

    started = {}

    def aged(label):
        path = flat_copy(label, "TOUCH")
        for name in names:
            os.utime(path / name, (1_000_000_000, 1_000_000_000))
        os.sync()
        started[side(label)] = time.time() - 1

    def touched(label, _output):
        path = drive[side(label)] / "TOUCH"
        for name in names:
            st = os.stat(path / name)
            if st.st_mtime < started[side(label)] or st.st_atime < started[side(label)]:
                return f"{name} was not touched"
        return None

    ctx.compare(
        "touch-10000-files",
        [program, "touch", str(drive["vorlane"]), "C:\\TOUCH"],
        {"touch": ["touch", *(str(drive["peer"] / "TOUCH" / n) for n in names)]},
        before_each=aged,
        check=touched,
    )
    shutil.rmtree(ctx.work_dir, ignore_errors=True)
