@echo off
rem Helpdesk wrapper: without arguments it runs the standard compare,
rem otherwise it hands its arguments to the program unchanged.
setlocal
set PATH=%~dp0bin;%PATH%
set REPO=%~dp0repo

if "%~1"=="" goto :standard
old-update %*
exit /b %errorlevel%

:standard
echo standard compare
old-update co -F -D -l %REPO%
echo standard compare rc=%errorlevel%
if errorlevel 1 (
    echo asking for the full list of excluded packages
    old-update co -F -D -l %REPO% -e all
    echo full compare rc=!errorlevel!
)
echo helpdesk menu: the old keyword still in the tickets
old-update UP -F -l %REPO%
echo keyword check rc=%errorlevel%
old-update co %HELPDESK_OPTS% -l %REPO%
echo options from the ticket rc=%errorlevel%
exit /b 0
