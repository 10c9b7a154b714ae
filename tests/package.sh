#!/usr/bin/env bash
# What an installation and the .deb hold, checked with the desktop's and Debian's own tools:
# cmake --install into a staging folder, then desktop-file-validate on the desktop entry,
# appstreamcli on the metainfo, man on both man pages, the icon's bitmaps at their sizes, the
# HTML guide's pictures present beside it; then cpack -G DEB, whose control data must name the
# libraries the programs link (read off them by dpkg-shlibdeps) and whose files must be the
# installation's, all under /usr.
# Usage: package.sh BUILD_DIR TESSEL_CLI
set -euo pipefail
build=$(realpath "$1")
cli=$(realpath "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

version=$("$cli" --version | awk '{print $2}')
[[ -n $version ]] || fail "tessel-cli --version printed no version"
id=dev.tessel.Tessel

# --- The staged installation ---
stage=$work/stage
DESTDIR=$stage cmake --install "$build" --prefix /usr > /dev/null
usr=$stage/usr

desktop=$usr/share/applications/$id.desktop
[[ -f $desktop ]] || fail "no desktop entry at share/applications/$id.desktop"
# Hints are advice; errors and warnings are not.
report=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate: $report"
grep -E 'error|warning' <<< "$report" && fail "desktop-file-validate: $report"
grep -qx 'Exec=tessel %f' "$desktop" || fail "the desktop entry does not open the file it is given"
grep -qx "Icon=$id" "$desktop" || fail "the desktop entry names another icon"
for type in application/xml text/xml application/json application/xml-dtd text/plain; do
    grep -q "^MimeType=\(.*;\)\?$type;" "$desktop" || fail "the desktop entry does not offer $type"
done

metainfo=$usr/share/metainfo/$id.metainfo.xml
appstreamcli validate --no-net "$metainfo" > "$work/appstream" 2>&1 ||
    fail "appstreamcli validate: $(cat "$work/appstream")"
grep -q "<release version=\"$version\" date=\"[0-9-]*\"" "$metainfo" ||
    fail "the metainfo's release is not $version"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" ||
    fail "the metainfo does not launch the desktop entry"

for page in tessel tessel-cli; do
    file=$usr/share/man/man1/$page.1.gz
    [[ -f $file ]] || fail "no man page $page.1.gz"
    warnings=$(MANWIDTH=80 man --warnings -l "$file" 2>&1 > "$work/$page.txt") || true
    [[ -z $warnings ]] || fail "man $page: $warnings"
    grep -q "^NAME" "$work/$page.txt" || fail "man $page renders no NAME section"
    grep -q "$version" "$work/$page.txt" || fail "man $page does not name version $version"
done

[[ -f $usr/share/bash-completion/completions/tessel-cli ]] || fail "no bash completion"
[[ -x $usr/bin/tessel && -x $usr/bin/tessel-cli ]] || fail "the programs are not in bin/"

# Each bitmap is the size its folder says, and the SVG is there for every other size.
[[ -f $usr/share/icons/hicolor/scalable/apps/$id.svg ]] || fail "no scalable icon"
for size in 16 22 24 32 48 64 128 256 512; do
    png=$usr/share/icons/hicolor/${size}x${size}/apps/$id.png
    [[ -f $png ]] || fail "no ${size}x${size} icon"
    read -r w h < <(python3 -c 'import struct,sys; d=open(sys.argv[1],"rb").read(24);
assert d[:8]==b"\x89PNG\r\n\x1a\n"; print(*struct.unpack(">II", d[16:24]))' "$png")
    [[ $w == "$size" && $h == "$size" ]] || fail "the ${size}x${size} icon is ${w}x${h}"
done

# The HTML guide is the Markdown guide's text, and every picture it shows is installed.
docs=$usr/share/doc/tessel
for page in user-guide release-notes; do
    [[ -f $docs/$page.html && -f $docs/$page.md ]] || fail "no $page.html and $page.md"
done
grep -q "<title>Tessel user guide</title>" "$docs/user-guide.html" || fail "the HTML guide has no title"
grep -q "Batch use" "$docs/user-guide.html" || fail "the HTML guide lacks the guide's sections"
pictures=$(grep -o '!\[[^]]*\]([^)]*)' "$docs/user-guide.md" | sed 's/.*(\(.*\))/\1/' | sort -u)
for picture in $pictures; do
    grep -q "src=\"$picture\"" "$docs/user-guide.html" || fail "the HTML guide does not show $picture"
    [[ -f $docs/$picture ]] || fail "$picture is not installed beside the guide"
done

# --- The package ---
(cd "$build" && cpack -G DEB -B "$work/deb" > "$work/cpack.log" 2>&1) ||
    fail "cpack: $(tail -n 20 "$work/cpack.log")"
deb=$(ls "$work"/deb/tessel_"$version"_*.deb 2> /dev/null | head -n 1)
[[ -n $deb ]] || fail "cpack made no tessel_${version}_*.deb: $(ls "$work/deb")"
dpkg-deb -I "$deb" > "$work/control"
grep -q "^ Version: $version$" "$work/control" || fail "the package's version is not $version"
depends=$(grep '^ Depends:' "$work/control")
names=$(sed 's/^ Depends://; s/([^)]*)//g; s/ //g' <<< "$depends" | tr ',' '\n')
# The libraries the programs link, each as the package Debian ships it in.
for library in libc6 libstdc++6 libsqlite3-0 libpcre2-8-0 libqt6core6 libqt6gui6 libqt6widgets6 \
               libqt6svg6; do
    grep -qxF "$library" <<< "$names" || fail "Depends lacks $library: $depends"
done

dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|; s|/$||' | grep -v '^$' | sort \
    > "$work/deb.files"
(cd "$stage" && find . -mindepth 1 | sed 's|^\.||' | sort) > "$work/staged.files"
diff "$work/staged.files" "$work/deb.files" > "$work/files.diff" ||
    fail "the package's files are not the installation's: $(cat "$work/files.diff")"
grep -v '^/usr' "$work/deb.files" && fail "the package puts files outside /usr"
echo "package.sh: $(wc -l < "$work/deb.files") paths; $depends"
