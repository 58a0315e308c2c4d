#!/usr/bin/env bash
# Installs the build into a fresh folder and checks what lands there: the
# programs in bin/, and a desktop entry, icon and AppStream metainfo that the
# validators accept and that name each other and the programs correctly.
# Usage: install-tree.sh CMAKE BUILD_DIR STAGE_DIR APP_ID VERSION PROGRAM...
set -euo pipefail
cmake=$1 build=$2 stage=$3 app_id=$4 version=$5
shift 5
programs=("$@")

fail() { echo "FAIL: $*" >&2; exit 1; }

rm -rf "$stage"
"$cmake" --install "$build" --prefix "$stage" >/dev/null

for program in "${programs[@]}"; do
  [ -x "$stage/bin/$program" ] || fail "bin/$program is not installed"
done
if [[ " ${programs[*]} " == *" lum-brevix "* ]]; then
  [ "$("$stage/bin/lum-brevix" --version)" = "lum-brevix $version" ] || fail "the installed lum-brevix does not run"
fi

desktop=$stage/share/applications/$app_id.desktop
icon=$stage/share/icons/hicolor/32x32/apps/$app_id.png
metainfo=$stage/share/metainfo/$app_id.metainfo.xml
for file in "$desktop" "$icon" "$metainfo"; do
  [ -f "$file" ] || fail "${file#"$stage"/} is not installed"
done

desktop-file-validate "$desktop" || fail "desktop-file-validate rejects the desktop entry"
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli rejects the metainfo"

# The entry starts an installed program and shows the installed icon.
key() { sed -n "s/^$1=//p" "$desktop"; }
[ -x "$stage/bin/$(key Exec)" ] || fail "Exec=$(key Exec) is no installed program"
[ "$(key Icon)" = "$app_id" ] || fail "Icon=$(key Icon) is not the installed icon $app_id"
grep -qx 'Categories=Utility;' "$desktop" || fail "the entry is not in the Utility category"
for field in Name Comment; do
  [ -n "$(key $field)" ] || fail "the entry has no $field"
done
grep -q '^Comment=.*[ěščřžýáíéůú]' "$desktop" || fail "the entry's comment is not Czech"

# The icon is a 32x32 PNG.
[ "$(head -c 8 "$icon" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] || fail "the icon is no PNG"
[ "$(od -An -tu1 -j16 -N8 "$icon" | tr -s ' ' | sed 's/^ //;s/ $//')" = "0 0 0 32 0 0 0 32" ] ||
  fail "the icon is not 32x32"

# The metainfo launches this entry, names the programs and this version.
grep -q "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$metainfo" ||
  fail "the metainfo does not launch $app_id.desktop"
for program in "${programs[@]}"; do
  grep -q "<binary>$program</binary>" "$metainfo" || fail "the metainfo does not name $program"
done
grep -q "<release version=\"$version\"" "$metainfo" || fail "the metainfo has no release $version"

echo "install tree in $stage: ${#programs[@]} programs, desktop entry, icon and metainfo valid"
