#!/usr/bin/env bash
# qmdesc watch as in: watch_test.sh QMDESC. Natively it takes inotify's notifications; given a .exe it
# runs under Wine and takes ReadDirectoryChangesW's. The renames and moves are made from this side, one
# row of the table at a time, and after each the description files are compared byte for byte with what
# the writer lays out for the descriptions expected. Then a burst of 1,000 renames, notifications the
# system drops while the watcher is stopped with SIGSTOP, and the stop signal.
set -euo pipefail
source "$(dirname "$0")/../scripts/lib.sh"
# Wine takes the names of Linux files in the locale's encoding: a UTF-8 one, as a desktop's.
export LC_ALL=C.UTF-8
exe=$(readlink -f "$1")
loader=()
if [[ $exe == *.exe ]]; then
    use_wine
    loader=("$(wine_loader_for "$exe")") || { checked; exit; }
fi
work=$(mktemp -d "$root/build/watch-test.XXXXXX")
watcher=""
trap '[ -z "$watcher" ] || kill -KILL "$watcher" 2>/dev/null; [ -n "${KEEP:-}" ] || rm -rf "$work"' EXIT
t=$work/t
# A path as the program takes it: Windows' own for the exe.
shown() { if [ ${#loader[@]} -gt 0 ]; then echo "Z:${1//\//\\}"; else echo "$1"; fi; }
q() { timeout -k 5 60 "${loader[@]}" "$exe" "$@"; }

# A description file as the writer lays it out: the folder's name and description, then a block for
# each NAME=TEXT in the order given.
layout() {
    printf '<?xml version="1.0"?>\r\n\r\n<file_description_data>\r\n\r\n<folder_name>%s</folder_name>\r\n\r\n<folder_description>\r\n%s\r\n</folder_description>\r\n\r\n' "$1" "$2"
    shift 2
    for block in "$@"; do
        printf '<file>\r\n<file_name>%s</file_name>\r\n<file_description>\r\n%s\r\n</file_description>\r\n</file>\r\n\r\n' "${block%%=*}" "${block#*=}"
    done
    printf '</file_description_data>'
}
# True when FOLDER's description file holds exactly the NAME=TEXT given, laid out as the writer lays it
# out (in the order the file has them: the folder's listing order); says what it holds otherwise.
holds() {
    local file="$1/file descriptions.desc" name folder description
    shift
    declare -A expected=()
    for block in "$@"; do expected[${block%%=*}]=${block#*=}; done
    # Names and descriptions are bytes of code page 1252 in the files: sed takes them byte for byte.
    local LC_ALL=C
    folder=$(sed -n 's/^<folder_name>\(.*\)<\/folder_name>\r$/\1/p' "$file" 2>/dev/null)
    description=$(sed -n '/^<folder_description>\r$/{n;s/\r$//;p;q}' "$file" 2>/dev/null)
    local ordered=()
    while IFS= read -r name; do
        ordered+=("$name=${expected[$name]-(none expected)}")
    done < <(sed -n 's/^<file_name>\(.*\)<\/file_name>\r$/\1/p' "$file" 2>/dev/null)
    if [ ${#ordered[@]} -eq $# ] && cmp -s <(layout "$folder" "$description" "${ordered[@]}") "$file"; then
        return 0
    fi
    echo "  $file holds: $(tr -d '\r' <"$file" 2>/dev/null | grep -A2 '<file_name>' | grep -v -- '--\|file_description' | paste -sd' ' | cut -c1-300)" >&2
    return 1
}
# Waits for the watcher to take what was done and write it: a second and a half, well past its burst.
settle() { sleep 1.5; }

mkdir -p "$t/A/sub" "$t/B" "$t/C"
for name in a.jpg b.jpg c.jpg d.jpg e.jpg f.jpg g.jpg "two words.txt" "$(printf '\xc3\xa9t\xc3\xa9 photo.jpg')" sub/deep.jpg B/x.jpg; do
    case $name in B/*) touch "$t/$name" ;; *) touch "$t/A/$name" ;; esac
done
layout X "Folder A" a.jpg=Alpha b.jpg=Beta c.jpg=Gamma d.jpg=Delta e.jpg=Epsilon f.jpg=Phi g.jpg=Gee \
    sub=Subfolder "two words.txt=Two" "$(printf '\xe9t\xe9 photo.jpg')=Summer" >"$t/A/file descriptions.desc"
layout X "Folder sub" deep.jpg=Deep >"$t/A/sub/file descriptions.desc"
layout X "Folder B" x.jpg=Ex >"$t/B/file descriptions.desc"
# G's description file is none; "Garden " is a folder Windows takes for its twin "Garden".
mkdir -p "$t/G" "$t/Garden " "$t/Garden" && touch "$t/G/p.jpg" "$t/Garden /a.jpg" "$t/Garden/a.jpg"
printf 'not a description file' >"$t/G/file descriptions.desc"
layout X "Garden with a blank" a.jpg=Apple >"$t/Garden /file descriptions.desc"
layout X "Garden" a.jpg=Apple >"$t/Garden/file descriptions.desc"
cp -r "$t/Garden" "$t/Garden " "$t/G" "$work/"

# Not under timeout, which would take the signals meant for it.
"${loader[@]}" "$exe" watch "$(shown "$t")" >"$work/out" 2>"$work/err" &
watcher=$!
for _ in $(seq 100); do grep -q '^qmdesc: watching' "$work/err" 2>/dev/null && break; sleep 0.2; done
check "watch starts and says how many folders it watches ($(head -1 "$work/err"))" \
    "$(verdict "grep -qx 'qmdesc: watching 8 folders; descriptions follow renamed and moved entries until Ctrl+C' \"\$work/err\"")"

A=$(shown "$t/A") B=$(shown "$t/B") C=$(shown "$t/C")
sep=/ && [ ${#loader[@]} -gt 0 ] && sep='\'
ete=$(printf '\xe9t\xe9 photo.jpg') aout=$(printf 'ao\xfbt.jpg')
rest=("d.jpg=Delta" "e.jpg=Epsilon" "f.jpg=Phi" "g.jpg=Gee" "two words.txt=Two" "$ete=Summer")
# A row: what it is; the shell command that renames or moves (run in $t); the lines standard output and
# standard error must gain, "¶" between lines; and the checks of the files afterwards.
rows=(
    "a rename in a folder|mv A/a.jpg A/a2.jpg|Moved the description of a.jpg to a2.jpg in $A||holds A a2.jpg=Alpha b.jpg=Beta c.jpg=Gamma sub=Subfolder \"\${rest[@]}\""
    "a folder entry renamed|mv A/sub A/sub2|Moved the description of sub to sub2 in $A||holds A a2.jpg=Alpha b.jpg=Beta c.jpg=Gamma sub2=Subfolder \"\${rest[@]}\""
    "a rename inside the renamed folder|mv A/sub2/deep.jpg A/sub2/deeper.jpg|Moved the description of deep.jpg to deeper.jpg in $A${sep}sub2||holds A/sub2 deeper.jpg=Deep"
    "a move to a folder with a description file|mv A/b.jpg B/|Moved the description of b.jpg in $A to b.jpg in $B||holds B x.jpg=Ex b.jpg=Beta && holds A a2.jpg=Alpha c.jpg=Gamma sub2=Subfolder \"\${rest[@]}\""
    "a move to a folder without one|mv A/c.jpg C/|Moved the description of c.jpg in $A to c.jpg in $C||holds C c.jpg=Gamma && holds A a2.jpg=Alpha sub2=Subfolder \"\${rest[@]}\""
    "a rename onto a described name|mv A/e.jpg A/f.jpg||qmdesc: e.jpg was renamed to f.jpg in $A, which has a description already: both stay where they are|holds A a2.jpg=Alpha sub2=Subfolder \"\${rest[@]}\""
    "a deletion|rm A/g.jpg|||holds A a2.jpg=Alpha sub2=Subfolder \"\${rest[@]}\""
    "the description file renamed and back|mv 'B/file descriptions.desc' B/kept.desc && sleep 0.8 && mv B/kept.desc 'B/file descriptions.desc'|||holds B x.jpg=Ex b.jpg=Beta"
    "a change by another program, then a rename|q set \"\$A\" 'two words.txt' Changed 2>\"\$work/set.err\"  && mv 'A/two words.txt' 'A/three words.txt'|Moved the description of two words.txt to three words.txt in $A||holds A a2.jpg=Alpha sub2=Subfolder d.jpg=Delta e.jpg=Epsilon f.jpg=Phi g.jpg=Gee 'three words.txt=Changed' \"\$ete=Summer\""
    "a name outside ASCII|mv A/été\\ photo.jpg A/août.jpg|Moved the description of été photo.jpg to août.jpg in $A||holds A a2.jpg=Alpha sub2=Subfolder d.jpg=Delta e.jpg=Epsilon f.jpg=Phi g.jpg=Gee 'three words.txt=Changed' \"\$aout=Summer\""
    "a rename in a folder made while watching|mkdir A/new && touch A/new/n.jpg && q set \"\$A${sep}new\" n.jpg Nu 2>/dev/null && sleep 0.8 && mv A/new/n.jpg A/new/n2.jpg|Moved the description of n.jpg to n2.jpg in $A${sep}new||holds A/new n2.jpg=Nu"
    "a folder moved to another watched folder, and a rename in it|mv A/sub2 B/ && sleep 0.8 && mv B/sub2/deeper.jpg B/sub2/deepest.jpg|Moved the description of sub2 in $A to sub2 in $B¶Moved the description of deeper.jpg to deepest.jpg in $B${sep}sub2||holds B x.jpg=Ex b.jpg=Beta sub2=Subfolder && holds B/sub2 deepest.jpg=Deep"
)
rows+=("a swap through a third name in one burst|mv A/d.jpg A/tmp && mv A/f.jpg A/d.jpg && mv A/tmp A/f.jpg|Moved the description of d.jpg to tmp in $A¶Moved the description of f.jpg to d.jpg in $A¶Moved the description of tmp to f.jpg in $A||holds A a2.jpg=Alpha d.jpg=Phi e.jpg=Epsilon f.jpg=Delta g.jpg=Gee 'three words.txt=Changed' \"\$aout=Summer\"")
rows+=("a move onto a described name in another folder|touch A/x.jpg && q set \"\$A\" x.jpg Other 2>/dev/null && sleep 0.8 && mv A/x.jpg B/x.jpg||qmdesc: x.jpg was moved from $A to $B${sep}x.jpg, which has a description already: both stay where they are|grep -A2 -ax '<file_name>x.jpg</file_name>.' 'A/file descriptions.desc' | grep -aqx 'Other.' && grep -A2 -ax '<file_name>x.jpg</file_name>.' 'B/file descriptions.desc' | grep -aqx 'Ex.'"
    "a move out of the watched folders|cp 'A/file descriptions.desc' \"\$work/kept\" && mv 'A/three words.txt' \"\$work/\"|||cmp -s 'A/file descriptions.desc' \"\$work/kept\"")
rows+=("a folder deleted and made again, then a rename in it|rm -r A/new && sleep 0.8 && mkdir A/new && touch A/new/k.jpg && q set \"\$A${sep}new\" k.jpg Kay 2>/dev/null && sleep 0.8 && mv A/new/k.jpg A/new/k2.jpg|Moved the description of k.jpg to k2.jpg in $A${sep}new||holds A/new k2.jpg=Kay"
    "a rename beside a file that is no description file|mv G/p.jpg G/q.jpg||qmdesc: Not a valid description file: $(shown "$t/G")${sep}file descriptions.desc|cmp -s G/'file descriptions.desc' \"\$work/G/file descriptions.desc\"")
# Windows takes "Garden " for "Garden": watch writes in neither; elsewhere it is a folder like any other.
if [ ${#loader[@]} -gt 0 ]; then
    rows+=("a rename in a folder whose name ends in a blank|mv 'Garden /a.jpg' 'Garden /b.jpg'||qmdesc: The folder $(shown "$t/Garden ") cannot be used: its name ends in a blank or a dot|cmp -s 'Garden /file descriptions.desc' \"\$work/Garden /file descriptions.desc\" && cmp -s Garden/'file descriptions.desc' \"\$work/Garden/file descriptions.desc\"")
else
    rows+=("a rename in a folder whose name ends in a blank|mv 'Garden /a.jpg' 'Garden /b.jpg'|Moved the description of a.jpg to b.jpg in $t/Garden ||holds 'Garden ' b.jpg=Apple && cmp -s Garden/'file descriptions.desc' \"\$work/Garden/file descriptions.desc\"")
fi
# Inotify pairs a move's two names; Windows reports a move between folders as a removal and an addition,
# paired by the file's identity.
rows+=("a move under a new name|mv A/d.jpg B/d2.jpg|Moved the description of d.jpg in $A to d2.jpg in $B||holds B x.jpg=Ex b.jpg=Beta sub2=Subfolder d2.jpg=Phi")
for row in "${rows[@]}"; do
    IFS='|' read -r what action outs errs files <<<"$row"
    outs=${outs//¶/$'\n'}
    out_before=$(wc -l <"$work/out") err_before=$(wc -l <"$work/err")
    (cd "$t" && eval "$action") || check "$what: the renames were made" no
    settle
    got_out=$(tail -n +$((out_before + 1)) "$work/out")
    got_err=$(tail -n +$((err_before + 1)) "$work/err")
    check "$what: prints '$outs' (got '$got_out') and on standard error '$errs' (got '$got_err')" \
        "$(verdict "[ \"\$got_out\" = \"\$outs\" ] && [ \"\$got_err\" = \"\$errs\" ]")"
    check "$what: the description files" "$(verdict "cd \"\$t\" && $files")"
done

# A burst: 1,000 renames in one folder within about a second; every description follows, once.
mkdir -p "$t/E"
(cd "$t/E" && printf 'name,description\r\n' >../e.csv && for i in $(seq 1000); do : >"f$i.jpg" && printf 'f%d.jpg,D%d\r\n' "$i" "$i" >>../e.csv; done)
q import "$(shown "$t/E")" "$(shown "$t/e.csv")" 2>/dev/null
rm "$t/e.csv"
settle
out_before=$(wc -l <"$work/out")
python3 -c 'import os; [os.rename("%s/f%d.jpg" % (os.sys.argv[1], i), "%s/g%d.jpg" % (os.sys.argv[1], i)) for i in range(1, 1001)]' "$t/E"
for _ in $(seq 40); do [ "$(tail -n +$((out_before + 1)) "$work/out" | wc -l)" -ge 1000 ] && break; sleep 0.25; done
settle
expected=()
for i in $(seq 1000); do expected+=("g$i.jpg=D$i"); done
check "a burst of 1,000 renames: each description follows, none lost or doubled" "$(verdict "holds \"\$t/E\" \"\${expected[@]}\"")"

# Notifications dropped: the watcher stopped while more renames are made than the system keeps (inotify's
# queue, 16,384 events; under Wine the folder's buffer), the described z.jpg and y.jpg renamed through
# them all. Let go on, it says so, names the folder and pairs each with its new name as the same file.
mkdir -p "$t/F" && touch "$t/F/z.jpg" "$t/F/y.jpg" && q set "$(shown "$t/F")" z.jpg Zed 2>/dev/null &&
    q set "$(shown "$t/F")" y.jpg Why 2>/dev/null
settle
err_before=$(wc -l <"$work/err")
stopped=$watcher
[ ${#loader[@]} -eq 0 ] || stopped=$(pgrep -f "$(basename "$exe") watch" | head -1)
kill -STOP "$stopped"
python3 -c 'import os, sys
d = sys.argv[1]
for first, last, through in (("z.jpg", "z2.jpg", "t"), ("y.jpg", "y2.jpg", "u")):
    names = [first] + ["%s%d.jpg" % (through, i) for i in range(6000)] + [last]
    for old, new in zip(names, names[1:]): os.rename(os.path.join(d, old), os.path.join(d, new))' "$t/F"
kill -CONT "$stopped"
dropped="qmdesc: the system dropped change notifications: renames in $(shown "$t/F") may have been missed (qmdesc check \"$(shown "$t/F")\" names the likely new names)"
for _ in $(seq 40); do grep -qxF "$dropped" "$work/err" && break; sleep 0.25; done
settle
got_err=$(tail -n +$((err_before + 1)) "$work/err")
check "dropped notifications are said, with the folder (got: $got_err)" \
    "$(verdict "grep -qxF \"\$dropped\" <<<\"\$got_err\"")"
check "after them each name that went is paired with the one that came as the same file" \
    "$(verdict "holds \"\$t/F\" z2.jpg=Zed y2.jpg=Why")"

# A second watcher on a folder inside the first one's tree: both take the rename, neither waits for the
# other for good, and the description moves once.
"${loader[@]}" "$exe" watch "$(shown "$t/A")" >"$work/out2" 2>"$work/err2" &
second=$!
for _ in $(seq 100); do grep -q '^qmdesc: watching' "$work/err2" 2>/dev/null && break; sleep 0.2; done
mv "$t/A/a2.jpg" "$t/A/a3.jpg"
settle
alive=$(kill -0 "$watcher" && kill -0 "$second" && echo yes || true)
kill -INT "$second"
wait "$second" || true
check "two watchers on one folder: both go on, the description moves once (printed: $(cat "$work/out2"))" \
    "$(verdict "[ \"\$alive\" = yes ] && [ \$(cat \"\$work/out\" \"\$work/out2\" | grep -c 'a2.jpg to a3.jpg') = 1 ] &&
        tr -d '\\r' <\"\$t/A/file descriptions.desc\" | grep -A2 -x '<file_name>a3.jpg</file_name>' | grep -qx Alpha &&
        ! grep -q '<file_name>a2.jpg<' \"\$t/A/file descriptions.desc\"")"

# The stop signal (Wine: Ctrl+C, as SIGINT becomes): exit 0, after saying so.
signal=TERM && [ ${#loader[@]} -eq 0 ] || signal=INT
kill -$signal "$watcher"
rc=0
wait "$watcher" || rc=$?
watcher=""
check "SIG$signal stops watch with exit 0 (exit $rc, last line: $(tail -1 "$work/err"))" \
    "$(verdict "[ $rc -eq 0 ] && [ \"\$(tail -1 \"\$work/err\")\" = 'qmdesc: watch stopped' ]")"
checked
