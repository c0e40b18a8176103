@echo off
rem Nightly firmware and driver update; the task scheduler starts it at 02:00
rem on every server of the farm. Exit code: 0 when all steps worked.
setlocal
set PATH=%~dp0bin;%PATH%
set REPO=%~dp0repo
set LOG=%~dp0logs\nightly.log
rem packages that broke the storage controllers last spring
set EXCL=fw-0042,dd-0107

if not exist "%~dp0logs" mkdir "%~dp0logs"
echo nightly run >> "%LOG%"

echo checking the repository
old-update.exe co -F -D -l %REPO% --xml
if errorlevel 1 goto :fail
echo compare done, rc=%errorlevel%

rem the excluded packages are kept in one variable for every site
old-update.exe up -F -D -l %REPO% -e %EXCL%
echo flash done, rc=%errorlevel%
if errorlevel 1 goto :fail

rem driver refresh: full output into the log for the morning shift
old-update.exe up -D -L -l %REPO% >> "%LOG%" 2>&1
echo driver refresh rc=%errorlevel% >> "%LOG%"
echo driver refresh rc=%errorlevel%

old-update.exe up -D -l %REPO% --noinventory && echo drivers confirmed
echo nightly done, rc=%errorlevel%
exit /b %errorlevel%

:fail
echo nightly FAILED, rc=%errorlevel%
echo nightly failed, rc=%errorlevel% >> "%LOG%"
exit /b %errorlevel%
