@echo off
rem Jobs on the jump host call the program by its folder, PATH is not set
rem there. The repository sits on the share mapped by the logon script.
setlocal
set REPO=%~dp0repo\jump

echo compare from the jump host
"%~dp0bin\old-update.exe" co -F -D -l %REPO% -m 7X21
if errorlevel 1 goto :fail
echo compare rc=%errorlevel%

echo flash from the jump host
%~dp0bin\old-update up -F -l %REPO% -m 7X21 -f fw-0451 --host=jump01-bmc.corp.local
echo flash rc=%errorlevel%

echo acquire for the next run
"%~dp0bin\old-update" ac -l %REPO% -m 7X21 -o win2019 -L
exit /b %errorlevel%

:fail
echo jump host job FAILED, rc=%errorlevel%
exit /b %errorlevel%
