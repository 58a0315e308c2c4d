#!/usr/bin/env bash
# CI: the core and its tests cross-compiled for 64-bit Windows with mingw-w64
# and run under Wine, in a throwaway Wine prefix. Builds into
# ${BUILD_DIR:-build-mingw}; GoogleTest is built there from Debian's source
# with the same compiler.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh g++-mingw-w64-x86-64-posix wine64 googletest locales

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
