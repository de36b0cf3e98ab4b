#!/usr/bin/env bash
# Makes the seed corpus of every fuzz target under OUT/<target>/: small valid
# files of each kind the import accepts (PCM of every sample format, mono and
# stereo, at 44100 Hz and other rates; MPEG-1 and MPEG-2 Layer III with and
# without an encoder tag, bare and inside a WAV file), INI texts and command
# lines. Uses sox and lame.
set -euo pipefail
OUT=${1:?usage: make_seeds.sh OUT}
mkdir -p "$OUT"/{wav_header,mpeg_scan,layer3_import,ini_settings,cli_options}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# A short voice-like signal: a vibrato tone with a touch of noise.
sox -n -r 44100 -c 1 -b 16 "$tmp/tone.wav" synth 0.15 sine 220 synth 0.15 sine amod 6 0.5 \
    gain -6 2>/dev/null
sox -n -r 44100 -c 2 -b 16 "$tmp/tone2.wav" synth 0.15 sine 330 sine 440 gain -6 2>/dev/null
# WAV seeds stay small: the fuzzer mutates every byte of them.
sox "$tmp/tone.wav" "$tmp/short.wav" trim 0 0.04
sox "$tmp/tone2.wav" "$tmp/short2.wav" trim 0 0.04

w="$OUT/wav_header"
for ch in 1 2; do
  src="$tmp/short.wav"; [ "$ch" = 2 ] && src="$tmp/short2.wav"
  sox "$src" -e unsigned-integer -b 8 "$w/u8_c$ch.wav"
  sox "$src" -e signed-integer -b 16 "$w/s16_c$ch.wav"
  sox "$src" -e signed-integer -b 24 "$w/s24_c$ch.wav"
  sox "$src" -e signed-integer -b 32 "$w/s32_c$ch.wav"
  sox "$src" -e floating-point -b 32 "$w/f32_c$ch.wav"
  sox "$src" -r 22050 -e signed-integer -b 16 "$w/s16_22050_c$ch.wav"
  sox "$src" -r 8000 -e signed-integer -b 16 "$w/s16_8000_c$ch.wav"
  sox "$src" -r 48000 -e signed-integer -b 24 "$w/s24_48000_c$ch.wav"
done
# Short enough that an import of it is a single block.
sox "$tmp/tone.wav" "$w/s16_short.wav" trim 0 0.01

m="$OUT/mpeg_scan"
lame --quiet -b 64 "$tmp/tone2.wav" "$m/cbr64_44100_stereo.mp3"
lame --quiet -t -b 32 -m m "$tmp/tone.wav" "$m/cbr32_notag_mono.mp3"
lame --quiet -V 6 --resample 22.05 "$tmp/tone2.wav" "$m/vbr_22050_mpeg2.mp3"
lame --quiet -b 48 --resample 32 "$tmp/tone.wav" "$m/cbr48_32000.mp3"
lame --quiet -b 24 --resample 16 -m m "$tmp/tone.wav" "$m/cbr24_16000_mpeg2.mp3"
lame --quiet --abr 56 "$tmp/tone2.wav" "$m/abr56.mp3"

# MPEG data in a WAV file: format tag 0x55.
mpeg_in_wav() {
  python3 - "$1" "$2" <<'PY'
import struct, sys
data = open(sys.argv[1], 'rb').read()
fmt = struct.pack('<HHIIHHH', 0x55, 2, 44100, 8000, 1, 0, 0)
body = b'WAVE' + b'fmt ' + struct.pack('<I', len(fmt)) + fmt + b'data' + struct.pack('<I', len(data)) + data
if len(data) % 2: body += b'\0'
open(sys.argv[2], 'wb').write(b'RIFF' + struct.pack('<I', len(body)) + body)
PY
}
mpeg_in_wav "$m/cbr64_44100_stereo.mp3" "$w/mpeg_in_wav.wav"

l="$OUT/layer3_import"
cp "$m"/*.mp3 "$l/"
cp "$w/mpeg_in_wav.wav" "$l/"

i="$OUT/ini_settings"
printf '[Options]\nDevnum = 3\n' >"$i/settings.ini"
printf '[Options]\ndevnum=0x1F\n; comment\n# another\n[options]\nDevnum = -2\n' >"$i/settings_hex.ini"
printf '[Virtual]\nclsid = {A1B2}\ndescription = Virtual device\nrate = 44100\n\n[JACK]\nclsid={C3D4}\n\n[classes]\n{a1b2} = ../lib/virtual.so\n{C3D4} = /nonexistent/jack.so\n' \
  >"$i/catalogue.ini"

c="$OUT/cli_options"
printf '\x05\x01--start\n100\n--length=2000\n--channel\n2\nC,E,G\n' >"$c/region.txt"
printf '\x01\x00--notes\nC#4/Db4 Bb3 cs4 E#\n--start=0\n' >"$c/notes.txt"
printf '\x02\x01\xe2\x99\xaf\n\xe2\x99\xad\nB-1\n--channel=1\n' >"$c/signs.txt"

echo "seeds in $OUT: $(find "$OUT" -type f | wc -l) files"
