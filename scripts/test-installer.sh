#!/usr/bin/env bash
# Cross-builds install.exe and its Win32 test programs with mingw-w64 and tests them under
# Wine in a fresh prefix: the installation code against the real registry and shell, a silent
# installation checked from outside, a defective script, hostile scripts (each ends by itself
# with its exit code; file system, Uninstall and Run keys unchanged outside each product's own
# folders), the wizard on its own Xvfb from a source folder whose name holds the bytes 81 and
# 90 (screenshots in build-mingw/screens/), and targets the wizard refuses. Ends with
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
check "silent: autostart value, quoted" contains "$tmp/run.txt" '"C:\Program Files\Lumeno\sub\tray.exe"'
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

echo "-- hostile scripts: silent, each ends by itself with its exit code, nothing written outside"
# hostile NAME EXIT FOLDER GROUP FILE MARKER [FILE MARKER...]: a script with these entries,
# expected to end with EXIT (2 refused, 3 incomplete, 0 done); the texts are printf formats
# ("\\" is one backslash, \000 a NUL byte). The package holds hostile.txt and hostile.exe.
hostile() {
    local dir=$tmp/hostile/$1
    mkdir -p "$dir"
    cp "$bin/install.exe" "$dir/"
    printf 'hostile' > "$dir/hostile.txt"
    printf 'MZ hostile' > "$dir/hostile.exe"
    echo "$2" > "$dir/expect"
    local folder=$3 group=$4
    shift 4
    {
        printf 'Corvana (De)Install 2.0 - Install.log\r\nNicht ver\xe4ndern, nicht l\xf6schen!\r\n'
        # shellcheck disable=SC2059
        printf "Hostile\r\n$folder\r\n$group\r\n\r\n$(($# / 2))\r\n"
        while [ $# -ge 2 ]; do
            # shellcheck disable=SC2059
            printf "$1\r\n$2\r\n"
            shift 2
        done
        printf '\r\n'
    } > "$dir/Install.log"
}
hostile shortcut-windows 2 Hostile Hostile hostile.txt '..\\..\\..\\windows\\hostile'
hostile shortcut-startup 2 Hostile Hostile hostile.txt '..\\StartUp\\hostile'
hostile shortcut-nul 2 Hostile Hostile hostile.txt '..\\..\\hostile.txt\000'
hostile shortcut-device 2 Hostile Hostile hostile.txt 'PRN'
hostile shortcut-pipe 2 Hostile Hostile hostile.txt 'hostile|x'
hostile group-climbs 2 Hostile '..\\..\\..\\hostilegroup' hostile.txt Hostile
hostile group-device 2 Hostile 'LPT1' hostile.txt Hostile
hostile folder-climbs 2 '..\\..\\windows\\system32' Hostile hostile.txt 'NEIN!'
hostile folder-drive 2 'C:\\windows\\hostile' Hostile hostile.txt 'NEIN!'
hostile folder-control 2 'Host\001ile' Hostile hostile.txt 'NEIN!'
hostile exec-nul 2 Hostile Hostile '..\000hostile' 'EXEC!'
hostile autostart-nul 2 Hostile Hostile '..\000hostile' 'AUTOSTART!'
hostile deinst-subfolder 2 Hostile Hostile 'system32\\drivers\\etc\\hosts' 'DEINST!'
hostile deinst-arguments 2 Hostile Hostile 'hostile.exe" /S /D="x' 'DEINST!'
hostile file-aux 2 Hostile Hostile 'AUX' 'NEIN!'
hostile file-com1 2 Hostile Hostile 'COM1' 'NEIN!'
hostile file-con-ext 2 Hostile Hostile 'con.txt' 'NEIN!'
hostile file-conout 2 Hostile Hostile 'CONOUT$' 'NEIN!'
hostile file-nul-folder 2 Hostile Hostile 'sub\\NUL\\hostile.txt' 'NEIN!'
hostile deinst-winini 2 HostileWinIni 'NEIN!' 'win.ini' 'DEINST!'
# Shortcuts into the autostart folder.
hostile group-startup 2 Hostile 'StartUp' hostile.exe Hostile
hostile group-autostart 2 Hostile 'autostart\\x' hostile.exe Hostile
hostile group-empty-startup 2 Hostile '' hostile.exe 'StartUp\\Hostile'
hostile group-dot-startup 2 Hostile '.' hostile.exe 'StartUp\\Hostile'
# Folders that are the base folder itself (and an Uninstall entry of the Uninstall key itself).
for f in empty:'' dot:'.' blank:' ' base:'C:\\Programme\\' dots:'Hostile..' blanks:'Hostile  '; do
    hostile "folder-${f%%:*}" 2 "${f#*:}" Hostile hostile.exe 'DEINST!' hostile.exe 'AUTOSTART!'
done
hostile folder-common-files 2 'Common Files' Hostile hostile.txt 'NEIN!'
# Uninstallers: more than one, no program, a file of Windows, another product's uninstaller,
# and one whose copy fails (the only script here that writes: into its own folder).
hostile deinst-four 2 Hostile Hostile uxtheme.dll 'DEINST!' cmd.exe 'DEINST!' a.exe 'DEINST!' b.exe 'DEINST!'
hostile deinst-two 2 Hostile Hostile hostile.exe 'DEINST!' hostile2.exe 'DEINST!'
hostile deinst-windows-file 2 Hostile Hostile notepad.exe 'DEINST!'
hostile deinst-other-product 2 HostileOther Hostile otherun.exe 'DEINST!'
hostile deinst-missing 3 HostileMissing 'NEIN!' hostile.txt 'NEIN!' missing.exe 'DEINST!'
# Another program's Uninstall key (also above a nested folder), Run value and shortcuts.
hostile other-uninstall 2 OtherApp Hostile hostile.exe 'DEINST!'
hostile other-nested 2 'OtherApp\\Nested' Hostile hostile.exe 'DEINST!'
hostile other-run 2 HostileRun 'NEIN!' other.exe 'AUTOSTART!'
hostile other-menu-lnk 2 HostileMenu OtherApp hostile.txt Other
hostile other-desktop-lnk 2 HostileDesk 'NEIN!' hostile.exe Other
# Links: a destination file that is a link (replaced, never written through), the target
# folder and a folder in it that are links, and links in the package.
outside=$tmp/outside
mkdir -p "$outside/dir"
printf 'victim' > "$outside/victim.txt"
printf 'secret' > "$outside/secret.txt"
printf 'secret' > "$outside/dir/secret.txt"
pf="$WINEPREFIX/drive_c/Program Files"
hostile link-destination 0 HostileLink 'NEIN!' victim.txt 'NEIN!'
printf 'hostile' > "$tmp/hostile/link-destination/victim.txt"
mkdir -p "$pf/HostileLink" && ln -s "$outside/victim.txt" "$pf/HostileLink/victim.txt"
hostile link-target 2 HostileDirLink 'NEIN!' hostile.txt 'NEIN!'
ln -s "$outside/dir" "$pf/HostileDirLink"
hostile link-subfolder 3 HostileSubLink 'NEIN!' 'sub\\secret.txt' 'NEIN!'
mkdir -p "$pf/HostileSubLink" && ln -s "$outside/dir" "$pf/HostileSubLink/sub"
hostile link-package-file 3 HostileLeak 'NEIN!' leak.txt 'NEIN!'
ln -s "$outside/secret.txt" "$tmp/hostile/link-package-file/leak.txt"
hostile link-package-folder 3 HostileLeakDir 'NEIN!' 'sub\\secret.txt' 'NEIN!'
ln -s "$outside/dir" "$tmp/hostile/link-package-folder/sub"

# What belongs to others: an Uninstall key and its registered uninstaller, a Run value,
# a start-menu and a desktop shortcut.
printf 'MZ other' > "$WINEPREFIX/drive_c/windows/otherun.exe"
timeout 60 wine reg add 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\OtherApp' /v DisplayName /d 'Other App' /f > /dev/null 2>&1
timeout 60 wine reg add 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\OtherApp' /v UninstallString /d 'C:\windows\otherun.exe "C:\OtherApp\"' /f > /dev/null 2>&1
timeout 60 wine reg add 'HKCU\SOFTWARE\Microsoft\Windows\CurrentVersion\Run' /v other.exe /d 'C:\OtherApp\other.exe' /f > /dev/null 2>&1
mkdir -p "$programs/OtherApp"
cp "$programs/PDF Lumeno/PDF Lumeno.lnk" "$programs/OtherApp/Other.lnk"
cp "$HOME/Desktop/PDF Lumeno.lnk" "$HOME/Desktop/Other.lnk"

snapshot() { # every folder, and every file with size and time, below C: and the home folder
    find "$WINEPREFIX/drive_c" "$HOME" \( -type d -printf 'd %p\n' \) -o -printf 'f %p %s %T@\n' | sort
}
registry() { # the keys a run may write
    for key in 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall' \
               'HKCU\SOFTWARE\Microsoft\Windows\CurrentVersion\Run'; do
        timeout 60 wine reg query "$key" /s 2>&1 | tr -d '\r'
    done
}
wineserver -w
snapshot > "$tmp/before.txt"
registry > "$tmp/reg-before.txt"
cp "$WINEPREFIX/drive_c/windows/win.ini" "$tmp/win.ini"
for dir in "$tmp"/hostile/*/; do
    name=$(basename "$dir")
    expect=$(cat "$dir/expect")
    # A display is there but nobody answers: a box would wait until the timeout (exit 124).
    timeout 30 wine "$dir/install.exe" -silent "-log:$(winpath "$tmp/hostile-$name.log")"
    code=$?
    check "hostile $name: ends by itself with exit code $expect" test "$code" -eq "$expect"
    [ "$code" -eq "$expect" ] || echo "   $name: exit code $code"
done
for name in deinst-four folder-empty group-startup other-run; do
    check "hostile $name: log says refused" contains "$tmp/hostile-$name.log" 'Ergebnis: Installation abgebrochen'
done
check "hostile deinst-missing: log names the missing file" grep -q 'missing.exe: fehlt im Installationspaket' "$tmp/hostile-deinst-missing.log"
check "hostile deinst-missing: log says incomplete" grep -qa 'Ergebnis: Installation unvollst' "$tmp/hostile-deinst-missing.log"
timeout 60 wineserver -w || wineserver -k
snapshot > "$tmp/after.txt"
registry > "$tmp/reg-after.txt"
# New or changed entries; only the accepted scripts' own target folders may change.
comm -13 "$tmp/before.txt" "$tmp/after.txt" |
    grep -vE "/drive_c/Program Files/Hostile(Missing|Link|SubLink|Leak|LeakDir)( |/|$)" > "$tmp/written.txt"
cat "$tmp/written.txt"
check "hostile: nothing written outside the products' own folders" test ! -s "$tmp/written.txt"
diff "$tmp/reg-before.txt" "$tmp/reg-after.txt"
check "hostile: Uninstall and Run keys unchanged" cmp "$tmp/reg-before.txt" "$tmp/reg-after.txt"
check "hostile: win.ini not replaced" cmp "$tmp/win.ini" "$WINEPREFIX/drive_c/windows/win.ini"
check "hostile: nothing registered" sh -c "! grep -qi hostile '$WINEPREFIX'/*.reg"
check "hostile: other product's uninstaller kept" grep -q 'MZ other' "$WINEPREFIX/drive_c/windows/otherun.exe"
check "hostile: link target outside kept" grep -qx victim "$outside/victim.txt"
check "hostile: link at the destination replaced by the file" sh -c "[ ! -L '$pf/HostileLink/victim.txt' ] && grep -qx hostile '$pf/HostileLink/victim.txt'"
check "hostile: folder behind a link untouched" sh -c "[ \$(ls '$outside/dir') = secret.txt ]"
check "hostile: nothing copied out of the package's links" sh -c "[ ! -e '$pf/HostileLeak/leak.txt' ] && [ ! -e '$pf/HostileLeakDir/sub/secret.txt' ]"
check "hostile: failed uninstaller not registered" sh -c "! timeout 60 wine reg query 'HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\HostileMissing'"

echo "-- wizard: fill in, install, final message, program start"
# The silent installation's shortcuts, Run value and uninstaller go first, as its uninstaller
# would remove them: the wizard installs the same captions, Run value name and uninstaller
# for another folder, and another product's entries refuse a run.
rm -f "$programs/PDF Lumeno/"*.lnk "$HOME/Desktop/PDF Lumeno.lnk" "$WINEPREFIX/drive_c/windows/remove.exe"
timeout 60 wine reg delete 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Lumeno' /f > /dev/null 2>&1
timeout 60 wine reg delete 'HKCU\SOFTWARE\Microsoft\Windows\CurrentVersion\Run' /v 'sub\tray.exe' /f > /dev/null 2>&1
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

echo "-- wizard: targets that are no folder of the product's own"
ztarget=$tmp/ziel
make_source "$ztarget" 'C:\Programme\LumenoZiel'
startup="C:\\users\\${user}\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\StartUp"
timeout 120 wine $desktop "$ztarget/install.exe" > /dev/null 2>&1 &
wizard_pid=$!
timeout 120 wine $desktop "$bin/wizard_driver.exe" targets "$(winpath "$tmp/targets.log")" \
    'C:\' 'C:\windows' 'C:\windows\system32\Lumeno' 'C:\Program Files\..\windows\Lumeno' \
    'C:\Program Files' "$startup" '\\.\C:\Lumeno' '\\?\C:\Lumeno' > /dev/null 2>&1
wait $wizard_pid
timeout 60 wineserver -w || wineserver -k
touch "$tmp/targets.log"
cat "$tmp/targets.log"
check "targets: eight answers" test "$(grep -c '^target|' "$tmp/targets.log")" -eq 8
check "targets: every one refused" test "$(grep -c '^target|.*kann nicht installiert werden' "$tmp/targets.log")" -eq 8
check "targets: wizard ends on Abbrechen" contains "$tmp/targets.log" 'wizard closed'
check "targets: nothing installed" test ! -e "$WINEPREFIX/drive_c/Program Files/LumenoZiel"
check "targets: nothing in the autostart folder" sh -c "[ -z \"\$(ls -A '$programs/StartUp' 2>/dev/null)\" ]"

echo "installer tests under Wine took $(($(date +%s) - started)) s (screenshots: build-mingw/screens/)"
echo "installer: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
