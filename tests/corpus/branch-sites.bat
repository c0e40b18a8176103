@echo off
rem Updates the branch-office servers listed in sites.txt (site, controller,
rem machine type). Exit code: the number of sites that failed.
setlocal enabledelayedexpansion
set PATH=%~dp0bin;%PATH%
set SHARE=%~dp0repo\branch
set ERRORS=0

for /f "usebackq skip=1 tokens=1-3" %%i in ("%~dp0sites.txt") do (
    call :site %%i %%j %%k
    if errorlevel 1 set /a ERRORS+=1
)
echo !ERRORS! site^(s^) failed
exit /b !ERRORS!

rem ---- :site NAME CONTROLLER MACHINETYPE -------------------------------
:site
echo site %1 through %2, type %3
old-update co -F -D --host=%2 -m %3 -l "%SHARE%\%1" --xml
if errorlevel 1 (
    echo   %1 compare failed, rc=!errorlevel!
    exit /b 1
)
old-update up -F -D --host=%2 -m %3 -l "%SHARE%\%1" --noinventory
echo   %1 update rc=!errorlevel!
exit /b !errorlevel!
