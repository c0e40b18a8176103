#!/usr/bin/env python3
"""Writes usage logs as a fleet collects them, for scripts/bench-usage:

    make_usage_logs.py FOLDER [FILES] [RECORDS_PER_FILE]      (default 1,000 x 1,000)

One file per computer (COMPUTER.jsonl), each record one line in tolvex-legacy's own layout,
about 400 bytes. The calls come from 60 command lines (a few used far more than the rest), the
callers from scheduled tasks, batch files and PowerShell scripts, the times from one month; the
same seed always gives the same files.
"""

import json, os, random, sys

CALLS = ([["hb", "-s", f"--mm-address=10.0.{i}.5", "--mm-user=admin", "--mm-password=***"] for i in range(20)] +
         [["up", "-F", "-l", f"\\\\deploy\\fw\\wave{i}", "-u"] for i in range(20)] +
         [["co", "-F", "-D", "--host=bmc.example", "--update-args=--user=ops,--password=***", f"-m={i}"]
          for i in range(10)] +
         [["ac", "-m", f"7X{i:02d}", "-o", "win", "-l", "C:\\repo"] for i in range(9)] + [["hb", "-x"]])
CALLERS = [("svchost.exe", "C:\\Windows\\system32\\svchost.exe -k netsvcs -p -s Schedule"),
           ("cmd.exe", 'C:\\Windows\\system32\\cmd.exe /c ""\\\\deploy\\jobs\\nightly-firmware.bat" "'),
           ("powershell.exe", "powershell.exe -NoProfile -ExecutionPolicy Bypass -File C:\\ops\\Update-Fleet.ps1"),
           ("cmd.exe", "cmd.exe /c C:\\ops\\inventory.cmd")]


def record(rng, computer, pid):
    args = CALLS[min(int(rng.expovariate(1 / 8)), len(CALLS) - 1)]
    image, command_line = rng.choice(CALLERS)
    status = 0 if args != ["hb", "-x"] else 1
    return json.dumps({
        "time": f"2026-11-{rng.randint(1, 30):02d}T{rng.randint(0, 23):02d}:{rng.randint(0, 59):02d}:"
                f"{rng.randint(0, 59):02d}.{rng.randint(0, 999):03d}Z",
        "computer": computer, "user": f"FLEET\\svc-{computer.lower()}", "pid": pid,
        "parent": {"pid": pid - 7, "image": image, "commandLine": command_line},
        "cwd": "C:\\Windows\\system32", "args": args,
        "line": None if status else "update scan --output C:\\Vexadyn_Support\\",
        "refused": "The parameter: -x is not supported!" if status else None, "status": status,
    }, separators=(",", ":"), ensure_ascii=False)


def main():
    folder = sys.argv[1]
    files = int(sys.argv[2]) if len(sys.argv) > 2 else 1000
    per_file = int(sys.argv[3]) if len(sys.argv) > 3 else 1000
    rng = random.Random(18)
    os.makedirs(folder, exist_ok=True)
    for number in range(files):
        computer = f"PC-{number:05d}"
        with open(os.path.join(folder, computer + ".jsonl"), "w", encoding="utf-8", newline="\n") as f:
            f.write("".join(record(rng, computer, 4000 + 8 * i) + "\n" for i in range(per_file)))


if __name__ == "__main__":
    main()
