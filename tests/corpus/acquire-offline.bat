@echo off
rem Builds the offline repository for the branch offices. Runs on the
rem admin server, which reaches the internet through the proxy only.
setlocal
set PATH=%~dp0bin;%PATH%
set REPO=%~dp0offline-repo
set PROXY=proxy.corp.local
set PROXYUSER=svc_fw
set PROXYPW=Winter2024
if not exist "%REPO%" mkdir "%REPO%"

echo fetching the latest bundles for the rack servers
old-update ac -l "%REPO%" -m 7X21,7X22 -o win2022 -L --proxy-address=%PROXY% --proxy-port=3128 --proxy-user=%PROXYUSER% --proxy-password=%PROXYPW% --xml
if errorlevel 1 goto :fail
echo rack bundles done, rc=%errorlevel%

echo fetching the two hotfixes by id
old-update ac -l "%REPO%" -i fw-0451,dd-0107 --proxy-address=%PROXY% --proxy-port=3128 -r
echo hotfixes done, rc=%errorlevel%

echo metadata only for the blade chassis
old-update acquire --local="%REPO%\blades" --machine-type=7X99 --meta-only --no-proxy -u
echo metadata done, rc=%errorlevel%

echo the lab machines ignore prerequisites
old-update ac -l "%REPO%\lab" -m 7Z01 --os=rhel8 --ignore-req --latest
if errorlevel 1 echo lab fetch failed, rc=%errorlevel%

rem copied from the compare job; the vendor says -e is for compare and update only
old-update ac -l "%REPO%" -m 7X21 -e fw-0042
echo exclude attempt rc=%errorlevel%
exit /b 0

:fail
echo acquire FAILED, rc=%errorlevel%
exit /b %errorlevel%
