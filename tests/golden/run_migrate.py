#!/usr/bin/env python3
"""Runs the table tests/golden/migrate.txt (its header explains the rows) against tolvex-migrate.

    run_migrate.py --program P [--wine wine] [--table T]

The rows of each kind become one script in a fresh folder; `P scan --format json` must report each
row's class and reason at the row's first line, and `P fix --write --no-backup` must turn the
script into the expected lines and name each call it left, as scan does. Under Wine the rows of a
kind that fail (or whose report is missing) are tried once more, as the whole script they are.
Ends with "N passed, N failed", also appended to $TOLVEX_E2E_COUNTS_FILE when set.
"""

import argparse, json, os, re, shutil, subprocess, sys, tempfile

from tally import finish

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from wine_retry import twice

ROW = re.compile(r"^\[(bat|ps1)( strict| alone)?\] (.*?) => (rewrite|review|manual|none)(?: \[([^\]]*)\])?(?:: (.*))?$")


def run(options, *args):
    command = [options.wine] * bool(options.wine) + [options.program] + list(args)
    env = dict(os.environ, WINEDEBUG="-all")
    with tempfile.TemporaryFile() as out:
        subprocess.run(command, stdout=out, stderr=subprocess.DEVNULL, env=env, timeout=120)
        out.seek(0)
        return out.read()


def check_kind(kind, rows, options, base, name="calls", flags=()):
    newline = "\r\n" if kind == "bat" else "\n"
    script = os.path.join(base, name + "." + kind)
    lines, first_line = [], []
    for row in rows:
        first_line.append(len(lines) + 1)
        lines += row["script"].split("¶")
    with open(script, "w", encoding="utf-8", newline="") as f:
        f.write(newline.join(lines) + newline)
    found = {c["line"]: c for c in json.loads(run(options, "scan", "--legacy-name", "old", "--format", "json",
                                                  *flags, script))["calls"]}
    report = run(options, "fix", "--legacy-name", "old", "--write", "--no-backup", *flags, script).decode(
        "utf-8", "replace")
    # fix --write names each call it left, as scan does, and no rewrite
    told = {int(m[1]): (m[2], m[3]) for m in re.finditer(re.escape(os.path.basename(script)) + r":(\d+):\d+: (\w+): (.*?)\r?$", report, re.M)}
    left = {n: (c["class"], c["why"]) for n, c in found.items() if c["class"] != "rewrite"}
    with open(script, encoding="utf-8", newline="") as f:
        fixed = f.read()
    expected = newline.join(r["text"] if r["class"] == "rewrite" else r["script"] for r in rows).replace("¶", newline)
    expected += newline
    problems = {}
    for row, line in zip(rows, first_line):
        call = next((found[n] for n in range(line, line + len(row["script"].split("¶"))) if n in found), None)
        got = (call["class"], call["why"]) if call else ("none", None)
        reason = (row["text"] if row["class"] in ("review", "manual") else row["why"] or got[1]) or ""
        want = (row["class"], reason.replace("{line}", str(line)) if row["class"] != "none" else got[1])
        if got != want:
            problems[row["name"]] = f"scan said {got}"
        for n in range(line, line + len(row["script"].split("¶"))):
            if told.get(n) != left.get(n):
                problems.setdefault(row["name"], f"fix --write reported {told.get(n)}, scan {left.get(n)}")
    fixed_lines, expected_lines = fixed.split(newline), expected.split(newline)
    at = 0
    for row in rows:
        count = len((row["text"] if row["class"] == "rewrite" else row["script"]).split("¶"))
        if fixed_lines[at:at + count] != expected_lines[at:at + count]:
            problems.setdefault(row["name"], f"fix wrote {fixed_lines[at:at + count]}, not {expected_lines[at:at + count]}")
        at += count
    return problems


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--program", required=True)
    parser.add_argument("--wine", default="")
    parser.add_argument("--table", default=os.path.join(os.path.dirname(__file__), "migrate.txt"))
    options = parser.parse_args()
    kinds = {}  # (kind, script name, flags) -> rows: "strict" rows share a script scanned with --strict,
    for number, line in enumerate(open(options.table, encoding="utf-8"), 1):  # an "alone" row has its own
        if line.strip() and not line.startswith("#"):
            m = ROW.match(line.rstrip("\n")) or sys.exit(f"{options.table}:{number}: not a row")
            group = {None: (m[1], "calls", ()), " strict": (m[1], "strict", ("--strict",)),
                     " alone": (m[1], f"alone{number}", ())}[m[2]]
            kinds.setdefault(group, []).append({"name": f"{options.table}:{number}", "script": m[3],
                                                "class": m[4], "why": m[5], "text": m[6]})
    base = tempfile.mkdtemp(prefix="tolvex-migrate-")
    try:
        problems = {}
        for (kind, name, flags), rows in kinds.items():
            problems.update(twice(lambda _: check_kind(kind, rows, options, base, name, flags), again=bool(options.wine),
                                  failed=lambda message: {row["name"]: message for row in rows}))
    finally:
        shutil.rmtree(base, ignore_errors=True)
    for name, problem in problems.items():
        print(f"FAIL {name}: {problem}")
    total = sum(len(rows) for rows in kinds.values())
    return finish(total - len(problems), len(problems))


if __name__ == "__main__":
    sys.exit(main())
