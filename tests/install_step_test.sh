#!/usr/bin/env bash
# scripts/lib.sh's install step against stand-ins for apt-get, dpkg and dpkg-query on the PATH: a mirror in
# mid-sync (update exits 100), an install that fails once, one that fails while wine32 is asked for, and
# one that always fails. For each: the apt calls made, the exit status, the lines printed, and that /etc/apt
# and the temporary folder are left as they were.
set -euo pipefail
source "$(dirname "$0")/../scripts/lib.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin" "$work/tmp"

# apt-get: logs each call (and the preferences file it was given), then answers as STUB_* say. An install
# fails while fewer than STUB_INSTALL_FAILS calls came before it, and always when it names wine32 and
# STUB_NO_WINE32 is set.
cat >"$work/bin/apt-get" <<'EOF'
#!/usr/bin/env bash
echo "apt-get $*" >>"$STUB_LOG"
case $1 in
    update) exit "$STUB_UPDATE_RC" ;;
    indextargets) printf '%s\n' $STUB_LISTS ;;
    install)
        for a in "$@"; do [[ $a == Dir::Etc::Preferences=* ]] && sed 's/^/  pin: /' "${a#*=}" >>"$STUB_LOG"; done
        n=$(grep -c '^apt-get install' "$STUB_LOG")
        [ "$n" -gt "${STUB_INSTALL_FAILS:-0}" ] || exit 100
        [[ -n ${STUB_NO_WINE32:-} && " $* " == *" wine32:i386 "* ]] && exit 100
        exit 0 ;;
esac
EOF
printf '#!/bin/sh\necho amd64\n' >"$work/bin/dpkg"
printf '#!/bin/sh\nexit 1\n' >"$work/bin/dpkg-query"
printf '#!/bin/sh\nexec "$@"\n' >"$work/bin/sudo"
chmod +x "$work/bin"/*

etc_before=$(find /etc/apt -printf '%p %s %T@\n' | sort)
# run_case NAME EXPECTED-STATUS EXPECTED-CALLS EXPECTED-LINES [VAR=VALUE...]: installs two packages with the
# stand-ins set by VAR=VALUE; the calls and lines are regular expressions over the whole log and output.
run_case() {
    local name=$1 want_rc=$2 want_calls=$3 want_lines=$4 rc=0 out calls
    shift 4
    : >"$work/log"
    out=$(env PATH="$work/bin:$PATH" TMPDIR="$work/tmp" STUB_LOG="$work/log" QUILLMARK_APT_WAIT=0 \
        STUB_UPDATE_RC=0 STUB_LISTS="amd64 i386" "$@" \
        bash -c "source '$root/scripts/lib.sh' && install_packages wine32:i386 wine64" 2>&1) || rc=$?
    calls=$(cat "$work/log")
    check "$name: exit status $rc, wanted $want_rc" "$(verdict "[ $rc = $want_rc ]")"
    check "$name: apt calls $(printf '%q' "$calls")" "$(verdict "grep -Pzq '(?s)^$want_calls\$' <<<\"\$calls\"")"
    check "$name: lines printed $(printf '%q' "$out")" "$(verdict "grep -Pzq '(?s)^$want_lines\$' <<<\"\$out\"")"
    check "$name: nothing left in the temporary folder" "$(verdict "[ -z \"\$(ls -A \"\$work/tmp\")\" ]")"
}

plain='apt-get install -y -qq --no-install-recommends'
pinned="$plain -o Dir::Etc::Preferences=\\S+ wine32:i386 wine64\\n  pin: Package: \\*\\n"
pinned+="  pin: Pin: release l=Debian-Security\\n  pin: Pin-Priority: 100"
update='apt-get update -qq'
run_case "a mirror in mid-sync" 0 "$update\n$update\n$update\napt-get indextargets .*\n$plain wine32:i386 wine64\n" \
    'installing: wine32:i386 wine64\nwarning: apt-get update failed 3 times \(a mirror in mid-sync\?\); installing from the package lists apt has\n' \
    STUB_UPDATE_RC=100
run_case "no mirror reached, no i386 list" 1 "$update\n$update\n$update\napt-get indextargets .*\n" \
    'installing: .*\nerror: apt-get update failed 3 times and apt has no package list for i386: no package mirror was reached\n' \
    STUB_UPDATE_RC=100 STUB_LISTS=amd64
run_case "an install that fails once" 0 "$update\n$plain wine32:i386 wine64\n$pinned\n" \
    'installing: .*\nwarning: the install failed; trying again with the security updates pinned below the release\n' \
    STUB_INSTALL_FAILS=1
run_case "wine32 that cannot be installed" 0 "$update\n$plain wine32:i386 wine64\n$pinned\n$plain wine64\n" \
    'installing: .*\nwarning: the install failed; .*\nwarning: the install failed again; installing all but wine32:i386, so 32-bit programs will not run under Wine\n' \
    STUB_NO_WINE32=1
run_case "an install that always fails" 1 "$update\n$plain wine32:i386 wine64\n$pinned\n$plain wine64\n" \
    'installing: .*\nwarning: .*\nwarning: .*\nerror: the packages could not be installed: wine32:i386 wine64\n' \
    STUB_INSTALL_FAILS=9
check "no apt setting is left changed" "$(verdict "[ \"\$etc_before\" = \"\$(find /etc/apt -printf '%p %s %T@\n' | sort)\" ]")"
checked
