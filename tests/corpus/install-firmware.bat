@echo off
rem ---------------------------------------------------------------------
rem  install-firmware.bat
rem  First firmware install on a freshly racked server: fetch the bundle
rem  for its machine type, compare with what is installed, then flash.
rem  Exit code: 0 when everything went fine, else the failing step's code.
rem ---------------------------------------------------------------------
setlocal
set PATH=%~dp0bin;%PATH%
set MT=7X21
set OS=win2022
set FW=%~dp0firmware
set LOG=%~dp0logs\install.log

if not exist "%~dp0logs" mkdir "%~dp0logs"
if not exist "%FW%" mkdir "%FW%"
echo install started for %MT% >> "%LOG%"

echo step 1: fetching the latest bundle for %MT% (%OS%)
old-update acquire -l "%FW%" -m %MT% -o %OS% -L
if errorlevel 1 goto :fail
echo step 1 done, rc=%errorlevel%

echo step 2: comparing with the installed firmware
old-update compare -F -l "%FW%" -m %MT%
if %errorlevel% neq 0 (
    echo compare reported %errorlevel%, flashing anyway
)
echo step 2 done

echo step 3: flashing firmware and drivers
old-update update -F -D -l "%FW%" -m %MT% --noinventory
set RC=%errorlevel%
echo step 3 done, rc=%RC%
if %RC% neq 0 goto :fail

echo install finished >> "%LOG%"
echo install finished
exit /b 0

:fail
echo install FAILED, rc=%errorlevel%
echo install failed, rc=%errorlevel% >> "%LOG%"
exit /b %errorlevel%
