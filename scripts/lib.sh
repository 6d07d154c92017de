# Sourced by the scripts: what they share. Sets root, the repository's folder, and jobs, the builds'
# parallel jobs. Each script sets -euo pipefail itself.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
jobs=$(nproc)

# enter_repository: goes to the repository's folder and installs what the builds and tests need, only
# where it is missing.
enter_repository() {
    cd "$root"
    # A script started by another that entered already (scripts/test's ctest entries) installs nothing.
    [ -z "${QUILLMARK_ENTERED:-}" ] || return 0
    export QUILLMARK_ENTERED=1
    local need=() p
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        dpkg --add-architecture i386
    fi
    # The program ships as i686; the x86_64 build runs the GUI tests where the kernel cannot start 32-bit
    # processes (then wine32 cannot run). The release needs NSIS and zip; its check unzip and xwininfo.
    # qmdesc's tests read its output with Python's csv and json readers and with Chromium; its --regex
    # is Boost.Regex, header-only.
    for p in cmake g++ make file libgtest-dev libbenchmark-dev libboost1.81-dev clang libclang-rt-14-dev \
        g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine32:i386 wine64 fonts-wine xvfb xauth imagemagick gdb \
        nsis zip unzip p7zip-full x11-utils python3 chromium; do
        installed "$p" || need+=("$p")
    done
    [ ${#need[@]} -eq 0 ] || install_packages "${need[@]}"
}

# installed PACKAGE: true when dpkg has PACKAGE installed.
installed() {
    dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"
}

# apt_as_root ARG...: apt-get as root, non-interactive.
apt_as_root() {
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo=sudo
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get "$@"
}

# install_packages PACKAGE...: refreshes apt's package lists and installs PACKAGE... A mirror in mid-sync
# fails one list, or lists one architecture's libraries at newer versions than the other's; then the
# install is tried with the security suite pinned below the release for that call, and at last without
# wine32 (the tests then run the x86_64 build under 64-bit Wine). Leaves no apt setting changed.
install_packages() {
    echo "installing: $*"
    refresh_package_lists "$@" || return 1
    apt_install "$@" && return 0
    echo "warning: the install failed; trying again with the security updates pinned below the release"
    apt_install_pinned "$@" && return 0
    local rest=() p
    for p in "$@"; do [ "$p" = wine32:i386 ] || rest+=("$p"); done
    if [ ${#rest[@]} -lt $# ]; then
        echo "warning: the install failed again; installing all but wine32:i386, so 32-bit programs will not run under Wine"
        apt_install "${rest[@]}" && return 0
    fi
    echo "error: the packages could not be installed: $*" >&2
    return 1
}

# refresh_package_lists PACKAGE...: apt-get update, tried again after a short wait while it fails. A failed
# refresh is only a warning while apt has a package list (fetched now or before) for each architecture
# that PACKAGE... need; QUILLMARK_APT_WAIT sets the first wait in seconds.
refresh_package_lists() {
    local try wait=${QUILLMARK_APT_WAIT:-15} arch have p said
    for try in 1 2 3; do
        said=$(apt_as_root update -qq 2>&1) && return 0
        [ "$try" -lt 3 ] && sleep $((wait * try))
    done
    have=$(apt-get indextargets --format '$(ARCHITECTURE)' 'Identifier: Packages' 2>/dev/null | sort -u)
    for arch in $(dpkg --print-architecture) $(for p in "$@"; do [[ $p == *:* ]] && echo "${p#*:}"; done | sort -u); do
        if ! grep -qx "$arch" <<<"$have"; then
            echo "$said" >&2
            echo "error: apt-get update failed 3 times and apt has no package list for $arch: no package mirror was reached" >&2
            return 1
        fi
    done
    echo "warning: apt-get update failed 3 times (a mirror in mid-sync?); installing from the package lists apt has"
}

# apt_install [APT-OPTION...] PACKAGE...: one quiet install call, without recommended packages.
apt_install() {
    apt_as_root install -y -qq --no-install-recommends "$@" >/dev/null
}

# apt_install_pinned PACKAGE...: apt_install with the security suite below the release, through a
# preferences file of this call's own, so that the machine's settings stay as they are.
apt_install_pinned() {
    local pin rc=0
    pin=$(mktemp)
    printf 'Package: *\nPin: release l=Debian-Security\nPin-Priority: 100\n' >"$pin"
    chmod 644 "$pin"
    apt_install -o Dir::Etc::Preferences="$pin" "$@" || rc=$?
    rm -f "$pin"
    return "$rc"
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

# no_wine32: says why 32-bit Wine cannot run here (the kernel cannot start 32-bit processes, or wine32 is
# not installed); false, saying nothing, where it can.
no_wine32() {
    if ! [ -x /lib/ld-linux.so.2 ] || ! /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
        echo "this kernel cannot start 32-bit processes"
    elif ! installed wine32:i386; then
        echo "wine32:i386 is not installed"
    else
        return 1
    fi
}

# True when 32-bit Wine can run here.
can_run_wine32() {
    ! no_wine32 >/dev/null
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
# where the 32-bit one cannot run here.
wine_loader_for() {
    if file -b "$1" | grep -q 'PE32+'; then
        echo "$WINE64"
    elif can_run_wine32; then
        echo "$WINE32"
    else
        echo "$(no_wine32), so 32-bit Wine cannot run $1" >&2
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
