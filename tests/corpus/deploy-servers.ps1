# Firmware roll-out over the chassis of machines.txt, one server after the other.
# Exit status: the number of servers that failed (0 when all worked).
# Rückfall: a server that fails its scan is skipped and counted, the others go on.
param([string]$Repo = (Join-Path $PSScriptRoot 'repo'))

$failed = 0

function Update-Server([string]$Address, [string]$User) {
    Write-Host "updating $Address as $User"
    old-update hb -s --mm-address=$Address --mm-user=$User
    if ($LASTEXITCODE -ne 0) {
        Write-Host "  scan failed on $Address with $LASTEXITCODE"
        $script:failed++
        return
    }
    old-update.exe up -F -l $Repo -m 7X21
    Write-Host "  flash rc=$LASTEXITCODE"
}

Get-Content (Join-Path $PSScriptRoot 'machines.txt') |
    Where-Object { $_ -and -not $_.StartsWith(';') } |
    ForEach-Object {
        $address, $user = $_ -split ','
        Update-Server $address $user
    }

# the same repository once more for the drivers, in one call per line of options
old-update up -D `
    -l $Repo `
    -L
Write-Host "drivers rc=$LASTEXITCODE, failed: $failed"
exit $failed
