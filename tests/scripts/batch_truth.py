#!/usr/bin/env python3
"""Checks tests/scripts/batch_calls.txt against Wine's cmd.exe.

Usage: tests/scripts/batch_truth.py --standin <tolvex.exe> [--wine wine] [--keep]

Every row that expects argument words (or "none") and is not marked +notruth is written into a
.bat file, one file per group of rows (groups are separated by empty lines), beside copies of
the stand-in named old.exe and old-up.exe (also in bin\\ and "My Tools\\"). Each file is run once
with `wine cmd /c <file> a1 a2 a3`; the stand-in prints the arguments it received. A row passes
when the stand-in runs once per expected call (or per call listed in +runs=) with the table's
words, each variable replaced by its value: %NAME% and !NAME! by name+"v" in lower case
(letters and digits only), %1..%3 by a1..a3, %* by all three, %0 by the file name, %~dp0 by
the folder, FOR variables by their +val. A word holding a variable is split again as the C
runtime would, as the value lands in the command line before the split. A "none" row passes
when the stand-in does not run. A group whose rows fail, or whose output is missing, runs once more
(a fresh Wine sometimes fails to start a process). Exits 1 when a row fails, 2 on a usage or set-up
error.
"""

import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from crt_split import crt_split  # noqa: E402
from wine_retry import twice  # noqa: E402

TABLE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "batch_calls.txt")
ESCAPES = {"{LF}": "\n", "{CR}": "\r", "{TAB}": "\t", "{BOM}": "\ufeff"}
FLAGS = ("+block", "+delayed", "+quoted=", "+list=", "+at=", "+val:", "+runs=", "+notruth")
ARGUMENT = re.compile(r"%(?:\*|~[fdpnxsatzFDPNXSATZ]*(?:\$[^:\n%]*:)?[0-9]|[0-9])")
ARGUMENTS = ["a1", "a2", "a3"]


def unescape(text):
    for name, value in ESCAPES.items():
        text = text.replace(name, value)
    return text


def split_call(text):
    """An expected call: (kind, words or reason, flags)."""
    flags = []
    while " +" in text and text[text.rindex(" +") + 1 :].startswith(FLAGS):
        at = text.rindex(" +")
        flags.insert(0, text[at + 1 :])
        text = text[:at]
    if text.startswith(("review:", "manual:")):
        return "other", text, flags
    if text == "-":
        return "words", [], flags
    return "words", text[1:-1].split("] ["), flags


def read_groups():
    """Groups of rows: (table line, snippet, calls or [] for none, truth flags)."""
    groups, group = [], []
    with open(TABLE, encoding="utf-8") as table:
        for number, line in enumerate(table, 1):
            line = line.rstrip("\n")
            if not line.strip():
                if group:
                    groups.append(group)
                group = []
                continue
            if line.startswith("#"):
                continue
            columns = line.split(" ==> ")
            calls = [] if columns[1] == "none" else [split_call(c) for c in columns[1].split(" ;; ")]
            flags = [flag for call in calls for flag in call[2]]
            if "+notruth" in flags or any(kind != "words" for kind, _, _ in calls):
                continue
            group.append((number, unescape(columns[0]), calls, flags))
    if group:
        groups.append(group)
    return groups


def references(snippet, delayed):
    """The variable references in the snippet, read as cmd.exe's percent expansion reads them."""
    found, i = set(), 0
    while i < len(snippet):
        c = snippet[i]
        if c == "%" and snippet[i + 1 : i + 2] == "%":
            i += 2
            continue
        match = ARGUMENT.match(snippet, i) if c == "%" else None
        close = snippet.find(c, i + 1) if c == "%" or (c == "!" and delayed) else -1
        if match:
            found.add(match.group(0))
            i = match.end()
        elif close != -1 and "\n" not in snippet[i:close]:
            found.add(snippet[i : close + 1])
            i = close + 1
        else:
            i += 1
    return found


def environment_value(name):
    return re.sub(r"[^a-z0-9]", "", name.lower()) + "v"


def value_of(source, values, folder, script):
    if source in values:
        return values[source]
    if source == "%~dp0":
        return folder
    if source == "%*":
        return " ".join(ARGUMENTS)
    digit = re.fullmatch(r"%~?([0-9])", source)
    if digit:
        index = int(digit.group(1))
        return script if index == 0 else (ARGUMENTS[index - 1] if index <= len(ARGUMENTS) else "")
    name, _, operation = source[1:-1].partition(":")
    value = environment_value(name)
    if operation.startswith("~"):
        numbers = [int(n) for n in operation[1:].split(",")]
        start = numbers[0] if numbers[0] >= 0 else max(len(value) + numbers[0], 0)
        end = len(value) if len(numbers) < 2 else (start + numbers[1] if numbers[1] >= 0 else len(value) + numbers[1])
        return value[start:end]
    if "=" in operation:
        old, new = operation.split("=", 1)
        return re.sub(re.escape(old), lambda _: new, value, flags=re.IGNORECASE)
    return value


def expected_runs(snippet, calls, flags, folder, script):
    values = dict(flag[5:].split("=", 1) for flag in flags if flag.startswith("+val:"))
    sources = sorted(set(values) | references(snippet, "+delayed" in flags), key=len, reverse=True)
    pattern = re.compile("|".join(re.escape(source) for source in sources)) if sources else None
    runs = [flag[6:] for flag in flags if flag.startswith("+runs=")]
    chosen = [int(n) for n in runs[0].split(",")] if runs else range(1, len(calls) + 1)
    result = []
    for number in chosen:
        words = []
        for word in calls[number - 1][1]:
            pieces, had_variable, at = "", False, 0
            for match in pattern.finditer(word) if pattern else []:
                pieces += word[at : match.start()] + value_of(match.group(0), values, folder, script)
                had_variable, at = True, match.end()
            pieces += word[at:]
            words += crt_split(pieces) if had_variable else [word]
        result.append(words)
    return result


def environment_names(group):
    names = {"X", "Y", "FW"}
    for _, snippet, _, _ in group:
        for source in references(snippet, True):
            if not ARGUMENT.fullmatch(source):
                names.add(source[1:-1].partition(":")[0])
    return sorted(names)


def write_script(path, group):
    lines = ["@echo off", "set PATH=%~dp0;%PATH%"]
    lines += ['set "%s=%s"' % (name, environment_value(name)) for name in environment_names(group)]
    for number, snippet, _, _ in group:
        lines += ["echo ---row %d---" % number, "setlocal", snippet]
        lines += ["endlocal"] * (1 + snippet.lower().count("setlocal"))
    lines.append("echo ---end---")
    with open(path, "w", encoding="latin-1", newline="") as script:
        script.write("\r\n".join(lines).replace("\ufeff", "\xef\xbb\xbf") + "\r\n")


def observed_runs(stdout):
    """The stand-in's runs per table line: {line: [[argument, ...], ...]}."""
    runs, row = {}, None
    for line in stdout.split("\n"):
        line = line[:-1] if line.endswith("\r") else line
        marker = re.fullmatch(r"---row (\d+)---", line)
        if marker:
            row = int(marker.group(1))
            runs[row] = []
        elif line.startswith("[tolvex stand-in] command line:") and row is not None:
            runs[row].append([])
        elif line.startswith("[tolvex stand-in] argument ") and row is not None and runs[row]:
            runs[row][-1].append(line.split(": ", 1)[1] if ": " in line else "")
    return runs


def run_group(options, work, folder, index, group):
    """Runs one group's .bat file through cmd.exe: a problem per row that Wine ran otherwise."""
    script = "g%02d.bat" % index
    write_script(os.path.join(work, script), group)
    out_path, err_path = os.path.join(work, "g%02d.out" % index), os.path.join(work, "g%02d.err" % index)
    with open(out_path, "wb") as out, open(err_path, "wb") as err:
        subprocess.run([options.wine, "cmd", "/c", script] + ARGUMENTS, cwd=work, stdout=out, stderr=err,
                       env=dict(os.environ, WINEDEBUG="-all"), timeout=120, check=False)
    with open(out_path, encoding="latin-1", newline="") as out:
        runs = observed_runs(out.read())
    problems = []
    for number, snippet, calls, flags in group:
        expected = expected_runs(snippet, calls, flags, folder, script)
        got = runs.get(number)
        if got != expected:
            problems.append("line %d: %r\n  expected %r\n  Wine ran %r" % (number, snippet, expected, got))
    return problems


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--standin", required=True, help="the stand-in tolvex.exe (tools/tolvex_standin.cpp)")
    parser.add_argument("--wine", default="wine")
    parser.add_argument("--keep", action="store_true", help="keep the temporary folder and print it")
    options = parser.parse_args()
    if not os.path.isfile(options.standin) or shutil.which(options.wine) is None:
        print("batch_truth: no stand-in at %s or no %s" % (options.standin, options.wine), file=sys.stderr)
        return 2
    work = tempfile.mkdtemp(prefix="batch_truth_")
    folder = "Z:" + work.replace("/", "\\") + "\\"
    for place in ["old.exe", "old-up.exe", os.path.join("bin", "old.exe"), os.path.join("My Tools", "old.exe")]:
        os.makedirs(os.path.dirname(os.path.join(work, place)), exist_ok=True)
        shutil.copy(options.standin, os.path.join(work, place))
    checked = failed = 0
    for index, group in enumerate(read_groups(), 1):
        problems = twice(lambda _: run_group(options, work, folder, index, group),
                         failed=lambda message: ["line %d: %s" % (row[0], message) for row in group])
        checked += len(group)
        failed += len(problems)
        for problem in problems:
            print(problem)
    if options.keep:
        print("kept %s" % work)
    else:
        shutil.rmtree(work, ignore_errors=True)
    print("%d rows checked under Wine, %d failed" % (checked, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
