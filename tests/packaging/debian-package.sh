#!/usr/bin/env bash
# Builds the Debian package with CPack and checks it with dpkg-deb: its
# fields, the dependencies found from the programs' shared libraries,
# exactly the files it installs, and its changelog. The package stays in
# OUT_DIR for lintian.sh.
# Usage: debian-package.sh CPACK BUILD_DIR OUT_DIR APP_ID VERSION PROGRAM...
set -euo pipefail
cpack=$1 build=$2 out=$3 app_id=$4 version=$5
shift 5
programs=("$@")

fail() { echo "FAIL: $*" >&2; exit 1; }

rm -rf "$out"
"$cpack" --config "$build/CPackConfig.cmake" -B "$out" >/dev/null
package=$(find "$out" -maxdepth 1 -name '*.deb')
[ "$(printf '%s\n' "$package" | grep -c .)" -eq 1 ] || fail "not one .deb in $out: $package"

field() { dpkg-deb --field "$package" "$1"; }
[ "$(field Package)" = lum-brevix ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version), not $version"
[ "$(field Architecture)" = "$(dpkg --print-architecture)" ] || fail "Architecture: $(field Architecture)"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"

# The dependencies come from the libraries the programs really link.
depends=$(field Depends)
echo "Depends: $depends"
for library in libqt6widgets6 libqt6gui6 libqt6core6 libstdc++6 libc6; do
  [[ ", $depends," == *", $library "* || ", $depends," == *", $library,"* ]] || fail "no dependency on $library"
done
[[ "$(field Recommends)" == *qt6-translations-l10n* ]] || fail "does not recommend the Czech Qt catalogue"

# Exactly these files, no more.
expected=$(
  for program in "${programs[@]}"; do echo "./usr/bin/$program"; done
  for program in "${programs[@]}"; do echo "./usr/share/man/man1/$program.1.gz"; done
  echo "./usr/share/applications/$app_id.desktop"
  for size in 32 48 64 128 256; do echo "./usr/share/icons/hicolor/${size}x$size/apps/$app_id.png"; done
  echo "./usr/share/metainfo/$app_id.metainfo.xml"
  echo "./usr/share/doc/lum-brevix/copyright"
  echo "./usr/share/doc/lum-brevix/changelog.gz"
)
listed=$(dpkg-deb --contents "$package" | awk '$1 !~ /^d/ {print $6}')
[ "$(sort <<<"$expected")" = "$(sort <<<"$listed")" ] ||
  fail "the package's files differ from the expected ones:
$(diff <(sort <<<"$expected") <(sort <<<"$listed"))"

# The programs are installed executable and stripped of their debug data.
contents=$(dpkg-deb --contents "$package")
for program in "${programs[@]}"; do
  grep -q "^-rwxr-xr-x .* \./usr/bin/$program\$" <<<"$contents" || fail "usr/bin/$program is not executable"
done
unpacked=$out/unpacked
dpkg-deb --extract "$package" "$unpacked"
for program in "${programs[@]}"; do
  if grep -q '\.debug_info' <(LC_ALL=C objdump -h "$unpacked/usr/bin/$program"); then
    fail "usr/bin/$program keeps its debug data"
  fi
done

# The changelog's latest entry is this version.
gzip -dc "$unpacked/usr/share/doc/lum-brevix/changelog.gz" >"$out/changelog"
changelog=$(dpkg-parsechangelog -l "$out/changelog" -S Version)
[ "$changelog" = "$version" ] || fail "the changelog's latest entry is $changelog, not $version"

# The stripped command-line program from the package does its job.
if [[ " ${programs[*]} " == *" lum-brevix "* ]]; then
  copy=$(printf '<a><b/>č</a>' | "$unpacked/usr/bin/lum-brevix" -o - - | od -An -c | tr -s ' ')
  [ "$copy" = "$(printf '<a>\r\n<b/>\r\nč</a>\r\n' | od -An -c | tr -s ' ')" ] ||
    fail "the packaged lum-brevix copied to:$copy"
fi

echo "$(basename "$package"): ${#programs[@]} programs, desktop files, dependencies from the shared libraries"
