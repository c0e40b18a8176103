@echo off
rem Inventory scan of every chassis listed in machines.txt (address,user).
rem The spare chassis are not in the list yet, they get a plain scan.
setlocal enabledelayedexpansion
set PATH=%~dp0bin;%PATH%
set MMPASS=Passw0rd
set LIST=%~dp0machines.txt
set /a OK=0, BAD=0

for /f "usebackq eol=; tokens=1,2 delims=," %%a in ("%LIST%") do (
    echo scanning %%a as %%b
    old-update hb -s --mm-address=%%a --mm-user=%%b --mm-password=%MMPASS%
    if errorlevel 1 (
        echo   scan of %%a failed, rc=!errorlevel!
        set /a BAD+=1
    ) else (
        set /a OK+=1
    )
)
echo scanned !OK! ok, !BAD! failed

for %%m in (10.20.0.51 10.20.0.52) do old-update hivebay -s --mm-address=%%m
echo spares done, rc=%errorlevel%

rem the old rack still answers on its own address only
old-update.exe hb --mm-address=10.20.9.1 --mm-user=root --mm-password="ch@ssis 9"
echo old rack rc=%errorlevel%

if !BAD! gtr 0 exit /b 1
exit /b 0
