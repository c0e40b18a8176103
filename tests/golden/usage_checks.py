"""The usage record of tolvex-legacy, checked for run_golden.py --usage-log: the record of each
table row (record_problems), and the checks no row can hold (run_all): the fields of a call made
through a caller, folder and file targets, targets that cannot be written, passwords hunted in
the log, and 200 runs writing at once."""

import concurrent.futures, datetime, json, os, re, shutil, socket, subprocess, tempfile

VARIABLE = "TOLVEX_LEGACY_USAGE_LOG"
PASSWORD_TO_END = re.compile(r"(?is)(--(?:mm|proxy)-password=).+")
PASSWORD_IN_ARGS = re.compile(r"(?i)(--password=)[^ ,]+")
BARE_PASSWORD = ("--mm-password", "--proxy-password")


def native_path(path, wine):
    return "Z:" + path.replace("/", "\\") if wine else path


def masked(words):
    """The words as the record must show them: every password value written as ***."""
    result = [PASSWORD_IN_ARGS.sub(r"\1***", PASSWORD_TO_END.sub(r"\1***", w)) for w in words]
    for i in range(1, len(words)):
        if words[i - 1].lower() in BARE_PASSWORD and words[i][:1] not in ("", "-"):
            result[i] = "***"
    return result


def secrets(words):
    found = [w[m.end(1):] for w in words for m in [PASSWORD_TO_END.search(w)] if m]
    found += [m[0][len(m[1]):] for w in words for m in PASSWORD_IN_ARGS.finditer(w)]
    found += [words[i] for i in range(1, len(words)) if masked(words)[i] == "***" and words[i] != "***"]
    return [s for s in found if s and s != "***"]


def read_records(path):
    """The records of a log file, or a list of problems."""
    try:
        data = open(path, "rb").read()
    except FileNotFoundError:
        return ["no usage record was written"]
    if not data.endswith(b"\n"):
        return [f"the log does not end in a line end: {data[-80:]!r}"]
    try:
        return [json.loads(line.decode("utf-8")) for line in data.split(b"\n")[:-1]]
    except ValueError as error:
        return [f"a record is not JSON in UTF-8 ({error}): {data[:300]!r}"]


def record_problems(path, words, status, line, refused):
    """What is wrong with the one record a table row should have written."""
    records = read_records(path)
    if not records or not isinstance(records[0], dict):
        return records
    if len(records) != 1:
        return [f"{len(records)} records, expected 1"]
    record = records[0]
    for secret in secrets(words):
        line = line and line.replace(f":{secret}@", ":***@")
    expected = {"args": masked(words), "status": status, "line": line, "refused": refused}
    problems = [f"record {key} {record.get(key)!r:.300}, expected {value!r:.300}"
                for key, value in expected.items() if record.get(key) != value]
    text = json.dumps([record.get("args"), record.get("line"), record.get("refused")], ensure_ascii=False)
    problems += [f"the password {s!r} is in the record" for s in secrets(words) if len(s) > 1 and s in text]
    return problems


class Bench:
    """A folder holding the program and the stand-in, for runs of tolvex-legacy."""

    def __init__(self, options):
        self.options = options
        self.base = os.path.realpath(tempfile.mkdtemp(prefix="tolvex-usage-"))
        self.program = os.path.join(self.base, os.path.basename(options.program))
        os.link(options.program, self.program)
        os.link(options.standin, os.path.join(self.base, "tolvex.exe"))

    def path(self, *parts):
        return os.path.join(self.base, *parts)

    def native(self, *parts):
        return native_path(self.path(*parts), self.options.wine)

    def run(self, args, log=None, through_caller=False, tries=2):
        """(exit status, stdout) of the program with `args`; the record goes to `log` (a native
        name) or nowhere. `through_caller`: started by cmd.exe under Wine, by sh natively, so
        that the caller's command line holds the call. A run that Wine failed to start is tried
        once more."""
        env = dict(os.environ, WINEDEBUG="-all", LC_ALL="C.UTF-8")
        env.pop(VARIABLE, None)
        env.pop("TOLVEX_STANDIN_RECORD", None)
        env.pop("TOLVEX_STANDIN_EXIT", None)
        if log is not None:
            env[VARIABLE] = log
        if not through_caller:
            command = [self.options.wine] * bool(self.options.wine) + [self.program] + args
        elif self.options.wine:
            command = [self.options.wine, "cmd", "/c", native_path(self.program, True)] + args
        else:
            command = ["/bin/sh", "-c", '"$0" "$@"; exit $?', self.program] + args
        with tempfile.TemporaryFile() as out:
            status = subprocess.run(command, stdout=out, stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL,
                                    env=env, cwd=self.base, timeout=120).returncode
            out.seek(0)
            stdout = out.read()
        if tries > 1 and self.options.wine and b"The tolvx return code is: " not in stdout and status != 1:
            return self.run(args, log, through_caller, tries - 1)
        return status, stdout

    def close(self):
        shutil.rmtree(self.base, ignore_errors=True)


def fields_of_a_call_made_through_a_caller(bench):
    status, _ = bench.run(["hb", "-s", "--mm-address=A"], bench.native("log.jsonl"), True)
    records = read_records(bench.path("log.jsonl"))
    if status != 0 or len(records) != 1 or not isinstance(records[0], dict):
        return [f"status {status}, records {records!r:.300}"]
    record, problems = records[0], []
    time = datetime.datetime.strptime(record["time"], "%Y-%m-%dT%H:%M:%S.%fZ")
    if not re.fullmatch(r"\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z", record["time"]) or abs(
            time - datetime.datetime.utcnow()) > datetime.timedelta(minutes=10):
        problems.append(f"time {record['time']}")
    parent = record.get("parent") or {}
    if bench.options.wine:
        expected_parent = ("cmd.exe", os.path.basename(bench.program))
        if "\\" not in record["user"] or not record["computer"]:
            problems.append(f"user {record['user']!r}, computer {record['computer']!r}")
    else:
        expected_parent = (os.path.basename(os.path.realpath("/bin/sh")), os.path.basename(bench.program))
        if record["computer"] != socket.gethostname():
            problems.append(f"computer {record['computer']!r}")
    if (parent.get("image") or "").lower() != expected_parent[0] or expected_parent[1] not in (
            parent.get("commandLine") or ""):
        problems.append(f"parent {parent!r}, expected {expected_parent!r}")
    if not isinstance(record["pid"], int) or not isinstance(parent.get("pid"), int) or record["pid"] == parent["pid"]:
        problems.append(f"pid {record['pid']!r}, parent pid {parent.get('pid')!r}")
    if record["cwd"] != bench.native().rstrip("\\/") or record["line"] != "update scan --cmm :@A --output C:\\Vexadyn_Support\\":
        problems.append(f"cwd {record['cwd']!r}, line {record['line']!r}")
    return problems


def folder_targets_get_a_file_per_computer(bench):
    separator = "\\" if bench.options.wine else "/"
    os.mkdir(bench.path("share"))
    os.mkdir(bench.path("ended"))
    bench.run(["hb", "-s"], bench.native("share"))
    bench.run(["hb", "-x"], bench.native("share"))
    bench.run(["co", "-F"], bench.native("ended") + separator)
    problems = []
    for folder, count in (("share", 2), ("ended", 1)):
        names = os.listdir(bench.path(folder))
        records = read_records(bench.path(folder, names[0])) if len(names) == 1 else []
        if len(records) != count or any(not isinstance(r, dict) or names[0] != r["computer"] + ".jsonl"
                                        for r in records):
            problems.append(f"{folder} holds {names}, records {records!r:.300}")
    return problems


def a_record_that_cannot_be_written_changes_nothing(bench):
    separator = "\\" if bench.options.wine else "/"
    open(bench.path("file"), "w").close()
    targets = [bench.native("missing", "log.jsonl"), bench.native("missing") + separator,
               bench.native("file", "log.jsonl")]
    problems = []
    for args in (["hb", "-s", "--mm-address=A"], ["hb", "-x"], ["up", "-F", "-l", "C:\\fw"]):
        plain = bench.run(args)
        for target in targets:
            recorded = bench.run(args, target)
            if recorded != plain:
                problems.append(f"{args} with {target}: {recorded!r:.300}, without: {plain!r:.300}")
    if sorted(os.listdir(bench.base)) != sorted(["file", "tolvex.exe", os.path.basename(bench.program)]):
        problems.append(f"files written: {os.listdir(bench.base)}")
    return problems


PASSWORD_CALLS = [
    ["hb", "-s", "--mm-address=A", "--mm-user=U", "--mm-password=Hunt1-mm"],
    ["ac", "--proxy-address=P", "--proxy-password=Hunt2 proxy", "--proxy-port=8"],
    ["co", "--host=H", "--update-args=--user=u --password=Hunt3-upd"],
    ["up", "--update-args=--password=Hunt4-comma,--user=u,--password=Hunt5-again", "--host=H"],
    ["hb", "--mm-password", "Hunt6-bare"],
    ["hb", "-s", "--MM-Password=Hunt7-case"],
    ["hb--mm-password=Hunt8-keyword"],
    ["co", "--host=H", "--update-args", "--password=Hunt9-word"],
    ["--proxy-password", "Hunt10-first", "ac"],  # an option before the command word, its value the second word
]


def passwords_are_never_written(bench):
    for args in PASSWORD_CALLS:
        bench.run(args, bench.native("log.jsonl"), True)
    records = read_records(bench.path("log.jsonl"))
    log = open(bench.path("log.jsonl"), "rb").read() if os.path.exists(bench.path("log.jsonl")) else b""
    problems = [f"{s} is in the log" for s in re.findall(r"Hunt\d[^ ,\"]*", " ".join(sum(PASSWORD_CALLS, [])))
                if s.encode() in log]
    if len(records) != len(PASSWORD_CALLS) or b"Hunt" in log:
        problems.append(f"{len(records)} records: {log[:600]!r}")
    launched = [r.get("line") for r in records if isinstance(r, dict) and r.get("line")]
    if ["--cmm U:***@A", "--proxy :***@P:8", "--bmq u:***@H", "--bmq u:***@H"] != [
            re.search(r"--(cmm|proxy|bmq) \S+", line)[0] for line in launched if "--" in line][:4]:
        problems.append(f"launched lines {launched}")
    return problems


def runs_at_once_write_whole_lines(bench):
    runs = 200

    def one(i):
        """The statuses of run i's tries: under Wine a run that does not end 0 (a process Wine failed
        to start under load) is tried once more."""
        statuses = []
        for _ in range(2 if bench.options.wine else 1):
            statuses.append(bench.run(["hb", "-s", f"--mm-address={i}"], bench.native("log.jsonl"), tries=1)[0])
            if statuses[-1] == 0:
                break
        return statuses

    with concurrent.futures.ThreadPoolExecutor(8) as pool:
        results = list(pool.map(one, range(runs)))
    records = read_records(bench.path("log.jsonl"))
    problems = [f"run {i}: status {s}" for i, s in enumerate(results) if s[-1] != 0]
    whole = [r for r in records if isinstance(r, dict)]
    tries = sum(len(s) for s in results)
    # Every line a whole record, none more than runs were tried, and each run that ended 0 once.
    addresses = sorted(r["args"][2] for r in whole if r.get("status") == 0)
    if len(whole) != len(records) or len(records) > tries or addresses != sorted(f"--mm-address={i}" for i in range(runs)):
        problems.append(f"{len(records)} records for {tries} tries, {len(whole)} whole: {records[:3]!r:.300}")
    return problems


CHECKS = [fields_of_a_call_made_through_a_caller, folder_targets_get_a_file_per_computer,
          a_record_that_cannot_be_written_changes_nothing, passwords_are_never_written,
          runs_at_once_write_whole_lines]


def run_all(options):
    for check in CHECKS:
        bench = Bench(options)
        try:
            yield check.__name__, check(bench)
        except (OSError, KeyError, TypeError, ValueError, IndexError) as error:
            yield check.__name__, [f"{type(error).__name__}: {error}"]
        finally:
            bench.close()
