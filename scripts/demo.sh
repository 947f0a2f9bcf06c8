#!/bin/sh
# The main job: builds the installer (all three builds), makes a demo Quorlin host under a fresh
# demo root and runs the native installer on it in this terminal, then shows what it wrote.
# Answer the boxes with Enter (OK) or "c" (Cancel); without a terminal every box gets OK.
set -eu
cd "$(dirname "$0")/.."
scripts/install-tools.sh
cmake --preset default >/dev/null
cmake --build --preset default

root="$PWD/build/demo-root"
rm -rf "$root"
mkdir -p "$root/c/windows" "$root/c/TARN/users/anna" "$root/c/TARN/users/ben" "$root/d/mail/carl"
printf '[Applications]\r\nQuorlin=C:\\TARN\r\n' > "$root/c/windows/win.ini"
printf 'MZ demo host program\r\n' > "$root/c/TARN/quorlinx.exe"
printf '[Common]\r\nVersion=42\r\n[Users]\r\n::users\\anna=\r\n::users\\ben=\r\nD:\\mail\\carl=\r\n::users\\gone=\r\n' \
  > "$root/c/TARN/quorlin.ini"
printf '[Mail]\r\nSignature=Anna\r\n' > "$root/c/TARN/users/anna/quorlin.ini"

echo
echo "Demo host: C:\\TARN (that is $root/c/TARN), with the users anna and ben inside it, carl on"
echo "drive D, and a user folder that does not exist (gone)."
echo
if [ -t 0 ]; then
  LEXORIN_ROOT="$root" build/lexorin-setup
else
  yes ok | LEXORIN_ROOT="$root" build/lexorin-setup
fi

echo
echo "=== What the installer wrote (size, last-write time in UTC, path below $root) ==="
cd "$root"
find c d -type f -newer c/TARN/quorlinx.exe -o -type f -name 'SSCE*' -o -type f -name 'ssce*' |
  sort -u | while read -r file; do
    printf '%8s  %s  %s\n' "$(stat -c %s "$file")" "$(TZ=UTC date -r "$file" '+%Y-%m-%d %H:%M:%S')" "$file"
  done
for ini in c/windows/win.ini c/TARN/quorlin.ini c/TARN/users/*/quorlin.ini d/mail/*/quorlin.ini; do
  [ -f "$ini" ] || continue
  echo
  echo "--- $ini"
  tr -d '\r' < "$ini"
done
