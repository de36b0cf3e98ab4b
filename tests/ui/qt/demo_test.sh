#!/usr/bin/env bash
# cantora-demo without a display: every step reported, every file written,
# the pictures and WAV files whole; --help prints the usage and writes nothing.
set -u
demo=$1
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
fail=0
unset DISPLAY WAYLAND_DISPLAY

help=$("$demo" --help) || { echo "FAIL: --help exits non-zero"; fail=1; }
grep -q "^usage: cantora-demo" <<<"$help" || { echo "FAIL: --help prints no usage"; fail=1; }
[ ! -e ./--help ] || { echo "FAIL: --help wrote a file"; fail=1; }

report=$("$demo" "$out/run" 2>/dev/null) || { echo "FAIL: the demo exits non-zero"; fail=1; }
echo "$report"
for step in "Select device" "File > Open" "Selected frames" "the readout" "Tuning...: A major" \
  "Play:" "Save as" "View > Pitch curve"; do
  grep -qF "$step" <<<"$report" || { echo "FAIL: no step '$step' in the report"; fail=1; }
done
for f in before.png after.png pitch-before.png pitch-after.png; do
  [ "$(head -c 8 "$out/run/$f" | od -An -tx1 | tr -d ' ')" = 89504e470d0a1a0a ] ||
    { echo "FAIL: $f is no PNG picture"; fail=1; }
done
for f in played.wav tuned.wav; do
  [ "$(head -c 4 "$out/run/$f")" = RIFF ] || { echo "FAIL: $f is no WAV file"; fail=1; }
done
[ "$fail" -eq 0 ] && echo "demo: ok"
exit "$fail"
