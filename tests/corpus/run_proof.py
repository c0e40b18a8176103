#!/usr/bin/env python3
"""Proves tolvex-migrate's rewrites exact by running the corpus before and after `fix --write`.

    run_proof.py --legacy tolvex-legacy.exe --migrate tolvex-migrate.exe --standin tolvex.exe [--wine wine] [--pwsh pwsh]

Each script of this folder runs in a folder of its own (bin\\, "my tools\\" and "Program Files\\Vexadyn\\"
hold old-update.exe, a copy of tolvex-legacy, and the stand-in tolvex.exe), once as written and once after
`fix --write --no-backup --legacy-name old-update`, at the same path, with the stand-in's exit codes
from EXIT_CODES. Per script, both runs must give the same argument lists call by call, exit status,
files written, and stdout without tolvex-legacy's own lines and the stand-in's raw command lines. A call
tolvex-legacy launched from a folder with a space ended with 9009 (cmd.exe could not start tolvex.exe):
the first run counts it as the call tolvex.exe would have got, with exactly the words tolvex-legacy
printed, and the run after fix gives the stand-in 9009 for it, so the rest of the script runs alike; every
rewritten call must have run; only the rewritten calls' lines may change; `scan` afterwards must report
exactly the review/manual calls it reported before. A script that fails, or whose record or output is
missing, runs both ways once more; so do scan and fix when a report is missing or a rewrite is left.
Ends with "N passed, N failed" (also appended to $TOLVEX_E2E_COUNTS_FILE) and a summary line. Wine 8's
cmd.exe runs the right side of && and || whatever the status: a `|| goto` in the corpus must not keep
later calls from running.

With --pwsh the *.ps1 scripts run instead, under PowerShell 7 on Linux (exit status 77, skipped, when
that pwsh is missing). The Windows exes then live in exe\; bin\ and "my tools\" hold shell scripts
named old-update, old-update.exe, tolvex and tolvex.exe that run them under Wine with the words
PowerShell passed (the C runtime's split of the command line Wine builds from them gives those words
back), and bin\ is on PATH. SYSTEMDRIVE is C:, as on Windows and under Wine.
"""

import argparse, concurrent.futures, difflib, json, os, re, shlex, shutil, subprocess, sys, tempfile, time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "golden"))
from crt_split import crt_split  # noqa: E402
from tally import finish  # noqa: E402
from wine_retry import twice  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
EXIT_CODES = {  # the stand-in's code for call 1, 2, ... (the last repeats): each script's error paths
    "install-firmware.bat": "0,3,2", "nightly-update.bat": "0,0,4,1", "hivebay-scan.bat": "0,2,0,0,7,0",
    "acquire-offline.bat": "0,1,0,4", "weekly-compare.cmd": "1,0,0,5,0,-1", "update-cluster.bat": "0,3,0,1001,2",
    "rollout-waves.bat": "0,0,1,4", "maintenance-window.bat": "1,3,0,6", "driver-refresh.bat": "2,3,0",
    "branch-sites.bat": "0,0,1,0,5", "vendor-tools.bat": "0,9", "bin-folder-calls.bat": "0,0,3",
    "usb-stick-update.bat": "0,2", "program-files-fw.bat": "4,0", "update-menu.bat": "1,0,0",
    "deploy-servers.ps1": "0,0,3,0,0,0,1", "firmware-job.ps1": "0,0,2,5", "update-waves.ps1": "0,2,0,4",
    "hivebay-sites.ps1": "0,1,0,0,6",
}
SCRIPTS = sorted(n for n in os.listdir(HERE) if n.endswith((".bat", ".cmd")))
PS_SCRIPTS = sorted(n for n in os.listdir(HERE) if n.endswith(".ps1"))
DATA = sorted(n for n in os.listdir(HERE) if n.endswith(".txt"))
WARNING = "Warning: The parameter -s or --select is not supported by tolvex. It will be ignored!"
HEADER = "The translated command is: "
TOOL = "tolvex.exe "
VARIABLE = re.compile(r"%%~?[a-zA-Z]*[a-zA-Z]|%~?[a-zA-Z]*[0-9*]|%[^%\s]+%|![^!\s]+!")


def wine_run(options, args, cwd, env, out_path, tries=2):  # -> (exit status, stderr); retries a failed start
    for _ in range(tries):
        with open(out_path, "wb") as out, open(out_path + ".err", "wb") as err:
            status = subprocess.run([options.wine] * bool(options.wine) + args, cwd=cwd, stdout=out, stderr=err,
                                    env=dict(os.environ, WINEDEBUG="-all", **env), timeout=120).returncode
        error = open(out_path + ".err", encoding="latin-1").read()
        if "failed to map the shared user data" not in error:
            return status, error
    return status, error


def lay_out(options, folder, name, text):  # the script's own folder: the script, the lists, the programs
    for sub in ("bin", "my tools", os.path.join("Program Files", "Vexadyn")):
        os.makedirs(os.path.join(folder, sub))
        if not options.pwsh:
            shutil.copyfile(options.legacy, os.path.join(folder, sub, "old-update.exe"))
            shutil.copyfile(options.standin, os.path.join(folder, sub, "tolvex.exe"))
            continue
        os.makedirs(os.path.join(folder, "exe"), exist_ok=True)
        for exe, copy in (("old-update", options.legacy), ("tolvex", options.standin)):
            shutil.copyfile(copy, os.path.join(folder, "exe", exe + ".exe"))
            for wrapper in (exe, exe + ".exe"):
                path = os.path.join(folder, sub, wrapper)
                with open(path, "w") as f:
                    f.write(f'#!/bin/sh\nexec {shlex.quote(options.wine)} {shlex.quote(os.path.join(folder, "exe", exe + ".exe"))} "$@"\n')
                os.chmod(path, 0o755)
    for data in DATA:
        shutil.copyfile(os.path.join(HERE, data), os.path.join(folder, data))
    open(os.path.join(folder, name), "wb").write(text)


def from_spaced_folder(printed):  # the words tolvex.exe would have got from a line launched in a folder with a space
    at = printed.find(TOOL)
    return crt_split(printed[at + len(TOOL):]) if " " in printed[:max(at, 0)] else None


def run_script(options, base, name, text, tag, codes):
    folder, record = os.path.join(base, "work", name[:-4]), os.path.join(base, f"{name}.{tag}.record")
    for _ in range(2):
        shutil.rmtree(folder, ignore_errors=True)
        lay_out(options, folder, name, text)
        laid = {os.path.join(d, f) for d, _, fs in os.walk(folder) for f in fs}
        open(record, "wb").close()
        env = {"TOLVEX_STANDIN_RECORD": record, "TOLVEX_STANDIN_EXIT": codes}
        if options.pwsh:
            env.update(PATH=os.path.join(folder, "bin") + os.pathsep + os.environ["PATH"], SYSTEMDRIVE="C:",
                       PROXY_PW="Pa55-w0rd")
            status, error = wine_run(argparse.Namespace(wine=""), [options.pwsh, "-NoProfile", "-NonInteractive",
                                     "-File", name], folder, env, f"{record}.out", 1)
        else:
            status, error = wine_run(options, ["cmd", "/c", name], folder, env, f"{record}.out", 1)
        if "failed to map the shared user data" not in error:  # else cmd or a child failed to start: again
            break
    calls = []
    for line in open(record, encoding="latin-1").read().splitlines():
        calls.append([line]) if line.startswith("command line: ") else calls[-1].append(line)
    written = {os.path.relpath(p, folder): open(p, "rb").read() for p in
               (os.path.join(d, f) for d, _, fs in os.walk(folder) for f in fs) if p not in laid}
    out = open(f"{record}.out", encoding="latin-1").read().replace("\r\n", "\n").split("\n")
    texts = [out] + [v.decode("latin-1").replace("\r\n", "\n").split("\n") for v in written.values()]
    legacy_lines = {t[i + 1] for t in texts for i in range(len(t) - 1) if t[i] == HEADER}  # lines it launched
    # The calls as tolvex.exe got them, in order, with the stand-in's code for each. A call that
    # tolvex-legacy launched from a folder with a space ended with 9009 before tolvex.exe ran: it
    # counts as the call tolvex.exe would have got, with the words tolvex-legacy printed, and the
    # code 9009 (which the run after fix gives the stand-in for the call that now starts it).
    given = codes.split(",")
    code = lambda k: given[min(k, len(given) - 1)]
    args, merged_codes, seen, spaced = [], [], 0, 0
    kept = []  # stdout without tolvex-legacy's lines and the stand-in's raw command lines
    for i, line in enumerate(out):
        if line.startswith("[tolvex stand-in] command line: "):
            while seen < len(calls):  # calls whose output went elsewhere come first
                args.append(calls[seen][1:])
                merged_codes.append(code(seen))
                seen += 1
                if calls[seen - 1][0] == line[len("[tolvex stand-in] "):]:
                    break
        words = from_spaced_folder(out[i - 1]) if line == "The tolvx return code is: 9009" and i > 1 and \
            out[i - 2] == HEADER else None
        if words is not None:
            spaced += 1
            args.append([f"argument {k}: {w}" for k, w in enumerate(words, 1)])
            merged_codes.append("9009")
            kept += [f"[tolvex stand-in] argument {k}: {w}" for k, w in enumerate(words, 1)]
        if line == HEADER and out[i - 1] == "" and kept and kept[-1] == "":
            kept.pop()  # the empty line tolvex-legacy prints for -L
        if line in (HEADER, WARNING) or line.startswith("The tolvx return code is: ") or \
                (i and out[i - 1] == HEADER) or line.startswith("[tolvex stand-in] command line: "):
            continue
        kept.append(line)
    args += [c[1:] for c in calls[seen:]]
    merged_codes += [code(k) for k in range(seen, len(calls))] + [given[-1]]
    return {"status": status, "args": args, "stdout": kept, "files": written, "spaced": spaced,
            "codes": ",".join(merged_codes),
            "direct": [c[0][len("command line: "):] for c in calls if c[0][len("command line: "):] not in legacy_lines],
            "direct_args": ["\n".join(w.split(": ", 1)[1] for w in c[1:])
                            for c in calls if c[0][len("command line: "):] not in legacy_lines]}


def scan(options, base):
    run = os.path.join(base, "scan.json")
    wine_run(options, [options.migrate, "scan", "--legacy-name", "old-update", "--format", "json", "."],
             os.path.join(base, "work"), {}, run)
    return json.load(open(run, encoding="utf-8"))["calls"]


def args_pattern(new):  # what a rewritten call's raw command line ends with, its variables as wildcards
    text = new[re.search(r'tolvex(\.exe)?"?', new, re.I).end():new.index("Vexadyn_Support\\") + 16]
    parts = VARIABLE.split(text)
    return re.compile(".*?".join(re.escape(re.sub(r"\^(.)", r"\1", p).replace("%%", "%")) for p in parts) + r"\s*$")


PS_WORD = re.compile(r"'(?:[^']|'')*'|\"(?:[^\"`]|`.)*\"|[^\s'\"]+")
PS_VARIABLE = re.compile(r"\$\{[^}]*\}|\$(?:env:)?\w+|\$\([^)]*\)")


def ps_args_pattern(new):  # the argument words a rewritten PowerShell call passes, its variables as wildcards
    text = re.sub(r"`\r?\n", " ", new)
    text = text[re.search(r"tolvex(\.exe)?[\"']?", text, re.I).end():text.index("Vexadyn_Support\\") + 17]
    words = []
    for word in PS_WORD.findall(text):
        if word.startswith("'"):
            words.append(re.escape(word[1:-1].replace("''", "'")))
        else:
            word = word[1:-1] if word.startswith('"') else word
            words.append("[^\n]*?".join(map(re.escape, PS_VARIABLE.split(word))))
    return re.compile("\n".join(words))


def lines_of(data, powershell):  # a script's lines: CRLF for batch files; PowerShell also LF, UTF-8 or UTF-16 LE
    if not powershell:
        return data.split(b"\r\n")
    return re.split(r"\r?\n", data.decode("utf-16") if data.startswith(b"\xff\xfe") else data.decode("utf-8"))


def difference(one, two):  # the first place where two results differ, as text
    if isinstance(one, dict):
        return "; ".join(f"{k}: before {one.get(k)!r}, after {two.get(k)!r}" for k in sorted({*one, *two})
                         if one.get(k) != two.get(k))
    if not isinstance(one, list):
        return f"before {one}, after {two}"
    at = next((i for i, (a, b) in enumerate(zip(one, two)) if a != b), min(len(one), len(two)))
    show = lambda items: repr(items[at]) if at < len(items) else "nothing"
    return f"{len(one)} vs {len(two)} items; item {at + 1}: before {show(one)}, after {show(two)}"


def run_all(options, base, texts, tag, codes):  # each script's run, or what it raised, as a finished future
    with concurrent.futures.ThreadPoolExecutor(2) as pool:
        return {n: pool.submit(run_script, options, base, n, texts[n], tag, codes(n)) for n in options.scripts}


def codes_after(run):  # the stand-in's codes for the run after fix: those the calls got before
    return run.result()["codes"] if not run.exception() else "0"


def judge(options, calls, left_after, original, fixed, one, two):  # the problems of one script's two runs
    problems = []
    for key in ("status", "args", "files", "stdout"):
        if one[key] != two[key]:
            problems.append(f"{key} differs: " + difference(one[key], two[key]))
    left = lambda cs: [(c["class"], c["why"], c["old"]) for c in cs if c["class"] != "rewrite"]
    if left(calls) != left(left_after) or any(c["class"] == "rewrite" for c in left_after):
        problems.append(f"scan after fix: {[(c['line'], c['class'], c['old']) for c in left_after]}")
    rewrites = [c for c in calls if c["class"] == "rewrite"]
    spanned = {c["line"] + k for c in rewrites for k in range(c["old"].count("\n") + 1)}
    old_lines, new_lines = lines_of(original, options.pwsh), lines_of(fixed, options.pwsh)
    changed = {i + 1 for op, i1, i2, _, _ in difflib.SequenceMatcher(None, old_lines, new_lines, False)
               .get_opcodes() if op != "equal" for i in range(i1, i2)}
    if changed != spanned:
        problems.append(f"fix changed lines {sorted(changed)}, the rewrites are on lines {sorted(spanned)}")
    for c in rewrites:
        if not (any(ps_args_pattern(c["new"]).fullmatch(a) for a in two["direct_args"]) if options.pwsh
                else any(args_pattern(c["new"]).search(raw) for raw in two["direct"])):
            problems.append(f"line {c['line']}: the rewritten call never ran: {c['new']}")
    return problems


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    for flag in ("--legacy", "--migrate", "--standin"):
        parser.add_argument(flag, required=True, type=os.path.abspath)
    parser.add_argument("--wine", default="wine")
    parser.add_argument("--pwsh", type=os.path.abspath, help="run the PowerShell scripts in this pwsh")
    options = parser.parse_args()
    options.scripts = PS_SCRIPTS if options.pwsh else SCRIPTS
    if options.pwsh and not os.access(options.pwsh, os.X_OK):
        print(f"skipped: no PowerShell at {options.pwsh} (scripts/lib/setup.sh: tolvex_install_pwsh)")
        return 77
    started, base = time.time(), tempfile.mkdtemp(prefix="tolvex-proof-")
    try:
        original = {n: open(os.path.join(HERE, n), "rb").read() for n in options.scripts}
        before = run_all(options, base, original, "before", lambda n: EXIT_CODES.get(n, "0"))
        state = {}

        def migrate(_):  # scan, fix --write, scan again: a try fails when a report is missing or fix left a rewrite
            shutil.rmtree(os.path.join(base, "work"), ignore_errors=True)
            for name in options.scripts:
                lay_out(options, os.path.join(base, "work", name[:-4]), name, original[name])
            state["found"] = scan(options, base)
            wine_run(options, [options.migrate, "fix", "--legacy-name", "old-update", "--write", "--no-backup", "."],
                     os.path.join(base, "work"), {}, os.path.join(base, "fix.out"))
            state["fixed"] = {n: open(os.path.join(base, "work", n[:-4], n), "rb").read() for n in options.scripts}
            state["left"] = scan(options, base)
            return [f"{c['file']}:{c['line']}: still a rewrite after fix" for c in state["left"] if c["class"] == "rewrite"]

        failure = twice(migrate)
        if "left" not in state:  # no report even on the second try: nothing can be compared
            print(f"FAIL scan or fix: {failure[0]}")
            return finish(0, len(options.scripts))
        found, fixed = state["found"], state["fixed"]
        after = run_all(options, base, fixed, "after", lambda n: codes_after(before[n]))
        passed, proved = 0, 0
        for name in options.scripts:
            mine = lambda calls: [c for c in calls if re.split(r"[\\/]", c["file"])[-1] == name]
            calls, runs = mine(found), {}

            def attempt(number):  # the first try uses the runs made side by side, the second runs again
                if number == 1:
                    runs["one"], runs["two"] = before[name].result(), after[name].result()
                else:
                    runs["one"] = run_script(options, base, name, original[name], "before", EXIT_CODES.get(name, "0"))
                    runs["two"] = run_script(options, base, name, fixed[name], "after", runs["one"]["codes"])
                return judge(options, calls, mine(state["left"]), original[name], fixed[name], runs["one"], runs["two"])

            problems = twice(attempt)
            rewrites = [c for c in calls if c["class"] == "rewrite"]
            passed += not problems
            proved += len(rewrites) * (not problems)
            one, two = (runs.get(k) or {"args": [], "status": "?", "spaced": 0} for k in ("one", "two"))
            print(f"{'PASS' if not problems else 'FAIL'} {name}: {len(calls)} calls, {len(rewrites)} rewritten, "
                  f"{len(one['args'])}/{len(two['args'])} tool runs, exit {one['status']}/{two['status']}" +
                  (f", {one['spaced']} from a folder with a space (9009 before, the printed words after)"
                   if one["spaced"] else ""))
            for problem in problems + [f"rewrite at line {c['line']}: {c['old']}  =>  {c['new']}"
                                       for c in rewrites if problems]:
                print("    " + problem)
        lines = sum(t.count(b"\n") for t in original.values())
        status = finish(passed, len(options.scripts) - passed)
        print(f"summary: {len(options.scripts)} scripts, {lines} lines, {len(found)} calls found, {proved} rewritten and "
              f"proved equal (of {sum(c['class'] == 'rewrite' for c in found)}), "
              f"{sum(c['class'] != 'rewrite' for c in found)} left (review/manual), {time.time() - started:.1f} s")
        return status
    finally:
        shutil.rmtree(base, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
