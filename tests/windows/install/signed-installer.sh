#!/usr/bin/env bash
# signed-installer.sh WINE_RUN PREFIX ZPBUILD_EXE ZPRUN_EXE WORK
# A publisher signs the built installer with osslsigncode and a throw-away
# certificate: zpbuild still lists and verifies it (and says it is signed),
# osslsigncode still accepts it afterwards, it installs and its uninstaller
# (an unsigned copy of the image) uninstalls.
source "$(dirname "$0")/script-common.sh"

rm -rf "$work" && mkdir -p "$work/src" "$work/Terminal"
printf 'an indicator' >"$work/src/Signed.ex4"
cat >"$work/signed.toml" <<TOML
[product]
name = "ZpTest Signed"
publisher = "ZpTest"
[[files]]
source = "src/Signed.ex4"
target = '{experts}\\Signed.ex4'
TOML
build "$work/signed.toml" "$work/setup.exe"

openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=ZpInstall test publisher" \
  -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
osslsigncode sign -certs "$work/cert.pem" -key "$work/key.pem" -n "ZpTest Signed" \
  -in "$work/setup.exe" -out "$work/signed.exe" >/dev/null

wine "$zpbuild" verify "$(win "$work/setup.exe")" | grep -q "signature: none" || fail "the unsigned installer is called signed"
verify=$(wine "$zpbuild" verify "$(win "$work/signed.exe")") || fail "verify of the signed installer: $verify"
grep -q "signature: present" <<<"$verify" || fail "verify does not see the signature: $verify"
wine "$zpbuild" list "$(win "$work/signed.exe")" | grep -q 'Signed.ex4' || fail "list of the signed installer"
osslsigncode verify -CAfile "$work/cert.pem" -in "$work/signed.exe" >"$work/osslsigncode.txt" 2>&1 ||
  fail "osslsigncode rejects the signed installer after zpbuild read it: $(cat "$work/osslsigncode.txt")"

log=$(wine "$work/signed.exe" install "$(win "$work/signed.exe")" "$(win "$work/Terminal")") || fail "install: $log"
grep -q $'\tDone.' <<<"$log" || fail "the install did not finish: $log"
[ "$(cat "$work/Terminal/MQL4/Experts/Signed.ex4" 2>/dev/null || cat "$work/Terminal/experts/Signed.ex4")" = "an indicator" ] ||
  fail "the file did not arrive"
program="$prefix/drive_c/Program Files/ZpTest Signed"
cp "$program/Uninstall.exe" "$work/Uninstall.exe"
# The uninstaller carries uninstall data, not a package: verify's other
# verdict is beside the point here.
verify=$(wine "$zpbuild" verify "$(win "$work/Uninstall.exe")" 2>/dev/null || true)
grep -q "signature: none" <<<"$verify" || fail "the uninstaller still names the installer's certificate table: $verify"
log=$(wine "$program/Uninstall.exe" uninstall 'C:\Program Files\ZpTest Signed\Uninstall.exe') || fail "uninstall: $log"
grep -q $'\tDone.' <<<"$log" || fail "the uninstall did not finish: $log"
[ ! -e "$work/Terminal/MQL4/Experts/Signed.ex4" ] && [ ! -e "$work/Terminal/experts/Signed.ex4" ] ||
  fail "the uninstall left the file"
rm -rf "$program"
echo "signed installer: verified, installed and uninstalled"
