#!/usr/bin/env python3
"""Runs the end-to-end scenarios of scenarios.txt against one form of purifile.

Forms (--mode):
  posix        the standalone program on this system, options written "-x",
               with a pseudo-terminal as its controlling terminal for prompts
               (and, for scenarios that ask, as standard output and error)
  wine-exe     purifile.exe under Wine, given the command tail as on Windows
  wine-plugin  purifile.dll through the stand-in shell under Wine

Each scenario builds its tree in a fresh directory, runs one command there,
and compares the exit status, standard output, standard error and the tree
afterwards. See scenarios.txt for the format.
"""

import argparse
import os
import re
import select
import shlex
import shutil
import signal
import subprocess
import sys
import tempfile
import time

ARROW = "\u2500\u25ba"
# The end of a prompt: the plug-in's answers, or the POSIX program's list of them.
PROMPT_END = re.compile(r"\((Y/N/A|y/n/a/q)\)\? ")
# Keys that a "posix-" line gives anew for the POSIX program, in place of the
# scenario's own lines of that key.
POSIX_OVERRIDES = ("out", "err", "outhas", "outlacks", "errhas", "consolehas", "out-empty", "err-empty", "exit",
                   "after", "after-empty")
TIMEOUT_SECONDS = 120


class Scenario:
    def __init__(self, name, line):
        self.name = name
        self.line = line
        self.only = None
        self.tree = []        # (kind, path, target) kind: file, dir, link
        self.run = None       # arguments in the Windows form
        self.posix_run = None
        self.keys = ""
        self.exit = 0
        self.out = None       # exact lines, or None
        self.err = None
        self.out_has = []     # texts that must appear, in this order, each within a line
        self.out_lacks = []   # texts that no line of standard output may hold
        self.err_has = []
        self.after = None     # expected tree listing, or None: unchanged
        self.terminal = True  # POSIX: a controlling terminal for prompts
        self.output_on_terminal = False  # POSIX: standard output and error are terminals too
        self.exact_line_ends = False     # carriage returns are compared, not dropped
        self.console_has = []  # texts that must appear on the controlling terminal
        self.stdout_closed = False  # POSIX: standard output is a pipe nobody reads
        self.signals = {}      # prompt number -> name of the signal sent when it appears
        self.posix_lines = []  # (key, value) of the "posix-" lines, in order
        # What happens before the checked command, in order: ("step", windows
        # args, posix args), ("file", path), ("rename", path, new path),
        # ("link", path, target) or ("append", path, text).
        self.steps = []

    def for_mode(self, mode):
        """The scenario as the given form runs it: on POSIX the "posix-" lines
        replace every line of their key, and those of a stream (out, outhas,
        out-empty; err ...) every expectation of that stream."""
        if mode != "posix" or not self.posix_lines:
            return self
        posix = Scenario(self.name, self.line)
        posix.__dict__.update({k: v for k, v in self.__dict__.items() if k != "posix_lines"})
        posix.out_has, posix.err_has, posix.console_has = list(self.out_has), list(self.err_has), list(
            self.console_has)
        posix.out_lacks = list(self.out_lacks)
        replaced = set()
        for key, value in self.posix_lines:
            # What a stream shows is given anew as a whole: exactly, in parts, or both.
            fields = {"out": ("out", "out_has"), "out-empty": ("out", "out_has"), "outhas": ("out", "out_has"),
                      "outlacks": ("out_lacks",),
                      "err": ("err", "err_has"), "err-empty": ("err", "err_has"), "errhas": ("err", "err_has"),
                      "consolehas": ("console_has",), "after": ("after",), "after-empty": ("after",),
                      "exit": ("exit",)}[key]
            for field in fields:
                if field not in replaced:
                    replaced.add(field)
                    setattr(posix, field, [] if field.endswith("_has") else None)
            apply_line(posix, key, value)
        return posix


def apply_line(scenario, key, value):
    """Applies one line of an expectation to the scenario; False for a key that
    is not one."""
    if key in ("out", "err", "outhas", "outlacks", "errhas", "consolehas"):
        if not value.startswith("|"):
            raise ValueError("output lines start with '|'")
        body = value[2:] if value.startswith("| ") else value[1:]
        if key in ("out", "err"):
            setattr(scenario, key, (getattr(scenario, key) or []) + [body])
        elif key == "outlacks":
            scenario.out_lacks.append(body)
        else:
            getattr(scenario, key.replace("has", "_has")).append(body)
    elif key == "out-empty":
        scenario.out = []
    elif key == "err-empty":
        scenario.err = []
    elif key == "after":
        scenario.after = (scenario.after or []) + [value]
    elif key == "after-empty":
        scenario.after = []
    elif key == "exit":
        scenario.exit = int(value)
    else:
        return False
    return True


def split_arguments(text):
    """Arguments as a shell splits them, but with backslashes kept: they are
    escapes of the scenario file (\\uXXXX) or parts of names."""
    lexer = shlex.shlex(text, posix=True)
    lexer.whitespace_split = True
    lexer.escape = ""
    return list(lexer)


def parse_scenarios(path):
    scenarios = []
    current = None
    with open(path, encoding="utf-8") as text:
        for number, raw in enumerate(text, 1):
            line = raw.rstrip("\n")
            if not line.strip() or line.startswith("#"):
                continue
            if line.startswith("=== "):
                current = Scenario(line[4:].strip(), number)
                scenarios.append(current)
                continue
            if current is None:
                raise SystemExit(f"{path}:{number}: text before the first scenario")
            key, _, value = line.partition(" ")
            try:
                if key.startswith("posix-") and key[len("posix-"):] in POSIX_OVERRIDES:
                    apply_line(Scenario("", 0), key[len("posix-"):], value)  # checks the line
                    current.posix_lines.append((key[len("posix-"):], value))
                elif apply_line(current, key, value):
                    pass
                elif key == "file":
                    current.tree.append(("file", value, None))
                elif key == "dir":
                    current.tree.append(("dir", value, None))
                elif key == "link":
                    link, _, target = value.partition(" -> ")
                    current.tree.append(("link", link, target))
                elif key == "run":
                    current.run = split_arguments(value)
                elif key == "posix-run":
                    current.posix_run = split_arguments(value)
                elif key == "step":
                    current.steps.append(["step", split_arguments(value), None, 0])
                elif key == "posix-step":
                    current.steps[-1][2] = split_arguments(value)
                elif key == "step-exit":
                    current.steps[-1][3] = int(value)
                elif key == "then-file":
                    current.steps.append(["file", value])
                elif key == "then-replace":
                    current.steps.append(["replace", value])
                elif key in ("then-rename", "then-link"):
                    path, _, other = value.partition(" -> ")
                    current.steps.append([key[5:], path, other])
                elif key == "then-append":
                    path, _, text = value.partition(" |")
                    current.steps.append(["append", path, text[1:] if text.startswith(" ") else text])
                elif key == "keys":
                    current.keys = value.strip()
                elif key == "signal":
                    prompt, _, name = value.partition(" ")
                    current.signals[int(prompt)] = getattr(signal, name.strip())
                elif key == "no-terminal":
                    current.terminal = False
                elif key == "output-on-terminal":
                    current.output_on_terminal = True
                elif key == "stdout-closed":
                    current.stdout_closed = True
                elif key == "exact-line-ends":
                    current.exact_line_ends = True
                elif key == "only":
                    current.only = value.strip()
                else:
                    raise ValueError(f"unknown key {key!r}")
            except (ValueError, AttributeError) as problem:
                raise SystemExit(f"{path}:{number}: {problem}")
    for scenario in scenarios:
        if scenario.run is None and scenario.posix_run is None:
            raise SystemExit(f"{path}:{scenario.line}: scenario {scenario.name} runs nothing")
    return scenarios


def name_bytes(text):
    r"""A path of the scenario file as the bytes of a file name: \uXXXX and
    \U0001XXXX stand for characters (\uXXXX{N}: N of them), \xNN for one raw
    byte (not UTF-8)."""
    text = re.sub(r"\\u([0-9A-Fa-f]{4})\{(\d+)\}", lambda m: chr(int(m.group(1), 16)) * int(m.group(2)), text)
    text = re.sub(r"\\u([0-9A-Fa-f]{4})", lambda m: chr(int(m.group(1), 16)), text)
    text = re.sub(r"\\U([0-9A-Fa-f]{8})", lambda m: chr(int(m.group(1), 16)), text)
    data = text.encode("utf-8", "surrogatepass")
    return re.sub(rb"\\x([0-9A-Fa-f]{2})", lambda m: bytes([int(m.group(1), 16)]), data)


def build_tree(root, tree):
    for kind, path, target in tree:
        full = os.path.join(os.fsencode(root), name_bytes(path.rstrip("/")))
        if kind == "dir":
            os.makedirs(full, exist_ok=True)
        elif kind == "file":
            os.makedirs(os.path.dirname(full), exist_ok=True)
            with open(full, "wb") as out:
                out.write(b"x")
        else:
            os.symlink(name_bytes(target), full)


def list_tree(root):
    """Every entry under root, relative, '/' between components, a directory
    with a trailing '/'; symbolic links are listed, never followed."""
    entries = []
    broot = os.fsencode(root)
    for directory, subdirs, files in os.walk(broot):
        relative = os.path.relpath(directory, broot)
        prefix = b"" if relative == b"." else relative + b"/"
        for sub in subdirs:
            full = os.path.join(directory, sub)
            entries.append(prefix + sub + (b"" if os.path.islink(full) else b"/"))
        for name in files:
            entries.append(prefix + name)
    return sorted(entries)


def expected_tree(lines):
    return sorted(name_bytes(line) for line in lines)


def initial_listing(tree):
    listing = set()
    for kind, path, _ in tree:
        parts = path.rstrip("/").split("/")
        for depth in range(1, len(parts)):
            listing.add("/".join(parts[:depth]) + "/")
        listing.add(path.rstrip("/") + ("/" if kind == "dir" else ""))
    return sorted(name_bytes(entry) for entry in listing)


def posix_arguments(arguments):
    """The Windows form's options in this platform's spelling: '-' and the
    letters in lower case, the lists of /Q and /R and the files of /J and /Z
    as written (/N:S is -n:s, /Q:AB is -q:AB)."""
    translated = []
    for argument in arguments:
        if argument[:2].upper() in ("/Q", "/R", "/J", "/Z"):
            argument = "-" + argument[1].lower() + argument[2:]
        elif argument.startswith("/"):
            argument = "-" + argument[1:].lower()
        translated.append(argument)
    return translated


def windows_tail(arguments):
    parts = []
    for argument in arguments:
        parts.append(f'"{argument}"' if (" " in argument or not argument) else argument)
    return " ".join(parts)


class Form:
    def __init__(self, options):
        self.mode = options.mode
        self.program = os.path.abspath(options.program)
        self.wine_run = options.wine_run and os.path.abspath(options.wine_run)
        self.wineprefix = options.wineprefix
        self.version = options.version

    def directory_text(self, root):
        """How the command writes the scenario directory in its output."""
        if self.mode == "posix":
            return root + "/"
        return "Z:" + root.replace("/", "\\") + "\\"

    def substitute(self, text, root):
        text = name_bytes(text).decode("utf-8", "surrogateescape").replace("{VERSION}", self.version)
        base = self.directory_text(root)
        if self.mode == "posix":
            return text.replace("{DU}", base.upper()).replace("{D}", base)
        return re.sub(r"\{D(U?)\}([^\"]*)",
                      lambda m: (base.upper() if m.group(1) else base) + m.group(2).replace("/", "\\"), text)

    def console_text(self, written):
        """What the command wrote to a terminal. Under Wine the console host
        hides the cursor around each write, with sequences of its own."""
        if self.mode == "posix":
            return written
        return written.replace(b"\x1b[?25l", b"").replace(b"\x1b[?25h", b"")

    def exit_status(self, result):
        # Every form exits with the command's result, as an 8-bit status.
        return result & 0xFF

    def prepare(self):
        """Under Wine, the first start creates the prefix and says so on
        standard error: start once before the scenarios, output discarded."""
        if self.mode == "posix":
            return
        warm_up = [self.wine_run, self.program, "/?" if self.mode == "wine-exe" else "purifile /?"]
        subprocess.run(warm_up, env=self.environment(), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=TIMEOUT_SECONDS, check=False)

    def command(self, run, posix_run, root):
        if self.mode == "posix":
            arguments = posix_run if posix_run is not None else posix_arguments(run)
            return [self.program] + [self.substitute(a, root) for a in arguments]
        arguments = [self.substitute(a, root) for a in run]
        if self.mode == "wine-exe":
            return [self.wine_run, self.program] + arguments
        return [self.wine_run, self.program, "purifile " + windows_tail(arguments)]

    def environment(self):
        environment = dict(os.environ)
        environment["noloadmsg"] = "1"
        environment["LC_ALL"] = "C.UTF-8"
        if self.wineprefix:
            environment["PURIFILE_WINEPREFIX"] = self.wineprefix
        return environment


def raw_pseudo_terminal():
    """A pseudo-terminal that passes bytes unchanged (no line-end conversion),
    so that what the command wrote to it can be compared exactly."""
    import pty
    import tty

    import fcntl
    import struct
    import termios

    master, slave = pty.openpty()
    tty.setraw(slave)
    # Wide enough that no line is wrapped by a console host that wraps.
    fcntl.ioctl(slave, termios.TIOCSWINSZ, struct.pack("HHHH", 50, 4000, 0, 0))
    return master, slave


def wait_for_raw_mode(master):
    """Waits (two seconds at most) until the command reads keys raw: a key
    typed before that is echoed by the terminal, as if the command had."""
    import termios
    for _ in range(2000):
        if not termios.tcgetattr(master)[3] & termios.ICANON:
            return
        time.sleep(0.001)


def run_with_terminal(command, root, environment, keys, signals, stdout, stderr, output_on_terminal):
    """Runs command with a new pseudo-terminal as its controlling terminal and
    types one key each time a prompt appears on it; at the prompts that signals
    names, the signal is sent to the command first. With output_on_terminal,
    standard output and standard error are pseudo-terminals of their own.
    Returns the exit status, the text of the controlling terminal and the
    bytes of standard output and error (None when they went to the given files)."""
    import pty
    import termios
    import fcntl

    master, slave = pty.openpty()
    outputs = {}
    if output_on_terminal:
        out_master, stdout = raw_pseudo_terminal()
        err_master, stderr = raw_pseudo_terminal()
        outputs = {out_master: b"", err_master: b""}

    def take_terminal():
        fcntl.ioctl(0, termios.TIOCSCTTY, 0)

    process = subprocess.Popen(command, cwd=root, env=environment, stdin=slave, stdout=stdout,
                               stderr=stderr, start_new_session=True, preexec_fn=take_terminal)
    os.close(slave)
    if output_on_terminal:
        os.close(stdout)
        os.close(stderr)
    console = b""
    answered = 0
    open_ends = [master] + list(outputs)
    deadline = time.monotonic() + TIMEOUT_SECONDS
    while time.monotonic() < deadline and open_ends:
        ready, _, _ = select.select(open_ends, [], [], 0.1)
        for end in ready:
            try:
                chunk = os.read(end, 4096)
            except OSError:
                chunk = b""
            if not chunk:
                # A pseudo-terminal whose other end is closed reads as empty
                # (or fails): the command has closed it or ended.
                if end != master or process.poll() is not None:
                    open_ends.remove(end)
                continue
            if end in outputs:
                outputs[end] += chunk
                continue
            console += chunk
            prompts = len(PROMPT_END.findall(console.decode("utf-8", "replace")))
            while answered < prompts and (answered < len(keys) or answered + 1 in signals):
                wait_for_raw_mode(master)
                if answered + 1 in signals:
                    os.kill(process.pid, signals[answered + 1])
                if answered < len(keys):
                    os.write(master, keys[answered].encode())
                answered += 1
        if not ready and process.poll() is not None and master in open_ends:
            open_ends.remove(master)
    if open_ends:
        process.kill()
    process.wait()
    os.close(master)
    for end in outputs:
        os.close(end)
    written = list(outputs.values()) if output_on_terminal else [None, None]
    return process.returncode, console.decode("utf-8", "replace"), written[0], written[1]


def run_scenario(form, scenario, keep):
    root = os.path.realpath(tempfile.mkdtemp(prefix="purifile-e2e-"))
    problems = []
    console = ""
    try:
        build_tree(root, scenario.tree)
        before = list_tree(root)
        problems += run_steps(form, scenario, root)
        command = form.command(scenario.run, scenario.posix_run, root)
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            closed_pipe = None
            if scenario.stdout_closed:
                # Standard output is a pipe whose reader has gone before the start.
                reading_end, closed_pipe = os.pipe()
                os.close(reading_end)
            if form.mode == "posix" and not scenario.terminal:
                completed = subprocess.run(command, cwd=root, env=form.environment(), stdin=subprocess.DEVNULL,
                                           stdout=closed_pipe or out, stderr=err, start_new_session=True,
                                           timeout=TIMEOUT_SECONDS)
                status = completed.returncode
            elif form.mode == "posix" or scenario.output_on_terminal:
                status, console, out_bytes, err_bytes = run_with_terminal(
                    command, root, form.environment(), scenario.keys, scenario.signals, closed_pipe or out, err,
                    scenario.output_on_terminal)
                if scenario.output_on_terminal:
                    out.write(form.console_text(out_bytes))
                    err.write(form.console_text(err_bytes))
            else:
                completed = subprocess.run(command, cwd=root, env=form.environment(),
                                           input=scenario.keys.encode(), stdout=out, stderr=err,
                                           timeout=TIMEOUT_SECONDS)
                status = completed.returncode
            if closed_pipe is not None:
                os.close(closed_pipe)
            out.seek(0)
            err.seek(0)
            stdout = out.read().decode("utf-8", "surrogateescape")
            stderr = err.read().decode("utf-8", "surrogateescape")

        expected_status = form.exit_status(scenario.exit)
        if status != expected_status:
            problems.append(f"exit status {status}, expected {expected_status}")
        for stream, text, exact, has in (("standard output", stdout, scenario.out, scenario.out_has),
                                         ("standard error", stderr, scenario.err, scenario.err_has)):
            problems += compare_output(stream, text, exact, has, lambda t: form.substitute(t, root),
                                       scenario.exact_line_ends)
        for text in scenario.out_lacks:
            unwanted = form.substitute(text, root)
            if any(unwanted in line for line in output_lines(stdout, scenario.exact_line_ends)):
                problems.append(f"standard output holds {unwanted!r}")
        problems += compare_output("the terminal", console, None, scenario.console_has,
                                   lambda t: form.substitute(t, root), False)

        after = list_tree(root)
        wanted = initial_listing(scenario.tree) if scenario.after is None else expected_tree(scenario.after)
        if before != initial_listing(scenario.tree):
            problems.append(f"the tree was not built as described: {before}")
        if after != wanted:
            problems.append("tree afterwards:\n    " + "\n    ".join(os.fsdecode(e) for e in after) +
                            "\n  expected:\n    " + "\n    ".join(os.fsdecode(e) for e in wanted))
        if problems:
            problems.insert(0, "command: " + " ".join(shlex.quote(c) for c in command))
            problems.append("standard output was:\n" + stdout)
            problems.append("standard error was:\n" + stderr)
    finally:
        if keep:
            print(f"  kept {root}")
        else:
            shutil.rmtree(root, ignore_errors=True)
    return problems


def run_steps(form, scenario, root):
    """What comes before the checked command: commands, each of which must
    exit with 0, and changes to the tree."""
    broot = os.fsencode(root)
    for step in scenario.steps:
        if step[0] == "file":
            with open(os.path.join(broot, name_bytes(step[1])), "wb") as out:
                out.write(b"y")
        elif step[0] == "replace":
            # Removed, then made anew: a file system may give the new file
            # the inode the old one had.
            path = os.path.join(broot, name_bytes(step[1]))
            os.unlink(path)
            with open(path, "wb") as out:
                out.write(b"z")
        elif step[0] == "rename":
            os.rename(os.path.join(broot, name_bytes(step[1])), os.path.join(broot, name_bytes(step[2])))
        elif step[0] == "link":
            os.link(os.path.join(broot, name_bytes(step[2])), os.path.join(broot, name_bytes(step[1])))
        elif step[0] == "append":
            with open(os.path.join(broot, name_bytes(step[1])), "ab") as out:
                out.write(name_bytes(step[2]))
        else:
            command = form.command(step[1], step[2], root)
            completed = subprocess.run(command, cwd=root, env=form.environment(), stdin=subprocess.DEVNULL,
                                       capture_output=True, timeout=TIMEOUT_SECONDS, start_new_session=True)
            if completed.returncode != form.exit_status(step[3]):
                return [f"step {shlex.join(command)} exited with {completed.returncode}:\n" +
                        os.fsdecode(completed.stdout + completed.stderr)]
    return []


def output_lines(text, exact_line_ends=False):
    lines = (text if exact_line_ends else text.replace("\r", "")).split("\n")
    if lines and lines[-1] == "":
        lines.pop()
    return lines


def order_rename_runs(lines):
    """Entries of one directory come in the order the file system lists them:
    runs of consecutive rename lines are compared without their order."""
    ordered, run = [], []
    for line in lines + [None]:
        if line is not None and ARROW in line:
            run.append(line)
            continue
        ordered += sorted(run)
        run = []
        if line is not None:
            ordered.append(line)
    return ordered


def compare_output(stream, text, exact, has, substitute, exact_line_ends):
    problems = []
    lines = output_lines(text, exact_line_ends)
    if exact is not None:
        wanted = [substitute(line) for line in exact]
        if order_rename_runs(lines) != order_rename_runs(wanted):
            problems.append(f"{stream} differs; expected:\n" + "\n".join(wanted))
    position = 0
    for line in has:
        wanted = substitute(line)
        while position < len(lines) and wanted not in lines[position]:
            position += 1
        if position == len(lines):
            problems.append(f"{stream} lacks, in this order: {wanted!r}")
            break
        position += 1
    return problems


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--mode", required=True, choices=["posix", "wine-exe", "wine-plugin"])
    parser.add_argument("--program", required=True, help="purifile, purifile.exe or the stand-in shell")
    parser.add_argument("--scenarios", required=True)
    parser.add_argument("--version", required=True, help="the version the program says it is")
    parser.add_argument("--wine-run", help="the script that runs a Windows program under Wine")
    parser.add_argument("--wineprefix", help="Wine prefix to share between scenarios")
    parser.add_argument("--filter", default="", help="run only scenarios whose name contains this")
    parser.add_argument("--keep", action="store_true", help="keep each scenario's directory")
    options = parser.parse_args()

    form = Form(options)
    form.prepare()
    platform = "posix" if options.mode == "posix" else "windows"
    scenarios = [s.for_mode(options.mode) for s in parse_scenarios(options.scenarios)
                 if options.filter in s.name
                 and (s.only in (None, platform) or (s.only == "exe" and options.mode == "wine-exe")
                      or (s.only == "plugin" and options.mode == "wine-plugin")
                      or (s.only == "standalone" and options.mode in ("posix", "wine-exe")))
                 and (s.run is not None or options.mode == "posix")]
    if not scenarios:
        raise SystemExit("no scenario to run")
    failed = 0
    for scenario in scenarios:
        problems = run_scenario(form, scenario, options.keep)
        print(("FAIL " if problems else "ok   ") + scenario.name, flush=True)
        for problem in problems:
            print("  " + problem.replace("\n", "\n  "))
        failed += bool(problems)
    print(f"{len(scenarios) - failed} of {len(scenarios)} scenarios passed ({options.mode})")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
