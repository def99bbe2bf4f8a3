#!/usr/bin/env bash
# End-to-end checks of the cw32 program as a user runs it: exit codes, the bytes on standard
# output and standard error, the log file, plans, and non-ASCII arguments passing through the
# platform's command line.
#
# usage: run_cw32_tests.sh CW32_BINARY
# CW32_RUNNER, when set, runs the binary (the Windows build's wine-run.sh).
set -u

binary=${1:?usage: run_cw32_tests.sh CW32_BINARY}
[[ -f $binary ]] || { echo "run_cw32_tests.sh: no program at $binary" >&2; exit 2; }
binary=$(cd "$(dirname "$binary")" && pwd)/$(basename "$binary")  # the checks run in a folder of their own
runner=${CW32_RUNNER:-}
examples=$(cd "$(dirname "$0")/../../examples" && pwd)

# Wine turns the UTF-8 arguments into the wide command line by the locale's character set.
export LC_ALL=C.UTF-8
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
# A state folder of its own, so the POSIX build never touches the user's system.db.
export WINPORT_ROOT="$work/state"

failures=0
checks=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# run ARGS...: runs cw32 and sets $code, $out and $err (every byte, trailing line feeds too).
run() {
    if [[ -n $runner ]]; then
        "$runner" "$binary" "$@" >out.bin 2>err.bin
    else
        "$binary" "$@" >out.bin 2>err.bin
    fi
    code=$?
    out=$(cat out.bin; printf x)
    out=${out%x}
    err=$(cat err.bin; printf x)
    err=${err%x}
    last="cw32 $*"
}

expect_code() {
    checks=$((checks + 1))
    [[ $code == "$1" ]] || fail "$last: exit code $code, expected $1 (stderr: $err)"
}
expect_out() {
    checks=$((checks + 1))
    [[ $out == "$1" ]] || fail "$last: standard output $(printf %q "$out"), expected $(printf %q "$1")"
}
expect_err() {
    checks=$((checks + 1))
    [[ $err == "$1" ]] || fail "$last: standard error $(printf %q "$err"), expected $(printf %q "$1")"
}
expect_err_matches() {
    checks=$((checks + 1))
    [[ $err =~ $1 ]] || fail "$last: standard error $(printf %q "$err") does not match $1"
}
expect_file() {
    checks=$((checks + 1))
    local content
    content=$(cat "$1"; printf x)
    content=${content%x}
    [[ $content == "$2" ]] || fail "$1 holds $(printf %q "$content"), expected $(printf %q "$2")"
}

nl=$'\n'

# --- exit codes and usage lines
run --version
expect_code 0
[[ $out =~ ^cw32\ [0-9]+\.[0-9]+\.[0-9]+$nl$ ]] || fail "--version printed $(printf %q "$out")"

run
expect_code 2
expect_err "cw32: missing subcommand (see 'cw32 --help')$nl"

run frobnicate
expect_code 2
expect_err "cw32: unknown subcommand 'frobnicate' (see 'cw32 --help')$nl"

run --frob date
expect_code 2
expect_err "cw32: unknown option '--frob' (see 'cw32 --help')$nl"

run message abc
expect_code 2
expect_err "cw32: message: 'abc' is not a number$nl"
expect_out ""

run utf8 decode zz
expect_code 2
expect_err "cw32: utf8: 'zz' is not a list of hex bytes$nl"

run log --help
expect_code 0
[[ $out == "usage: cw32 log info|warning|error|message TEXT$nl"* ]] || fail "log --help printed $(printf %q "$out")"

# --- account names and password strength: answers on standard output, "weak" with status 1
run parse-account 'CORP\al\ice'
expect_code 0
expect_out "domain: CORP${nl}user: al\\ice$nl"
run password-strength bob 'a1b2c3'
expect_code 0
expect_out "strong$nl"
run password-strength bob 'xxbob99'
expect_code 1
expect_out "weak$nl"

# --- log lines on standard error, results on standard output
run log info hello
expect_code 0
expect_out ""
expect_err "[I] hello$nl"

run log warning careful
expect_err "[W] careful$nl"

run log error broken
expect_err "[E] broken$nl"

run log message stamped
expect_err_matches '^\[I\] [0-9]{4}/[0-9]{2}/[0-9]{2}, (0[1-9]|1[0-2]):[0-5][0-9]:[0-5][0-9]: stamped'"$nl"'$'

run writelog 'login sa/Secr3t at Secr3t' Secr3t
expect_code 0
expect_err_matches ': login sa/\*\*\*\* at \*\*\*\*'"$nl"'$'

run message 2
expect_code 0
[[ -n $out && $out == *"$nl" && $out != *$'\r'* ]] || fail "message 2 printed $(printf %q "$out")"

# --- non-ASCII text through the command line, both ways
run log info 'Grüße, € 😀'
expect_err "[I] Grüße, € 😀$nl"

run utf8 encode 'é€😀'
expect_code 0
expect_out "c3 a9 e2 82 ac f0 9f 98 80$nl"

run utf8 decode 'c3 a9 e2 82 ac f0 9f 98 80'
expect_out "é€😀$nl"

run escape --nonalpha 'ü b'
expect_out "\\ü\\ b$nl"

run unescape --separator ';' 'a\;b\\c'
expect_out "a;b\\c$nl"

# --- the log file: UTF-8, appended, and alone with --quiet
run --log install.log log info 'première'
expect_err "[I] première$nl"
run --quiet --log install.log --arg x=1 log warning 'seconde'
expect_code 0
expect_err ""
expect_file install.log "[I] première$nl[W] seconde$nl"

run --log missing-folder/x.log date
expect_code 2
expect_err "cw32: --log: cannot open 'missing-folder/x.log' for appending$nl"

# --- plans
cat > 'étapes.plan' <<'PLAN'
# An installation in three steps; the second fails.
set target "C:\Program Files\Démo"
log info "installing into $target"
message not-a-number
log info 'never reached'
PLAN
run plan 'étapes.plan'
expect_code 2
expect_err "[I] installing into C:\\Program Files\\Démo$nl"\
"cw32: message: 'not-a-number' is not a number$nl"\
"[E] étapes.plan:4: step failed with exit code 2: message not-a-number$nl"

run --log plan.log plan 'étapes.plan' --keep-going
expect_code 1
expect_file plan.log "[I] installing into C:\\Program Files\\Démo$nl"\
"[E] étapes.plan:4: step failed with exit code 2: message not-a-number$nl"\
"[I] never reached$nl"\
"[E] étapes.plan: 1 of 4 steps failed$nl"

printf 'log info one\nlog info "two\n' > broken.plan
run plan broken.plan
expect_code 2
expect_err "cw32: plan: broken.plan:2: the line ends inside double quotes$nl"

# --- the file routines: a configuration file written, rewritten and searched; a tree copied
# and removed. Paths use backslashes, which both platforms read.
crlf=$'\r\n'
run textfile write conf.ini 'host=@@HOST@@' 'pwd=@@PWD@@'
expect_code 0
expect_file conf.ini "host=@@HOST@@${crlf}pwd=@@PWD@@${crlf}"
run replace-vars conf.ini '@@HOST@@="db",@@PWD@@="S3cret"' --flags 0,16
expect_code 0
expect_file conf.ini "host=db${crlf}pwd=S3cret${crlf}"
expect_err_matches "Replaced 1 instances of '@@PWD@@' with '\*\*\*\*\*\*\*\*' in 'conf.ini'"
checks=$((checks + 1))
[[ $err == *S3cret* ]] && fail "$last: the hidden value reached the log"
# --- a failed operation: exit status 1 and a last line naming the operation, what it was
# given and the Windows error (the system's text after it differs under Wine)
mkdir -p folder.ini
printf 'k\n' >ro.ini
chmod 444 ro.ini
# expect_failures: each input line "EXPECTED|WORDS" runs cw32 WORDS (split on blanks) and
# expects exit code 1 with a last line "cw32: EXPECTED: ...".
expect_failures() {
    local expected words line
    while IFS='|' read -r expected words; do
        read -r -a argv <<<"$words"
        run "${argv[@]}"
        expect_code 1
        checks=$((checks + 1))
        line=${err%$nl}
        line=${line##*$nl}  # the last line: the routine's own log lines come before it
        # the code's text follows unless the system has none (the network codes 2100-2999)
        [[ $line == "cw32: $expected: "* || ($line == "cw32: $expected" && $expected == *" error 2"[1-9]??) ]] || fail "$last: standard error $(printf %q "$err"), expected 'cw32: $expected: ...'"
    done
}
expect_failures <<'CASES'
replace-vars 'missing.ini': error 2|replace-vars missing.ini k="v"
replace-vars 'folder.ini': error 5|replace-vars folder.ini k="v"
replace-vars 'ro.ini': error 5|replace-vars ro.ini k="v"
find 'missing.ini': error 2|find missing.ini k
find 'folder.ini': error 5|find folder.ini k
textfile write 'folder.ini': error 5|textfile write folder.ini k
reg get 'HKEY_CURRENT_USER\Software\cw32-missing': error 2|reg get HKEY_CURRENT_USER\Software\cw32-missing v
reg enum-keys 'HKEY_CURRENT_USER\Software\cw32-missing': error 2|reg enum-keys HKEY_CURRENT_USER\Software\cw32-missing
reg delete-key 'HKEY_CURRENT_USER\Software\cw32-missing': error 2|reg delete-key HKEY_CURRENT_USER\Software\cw32-missing
reg delete-value 'HKEY_CURRENT_USER\Software\cw32-missing': error 2|reg delete-value HKEY_CURRENT_USER\Software\cw32-missing v
load 'no-such-library': error 126|load no-such-library
run 'no-such-program-xyz': error 2|run no-such-program-xyz
path short 'missing-path': error 2|path short missing-path
message '4294967295' '0': error 317|message 4294967295
copy 'missing-source' 'copy-target': error 2|copy missing-source copy-target
ini get '.\missing.ini': error 2|ini get .\missing.ini s k
ini get '.\folder.ini': error 5|ini get .\folder.ini s k
product-info '{99999999-9999-9999-9999-999999999999}' 'ProductName': error 1605|product-info {99999999-9999-9999-9999-999999999999} ProductName
product-info 'not-a-code' 'ProductName': error 87|product-info not-a-code ProductName
file-version 'missing.exe': error 2|file-version missing.exe
file-version 'conf.ini': error 1006|file-version conf.ini
CASES
expect_file ro.ini "k$nl"
chmod 644 ro.ini
run replace-vars ro.ini 'junk'
expect_code 1
expect_file ro.ini "k$nl"
run replace-vars ro.ini 'k="v",x="y"' # without --flags: every pair has a 0
expect_code 0
expect_file ro.ini "v${crlf}"
run find conf.ini DB --ignore-case
expect_code 0
expect_out "1$nl"
run find missing.ini x
expect_code 1
expect_err_matches "FindStringInFile: error reading from 'missing.ini'"
run textfile append conf.ini extra
expect_code 0
expect_file conf.ini "host=db${crlf}pwd=S3cret${crlf}extra${crlf}"
run copy conf.ini 'tree\sub\conf.ini'
expect_code 0
run copy tree tree-copy
expect_code 0
expect_err_matches 'SHFileOperation return code: 0'
expect_file tree-copy/sub/conf.ini "host=db${crlf}pwd=S3cret${crlf}extra${crlf}"
run rmtree tree-copy
expect_code 0
checks=$((checks + 1))
[[ -e tree-copy ]] && fail "$last: tree-copy is still there"
run rmtree missing-folder
expect_code 0  # nothing is left there, though the log says the folder could not be listed
expect_err_matches 'ERROR Invalid handle value of missing-folder\\\*\.\*\.'

# --- services: made, configured, asked about and removed; then the failures, each ending with
# a line naming the action, the service and the Windows error. 32-bit Wine under qemu loses
# its control manager's threads (a call may never come back), so these checks skip there.
pe_machine() {  # the machine field of a PE file's header: 014c for i386, 8664 for x86_64
    local offset
    offset=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
    od -An -tx2 -j$((offset + 4)) -N2 "$1" | tr -d ' '
}
if [[ -n $runner && -n ${CW32_WINE_ON_QEMU:-} && $(pe_machine "$binary") == 014c ]]; then
    echo "cw32 end-to-end: service checks skipped under 32-bit Wine on qemu" >&2
else
    svc=cw32-e2e-$$
    while IFS='|' read -r expected_code expected_out words; do
        eval "argv=($words)"
        run "${argv[@]}"
        expect_code "$expected_code"
        expected_out=${expected_out//\\n/$nl}
        if [[ $expected_out == *'*' ]]; then  # a trailing * stands for the rest of the output
            checks=$((checks + 1))
            [[ $out == "${expected_out%'*'}"* ]] || fail "$last: standard output $(printf %q "$out")"
        else
            expect_out "$expected_out"
        fi
    done <<CASES
0||service create $svc 'C:\\Program Files\\cw32 e2e\\svc.exe' --display 'cw32 e2e $$' --description 'made by the checks'
0||service create $svc-dep 'C:\\Program Files\\cw32 e2e\\dep.exe'
0||service exists $svc
0||service add-dependency $svc $svc-dep
0||service add-dependency $svc ${svc^^}-DEP
0||service set-path $svc '"C:\\Program Files\\cw32 e2e\\svc2.exe" --flag'
0|"C:\\Program Files\\cw32 e2e\\svc2.exe" --flag\n|service get-path $svc
1|not running\n|service check $svc
1|not running\n|service check nosuch-$$
0||service stop $svc
0||service stop $svc --tree --deadline 1000
0||service disable $svc
0|type: 16 (own process)\nstart: 4 (disabled)\n*|service config $svc
0|SERVICE_START_PENDING\n|service state-name 2
0|Unknown State\n|service state-name 0x8
0||service delete $svc
2|*|service pause $svc
2|*|service exists $svc --tree
CASES
    # Windows keeps a service's dependencies; Wine's manager answers none.
    if [[ -z $runner ]]; then
        run service create "$svc" x "$svc-dep"
        run service config "$svc"
        checks=$((checks + 1))
        [[ $out == *"${nl}dependency: $svc-dep${nl}"* ]] || fail "$last: no dependency line in $(printf %q "$out")"
        run service delete "$svc"
    fi
    run service delete "$svc-dep"
    expect_code 0
    run service create "$svc-twin" x
    expect_failures <<CASES
service exists 'nosuch-$$': error 1060|service exists nosuch-$$
service delete 'nosuch-$$': error 1060|service delete nosuch-$$
service disable 'nosuch-$$': error 1060|service disable nosuch-$$
service start 'nosuch-$$': error 1060|service start nosuch-$$
service stop 'nosuch-$$': error 1060|service stop nosuch-$$ --deadline 500
service get-path 'nosuch-$$': error 1060|service get-path nosuch-$$
service config 'nosuch-$$': error 1060|service config nosuch-$$
service set-path 'nosuch-$$': error 1060|service set-path nosuch-$$ x
service create '$svc-twin': error 1073|service create $svc-twin y
service add-dependency '$svc-twin' 'nosuch-$$': error 1060|service add-dependency $svc-twin nosuch-$$
CASES
    run service delete "$svc-twin"
    expect_code 0

    # The service plan: the demo service, built beside cw32, started and stopped for real.
    program=$(dirname "$binary")/cw32-demo-service
    [[ -n $runner ]] && program="Z:${program//\//\\}.exe"  # Wine's drive Z: is the root
    cp "$examples/service.plan" service.plan
    run --arg "service_program=$program" plan service.plan
    expect_code 0
    expect_err_matches 'Expected Service Status SERVICE_RUNNING reached.*Expected Service Status SERVICE_STOPPED reached'
    run service exists cw32-demo
    expect_code 1
fi

# --- local accounts and their rights: names looked up and refused on both platforms; then an
# account made (its password from standard input only, never in any output or the log), looked
# up, granted rights, tested and removed, and the accounts plan.
run account lookup 'BUILTIN\Administrators'
expect_code 0
expect_out "sid: S-1-5-32-544${nl}domain: BUILTIN${nl}kind: alias$nl"
expect_failures <<CASES
account lookup 'nosuch-$$': error 1332|account lookup nosuch-$$
rights has 'SeBackupPrivilege' 'nosuch-$$': error 1332|rights has SeBackupPrivilege nosuch-$$
rights add-logon-service 'NOWHERE\\nosuch': error 1332|rights add-logon-service NOWHERE\\nosuch
CASES
if [[ -n $runner ]]; then
    echo "cw32 end-to-end: account and rights changes skipped under Wine: its NetUserAdd keeps an" \
        "account only inside the process that made it, and its policy stores no rights" >&2
else
    acct=cw32e2e$$
    secret='Pw-e2e-7319'
    run --log accounts.log account add "$acct" <<<"$secret"
    expect_code 0
    while IFS='|' read -r expected_code expected_out words; do
        eval "argv=($words)"
        run --log accounts.log "${argv[@]}" </dev/null
        expect_code "$expected_code"
        expected_out=${expected_out//\\n/$nl}
        if [[ $expected_out == *'*' ]]; then
            checks=$((checks + 1))
            [[ $out == ${expected_out%'*'}* ]] || fail "$last: standard output $(printf %q "$out")"
        else
            expect_out "$expected_out"
        fi
    done <<CASES
0|sid: S-1-5-21-*|account lookup $acct
1|not held\n|rights has-logon-service $acct
0||rights add-logon-service $acct
0|held\n|rights has-logon-service .\\\\$acct
0||rights add SeBackupPrivilege $acct
0|held\n|rights has SeBackupPrivilege $acct
1|not held\n|rights has sebackupprivilege $acct
0||rights add-current SeBatchLogonRight
0|held\n|rights has-current SeBatchLogonRight
CASES
    run account list
    checks=$((checks + 1))
    [[ $out == *"$nl$acct$nl"* || $out == "$acct$nl"* ]] || fail "$last: $acct is not listed"
    run account lookup "$acct"
    checks=$((checks + 1))
    [[ $out == *"${nl}kind: user$nl" ]] || fail "$last: standard output $(printf %q "$out")"
    run account add "$acct" </dev/null
    expect_code 1
    expect_err "cw32: account add '$acct': error 2224$nl"  # network texts live outside the system's table
    expect_failures <<CASES
rights add 'SeNoSuchPrivilege' '$acct': error 1313|rights add SeNoSuchPrivilege $acct
CASES
    run --log accounts.log account remove "$acct"
    expect_code 0
    run account remove "$acct"
    expect_code 1
    expect_err "cw32: account remove '$acct': error 2221$nl"
    cp "$examples/accounts.plan" accounts.plan
    printf '%s\n%s\n' "$secret" "$secret" > in.bin
    run --log accounts.log plan accounts.plan < in.bin
    expect_code 0
    checks=$((checks + 2))
    [[ $out == "sid: S-1-5-21-"*"${nl}held$nl"*"${nl}valid$nl" ]] || fail "$last: standard output $(printf %q "$out")"
    grep -q -- "$secret" accounts.log out.bin err.bin && fail "the password reached the output or the log"
fi

# --- credentials: validate by a full NTLM exchange, the password from standard input only;
# no password reaches standard output, standard error or the log
marker='Mark3r-pw-7c1e'
# with_input TEXT ARGS...: runs cw32 as run does, TEXT and a line feed on standard input.
with_input() {
    local input=$1
    shift
    printf '%s\n' "$input" > in.bin
    run "$@" < in.bin
}
no_marker() {
    checks=$((checks + 1))
    [[ $out != *"$marker"* && $err != *"$marker"* ]] || fail "$last: the password shows in its output"
}
with_input "$marker" validate CW32-NO-SUCH-DOMAIN alice
expect_code 1
expect_out ""
expect_err_matches "^cw32: validate 'CW32-NO-SUCH-DOMAIN' 'alice': error 2453"
no_marker
if [[ -z $runner ]]; then
    # winport's domains (POSIX only: Windows learns its domains from the network).
    run domain add CW32CORP '\\DC1'
    expect_code 0
    with_input "$marker" --log validate.log domain user add CW32CORP alice
    expect_code 0
    no_marker
    run domain list
    expect_out "CW32CORP \\\\DC1${nl}  CW32CORP\\alice$nl"
    with_input "$marker" --log validate.log validate cw32corp ALICE
    expect_code 0
    expect_out "valid$nl"
    with_input "not-$marker" --log validate.log validate CW32CORP alice
    expect_code 1
    expect_err "cw32: validate 'CW32CORP' 'alice': error 2148074252: The logon attempt failed$nl"
    run --arg "pw=$marker" validate CW32CORP alice --password-arg pw
    expect_code 0
    checks=$((checks + 1))
    ! grep -q "$marker" validate.log || fail "the password is in the log file"
    expect_failures <<CASES
domain add 'cw32corp': error 183|domain add cw32corp DC2
domain remove 'NOPE': error 2453|domain remove NOPE
domain user remove 'CW32CORP' 'bob': error 2221|domain user remove CW32CORP bob
domain user remove 'NOPE' 'bob': error 2453|domain user remove NOPE bob
CASES
    run domain remove CW32CORP
    expect_code 0
    run domain list
    expect_out ""
fi

# --- the demonstration plan of the README runs clean
cp "$examples/demo.plan" demo.plan
run plan demo.plan
expect_code 0
expect_err_matches '\[I\] .*\*\*\*\*'

echo "cw32 end-to-end: $checks checks, $failures failed"
[[ $failures == 0 ]]
