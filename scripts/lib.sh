# Sourced by the scripts: what they share. Sets root, the repository's folder, and jobs, the builds'
# parallel jobs. Each script sets -euo pipefail itself.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
jobs=$(nproc)

# enter_repository: goes to the repository's folder and installs what the builds and tests need, only
# where it is missing.
enter_repository() {
    cd "$root"
    local need=() p
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        dpkg --add-architecture i386
    fi
    # The program ships as i686; the x86_64 build runs the GUI tests where the kernel cannot start 32-bit
    # processes (then wine32 cannot run). The release needs NSIS and zip; its check unzip and xwininfo.
    # qmdesc's tests read its output with Python's csv and json readers and with Chromium.
    for p in cmake g++ make file libgtest-dev libbenchmark-dev clang libclang-rt-14-dev \
        g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine32:i386 wine64 fonts-wine xvfb xauth imagemagick \
        nsis zip unzip p7zip-full x11-utils python3 chromium; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || need+=("$p")
    done
    [ ${#need[@]} -eq 0 ] && return 0
    echo "installing: ${need[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo=sudo
    $sudo apt-get update -qq
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
}

# tree_of PLATFORM TYPE: the build folder of one platform and build type, build/PLATFORM for
# RelWithDebInfo (the default) and build/TYPE-PLATFORM (lower case) for the others.
tree_of() {
    local type=${2,,}
    if [ "$type" = relwithdebinfo ]; then echo "$root/build/$1"; else echo "$root/build/$type-$1"; fi
}

# build PLATFORM TYPE TARGETS [CMAKE-OPTION...]: configures the tree of PLATFORM and TYPE and builds
# TARGETS in it (one word, blank-separated; "all" for everything). PLATFORM is i686 or x86_64 (mingw-w64),
# native (the host's compiler) or fuzz (clang, with libFuzzer and the sanitizers).
build() {
    local platform=$1 type=$2 targets=$3 tree options
    shift 3
    tree=$(tree_of "$platform" "$type")
    options=(-DCMAKE_BUILD_TYPE="$type")
    case $platform in
        i686 | x86_64) options+=(-DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$platform.cmake") ;;
        fuzz) options+=(-DCMAKE_CXX_COMPILER=clang++ -DQUILLMARK_FUZZ=ON) ;;
        native) ;;
        *) echo "build: no platform $platform" >&2 && return 1 ;;
    esac
    # shellcheck disable=SC2086 # targets is a list
    cmake -S "$root" -B "$tree" "${options[@]}" "$@" >/dev/null && cmake --build "$tree" --target $targets -j"$jobs"
}

# True when this kernel can start 32-bit Linux processes, which 32-bit Wine needs.
can_run_32bit() {
    [ -x /lib/ld-linux.so.2 ] && /lib/ld-linux.so.2 --version >/dev/null 2>&1
}

# use_wine [PREFIX]: exports what every Wine run here needs, with PREFIX (build/wineprefix unless given)
# set up once for headless runs, and sets WINE64, WINE32 and WINESERVER.
use_wine() {
    export WINEPREFIX=${1:-$root/build/wineprefix} WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    # The loaders themselves, not the wrapper on the PATH, which picks the 32-bit loader whenever it is
    # installed, also where this kernel cannot start it. They lie beside the real wineserver.
    local dir
    dir=${WINE_DIR:-$(dirname "$(readlink -f "$(command -v wineserver)")")}
    WINE64=$dir/wine64
    WINE32=$dir/wine
    WINESERVER=$dir/wineserver
    [ -f "$WINEPREFIX/.quillmark-ready" ] && return 0
    mkdir -p "$WINEPREFIX"
    timeout 180 "$WINE64" wineboot -i >/dev/null 2>&1
    "$WINESERVER" -w
    # A virtual desktop stands in for a window manager: without it every dialog waits for one.
    timeout 60 "$WINE64" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
    timeout 60 "$WINE64" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
    timeout 60 "$WINE64" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
    cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
    "$WINESERVER" -w
    touch "$WINEPREFIX/.quillmark-ready"
}

# wine_loader_for EXE: the loader for EXE, the 64-bit one for PE32+ and the 32-bit one otherwise; fails
# where this kernel cannot start the 32-bit one.
wine_loader_for() {
    if file -b "$1" | grep -q 'PE32+'; then
        echo "$WINE64"
    elif can_run_32bit; then
        echo "$WINE32"
    else
        echo "this kernel cannot start 32-bit processes, so 32-bit Wine cannot run $1" >&2
        return 1
    fi
}

# headless SECONDS COMMAND [ARG...]: runs COMMAND on a fresh Xvfb display within SECONDS, then ends what
# it left in the Wine server: a server left alive without its display makes later file dialogs fail.
headless() {
    local limit=$1 rc=0
    shift
    xvfb-run -a -s "-screen 0 1024x768x24" timeout -k 5 "$limit" "$@" || rc=$?
    "$WINESERVER" -k 2>/dev/null || true
    "$WINESERVER" -w
    return "$rc"
}

# wine_headless SECONDS EXE [ARG...]: runs a Windows program with headless.
wine_headless() {
    local limit=$1 exe=$2 loader
    shift 2
    loader=$(wine_loader_for "$exe") && headless "$limit" "$loader" "$exe" "$@"
}

# read_version: the program's version, MAJOR.MINOR, from resources/version.h.
read_version() {
    local major minor
    major=$(sed -n 's/^#define QUILLMARK_VERSION_MAJOR \([0-9]\+\)$/\1/p' "$root/resources/version.h")
    minor=$(sed -n 's/^#define QUILLMARK_VERSION_MINOR \([0-9]\+\)$/\1/p' "$root/resources/version.h")
    [ -n "$major" ] && [ -n "$minor" ] || { echo "no version in resources/version.h" >&2 && return 1; }
    echo "$major.$minor"
}

# make_sample_folder DIR: fills DIR with a few files and a description file for them.
make_sample_folder() {
    local dir=$1 f
    mkdir -p "$dir"
    for f in pond.jpg "shed plan.txt" tree.jpg "garden map.png" notes.txt; do
        [ -e "$dir/$f" ] || echo "sample" >"$dir/$f"
    done
    [ -e "$dir/file descriptions.desc" ] || cp "$root/tests/data/worked-example.desc" "$dir/file descriptions.desc"
}

# check WHAT VERDICT: counts one check, ok or not, and names it when it failed; verdict CONDITION says ok
# or no; checked ends with "N passed, N failed", as the tests do, and fails when one did.
passed=0
failed=0
check() {
    if [ "$2" = ok ]; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "$(basename "$0"): FAILED: $1"
    fi
}
verdict() { if eval "$1"; then echo ok; else echo no; fi; }
checked() {
    echo "$passed passed, $failed failed"
    [ "$failed" -eq 0 ]
}
