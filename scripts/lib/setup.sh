# Shared set-up for scripts/run and scripts/test; source it, do not run it.
# Defines TOLVEX_ROOT (the repository root) and the functions below.

TOLVEX_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

# Debian packages the build and the tests need.
TOLVEX_PACKAGES=(
    cmake ninja-build g++ googletest     # native build and GoogleTest sources
    g++-mingw-w64-x86-64-posix           # Windows cross compiler, windres, objdump
    wine wine64                          # runs the Windows programs
    icoutils                             # wrestool, to check the exe's resources
    python3                              # the table runners
    libcli11-dev nlohmann-json3-dev      # tolvex-migrate's command line and JSON
    patch                                # a test applies tolvex-migrate's diffs
)

# Prints the packages of "$@" that are not installed.
tolvex_missing_packages() {
    local package
    for package in "$@"; do
        if ! dpkg-query -W -f='${Status}\n' "$package" 2>/dev/null | grep -q '^install ok installed$'; then
            echo "$package"
        fi
    done
}

# Installs the missing packages of TOLVEX_PACKAGES (and of "$@", if given): apt-get
# update once, then apt-get install of just those. Does nothing when all are there.
tolvex_install_packages() {
    local missing
    missing=$(tolvex_missing_packages "${TOLVEX_PACKAGES[@]}" "$@")
    [ -z "$missing" ] && return 0
    echo "Installing:" $missing
    local sudo=""
    if [ "$(id -u)" -ne 0 ]; then
        command -v sudo >/dev/null || { echo "Installing packages needs root." >&2; return 1; }
        sudo=sudo
    fi
    # shellcheck disable=SC2086  # one word per package
    # Wait for another installer holding dpkg's lock (a second checkout's run, the machine's own
    # updates) instead of failing at once.
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 update &&
        $sudo env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 install -y $missing
}

# Configures and builds one CMake preset (host, windows) in the repository.
tolvex_build() {
    local preset=$1
    (cd "$TOLVEX_ROOT" && cmake --preset "$preset" && cmake --build --preset "$preset")
}

# Gets Wine ready for a series of short runs: creates the Wine prefix if there is none
# (the first start takes 5-7 s and prints a notice), then makes sure a wineserver runs
# that stays up for 5 s after its last client and holds no pipe of ours. Debian's Wine
# otherwise starts a server that exits with its last client, and the next run's new
# server stalls any caller that reads that run's output through a pipe for 2-3 s.
tolvex_warm_up_wine() {
    local log status
    log=$(mktemp) || return 1
    (
        export WINEDEBUG=-all
        unset TOLVEX_STANDIN_EXIT TOLVEX_STANDIN_RECORD  # the warm-up program is the stand-in
        exe=$TOLVEX_ROOT/build/windows/tolvex.exe
        # A fresh prefix sometimes fails to start a process on its first runs: one more try.
        if [ ! -d "${WINEPREFIX:-$HOME/.wine}" ]; then
            wine "$exe" || wine "$exe" || exit
            timeout 10 wineserver -w  # the server that created the prefix
        fi
        wineserver -p5  # does nothing when a server is running already
        wine "$exe" || wine "$exe"
    ) </dev/null >"$log" 2>&1
    status=$?
    if [ "$status" -ne 0 ]; then
        echo "Wine does not start programs (exit status $status):" >&2
        cat "$log" >&2
    fi
    rm -f "$log"
    return "$status"
}

# Microsoft's SARIF validator, which the tests run on tolvex-migrate's SARIF logs: installed
# from npm into build/npm (Node.js and npm from Debian when the machine has none).
TOLVEX_SARIF_MULTITOOL=$TOLVEX_ROOT/build/npm/node_modules/.bin/sarif-multitool
tolvex_install_sarif_multitool() {
    [ -x "$TOLVEX_SARIF_MULTITOOL" ] && return 0
    command -v npm >/dev/null || tolvex_install_packages nodejs npm || return 1
    npm install --prefix "$TOLVEX_ROOT/build/npm" --no-audit --no-fund @microsoft/sarif-multitool@5.7.0 &&
        [ -x "$TOLVEX_SARIF_MULTITOOL" ]
}

# A real PowerShell, which the tests run the PowerShell reader's cases and scripts in: the .NET
# tool from NuGet, installed into build/pwsh. 7.7.0, the version taken by default, does not
# install; 7.6.10 does. Where no .NET SDK exists (a plain Debian machine) it is not installed and
# returns 1: the PowerShell checks then report themselves as skipped.
TOLVEX_PWSH_VERSION=7.6.10
TOLVEX_PWSH=$TOLVEX_ROOT/build/pwsh/pwsh
tolvex_install_pwsh() {
    [ -x "$TOLVEX_PWSH" ] && return 0
    command -v dotnet >/dev/null || { echo "No .NET SDK: PowerShell is not installed." >&2; return 1; }
    DOTNET_CLI_TELEMETRY_OPTOUT=1 DOTNET_NOLOGO=1 \
        dotnet tool install PowerShell --version "$TOLVEX_PWSH_VERSION" --tool-path "$TOLVEX_ROOT/build/pwsh" &&
        [ -x "$TOLVEX_PWSH" ]
}
