#!/usr/bin/env python3
"""Runs the golden table tests/golden/legacy.txt (its header explains the rows) against one build.

    run_golden.py --program P --standin S [--wine wine] [--explain | --usage-log] [--filter TEXT]

Each case runs P in a fresh folder beside a copy of the stand-in tolvex.exe and compares the exit
status, then stdout without the stand-in's own lines. With --wine, P is a Windows exe: CRLF,
Windows-1252, the folder as Z:\\...\\, and the stand-in must have been given the launched line.
With --explain, P is tolvex-migrate, run as `P explain ARGUMENTS`: the same messages, the launched
line without folder or return code, exit status 0 or 1. With --usage-log, every row runs with
the usage record switched on and must give the same output and status and one record saying so;
the checks of usage_checks.py follow. Under Wine a row that fails, or whose record or output is
missing, is tried once more (tests/support/wine_retry.py). Ends with "N passed, N failed", which is
also appended to $TOLVEX_E2E_COUNTS_FILE when set.
"""

import argparse, concurrent.futures, os, re, shlex, shutil, subprocess, sys, tempfile

import usage_checks
from tally import finish

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from wine_retry import twice

ROW = re.compile(r"^((?:\[[^\]]*\] )*)(.*?) ?=> (\d+) (.*)$")


def expand(text):
    return re.sub(r"(\w+)\^(\d+)", lambda m: m[1] * int(m[2]), text)


def words(text):
    lexer = shlex.shlex(text, posix=True)
    lexer.whitespace_split, lexer.escape, lexer.commenters = True, "", ""
    result = []
    for word in lexer:
        copies = re.fullmatch(r"(.*)\*(\d+)", word)
        result += [copies[1]] * int(copies[2]) if copies else [expand(word)]
    return result


def parse(path):
    for number, line in enumerate(open(path, encoding="utf-8"), 1):
        if line.strip() and not line.startswith("#"):
            m = ROW.match(line.rstrip("\n")) or sys.exit(f"{path}:{number}: not a row")
            flags = dict(o.partition("=")[::2] for o in re.findall(r"\[([^\]]*)\]", m[1]))
            yield f"{path}:{number}", flags, words(m[2]), int(m[3]), expand(m[4])


def run(case, options):
    name, flags, args, status, output = case
    target = "windows" if options.wine else "host"
    if {"host", "windows"} - {target} & flags.keys() or options.explain and (
            {"exit", "folder", "no-tool"} & flags.keys() or status > 1):
        return None
    base = os.path.realpath(tempfile.mkdtemp(prefix="tolvex-golden-"))
    try:
        folder = os.path.join(base, flags.get("folder", "bin"))
        os.mkdir(folder)
        # Links, not copies: a file still open for writing cannot be started (another thread's
        # child may hold it open), and a link is never open for writing.
        program = os.path.join(folder, os.path.basename(options.program))
        os.link(options.program, program)
        if "no-tool" not in flags:
            os.link(options.standin, os.path.join(folder, "tolvex.exe"))
        if "via" in flags:  # started by another name of its folder: the name it sees
            folder = os.path.join(base, flags["via"])
            os.symlink(flags.get("folder", "bin"), folder)
            program = os.path.join(folder, os.path.basename(options.program))
        record = os.path.join(base, "record")
        env = dict(os.environ, WINEDEBUG="-all", LC_ALL="C.UTF-8", TOLVEX_STANDIN_RECORD=record,
                   TOLVEX_STANDIN_EXIT=flags.get("exit", "0"))
        env.pop(usage_checks.VARIABLE, None)
        usage_log = os.path.join(base, "usage.jsonl")
        if options.usage_log:
            env[usage_checks.VARIABLE] = usage_checks.native_path(usage_log, options.wine)
        for key, value in flags.items():
            if key.startswith("SYSTEMDRIVE"):
                env.pop("SYSTEMDRIVE", None) if key.endswith(" unset") else env.update({key: value})
        command = [options.wine] * bool(options.wine) + [program] + ["explain"] * options.explain + args
        with open(os.path.join(base, "stdout"), "wb+") as out:
            got_status = subprocess.run([c.encode() for c in command], stdout=out, stderr=subprocess.DEVNULL,
                                        stdin=subprocess.DEVNULL, env=env, cwd=base, timeout=120).returncode
            out.seek(0)
            stdout = out.read()
        directory = "" if options.explain else "Z:" + folder.replace("/", "\\") + "\\" if options.wine else folder + "/"
        before, launched, line = output.partition("» ")
        expected = before.replace("¶", "\n")
        if launched:
            expected += f"The translated command is: \n{directory}tolvex.exe {line}\n"
            expected += "" if options.explain else f"The tolvx return code is: {status}\n"
        encoding, newline = ("cp1252", "\r\n") if options.wine else ("utf-8", "\n")
        expected = expected.replace("\n", newline).encode(encoding)
        stdout = b"".join(l for l in stdout.splitlines(True) if not l.startswith(b"[tolvex stand-in] "))
        problems = []
        if got_status != (status & 0xFF or (1 if status else 0)):
            problems.append(f"exit status {got_status}, expected {status}")
        if stdout != expected:
            problems.append(f"stdout\n    actual   {stdout!r:.400}\n    expected {expected!r:.400}")
        if options.wine and launched and not options.explain and "no-tool" not in flags and (
                "folder" not in flags or "via" in flags):
            received = open(record, encoding=encoding).read().splitlines()
            if received[0] != f"command line: {directory}tolvex.exe {line}":
                problems.append(f"the tool got the line {received[0]!r}")
            if "argv" in flags and received[1:] != [
                    f"argument {i}: {a}" for i, a in enumerate(flags["argv"].split("|"), 1)]:
                problems.append(f"the tool got the words {received[1:]!r}")
        if options.usage_log:
            refused = None if launched else expected.decode(encoding).replace(newline, "\n")
            problems += usage_checks.record_problems(usage_log, args, status, line if launched else None, refused)
        return problems
    finally:
        shutil.rmtree(base, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    for option in ("--program", "--standin"):
        parser.add_argument(option, required=True)
    parser.add_argument("--table", default=os.path.join(os.path.dirname(__file__), "legacy.txt"))
    parser.add_argument("--wine", default="")
    parser.add_argument("--explain", action="store_true")
    parser.add_argument("--usage-log", action="store_true")
    parser.add_argument("--filter", default="")
    options = parser.parse_args()
    cases = [c for c in parse(options.table) if options.filter in " ".join(c[2])]
    with concurrent.futures.ThreadPoolExecutor(os.cpu_count() or 2) as pool:
        # Wine fails to start about one process in a thousand: the record or the output is then
        # missing or wrong, and the row gets a second try; a real fault fails twice.
        results = list(pool.map(lambda c: twice(lambda _: run(c, options), again=bool(options.wine)), cases))
    for case, problems in zip(cases, results):
        if problems:
            print(f"FAIL {case[0]}: {' '.join(case[2])[:200]}\n  " + "\n  ".join(problems))
    if options.usage_log and not options.filter:
        for name, problems in usage_checks.run_all(options):
            results.append(problems)
            if problems:
                print(f"FAIL {name}\n  " + "\n  ".join(problems))
    return finish(results.count([]), sum(1 for r in results if r))


if __name__ == "__main__":
    sys.exit(main())
