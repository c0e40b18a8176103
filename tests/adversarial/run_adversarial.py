#!/usr/bin/env python3
"""Runs small hostile batch scripts under Wine before and after `fix --write`; a rewrite must change nothing.

    run_adversarial.py --legacy L.exe --migrate M.exe --standin S.exe [--wine wine]
                       [--random N --seed S] [--keep DIR]

The cases come from batch_cases.txt (its header explains the format), or with --random from a
generator of N scripts (seeded, so a failure can be run again). Every script starts with
`@echo off` and `set PATH=%~dp0bin;%PATH%`; bin\\ holds tolvex-legacy as legacyupd.exe and the
stand-in as tolvex.exe. One driver .bat per side runs every script twice, with the stand-in's
codes 0 and 3, through `cmd /c` (so that a script's exit, setlocal or goto stays its own). Per
script and code, both sides must give the same argument lists reaching tolvex.exe in order, the
same exit status, and the same output less tolvex-legacy's own lines and the stand-in's raw
command lines. A call classified rewrite must run as rewritten (so it is compared); review and
manual calls are left as they are. A script whose runs differ runs once more on both sides (Wine
sometimes fails to start a process), and the second runs count. Ends with "N passed, N failed" (each script a case) and a
summary line of scripts, calls, rewrites proved and reviews.

Differences Wine alone causes are listed in WINE_DIFFERENCES and explained when seen, never
skipped silently: a case that names one with "wine=KEY" and differs in that way is reported as a
Wine difference, and counts as neither passed nor failed.
"""

import argparse, concurrent.futures, json, os, random, re, shutil, subprocess, sys, tempfile, time, urllib.parse

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "golden"))
from tally import finish  # noqa: E402

PROLOGUE = "@echo off\r\nset PATH=%~dp0bin;%PATH%\r\n"
HEADER = "The translated command is: "
WARNING = "Warning: The parameter -s or --select is not supported by tolvex. It will be ignored!"
CODES = ("0", "3")
STANDIN = "[tolvex stand-in] "
WINE_DIFFERENCES = {
    # Wine sets SYSTEMDRIVE=C: in every process it starts, whatever its parent's environment says:
    # tolvex-legacy started from a script that changed SYSTEMDRIVE still reads C:, where Windows
    # would hand it the script's value. Such calls are review; a case showing it is listed.
    "systemdrive": "Wine gives every new process SYSTEMDRIVE=C:, so tolvex-legacy never sees the script's value",
    # Wine's cmd.exe ends a line at a bare CR, where Windows' cmd.exe drops the CR and reads on.
    "cr": "Wine's cmd.exe ends a line at a bare CR; Windows' reads on",
    # Wine's cmd.exe expands %...% again inside text a %VAR% expansion produced; Windows does not.
    "reexpand": "Wine's cmd.exe expands %...% pairs again inside expanded text; Windows expands once",
    # Wine's cmd.exe does not run a command in a FOR loop's parenthesised body when its last
    # argument is a quoted value holding ")" right before the closing parenthesis
    # (`do (x -l "x)y")`: "Can't recognize ..."); Windows runs it. The rewrite, which ends the
    # command in other text, runs on both.
    "forblock": "Wine's cmd.exe cannot run `do (x \"a)b\")`; Windows can, and the rewrite runs on both",
}


def read_cases(path):  # -> [(name, options dict, script text)]
    cases, name, options, lines = [], None, {}, []
    for line in open(path, encoding="utf-8"):
        line = line.rstrip("\n")
        if line.startswith("=== "):
            if name:
                cases.append((name, options, lines))
            head, _, script = line[4:].partition(" :: ")
            words = head.split()
            name, options, lines = words[0], dict(w.split("=", 1) for w in words[1:]), script.split("¶") if script else []
        elif name and not line.startswith("#"):
            lines.append(line)
        elif name is None and line and not line.startswith("#"):
            sys.exit(f"{path}: a line before the first case: {line}")
    if name:
        cases.append((name, options, lines))
    names = [c[0] for c in cases]
    if len(set(names)) != len(names):
        sys.exit(f"{path}: a case name repeats")
    expand = lambda text: re.sub(r"\{REP:(\d+):([^}]*)\}", lambda m: m[2] * int(m[1]), text) \
        .replace("{TAB}", "\t").replace("{CR}", "\r")
    return [(n, o, PROLOGUE + expand("\r\n".join(ls)) + "\r\n") for n, o, ls in cases]


def random_cases(count, seed):
    """Scripts of random assignments (every form), loops, subroutines and calls. Values the
    running system supplies (arguments, the environment) stay plain words, which is all a
    default rewrite assumes; values the script sets may be anything."""
    rng = random.Random(seed)
    plain = ["fw", "C:\\repo", "7X21", "id1", "a.b", "x_1", "10.0.0.5", "C:\\fw\\v2"]
    hostile = plain + ["C:\\a b", "a&b", "x^y", "C:\\r(1)", "-D", "all", "a,b", "C:\\dir\\", "", "a\tb",
                       "50%", "q\"x", "a|b", "a>b", "x y z"]
    forms = ["set {n}={v}", "set \"{n}={v}\"", "set\t{n}={v}", "if 1==1 set {n}={v}", "(set {n}={v})",
             "if 1==1 (\r\n  set \"{n}={v}\"\r\n)", "for %%q in (1) do set \"{n}={v}\""]
    options = ["-l", "-m", "-i", "-f", "-e", "--host=", "--local=", "-o"]
    cases = []
    for number in range(count):
        lines, names = [], [f"V{k}" for k in range(3)]
        for name in names:
            value = rng.choice(hostile)
            if any(c in value for c in "&|>^\"") and rng.random() < 0.5:
                value = value.replace("^", "^^").replace("&", "^&").replace("|", "^|").replace(">", "^>")
            lines.append(rng.choice(forms).format(n=name, v=value))
        if rng.random() < 0.2:
            lines.append("setlocal enabledelayedexpansion")
        sub = rng.random() < 0.3
        calls = []
        for _ in range(rng.randint(1, 3)):
            words = [rng.choice(["up -F", "co -F", "ac", "up -D"])]
            for _ in range(rng.randint(1, 3)):
                option = rng.choice(options)
                ref = rng.choice([f"%{n}%" for n in names] + ["%1", "fw", "C:\\x y", "\"C:\\q r\""] +
                                 (["%~1"] if sub else []))
                ref = f'"{ref}"' if rng.random() < 0.3 and not ref.startswith('"') else ref
                words.append(option + ("" if option.endswith("=") else " ") + ref)
            tail = rng.choice(["", "", " || echo failed", " && echo ok", " & echo next"])
            calls.append("legacyupd " + " ".join(words) + tail)
        if sub:
            argument = rng.choice(hostile) or "x"
            lines.append(f'call :sub "{argument}"' if rng.random() < 0.5 else f"call :sub {argument}")
            lines += ["echo status %errorlevel%", "goto :eof", ":sub"] + calls + ["goto :eof"]
        else:
            lines += calls + ["echo status %errorlevel%"]
        cases.append((f"r{seed}_{number}", {}, PROLOGUE + "\r\n".join(lines) + "\r\n"))
    return cases


def wine(options, args, cwd, out_path, env=None, done=lambda status, out_path: True):
    """The exit status of args run under Wine, its output in out_path. A fresh Wine sometimes
    fails to start a process: a run that reports so, or whose output `done` does not take, is
    tried once more."""
    for _ in range(2):
        with open(out_path, "wb") as out, open(out_path + ".err", "wb") as err:
            status = subprocess.run([options.wine] * bool(options.wine) + args, cwd=cwd, stdout=out, stderr=err,
                                    env=dict(os.environ, WINEDEBUG="-all", **(env or {})), timeout=900).returncode
        if ("failed to map the shared user data" not in open(out_path + ".err", encoding="latin-1").read() and
                done(status, out_path)):
            return status
    return status


def scan_report(path):
    """The calls of a JSON report, or None when the file holds none (the scan never ran)."""
    try:
        return json.load(open(path, encoding="utf-8"))["calls"]
    except (OSError, ValueError, KeyError, TypeError):
        return None


def fix_ended(status, path):
    """Whether fix ran to its summary line."""
    return status in (0, 1) and b" calls: " in open(path, "rb").read()


def lay_out(options, folder, cases):
    os.makedirs(os.path.join(folder, "bin"))
    shutil.copyfile(options.legacy, os.path.join(folder, "bin", "legacyupd.exe"))
    shutil.copyfile(options.standin, os.path.join(folder, "bin", "tolvex.exe"))
    for name, _, text in cases:
        open(os.path.join(folder, name + ".bat"), "wb").write(text.encode("latin-1"))


def driver(cases):  # one .bat that runs every case with each code, noting each exit status
    lines = ["@echo off", "setlocal disabledelayedexpansion"]
    for name, opts, _ in cases:
        args = urllib.parse.unquote(opts["args"]) if "args" in opts else "a1 a2"
        # "call" inside setlocal/endlocal: a process less per run, and what a script sets ends with it.
        run = f"cmd /v:on /c {name}.bat" if opts.get("caller") == "delayed" else f"call {name}.bat"
        for code in CODES:
            lines += ["setlocal", f"set TOLVEX_STANDIN_RECORD=%~dp0rec\\{name}.{code}",
                      f"set TOLVEX_STANDIN_EXIT={code}", f"type nul > rec\\{name}.{code}",
                      f"{run} {args} > out\\{name}.{code} 2>&1", f"echo {name}.{code} %errorlevel% >> status.txt",
                      "endlocal"]
    return "\r\n".join(lines) + "\r\n"


def results(folder, cases):  # name -> code -> {"status", "args", "stdout"}, the folder's path as <folder>
    status = dict(line.split() for line in open(os.path.join(folder, "status.txt"), encoding="latin-1")
                  if len(line.split()) == 2)
    found = {}
    for name, _, _ in cases:
        for code in CODES:
            key = f"{name}.{code}"
            calls, windows = [], "Z:" + folder.replace("/", "\\")
            read = lambda path: open(path, encoding="latin-1").read().replace(windows, "<folder>")
            for line in read(os.path.join(folder, "rec", key)).splitlines():
                calls.append([]) if line.startswith("command line: ") else calls[-1].append(line)
            out = read(os.path.join(folder, "out", key)).replace("\r\n", "\n").split("\n")
            # A refusal ends without a line end: what the next call prints may follow on its line.
            split = []
            for line in out:
                at = min((line.find(m) for m in (HEADER, STANDIN) if line.find(m) > 0), default=-1)
                split += [line[:at], line[at:]] if at > 0 else [line]
            out = split
            kept = []
            for i, line in enumerate(out):
                if line in (HEADER, WARNING) or line.startswith("The tolvx return code is: ") or \
                        (i and out[i - 1] == HEADER) or line.startswith("[tolvex stand-in] command line: "):
                    continue
                kept.append(line)
            while kept and kept[-1] == "":
                kept.pop()
            found.setdefault(name, {})[code] = {"status": status.get(key), "args": calls, "stdout": kept}
    return found


def run_side(options, folder, cases):
    for sub in ("rec", "out"):
        shutil.rmtree(os.path.join(folder, sub), ignore_errors=True)
        os.makedirs(os.path.join(folder, sub))
    if os.path.exists(os.path.join(folder, "status.txt")):
        os.remove(os.path.join(folder, "status.txt"))
    open(os.path.join(folder, "driver.bat"), "w", newline="").write(driver(cases))
    wine(options, ["cmd", "/c", "driver.bat"], folder, os.path.join(folder, "driver.log"))
    return results(folder, cases)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    for flag in ("--legacy", "--migrate", "--standin"):
        parser.add_argument(flag, required=True, type=os.path.abspath)
    parser.add_argument("--wine", default="wine")
    parser.add_argument("--random", type=int, default=0)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--keep")
    options = parser.parse_args()
    started = time.time()
    cases = random_cases(options.random, options.seed) if options.random else \
        read_cases(os.path.join(HERE, "batch_cases.txt"))
    base = options.keep or tempfile.mkdtemp(prefix="tolvex-adversarial-")
    try:
        before_dir, after_dir = os.path.join(base, "before"), os.path.join(base, "after")
        for folder in (before_dir, after_dir):
            shutil.rmtree(folder, ignore_errors=True)
            lay_out(options, folder, cases)
        scan_path = os.path.join(base, "scan.json")
        wine(options, [options.migrate, "scan", "--legacy-name", "legacyupd", "--format", "json", "."],
             after_dir, scan_path, done=lambda status, path: scan_report(path) is not None)
        found = scan_report(scan_path)
        fix_path = os.path.join(base, "fix.out")
        status = wine(options, [options.migrate, "fix", "--legacy-name", "legacyupd", "--write", "--no-backup", "."],
                      after_dir, fix_path, done=fix_ended)
        if found is None or not fix_ended(status, fix_path):
            print(f"the scan or the fix did not run, twice (fix status {status})")
            return 1
        with concurrent.futures.ThreadPoolExecutor(2) as pool:
            jobs = [pool.submit(run_side, options, d, cases) for d in (before_dir, after_dir)]
            before, after = (j.result() for j in jobs)
        differs = lambda name: any(before[name][code] != after[name][code] for code in CODES)
        again = [case for case in cases if differs(case[0])]
        if again:  # Wine fails to start a process now and then: each differing script runs once more
            print(f"running {len(again)} differing scripts again: {' '.join(c[0] for c in again)}")
            with concurrent.futures.ThreadPoolExecutor(2) as pool:
                jobs = [pool.submit(run_side, options, d, again) for d in (before_dir, after_dir)]
                retried = [j.result() for j in jobs]
            before.update(retried[0])
            after.update(retried[1])
        passed = failed = wine_only = proved = assumed = 0
        for name, opts, _ in cases:
            calls = [c for c in found if os.path.basename(c["file"].replace("\\", "/")) == name + ".bat"]
            rewrites = [c for c in calls if c["class"] == "rewrite"]
            problems = [f"code {code}: {key} before {before[name][code][key]!r}, after {after[name][code][key]!r}"
                        for code in CODES for key in ("status", "args", "stdout")
                        if before[name][code][key] != after[name][code][key]]
            expect = opts.get("expect")
            if expect is not None and not problems and \
                    {c["class"] for c in calls} != set(filter(None, expect.split(","))):
                problems.append(f"classes {[c['class'] for c in calls]}, the case expects {expect}")
            # A rewrite may differ where its reason says it may: a value that breaks what it
            # assumes, or the folder with a space that tolvex-legacy never ran tolvex.exe from.
            if problems and opts.get("assume") == "yes" and rewrites and \
                    all("; exact if " in c["why"] or "could not (9009)" in c["why"] for c in rewrites):
                assumed += 1
                print(f"ASSUMED {name}: differs, as its rewrite states: {rewrites[0]['why']}")
                passed += 1
                continue
            if problems and opts.get("wine") in WINE_DIFFERENCES:
                wine_only += 1
                print(f"WINE {name}: {WINE_DIFFERENCES[opts['wine']]}")
                continue
            if problems:
                failed += 1
                print(f"FAIL {name}:")
                for problem in problems:
                    print("    " + problem)
                for c in calls:
                    print(f"    {c['class']} line {c['line']}: {c['why']}\n        {c['old']}")
            else:
                passed += 1
                proved += len(rewrites)
        reviews = sum(c["class"] == "review" for c in found)
        print(f"summary: {len(cases)} scripts, {len(found)} calls, {proved} rewrites proved "
              f"(of {sum(c['class'] == 'rewrite' for c in found)}), {reviews} review, "
              f"{sum(c['class'] == 'manual' for c in found)} manual, {assumed} differing as their stated "
              f"assumption allows, {wine_only} Wine differences, "
              f"{time.time() - started:.0f} s")
        return finish(passed, failed)
    finally:
        if not options.keep:
            shutil.rmtree(base, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
