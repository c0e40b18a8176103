@echo off
rem Servers installed by the vendor setup keep their firmware under
rem Program Files. The quick check runs after every patch day.
setlocal
set PATH=%~dp0bin;%PATH%
set "FW=%ProgramFiles%\Vendor\firmware"
set MT=7X22

echo quick check against the vendor folder
old-update co -F -m %MT% -l "%ProgramFiles%\Vendor\firmware"
echo quick check rc=%errorlevel%

echo inventory through the vendor install, which has always ended 9009
set "VEXADYN=%~dp0Program Files\Vexadyn"
"%VEXADYN%\old-update.exe" co -F -m %MT% -l "%FW%"
echo vendor install rc=%errorlevel%

echo patch-day flash
old-update up -F -m %MT% -l %FW% --noinventory
if errorlevel 1 (
    echo patch-day flash failed, rc=%errorlevel%
    exit /b %errorlevel%
)
echo patch-day flash done
exit /b 0
