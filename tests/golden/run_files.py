#!/usr/bin/env python3
"""What tolvex-migrate does with files and folders: encodings, line ends, backups, errors, exit
statuses, the diff, the walk, the JSON and SARIF reports, and the option map in docs/migrate.md.

    run_files.py --program P [--wine wine] [--sarif-multitool TOOL] [--readme docs/migrate.md]
                 [--identity-tool file_identity.exe]

Each check runs P on files in a fresh folder. Checks that need POSIX links or permissions, the
SARIF validator, the option map's document or the Windows identity tool run only where those are
given or work. Under Wine a check that fails, or finds a file or report missing, is tried once more
in a fresh folder. Ends with "N passed, N failed", also appended to $TOLVEX_E2E_COUNTS_FILE when set.
"""

import argparse, fcntl, json, os, re, resource, shutil, signal, subprocess, sys, tempfile, time

from tally import finish

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from wine_retry import twice

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

    def command(self, *args):
        return [self.options.wine] * bool(self.options.wine) + [self.options.program] + list(args)

    def __call__(self, *args, preexec=None):
        """(exit status, stdout, stderr) of P, run in the folder; `preexec` runs in the child."""
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            status = subprocess.run(self.command(*args), stdout=out, stderr=err, cwd=self.folder, timeout=120,
                                    env=dict(os.environ, WINEDEBUG="-all"), preexec_fn=preexec).returncode
            out.seek(0), err.seek(0)
            # stderr is text for a person: its line ends are the platform's, the lines are the test.
            return status, out.read(), err.read().decode("utf-8", "replace").replace("\r\n", "\n")

    def file(self, name, data):
        path = os.path.join(self.folder, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
        return name

    def read(self, name):
        with open(os.path.join(self.folder, name), "rb") as f:
            return f.read()


def leftovers(folder):
    return [n for _, _, names in os.walk(folder) for n in names if n.startswith(".tolvex-migrate")]


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
    marked = json.loads(run("scan", "--legacy-name", "old", "--format", "json", "marked.bat")[1])["calls"]
    expect([(c["line"], c["column"]) for c in marked] == [(2, 1)], f"after a mark: {marked}")
    status, _, errors = run("fix", "--legacy-name", "OLD.exe", "--write", ".")
    expect(status == 0, f"fix --write: status {status}, {errors}")
    for name, (before, after) in cases.items():
        expect(run.read(name) == after, f"{name} became {run.read(name)!r}")
        expect(run.read(name + ".bak") == before, f"{name}.bak is not the original")


@check()
def a_name_or_a_refused_byte_is_found_at_any_place(run):
    # The first look at a file tests 32 and 16 places at a time, then the last few one by one: a
    # call or a NUL at each place of two such blocks and of their ends is found all the same.
    for shift in range(80):
        run.file(f"n/c{shift:02}.bat", b"rem " + b"x" * shift + b"\r\n" + CALL.upper())
        run.file(f"z/z{shift:02}.bat", b"rem " + b"x" * shift + b"\0" + b"y" * (79 - shift))
    found = json.loads(run("scan", "--legacy-name", "old", "--format", "json", "n")[1])["calls"]
    expect(sorted(c["file"] for c in found) == [f"n/c{shift:02}.bat" for shift in range(80)],
           f"{len(found)} calls: {sorted(c['file'] for c in found)}")
    status, _, errors = run("scan", "--legacy-name", "old", "z")
    expect(status == 2 and errors.count("binary file (a NUL byte at offset") == 80, f"{status} {errors}")


@check()
def a_call_that_cannot_be_read_is_judged_apart_from_the_same_words_written_whole(run):
    # A caret at the very end of the file continues the last line into nothing: the words are
    # those of the line before, the verdict is not.
    run.file("caret.bat", CALL + b"\r\n" + CALL + b" ^")
    found = json.loads(run("scan", "--legacy-name", "old", "--format", "json", "caret.bat")[1])["calls"]
    expect([c["class"] for c in found] == ["rewrite", "manual"], f"{found}")
    expect(run("fix", "--legacy-name", "old", "--write", "caret.bat")[0] == 1 and
           run.read("caret.bat") == NEW + b"\r\n" + CALL + b" ^", f"{run.read('caret.bat')!r}")


@check()
def the_same_call_in_two_files_is_judged_by_each_files_variables(run):
    # Calls are translated once per distinct call; which variables hold a space is each file's own.
    run.file("x.bat", b'set "TE=C:\\a b"\r\n"%TD%\\old.exe" up -F\r\n')
    run.file("y.bat", b'set "TD=C:\\a b"\r\n"%TD%\\old.exe" up -F\r\n')
    found = json.loads(run("scan", "--legacy-name", "old", "--format", "json", "x.bat", "y.bat")[1])
    spaced = {c["file"]: "comes from %TD%, which holds a space" in c["why"] for c in found["calls"]}
    expect(spaced == {"x.bat": False, "y.bat": True}, f"reasons {found['calls']}")


@check()
def names_outside_ascii_are_read_reported_and_rewritten(run):
    # Windows hands a program its narrow arguments in the ANSI code page, and a folder may hold
    # names no code page has: the folder is given, walked and written by its Unicode name.
    run.file("d\u00e9\u0107/na\u00efve \u0107.bat", CALL + b"\r\n")
    status, out, errors = run("fix", "--legacy-name", "old", "--write", "d\u00e9\u0107")
    expect((status, errors) == (0, "") and run.read("d\u00e9\u0107/na\u00efve \u0107.bat") == NEW + b"\r\n" and
           out.startswith("rewrote d\u00e9\u0107/na\u00efve \u0107.bat (backup na\u00efve \u0107.bat.bak)".encode()) and
           out.replace(b"\r\n", b"\n").endswith(b"\n1 files, 1 calls: 1 rewrite, 0 review, 0 manual\n"),
           f"{status} {errors} {out!r}")


@check()
def the_diff_is_what_write_does_and_touches_nothing(run):
    run.file("a/job.bat", b"x\r\n" * 5 + CALL + b"\r\n" + b"y\r\n" * 9 + CALL)
    run.file("a/quiet.bat", b"echo nothing to do\r\n")
    run.file("a/one.bat", b"@")  # a file of one byte is read whole, as any other
    before = os.stat(os.path.join(run.folder, "a/quiet.bat")).st_mtime_ns
    status, diff, told = run("fix", "--legacy-name", "old", "a")
    expect(status == 1 and diff.startswith(b"--- a/a/job.bat\n+++ b/a/job.bat\n@@ -3,7 +3,7 @@\n"), f"{diff[:80]!r}")
    expect(told.endswith("3 files, 2 calls: 2 rewrite, 0 review, 0 manual\n"), told)
    expect(b"\\ No newline at end of file" in diff and run.read("a/job.bat").endswith(CALL), "the diff")
    shutil.copytree(os.path.join(run.folder, "a"), os.path.join(run.folder, "patched"))
    patch = subprocess.run(["patch", "-s", "-p2", "-d", os.path.join(run.folder, "patched")], input=diff)
    expect(patch.returncode == 0, "patch refused the diff")
    status, _, _ = run("fix", "--legacy-name", "old", "--write", "--no-backup", "a")
    expect(status == 0 and run.read("a/job.bat") == run.read("patched/job.bat"), "the diff differs from --write")
    expect(not os.path.exists(os.path.join(run.folder, "a/job.bat.bak")), "--no-backup made a backup")
    expect(leftovers(run.folder) == [], f"left behind: {leftovers(run.folder)}")
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
    helped = b" ".join(run("fix", "--help")[1].split())  # CLI11 wraps as it likes
    for said in (b"Script and task files, and folders to search for *.bat, *.cmd, *.ps1, *.psm1, task files, scripts.ini and "
                 b"psscripts.ini",
                 b"Rewrite only calls proved exact from the file alone; leave for review those exact only if values "
                 b"the running system holds are plain words", b"default tolvex-legacy", b"Rewrite the scripts in place",
                 b"Keep no FILE.bak copy of a rewritten script"):
        expect(said in helped, f"fix --help: {said!r} not in {helped!r}")


@check()
def files_that_cannot_be_read_are_named_and_the_run_goes_on(run):
    run.file("good.bat", CALL)
    run.file("binary.bat", b"MZ\x90\x00\x03" + CALL)
    run.file("long.bat", b"echo " + b"x" * 1_000_000 + b"\r\n" + CALL)
    run.file("edge.bat", b"rem " + b"x" * 8187 + b"\r\n" + CALL)  # 8,191 characters: read
    run.file("over.bat", b"@echo off\r\nrem " + b"x" * 8188 + b"\r\n" + CALL)
    with open(os.path.join(run.folder, "huge.bat"), "wb") as f:
        f.truncate(100_000_000)
    run.file("long.ps1", b"#" + b"x" * 300_000 + b"\nold up -F")
    # Without the legacy name too: the first look at the bytes finds these, in its blocks and after.
    run.file("body.bat", b"echo hi\r\n\x02rem" + b"x" * 40)
    run.file("tail.bat", b"x" * 40 + b"\x00")
    run.file("wide.bat", b"\xfe\xffok")
    status, out, errors = run("scan", "--legacy-name", "old", "good.bat", "binary.bat", "long.bat", "edge.bat", "over.bat", "huge.bat",
                              "long.ps1", "gone.bat", "body.bat", "tail.bat", "wide.bat")
    expect(status == 2 and b"good.bat:1:1: rewrite" in out and b"edge.bat:2:1: rewrite" in out, f"status {status}: {out[:200]!r}")
    expect(errors.splitlines() == [
        "tolvex-migrate: gone.bat: no such file or folder",
        "tolvex-migrate: binary.bat: binary file (a NUL byte at offset 3)",
        "tolvex-migrate: long.bat: line 1 has 1000005 bytes, more than the 8191 cmd.exe reads",
        "tolvex-migrate: over.bat: line 2 has 8192 bytes, more than the 8191 cmd.exe reads",
        "tolvex-migrate: huge.bat: has 100000000 bytes, more than the 33554432 this tool reads",
        "tolvex-migrate: long.ps1: line 1 has 300001 bytes, more than the 262144 this tool reads",
        "tolvex-migrate: body.bat: binary file (a 0x02 byte at offset 9)",
        "tolvex-migrate: tail.bat: binary file (a NUL byte at offset 40)",
        "tolvex-migrate: wide.bat: UTF-16 BE text"], errors)


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
    expect(status == 2 and "tree/ro.bat: is read-only: not rewritten\n" in errors and run.read("tree/ro.bat") == CALL, errors)
    expect(run.read("outside/o.bat") == CALL, "a file outside the tree was rewritten through a link")


@check()
def json_and_sarif_reports(run):
    run.file("s p/a.bat", b"rem \xe9\r\n  " + CALL + b"\r\nold ac -e x\r\n")
    out = run("scan", "--legacy-name", "old", "--format", "json", "s p")[1]
    # For a person too: two spaces a level, one line ending the report.
    lines = out.replace(b"\r\n", b"\n")
    expect(lines.startswith(b'{\n  "calls": [\n    {\n      "file": ') and lines.endswith(b"\n}\n"), f"{out[:60]!r}")
    report = json.loads(out)
    expect(report["summary"] == {"files": 1, "calls": 2, "rewrite": 1, "review": 0, "manual": 1}, report["summary"])
    call = report["calls"][0]
    expect((call["file"], call["line"], call["column"], call["class"]) == ("s p/a.bat", 2, 3, "rewrite"), call)
    expect(call["old"] == "  " + CALL.decode() and call["new"] == "  " + NEW.decode(), call)
    expect(report["calls"][1]["new"] is None and report["errors"] == [], report)
    run.file("bin/x.bat", b"old up\0 -F\r\n")
    status, out, _ = run("scan", "--legacy-name", "old", "--format", "json", "bin")
    expect(status == 2 and json.loads(out)["errors"] == ["bin/x.bat: binary file (a NUL byte at offset 6)"], f"{out!r}")
    notes = json.loads(run("scan", "--legacy-name", "old", "--format", "sarif", "bin")[1])["runs"][0]["invocations"]
    expect(notes[0]["toolExecutionNotifications"] == [
        {"level": "error", "message": {"text": "bin/x.bat: binary file (a NUL byte at offset 6)"}}], notes)
    status, sarif, _ = run("scan", "--legacy-name", "old", "--format", "sarif", "s p", "gone.bat")
    log = json.loads(sarif)
    results = log["runs"][0]["results"]
    expect(status == 2 and [r["ruleId"] for r in results] == ["rewrite", "manual"], results)
    driver = log["runs"][0]["tool"]["driver"]
    expect(log["version"] == "2.1.0" and driver["name"] == "tolvex-migrate" and
           re.fullmatch(r"\d+\.\d+\.\d+", driver["version"]) and driver["semanticVersion"] == driver["version"], driver)
    rules = driver["rules"]
    call_of = "A call of the legacy update program "
    expect([(r["id"], r["name"], r["defaultConfiguration"]["level"], r["shortDescription"]["text"]) for r in rules] == [
        ("rewrite", "LegacyCallRewritable", "warning", call_of + "that can be rewritten to call tolvex.exe directly, "
         "with the same arguments reaching it."),
        ("review", "LegacyCallNeedsReview", "warning", call_of + "whose rewrite depends on something only a person "
         "can check."),
        ("manual", "LegacyCallRefused", "error", call_of + "that cannot work as written, or cannot be read.")], rules)
    expect(all(r["fullDescription"] == r["help"] == r["shortDescription"] for r in rules), rules)
    expect([rules[r["ruleIndex"]]["id"] for r in results] == ["rewrite", "manual"], results)
    location = results[0]["locations"][0]["physicalLocation"]
    expect(location == {"artifactLocation": {"uri": "s%20p/a.bat"}, "region": {"startLine": 2, "startColumn": 3}}, location)
    replacement = results[0]["fixes"][0]["artifactChanges"][0]["replacements"][1]
    expect(replacement["deletedRegion"] == {"startLine": 2, "startColumn": 7, "endLine": 2, "endColumn": 21}, replacement)
    expect(log["runs"][0]["invocations"][0]["executionSuccessful"] is False, log["runs"][0]["invocations"])
    notes = log["runs"][0]["invocations"][0]["toolExecutionNotifications"]
    expect(notes == [{"level": "error", "message": {"text": "gone.bat: no such file or folder"}}], notes)
    commands = json.loads(run("map", "--format", "json")[1])["commands"]
    special, alone = commands[2]["options"][5], commands[3]["options"][2]
    expect(special["legacy"] == ["-e VALUE", "--exclude=VALUE"] and special["special"] == [
        {"value": "all", "becomes": "--scope individual"}], special)
    expect(alone["legacy"] == ["--mm-user=VALUE"] and alone["refused"] is True, alone)
    absolute = json.loads(run("scan", "--legacy-name", "old", "--format", "sarif", os.path.join(run.folder, "s p"))[1])
    uri = absolute["runs"][0]["results"][0]["locations"][0]["physicalLocation"]["artifactLocation"]["uri"]
    expect(absolute["runs"][0]["invocations"][0]["executionSuccessful"] is True, absolute["runs"][0]["invocations"])
    expect(uri == "file://" + run.folder.replace(" ", "%20") + "/s%20p/a.bat", uri)
    # SARIF counts columns in characters, the JSON report in bytes.
    # A name's bytes outside the unreserved set are percent-encoded in its URI (UTF-8, upper-case hex).
    run.file("u/na\u00efve.bat", "echo \u00e9\u20ac & old up -F\r\n".encode())
    coded = json.loads(run("scan", "--legacy-name", "old", "--format", "sarif", "u")[1])["runs"][0]
    column = json.loads(run("scan", "--legacy-name", "old", "--format", "json", "u")[1])["calls"][0]["column"]
    location = coded["results"][0]["locations"][0]["physicalLocation"]
    expect((coded["columnKind"], location["region"]["startColumn"], column) == ("unicodeCodePoints", 11, 14) and
           location["artifactLocation"]["uri"] == "u/na%C3%AFve.bat", f"{coded['columnKind']} {location} {column}")
    if run.options.sarif_multitool:
        path = run.file("log.sarif", sarif)
        out = subprocess.run([run.options.sarif_multitool, "validate", os.path.join(run.folder, path)],
                             capture_output=True, text=True).stdout
        expect(": error " not in out, out)


TASK_NS = "http://schemas.microsoft.com/windows/2004/02/mit/task"


def task(execs, uri=None, utf16=True, actions=""):
    """A task file as the Task Scheduler writes one: UTF-16 LE with a mark and CRLF, or UTF-8."""
    registration = f"  <RegistrationInfo>\r\n    <URI>{uri}</URI>\r\n  </RegistrationInfo>\r\n" if uri else ""
    body = "".join(f"    <Exec>\r\n      <Command>{command}</Command>\r\n" +
                   (f"      <Arguments>{arguments}</Arguments>\r\n" if arguments is not None else "") +
                   "    <WorkingDirectory>C:\\jobs</WorkingDirectory></Exec>\r\n" for command, arguments in execs)
    text = (f'<?xml version="1.0" encoding="UTF-{16 if utf16 else 8}"?>\r\n<!-- exported -->\r\n'
            f'<Task version="1.2" xmlns="{TASK_NS}">\r\n{registration}  <Actions Context="Author">\r\n'
            f"{body}{actions}  </Actions>\r\n</Task>\r\n")
    return "\ufeff".encode("utf-16-le") + text.encode("utf-16-le") if utf16 else text.encode()


@check()
def task_files_are_read_in_both_encodings_and_never_written(run):
    files = {
        # The Tasks folder's own files: no extension, UTF-16; the name comes from the path.
        "Windows/System32/Tasks/Vexadyn/Nightly": task([('"C:\\Tools\\OLD.exe"', "up -F -l &quot;C:\\fw&quot; -m %MT%")]),
        # An export, UTF-8, with its URI; two actions: schtasks /tr cannot set one of two.
        "exports/weekly.xml": task([("C:\\Tools\\old", "co -F -l &quot;C:\\my fw&#x2F;x&quot;&#x20;-i a&#44;b"),
                                    ("old.exe", "up -x")], uri="\\Vexadyn\\Weekly", utf16=False),
        # Review for a second reason; another program's task; an action with no arguments; UTF-8
        # with a byte order mark.
        "Tasks/Mixed": b"\xef\xbb\xbf" + task([("old", "up -F -l C:\\a&amp;b"), ("C:\\Tools\\other.exe", "old up -F"),
                             ("old", None)], utf16=False,
                            actions="    <ComHandler><ClassId>{X}</ClassId></ComHandler>\r\n"),
        # A quoted folder ending in an escaped backslash before a quoted variable, which stays
        # quoted; lines ending in LF alone.
        "exports/quoted.xml": task([("old", "up -l &quot;C:\\a\\\\&quot; -m &quot;%MT%&quot;")], uri="\\Q",
                                   utf16=False).replace(b"\r\n", b"\n"),
        # Neither scripts nor tasks: passed over, not counted.
        "exports/settings.xml": b'<?xml version="1.0"?><settings>old up -F</settings>',
        "exports/README": b"old up -F\r\n",
    }
    for name, data in files.items():
        run.file(name, data)
    status, out, errors = run("scan", "--legacy-name", "old", ".")
    why = "review: a task is changed through the Task Scheduler, never by editing its file"
    new_args = "update flash --type fw --dir C:\\fw --mt %MT% --output %SYSTEMDRIVE%\\Vexadyn_Support\\"
    expected = f"""./Tasks/Mixed:6:16: {why}; and a value holds "&", which cmd.exe acted on when tolvex-legacy ran its line
          <Command>old</Command>
          <Arguments>up -F -l C:\\a&amp;b</Arguments>
./Tasks/Mixed:14:16: manual: tolvex-legacy refuses it: Please specify the command!
          <Command>old</Command>
./Windows/System32/Tasks/Vexadyn/Nightly:6:16: {why}
          <Command>"C:\\Tools\\OLD.exe"</Command>
          <Arguments>up -F -l &quot;C:\\fw&quot; -m %MT%</Arguments>
    Command:   "C:\\Tools\\tolvex.exe"
    Arguments: {new_args}
    schtasks /change /tn "\\Vexadyn\\Nightly" /tr "\\"C:\\Tools\\tolvex.exe\\" {new_args}\\"
./exports/quoted.xml:9:16: {why}
          <Command>old</Command>
          <Arguments>up -l &quot;C:\\a\\\\&quot; -m &quot;%MT%&quot;</Arguments>
    Command:   tolvex
    Arguments: update flash --dir C:\\a\\ --mt "%MT%" --output %SYSTEMDRIVE%\\Vexadyn_Support\\
    schtasks /change /tn "\\Q" /tr "tolvex update flash --dir C:\\a\\ --mt \\"%MT%\\" --output %SYSTEMDRIVE%\\Vexadyn_Support\\\\"
./exports/weekly.xml:9:16: {why}
          <Command>C:\\Tools\\old</Command>
          <Arguments>co -F -l &quot;C:\\my fw&#x2F;x&quot;&#x20;-i a&#44;b</Arguments>
    Command:   C:\\Tools\\tolvex
    Arguments: update compare --type fw --dir "C:\\my fw/x" --includeid  a,b --output %SYSTEMDRIVE%\\Vexadyn_Support\\
    schtasks /change cannot set it: the task has 2 actions, and /tr sets a task's only one
./exports/weekly.xml:13:16: manual: tolvex-legacy refuses it: The parameter: -x is not supported!
          <Command>old.exe</Command>
          <Arguments>up -x</Arguments>
4 files, 6 calls: 0 rewrite, 4 review, 2 manual
"""
    expect(status == 1 and errors == "", f"status {status}: {errors}")
    expect(out.decode().replace("\r\n", "\n") == expected, out.decode())
    # fix shows no diff and writes nothing; the JSON report carries the new action.
    status, diff, left = run("fix", "--legacy-name", "old", "--write", ".")
    expect(status == 1 and "rewrote" not in diff.decode() and "schtasks /change /tn" in diff.decode(), diff)
    for name, data in files.items():
        expect(run.read(name) == data and not os.path.exists(os.path.join(run.folder, name + ".bak")), name)
    report = json.loads(run("scan", "--legacy-name", "old", "--format", "json", "Windows")[1])
    call = report["calls"][0]
    expect((call["line"], call["column"], call["class"]) == (6, 16, "review") and
           call["new"].startswith('Command:   "C:\\Tools\\tolvex.exe"\nArguments: update flash'), call)
    sarif = json.loads(run("scan", "--legacy-name", "old", "--format", "sarif", "exports/weekly.xml")[1])
    region = sarif["runs"][0]["results"][0]["locations"][0]["physicalLocation"]["region"]
    expect(region == {"startLine": 9, "startColumn": 16}, region)


@check()
def group_policy_script_lists_are_read_in_both_encodings_and_never_written(run):
    machine = ("[Startup]\r\n0CmdLine=\\\\corp\\tools\\old.exe\r\n0Parameters=up -F -l C:\\fw\r\n"
               "1CmdLine=other.cmd\r\n1Parameters=old up\r\n[Shutdown]\r\n0Parameters=ac -L\r\n0CmdLine=OLD\r\n")
    files = {  # the Group Policy editor's UTF-16 with a mark; an older list in the ANSI code page
        "Policies/{31B2}/Machine/Scripts/scripts.ini": "\ufeff".encode("utf-16-le") + machine.encode("utf-16-le"),
        "Policies/{31B2}/User/Scripts/PSSCRIPTS.INI": b"[Logon]\r\n0CmdLine=old.exe\r\n0Parameters=up -x\r\n",
        "app/scripts.ini": b"[main]\r\nold=up -F\r\n",  # another program's settings: no numbered CmdLine
    }
    for name, data in files.items():
        run.file(name, data)
    why = ("review: a Group Policy script is changed through the Group Policy editor, never by editing its list; exact "
           "if the script's Parameters reach it with %SYSTEMDRIVE% and any other variable expanded")
    expected = f"""./Policies/{{31B2}}/Machine/Scripts/scripts.ini:2:10: {why}
    0CmdLine=\\\\corp\\tools\\old.exe
    0Parameters=up -F -l C:\\fw
    CmdLine:    \\\\corp\\tools\\tolvex.exe
    Parameters: update flash --type fw --dir C:\\fw --output %SYSTEMDRIVE%\\Vexadyn_Support\\
./Policies/{{31B2}}/Machine/Scripts/scripts.ini:8:10: {why}
    0Parameters=ac -L
    0CmdLine=OLD
    CmdLine:    tolvex
    Parameters: update acquire --scope latest --output %SYSTEMDRIVE%\\Vexadyn_Support\\
./Policies/{{31B2}}/User/Scripts/PSSCRIPTS.INI:2:10: manual: tolvex-legacy refuses it: The parameter: -x is not supported!
    0CmdLine=old.exe
    0Parameters=up -x
3 files, 3 calls: 0 rewrite, 2 review, 1 manual
"""
    status, out, errors = run("scan", "--legacy-name", "old", ".")
    expect((status, errors) == (1, "") and out.decode().replace("\r\n", "\n") == expected, out.decode())
    status, _, _ = run("fix", "--legacy-name", "old", "--write", ".")
    for name, data in files.items():
        expect(status == 1 and run.read(name) == data and not os.path.exists(os.path.join(run.folder, name + ".bak")), name)


@check()
def task_files_named_or_malformed(run):
    good = task([("old", "hb -s --mm-address=A&#xFFFD;")], uri="\\Job")  # the last character XML allows below U+10000
    run.file("job", good)  # named without extension: a task by its content
    run.file("plain", b"old hb -s --mm-address=A\r\n")  # ... or a batch file
    run.file("not-a-task.xml", b'<?xml version="1.0"?>\n<Task xmlns="urn:other"><Exec>old</Exec></Task>')
    malformed = {  # the end of a task file, cut or spoilt: the reason the scan gives
        b"<Exec><Command>old</Command>": "line 5: <Exec> is not closed",
        b"<Exec><Command>old</Arguments></Exec>": "line 5: </Arguments> closes no open element",
        b"<Exec><Command>old &foo;</Command></Exec>": "line 5: unknown entity &foo;",
        b"<Exec><Command>old &#1;</Command></Exec>": "line 5: unknown entity &#1;",
        b"<Exec><Command>old<b/></Command></Exec>": "line 5: <Command> holds an element",
        b"<Exec><Command>old</Command><!-- </Exec>": "line 5: a comment is not closed",
        b"<Exec><Command a='>old</Command></Exec>": "line 5: a tag is not closed",
        b"<Exec><Command>old</Command": "line 5: a tag is not closed",
        b"<Exec><Command>old & x</Command></Exec>": "line 5: an & that begins no entity",
        b"<Exec><Command><![CDATA[old</Command></Exec>": "line 5: a CDATA section is not closed",
        b"<Exec><Command>old</Command>< ></Exec>": "line 5: a < that begins no tag",
    }
    head = task([], utf16=False).split(b"  </Actions>")[0]
    for i, tail in enumerate(malformed):
        run.file(f"Tasks/bad{i:02}", head + tail)
    status, out, errors = run("scan", "--legacy-name", "old", "job", "plain", "not-a-task.xml", "Tasks")
    text = out.decode().replace("\r\n", "\n")
    expect(status == 2 and "job:9:16: review:" in text and 'schtasks /change /tn "\\Job" /tr "tolvex update scan --cmm :@A' in text
           and "plain:1:1: rewrite:" in text and text.endswith("2 files, 2 calls: 1 rewrite, 1 review, 0 manual\n"), text)
    expect(errors.splitlines() == ["tolvex-migrate: not-a-task.xml: not a task file that can be read (line 2: the root "
                                   "element is not <Task> in the task namespace)"] +
           [f"tolvex-migrate: Tasks/bad{i:02}: not a task file that can be read ({why})"
            for i, why in enumerate(malformed.values())], errors)
    # Two % signs together name no variable; with %MT% after them they still reach the tool's line.
    run.file("pct.xml", task([("old", "up -l 5%% -m %MT%")], uri="\\P", utf16=False))
    out = run("scan", "--legacy-name", "old", "pct.xml")[1].decode()
    expect("review: a task is changed through the Task Scheduler, never by editing its file; and a value holds two % "
           "signs" in out, out)


@check()
def backups_never_overwrite_a_file_and_are_named(run):
    run.file("n.bat", CALL)
    run.file("n.bat.bak", b"the user's own")
    run.file("n.bat.bak.2", b"and another")
    status, out, errors = run("fix", "--legacy-name", "old", "--write", "n.bat")
    expect(status == 0 and out.splitlines()[0] == b"rewrote n.bat (backup n.bat.bak.3)", f"{status} {out!r} {errors}")
    expect((run.read("n.bat.bak"), run.read("n.bat.bak.2")) == (b"the user's own", b"and another"), "a file was overwritten")
    expect(run.read("n.bat.bak.3") == CALL and run.read("n.bat") == NEW, "the rewrite or its backup")


@check()
def refused_files_are_left_whole(run):
    run.file("linked.bat", CALL)
    os.link(os.path.join(run.folder, "linked.bat"), os.path.join(run.folder, "other.bat"))
    long = run.file("x" * 248 + ".bat", CALL)  # the backup's name would be one character too long
    status, out, errors = run("fix", "--legacy-name", "old", "--write", "linked.bat", long)
    expect(status == 2 and "tolvex-migrate: linked.bat: has 2 hard links: not rewritten, its links would part" in
           errors.splitlines(), errors)
    expect(f"{long}: cannot be written: the backup {long}.bak was not made (" in errors, errors)
    expect(run.read("linked.bat") == CALL == run.read(long), "a refused file was changed")
    expect(sorted(os.listdir(run.folder)) == sorted(["linked.bat", "other.bat", long]), os.listdir(run.folder))
    status, diff, _ = run("fix", "--legacy-name", "old", "linked.bat")
    expect(status == 1 and b"+++ b/linked.bat" in diff, "fix without --write shows no diff for a linked file")
    status, _, errors = run("fix", "--legacy-name", "old", "--write", "--no-backup", long)
    expect(status == 0 and run.read(long) == NEW and leftovers(run.folder) == [], f"--no-backup: {errors}")


@check()
def a_file_changed_or_gone_since_it_was_read_is_not_written(run):
    for name in "abc":
        run.file(name + ".bat", CALL)
    def rewritten(name):
        try:
            return run.read(name) == NEW
        except OSError:  # between the two renames of Wine's replacement
            return False
    # stdout is a full pipe: the program stops at its first line, after a.bat and before b.bat.
    reader, writer = os.pipe()
    fcntl.fcntl(writer, fcntl.F_SETFL, os.O_NONBLOCK)
    try:
        while True:
            os.write(writer, b"x" * 4096)
    except BlockingIOError:
        fcntl.fcntl(writer, fcntl.F_SETFL, 0)
    with tempfile.TemporaryFile() as err:
        child = subprocess.Popen(run.command("fix", "--legacy-name", "old", "--write", "a.bat", "b.bat", "c.bat"),
                                 stdout=writer, stderr=err, cwd=run.folder, env=dict(os.environ, WINEDEBUG="-all"))
        os.close(writer)
        deadline = time.time() + 60
        while not rewritten("a.bat") and time.time() < deadline and child.poll() is None:
            time.sleep(0.01)
        run.file("b.bat", CALL + b"\r\necho added by an editor")
        os.remove(os.path.join(run.folder, "c.bat"))
        with os.fdopen(reader, "rb") as pipe:
            out = pipe.read()
        status = child.wait(timeout=60)
        err.seek(0)
        errors = err.read().decode()
    out = out.replace(b"\r\n", b"\n")
    expect(status == 2 and b"xrewrote a.bat (backup a.bat.bak)\n" in out and b"rewrote b" not in out, f"{out[-99:]!r}")
    expect("b.bat: changed since it was read: not rewritten" in errors, errors)
    expect("c.bat: vanished since it was read: not rewritten" in errors, errors)
    expect(run.read("b.bat") == CALL + b"\r\necho added by an editor", "the edited file was overwritten")
    expect(sorted(os.listdir(run.folder)) == ["a.bat", "a.bat.bak", "b.bat"], os.listdir(run.folder))


@check()
def faults_leave_the_original_and_nothing_beside_it(run):
    big = CALL + b"\r\n"
    run.file("big.bat", big * 20000)  # 400 kB, 1.6 MB rewritten: the write stops at 1 MB
    def small_disk():
        resource.setrlimit(resource.RLIMIT_FSIZE, (1 << 20, 1 << 20))
        if run.options.wine:  # natively the program ignores SIGXFSZ itself
            signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
    status, _, errors = run("fix", "--legacy-name", "old", "--write", "big.bat", preexec=small_disk)
    expect(status == 2 and "big.bat: cannot be written: the new file beside it could not be made (" in errors, errors)
    expect(run.read("big.bat") == big * 20000 and os.listdir(run.folder) == ["big.bat"], os.listdir(run.folder))
    # An unwritable folder: root writes anyway, so natively it runs as nobody; under Wine not at all.
    root = os.geteuid() == 0
    if root and run.options.wine:
        return
    run.file("locked/l.bat", CALL)
    locked = os.path.join(run.folder, "locked")
    command, drop = run.command("fix", "--legacy-name", "old", "--write", "locked/l.bat"), None
    if root:  # nobody runs a copy of the program, which may lie where only root can reach it
        os.chmod(run.folder, 0o755)
        command[0] = shutil.copy(run.options.program, run.folder)
        for path in [locked, os.path.join(locked, "l.bat")]:
            os.chown(path, 65534, 65534)
        drop = lambda: os.setgid(65534) or os.setuid(65534)
    os.chmod(locked, 0o555)
    result = subprocess.run(command, cwd=run.folder, capture_output=True, text=True, preexec_fn=drop)
    os.chmod(locked, 0o755)
    status, errors = result.returncode, result.stderr
    expect(status == 2 and "locked/l.bat: cannot be written: the new file beside it could not be made (" in errors, errors)
    expect(run.read("locked/l.bat") == CALL and os.listdir(locked) == ["l.bat"], os.listdir(locked))


@check(posix_only=True)
def mode_owner_and_group_are_kept(run):
    path = os.path.join(run.folder, run.file("m.bat", CALL))
    os.chmod(path, 0o750)
    if os.geteuid() == 0:
        os.chown(path, 12345, 23456)
    before = os.stat(path)
    status, _, errors = run("fix", "--legacy-name", "old", "--write", "m.bat")
    after, backup = os.stat(path), os.stat(path + ".bak")
    expect(status == 0 and after.st_ino != before.st_ino and backup.st_ino == before.st_ino, errors)
    expect((after.st_mode, after.st_uid, after.st_gid) == (before.st_mode, before.st_uid, before.st_gid),
           f"mode {after.st_mode:o} owner {after.st_uid}:{after.st_gid}, was {before.st_mode:o} "
           f"{before.st_uid}:{before.st_gid}")


@check()
def windows_identity_is_kept(run):
    if not run.options.identity_tool:
        return
    def wine(*args):
        result = subprocess.run([run.options.wine, *args], cwd=run.folder, capture_output=True,
                                env=dict(os.environ, WINEDEBUG="-all"))
        return result.stdout.decode("utf-8", "replace").replace("\r\n", "\n")
    def attributes(name):  # "AS  H" and so on: Wine's attrib takes one attribute a call
        return wine("cmd", "/c", "attrib", name)[:11].rstrip()
    def identity(name):
        return dict(line.split(" ", 1) for line in wine(run.options.identity_tool, "show", name).splitlines())
    run.file("job.bat", CALL)
    wine(run.options.identity_tool, "set", "job.bat")
    for attribute in ["+h", "+s", "+a"]:
        wine("cmd", "/c", "attrib", attribute, "job.bat")
    before, shown = identity("job.bat"), attributes("job.bat")
    expect(shown == "AS  H", f"attrib set {shown!r}")
    set_to = {"dacl": "D:P(A;;FA;;;SY)(A;;FA;;;WD)", "created": "01c08d967db50500"}
    status, _, errors = run("fix", "--legacy-name", "old", "--write", "job.bat")
    expect(status == 0 and run.read("job.bat") == NEW, f"{status} {errors}")
    for name in ["job.bat", "job.bat.bak"]:
        expect(attributes(name) == shown, f"{name}: attributes {attributes(name)!r}")
        now = identity(name)
        for key, value in set_to.items():  # only what the platform kept when set: Wine 8 keeps neither
            expect(before.get(key) != value or now.get(key) == value, f"{name}: {key} {now.get(key)}, was {value}")


@check()
def legacy_names_with_a_folder_and_the_names_in_the_maps_json(run):
    run.file("z.bat", b"zold up -F\r\n")
    for name in ("C:\\Tools\\ZOLD.Exe", "/opt/tools/zold", "C:/Tools\\zold.exe", "..\\zold"):
        got = run("scan", "--legacy-name", name, "z.bat")[0]
        expect(got == 1, f"--legacy-name {name}: status {got}, the call in z.bat not found")
    document = json.loads(run("map", "--format", "json")[1])
    expect(set(document) == {"output", "commands"} and document["output"] == "--output <SYSTEMDRIVE>\\Vexadyn_Support\\",
           f"map --format json: {list(document)}")
    for command in document["commands"]:
        expect(set(command) == {"keywords", "command", "options"}, f"a command's names: {list(command)}")
        for option in command["options"]:
            expect(set(option) == {"legacy", "becomes", "prints", "refused", "special"}, f"an option's names: {list(option)}")
    expect([c["command"] for c in document["commands"]][:2] == ["update acquire", "update compare"] and
           any(o["prints"] for c in document["commands"] for o in c["options"]), document["commands"][0])


@check(posix_only=True)
def pipes_and_devices_are_named_never_waited_for(run):
    # Opening a pipe waits for a writer: given as a script or a log, one would hang the run.
    os.mkfifo(os.path.join(run.folder, "p.bat"))
    os.mkfifo(os.path.join(run.folder, "p.jsonl"))
    for args in (["scan", "--legacy-name", "old", "p.bat", "/dev/null"], ["fix", "--write", "p.bat"], ["usage", "p.jsonl"]):
        status, _, errors = run(*args)
        expect(status == 2 and errors.startswith(f"tolvex-migrate: {args[-1] if args[0] != 'scan' else 'p.bat'}: "
                                                 "is neither a file nor a folder\n"), f"{args}: {status} {errors}")


@check(posix_only=True)
def a_folder_or_script_that_cannot_be_opened_is_named_and_the_walk_goes_on(run):
    run.file("tree/a.bat", CALL)
    # Paths longer than the system takes (4096 bytes) cannot be opened, even by root: a folder
    # 17 levels down, and a script beside it in the 16th, whose folder is still listed.
    folder = os.open(os.path.join(run.folder, "tree"), os.O_RDONLY)
    for level in range(17):
        if level == 16:
            with open(os.open("f" * 100 + ".bat", os.O_WRONLY | os.O_CREAT, 0o644, dir_fd=folder), "wb") as far:
                far.write(CALL)
            with open(os.open("g" * 100 + ".jsonl", os.O_WRONLY | os.O_CREAT, 0o644, dir_fd=folder), "wb") as far:
                far.write(usage_record("2026-11-01T00:00:00.000Z", "PC-1", ["up"]))
        os.mkdir("d" * 250, dir_fd=folder)
        inner = os.open("d" * 250, os.O_RDONLY, dir_fd=folder)
        os.close(folder)
        folder = inner
    os.close(folder)
    status, out, errors = run("scan", "--legacy-name", "old", "tree")
    expect(status == 2 and b"tree/a.bat:1:1: rewrite" in out, f"status {status}: {out[:200]!r}")
    lines = errors.splitlines()
    expect(len(lines) == 2 and
           lines[0].startswith("tolvex-migrate: tree/" + ("d" * 250 + "/") * 16 + "d" * 250 + ": ") and
           lines[1].endswith("f" * 100 + ".bat: cannot be read (File name too long)"), errors[-300:])
    status, _, errors = run("usage", "tree")
    expect(status == 2 and errors.endswith("g" * 100 + ".jsonl: cannot be read (File name too long)\n"), errors[-200:])


@check()
def the_readme_shows_the_option_map_as_the_program_prints_it(run):
    if not run.options.readme:
        return
    text = open(run.options.readme, encoding="utf-8").read()
    begin, end = "<!-- map: tolvex-migrate map -->\n", "<!-- end of map -->"
    shown = text[text.index(begin) + len(begin):text.index(end)].strip()
    printed = run("map")[1].decode().replace("\r\n", "\n").strip()
    expect(shown == printed, "docs/migrate.md's map differs from `tolvex-migrate map`: run it and paste the output")


def usage_record(time, computer, args, image="cmd.exe", command_line="cmd /c job.bat"):
    return json.dumps({"time": time, "computer": computer, "user": "D\\u", "pid": 9, "parent": {
        "pid": 8, "image": image, "commandLine": command_line}, "cwd": "C:\\", "args": args, "line": None,
        "refused": None, "status": 0}, separators=(",", ":"), ensure_ascii=False).encode() + b"\n"


USAGE_TEXT = b"""hb -s --mm-address=A --mm-password=***
    runs: 5 on 2 computers (PC-1, PC-2)
    seen: 2026-10-31T08:00:00.000Z to 2026-12-31T08:00:00.000Z
    caller: cmd.exe (3 runs): cmd /c job.bat
    caller: svchost.exe (2 runs): svchost.exe -k netsvcs
    becomes: tolvex.exe update scan --cmm :***@A --output C:\\Vexadyn_Support\\
up -l "C:\\fw \xc3\xa9\xc2\xaa\xc3\x9f\xf0\x9f\x90\x80\xef\xbf\xbd" -F
    runs: 2 on 1 computer (PC-2)
    seen: 2026-12-01T00:00:00.000Z to 2026-12-02T00:00:00.000Z
    caller: (unknown) (2 runs)
    becomes: tolvex.exe update flash --type fw --dir "C:\\fw \xc3\xa9\xc2\xaa\xc3\x9f\xf0\x9f\x90\x80\xef\xbf\xbd" --output C:\\Vexadyn_Support\\
(no words)
    runs: 1 on 1 computer (PC-1)
    seen: 2026-11-04T00:00:00.000Z to 2026-11-04T00:00:00.000Z
    caller: (unknown) (1 run)
    refused: Please specify the command!
hb -s -l x
    runs: 1 on 1 computer (PC-1)
    seen: 2026-11-02T00:00:00.000Z to 2026-11-02T00:00:00.000Z
    caller: cmd.exe (1 run): cmd /c job.bat
    refused: The parameter: -l is not supported!
9 records in 2 files: 4 distinct calls (2 refused) from 2 computers, 4 lines skipped
"""


@check()
def usage_report_groups_the_records_and_skips_what_it_cannot_read(run):
    call = ["hb", "-s", "--mm-address=A", "--mm-password=***"]
    # With two threads or more the two files are read into two tallies: the call's runs, callers
    # and computers add up across them, its first time seen is PC-2's and its last PC-1's.
    run.file("logs/PC-1.jsonl", usage_record("2026-11-01T10:00:00.000Z", "PC-1", call) +
             usage_record("2026-11-02T00:00:00.000Z", "PC-1", ["hb", "-s", "-l", "x"]) + b"not json\n\n" +
             usage_record("2026-12-31T08:00:00.000Z", "PC-1", call, "svchost.exe", "svchost.exe -k netsvcs") +
             b'{"args":["hb","-s"],"time":"2026-11-03T00:00:00.000Z",}\n' +
             b'{"args":[],"time":"2026-11-04T00:00:00.000Z","computer":"PC-1","status":-1.5e3}\n' +
             b'{}\n' +
             usage_record("2026-12-24T23:59:59.999Z", "PC-1", call, "svchost.exe", "svchost.exe -k netsvcs")[:60])
    # Another writer's layout: spaces, other key order, escapes (a surrogate pair among them), CRLF,
    # no caller; twice, so that the second line's words are decoded afresh.
    other = (b'{ "args" : [ "up", "-l", "C:\\\\fw \\u00e9\\u00aa\\u00DF\\ud83d\\udc00\\uDFFF", "-F" ], "computer": "PC-2",'
             b' "extra": {"a": [1, {"b": null}], "c": "}"}, "time": "2026-12-0%dT00:00:00.000Z", "parent": null }\r\n')
    run.file("logs/sub/PC-2.jsonl", other % 1 + other % 2 +
             usage_record("2026-12-24T23:59:59.999Z", "PC-2", call, "svchost.exe", "svchost.exe -k netsvcs") +
             usage_record("2026-11-05T00:00:00.000Z", "PC-2", call) +
             usage_record("2026-10-31T08:00:00.000Z", "PC-2", call))
    run.file("logs/notes.txt", b"not a log")
    for text in (["usage"], ["usage", "--format", "text"]):
        status, out, errors = run(*text, "logs")
        expect((status, errors) == (1, "") and out.replace(b"\r\n", b"\n") == USAGE_TEXT, f"{status} {errors} {out!r}")
    status, out, errors = run("usage", "--format", "json", "logs/sub/PC-2.jsonl", "gone.jsonl", "logs/PC-1.jsonl")
    report = json.loads(out)
    expect(status == 2 and errors == "tolvex-migrate: gone.jsonl: no such file or folder\n", f"{status} {errors}")
    expect(report["summary"] == {"records": 9, "files": 2, "calls": 4, "computers": 2, "skipped": 4}, report)
    first = report["calls"][0]
    expect(first["args"] == call and first["runs"] == 5 and first["computers"] == ["PC-1", "PC-2"] and
           first["callers"][0] == {"image": "cmd.exe", "commandLine": "cmd /c job.bat", "runs": 3} and
           (first["firstSeen"], first["lastSeen"]) == ("2026-10-31T08:00:00.000Z", "2026-12-31T08:00:00.000Z") and
           first["line"] == "tolvex.exe update scan --cmm :***@A --output C:\\Vexadyn_Support\\" and
           first["refused"] is None, first)
    expect(report["calls"][1]["args"][2] == "C:\\fw \u00e9\u00aa\u00df\U0001f400\ufffd" and report["calls"][1]["callers"][0]["image"] is None and
           report["calls"][2]["args"] == [] and report["calls"][2]["refused"] == "Please specify the command!\n" and
           report["calls"][3]["refused"] == "The parameter: -l is not supported!" and report["calls"][3]["line"] is None,
           report["calls"][1:])
    expect(report["errors"] == ["gone.jsonl: no such file or folder"], report["errors"])
    run.file("empty/none.jsonl", b"")
    for args, expected in ((["usage", "empty"], 0), (["usage"], 2), (["usage", "--format", "xml", "empty"], 2)):
        expect(run(*args)[0] == expected, f"{args}: status {run(*args)[0]}")


@check()
def usage_report_shows_five_callers_and_skips_escapes_it_cannot_decode(run):
    five = b"".join(usage_record("2026-11-01T00:00:00.000Z", "PC-1", ["up", "-F"], f"c{i}.exe") for i in range(5))
    six = b"".join(usage_record("2026-11-01T00:00:00.000Z", "PC-1", ["ac", "-L"], f"c{i}.exe") for i in range(6))
    cut = b'{"args":["up","-l","\\u12"],"time":"2026-11-01T00:00:00.000Z"}\n{"args":["up","\\x41"]}\n'
    # Surrogate pairs at the ends of their ranges, spaces inside a value passed over; a key with
    # no colon, a word that is no string and a string never closed make lines that are skipped.
    edges = (b'{"args":["up","\\ud800\\udc00\\udbff\\udfff"],"time":"2026-11-01T00:00:00.000Z","computer":"PC-1","x":[1 , 2 ] }\n'
             b'{"args":["up","-F"],"time" "2026-11-01T00:00:00.000Z"}\n{"args":["up",5]}\n{"args":["up"],"time":"2026-11-01T00:00:00.000Z","computer":"PC-1","x":"}\n')
    run.file("callers.jsonl", five + six + cut + edges)
    status, out, _ = run("usage", "callers.jsonl")
    out = out.replace(b"\r\n", b"\n")
    expect(status == 1 and out.count(b"    caller: ") == 11 and out.count(b"    and ") == 1 and
           b"    caller: c4.exe (1 run): cmd /c job.bat\n    and 1 more caller\n" in out and
           b"\nup \xf0\x90\x80\x80\xf4\x8f\xbf\xbf\n" in out and
           out.endswith(b"12 records in 1 file: 3 distinct calls (1 refused) from 1 computer, 5 lines skipped\n"), f"{out!r}")
    # A value nested 64 deep is read; one deeper is not.
    deep = (b'{"args":["up"],"time":"2026-11-01T00:00:00.000Z","computer":"PC-1","x":%s1%s}\n' % (b"[" * 63, b"]" * 63) +
            b'{"args":["up"],"time":"2026-11-01T00:00:00.000Z","computer":"PC-1","x":%s1%s}\n' % (b"[" * 64, b"]" * 64))
    run.file("deep.jsonl", deep)
    status, out, _ = run("usage", "deep.jsonl")
    expect(status == 1 and out.replace(b"\r\n", b"\n").endswith(
        b"1 record in 1 file: 1 distinct call (0 refused) from 1 computer, 1 line skipped\n"), f"{out!r}")


def one_check(function, options):
    """One try of a check, in a fresh folder: [] when it passed, else [what failed]."""
    folder = tempfile.mkdtemp(prefix="tolvex-files-")
    try:
        function(Run(options, folder))
        return []
    except AssertionError as error:
        return [str(error)]
    finally:
        shutil.rmtree(folder, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--program", required=True)
    parser.add_argument("--wine", default="")
    parser.add_argument("--sarif-multitool", default="")
    parser.add_argument("--readme", default="")
    parser.add_argument("--identity-tool", default="")
    options = parser.parse_args()
    options.program = os.path.abspath(options.program)
    options.identity_tool = options.identity_tool and os.path.abspath(options.identity_tool)
    passed = failed = 0
    for function, posix_only in CHECKS:
        if posix_only and options.wine:
            continue
        problems = twice(lambda _: one_check(function, options), again=bool(options.wine))
        if problems:
            failed += 1
            print(f"FAIL {function.__name__}: {problems[0][:600]}")
        else:
            passed += 1
    return finish(passed, failed)


if __name__ == "__main__":
    sys.exit(main())
