#!/usr/bin/env bash
# Checks the layering of src/: which layer may include which, and that the
# toolkit and JACK headers stay in the one folder each that owns them.
set -u
root=${1:-.}
cd "$root/src" || exit 1
fail=0

# layer folder -> the include prefixes it may use (besides the standard
# library and system headers)
allowed_for() {
  case "$1" in
    platform) echo "platform" ;;
    state) echo "state" ;;
    view) echo "view state" ;;
    tuning) echo "tuning platform" ;;
    audiofile) echo "audiofile platform" ;;
    host/drivers/*) echo "$1 host/drivers/driver.h platform" ;;
    host/drivers) echo "host/drivers/driver.h" ;;
    host) echo "host platform" ;;
    app) echo "app view state tuning audiofile host platform" ;;
    ui/qt) echo "ui/qt app view state tuning audiofile host platform" ;;
    ui/win32) echo "ui/win32 app view state tuning audiofile host platform" ;;
    cli) echo "cli app state tuning audiofile host platform" ;;
    *) echo "" ;;
  esac
}

layer_of() {
  local f=$1
  case "$f" in
    host/drivers/*/*) echo "host/drivers/$(echo "$f" | cut -d/ -f3)" ;;
    host/drivers/*) echo host/drivers ;;
    ui/qt/*) echo ui/qt ;;
    ui/win32/*) echo ui/win32 ;;
    *) echo "${f%%/*}" ;;
  esac
}

while IFS= read -r f; do
  layer=$(layer_of "$f")
  allowed=$(allowed_for "$layer")
  while IFS= read -r inc; do
    ok=0
    for a in $allowed; do
      case "$inc" in "$a" | "$a"/*) ok=1 ;; esac
    done
    # a header in the same folder, included by its bare name
    [ "$ok" -eq 0 ] && [ -e "$(dirname "$f")/$inc" ] && [[ "$inc" != */* ]] && ok=1
    if [ "$ok" -eq 0 ]; then
      echo "layering: $f (layer $layer) includes \"$inc\""
      fail=1
    fi
  done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$f")
done < <(find . -type f \( -name '*.h' -o -name '*.cpp' \) | sed 's|^\./||' | sort)

qt=$(grep -rlE '#[[:space:]]*include[[:space:]]*<Q|#[[:space:]]*include[[:space:]]*<qt' . | grep -v '^\./ui/qt/')
[ -n "$qt" ] && { echo "layering: Qt headers outside ui/qt: $qt"; fail=1; }
jk=$(grep -rlE '#[[:space:]]*include[[:space:]]*<jack/' . | grep -v '^\./host/drivers/jack/')
[ -n "$jk" ] && { echo "layering: JACK headers outside host/drivers/jack: $jk"; fail=1; }

[ "$fail" -eq 0 ] && echo "layering: ok"
exit "$fail"
