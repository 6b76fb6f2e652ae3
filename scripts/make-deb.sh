#!/usr/bin/env bash
# Builds a Debian package from a finished build folder: the program with its web root under
# /usr/lib/quillara, the systemd unit, the desktop entry and its icon.
# Usage: scripts/make-deb.sh BUILD_DIR [OUTPUT_DIR]
set -euo pipefail
build=$(realpath "$1")
out=$(realpath "${2:-$build}")
source_dir=$(realpath "$(dirname "$0")/..")
version=$("$build/bin/quillara" --version | awk '{print $2}')
arch=$(dpkg --print-architecture)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root="$work/root"
DESTDIR="$root" cmake --install "$build" --prefix /usr >/dev/null
mkdir -p "$root/DEBIAN" "$work/debian"
# dpkg-shlibdeps wants a source package's control file to run in.
printf 'Source: quillara\n\nPackage: quillara\nArchitecture: any\n' > "$work/debian/control"
depends=$(cd "$work" && dpkg-shlibdeps -O -e"$root/usr/lib/quillara/quillara" 2>/dev/null | sed -n 's/^shlibs:Depends=//p')
cat > "$root/DEBIAN/control" <<CONTROL
Package: quillara
Version: $version
Architecture: $arch
Maintainer: Quillara developers <quillara@localhost>
Depends: ${depends:-libc6}, passwd
Section: net
Priority: optional
Description: file exchange server between mobile devices and Brontal
 Quillara serves REST calls through which mobile devices list, read, download
 and upload data files in Brontal's export and import folders, with a control
 window and tray icon, or headless as a systemd service.
CONTROL
install -m 0755 "$source_dir/packaging/postinst" "$root/DEBIAN/postinst"
dpkg-deb --root-owner-group --build "$root" "$out/quillara_${version}_${arch}.deb" >/dev/null
echo "$out/quillara_${version}_${arch}.deb"
