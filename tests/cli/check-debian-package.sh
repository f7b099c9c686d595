#!/usr/bin/env bash
# The Debian package, end to end: made from a build with a test image (no package
# for real mice is ever made with the placeholder), its contents checked, lintian
# run on it (no warnings), installed with dpkg, the installed talun-r5 run, its
# manual page, bash completion, service user and systemd unit checked, installed
# again over an edited configuration file (which must be kept), and purged,
# leaving nothing.
#
# Needs root for dpkg (sudo when not root). Refuses to touch a talun-r5 that is
# installed on this machine already.
#   tests/cli/check-debian-package.sh [build folder, default build/debian-package]
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build/debian-package}
jobs=${TALUN_JOBS:-$(nproc)}
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

fail() {
  echo "FAILED: $*" >&2
  exit 1
}
package_state() {
  dpkg-query -W -f='${db:Status-Status}' talun-r5 2>/dev/null || true
}

state=$(package_state)
if [ -n "$state" ] && [ "$state" != "not-installed" ]; then
  fail "talun-r5 is on this machine already ($state); remove it first, this test purges it"
fi

echo "--- build with a test image and make the package"
mkdir -p "$build"
python3 -c 'import sys; sys.stdout.buffer.write(bytes((i * 37 + 11) % 256 for i in range(3068)))' \
  >"$build/test-image.bin"
# Only what the package holds is built.
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTALUN_WERROR=ON \
  -DTALUN_BUILD_TESTS=OFF -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON \
  -DTALUN_FIRMWARE_FILE="$PWD/$build/test-image.bin" >/dev/null
cmake --build "$build" -j "$jobs" --target talun-r5 hiddriver_linux talun_r5_manual >/dev/null
rm -f "$build"/*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(echo "$build"/talun-r5_*_"$(dpkg --print-architecture)".deb)
[ -f "$deb" ] || fail "no package talun-r5_<version>_$(dpkg --print-architecture).deb in $build"
echo "$deb"

echo "--- contents"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A lock of its own, not the one that other runs of talun-r5 on this machine share.
export TALUN_R5_GUARD_FILE="$work/guard.lock"
dpkg-deb -x "$deb" "$work/root"
dpkg-deb -e "$deb" "$work/control"
(cd "$work/root" && find . ! -type d | LC_ALL=C sort) >"$work/files"
cat >"$work/expected" <<'LIST'
./etc/talun-r5/default.ini
./etc/talun-r5/hiddriver.ini
./usr/bin/talun-r5
./usr/lib/systemd/system/talun-r5.service
./usr/lib/talun-r5/hiddriver.ini
./usr/lib/talun-r5/libhiddriver.so
./usr/lib/udev/rules.d/70-talun-r5.rules
./usr/share/bash-completion/completions/talun-r5
./usr/share/doc/talun-r5/README.md
./usr/share/doc/talun-r5/changelog.gz
./usr/share/doc/talun-r5/copyright
./usr/share/doc/talun-r5/driver/README.md
./usr/share/man/man1/talun-r5.1.gz
LIST
diff -u "$work/expected" "$work/files" || fail "the package holds other files than these"
[ "$(readlink "$work/root/usr/lib/talun-r5/hiddriver.ini")" = /etc/talun-r5/hiddriver.ini ] ||
  fail "/usr/lib/talun-r5/hiddriver.ini must lead to /etc/talun-r5/hiddriver.ini"
printf '/etc/talun-r5/default.ini\n/etc/talun-r5/hiddriver.ini\n' |
  diff -u - "$work/control/conffiles" || fail "the configuration files are not conffiles"
depends=$(dpkg-deb -f "$deb" Depends)
for library in libc6 libhidapi-hidraw0 libudev1 adduser; do
  [[ "$depends" == *"$library"* ]] || fail "Depends ($depends) lacks $library"
done
echo "Depends: $depends"

echo "--- lintian"
lintian --fail-on error,warning --tag-display-limit 0 "$deb" || fail "lintian found errors or warnings"

echo "--- install, run, reinstall over an edited configuration file"
installed=""
trap '[ -z "$installed" ] || $SUDO dpkg --purge talun-r5 >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
$SUDO dpkg -i "$deb" >/dev/null
installed=yes
[ "$(command -v talun-r5)" = /usr/bin/talun-r5 ] || fail "talun-r5 is not on the path"
version=$(talun-r5 --version)
echo "$version"
[[ "$version" != *placeholder* ]] || fail "the package's talun-r5 holds the placeholder image"
talun-r5 devices || fail "talun-r5 devices failed ($?)"
# Without a mouse the command fails; the library and default.ini come from the
# installed folders, and the library has read hiddriver.ini through its link.
status=0
talun-r5 --trace "$work/trace.txt" query-main-setting >"$work/out.txt" 2>&1 || status=$?
[ "$status" -eq 1 ] || fail "query-main-setting without a mouse exited $status: $(cat "$work/out.txt")"
grep -qx '# driver library /usr/lib/talun-r5/libhiddriver.so' "$work/trace.txt" ||
  fail "not the installed driver library: $(cat "$work/trace.txt")"
grep -qx '# settings file /etc/talun-r5/default.ini' "$work/trace.txt" ||
  fail "not the installed default.ini: $(cat "$work/trace.txt")"
grep -q 'hiddriver.ini still holds the placeholder identifiers' "$work/out.txt" ||
  fail "the driver library did not read /etc/talun-r5/hiddriver.ini: $(cat "$work/out.txt")"
echo "--- the manual page, the completion and the service"
# From the package's files: a system may leave manual pages out when installing.
man -P cat -l "$work/root/usr/share/man/man1/talun-r5.1.gz" 2>/dev/null |
  grep -q -- '--firmware-sha256 HEX' || fail "the manual page lacks an option"
complete_line() {
  # shellcheck disable=SC2016
  bash -c 'source /usr/share/bash-completion/bash_completion; source "$1"; shift
    COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
    _talun_r5; echo "${COMPREPLY[*]}"' _ "$work/root/usr/share/bash-completion/completions/talun-r5" "$@"
}
[ "$(complete_line talun-r5 wat)" = watch ] || fail "'talun-r5 wat' completes to '$(complete_line talun-r5 wat)'"
[ "$(complete_line talun-r5 watch --fi)" = "--firmware --firmware-sha256" ] ||
  fail "'talun-r5 watch --fi' completes to '$(complete_line talun-r5 watch --fi)'"
[ "$(complete_line talun-r5 macro ctrl-)" = "ctrl-c ctrl-v" ] ||
  fail "'talun-r5 macro ctrl-' completes to '$(complete_line talun-r5 macro ctrl-)'"
getent passwd talun-r5 >/dev/null || fail "no system user talun-r5"
[ "$(id -gn talun-r5)" = talun-r5 ] || fail "talun-r5's group is not talun-r5"
systemd-analyze verify /usr/lib/systemd/system/talun-r5.service ||
  fail "systemd-analyze verify found faults in talun-r5.service"
[ ! -e /etc/systemd/system/multi-user.target.wants/talun-r5.service ] ||
  fail "installing enabled the service"
grep -q 'GROUP="talun-r5", MODE="0660"' /usr/lib/udev/rules.d/70-talun-r5.rules ||
  fail "the udev rule does not give the mouse's node to the group talun-r5"
for setting in 'User=talun-r5' 'Restart=on-failure' 'PrivateTmp=no' 'NoNewPrivileges=yes' \
  'ProtectSystem=strict' 'ExecStart=/usr/bin/talun-r5 watch --log /var/lib/talun-r5/station.log --metrics /var/lib/talun-r5/talun-r5.prom'; do
  grep -qx -- "$setting" /usr/lib/systemd/system/talun-r5.service || fail "talun-r5.service lacks $setting"
done
systemd-analyze security --offline=true /usr/lib/systemd/system/talun-r5.service 2>/dev/null |
  tail -1 || true
echo '; edited here' | $SUDO tee -a /etc/talun-r5/default.ini >/dev/null
$SUDO dpkg -i "$deb" >/dev/null
grep -q '; edited here' /etc/talun-r5/default.ini || fail "reinstalling replaced an edited default.ini"

echo "--- purge"
dpkg-query -L talun-r5 | sort -r >"$work/owned"
$SUDO dpkg --purge talun-r5 >/dev/null
installed=""
state=$(package_state)
[ -z "$state" ] || [ "$state" = "not-installed" ] || fail "talun-r5 is still known to dpkg: $state"
left=""
while read -r path; do
  case "$path" in /. | /etc | /usr | /usr/bin | /usr/lib | /usr/lib/udev | /usr/lib/udev/rules.d | \
    /usr/lib/systemd | /usr/lib/systemd/system | /usr/share | /usr/share/doc | /usr/share/man | \
    /usr/share/man/man1 | /usr/share/bash-completion | /usr/share/bash-completion/completions) continue ;; esac
  if [ -e "$path" ] || [ -L "$path" ]; then left="$left $path"; fi
done <"$work/owned"
for path in /etc/talun-r5 /usr/lib/talun-r5 /usr/share/doc/talun-r5; do
  if [ -e "$path" ]; then left="$left $path"; fi
done
[ -z "$left" ] || fail "left behind after purging:$left"
echo "Debian package: all checks passed"
