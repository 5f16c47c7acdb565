# Shared by scripts/test and scripts/run: package installation and the Wine display.

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# install_missing <package...>: apt-get installs the packages that are not installed yet.
install_missing() {
    local missing=()
    local package
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q '^install ok installed$' || missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "== Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# Wine's OpenGL under Xvfb draws with Mesa's software driver.
build_packages=(cmake ninja-build g++ googletest libgtest-dev libgmock-dev g++-mingw-w64-x86-64-posix
                wine64 xvfb xauth x11-apps libgl1-mesa-dri libglx-mesa0)

# start_display: one Xvfb for the whole run, so Wine programs don't each start their own.
start_display() {
    [ -n "${DISPLAY:-}" ] && return 0
    local number
    for number in $(seq 90 120); do
        [ -e "/tmp/.X11-unix/X$number" ] || [ -e "/tmp/.X$number-lock" ] && continue
        Xvfb ":$number" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
        xvfb_pid=$!
        local tries
        for tries in $(seq 50); do
            [ -e "/tmp/.X11-unix/X$number" ] && break
            sleep 0.1
        done
        export DISPLAY=":$number"
        trap 'kill $xvfb_pid 2>/dev/null' EXIT
        return 0
    done
    echo "No free X display number" >&2
    return 1
}

# prepare_wine: create the project's Wine prefix once, before anything times out waiting for it.
prepare_wine() {
    export ZOV_WINEPREFIX=${ZOV_WINEPREFIX:-$repo/build/wineprefix}
    "$repo/cmake/wine-run" cmd /c exit 0 >/dev/null 2>&1 || true
}
