#!/usr/bin/env bash
# Cross-builds install.exe and its Win32 test programs with mingw-w64 and tests them under
# Wine in a fresh prefix: the installation code against the real registry and shell, a silent
# installation checked from outside, a defective script, hostile scripts (refused, nothing
# written, every run ends), and the wizard on its own Xvfb from a source folder whose name
# holds the bytes 81 and 90 (screenshots in build-mingw/screens/). Ends with
# "N passed, N failed"; non-zero on a failure.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
started=$(date +%s)
passed=0
failed=0

check() { # check NAME COMMAND...: one counted check
    local name=$1
    shift
    if "$@" > /dev/null 2>&1; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAILED: $name"
    fi
}
contains() { grep -qF -- "$2" "$1"; }

echo "-- cross build (build-mingw)"
if ! { cmake -S installer -B build-mingw -G Ninja -DCMAKE_BUILD_TYPE=Release \
         -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" -DLUMENO_WERROR=ON > /dev/null &&
       cmake --build build-mingw -j 2 > build-mingw.log 2>&1; }; then
    tail -40 build-mingw.log
    echo "installer: 0 passed, 1 failed"
    exit 1
fi
rm -f build-mingw.log
bin=$root/build-mingw/bin

tmp=$(mktemp -d /tmp/lumeno-wine.XXXXXX)
xvfb_pid=
cleanup() {
    WINEPREFIX=$tmp/prefix wineserver -k > /dev/null 2>&1 || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2> /dev/null
    rm -rf "$tmp"
}
trap cleanup EXIT

export WINEPREFIX=$tmp/prefix WINEDEBUG=-all HOME=$tmp/home
export WINEDLLOVERRIDES="winemenubuilder.exe=d;winebrowser.exe=d;mscoree,mshtml="
mkdir -p "$HOME/Desktop"
user=$(id -un)

# Our own X server on a free display, for the wizard and every message box.
exec 3> "$tmp/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp > /dev/null 2>&1 &
xvfb_pid=$!
exec 3>&-
for _ in $(seq 50); do [ -s "$tmp/display" ] && break; sleep 0.1; done
export DISPLAY=:$(cat "$tmp/display")

echo "-- wineboot (fresh prefix)"
boot_start=$(date +%s)
timeout 240 wineboot -i > /dev/null 2>&1
wineserver -w
echo "   $(($(date +%s) - boot_start)) s"

winpath() { local p=${1//\//\\}; echo "Z:$p"; } # a Unix path as Wine sees it
users=$WINEPREFIX/drive_c/users/$user
programs="$users/AppData/Roaming/Microsoft/Windows/Start Menu/Programs"

echo "-- installation code under Wine"
timeout 300 wine "$bin/installer_wine_tests.exe" > "$tmp/unit.log" 2>&1
cat "$tmp/unit.log"
summary=$(grep -E '^wine: [0-9]+ passed, [0-9]+ failed' "$tmp/unit.log" | tail -1)
if [ -n "$summary" ]; then
    passed=$((passed + $(echo "$summary" | awk '{print $2}')))
    failed=$((failed + $(echo "$summary" | awk '{print $4}')))
else
    failed=$((failed + 1))
    echo "FAILED: installer_wine_tests.exe ended without its summary"
fi

# A source folder as it is shipped: install.exe, Install.log and the files.
make_source() { # make_source DIR FOLDERLINE [PRODUCT]
    local dir=$1
    mkdir -p "$dir/sub"
    cp "$bin/install.exe" "$dir/"
    cp "$bin/wizard_driver.exe" "$dir/lumeno.exe"  # writes started.txt where it is started
    cp "$bin/wizard_driver.exe" "$dir/setup-helper.exe"
    head -c 70000 /dev/urandom > "$dir/data.bin"
    printf 'readme\r\n' > "$dir/readme.txt"
    printf 'tray' > "$dir/sub/tray.exe"
    printf 'remove' > "$dir/remove.exe"
    {
        printf 'Corvana (De)Install 2.0 - Install.log\r\n'
        printf 'Nicht ver\xe4ndern, nicht l\xf6schen!\r\n'
        printf '%s\r\n%s\r\nPDF Lumeno\r\n\r\n7\r\n' "${3:-PDF Lumeno}" "$2"
        printf 'readme.txt\r\nNEIN!\r\n'
        printf 'data.bin\r\nNEINIFNOTEXIST!\r\n'
        printf 'lumeno.exe\r\nPDF Lumeno\r\n'
        printf 'sub\\tray.exe\r\nAUTOSTART!\r\n'
        printf 'remove.exe\r\nDEINST!\r\n'
        printf 'setup-helper.exe\r\nEXEC!\r\n'
        printf 'readme.txt\r\nLies mich\r\n\r\n'
    } > "$dir/Install.log"
}

echo "-- silent installation: wine install.exe -silent"
src=$tmp/src
make_source "$src" 'C:\Programme\Lumeno'
mkdir -p "$tmp/run"
(cd "$tmp/run" && timeout 120 wine "$src/install.exe" -silent)
check "install.exe -silent exits with 0" test $? -eq 0
wineserver -w
target="$WINEPREFIX/drive_c/Program Files/Lumeno"
for f in readme.txt data.bin lumeno.exe sub/tray.exe setup-helper.exe; do
    check "silent: $f copied unchanged" cmp "$src/$f" "$target/$f"
done
check "silent: uninstaller in the Windows folder" cmp "$src/remove.exe" "$WINEPREFIX/drive_c/windows/remove.exe"
check "silent: uninstaller not in the target" test ! -e "$target/remove.exe"
timeout 60 wine reg query 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Lumeno' > "$tmp/uninst.txt" 2>&1
check "silent: DisplayName" grep -qE 'DisplayName +REG_SZ +Lumeno' "$tmp/uninst.txt"
check "silent: UninstallString" contains "$tmp/uninst.txt" 'UninstallString    REG_SZ    C:\windows\remove.exe "C:\Program Files\Lumeno\"'
timeout 60 wine reg query 'HKCU\SOFTWARE\Microsoft\Windows\CurrentVersion\Run' /v 'sub\tray.exe' > "$tmp/run.txt" 2>&1
check "silent: autostart value" contains "$tmp/run.txt" 'C:\Program Files\Lumeno\sub\tray.exe'
lnkinfo "$programs/PDF Lumeno/PDF Lumeno.lnk" > "$tmp/menu.txt" 2>&1
check "silent: start-menu shortcut target" grep -qE 'Local path.*: C:\\Program Files\\Lumeno\\lumeno.exe$' "$tmp/menu.txt"
check "silent: start-menu shortcut working folder" grep -qE 'Working directory.*: C:\\Program Files\\Lumeno\\$' "$tmp/menu.txt"
check "silent: start-menu shortcut for a non-EXE file" test -f "$programs/PDF Lumeno/Lies mich.lnk"
lnkinfo "$HOME/Desktop/PDF Lumeno.lnk" > "$tmp/desk.txt" 2>&1
check "silent: desktop shortcut target" grep -qE 'Local path.*: C:\\Program Files\\Lumeno\\lumeno.exe$' "$tmp/desk.txt"
check "silent: no desktop shortcut for a non-EXE file" test ! -e "$HOME/Desktop/Lies mich.lnk"
check "silent: EXEC! file opened" test -f "$tmp/run/started.txt"
check "silent: program not started" test ! -e "$target/started.txt"

echo "-- defective script"
bad=$tmp/bad
make_source "$bad" 'C:\Programme\LumenoDefekt'
sed -i '1s/Corvana/corvana/' "$bad/Install.log"
timeout 120 wine "$bad/install.exe" &
bad_pid=$!
timeout 120 wine "$bin/wizard_driver.exe" defect "$(winpath "$tmp/defect.log")"
wait $bad_pid
check "defective script: exit code 0" test $? -eq 0
check "defective script: message" contains "$tmp/defect.log" 'defect|Die Datei Install.log ist defekt! Die Installation muß abgebrochen werden!'
check "defective script: nothing installed" test ! -e "$WINEPREFIX/drive_c/Program Files/LumenoDefekt"

echo "-- hostile scripts: refused in silent mode, nothing written, every run ends"
# hostile NAME FOLDER GROUP FILE MARKER: a script with one entry; the four texts are printf
# formats ("\\" is one backslash, \000 a NUL byte).
hostile() {
    local dir=$tmp/hostile/$1
    mkdir -p "$dir"
    cp "$bin/install.exe" "$dir/"
    printf 'hostile' > "$dir/hostile.txt"
    {
        printf 'Corvana (De)Install 2.0 - Install.log\r\nNicht ver\xe4ndern, nicht l\xf6schen!\r\n'
        # shellcheck disable=SC2059
        printf "Hostile\r\n$2\r\n$3\r\n\r\n1\r\n$4\r\n$5\r\n\r\n"
    } > "$dir/Install.log"
}
hostile shortcut-windows Hostile Hostile hostile.txt '..\\..\\..\\windows\\hostile'
hostile shortcut-startup Hostile Hostile hostile.txt '..\\StartUp\\hostile'
hostile shortcut-nul Hostile Hostile hostile.txt '..\\..\\hostile.txt\000'
hostile shortcut-device Hostile Hostile hostile.txt 'PRN'
hostile shortcut-pipe Hostile Hostile hostile.txt 'hostile|x'
hostile group-climbs Hostile '..\\..\\..\\hostilegroup' hostile.txt Hostile
hostile group-device Hostile 'LPT1' hostile.txt Hostile
hostile folder-climbs '..\\..\\windows\\system32' Hostile hostile.txt 'NEIN!'
hostile folder-drive 'C:\\windows\\hostile' Hostile hostile.txt 'NEIN!'
hostile folder-control 'Host\001ile' Hostile hostile.txt 'NEIN!'
hostile exec-nul Hostile Hostile '..\000hostile' 'EXEC!'
hostile autostart-nul Hostile Hostile '..\000hostile' 'AUTOSTART!'
hostile deinst-subfolder Hostile Hostile 'system32\\drivers\\etc\\hosts' 'DEINST!'
hostile deinst-arguments Hostile Hostile 'hostile.exe" /S /D="x' 'DEINST!'
hostile file-aux Hostile Hostile 'AUX' 'NEIN!'
hostile file-com1 Hostile Hostile 'COM1' 'NEIN!'
hostile file-con-ext Hostile Hostile 'con.txt' 'NEIN!'
hostile file-conout Hostile Hostile 'CONOUT$' 'NEIN!'
hostile file-nul-folder Hostile Hostile 'sub\\NUL\\hostile.txt' 'NEIN!'
# Accepted: a plain DEINST! name that is a file of the Windows folder; it stays as it is.
hostile deinst-winini HostileWinIni 'NEIN!' 'win.ini' 'DEINST!'

snapshot() { # every folder, and every file with size and time, below C: and the home folder
    find "$WINEPREFIX/drive_c" "$HOME" \( -type d -printf 'd %p\n' \) -o -printf 'f %p %s %T@\n' | sort
}
wineserver -w
snapshot > "$tmp/before.txt"
cp "$WINEPREFIX/drive_c/windows/win.ini" "$tmp/win.ini"
for dir in "$tmp"/hostile/*/; do
    name=$(basename "$dir")
    if [ "$name" = deinst-winini ]; then
        timeout 30 wine "$dir/install.exe" -silent
        check "hostile $name: accepted, ends" test $? -eq 0
        continue
    fi
    timeout 30 wine "$dir/install.exe" -silent &
    pid=$!
    timeout 30 wine "$bin/wizard_driver.exe" defect "$(winpath "$tmp/hostile-$name.log")"
    wait $pid
    check "hostile $name: ends with exit code 0" test $? -eq 0
    check "hostile $name: defect message" contains "$tmp/hostile-$name.log" 'defect|Die Datei Install.log ist defekt! Die Installation muß abgebrochen werden!'
done
timeout 60 wineserver -w || wineserver -k
snapshot > "$tmp/after.txt"
# New or changed entries; the accepted script's own target folder is allowed.
comm -13 "$tmp/before.txt" "$tmp/after.txt" | grep -v "/drive_c/Program Files/HostileWinIni\\( \\|$\\)" > "$tmp/written.txt"
cat "$tmp/written.txt"
check "hostile: nothing written outside the target" test ! -s "$tmp/written.txt"
check "hostile: win.ini not replaced" cmp "$tmp/win.ini" "$WINEPREFIX/drive_c/windows/win.ini"
check "hostile: nothing registered" sh -c "! grep -qi hostile '$WINEPREFIX'/*.reg"

echo "-- wizard: fill in, install, final message, program start"
# The source folder's name holds the Windows-1252 bytes 81 and 90 (U+0081, U+0090), which
# only the system's own conversion brings back unchanged.
wsrc=$tmp/$'w\xc2\x81\xc2\x90'
make_source "$wsrc" 'C:\Programme\LumenoWizard' 'R&D && Co'
target="$WINEPREFIX/drive_c/Program Files/LumenoWizard"
mkdir -p build-mingw/screens
sync=$tmp/sync
mkdir -p "$sync"
desktop="explorer /desktop=lumeno,1024x768"
(cd "$tmp/run" && timeout 180 wine $desktop "$wsrc/install.exe" > /dev/null 2>&1) &
wizard_pid=$!
timeout 180 wine $desktop "$bin/wizard_driver.exe" install "$(winpath "$tmp/wizard.log")" "$(winpath "$sync")\\" \
    'max-mustermann@example.org' > /dev/null 2>&1 &
driver_pid=$!
waitfile() { for _ in $(seq 600); do [ -e "$1" ] && return 0; sleep 0.1; done; return 1; }
if waitfile "$sync/ready"; then
    sleep 0.5
    import -window root build-mingw/screens/wizard.png
    touch "$sync/go"
    if waitfile "$sync/final"; then
        sleep 0.5
        import -window root build-mingw/screens/final.png
    fi
    touch "$sync/go2"
fi
wait $wizard_pid $driver_pid
timeout 60 wineserver -w || wineserver -k
log=$tmp/wizard.log
touch "$log"
cat "$log"
check "wizard: outer size 520 x 491" grep -q '^wizard|520x491|' "$log"
check "wizard: title band, \"&\" drawn as it is" grep -q '^control|Static|Willkommen im Installationsprogramm von R&D && Co!|-1,-1,.*|noprefix' "$log"
check "wizard: source field with bytes 81 and 90" contains "$log" "control|Edit|$(winpath "$wsrc")\\|160,64,347,21"
check "wizard: target field" contains "$log" 'control|Edit|C:\Program Files\LumenoWizard|160,88,347,21'
check "wizard: browse button" contains "$log" 'control|Button|Durchsuchen...|160,115,120,25'
check "wizard: e-mail field has the focus" grep -q '^control|Edit||160,148,347,21|focus' "$log"
check "wizard: desktop box checked" contains "$log" 'control|Button|Symbol auf dem Desktop erzeugen|8,230,600,21|checked'
check "wizard: start box checked" contains "$log" 'control|Button|Programm nach dem Installieren starten|8,251,600,21|checked'
check "wizard: all-users box unchecked" contains "$log" 'control|Button|Symbol für alle Benutzer erzeugen|8,272,600,21|unchecked'
check "wizard: newsletter text" contains "$log" 'control|Static|Tragen Sie Ihre Email Adresse in unseren Newletter ein, um Sonderangebote und Neuigkeiten zu erhalten.|8,178,492,41'
check "wizard: info text" contains "$log" 'Systemsteuerung/"Programme und Funktion". '
check "wizard: next button" grep -qE '^control\|Button\|Weiter >\|[0-9]+,421,89,25' "$log"
check "wizard: cancel button" grep -qE '^control\|Button\|Abbrechen\|[0-9]+,421,89,25' "$log"
check "wizard: final message" contains "$log" 'final|Die Installation wurde abgeschlossen. Eine Verknüpfung wurde unter Start/Programme und auf dem Desktop angelegt. Das Programm wird nun gleich für Sie das erste Mal gestartet.'
check "wizard: ends after the final message" contains "$log" 'wizard closed'
check "wizard: program started in its own folder" grep -qi 'lumenowizard$' "$target/started.txt"
for f in readme.txt data.bin lumeno.exe sub/tray.exe; do
    check "wizard: $f copied from the 81/90 folder" cmp "$wsrc/$f" "$target/$f"
done

echo "-- wizard: Abbrechen"
cancel=$tmp/cancel
make_source "$cancel" 'C:\Programme\LumenoAbbruch'
timeout 120 wine $desktop "$cancel/install.exe" > /dev/null 2>&1 &
wizard_pid=$!
timeout 120 wine $desktop "$bin/wizard_driver.exe" cancel "$(winpath "$tmp/cancel.log")" > /dev/null 2>&1
wait $wizard_pid
timeout 60 wineserver -w || wineserver -k
touch "$tmp/cancel.log"
cat "$tmp/cancel.log"
check "cancel: question" contains "$tmp/cancel.log" 'question|Wollen Sie das Programm wirklich beenden?'
check "cancel: wizard ends" contains "$tmp/cancel.log" 'wizard closed'
check "cancel: nothing installed" test ! -e "$WINEPREFIX/drive_c/Program Files/LumenoAbbruch"

echo "installer tests under Wine took $(($(date +%s) - started)) s (screenshots: build-mingw/screens/)"
echo "installer: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
