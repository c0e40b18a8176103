#!/usr/bin/env python3
"""End-to-end tests: the real tolvex-legacy.exe under Wine, beside the stand-in tolvex.exe.

    run_e2e.py --program build/windows/tolvex-legacy.exe --standin build/windows/tolvex.exe
               [--filter TEXT] [--wine wine]

Each case runs `wine <tmp>/<folder>/tolvex-legacy.exe <args...>` in a fresh temporary directory,
with stdout and stderr sent to files (through pipes, Wine costs about 3 s a run), and checks the
exit status, then the stdout bytes. The stand-in prints its raw command line and each argument it
received, so stdout also shows exactly what was launched, or that nothing was. In expected stdout,
{dir} stands for the program's directory as Windows reports it (Z:\\...\\).

Wine hands arguments to the program in the ANSI code page (Windows-1252 with LC_ALL=C.UTF-8, set
here): UTF-8 text of Windows-1252 characters arrives as those single bytes.

Prints one PASS/FAIL line per case and ends with "N passed, N failed"; exits 1 on any failure.
When TOLVEX_E2E_COUNTS_FILE names a file, "<passed> <failed>" is also written to it.
"""

import argparse
import dataclasses
import os
import shutil
import subprocess
import sys
import tempfile
from typing import List, Sequence, Union

Argument = Union[str, bytes]


@dataclasses.dataclass(frozen=True)
class Case:
    name: str
    args: Sequence[Argument]
    # Unix exit status of `wine`: the low byte of the Windows exit code (1 when that is 0 but
    # the code is not).
    status: int
    # Exact stdout bytes, program and stand-in together, CRLF line ends.
    stdout: bytes
    exit_code: int = 0          # what the stand-in returns
    folder: str = "bin"         # the folder holding the programs
    with_standin: bool = True   # False: no tolvex.exe beside the program


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
                exit_code=code)


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

    # --- Syntax: checked before the keyword (rule by rule in the unit tests) -----------
    Case("first parameter without dash, unknown keyword", ["nope", "stray"], 1,
         SYNTAX + b"The first paramater should start with - or --.\r\n"),

    # --- Options a command does not know; nothing is launched -------------------------
    Case("unsupported option, no line end", ["ac", "--bogus=1"], 1,
         b"The parameter: --bogus is not supported!"),
    Case("1,000 arguments, the last one still seen", ["hb"] + ["-s"] * 998 + ["--last"], 1,
         b"The parameter: --last is not supported!"),

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
    # No escaping, as before: a quote in a value reaches the tool's own argument parsing.
    launch_case("quote in a value passed on unescaped", ["hb", '--mm-address=a"b'],
                ' --cmm :@a"b' + OUTPUT, ["--cmm", ":@ab --output C:\\Vexadyn_Support\\"]),

    # --- Launching where the tool cannot be run: the interpreter's code is passed on ---
    Case("directory name with a space is not quoted", HB_ARGS, NOT_FOUND & 0xFF,
         b"The translated command is: \r\n{dir}tolvex.exe " + HB_LINE.encode() +
         b"\r\nThe tolvx return code is: 9009\r\n", folder="my tools"),
    Case("no tolvex.exe beside the program", HB_ARGS, NOT_FOUND & 0xFF,
         b"The translated command is: \r\n{dir}tolvex.exe " + HB_LINE.encode() +
         b"\r\nThe tolvx return code is: 9009\r\n", with_standin=False),
]


def run_case(case: Case, program: str, standin: str, wine: str) -> List[str]:
    """Runs one case; returns its problems (none when it passed)."""
    base = os.path.realpath(tempfile.mkdtemp(prefix="tolvex-e2e-"))
    try:
        folder = os.path.join(base, case.folder)
        os.mkdir(folder)
        shutil.copy2(program, os.path.join(folder, "tolvex-legacy.exe"))
        if case.with_standin:
            shutil.copy2(standin, os.path.join(folder, "tolvex.exe"))
        env = dict(os.environ, WINEDEBUG="-all", LC_ALL="C.UTF-8", TOLVEX_STANDIN_EXIT=str(case.exit_code))
        env.pop("TOLVEX_STANDIN_RECORD", None)
        command = [wine, os.path.join(folder, "tolvex-legacy.exe")]
        command += [a if isinstance(a, bytes) else a.encode("utf-8") for a in case.args]
        out_path, err_path = os.path.join(base, "stdout"), os.path.join(base, "stderr")
        with open(out_path, "wb") as out, open(err_path, "wb") as err:
            try:
                status = subprocess.run(command, stdin=subprocess.DEVNULL, stdout=out, stderr=err,
                                        env=env, cwd=base, timeout=120).returncode
            except subprocess.TimeoutExpired:
                return ["  timed out after 120 s"]
        with open(out_path, "rb") as f:
            stdout = f.read()

        problems = []
        if status != case.status:
            problems.append(f"  exit status: expected {case.status}, actual {status}")
        program_dir = "Z:" + folder.replace("/", "\\") + "\\"
        expected = case.stdout.replace(b"{dir}", program_dir.encode("utf-8"))
        if stdout != expected:
            at = next((i for i, (e, a) in enumerate(zip(expected, stdout)) if e != a),
                      min(len(expected), len(stdout)))
            problems.append(f"  stdout differs at byte {at} (lengths {len(expected)}, {len(stdout)}):\n"
                            f"    expected ...{expected[max(0, at - 60):at + 60]!r}\n"
                            f"    actual   ...{stdout[max(0, at - 60):at + 60]!r}")
        if problems:
            with open(err_path, "rb") as f:
                problems.append(f"  stderr: {f.read()[:2000]!r}")
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
