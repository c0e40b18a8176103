#!/usr/bin/env python3
"""Writes the scan benchmark's tree: make_scan_tree.py FOLDER [--files N] [--seed S]

N scripts (default 20,000) of about 10 KB each, about 200 MB in all, in folders of 100: three in
four are batch files, one in four PowerShell scripts, and 3% of each kind call the legacy
program "old-update" a few times among ordinary commands. The same seed gives the same tree.
"""

import argparse, os, random

BATCH = [
    "@echo off", "setlocal", "set LOG=%TEMP%\\job-%RANDOM%.log", "echo Starting job on %COMPUTERNAME% >> %LOG%",
    "if not exist \"%ProgramData%\\Jobs\" mkdir \"%ProgramData%\\Jobs\"", "robocopy \\\\srv\\share\\drivers C:\\drivers /MIR /R:2",
    "for %%f in (*.inf) do pnputil /add-driver %%f", "if errorlevel 1 goto :fail", "call :log \"copy done\"",
    "xcopy /y /e \"%~dp0payload\" \"C:\\Program Files\\Vendor\\\"", "sc query wuauserv | find \"RUNNING\" >nul",
    "timeout /t 5 /nobreak >nul", "reg query HKLM\\SOFTWARE\\Vendor /v Version", "echo %DATE% %TIME% done >> %LOG%",
    ":fail", "echo failed with %errorlevel%", "exit /b %errorlevel%", "rem nightly maintenance, see the runbook",
]
POWERSHELL = [
    "$ErrorActionPreference = 'Stop'", "$log = Join-Path $env:TEMP \"job-$(Get-Random).log\"",
    "Get-ChildItem -Path C:\\drivers -Filter *.inf | ForEach-Object { pnputil /add-driver $_.FullName }",
    "if ($LASTEXITCODE -ne 0) { throw \"pnputil failed: $LASTEXITCODE\" }", "Write-Host \"Copying payload\"",
    "Copy-Item -Recurse -Force \"$PSScriptRoot\\payload\" 'C:\\Program Files\\Vendor'",
    "$svc = Get-Service -Name wuauserv; if ($svc.Status -ne 'Running') { Start-Service wuauserv }",
    "Start-Sleep -Seconds 5", "# nightly maintenance, see the runbook", "Add-Content -Path $log -Value (Get-Date)",
]
CALLS = {
    "bat": ["old-update up -F -l C:\\fw", "call \"%~dp0bin\\old-update.exe\" co -F -l \"%FW%\" && echo ok",
            "old-update hb -s --mm-address=%%m", "old-update ac -m 7X21 -L > \"%LOG%\""],
    "ps1": ["old-update.exe up -F -l C:\\fw", "& \"$PSScriptRoot\\bin\\old-update.exe\" co -F -l $fw",
            "old-update hb -s --mm-address=$m"],
}


def script(rng, kind):
    lines, size = [], 0
    calls = rng.random() < 0.03
    while size < 10_000:
        line = rng.choice(CALLS[kind]) if calls and rng.random() < 0.02 else rng.choice(BATCH if kind == "bat" else POWERSHELL)
        lines.append(line)
        size += len(line) + 2
    return "\r\n".join(lines) + "\r\n"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("folder")
    parser.add_argument("--files", type=int, default=20_000)
    parser.add_argument("--seed", type=int, default=1)
    options = parser.parse_args()
    rng = random.Random(options.seed)
    for i in range(options.files):
        kind = "ps1" if i % 4 == 3 else "bat"
        folder = os.path.join(options.folder, f"site{i // 100:03d}")
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, f"job{i:05d}.{kind}"), "w", newline="") as f:
            f.write(script(rng, kind))


if __name__ == "__main__":
    main()
