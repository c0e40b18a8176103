@echo off
rem Run from the USB stick in the data centre: the firmware files sit next
rem to this script, so the folder of the script is the repository.
setlocal
set PATH=%~dp0bin;%PATH%
set MT=7X21

echo comparing with the files on the stick
old-update co -F -m %MT% -l "%~dp0"
echo compare rc=%errorlevel%

echo flashing from the stick
old-update up -F -m %MT% -l "%~dp0"
echo flash rc=%errorlevel%
exit /b %errorlevel%
