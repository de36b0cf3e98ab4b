#!/usr/bin/env bash
# The Debian package, built by CPack from this build tree (as `make package`
# builds it from the optimised one): its fields, Depends computed from the
# binaries, the tree it installs, and the programs run from an unpacked copy.
set -u
. "$(dirname "$0")/install_lib.sh"

for tool in dpkg-deb dpkg-shlibdeps; do
  command -v "$tool" >/dev/null || { skip "$tool is not installed (package dpkg-dev)"; finish; }
done
if ! "$CPACK" --config "$BUILD_DIR/CPackConfig.cmake" -G DEB -B "$work/package" \
  >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log"
  fail "cpack failed"
  finish
fi
debs=("$work"/package/cantora_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { fail "no single package: ${debs[*]}"; finish; }
deb=${debs[0]}
arch=$(dpkg --print-architecture)
[ "$(basename "$deb")" = "cantora_${VERSION}_$arch.deb" ] || fail "package named $(basename "$deb")"
[ "$(dpkg-deb -f "$deb" Package)" = cantora ] || fail "package name $(dpkg-deb -f "$deb" Package)"
[ "$(dpkg-deb -f "$deb" Version)" = "$VERSION" ] || fail "version $(dpkg-deb -f "$deb" Version)"

# The runtime packages of Qt, JACK, FFTW and libsamplerate, as shlibdeps names
# them (JACK's with its alternatives, such as PipeWire's).
depends=$(dpkg-deb -f "$deb" Depends)
for package in libqt6core6 libqt6gui6 libqt6widgets6 libjack-jackd2-0 libfftw3-double3 \
  libsamplerate0 libc6; do
  grep -qE "(^|[ ,|])$package( |,|$)" <<<"$depends" || fail "Depends lacks $package: $depends"
done

dpkg -x "$deb" "$work/root" || fail "dpkg -x failed"
check_tree "$work/root"
check_programs "$work/root$PREFIX"

# apt would install it here: every dependency resolves (a simulation only).
if command -v apt-get >/dev/null; then
  out=$(apt-get install -s -o Debug::NoLocking=1 "$deb" 2>&1)
  [ $? -eq 0 ] && grep -q '^Inst cantora' <<<"$out" || fail "apt-get cannot install it: $out"
fi
finish
