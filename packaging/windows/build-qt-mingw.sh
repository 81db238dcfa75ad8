#!/usr/bin/env bash
# Builds the Qt 6.4.2 for 64-bit Windows (MinGW-w64, posix threads, shared DLLs) that the
# Windows build uses, from Debian 12's own qt6-base source (with Debian's security patches) and
# the qtsvg 6.4.2 source beside this script. About 50 minutes on 2 cores.
#
# Usage: build-qt-mingw.sh PREFIX [WORKDIR]     (as root on Debian 12)
# Then:  export QT_MINGW_PREFIX=PREFIX and run scripts/build-windows.sh
#
# Notes from building it:
# - Debian's source lacks src/3rdparty/wintab and src/3rdparty/sqlite: tablet events and Qt SQL are off.
# - OpenGL is off (-DINPUT_opengl=no); the Qt Concurrent module is off (QThread, QThreadPool, QFuture
#   and QPromise are in Qt Core); TLS is Schannel.
# - Debian's qt6-svg source tarballs are not served by the package registry, hence the qtsvg tarball here
#   (the upstream v6.4.2 tag, examples and docs left out).
set -euo pipefail
PREFIX=${1:?usage: build-qt-mingw.sh PREFIX [WORKDIR]}
WORK=${2:-$(mktemp -d)}
HERE=$(cd "$(dirname "$0")" && pwd)
JOBS=${JOBS:-$(nproc)}

apt-get install -y mingw-w64 wine64 cmake ninja-build perl python3 qt6-base-dev qt6-base-dev-tools dpkg-dev

if ! grep -rqs "deb-src" /etc/apt/sources.list /etc/apt/sources.list.d/; then
    cat > /etc/apt/sources.list.d/debian-src.sources <<'EOF'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
    apt-get update
fi

mkdir -p "$WORK" && cd "$WORK"
apt-get source --download-only qt6-base=6.4.2+dfsg-10
tar xf qt6-base_6.4.2+dfsg.orig.tar.xz
mkdir -p debian-qt && tar xf qt6-base_6.4.2+dfsg-10.debian.tar.xz -C debian-qt
SRC=$WORK/qtbase-everywhere-src-6.4.2
for p in cve-2023-32762.diff cve-2023-32763.diff cve-2023-33285.diff cve-2023-24607.patch; do
    patch -d "$SRC" -p1 -s < "debian-qt/debian/patches/$p"
done

mkdir -p qtbase-build && cd qtbase-build
QT_MINGW_PREFIX=$PREFIX cmake -G Ninja "$SRC" \
    -DCMAKE_TOOLCHAIN_FILE="$HERE/../../cmake/mingw-w64-x86_64.cmake" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DCMAKE_INSTALL_PREFIX="$PREFIX" -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON \
    -DQT_BUILD_TESTS=OFF -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_BENCHMARKS=OFF \
    -DFEATURE_pkg_config=OFF -DFEATURE_dbus=OFF -DFEATURE_icu=OFF -DINPUT_opengl=no -DFEATURE_vulkan=OFF \
    -DFEATURE_sql=OFF -DFEATURE_testlib=OFF -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF \
    -DFEATURE_zstd=OFF -DFEATURE_brotli=OFF -DFEATURE_libproxy=OFF \
    -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_harfbuzz=OFF \
    -DFEATURE_system_freetype=OFF -DFEATURE_system_png=OFF -DFEATURE_system_jpeg=OFF \
    -DFEATURE_system_doubleconversion=OFF \
    -DFEATURE_freetype=ON -DFEATURE_harfbuzz=ON -DFEATURE_png=ON -DFEATURE_jpeg=ON \
    -DFEATURE_schannel=ON -DFEATURE_openssl=OFF -DFEATURE_tabletevent=OFF
cmake --build . --parallel "$JOBS"
cmake --install .

cd "$WORK" && tar xf "$HERE/qtsvg-everywhere-src-6.4.2.tar.xz"
mkdir -p qtsvg-build && cd qtsvg-build
"$PREFIX/bin/qt-configure-module" "$WORK/qtsvg-everywhere-src-6.4.2"
cmake --build . --parallel "$JOBS"
cmake --install .
find "$PREFIX" -name '*.dll' -exec x86_64-w64-mingw32-strip --strip-debug {} +
echo "Qt for MinGW installed in $PREFIX"
