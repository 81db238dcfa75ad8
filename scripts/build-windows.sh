#!/usr/bin/env bash
# Cross-builds the Windows programs with MinGW-w64 into build-win/ (tests included unless
# -DSCORVANE_BUILD_TESTS=OFF is passed) and packs the portable zip:
# build-win/scorvane-<version>-win64.zip with both programs, the Qt and MinGW runtime DLLs and
# the Qt plugins they load, the README and the licence. Needs QT_MINGW_PREFIX: a Qt 6 built
# for MinGW-w64 with posix threads. Extra arguments go to CMake.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ ! -f "${QT_MINGW_PREFIX:-}/lib/cmake/Qt6/Qt6Config.cmake" ]; then
    cat >&2 <<'TEXT'
QT_MINGW_PREFIX must name a Qt 6 for MinGW-w64. Debian ships none; to build one from Debian's
own Qt source (about 50 minutes on 2 cores, as root on Debian 12):
    packaging/windows/build-qt-mingw.sh /opt/qt-mingw-6.4.2
    export QT_MINGW_PREFIX=/opt/qt-mingw-6.4.2
TEXT
    exit 2
fi
scripts/install-deps.sh --windows

build=build-win
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSCORVANE_WERROR=ON \
    -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" "$@" >/dev/null
cmake --build "$build"

version=$(sed -n 's/^project(Scorvane VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
name=scorvane-$version-win64
stage=$build/zip/$name
rm -rf "$build/zip" && mkdir -p "$stage"
cp "$build/app/scorvane.exe" "$build/cli/scorvane-cli.exe" "$stage/"

# The plugins the programs load, then every DLL that something in the folder imports and that
# Qt or MinGW provides (Windows' own DLLs are left out).
qt=$QT_MINGW_PREFIX
for plugin in platforms/qwindows tls/qschannelbackend \
    styles/qwindowsvistastyle imageformats/qgif imageformats/qico imageformats/qjpeg \
    imageformats/qsvg iconengines/qsvgicon; do
    mkdir -p "$stage/$(dirname "$plugin")"
    cp "$qt/plugins/$plugin.dll" "$stage/$plugin.dll"
done
runtime=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)")
dll_dirs=("$qt/bin" "$runtime" /usr/x86_64-w64-mingw32/lib)
while :; do
    added=0
    while read -r dll; do
        [ -e "$stage/$dll" ] && continue
        for dir in "${dll_dirs[@]}"; do
            if [ -f "$dir/$dll" ]; then
                cp "$dir/$dll" "$stage/" && added=1
                break
            fi
        done
    done < <(find "$stage" -name '*.exe' -o -name '*.dll' | xargs -n1 x86_64-w64-mingw32-objdump -p |
        sed -n 's/^\s*DLL Name: //p' | sort -u)
    [ $added -eq 0 ] && break
done
find "$stage" \( -name '*.exe' -o -name '*.dll' \) -exec x86_64-w64-mingw32-strip --strip-debug {} +

sed 's/$/\r/' README.md > "$stage/README.txt"
sed 's/$/\r/' res/text/EULA.txt > "$stage/LICENSE.txt"
rm -f "$build/$name.zip"
(cd "$build/zip" && cmake -E tar cf "../$name.zip" --format=zip "$name")
echo "$build/$name.zip"
