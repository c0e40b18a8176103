# Lists the commands PowerShell's own parser finds in every *.ps1 file of a folder, for
# powershell_parser.py: one JSON line a file, in name order,
#   {"file": NAME, "errors": [OFFSET, ...], "commands": [{"name", "offset", "end", "op", "kind"}, ...]}
# where offset is where the command's first element starts and end where the command ends, in
# UTF-16 code units from the start of the text, name is GetCommandName() (or the text of an expandable string in command position,
# which names a program with a variable in its folder, or of a variable run by & or ., such as $env:ComSpec), op is the invocation operator (Ampersand,
# Dot, Unknown) and kind the first element's syntax-tree type.
param([Parameter(Mandatory)][string]$Folder)

$utf8 = [System.Text.UTF8Encoding]::new($false)
foreach ($file in Get-ChildItem -LiteralPath $Folder -Filter *.ps1 | Sort-Object Name) {
    $text = [System.IO.File]::ReadAllText($file.FullName, $utf8)
    $tokens = $null
    $errors = $null
    $ast = [System.Management.Automation.Language.Parser]::ParseInput($text, [ref]$tokens, [ref]$errors)
    $commands = foreach ($command in $ast.FindAll({ $args[0] -is [System.Management.Automation.Language.CommandAst] }, $true)) {
        $first = $command.CommandElements[0]
        $name = $command.GetCommandName()
        if ($null -eq $name -and $first -is [System.Management.Automation.Language.ExpandableStringExpressionAst]) {
            $name = $first.Value
        }
        if ($null -eq $name -and $first -is [System.Management.Automation.Language.VariableExpressionAst]) {
            $name = $first.Extent.Text
        }
        [ordered]@{ name = $name; offset = $first.Extent.StartOffset; end = $command.Extent.EndOffset
                    op = "$($command.InvocationOperator)"; kind = $first.GetType().Name }
    }
    $line = [ordered]@{ file = $file.Name; errors = @($errors | ForEach-Object { $_.Extent.StartOffset })
                        commands = @($commands) }
    [Console]::Out.WriteLine((ConvertTo-Json -InputObject $line -Compress -Depth 4))
}
