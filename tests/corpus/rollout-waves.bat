@echo off
rem Firmware rollout in three waves. Each wave compares first and flashes
rem only when the compare did not fail hard (errorlevel 2 or more).
setlocal
set PATH=%~dp0bin;%PATH%
set BASE=%~dp0repo

call :wave 7X21 "%BASE%\wave1"
if errorlevel 1 goto :stop
call :wave 7X22 "%BASE%\wave2"
if errorlevel 1 goto :stop
call :wave 7Z01 "%BASE%\wave3"
echo all waves done, rc=%errorlevel%
exit /b %errorlevel%

:stop
echo rollout stopped, rc=%errorlevel%
exit /b %errorlevel%

rem ---- :wave MACHINETYPE REPO ------------------------------------------
:wave
echo wave for %1 from %~2
old-update compare -F -m %1 -l %2
if errorlevel 2 (
    echo   compare for %1 failed, skipping the flash
    exit /b 2
)
old-update update -F -m %1 -l %2 -f fw-0451
echo   flash for %1 rc=%errorlevel%
exit /b %errorlevel%
