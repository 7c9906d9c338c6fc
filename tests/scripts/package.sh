#!/usr/bin/env bash
# The Debian package as cpack builds it: its files, its dependencies, and that an unpacked copy
# starts, keeping the operator's configuration in the per-user folder.
#   package.sh BUILD_DIR
set -uo pipefail
build_dir=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $1"; exit 1; }

(cd "$work" && cpack -G DEB --config "$build_dir/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1) ||
    { cat "$work/cpack.log"; fail "cpack -G DEB failed"; }
deb=$(ls "$work"/out/qu32_*.deb 2>/dev/null | head -1)
[ -n "$deb" ] || fail "no package written"
dpkg-deb -c "$deb" | awk '{print $6}' >"$work/files"
for f in ./usr/bin/qu32 ./usr/bin/qu32-cli ./usr/bin/qu32-unitsim \
         ./usr/share/applications/qu32.desktop \
         ./usr/share/icons/hicolor/256x256/apps/qu32.png \
         ./usr/share/metainfo/qu32.metainfo.xml; do
    grep -qx "$f" "$work/files" || fail "$f missing from the package"
done
depends=$(dpkg-deb -f "$deb" Depends)
for d in libqt6widgets6 libqt6serialport6 libqt6printsupport6 libpugixml1v5 qt6-qpa-plugins; do
    [[ "$depends" == *"$d"* ]] || fail "Depends lacks $d: $depends"
done

# Unpacked, the programs run from their bin folder and keep their files in the data home.
dpkg-deb -x "$deb" "$work/root"
export XDG_DATA_HOME="$work/data" HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$HOME" && mkdir -m 700 "$XDG_RUNTIME_DIR"
"$work/root/usr/bin/qu32-cli" --version | grep -q "qu32-cli" || fail "qu32-cli does not start"
QT_QPA_PLATFORM=offscreen timeout -s INT 6 "$work/root/usr/bin/qu32" --simulate >"$work/qu32.log" 2>&1
[ -f "$work/data/qu32/Qu32_Config.xml" ] ||
    { cat "$work/qu32.log"; fail "no configuration in the per-user folder"; }
echo "OK: $(basename "$deb"), $(wc -l <"$work/files") entries"
