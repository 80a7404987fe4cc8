#!/usr/bin/env python3
"""The big list of naughty strings as file names, against real file systems.

Makes one file per string of tests/data/blns/blns.json, each in a numbered
directory of its own (so that names differing only in letter case, NULL and
null, never meet on a file system that ignores case), and copies the files
onto an NTFS image mounted by ntfs-3g with Windows' naming rules
(-o windows_names) and onto an exFAT image mounted by exfat-fuse, each through
a loop device, three times: the names untouched, after `purifile -s '*'` (the
defaults), and after `purifile -s -w -8 '*'`. Counts the names each file
system refuses each time (a name on which the file system's driver dies
counts as refused; the copy goes on onto a fresh image); with -w -8 none may be refused, no file may be lost
or changed, and a second run must rename nothing.

Strings a POSIX file system cannot hold at all are made so: '/' is written as
%2F and NUL as %00 (the cleaner decodes both, to '_' and to nothing); the empty
string is left out (no entry has an empty name); a name of more than 255 bytes
is cut to 255 at a character boundary. Strings that become equal that way are
made once.

Then the names that each file system holds but that do not survive the trip
as they are: groups of names in one directory each that NTFS and exFAT, as
Windows compares names, would take for one (letter case, ASCII and not;
composed and decomposed forms; names that become twins only once cleaned or
decoded), names that hide what they are (bidirectional and zero-width
format characters), names whose forbidden characters were stored as private-use
code points, and mojibake, with a file "Foo" beside a directory "foo". After
`purifile -s -w -8 '*'` the tree is copied with `cp -a` onto fresh NTFS and
exFAT images: nothing may be refused, and every file must arrive with its own
content (a merge of two is a loss); no format character or private-use
mapping of a forbidden character may be left in a name; and a second run must
rename nothing.

Needs root (losetup, mount, FUSE), mkntfs and ntfs-3g, mkfs.exfat and
exfat-fuse: where any is missing or mounting is refused, the test is skipped
(exit status 77) and says why. --report prints the counts for bench/README.md.
"""

import argparse
import contextlib
import errno
import json
import os
import shutil
import subprocess
import sys
import tempfile

SKIP = 77
ARROW = "\u2500\u25ba".encode()
IMAGE_MIB = 64
NAME_BYTES = 255


def skip(reason):
    print(f"SKIPPED: {reason}")
    sys.exit(SKIP)


def fail(reason):
    print(f"FAILED: {reason}")
    sys.exit(1)


def name_of(string):
    """The file name made for a string, as bytes, or None when none can be."""
    data = string.replace("/", "%2F").replace("\0", "%00")
    if data in ("", ".", ".."):
        return None
    raw = data.encode("utf-8", "surrogateescape")
    while len(raw) > NAME_BYTES:
        data = data[:-1]
        raw = data.encode("utf-8", "surrogateescape")
    return raw


def make_tree(root, names):
    for index, name in enumerate(names):
        directory = os.path.join(root, b"%03d" % index)
        os.mkdir(directory)
        with open(os.path.join(directory, name), "wb") as f:
            f.write(b"%d" % index)


def files_of(root):
    """{directory: (name, content)} for the one file of each directory."""
    found = {}
    for directory in sorted(os.listdir(root)):
        entries = os.listdir(os.path.join(root, directory))
        for entry in entries:
            with open(os.path.join(root, directory, entry), "rb") as f:
                found.setdefault(directory, []).append((entry, f.read()))
    return found


DEAD_MOUNT = (errno.ENOTCONN, errno.ECONNABORTED)


def copy_onto(source_root, image):
    """Copies every file; returns the names refused and the names the file
    system's driver died on. A name counts as refused when creating or writing
    it fails, or when it cannot be read back under the same name with the same
    content. When the driver dies, the name counts as refused and the copy
    goes on onto a fresh image, so that later names are judged on their own."""
    refused = []
    killers = []
    for directory, files in files_of(source_root).items():
        for name, content in files:
            target_dir = os.path.join(image.mount.encode(), directory)
            target = os.path.join(target_dir, name)
            try:
                os.makedirs(target_dir, exist_ok=True)
                with open(target, "xb") as f:
                    f.write(content)
                with open(target, "rb") as f:
                    arrived = f.read() == content and name in os.listdir(target_dir)
            except OSError as error:
                arrived = False
                if error.errno in DEAD_MOUNT:
                    killers.append(name)
                    image.close()
                    reason = image.format_and_mount()
                    if reason is not None:
                        fail(f"{image.kind} image not mounted again: {reason}")
            if not arrived:
                refused.append(name)
    return refused, killers


# Groups of names made in one directory each (see the top of this file).
TWIN_GROUPS = [
    ["Report.txt", "report.txt", "REPORT.TXT"],              # ASCII letter case
    ["caf\u00e9", "CAF\u00c9", "Caf\u00e9"],               # letter case beyond ASCII
    ["\u03c3", "\u03a3", "\u03c2"],                          # sigma, capital and final
    ["\u0434\u0430", "\u0414\u0410"],                       # Cyrillic
    ["\uff41", "\uff21"],                                    # full-width letters
    ["caf\u00e9.txt", "cafe\u0301.txt"],                      # composed and decomposed
    ["a:b", "A?B", "a_b"],                                    # twins once cleaned
    ["CAF%C3%89", "caf%C3%A9", "caf\u00e9"],                  # twins once decoded
    ["a\uf03ab", "a\uf022b", "a\uf03fb", "a\uf025b", "a_b"],  # ':' and '?' as private-use code points
    ["caf\u00c3\u00a9", "caf\u00e9"],                        # mojibake of UTF-8 read as Windows-1252
    ["Za\u00c5\u00bc\u00c3\u00b3\u00c5\u201a\u00c4\u2021"],
    ["report\u202efdp.exe", "reportfdp.exe"],                 # a right-to-left override
    ["a\u200bb", "ab", "a\u2060b"],                           # zero-width space and word joiner
    ["x\u00ady", "xy", "\ufeffxy"],                           # soft hyphen, byte order mark
    ["\u2066isolate\u2069", "isolate"],
]
# What -w -8 leaves in no name: the invisible and bidirectional format
# characters, and the private-use code points that stand for a character
# Windows forbids (U+F001 to U+F029, and U+F000 plus the forbidden ASCII).
DROPPED = set("\u202a\u202b\u202c\u202d\u202e\u2066\u2067\u2068\u2069\u200b\u2060\u2061\u2062\u2063\u2064"
              "\ufeff\u00ad\u061c\u200e\u200f")
MAPPED = {chr(code) for code in range(0xF001, 0xF02A)} | {chr(0xF000 + ord(c)) for c in '"*:<>?\\|'}


def make_twins(root):
    """The twin groups, a directory each, and a file Foo beside a directory foo."""
    for index, group in enumerate(TWIN_GROUPS):
        directory = os.path.join(root, b"t%02d" % index)
        os.mkdir(directory)
        for member, name in enumerate(group):
            with open(os.path.join(directory, name.encode()), "wb") as f:
                f.write(b"%d.%d" % (index, member))
    kinds = os.path.join(root, b"kinds")
    os.makedirs(os.path.join(kinds, b"foo"))
    with open(os.path.join(kinds, b"Foo"), "wb") as f:
        f.write(b"file Foo")
    with open(os.path.join(kinds, b"foo", b"inside"), "wb") as f:
        f.write(b"in directory foo")


def tree_of(root):
    """{path of each file relative to root: content}."""
    found = {}
    for directory, _, files in os.walk(root):
        for name in files:
            path = os.path.join(directory, name)
            with open(path, "rb") as f:
                found[os.path.relpath(path, root)] = f.read()
    return found


def check_twins(program, work):
    """The twin groups after -s -w -8, copied with cp -a onto each file
    system. Returns the problems found."""
    root = os.path.join(work, "twins").encode()
    os.mkdir(root)
    make_twins(root)
    contents = sorted(tree_of(root).values())
    done = purify(program, root, ["-s", "-w", "-8"])
    if done.returncode != 0:
        return [f"twins: purifile -s -w -8 ended with {done.returncode}: {done.stderr.decode()}"]
    cleaned = tree_of(root)
    problems = []
    if sorted(cleaned.values()) != contents:
        problems.append("twins: a file was lost or changed on the disk itself")
    for path in cleaned:
        left = set(os.fsdecode(path)) & (DROPPED | MAPPED)
        if left:
            problems.append(f"twins: {os.fsdecode(path)!r} keeps {sorted(hex(ord(c)) for c in left)}")
    for kind in ("ntfs", "exfat"):
        with fresh_image(kind, os.path.join(work, f"{kind}-twins")) as image:
            copied = run(["cp", "-a", os.path.join(root, b"."), image.mount.encode()])
            if copied.returncode != 0:
                problems.append(f"twins on {kind}: cp -a refused: {copied.stderr.decode().strip()}")
            arrived = tree_of(image.mount.encode())
            if arrived != cleaned:
                lost = sorted(os.fsdecode(p) for p in cleaned if arrived.get(p) != cleaned[p])
                problems.append(f"twins on {kind}: {len(arrived)} of {len(cleaned)} files arrived whole; "
                                f"lost or merged: {lost}")
    again = purify(program, root, ["-s", "-w", "-8"])
    if again.returncode != 0 or tree_of(root) != cleaned or ARROW in again.stdout:
        problems.append(f"twins: a second run renamed something (exit {again.returncode}): "
                        f"{again.stdout.decode(errors='replace')}")
    return problems


def run(command, **kwargs):
    return subprocess.run(command, capture_output=True, **kwargs)


class Image:
    """A file system image, mounted at a temporary directory."""

    def __init__(self, kind, directory):
        self.kind = kind
        os.mkdir(directory)
        self.image = os.path.join(directory, "image")
        self.mount = os.path.join(directory, "mount")
        self.loop = None
        os.mkdir(self.mount)
        with open(self.image, "wb") as f:
            f.truncate(IMAGE_MIB * 1024 * 1024)

    def format_and_mount(self):
        """None, or the reason it cannot be done."""
        made = run(["losetup", "--find", "--show", self.image])
        if made.returncode != 0:
            return f"losetup: {made.stderr.decode().strip()}"
        self.loop = made.stdout.decode().strip()
        if self.kind == "ntfs":
            steps = [["mkntfs", "-F", "-Q", "-q", self.loop],
                     ["ntfs-3g", "-o", "windows_names", self.loop, self.mount]]
        else:
            steps = [["mkfs.exfat", self.loop], ["mount.exfat-fuse", self.loop, self.mount]]
        for step in steps:
            done = run(step)
            if done.returncode != 0:
                return f"{step[0]}: {(done.stderr or done.stdout).decode().strip()}"
        return None

    def close(self):
        run(["umount", self.mount])
        if self.loop:
            run(["losetup", "--detach", self.loop])
            self.loop = None


@contextlib.contextmanager
def fresh_image(kind, directory):
    """A new image of that kind, mounted; the test is skipped where it cannot be."""
    image = Image(kind, directory)
    try:
        reason = image.format_and_mount()
        if reason is not None:
            skip(f"{kind} image not mounted: {reason}")
        yield image
    finally:
        image.close()


def purify(program, root, options):
    return run([program, *options, "*"], cwd=root)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--strings", required=True)
    parser.add_argument("--report", action="store_true")
    args = parser.parse_args()

    if os.geteuid() != 0:
        skip("needs root for loop devices and mounts")
    for tool in ("losetup", "mkntfs", "ntfs-3g", "mkfs.exfat", "mount.exfat-fuse"):
        if shutil.which(tool) is None:
            skip(f"{tool} is not installed (scripts/install-deps.sh)")

    with open(args.strings, encoding="utf-8") as f:
        strings = json.load(f)
    names = []
    for string in strings:
        name = name_of(string)
        if name is not None and name not in names:
            names.append(name)

    work = tempfile.mkdtemp(prefix="purifile-naughty-")
    try:
        counts = {}
        trees = {}
        for label, options in (("untouched", None), ("defaults", ["-s"]), ("-w -8", ["-s", "-w", "-8"])):
            root = os.path.join(work, label.replace(" ", ""))
            os.mkdir(root)
            make_tree(root.encode(), names)
            before = files_of(root.encode())
            if options is not None:
                done = purify(args.program, root, options)
                if done.returncode == 1 and b"Unknown option" in done.stderr:
                    skip(f"this purifile does not know {' '.join(options)}")
                if done.returncode not in (0, 2):
                    fail(f"purifile {' '.join(options)} ended with {done.returncode}: {done.stderr.decode()}")
            after = files_of(root.encode())
            if sorted(before) != sorted(after) or any(len(files) != 1 for files in after.values()):
                fail(f"{label}: a directory lost or gained a file")
            if any(before[d][0][1] != after[d][0][1] for d in before):
                fail(f"{label}: a file's content changed")
            trees[label] = root
            # A fresh image each time: a file system that fails on one name
            # must not spoil the next round.
            for kind in ("ntfs", "exfat"):
                with fresh_image(kind, os.path.join(work, f"{kind}-{label.replace(' ', '')}")) as image:
                    counts[(label, kind)] = copy_onto(root.encode(), image)

        final = trees["-w -8"]
        first = files_of(final.encode())
        again = purify(args.program, final, ["-s", "-w", "-8"])
        print(f"{len(strings)} strings, {len(names)} names made")
        for (label, kind), (refused, killers) in counts.items():
            print(f"{kind:6} {label:10} refused {len(refused)}, the driver died on {len(killers)}")
            if args.report:
                for name in refused:
                    print("    ", "died:" if name in killers else "", name)
        problems = []
        for kind in ("ntfs", "exfat"):
            refused = counts[("-w -8", kind)][0]
            if refused:
                problems.append(f"{kind} refused {len(refused)} names after -w -8")
        if again.returncode != 0 or files_of(final.encode()) != first or ARROW in again.stdout:
            problems.append(f"a second run renamed something (exit {again.returncode})")
        problems += check_twins(args.program, work)
        if problems:
            fail("; ".join(problems))
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
