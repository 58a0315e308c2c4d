#!/usr/bin/env bash
# Checks what installing puts in place, as MODE says:
#   tree     `cmake --install` (TOOL: cmake) into OUT_DIR/root/usr;
#   deb      the two Debian packages that CPack (TOOL: cpack) makes in OUT_DIR,
#            lum-brevix (the command line, no Qt) and lum-brevix-gui (the
#            window): their control fields, and their files unpacked into
#            OUT_DIR/root;
#   lintian  lintian on the packages that `deb` left in OUT_DIR, no error or
#            warning (among them binaries with debug data, manual pages that
#            man warns about or that lack their NAME line); exit 77 (skipped)
#            where lintian is not installed.
# Either tree holds exactly the expected files, with their modes; the desktop
# entry and the metainfo pass their validators and name the window program,
# the icon and this version; lum-brevix runs.
# Usage: package.sh MODE TOOL BUILD_DIR OUT_DIR APP_ID VERSION
set -euo pipefail
mode=$1 tool=$2 build=$3 out=$4 app_id=$5 version=$6
root=$out/root/usr
fail() { echo "FAIL: $*" >&2; exit 1; }
packages() { find "$out" -maxdepth 1 -name '*.deb' | sort; }

# Each package's files, with their modes: the program of each and its
# manual page, the documents named after the package, and the window's
# desktop files.
declare -A program_of=([lum-brevix]=lum-brevix [lum-brevix-gui]=LUM_Brevix)
files_of() {
  local package=$1 program=${program_of[$1]}
  echo "-rwxr-xr-x usr/bin/$program"
  echo "-rw-r--r-- usr/share/man/man1/$program.1.gz"
  echo "-rw-r--r-- usr/share/doc/$package/copyright"
  echo "-rw-r--r-- usr/share/doc/$package/changelog.gz"
  if [ "$program" = LUM_Brevix ]; then
    for size in 32 48 64 128 256; do echo "-rw-r--r-- usr/share/icons/hicolor/${size}x$size/apps/$app_id.png"; done
    echo "-rw-r--r-- usr/share/applications/$app_id.desktop"
    echo "-rw-r--r-- usr/share/metainfo/$app_id.metainfo.xml"
  fi
}
same_files() { [ "$(sort <<<"$1")" = "$(sort <<<"$2")" ] || fail "$3 differ from the expected ones: $(diff <(sort <<<"$1") <(sort <<<"$2"))"; }

case $mode in
  tree)
    rm -rf "$out"
    "$tool" --install "$build" --prefix "$root" >/dev/null
    same_files "$(files_of lum-brevix; files_of lum-brevix-gui)" "$(cd "$out/root" && find usr -type f -printf '%M %p\n')" \
      "the installed files" ;;
  deb)
    rm -rf "$out"
    "$tool" --config "$build/CPackConfig.cmake" -B "$out" >/dev/null
    arch=$(dpkg --print-architecture)
    [ "$(packages | xargs -n1 basename | tr '\n' ' ')" = "lum-brevix-gui_${version}_$arch.deb lum-brevix_${version}_$arch.deb " ] ||
      fail "not the two packages in $out: $(packages)"
    for deb in $(packages); do
      field() { dpkg-deb --field "$deb" "$1"; }
      package=$(field Package)
      [ "$(field Version) $(field Architecture)" = "$version $arch" ] && [ -n "$(field Maintainer)" ] ||
        fail "$package: Version, Architecture or Maintainer"
      # The dependencies come from the libraries the programs really link:
      # Qt for the window only, which also recommends Qt's Czech texts;
      # lum-brevix has the C++ library linked in, so the C library is all it needs.
      depends=", $(field Depends),"
      [[ $depends =~ ", libc6 " ]] || fail "$package: Depends$depends"
      if [ "$package" = lum-brevix ]; then
        [[ $depends != *libqt6* ]] || fail "lum-brevix depends on Qt:$depends"
      else
        [[ $depends =~ ", libqt6widgets6 " && $depends =~ ", libstdc++6 " && "$(field Recommends)" == *qt6-translations-l10n* ]] ||
          fail "$package: Depends$depends; Recommends $(field Recommends)"
      fi
      same_files "$(files_of "$package")" "$(dpkg-deb --contents "$deb" | awk '$1 !~ /^d/ {print $1, substr($6, 3)}')" \
        "the files of $package"
      dpkg-deb --extract "$deb" "$out/root"
      changelog=$(gzip -dc "$root/share/doc/$package/changelog.gz" | dpkg-parsechangelog -l - -S Version)
      [ "$changelog" = "$version" ] || fail "$package: the changelog's latest entry is $changelog, not $version"
    done ;;
  lintian)
    command -v lintian >/dev/null || { echo "SKIPPED: lintian is not installed"; exit 77; }
    # shellcheck disable=SC2046 # one argument for each package
    exec lintian --fail-on error,warning --display-info $(packages) ;;
esac

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
            "<binary>LUM_Brevix</binary>"; do
  grep -qF "$text" "$metainfo" || fail "the metainfo lacks $text"
done
[ "$("$root/bin/lum-brevix" --version)" = "lum-brevix $version" ] || fail "lum-brevix does not run"
echo "$mode: both programs, manual pages, desktop entry, metainfo and icons as expected"
