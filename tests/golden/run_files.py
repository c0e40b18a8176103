#!/usr/bin/env python3
"""What tolvex-migrate does with files and folders: encodings, line ends, backups, errors, exit
statuses, the diff, the walk, the JSON and SARIF reports, and the option map in docs/migrate.md.

    run_files.py --program P [--wine wine] [--sarif-multitool TOOL] [--readme docs/migrate.md]

Each check runs P on files in a fresh folder. Checks that need POSIX links or permissions, the
SARIF validator or the option map's document run only where those are given or work. Ends with "N passed,
N failed", also appended to $TOLVEX_E2E_COUNTS_FILE when set.
"""

import argparse, json, os, shutil, subprocess, sys, tempfile

from tally import finish

CALL = b"old up -F -l C:\\fw"
NEW = b"tolvex update flash --type fw --dir C:\\fw --output %SYSTEMDRIVE%\\Vexadyn_Support\\"
NEW_PS = NEW.replace(b"%SYSTEMDRIVE%", b'"$env:SYSTEMDRIVE').replace(b"Support\\", b'Support\\"')
CHECKS = []


def check(posix_only=False):
    def register(function):
        CHECKS.append((function, posix_only))
        return function
    return register


class Run:
    def __init__(self, options, folder):
        self.options, self.folder = options, folder

    def __call__(self, *args):
        """(exit status, stdout, stderr) of P with the legacy name "old", run in the folder."""
        command = [self.options.wine] * bool(self.options.wine) + [self.options.program] + list(args)
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            status = subprocess.run(command, stdout=out, stderr=err, cwd=self.folder, timeout=120,
                                    env=dict(os.environ, WINEDEBUG="-all")).returncode
            out.seek(0), err.seek(0)
            return status, out.read(), err.read().decode("utf-8", "replace")

    def file(self, name, data):
        path = os.path.join(self.folder, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
        return name

    def read(self, name):
        with open(os.path.join(self.folder, name), "rb") as f:
            return f.read()


def expect(condition, what):
    if not condition:
        raise AssertionError(what)


@check()
def encodings_marks_and_line_ends_are_kept(run):
    cases = {  # name: (bytes before, bytes after)
        "crlf.bat": (b"@echo off\r\n" + CALL + b"\r\necho done", b"@echo off\r\n" + NEW + b"\r\necho done"),
        "mixed.cmd": (b"\xef\xbb\xbfrem \xe9\n" + CALL + b"\r\n" + CALL + b"\n", b"\xef\xbb\xbfrem \xe9\n" + NEW +
                      b"\r\n" + NEW + b"\n"),
        # cmd.exe reads a mark as part of the first command, which then never runs: left as it is.
        "marked.bat": (b"\xef\xbb\xbf" + CALL + b"\n" + CALL, b"\xef\xbb\xbf" + CALL + b"\n" + NEW),
        "utf8.ps1": (b"\xef\xbb\xbf# \xc3\xa9\n" + CALL, b"\xef\xbb\xbf# \xc3\xa9\n" + NEW_PS),
        "utf16.PS1": ("\ufeff# é 𝄞\r\n".encode("utf-16-le") + CALL.decode().encode("utf-16-le"),
                      "\ufeff# é 𝄞\r\n".encode("utf-16-le") + NEW_PS.decode().encode("utf-16-le")),
    }
    for name, (before, _) in cases.items():
        run.file(name, before)
    status, _, errors = run("fix", "--legacy-name", "OLD.exe", "--write", ".")
    expect(status == 0, f"fix --write: status {status}, {errors}")
    for name, (before, after) in cases.items():
        expect(run.read(name) == after, f"{name} became {run.read(name)!r}")
        expect(run.read(name + ".bak") == before, f"{name}.bak is not the original")


@check()
def the_diff_is_what_write_does_and_touches_nothing(run):
    run.file("a/job.bat", b"x\r\n" * 5 + CALL + b"\r\n" + b"y\r\n" * 9 + CALL)
    run.file("a/quiet.bat", b"echo nothing to do\r\n")
    before = os.stat(os.path.join(run.folder, "a/quiet.bat")).st_mtime_ns
    status, diff, _ = run("fix", "--legacy-name", "old", "a")
    expect(status == 1 and diff.startswith(b"--- a/a/job.bat\n+++ b/a/job.bat\n@@ -3,7 +3,7 @@\n"), f"{diff[:80]!r}")
    expect(b"\\ No newline at end of file" in diff and run.read("a/job.bat").endswith(CALL), "the diff")
    shutil.copytree(os.path.join(run.folder, "a"), os.path.join(run.folder, "patched"))
    patch = subprocess.run(["patch", "-s", "-p2", "-d", os.path.join(run.folder, "patched")], input=diff)
    expect(patch.returncode == 0, "patch refused the diff")
    status, _, _ = run("fix", "--legacy-name", "old", "--write", "--no-backup", "a")
    expect(status == 0 and run.read("a/job.bat") == run.read("patched/job.bat"), "the diff differs from --write")
    expect(not os.path.exists(os.path.join(run.folder, "a/job.bat.bak")), "--no-backup made a backup")
    expect(os.stat(os.path.join(run.folder, "a/quiet.bat")).st_mtime_ns == before, "a file without calls was touched")
    once = run.read("a/job.bat")
    expect(run("fix", "--legacy-name", "old", "--write", "a")[0] == 0 and run.read("a/job.bat") == once, "fix twice")


@check()
def exit_statuses(run):
    run.file("left.bat", b"old up -F > log.txt\r\nold up -m %MT%\r\n" + CALL)
    run.file("none.bat", b"echo old\r\n")
    run.file("z.bat", b"zold up -F\r\n")
    run.file("default.bat", b"TOLVEX-LEGACY.exe up -F\r\n")
    status, out, _ = run("scan", "--legacy-name", "old", "left.bat")
    expect(out.replace(b"\r\n", b"\n") == b"left.bat:1:1: review: its output is redirected (> log.txt)\n"
           b"    old up -F > log.txt\nleft.bat:2:1: rewrite: variables stand only in values that are passed on "
           b"unchanged; exact if %MT% holds one word without a space, tab, & | < > ^ ( ) or a double quote, and the "
           b"first tolvex.exe in the current folder or on PATH is the one beside tolvex-legacy\n"
           b"    old up -m %MT%\n    tolvex update flash --mt %MT% --output %SYSTEMDRIVE%\\Vexadyn_Support\\\n"
           b"left.bat:3:1: rewrite: every argument is literal; exact if the first tolvex.exe in the current folder "
           b"or on PATH is the one beside tolvex-legacy\n    " + CALL + b"\n    " +
           NEW + b"\n1 files, 3 calls: 2 rewrite, 1 review, 0 manual\n", f"{out!r}")
    for args, status in [(["scan", "none.bat"], 0), (["scan", "--legacy-name", "old", "none.bat"], 0),
                         (["scan", "--legacy-name", "old", "left.bat"], 1), (["fix", "--legacy-name", "old", "left.bat"], 1),
                         (["fix", "--legacy-name", "old", "--write", "left.bat"], 1), (["scan"], 2),
                         (["scan", "--format", "xml", "none.bat"], 2), (["scan", "--legacy-name", "", "none.bat"], 2),
                         (["fix", "--no-backup", "none.bat"], 2), (["lint", "none.bat"], 2), (["--help"], 0),
                         (["scan", "--format", "text", "none.bat"], 0), (["map", "--format", "markdown"], 0),
                         (["map", "--format", "json"], 0), (["scan", "--legacy-name", "ZOLD.Exe", "z.bat"], 1), (["scan", "default.bat"], 1),
                         (["explain", "up", "-F"], 0), (["explain", "up", "-F", "x"], 1)]:
        got = run(*args)[0]
        expect(got == status, f"{args}: status {got}, expected {status}")
    status, out, _ = run("--version")
    expect(status == 0 and out.strip() == b"tolvex-migrate 1.0.0", f"--version: {out!r}")
    expect(b"Usage: tolvex-migrate [OPTIONS] SUBCOMMAND" in run("--help")[1], "--help names the program")


@check()
def files_that_cannot_be_read_are_named_and_the_run_goes_on(run):
    run.file("good.bat", CALL)
    run.file("binary.bat", b"MZ\x90\x00\x03" + CALL)
    run.file("long.bat", b"echo " + b"x" * 1_000_000 + b"\r\n" + CALL)
    with open(os.path.join(run.folder, "huge.bat"), "wb") as f:
        f.truncate(100_000_000)
    run.file("long.ps1", b"#" + b"x" * 300_000 + b"\nold up -F")
    status, out, errors = run("scan", "--legacy-name", "old", "good.bat", "binary.bat", "long.bat", "huge.bat",
                              "long.ps1", "gone.bat")
    expect(status == 2 and b"good.bat:1:1: rewrite" in out, f"status {status}: {out[:200]!r}")
    expect(errors.splitlines() == [
        "tolvex-migrate: gone.bat: no such file or folder",
        "tolvex-migrate: binary.bat: binary file (a NUL byte at offset 3)",
        "tolvex-migrate: long.bat: line 1 has 1000005 bytes, more than the 8191 cmd.exe reads",
        "tolvex-migrate: huge.bat: has 100000000 bytes, more than the 33554432 this tool reads",
        "tolvex-migrate: long.ps1: line 1 has 300001 bytes, more than the 262144 this tool reads"], errors)


@check(posix_only=True)
def read_only_files_stay_and_links_stay_in_the_tree(run):
    run.file("tree/ro.bat", CALL)
    os.chmod(os.path.join(run.folder, "tree/ro.bat"), 0o444)
    run.file("tree/.hidden/h.bat", CALL)
    run.file("tree/notes.txt", CALL)
    run.file("outside/o.bat", CALL)
    os.symlink(os.path.join(run.folder, "outside"), os.path.join(run.folder, "tree/linked"))
    os.symlink(os.path.join(run.folder, "outside/o.bat"), os.path.join(run.folder, "tree/o.bat"))
    os.symlink("ro.bat", os.path.join(run.folder, "tree/same.bat"))
    found = json.loads(run("scan", "--legacy-name", "old", "--format", "json", "tree")[1])
    expect([c["file"] for c in found["calls"]] == ["tree/ro.bat"], f"walked {found['calls']}")
    status, out, errors = run("fix", "--legacy-name", "old", "--write", "tree")
    expect(status == 2 and "tree/ro.bat: is read-only" in errors and run.read("tree/ro.bat") == CALL, errors)
    expect(run.read("outside/o.bat") == CALL, "a file outside the tree was rewritten through a link")


@check()
def json_and_sarif_reports(run):
    run.file("s p/a.bat", b"rem \xe9\r\n  " + CALL + b"\r\nold ac -e x\r\n")
    report = json.loads(run("scan", "--legacy-name", "old", "--format", "json", "s p")[1])
    expect(report["summary"] == {"files": 1, "calls": 2, "rewrite": 1, "review": 0, "manual": 1}, report["summary"])
    call = report["calls"][0]
    expect((call["file"], call["line"], call["column"], call["class"]) == ("s p/a.bat", 2, 3, "rewrite"), call)
    expect(call["old"] == "  " + CALL.decode() and call["new"] == "  " + NEW.decode(), call)
    expect(report["calls"][1]["new"] is None and report["errors"] == [], report)
    status, sarif, _ = run("scan", "--legacy-name", "old", "--format", "sarif", "s p", "gone.bat")
    log = json.loads(sarif)
    results = log["runs"][0]["results"]
    expect(status == 2 and [r["ruleId"] for r in results] == ["rewrite", "manual"], results)
    location = results[0]["locations"][0]["physicalLocation"]
    expect(location == {"artifactLocation": {"uri": "s%20p/a.bat"}, "region": {"startLine": 2, "startColumn": 3}}, location)
    replacement = results[0]["fixes"][0]["artifactChanges"][0]["replacements"][1]
    expect(replacement["deletedRegion"] == {"startLine": 2, "startColumn": 7, "endLine": 2, "endColumn": 21}, replacement)
    notes = log["runs"][0]["invocations"][0]["toolExecutionNotifications"]
    expect(notes == [{"level": "error", "message": {"text": "gone.bat: no such file or folder"}}], notes)
    commands = json.loads(run("map", "--format", "json")[1])["commands"]
    special, alone = commands[2]["options"][5], commands[3]["options"][2]
    expect(special["legacy"] == ["-e VALUE", "--exclude=VALUE"] and special["special"] == [
        {"value": "all", "becomes": "--scope individual"}], special)
    expect(alone["legacy"] == ["--mm-user=VALUE"] and alone["refused"] is True, alone)
    absolute = json.loads(run("scan", "--legacy-name", "old", "--format", "sarif", os.path.join(run.folder, "s p"))[1])
    uri = absolute["runs"][0]["results"][0]["locations"][0]["physicalLocation"]["artifactLocation"]["uri"]
    expect(uri == "file://" + run.folder.replace(" ", "%20") + "/s%20p/a.bat", uri)
    if run.options.sarif_multitool:
        path = run.file("log.sarif", sarif)
        out = subprocess.run([run.options.sarif_multitool, "validate", os.path.join(run.folder, path)],
                             capture_output=True, text=True).stdout
        expect(": error " not in out, out)


@check()
def the_readme_shows_the_option_map_as_the_program_prints_it(run):
    if not run.options.readme:
        return
    text = open(run.options.readme, encoding="utf-8").read()
    begin, end = "<!-- map: tolvex-migrate map -->\n", "<!-- end of map -->"
    shown = text[text.index(begin) + len(begin):text.index(end)].strip()
    printed = run("map")[1].decode().replace("\r\n", "\n").strip()
    expect(shown == printed, "docs/migrate.md's map differs from `tolvex-migrate map`: run it and paste the output")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--program", required=True)
    parser.add_argument("--wine", default="")
    parser.add_argument("--sarif-multitool", default="")
    parser.add_argument("--readme", default="")
    options = parser.parse_args()
    options.program = os.path.abspath(options.program)
    passed = failed = 0
    for function, posix_only in CHECKS:
        if posix_only and options.wine:
            continue
        folder = tempfile.mkdtemp(prefix="tolvex-files-")
        try:
            function(Run(options, folder))
            passed += 1
        except AssertionError as error:
            failed += 1
            print(f"FAIL {function.__name__}: {str(error)[:600]}")
        finally:
            shutil.rmtree(folder, ignore_errors=True)
    return finish(passed, failed)


if __name__ == "__main__":
    sys.exit(main())
