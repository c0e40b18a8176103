#!/bin/sh
# Checks what a built Windows exe carries: check-exe.sh <check> <exe> <version> [product]
#   imports   the import table names only Windows system DLLs (the exe is linked
#             statically, so no libstdc++, libgcc or winpthread DLL is needed)
#   manifest  exactly one embedded manifest, requesting asInvoker
#   version   a VERSIONINFO resource with ProductName <product> (default: the exe's
#             file name without .exe) and <version>
# Needs x86_64-w64-mingw32-objdump (binutils-mingw-w64) and wrestool (icoutils).
set -u
check=$1 exe=$2 version=$3 product=${4:-$(basename "$2" .exe)}

fail() { echo "FAIL: $*" >&2; exit 1; }

case $check in
imports)
    dlls=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p') ||
        fail "cannot read the import table of $exe"
    echo "imported DLLs:" $dlls
    [ -n "$dlls" ] || fail "no imports found"
    for dll in $dlls; do
        case $(echo "$dll" | tr 'A-Z' 'a-z') in
        kernel32.dll|msvcrt.dll|user32.dll|advapi32.dll|shell32.dll|ws2_32.dll|api-ms-win-*.dll) ;;
        *) fail "$dll is not a Windows system DLL" ;;
        esac
    done
    ;;
manifest)
    count=$(wrestool -l --type=24 "$exe" | grep -c .) || true
    [ "$count" -eq 1 ] || fail "expected one manifest resource, found $count"
    manifest=$(wrestool -x --raw --type=24 "$exe") || fail "cannot extract the manifest"
    echo "$manifest"
    echo "$manifest" | grep -q 'requestedExecutionLevel[^>]*level="asInvoker"' ||
        fail "the manifest does not request asInvoker"
    ;;
version)
    # VERSIONINFO strings are UTF-16LE; dropping the NUL bytes leaves each key
    # directly followed by its value.
    info=$(wrestool -x --raw --type=16 "$exe" | tr -d '\000') || fail "cannot extract the version resource"
    [ -n "$info" ] || fail "no version resource"
    for pair in "ProductName$product" "ProductVersion$version" "FileVersion$version"; do
        echo "$info" | grep -aqF "$pair" || fail "version resource lacks $pair"
    done
    echo "version resource has ProductName $product, version $version"
    ;;
*)
    fail "unknown check $check"
    ;;
esac
