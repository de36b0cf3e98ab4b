#!/usr/bin/env bash
# `make install` as a user runs it, staged in a temporary DESTDIR: the tree it
# writes, the installed programs working from there without any environment
# variable, the desktop entry, metadata, icons and manual pages passing their
# validators, and `make uninstall` removing it all.
set -u
. "$(dirname "$0")/install_lib.sh"

root=$work/root
if ! DESTDIR=$root "$CMAKE" --install "$BUILD_DIR" >"$work/install.log" 2>&1; then
  cat "$work/install.log"
  fail "cmake --install failed"
  finish
fi
cp "$BUILD_DIR/install_manifest.txt" "$work/manifest"
check_tree "$root"
installed=$root$PREFIX
check_programs "$installed"

desktop=$installed/$DATADIR/applications/cantora.desktop
metainfo=$installed/$DATADIR/metainfo/$APP_ID.metainfo.xml
if command -v desktop-file-validate >/dev/null; then
  out=$(desktop-file-validate "$desktop" 2>&1)
  [ $? -eq 0 ] && [ -z "$out" ] || fail "desktop-file-validate: $out"
else
  skip "desktop-file-validate is not installed (package desktop-file-utils)"
fi
if command -v appstreamcli >/dev/null; then
  out=$(appstreamcli validate --no-net "$metainfo" 2>&1) || fail "appstreamcli validate: $out"
else
  skip "appstreamcli is not installed (package appstream)"
fi
grep -q '<launchable type="desktop-id">cantora.desktop</launchable>' "$metainfo" ||
  fail "the metainfo does not launch cantora.desktop"
grep -q "<release version=\"$VERSION\"" "$metainfo" || fail "the metainfo's release is not $VERSION"

# The icon theme's PNGs are the size their folder says (IHDR width, height).
for size in 48 256; do
  png=$installed/$DATADIR/icons/hicolor/${size}x${size}/apps/cantora.png
  dims=$(od -An -tu1 -j16 -N8 "$png" | awk '{print $3*256+$4 "x" $7*256+$8}')
  [ "$dims" = "${size}x${size}" ] || fail "$png is $dims"
done

# The manual pages render without a warning and describe every command and
# option the programs' own --help texts list, each as an item of its own.
has_item() { grep -qE -- "^ {7}(-[a-z], )?$2( |,|\$)" "$work/$1.txt"; }
if command -v groff >/dev/null; then
  for page in cantora cantora-cli; do
    file=$installed/$MANDIR/man1/$page.1
    warnings=$(LC_ALL=C.UTF-8 groff -ww -man -Tutf8 -z "$file" 2>&1)
    [ -z "$warnings" ] || fail "groff -ww warns on $page.1: $warnings"
    LC_ALL=C groff -man -Tascii -P-cbou "$file" 2>/dev/null >"$work/$page.txt"
    grep -qF "$VERSION" "$work/$page.txt" || fail "$page.1 does not give the version $VERSION"
  done
  help=$(run_installed "$installed/$BINDIR/cantora-cli" --help)
  commands=$(sed -n 's/^  \([a-z][a-z-]*\) .*/\1/p' <<<"$help")
  [ -n "$commands" ] || fail "cantora-cli --help lists no command"
  for command in $commands; do
    has_item cantora-cli "$command" || fail "cantora-cli.1 does not describe '$command'"
    for option in $(run_installed "$installed/$BINDIR/cantora-cli" "$command" --help |
      grep -oE '(^|[[ ])--?[a-z][a-z-]*' | tr -d ' [' | sort -u); do
      has_item cantora-cli "$option" || fail "cantora-cli.1 does not describe $command's $option"
    done
  done
  for option in $(run_installed "$installed/$BINDIR/cantora" --help | grep -oE '^ +--?[a-z-]*'); do
    has_item cantora "$option" || fail "cantora.1 does not describe $option"
  done
  for page in cantora cantora-cli; do
    grep -q CANTORA_DRIVER_CATALOGUE "$work/$page.txt" ||
      fail "$page.1 does not name CANTORA_DRIVER_CATALOGUE"
  done
else
  skip "groff is not installed (package groff-base)"
fi

# Uninstalling removes every file and Cantora's own folders.
DESTDIR=$root "$CMAKE" -DMANIFEST="$work/manifest" -P "$SOURCE_DIR/cmake/uninstall.cmake" >"$work/uninstall.log" 2>&1 ||
  fail "uninstall failed: $(cat "$work/uninstall.log")"
left=$(files_below "$root")
[ -z "$left" ] || fail "uninstall left: $left"
for dir in "$installed/$LIBDIR/cantora" "$installed/$DATADIR/cantora"; do
  [ ! -e "$dir" ] || fail "uninstall left the folder $dir"
done
finish
