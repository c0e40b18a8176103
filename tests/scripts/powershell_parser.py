#!/usr/bin/env python3
"""Checks that tolvex-migrate finds exactly the legacy calls PowerShell's own parser finds.

Usage: tests/scripts/powershell_parser.py --program tolvex-migrate --pwsh pwsh [--per-row N] [--seed S] [--keep DIR]

The scripts: every snippet of powershell_calls.txt, every [ps1] row of ../golden/migrate.txt, the
PowerShell seeds of fuzz/migrate-corpus/, and N variants of each (default 8, from SEED): a random
mix of quotes, backticks, brackets, here-strings, comments, --%, continuations, splatting, line ends
and more calls inserted at random places, another snippet appended, and whole scripts nested in
blocks, loops, pipelines, strings and assignments. A snippet's variants depend on its own text and
the seed alone, so that a new row adds its variants and leaves every other one as it was. One pwsh run (powershell_commands.ps1) parses them all with
[System.Management.Automation.Language.Parser]::ParseInput; one `tolvex-migrate scan --format json
--legacy-name old` reads the same files.

A command is a legacy call when its name (GetCommandName(), or the text of an expandable string
in command position) less its folder and a final .exe is "old" in any case. Every script that
PowerShell parses without error must give the same calls at the same places: line, and the column
in bytes from 1 where the command's name starts (PowerShell counts UTF-16 code units; the runner
converts). The reader's indirect findings (Start-Process, Invoke-Expression, a program that hands
a command line on such as cmd or psexec, `& $var`, a computed path, an alias) are not calls
PowerShell names; each must stand at a command PowerShell runs by one of those ways: inside a
Start-Process, Invoke-Expression or handing-on command, at the variable or expression that & or .
runs, or at a command named as the alias. Scripts PowerShell cannot parse are counted, not compared.
With --cache DIR, PowerShell's answer for the same scripts, pwsh and powershell_commands.ps1 is
kept there and read back on the next run (the reader is run and compared every time).
Exits 0 when all agree, 1 on a disagreement, 77 (skipped) when pwsh is missing, 2 on a set-up error.
"""

import argparse, hashlib, json, os, random, re, shutil, subprocess, sys, tempfile, time, zlib

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
# Findings at a command that hands a command line on, and at a program PowerShell computes.
HANDED_ON = ("it is started by Start-Process", "it is run ", "it is the command of a scheduled task",
             "it is the action of a scheduled task", "it is started through WMI")
COMPUTED = ("the program comes from the variable", "the program path is computed")
ALIASED = "the program comes from the alias "
INDIRECT = HANDED_ON + COMPUTED + (ALIASED,)
STARTERS = {"start-process", "start", "saps", "invoke-expression", "iex", "cmd", "$env:comspec", "powershell", "pwsh", "schtasks",
            "new-scheduledtaskaction", "psexec", "psexec64", "paexec", "winrs", "runas", "wmic", "invoke-wmimethod",
            "invoke-cimmethod", "at"}
# Inserted at random places: PowerShell's quoting, escapes, brackets, comments and separators.
PIECES = ["'", '"', "`", "(", ")", "{", "}", "[", "]", "$(", "@(", "@{", " `\n  ", " <# c #> ", " # c\n", "<#",
          "#>", '@"\n', '\n"@', "@'\n", "\n'@", " --% ", " @params ", "; ", " | ", " && ", " || ", "\n", "\r\n",
          " ", "\t", " 'a b' ", ' "$x y" ', " 'it''s' ", ' `"q ', " $x ", " -F ", " > log ", " 2>&1 ", "=",
          ",", "old ", "old.exe up ", '& "C:\\T\\old.exe" ', ".\\old ", "\u201c", "\u2013", "caf\u00e9 ",
          "& old ", ". old ", "&'old' ", "o`ld ", "ol`d.exe up ", "OLD.EXE ", "'old' ", "-old ", "`old ", "old: ",
          "\u201cold\u201d ", "& \u2018C:\\old.exe\u2019 ", "${old} ", "old.ps1 ", "\\\\s\\old.exe "]
NESTS = ["if ($x) {\n%s\n}", "function f {\n  %s\n}", "foreach ($s in $l) { %s }", "try { %s } catch { }",
         "$(%s)", "& { %s }", '"$(%s)"', '@"\n$(%s)\n"@', "1..2 | % { %s }", "switch ($x) { a { %s } }",
         "[void](%s)", "$r = %s", "Get-Date; %s", "%s | Out-Null", "  %s  ", "(%s)", "{ %s }", "@(%s)"]


def table_snippets():
    codes = {"<LF>": "\n", "<CR>": "\r", "<TAB>": "\t"}
    unescape = lambda s: re.sub(r"<U\+([0-9A-F]{4,6})>", lambda m: chr(int(m[1], 16)),
                                re.sub("<LF>|<CR>|<TAB>", lambda m: codes[m[0]], s))
    scripts = []
    for line in open(os.path.join(HERE, "powershell_calls.txt"), encoding="utf-8"):
        if line.strip() and not line.startswith("#"):
            # Without its marker ({windows}, {5.1}, {parsed}): the parser reads every row.
            scripts.append(unescape(re.sub(r"^\{[^}]*\} ", "", line.rstrip("\n").split(" => ")[0])))
    for line in open(os.path.join(ROOT, "tests", "golden", "migrate.txt"), encoding="utf-8"):
        if line.startswith("[ps1] "):
            scripts.append(line[6:].split(" => ")[0].replace("\u00b6", "\n"))
    seeds = os.path.join(ROOT, "fuzz", "migrate-corpus")
    for name in sorted(n for n in os.listdir(seeds) if n.startswith("ps-")):
        data = open(os.path.join(seeds, name), "rb").read()[1:]  # the first byte picks the reader
        scripts.append(data.decode("utf-16") if data.startswith(b"\xff\xfe") else data.decode("utf-8-sig"))
    return scripts


def partner(rng, bases):
    """A snippet to append, picked by a hash rather than by position: a new row of the tables is
    picked only where its own hash comes first."""
    token = str(rng.random()).encode()
    return min(bases, key=lambda other: zlib.crc32(other.encode("utf-8", "surrogatepass"), zlib.crc32(token)))


def variant(rng, text, bases):
    if rng.random() < 0.3:
        text += rng.choice(["\n", "; ", "\r\n"]) + partner(rng, bases)
    for _ in range(rng.choice([0, 1, 1, 2, 3])):
        at = rng.randrange(len(text) + 1)
        text = text[:at] + rng.choice(PIECES) + text[at:]
    for _ in range(rng.choice([0, 0, 1, 2])):
        text = rng.choice(NESTS).replace("%s", text)
    return text


def base_name(name):  # without folder and a final .exe, lower case
    base = re.split(r"[\\/]", name or "")[-1].lower()
    return base[:-4] if base.endswith(".exe") else base


def legacy(name):
    return base_name(name) == "old"


def place(text, offset):  # a UTF-16 offset -> (line, column in UTF-8 bytes from 1)
    before = text.encode("utf-16-le")[:2 * offset].decode("utf-16-le")
    lines = re.split(r"\r\n|\r|\n", before)
    return len(lines), len(lines[-1].encode("utf-8")) + 1


def compare(text, parsed, found):  # -> list of problems
    direct = sorted(place(text, c["offset"]) for c in parsed["commands"] if legacy(c["name"]))
    starters = [(place(text, c["offset"]), place(text, c["end"])) for c in parsed["commands"]
                if base_name(c["name"]) in STARTERS]
    computed = {place(text, c["offset"]) for c in parsed["commands"] if c["op"] != "Unknown" and
                c["kind"] not in ("StringConstantExpressionAst", "ExpandableStringExpressionAst")}
    mine = sorted((c["line"], c["column"]) for c in found if not c["why"].startswith(INDIRECT))
    problems = [] if mine == direct else [f"PowerShell finds calls at {direct}, the reader at {mine}"]
    problems += [f"indirect finding at {c['line']}:{c['column']} ({c['why']}) where PowerShell starts nothing that way"
                 for c in found if c["why"].startswith(INDIRECT) and not ((c["line"], c["column"]) in computed
                 if c["why"].startswith(COMPUTED) else
                 any(start <= (c["line"], c["column"]) < end for start, end in starters))
                 and not c["why"].startswith(ALIASED)]
    named = {(place(text, c["offset"]), (c["name"] or "").lower()) for c in parsed["commands"]}
    problems += [f"alias finding at {c['line']}:{c['column']} ({c['why']}) where PowerShell runs no command of that name"
                 for c in found if c["why"].startswith(ALIASED) and
                 ((c["line"], c["column"]), c["why"][len(ALIASED):].lower()) not in named]
    return problems


def parse_all(options, folder, scripts):
    """PowerShell's answer (exit status, stdout, stderr) for the scripts written into folder."""
    command = [options.pwsh, "-NoProfile", "-NonInteractive", "-File", os.path.join(HERE, "powershell_commands.ps1"), folder]
    cached = None
    if options.cache:
        key = hashlib.sha256()
        for part in [open(command[4], "rb").read(), os.path.realpath(options.pwsh).encode(),
                     str(os.stat(options.pwsh).st_mtime_ns).encode()] + [s.encode("utf-8", "surrogatepass") for s in scripts]:
            key.update(len(part).to_bytes(8, "little") + part)
        cached = os.path.join(options.cache, "parsed-" + key.hexdigest()[:32] + ".jsonl")
        if os.path.isfile(cached):
            return 0, open(cached, encoding="utf-8").read(), ""
    run = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, encoding="utf-8")
    if cached and run.returncode == 0:
        os.makedirs(options.cache, exist_ok=True)
        with open(cached + ".part", "w", encoding="utf-8") as f:
            f.write(run.stdout)
        os.replace(cached + ".part", cached)
    return run.returncode, run.stdout, run.stderr


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--program", required=True, help="tolvex-migrate (native build)")
    parser.add_argument("--pwsh", required=True, help="PowerShell 7 (build/pwsh/pwsh)")
    parser.add_argument("--per-row", type=int, default=8, help="variants of each snippet (default 8)")
    parser.add_argument("--seed", type=int, default=17, help="seed of the variants (default 17)")
    parser.add_argument("--keep", help="copy the scripts that disagree into this folder")
    parser.add_argument("--cache", help="keep PowerShell's answers in this folder")
    options = parser.parse_args()
    if not (os.path.isfile(options.pwsh) and os.access(options.pwsh, os.X_OK)):
        print(f"skipped: no PowerShell at {options.pwsh} (scripts/lib/setup.sh: tolvex_install_pwsh)")
        return 77
    started, folder = time.time(), tempfile.mkdtemp(prefix="tolvex-pwsh-parser-")
    try:
        bases = table_snippets()
        variants = []
        for base in bases:
            rng = random.Random(f"{options.seed}:{base}")
            variants += [variant(rng, base, bases) for _ in range(options.per_row)]
        scripts = bases + variants
        names = [f"{i:06d}.ps1" for i in range(len(scripts))]
        for name, text in zip(names, scripts):
            with open(os.path.join(folder, name), "w", encoding="utf-8", newline="") as f:
                f.write(text)
        pwsh_status, pwsh_out, pwsh_err = parse_all(options, folder, scripts)
        parsed = {p["file"]: p for p in map(json.loads, pwsh_out.splitlines()) if p}
        scan = subprocess.run([options.program, "scan", "--format", "json", "--legacy-name", "old", folder],
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        if pwsh_status != 0 or len(parsed) != len(names) or scan.returncode not in (0, 1):
            print(f"set-up error: pwsh exit {pwsh_status}, {len(parsed)} of {len(names)} scripts parsed; "
                  f"scan exit {scan.returncode}\n{pwsh_err}{scan.stderr.decode(errors='replace')}")
            return 2
        found = {}
        for call in json.loads(scan.stdout)["calls"]:
            found.setdefault(os.path.basename(call["file"]), []).append(call)
        compared = calls = failed = 0
        for name, text in zip(names, scripts):
            if parsed[name]["errors"]:
                continue
            compared += 1
            calls += sum(legacy(c["name"]) for c in parsed[name]["commands"])
            problems = compare(text, parsed[name], found.get(name, []))
            if problems:
                failed += 1
                print(f"DISAGREE {name}: {text!r}\n    " + "\n    ".join(problems))
                if options.keep:
                    os.makedirs(options.keep, exist_ok=True)
                    shutil.copyfile(os.path.join(folder, name), os.path.join(options.keep, name))
        print(f"{len(scripts)} scripts ({len(bases)} from the tables, {len(variants)} variants, seed {options.seed}): "
              f"{compared} compared, {len(scripts) - compared} not parsed by PowerShell; {calls} calls; "
              f"{failed} disagree; {time.time() - started:.1f} s")
        return 1 if failed else 0
    finally:
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
