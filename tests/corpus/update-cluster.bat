@echo off
rem Rolling firmware update of the cluster nodes, one node at a time.
rem Each node has its own folder under repo\cluster. Ends with 1 when a node failed.
setlocal enabledelayedexpansion
set PATH=%~dp0bin;%PATH%
set FWDIR=%~dp0repo\cluster
set FAILED=
set COUNT=0

for %%m in (node01 node02 node03 node04) do (
    set /a COUNT+=1
    set NODE_REPO=!FWDIR!\%%m
    echo [!COUNT!] updating %%m from !NODE_REPO!
    old-update up -F -l !NODE_REPO! --host=%%m.cluster.local --update-args=--backup -m 7X21
    if !errorlevel! neq 0 (
        echo     %%m failed with !errorlevel!
        set FAILED=!FAILED! %%m
    ) else (
        echo     %%m done
    )
)

if defined FAILED (
    echo failed nodes:!FAILED!
    old-update co -F -l !FWDIR! -m 7X21 -i fw-0451
    echo compare after the failure, rc=!errorlevel!
    exit /b 1
)
echo all !COUNT! nodes updated
exit /b 0
