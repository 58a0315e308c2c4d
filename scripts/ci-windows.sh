#!/usr/bin/env bash
# CI: the core and its tests cross-compiled for 64-bit Windows with mingw-w64
# and run under Wine, in a throwaway Wine prefix. Builds into
# ${BUILD_DIR:-build-mingw}; GoogleTest is built there from Debian's source
# with the same compiler. Then the window program, built against the Qt for
# Windows in ${QT_MINGW_DIR:-../shared/qt6-mingw}, its NSIS installer, and
# both under Wine on a private X display; screenshots of the window and its
# file chooser go to ${SHOTS_DIR:-BUILD_DIR/window/shots}.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh g++-mingw-w64-x86-64-posix wine64 googletest locales \
                        nsis x11-xserver-utils imagemagick

build_dir=$(realpath -m "${BUILD_DIR:-build-mingw}")
toolchain=$PWD/cmake/mingw-w64-x86_64.cmake
jobs=$(nproc)

gtest_prefix=$build_dir/googletest-install
if [ ! -f "$gtest_prefix/lib/cmake/GTest/GTestConfig.cmake" ]; then
  cmake -S /usr/src/googletest -B "$build_dir/googletest" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_BUILD_TYPE=Release -DBUILD_GMOCK=OFF -DCMAKE_INSTALL_PREFIX="$gtest_prefix"
  cmake --build "$build_dir/googletest" --parallel "$jobs"
  cmake --install "$build_dir/googletest"
fi

# A throwaway Wine prefix, with one Wine server for all the test programs:
# one that stays up does not race the programs that start as it shuts down,
# and keeps the desktop process that the set-up starts, which programs
# started in parallel would otherwise each try to start. The first program
# sets the prefix up; Windows' `ver` says what Wine shows.
WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/lum-brevix-wine.XXXXXX")
export WINEPREFIX
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
trap '"$wineserver" -k 2>/dev/null || true; rm -rf "$WINEPREFIX"' EXIT
"$wineserver" -p
scripts/wine-run.sh cmd /c ver

cmake -S . -B "$build_dir/brevix" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DBREVIX_WITH_QT=OFF -DBREVIX_WERROR=ON \
      -DGTest_DIR="$gtest_prefix/lib/cmake/GTest"
cmake --build "$build_dir/brevix" --parallel "$jobs"
# Each program tells how many tests it ran, and the failures in full.
GTEST_BRIEF=1 ctest --test-dir "$build_dir/brevix" --verbose --parallel "$jobs"

qt_mingw=$(realpath -m "${QT_MINGW_DIR:-../shared/qt6-mingw}")
if [ ! -f "$qt_mingw/qt6-mingw.tar.xz" ]; then
  echo "SKIPPED: the window program for Windows and its installer: no Qt for Windows in $qt_mingw"
  exit 0
fi
# Qt for Windows, unpacked once for each version of the archive.
qt_sdk=$build_dir/qt6-mingw
qt_stamp=$qt_sdk/.$(sha256sum <"$qt_mingw/qt6-mingw.tar.xz" | cut -c1-16)
if [ ! -f "$qt_stamp" ]; then
  rm -rf "$qt_sdk" && mkdir -p "$qt_sdk"
  tar -xJf "$qt_mingw/qt6-mingw.tar.xz" -C "$qt_sdk" --strip-components=1
  touch "$qt_stamp"
fi
window_dir=$build_dir/window
# --no-zstd: that Qt reads no zstd-compressed resources. Qt's moc, uic and rcc
# are the build machine's (QT_HOST_PATH), of the same version.
cmake -S . -B "$window_dir" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release -DBREVIX_WERROR=ON \
      -DBREVIX_BUILD_TESTS=OFF -DCMAKE_PREFIX_PATH="$qt_sdk" -DQT_HOST_PATH=/usr \
      -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake -DCMAKE_AUTORCC_OPTIONS=--no-zstd \
      -DBREVIX_QT_LICENSES="$qt_mingw/LICENSES"
cmake --build "$window_dir" --parallel "$jobs"
cpack --config "$window_dir/CPackConfig.cmake" -B "$window_dir/package"
installer=$(echo "$window_dir"/package/LUM_Brevix-*-win64.exe)
echo "installer: $installer, $(stat -c %s "$installer") bytes"

# The window checks run on the installed program, between the installer's
# install and uninstall.
XVFB_SCREEN=1280x1024x24 scripts/with-xvfb.sh \
  tests/windows/installer-on-wine.sh "$PWD/scripts/wine-run.sh" "$installer" "$window_dir/installer-work" \
  tests/windows/window-on-wine.sh "$PWD/scripts/wine-run.sh" \
  "$build_dir/brevix/tests/windows/brevix_window_controls.exe" "$window_dir/window-work" \
  "${SHOTS_DIR:-$window_dir/shots}"
