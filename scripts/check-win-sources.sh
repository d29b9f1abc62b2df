#!/usr/bin/env bash
# Compiles the Windows files (*_win.cpp) of core, project and export with mingw-w64, syntax
# only: the native build leaves them out, and a full Windows build of the program is out of
# reach. Each file sees the include folders of its module and of the modules below it, as the
# CMake targets give them. Non-zero when one does not compile.
set -uo pipefail
cd "$(dirname "$0")/.."
cxx=${MINGW_CXX:-x86_64-w64-mingw32-g++}
if ! command -v "$cxx" > /dev/null; then
    echo "check-win-sources: $cxx is missing (scripts/install-deps.sh --tests installs it)"
    exit 1
fi
core="-Icore/include"
project="$core -Iimaging/include -Iproject/include"
export_="$project -Iimaging/bitmap/include -Iexport/include"
declare -A includes=([core]=$core [project]=$project [export]=$export_)
status=0
count=0
for module in core project export; do
    for file in "$module"/src/*_win.cpp; do
        [ -e "$file" ] || continue
        count=$((count + 1))
        # shellcheck disable=SC2086
        if ! "$cxx" -std=c++20 -fsyntax-only -Wall -Wextra -Werror -I"$module/src" \
               ${includes[$module]} "$file"; then
            echo "FAILED: $file"
            status=1
        fi
    done
done
echo "check-win-sources: $count files compiled with $cxx"
exit $status
