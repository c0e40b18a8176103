#!/usr/bin/env python3
"""End-to-end tests: the real tolvex-legacy.exe under Wine, beside the stand-in tolvex.exe.

    run_e2e.py --program build/windows/tolvex-legacy.exe --standin build/windows/tolvex.exe
               [--filter TEXT] [--wine wine]

Each case gets a fresh temporary directory holding copies of both programs, and runs
`wine <dir>/tolvex-legacy.exe <args...>` from a subdirectory of it (so that nothing can rely
on the working directory), with stdout and stderr sent to files: reading Wine's output through
pipes costs about 3 s a run. Checked in this order: the exit status, the stdout bytes, then what
the stand-in recorded (or that it was not started at all).

Placeholders, replaced before comparing:
  {dir}  the program's directory as Windows reports it, e.g. Z:\\tmp\\tolvex-e2e-abc\\
         (backslashes, trailing backslash).

Wine decodes the Unix arguments with the locale's charset and hands them to the program in the
ANSI code page: with LC_ALL=C.UTF-8 (set here for every run) that is Windows-1252, so an argument
given as UTF-8 text of Windows-1252 characters reaches the program as those single bytes, and
characters outside Windows-1252 (or bytes that are not valid UTF-8) arrive as "?".

Prints one PASS/FAIL line per case and ends with "N passed, N failed"; exits 1 on any failure.
When the environment variable TOLVEX_E2E_COUNTS_FILE names a file, the two numbers are also
written to it ("<passed> <failed>"), for scripts/test's summary.
"""

import argparse
import dataclasses
import os
import shutil
import subprocess
import sys
import tempfile
from typing import Dict, List, Optional, Sequence, Union

Argument = Union[str, bytes]


@dataclasses.dataclass(frozen=True)
class Case:
    name: str
    args: Sequence[Argument]
    # Unix exit status of `wine`: the Windows exit code's low byte (a non-zero code whose
    # low byte is 0 gives 1).
    status: int
    # Exact stdout bytes, program and stand-in together, CRLF line ends; may hold {dir}.
    stdout: bytes
    # Raw command line the stand-in must have recorded (may hold {dir}); None: the program
    # must not start it, so no record file may exist.
    launched: Optional[str] = None
    # Arguments the stand-in must have received (argv[1:]); checked only when given.
    launched_args: Optional[Sequence[str]] = None
    # Environment for the run, e.g. {"TOLVEX_STANDIN_EXIT": "3"} for the stand-in's exit code.
    env: Dict[str, str] = dataclasses.field(default_factory=dict)
    # Name of the folder (inside the temporary directory) that holds the programs.
    folder: str = "bin"
    # False: no tolvex.exe beside the program.
    with_standin: bool = True


SYNTAX = b"The command parameters are not vaild!\r\n"

# A keyword that needs the whole argument: digits mark the position of any cut or shift.
LONG_KEYWORD = "0123456789" * 3000
# Windows-1252 letters above 0x7F (given as UTF-8, arriving as single bytes; see above).
HIGH_KEYWORD = "g\u00fc\u00df\u20ac\u00e9"

OUTPUT = " --output C:\\Vexadyn_Support\\"  # Wine always sets SYSTEMDRIVE to C:


def launch(line: str, arguments: Sequence[str], code: int, before: bytes = b"") -> bytes:
    """Expected stdout of a launching run: whatever the translation printed (`before`), the
    program's two header lines, the stand-in's report, then the return code line."""
    full = "{dir}tolvex.exe " + line
    report = [f"command line: {full}"] + [f"argument {i}: {a}" for i, a in enumerate(arguments, 1)]
    text = "The translated command is: \r\n" + full + "\r\n"
    text += "".join(f"[tolvex stand-in] {r}\r\n" for r in report)
    text += f"The tolvx return code is: {code}\r\n"
    return before + text.encode("cp1252")


def launch_case(name: str, args: Sequence[Argument], line: str, arguments: Sequence[str],
                code: int = 0, before: bytes = b"") -> Case:
    """A run that translates `args` into `line`, which the stand-in splits into `arguments`."""
    return Case(name, args, code & 0xFF or (1 if code else 0), launch(line, arguments, code, before),
                launched="{dir}tolvex.exe " + line, launched_args=arguments,
                env={"TOLVEX_STANDIN_EXIT": str(code)})


HB_ARGS = ["hb", "-s", "--mm-address=10.0.0.5", "--mm-user=admin", "--mm-password=secret"]
HB_LINE = "update scan --cmm admin:secret@10.0.0.5" + OUTPUT
HB_ARGV = ["update", "scan", "--cmm", "admin:secret@10.0.0.5", "--output", "C:\\Vexadyn_Support\\"]
# cmd.exe's code for a command it cannot find; Wine's exit status is its low byte.
NOT_FOUND = 9009

CASES: List[Case] = [
    # --- Dispatch: a missing or unknown keyword; nothing is launched ------------------
    Case("no arguments", [], 1, b"Please specify the command!\r\n"),
    Case("empty keyword", [""], 1, b"Please specify the command!\r\n"),
    Case("keyword is case-sensitive", ["ACQUIRE"], 1,
         b"The command: ACQUIRE is not supported.\r\n"),
    Case("keyword prefix is not a keyword", ["acq", "-l", "x"], 1,
         b"The command: acq is not supported.\r\n"),
    Case("keyword above 0x7F", [HIGH_KEYWORD], 1,
         b"The command: " + HIGH_KEYWORD.encode("cp1252") + b" is not supported.\r\n"),
    Case("30000-character keyword", [LONG_KEYWORD], 1,
         b"The command: " + LONG_KEYWORD.encode("ascii") + b" is not supported.\r\n"),

    # --- Syntax of the parameters: checked before the keyword; nothing is launched ----
    Case("first parameter without dash, unknown keyword", ["nope", "stray"], 1,
         SYNTAX + b"The first paramater should start with - or --.\r\n"),
    Case("value after a -- parameter", ["up", "--local=x", "value"], 1,
         SYNTAX + b"If the parameter starts with --, the next parameter should start with - or --.\r\n"),
    Case("two values after a - parameter", ["up", "-m", "a", "b"], 1,
         SYNTAX + b"If the parameter starts with -, at least one of the next two parameters"
                  b" should start with - or --.\r\n"),

    # --- Options a command does not know; nothing is launched -------------------------
    Case("unsupported option, no line end", ["ac", "--bogus=1"], 1,
         b"The parameter: --bogus is not supported!"),

    # --- Launching: the translated line, the stand-in's report, the return code -------
    launch_case("chassis scan", HB_ARGS, HB_LINE, HB_ARGV),
    launch_case("return code 3 passed on", HB_ARGS, HB_LINE, HB_ARGV, code=3),
    launch_case("return code 255 passed on", HB_ARGS, HB_LINE, HB_ARGV, code=255),
    launch_case("update, double space after --includeid",
                ["update", "-F", "-l", "C:\\fw", "-i", "id1,id2", "--xml"],
                "update flash --type fw --dir C:\\fw --includeid  id1,id2 --xml" + OUTPUT,
                ["update", "flash", "--type", "fw", "--dir", "C:\\fw", "--includeid", "id1,id2",
                 "--xml", "--output", "C:\\Vexadyn_Support\\"]),
    launch_case("compare, values with spaces quoted, -L prints an empty line",
                ["co", "-L", "--local=C:\\my fw", "-e", "12 34", "--host=bmc",
                 "--update-args=--user=ops --password=p w,--backup"],
                'update compare --dir "C:\\my fw" --excludeid  "12 34" --scope latest'
                " --bmq ops:p@bmc --backup" + OUTPUT,
                ["update", "compare", "--dir", "C:\\my fw", "--excludeid", "12 34", "--scope", "latest",
                 "--bmq", "ops:p@bmc", "--backup", "--output", "C:\\Vexadyn_Support\\"],
                before=b"\r\n"),
    launch_case("acquire worked example",
                ["acquire", "-m", "M1", "-o", "OS1", "--local=D:\\pkgs", "-L", "--xml"],
                "update acquire --dir D:\\pkgs --mt M1 --ostype OS1 --scope latest --xml" + OUTPUT,
                ["update", "acquire", "--dir", "D:\\pkgs", "--mt", "M1", "--ostype", "OS1",
                 "--scope", "latest", "--xml", "--output", "C:\\Vexadyn_Support\\"]),
    launch_case("acquire through a proxy, password with a space",
                ["ac", "--proxy-port=3128", "--proxy-address=proxy.lan", "--proxy-user=u",
                 "--proxy-password=p w", "-i", "ID1"],
                'update acquire --scope individual --includeid ID1 --proxy "u:p w@proxy.lan:3128"' + OUTPUT,
                ["update", "acquire", "--scope", "individual", "--includeid", "ID1", "--proxy",
                 "u:p w@proxy.lan:3128", "--output", "C:\\Vexadyn_Support\\"]),

    # --- Launching where the tool cannot be run: the interpreter's code is passed on ---
    Case("directory name with a space is not quoted", HB_ARGS, NOT_FOUND & 0xFF,
         b"The translated command is: \r\n{dir}tolvex.exe " + HB_LINE.encode() +
         b"\r\nThe tolvx return code is: 9009\r\n", folder="my tools"),
    Case("no tolvex.exe beside the program", HB_ARGS, NOT_FOUND & 0xFF,
         b"The translated command is: \r\n{dir}tolvex.exe " + HB_LINE.encode() +
         b"\r\nThe tolvx return code is: 9009\r\n", with_standin=False),
]


def windows_path(unix_path: str) -> str:
    """The Windows name Wine gives a Unix path (through its Z: drive)."""
    return "Z:" + unix_path.replace("/", "\\")


def encode_argument(argument: Argument) -> bytes:
    return argument if isinstance(argument, bytes) else argument.encode("utf-8")


def describe_difference(what: str, expected: Union[bytes, str], actual: Union[bytes, str]) -> str:
    """A report that stays readable for long values: lengths, first differing offset, context."""
    if len(expected) <= 400 and len(actual) <= 400:
        return f"  {what} differs:\n    expected {expected!r}\n    actual   {actual!r}"
    offset = next((i for i, (e, a) in enumerate(zip(expected, actual)) if e != a),
                  min(len(expected), len(actual)))
    start = max(0, offset - 40)
    return (f"  {what} differs (expected {len(expected)}, actual {len(actual)} long;"
            f" first difference at offset {offset}):\n"
            f"    expected [{start}:] {expected[start:offset + 60]!r}\n"
            f"    actual   [{start}:] {actual[start:offset + 60]!r}")


def parse_record(text: str) -> Dict[str, object]:
    """The stand-in's record: 'command line: ...' then 'argument N: ...' lines."""
    lines = text.split("\n")
    if lines and lines[-1] == "":
        lines.pop()
    record: Dict[str, object] = {"command line": None, "arguments": []}
    for line in lines:
        if line.startswith("command line: "):
            record["command line"] = line[len("command line: "):]
        else:
            label, _, value = line.partition(": ")
            record["arguments"].append(value)  # type: ignore[union-attr]
    return record


def run_case(case: Case, program: str, standin: str, wine: str) -> List[str]:
    """Runs one case; returns the list of problems (empty when it passed)."""
    base = os.path.realpath(tempfile.mkdtemp(prefix="tolvex-e2e-"))
    try:
        folder = os.path.join(base, case.folder)
        os.mkdir(folder)
        shutil.copy2(program, os.path.join(folder, "tolvex-legacy.exe"))
        if case.with_standin:
            shutil.copy2(standin, os.path.join(folder, "tolvex.exe"))
        workdir = os.path.join(base, "work")
        os.mkdir(workdir)
        record_path = os.path.join(base, "record.txt")
        stdout_path = os.path.join(base, "stdout.bin")
        stderr_path = os.path.join(base, "stderr.txt")
        program_dir = windows_path(folder) + "\\"

        env = dict(os.environ)
        env.pop("TOLVEX_STANDIN_EXIT", None)
        env.update(WINEDEBUG="-all", LC_ALL="C.UTF-8",
                   TOLVEX_STANDIN_RECORD=windows_path(record_path))
        env.update(case.env)

        command = [wine, os.path.join(folder, "tolvex-legacy.exe")]
        command += [encode_argument(a) for a in case.args]
        with open(stdout_path, "wb") as out, open(stderr_path, "wb") as err:
            try:
                status = subprocess.run(command, stdin=subprocess.DEVNULL, stdout=out,
                                        stderr=err, env=env, cwd=workdir, timeout=120).returncode
            except subprocess.TimeoutExpired:
                return ["  timed out after 120 s"]
        with open(stdout_path, "rb") as f:
            stdout = f.read()
        with open(stderr_path, "rb") as f:
            stderr = f.read()

        problems: List[str] = []
        if status != case.status:
            problems.append(f"  exit status: expected {case.status}, actual {status}")
        expected_stdout = case.stdout.replace(b"{dir}", program_dir.encode("utf-8"))
        if stdout != expected_stdout:
            problems.append(describe_difference("stdout", expected_stdout, stdout))

        recorded = os.path.exists(record_path)
        if case.launched is None:
            if recorded:
                with open(record_path, "rb") as f:
                    problems.append(f"  the stand-in was started but must not be: {f.read()!r}")
        elif not recorded:
            problems.append("  the stand-in was not started (no record file)")
        else:
            with open(record_path, "rb") as f:
                record = parse_record(f.read().decode("cp1252", "backslashreplace"))
            expected_line = case.launched.replace("{dir}", program_dir)
            if record["command line"] != expected_line:
                problems.append(describe_difference("launched command line", expected_line,
                                                    str(record["command line"])))
            if case.launched_args is not None and record["arguments"] != list(case.launched_args):
                problems.append(f"  launched arguments: expected {list(case.launched_args)!r},"
                                f" actual {record['arguments']!r}")

        if problems and stderr:
            problems.append(f"  stderr: {stderr.decode('utf-8', 'replace')[:2000]!r}")
        return problems
    finally:
        shutil.rmtree(base, ignore_errors=True)


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--program", required=True, help="the built tolvex-legacy.exe")
    parser.add_argument("--standin", required=True, help="the built stand-in tolvex.exe")
    parser.add_argument("--filter", default="", help="run only cases whose name contains this")
    parser.add_argument("--wine", default="wine", help="the Wine launcher")
    options = parser.parse_args()

    names = [case.name for case in CASES]
    duplicates = sorted({name for name in names if names.count(name) > 1})
    if duplicates:
        print(f"duplicate case names: {duplicates}")
        return 2

    selected = [case for case in CASES if options.filter in case.name]
    if not selected:
        print(f"no case name contains {options.filter!r}")
        return 2

    passed = failed = 0
    for case in selected:
        problems = run_case(case, options.program, options.standin, options.wine)
        if problems:
            failed += 1
            print(f"FAIL {case.name}")
            print("\n".join(problems))
        else:
            passed += 1
            print(f"PASS {case.name}")
        sys.stdout.flush()

    print(f"{passed} passed, {failed} failed")
    counts_file = os.environ.get("TOLVEX_E2E_COUNTS_FILE")
    if counts_file:
        with open(counts_file, "w") as f:
            f.write(f"{passed} {failed}\n")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
