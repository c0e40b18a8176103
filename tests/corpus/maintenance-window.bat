@echo off
rem Maintenance window for the database servers: compare, flash through
rem the management controller, verify. Called by the change ticket tool.
setlocal
set PATH=%~dp0bin;%PATH%
set REPO=%~dp0repo\db

echo compare before the window
old-update co -F -D -l %REPO% -m 7X22 && echo nothing blocks the window || echo compare reported a problem

echo flashing db01
old-update up -F -D -l %REPO% -m 7X22 ^
    --host=db01-bmc.corp.local ^
    --update-args=--backup
if %errorlevel% equ 0 (
    echo flash ok
) else if %errorlevel% equ 3 (
    echo flash needs a reboot
) else (
    echo flash failed, rc=%errorlevel%
    goto :fail
)

call old-update.exe co -F -l %REPO% -m 7X22 -i fw-0451
echo verify rc=%errorlevel%

(old-update up -D -l %REPO% --noinventory) || goto :fail
echo window closed
exit /b 0

:fail
echo maintenance FAILED
exit /b 1
