#!/usr/bin/env bash
# The two Debian packages as a user gets them: installed with apt into a bare
# Debian 12 root (mmdebstrap, from the mirrors this machine's apt uses), which
# fetches their dependencies as apt resolves them.
# - lum-brevix alone: no Qt comes with it, and it converts a folder of files
#   with the README's command (tests/cli/many-files.sh);
# - then lum-brevix-gui: the window starts under Xvfb with a file, and a click
#   on "Zpracuj" writes the copy.
# The bare root (with Xvfb and xdotool, which the check itself uses) is kept
# as a tarball in ${BREVIX_CACHE_DIR:-~/.cache/lum-brevix}, with the packages
# apt fetched, so that a later run downloads nothing new; without them it is
# made first (some minutes). Needs root: mmdebstrap's root mode, chroot.
# Usage: scripts/ci-debian-root.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-${BUILD_DIR:-build}}")
cache=${BREVIX_CACHE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/lum-brevix}
fail() { echo "FAIL: $*" >&2; exit 1; }
[ "$(id -u)" -eq 0 ] || fail "needs root (mmdebstrap --mode=root, chroot, mount)"
scripts/install-deps.sh mmdebstrap

work=$(mktemp -d)
root=$work/root
cleanup() {
  for mount in var/cache/apt/archives dev/pts dev proc; do
    mountpoint -q "$root/$mount" && umount -l "$root/$mount"
  done
  rm -rf "$work"
}
trap cleanup EXIT

cpack --config "$build/CPackConfig.cmake" -B "$work/debs" >/dev/null
debs=("$work"/debs/*.deb)
[ ${#debs[@]} -eq 2 ] || fail "not two packages: ${debs[*]}"

# The bare root, named after what it holds and where it comes from.
sources=()
for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; do
  [ -f "$file" ] && sources+=("$file")
done
tools=xvfb,xauth,xdotool,x11-utils
key=$(cat "${sources[@]}" <(echo "$tools") | sha256sum | head -c 12)
base=$cache/bookworm-$key.tar
mkdir -p "$cache/archives/partial"
if [ ! -f "$base" ]; then
  echo "debian-root: making the bare Debian 12 root (once, kept in $base)"
  mmdebstrap --quiet --mode=root --format=tar --variant=apt --include="$tools" bookworm "$base.part" "${sources[@]}" </dev/null
  mv "$base.part" "$base"
fi
mkdir "$root"
tar -C "$root" -xf "$base"
mount -t proc proc "$root/proc"
mount --bind /dev "$root/dev"
mount --bind /dev/pts "$root/dev/pts"
mount --bind "$cache/archives" "$root/var/cache/apt/archives"
mkdir "$root/check"
cp "${debs[@]}" tests/cli/many-files.sh README.md "$root/check/"
in_root() { chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 "$@"; }
# apt's talk goes to a log, shown when it fails.
install() {
  in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "$@" >"$work/apt.log" 2>&1 ||
    { cat "$work/apt.log"; fail "apt-get install $*"; }
}
installed_qt() { in_root dpkg-query -W -f='${db:Status-Status} ${Package}\n' | grep -c '^installed libqt6' || true; }

in_root apt-get update -qq
install "/check/$(basename "$work"/debs/lum-brevix_*.deb)"
[ "$(installed_qt)" -eq 0 ] || fail "Qt came with lum-brevix"
in_root /check/many-files.sh /usr/bin /check/README.md

install "/check/$(basename "$work"/debs/lum-brevix-gui_*.deb)"
[ "$(installed_qt)" -gt 0 ] || fail "no Qt came with lum-brevix-gui"
cp scripts/with-xvfb.sh "$root/check/"
in_root /check/with-xvfb.sh bash -c '
  set -euo pipefail
  printf "<a><b>1</b></a>" >"/check/faktura k objednávce.xml"
  LUM_Brevix "/check/faktura k objednávce.xml" & pid=$!
  for _ in $(seq 100); do
    window=$(xdotool search --onlyvisible --name "^LUM_Brevix$" 2>/dev/null | head -n1) && [ -n "$window" ] && break
    sleep 0.1
  done
  [ -n "$window" ] || { echo "FAIL: no window"; exit 1; }
  # "Zpracuj" is at 2,98, 75x29.
  xdotool mousemove --window "$window" 40 112 click 1
  # The copy appears whole, by a rename.
  for _ in $(seq 100); do [ -e "/check/faktura k objednávce.xml_LUM.XML" ] && break; sleep 0.1; done
  kill "$pid"
  printf "<a>\r\n<b>\r\n1</b>\r\n</a>\r\n" | cmp -s - "/check/faktura k objednávce.xml_LUM.XML" ||
    { echo "FAIL: the window wrote no right copy"; exit 1; }'
echo "debian-root: lum-brevix alone without Qt, then the window, installed by apt into Debian 12 and working"
