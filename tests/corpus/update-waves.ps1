<#
  Update waves: a pilot server first, then the rest of the farm.
  A wave stops when a server reports 4 (reboot pending).
#>
$waves = @(
    @{ Name = 'pilot'; Servers = @('srv01') },
    @{ Name = 'main'; Servers = @('srv02', 'srv03', 'srv04') }
)
$done = [System.Collections.Generic.List[string]]::new()

:waves foreach ($wave in $waves) {
    Write-Host "wave $($wave.Name)"
    foreach ($server in $wave.Servers) {
        & "$PSScriptRoot\bin\old-update.exe" up `
            -l "\\repo\fw\$server" `
            --host=$server -u
        switch ($LASTEXITCODE) {
            0 { $done.Add($server) }
            4 { Write-Host "reboot pending on $server"; break waves }
            default { Write-Host "$server failed: $LASTEXITCODE" }
        }
    }
}
Write-Host "updated: $($done -join ', ')"

# the report of each server goes to a file: the call's output is redirected, so it stays
& "$PSScriptRoot\bin\old-update.exe" co -F --xml > (Join-Path $PSScriptRoot 'report.txt')
Write-Host "report rc=$LASTEXITCODE"
# a tool in a folder with a space, which tolvex-legacy could never start tolvex.exe from
& "$PSScriptRoot\my tools\old-update.exe" co -F
Write-Host "my tools rc=$LASTEXITCODE"
old-update up -F -l 'C:\fw\wave 2' ; Write-Host "wave 2 rc=$LASTEXITCODE"
