@echo off
rem Driver refresh for the workstations. The -s selection dialog is gone,
rem the option is still in the script from the old days.
setlocal
set PATH=%~dp0bin;%PATH%
set "DRV=%~dp0repo\drivers"
set MT=30BX

echo comparing the drivers
Old-Update co -D -s -l "%DRV%" -m %MT%
echo compare rc=%errorlevel%

echo installing the drivers
OLD-UPDATE.EXE up -D -s -l "%DRV%" -m %MT%
if errorlevel 3 goto :reboot
if errorlevel 1 goto :fail
echo drivers installed
goto :eof

:reboot
echo a reboot is needed, rc=%errorlevel%
old-update up -D -l "%DRV%" -m %MT% -i dd-0200 --noinventory
echo post-reboot package rc=%errorlevel%
exit /b 3010

:fail
echo driver refresh FAILED, rc=%errorlevel%
exit /b %errorlevel%
