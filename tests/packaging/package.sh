#!/usr/bin/env bash
# Checks what installing puts in place, as MODE says:
#   tree     `cmake --install` (TOOL: cmake) into OUT_DIR/root/usr;
#   deb      the Debian package that CPack (TOOL: cpack) makes in OUT_DIR: its
#            control fields, and its files unpacked into OUT_DIR/root;
#   lintian  lintian on the package that `deb` left in OUT_DIR, no error or
#            warning (among them binaries with debug data, manual pages that
#            man warns about or that lack their NAME line); exit 77 (skipped)
#            where lintian is not installed.
# Either tree holds exactly the expected files, with their modes; the desktop
# entry and the metainfo pass their validators and name the programs, the
# icon and this version; lum-brevix runs.
# Usage: package.sh MODE TOOL BUILD_DIR OUT_DIR APP_ID VERSION PROGRAM...
set -euo pipefail
mode=$1 tool=$2 build=$3 out=$4 app_id=$5 version=$6
shift 6
programs=("$@")
root=$out/root/usr
fail() { echo "FAIL: $*" >&2; exit 1; }
package() { find "$out" -maxdepth 1 -name '*.deb'; }

case $mode in
  tree)
    rm -rf "$out"
    "$tool" --install "$build" --prefix "$root" >/dev/null
    listed=$(cd "$out/root" && find usr -type f -printf '%M %p\n') ;;
  deb)
    rm -rf "$out"
    "$tool" --config "$build/CPackConfig.cmake" -B "$out" >/dev/null
    [ "$(package | wc -l)" -eq 1 ] || fail "not one .deb in $out"
    field() { dpkg-deb --field "$(package)" "$1"; }
    fields="$(field Package) $(field Version) $(field Architecture)"
    [ "$fields" = "lum-brevix $version $(dpkg --print-architecture)" ] || fail "Package, Version, Architecture: $fields"
    [ -n "$(field Maintainer)" ] && [[ "$(field Recommends)" == *qt6-translations-l10n* ]] ||
      fail "no Maintainer, or no recommendation of the Czech Qt catalogue"
    # The dependencies come from the libraries the programs really link.
    for library in libqt6widgets6 libqt6gui6 libqt6core6 libstdc++6 libc6; do
      [[ ", $(field Depends)," =~ ", $library"[\ ,] ]] || fail "no dependency on $library: $(field Depends)"
    done
    listed=$(dpkg-deb --contents "$(package)" | awk '$1 !~ /^d/ {print $1, substr($6, 3)}')
    dpkg-deb --extract "$(package)" "$out/root"
    changelog=$(gzip -dc "$root/share/doc/lum-brevix/changelog.gz" | dpkg-parsechangelog -l - -S Version)
    [ "$changelog" = "$version" ] || fail "the changelog's latest entry is $changelog, not $version" ;;
  lintian)
    command -v lintian >/dev/null || { echo "SKIPPED: lintian is not installed"; exit 77; }
    exec lintian --fail-on error,warning --display-info "$(package)" ;;
esac

expected=$(
  for program in "${programs[@]}"; do
    echo "-rwxr-xr-x usr/bin/$program"
    echo "-rw-r--r-- usr/share/man/man1/$program.1.gz"
  done
  for size in 32 48 64 128 256; do echo "-rw-r--r-- usr/share/icons/hicolor/${size}x$size/apps/$app_id.png"; done
  for file in applications/$app_id.desktop metainfo/$app_id.metainfo.xml doc/lum-brevix/{copyright,changelog.gz}; do
    echo "-rw-r--r-- usr/share/$file"
  done
)
[ "$(sort <<<"$expected")" = "$(sort <<<"$listed")" ] ||
  fail "the files differ from the expected ones: $(diff <(sort <<<"$expected") <(sort <<<"$listed"))"

desktop=$root/share/applications/$app_id.desktop metainfo=$root/share/metainfo/$app_id.metainfo.xml
desktop-file-validate "$desktop" && appstreamcli validate --pedantic --no-net "$metainfo" || fail "not valid"
# The entry opens one file with the window program, shows the installed icon,
# has a Czech comment, and is offered for XML files.
key() { sed -n "s/^$1=//p" "$desktop"; }
[ "$(key Exec)|$(key Icon)|$(key Categories)" = "LUM_Brevix %f|$app_id|Utility;" ] ||
  fail "Exec, Icon or Categories: $(key Exec)|$(key Icon)|$(key Categories)"
[[ "$(key Name)" && "$(key Comment)" == *[ěščřžýáíéůú]* ]] || fail "no Name, or a comment that is not Czech"
update-desktop-database "$root/share/applications"
for type in application/xml text/xml; do
  grep -q "^$type=\(.*;\)\?$app_id\.desktop;" "$root/share/applications/mimeinfo.cache" || fail "not offered for $type"
done
for text in "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "<release version=\"$version\"" \
            "${programs[@]/#/<binary>}"; do
  grep -qF "$text" "$metainfo" || fail "the metainfo lacks $text"
done
[ "$("$root/bin/lum-brevix" --version)" = "lum-brevix $version" ] || fail "lum-brevix does not run"
echo "$mode: ${#programs[@]} programs, manual pages, desktop entry, metainfo and icons as expected"
