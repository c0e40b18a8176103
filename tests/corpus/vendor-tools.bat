@echo off
rem Older servers still get their updates from the vendor tool folder that
rem the setup program created next to this script ("my tools").
setlocal
set TOOLS=%~dp0my tools

echo compare with the vendor copy
"%~dp0my tools\old-update.exe" co -F -m 7X01 -l "%~dp0repo\old"
echo vendor compare rc=%errorlevel%

echo flash with the vendor copy
"%TOOLS%\old-update.exe" up -F -m 7X01 -l "%~dp0repo\old" || echo vendor flash failed
echo vendor flash rc=%errorlevel%
exit /b %errorlevel%
