#!/usr/bin/env python3
"""Checks tests/scripts/powershell_calls.txt against a real PowerShell 7.

Usage: tests/scripts/powershell_truth.py --pwsh <pwsh> [--keep] [--table <file>]

Every row becomes its own .ps1 file, in a folder that also holds a recorder under each legacy
name (old, old.exe, OLD.Exe: a shell script that writes the words it receives to the file named
by $TOLVEX_PS_RECORD). One pwsh process runs them all in turn, each in its own script scope.
Before a row it sets the variables and commands the rows read ($dir, $cfg, Get-Date, ...) and
runs the row's placeholders through the same recorder to learn their values: "<$dir>" is what
`old ($dir)` receives, "<"$dir>" what `old "$dir"` receives, "<*@params>" what `old @params`
receives. A row then passes when:
  - "none": the recorder does not run;
  - words: it runs at least once, and every run's words are the next expected call's words in
    table order (a branch that does not run, as the else of an if, is passed over; the commands
    of a pipeline run at once, so their records may come in any order);
  - review: the call runs, with the words after " | " when the row lists them (a review that
    lists none matches any one run);
  - manual: PowerShell's parser reports an error in the snippet.
Rows marked {windows} (paths, aliases and --% quoting that only Windows has) and {parsed} (a call
in a script block PowerShell never runs) are skipped and counted; rows marked {5.1} are run, their 5.1 claim resting on the documentation. After --%
a value lands in text that PowerShell splits at spaces, so such a word is split again. Ends with
"N passed, N failed" (see tests/golden/tally.py). Exits 1 when a row fails, 2 on a set-up
error, 77 (skipped) when no pwsh is installed. The rows test the table, not the program: with
--cache DIR a passing verdict is kept there and stands until the table, this runner or pwsh changes.
"""

import argparse
import hashlib
import itertools
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "golden"))
from tally import finish  # noqa: E402

TABLE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "powershell_calls.txt")
MARKERS = ("{windows} ", "{5.1} ", "{parsed} ")
NAMES = ("old", "old.exe", "OLD.Exe")
SKIPPED = 77
MISSING = "<its value did not reach the recorder>"
PLACEHOLDER = re.compile(r'<("?)(\*?)([$%@(][^>]*)>')
RECORDER = """#!/bin/sh
{ printf 'CALL'; for a; do printf '\\037%s' "$a"; done; printf '\\036'; } >> "$TOLVEX_PS_RECORD"
"""

# The values the rows read, set again before every row (a row runs in its own script scope).
PRELUDE = r"""
function Reset-Row {
    $global:dir = 'D I R'; $global:x = 'X V'; $global:m = 'a'; $global:s = 'xSx'
    $global:files = @('F 1'); $global:f = 'F 1'; $global:params = @('P1', 'P 2'); ${global:my dir} = 'M D'
    $global:cfg = [pscustomobject]@{ Path = 'C P' }; $global:a = @([pscustomobject]@{ Name = 'A N' })
    Remove-Variable -Scope Global -Name tool, r, h, t -ErrorAction Ignore
    $env:TEMP = 'T E'; $env:FW = 'F W'; ${env:ProgramFiles(x86)} = 'P F'
}
function global:Get-Date { 'G D' }
function global:Get-Location { 'G L' }
function global:Get-Item { 'G I' }
"""


def unescape(text):
    text = text.replace("<LF>", "\n").replace("<CR>", "\r").replace("<TAB>", "\t")
    return re.sub(r"<U\+([0-9A-Fa-f]+)>", lambda m: chr(int(m.group(1), 16)), text)


def parse_words(text):
    """[w1] [w2] as a list; "no words" as []. After "--% " each word is marked by a leading
    "--% ": there a value lands in the text that is split into words afterwards."""
    stop = text.startswith("--% ")
    text = text[4:] if stop else text
    words = [] if text == "no words" else text[1:-1].split("] [")
    return ["--% " + word for word in words] if stop else words


def parse_finding(text):
    """(kind, words or None): kind is words, review or manual."""
    text = re.sub(r"^@\d+:\d+ ", "", text)
    if text.startswith(("review: ", "manual: ")):
        kind = text[:6]
        _, bar, words = text.partition(" | ")
        return kind, parse_words(words) if bar else None
    return "words", parse_words(text)


def read_rows(path):
    """Rows: dict with line, marker, snippet and findings ([] for none)."""
    rows = []
    with open(path, encoding="utf-8") as table:
        for number, line in enumerate(table, 1):
            line = line.rstrip("\n")
            if not line or line.startswith("#"):
                continue
            marker = next((m.strip() for m in MARKERS if line.startswith(m)), "")
            line = line[len(marker) + 1 :] if marker else line
            columns = line.split(" => ")
            findings = [] if columns[1] == "none" else [parse_finding(unescape(f)) for f in columns[1].split(" ;; ")]
            rows.append({"line": number, "marker": marker, "snippet": unescape(columns[0]), "findings": findings})
    return rows


def sources(row):
    found = []
    for _, words in row["findings"]:
        for word in words or []:
            for match in PLACEHOLDER.finditer(word[4:] if word.startswith("--% ") else word):
                if match.group(0) not in found:
                    found.append(match.group(0))
    return found


def value_call(placeholder):
    quoted, _, source = PLACEHOLDER.fullmatch(placeholder).groups()
    if source.startswith("%"):
        return "old ([Environment]::GetEnvironmentVariable('%s'))" % source.strip("%")
    if source.startswith("@"):
        return "old " + source
    return 'old "%s"' % source if quoted else "old (%s)" % source


def read_record(path):
    if not os.path.exists(path):
        return []
    with open(path, "rb") as record:
        text = record.read().decode("utf-8", "replace")
    return [run.split("\x1f")[1:] for run in text.split("\x1e") if run]


def expected_words(words, values):
    result = []
    for word in words:
        stop = word.startswith("--% ")
        word = word[4:] if stop else word
        if PLACEHOLDER.fullmatch(word) and PLACEHOLDER.fullmatch(word).group(2):
            result += values.get(word, [MISSING])
            continue
        word = PLACEHOLDER.sub(lambda m: " ".join(values.get(m.group(0), [MISSING])), word)
        result += word.split(" ") if stop else [word]
    return result


def settle(rows, folder, seconds=60):
    """Waits until each row that must run a call has recorded one, or `seconds` have passed: a
    recorder started by Start-Process runs on after pwsh ends, for longer on a loaded machine."""
    deadline = time.monotonic() + seconds
    for row in rows:
        must_run = row["findings"] and not any(kind == "manual" for kind, _ in row["findings"])
        calls = os.path.join(folder, "row%d.calls" % row["line"])
        while must_run and not os.path.exists(calls) and time.monotonic() < deadline:
            time.sleep(0.1)
    time.sleep(0.2)  # the last one may still be writing


def judge(row, folder, parsed):
    """None when the row passes, else what went wrong."""
    stem = os.path.join(folder, "row%d" % row["line"])
    runs = read_record(stem + ".calls")
    values = dict(zip(sources(row), read_record(stem + ".values")))
    findings = row["findings"]
    if not findings:
        return None if not runs else "no call expected, ran %s" % runs
    if any(kind == "manual" for kind, _ in findings):
        errors = parsed.get(str(row["line"]))
        return None if errors else "PowerShell parses it without an error" if errors == 0 else "not parsed"
    if not runs:
        return "the call did not run"
    # A review finding that lists no words matches whatever that call passes.
    expected = [None if words is None else expected_words(words, values) for _, words in findings]
    problem = in_order(runs, expected)
    # The commands of a pipeline run at once: their records may come in any order.
    if problem and "|" in row["snippet"] and len(runs) <= 4:
        if any(in_order(list(order), expected) is None for order in itertools.permutations(runs)):
            return None
    return problem


def in_order(runs, expected):
    """None when each run matches the next expected call in order (a call that does not run, as
    the else of an if, is passed over), else what went wrong."""
    at = 0
    for run in runs:
        while at < len(expected) and expected[at] is not None and expected[at] != run:
            at += 1
        if at == len(expected) and expected:
            return "PowerShell passed %s, the reader expects %s" % (run, expected)
        at += 1
    return None


def write_files(rows, folder):
    for name in NAMES:
        path = os.path.join(folder, name)
        with open(path, "w") as recorder:
            recorder.write(RECORDER)
        os.chmod(path, 0o755)
    for row in rows:
        stem = os.path.join(folder, "row%d" % row["line"])
        with open(stem + ".ps1", "w", encoding="utf-8", newline="") as script:
            script.write(row["snippet"])
        if sources(row):
            with open(stem + ".values.ps1", "w", encoding="utf-8") as script:
                script.write("\n".join(value_call(p) for p in sources(row)) + "\n")
    lines = [PRELUDE, "$env:PATH = '%s' + [IO.Path]::PathSeparator + $env:PATH" % folder, "Set-Location '%s'" % folder]
    lines.append("$parsed = @{}")
    lines.append("foreach ($n in %s) {" % json.dumps([row["line"] for row in rows]).replace("[", "@(").replace("]", ")"))
    lines += [
        "    Reset-Row",
        "    $stem = Join-Path '%s' \"row$n\"" % folder,
        "    $env:TOLVEX_PS_RECORD = \"$stem.values\"",
        "    if (Test-Path -LiteralPath \"$stem.values.ps1\") { try { & \"$stem.values.ps1\" *> $null } catch { } }",
        "    $errors = $null",
        "    $null = [System.Management.Automation.Language.Parser]::ParseFile(\"$stem.ps1\", [ref]$null, [ref]$errors)",
        "    $parsed[\"$n\"] = $errors.Count",
        "    $env:TOLVEX_PS_RECORD = \"$stem.calls\"",
        "    if ($errors.Count -eq 0) { try { & \"$stem.ps1\" *> $null } catch { } }",
        "}",
        "$parsed | ConvertTo-Json | Set-Content -LiteralPath '%s'" % os.path.join(folder, "parsed.json"),
        "Get-Job | Wait-Job -Timeout 120 | Out-Null  # a call run in the background (&)",
    ]
    with open(os.path.join(folder, "run.ps1"), "w", encoding="utf-8") as script:
        script.write("\n".join(lines) + "\n")


def verdict_file(args):
    """Where a passing verdict on this table, runner and pwsh is kept, or None."""
    if not args.cache:
        return None
    key = hashlib.sha256()
    for part in (open(args.table, "rb").read(), open(os.path.abspath(__file__), "rb").read(),
                 os.path.realpath(args.pwsh).encode(), str(os.stat(args.pwsh).st_mtime_ns).encode()):
        key.update(len(part).to_bytes(8, "little") + part)
    return os.path.join(args.cache, "truth-%s.txt" % key.hexdigest()[:32])


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--pwsh", required=True)
    parser.add_argument("--keep", action="store_true")
    parser.add_argument("--table", default=TABLE, help="another table in the same format")
    parser.add_argument("--cache", help="keep a passing verdict in this folder")
    args = parser.parse_args()
    if not os.access(args.pwsh, os.X_OK):
        print("skipped: no PowerShell at %s (scripts/lib/setup.sh tolvex_install_pwsh installs it)" % args.pwsh)
        return SKIPPED
    kept = verdict_file(args)
    if kept and os.path.isfile(kept):
        with open(kept, encoding="utf-8") as verdict:
            skipped_line, passed = verdict.read().split("\n")[:2]
        print(skipped_line + "\nthe verdict of an earlier run on the same table and pwsh (%s)" % kept)
        return finish(int(passed), 0)
    rows = read_rows(args.table)
    folder = tempfile.mkdtemp(prefix="tolvex-pwsh-")
    try:
        runnable = [row for row in rows if row["marker"] not in ("{windows}", "{parsed}")]
        write_files(runnable, folder)
        try:
            result = subprocess.run([args.pwsh, "-NoProfile", "-NonInteractive", "-File", os.path.join(folder, "run.ps1")],
                                    stdin=subprocess.DEVNULL, capture_output=True, text=True, timeout=270, check=False)
        except subprocess.TimeoutExpired:
            print("pwsh did not finish the rows within 270 s")
            return 2
        if result.returncode != 0:
            print("pwsh failed (%d): %s" % (result.returncode, result.stderr.strip()))
            return 2
        with open(os.path.join(folder, "parsed.json"), encoding="utf-8-sig") as parsed_file:
            parsed = json.load(parsed_file)
        settle(runnable, folder)
        passed = failed = 0
        for row in runnable:
            problem = judge(row, folder, parsed)
            if problem:
                failed += 1
                print("%s:%d: %r: %s" % (os.path.basename(args.table), row["line"], row["snippet"], problem))
            else:
                passed += 1
        skipped = len(rows) - len(runnable)
        on_51 = sum(1 for row in runnable if row["marker"] == "{5.1}")
        summary = "%d rows skipped ({windows}, {parsed}); %d rows run whose 5.1 reading rests on the documentation" % (skipped, on_51)
        print(summary)
        if kept and not failed:
            os.makedirs(args.cache, exist_ok=True)
            with open(kept + ".part", "w", encoding="utf-8") as verdict:
                verdict.write("%s\n%d\n" % (summary, passed))
            os.replace(kept + ".part", kept)
        return finish(passed, failed)
    finally:
        if args.keep:
            print("kept " + folder)
        else:
            shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
