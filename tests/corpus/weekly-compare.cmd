@echo off
rem Weekly compliance report: what an update would change on each server
rem class. Nothing is flashed here. The summary goes to reports\summary.txt.
setlocal
set PATH=%~dp0bin;%PATH%
set REPO=%~dp0repo
set EXCL=fw-0042
set REPORT=%~dp0reports
if not exist "%REPORT%" mkdir "%REPORT%"

echo == rack servers, firmware ==
old-update co -F -l %REPO% -m 7X21 --xml
echo rack firmware rc=%errorlevel%
echo rack firmware rc=%errorlevel% >> "%REPORT%\summary.txt"

echo == rack servers, drivers, without the known bad package ==
old-update co -D -l %REPO% -m 7X21 -e %EXCL%
echo rack drivers rc=%errorlevel% >> "%REPORT%\summary.txt"

echo == blades, forced package ==
old-update compare --firmware --force=fw-0451 --local=%REPO%\blades
echo blades rc=%errorlevel% >> "%REPORT%\summary.txt"

echo == through the management controller ==
old-update co -F --host=bmc01.corp.local "--update-args=--user=admin,--password=Passw0rd"
if errorlevel 1 echo management controller compare failed, rc=%errorlevel%

echo == ESXi hosts ==
old-update co --vmware-esxi=esx01.corp.local -D -i dd-0107,dd-0111
echo esxi rc=%errorlevel% >> "%REPORT%\summary.txt"

echo == linux nodes with the override ==
old-update co -F -o rhel8 -m 7X22 --latest
echo linux rc=%errorlevel% >> "%REPORT%\summary.txt"

type "%REPORT%\summary.txt"
exit /b %errorlevel%
