# Shared by install_test.sh and package_test.sh: the report helpers, the tree
# an installation must hold, and the programs' checks run from such a tree.
# The test's CMakeLists passes the build's settings in the environment:
# BUILD_DIR SOURCE_DIR CMAKE CPACK PREFIX BINDIR LIBDIR DATADIR MANDIR VERSION APP_ID.

failures=0
skipped=()
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
skip() {
  echo "SKIP: $*"
  skipped+=("$*")
}
# Ends the test: 1 on any failure, 77 (skipped) when a check could not run.
finish() {
  if [ "$failures" -gt 0 ]; then
    echo "$failures check(s) failed"
    exit 1
  fi
  if [ "${#skipped[@]}" -gt 0 ]; then
    echo "skipped ${#skipped[@]} check(s): ${skipped[*]}"
    exit 77
  fi
  echo "all checks passed"
  exit 0
}

work=$(mktemp -d "${TMPDIR:-/tmp}/cantora-install.XXXXXX")
trap 'rm -rf "$work"' EXIT

# The files below root, one path a line without root, sorted.
files_below() {
  (cd "$1" && find . \( -type f -o -type l \) | sed 's|^\.||' | LC_ALL=C sort)
}

# Every file of an installation under PREFIX, and nothing else anywhere.
check_tree() {
  local root=$1 p=$PREFIX
  local expected
  expected=$(LC_ALL=C sort <<EOT
$p/$BINDIR/cantora
$p/$BINDIR/cantora-cli
$p/$LIBDIR/cantora/drivers/cantora_driver_jack.so
$p/$LIBDIR/cantora/drivers/cantora_driver_virtual.so
$p/$DATADIR/cantora/drivers.ini
$p/$DATADIR/applications/cantora.desktop
$p/$DATADIR/metainfo/$APP_ID.metainfo.xml
$p/$DATADIR/icons/hicolor/scalable/apps/cantora.svg
$p/$DATADIR/icons/hicolor/48x48/apps/cantora.png
$p/$DATADIR/icons/hicolor/256x256/apps/cantora.png
$p/$MANDIR/man1/cantora.1
$p/$MANDIR/man1/cantora-cli.1
EOT
)
  local actual
  actual=$(files_below "$root")
  if [ "$actual" != "$expected" ]; then
    fail "the installed tree differs from the expected one (< missing, > unexpected):"
    diff <(echo "$expected") <(echo "$actual") | grep '^[<>]'
  fi
}

# Runs an installed program with no catalogue chosen by the environment or
# the user, so that only the installed tree can supply one.
run_installed() {
  env -u CANTORA_DRIVER_CATALOGUE XDG_CONFIG_HOME="$work/no-config" "$@"
}

# The programs of an installation under dir work from there.
check_programs() {
  local bin=$1/$BINDIR out
  out=$(run_installed "$bin/cantora-cli" devices 2>&1)
  [ "$out" = $'0: Virtual Audio Device\n1: JACK Audio' ] ||
    fail "installed cantora-cli devices does not list the bundled drivers: $out"

  # One second of a 48000 Hz tone comes back as 44100 frames padded to whole
  # 4608-frame blocks: 10 blocks.
  sox -n -r 48000 -c 1 -b 16 "$work/tone.wav" synth 1 sine 440 vol 0.5 ||
    { fail "sox could not write the test tone"; return; }
  rm -f "$work/decoded.wav"
  out=$(run_installed "$bin/cantora-cli" decode "$work/tone.wav" -o "$work/decoded.wav" 2>&1) ||
    fail "installed cantora-cli decode failed: $out"
  out=$(run_installed "$bin/cantora-cli" info "$work/decoded.wav" 2>&1)
  grep -qx 'source_rate=44100' <<<"$out" && grep -qx 'frames=46080' <<<"$out" ||
    fail "the decoded file is not the 44100 Hz track: $out"

  for program in cantora cantora-cli; do
    out=$(run_installed "$bin/$program" --version 2>&1)
    [ "$out" = "$program $VERSION" ] || fail "$program --version prints '$out'"
    out=$(run_installed "$bin/$program" --help 2>&1) && grep -q "^usage: $program" <<<"$out" ||
      fail "$program --help fails or shows no usage: $out"
  done
  out=$(QT_QPA_PLATFORM=offscreen run_installed "$bin/cantora" --no-such-option 2>&1)
  [ $? -eq 2 ] && grep -q "unknown option '--no-such-option'" <<<"$out" ||
    fail "cantora takes an unknown option: $out"
}
