#!/usr/bin/env bash
# check-install.sh BUILD: checks installing from an already built tree. `cmake --install`
# into a DESTDIR with --prefix /usr and into a prefix of its own, the validators of the
# desktop file, the AppStream metainfo, the file type and the man pages, bash completion, the
# Debian package from cpack (lintian, dependencies, unpacked into a throw-away root), and the
# installed PDFLumeno opening a show as a file manager starts it through the .desktop file.
# Ends with "N passed, N failed"; non-zero on a failure.
set -uo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")
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
no_output() { [ -z "$("$@" 2>&1)" ]; } # the command says nothing at all
no_warnings() { [ -z "$("$@" 2>&1 > /dev/null)" ]; } # nothing on standard error
has_line() { grep -qE -- "$2" "$1"; }

tmp=$(mktemp -d /tmp/lumeno-install.XXXXXX)
xvfb_pid=
cleanup() {
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2> /dev/null
    rm -rf "$tmp"
}
trap cleanup EXIT
id=de.pdflumeno.PDFLumeno
gui=0
[ -x "$build/bin/PDFLumeno" ] && gui=1

# The files of an installation under ROOT (prefix included).
check_tree() { # check_tree LABEL ROOT
    local label=$1 root=$2
    local files=(bin/lumeno-export lib/pdflumeno/libpictavo.so.1 share/man/man1/lumeno-export.1.gz
        share/bash-completion/completions/lumeno-export share/doc/pdflumeno/copyright)
    if [ $gui = 1 ]; then
        files+=(bin/PDFLumeno share/applications/$id.desktop share/mime/packages/$id.xml
            share/metainfo/$id.metainfo.xml share/icons/hicolor/scalable/apps/$id.svg
            share/man/man1/PDFLumeno.1.gz)
        for s in 16 22 24 32 48 64 128 256; do
            files+=(share/icons/hicolor/${s}x$s/apps/$id.png)
        done
    fi
    for f in "${files[@]}"; do
        check "$label: $f" test -f "$root/$f"
    done
    for s in 16 48 256; do
        [ $gui = 1 ] || break
        check "$label: icon ${s} px is ${s}x${s}" has_line \
            <(file "$root/share/icons/hicolor/${s}x$s/apps/$id.png") "$s x $s"
    done
    check "$label: libpictavo has a versioned soname" has_line \
        <(readelf -d "$root/lib/pdflumeno/libpictavo.so.1") 'SONAME.*\[libpictavo\.so\.1\]'
    local p
    for p in lumeno-export PDFLumeno; do
        [ -f "$root/bin/$p" ] || continue
        check "$label: $p finds libpictavo relative to itself" has_line \
            <(readelf -d "$root/bin/$p") 'R(UN)?PATH.*\[\$ORIGIN/\.\./lib/pdflumeno\]'
        check "$label: $p resolves libpictavo in the tree" has_line \
            <(env -u LD_LIBRARY_PATH ldd "$root/bin/$p") "libpictavo\.so\.1 => $root/(bin/\.\./)?lib/pdflumeno/"
    done
    check "$label: the installed lumeno-export runs" env -u LD_LIBRARY_PATH "$root/bin/lumeno-export" --help
}

echo "-- cmake --install (DESTDIR, --prefix /usr)"
DESTDIR=$tmp/destdir cmake --install "$build" --prefix /usr > "$tmp/install.log" 2>&1
check "cmake --install with DESTDIR" test $? -eq 0
usr=$tmp/destdir/usr
check_tree "DESTDIR /usr" "$usr"
cmake --install "$build" --prefix "$tmp/opt/lumeno" > /dev/null 2>&1
check_tree "prefix of its own" "$tmp/opt/lumeno"

echo "-- validators"
if [ $gui = 1 ]; then
    check "desktop-file-validate" no_output desktop-file-validate "$usr/share/applications/$id.desktop"
    desktop=$usr/share/applications/$id.desktop
    check "desktop: Exec=PDFLumeno %f" has_line "$desktop" '^Exec=PDFLumeno %f$'
    check "desktop: file type" has_line "$desktop" '^MimeType=application/x-pdflumeno-show;$'
    for key in 'Name' 'Name\[de\]' 'Comment' 'Comment\[de\]'; do
        check "desktop: $key" has_line "$desktop" "^$key="
    done
    check "appstreamcli validate --no-net" appstreamcli validate --no-net \
        "$usr/share/metainfo/$id.metainfo.xml"
    check "metainfo: a screenshot" has_line "$usr/share/metainfo/$id.metainfo.xml" '<image[^>]*>https://'
    check "mime: well-formed" xmllint --noout "$usr/share/mime/packages/$id.xml"
    mkdir -p "$tmp/mime/packages"
    cp "$usr/share/mime/packages/$id.xml" "$tmp/mime/packages/"
    check "update-mime-database" no_output env XDG_DATA_DIRS="$tmp" update-mime-database "$tmp/mime"
    check "mime: *.lmo" has_line "$tmp/mime/globs2" ':application/x-pdflumeno-show:\*\.lmo$'
    # The magic file holds the marker's four bytes AD CD 00 00 for our type.
    check "mime: marker as magic" has_line <(od -An -c "$tmp/mime/magic" | tr -s ' ') \
        '315 \\0 \\0|x - p d f l u m e n o'
    check "mime: magic for our type" grep -qa 'application/x-pdflumeno-show' "$tmp/mime/magic"
fi
for page in "$usr"/share/man/man1/*.1.gz; do
    check "man $(basename "$page"): no warnings" no_warnings \
        env LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$page"
done
LC_ALL=C.UTF-8 MANWIDTH=200 man -l "$usr/share/man/man1/lumeno-export.1.gz" 2> /dev/null |
    col -b > "$tmp/man.txt"
check "man: English summary" has_line "$tmp/man.txt" 'export a photo slide show as one PDF file'
for option in $("$build/bin/lumeno-export" --help | grep -oE -- '--[a-z][a-z-]+' | sort -u); do
    check "man page names $option" grep -qF -- "$option" "$tmp/man.txt"
done

echo "-- bash completion"
completion() { # completion WORD...: the candidates bash offers for the last word
    bash -c 'source /usr/share/bash-completion/bash_completion
             source "$1"; shift
             PATH=$2:$PATH
             COMP_WORDS=("${@:3}"); COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
             COMP_LINE="${COMP_WORDS[*]}"; COMP_POINT=${#COMP_LINE}
             _lumeno_export lumeno-export "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD-1]}"
             printf "%s\n" "${COMPREPLY[@]}"' _ \
        "$usr/share/bash-completion/completions/lumeno-export" "$usr/bin" "$usr/bin" "$@"
}
check "completion: options from --help" has_line <(completion lumeno-export --back) '^--background$'
check "completion: --font-size" has_line <(completion lumeno-export --font) '^--font-size$'
check "completion: German colour names" test "$(completion lumeno-export --text-color Gr | sort | tr '\n' ' ')" = 'Grau Grün Grünblau '

echo "-- cpack -G DEB"
(cd "$build" && cpack -G DEB -B "$tmp/pkg") > "$tmp/cpack.log" 2>&1
check "cpack -G DEB" test $? -eq 0
deb=$(ls "$tmp"/pkg/pdflumeno_*.deb 2> /dev/null | head -1)
if [ -n "$deb" ]; then
    cp "$deb" "$build/"
    dpkg-deb -f "$deb" Depends > "$tmp/depends"
    for dep in libc6 libstdc++6 libjpeg62-turbo libpng16-16 zlib1g; do
        check "deb depends on $dep" grep -q "$dep" "$tmp/depends"
    done
    if [ $gui = 1 ]; then
        for dep in libqt6widgets6 qt6-qpa-plugins qt6-translations-l10n; do
            check "deb depends on $dep" grep -q "$dep" "$tmp/depends"
        done
    fi
    lintian --no-tag-display-limit "$deb" > "$tmp/lintian.txt" 2>&1
    check "lintian: no E: line" test -z "$(grep '^E:' "$tmp/lintian.txt")"
    grep -E '^[EW]:' "$tmp/lintian.txt" | sed 's/^/   /'
    dpkg -x "$deb" "$tmp/debroot"
    check_tree ".deb (dpkg -x)" "$tmp/debroot/usr"
    check "deb: stripped" has_line <(file "$tmp/debroot/usr/bin/lumeno-export") 'stripped$'
else
    failed=$((failed + 1))
    echo "FAILED: no .deb"
    tail -20 "$tmp/cpack.log"
fi

if [ $gui = 1 ] && command -v Xvfb > /dev/null && command -v xdotool > /dev/null; then
    echo "-- PDFLumeno started as a file manager does (Exec=PDFLumeno %f)"
    exec 3> "$tmp/display"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp > /dev/null 2>&1 &
    xvfb_pid=$!
    exec 3>&-
    for _ in $(seq 50); do [ -s "$tmp/display" ] && break; sleep 0.1; done
    photo="$tmp/Fotos mit Leerzeichen"
    mkdir -p "$photo"
    convert -size 64x48 xc:'#3366AA' "$photo/Blau.jpg"
    "$usr/bin/lumeno-export" --captions --save-show "$photo/Meine Schau.lmo" "$photo/Blau.jpg" > /dev/null 2>&1
    # Starts the installed program from the .desktop file's Exec line with FILE for %f;
    # prints the titles of the visible windows after it has settled.
    start_from_desktop() {
        local exec_line
        exec_line=$(sed -n 's/^Exec=//p' "$usr/share/applications/$id.desktop")
        local -a argv
        read -r -a argv <<< "$exec_line"
        local i
        for i in "${!argv[@]}"; do [ "${argv[$i]}" = %f ] && argv[$i]=$1; done
        DISPLAY=:$(cat "$tmp/display") PATH=$usr/bin:$PATH QT_QPA_PLATFORM=xcb \
            "${argv[@]}" > /dev/null 2>&1 &
        local pid=$!
        for _ in $(seq 100); do
            DISPLAY=:$(cat "$tmp/display") xdotool search --onlyvisible --name 'Corvana PDF Lumeno' > /dev/null 2>&1 && break
            sleep 0.1
        done
        sleep 1
        for w in $(DISPLAY=:$(cat "$tmp/display") xdotool search --onlyvisible --pid $pid --name '.' 2> /dev/null); do
            DISPLAY=:$(cat "$tmp/display") xdotool getwindowname "$w"
        done
        [ -n "${2:-}" ] && DISPLAY=:$(cat "$tmp/display") import -window root "$2" 2> /dev/null
        kill $pid 2> /dev/null
        wait $pid 2> /dev/null
    }
    mkdir -p "$build/screens"
    start_from_desktop "$photo/Meine Schau.lmo" "$build/screens/installed_opened.png" > "$tmp/windows.txt"
    check "opened: main window shown" grep -qx 'Corvana PDF Lumeno 1.0' "$tmp/windows.txt"
    check "opened: no message box" test "$(grep -cvx 'Corvana PDF Lumeno 1.0' "$tmp/windows.txt")" = 0
    # The same way with a file that is gone shows the message, so the check above sees one.
    start_from_desktop "$photo/fehlt.lmo" > "$tmp/windows-missing.txt"
    check "missing file: message box shown" grep -qx 'PDF Lumeno' "$tmp/windows-missing.txt"
fi

echo "install: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
