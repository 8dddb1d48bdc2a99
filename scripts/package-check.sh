#!/usr/bin/env bash
# Builds the Debian package and checks it the way a user meets it: lintian
# without errors; installed with dpkg, the tool reads an installed sample log
# and the viewer opens one offscreen, both through the system-wide
# registration and without the build tree; a ten-line client builds against
# the installed files through pkg-config and through find_package(Corvex);
# each sample log is of our MIME type and a text .log is not. Then the package
# is purged and nothing it installed may be left. Needs root (or sudo).
#
#   bash scripts/package-check.sh            # build/package, corvex_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi

step() { echo "== package: $* =="; }
fail() {
  echo "package check: $*" >&2
  exit 1
}

if dpkg-query -W -f='${Status}' corvex 2>/dev/null | grep -q 'installed'; then
  fail "a corvex package is installed already; remove it first (dpkg -P corvex)"
fi

jobs=$(nproc 2>/dev/null || echo 2)
step "build"
cmake --preset package >/dev/null
cmake --build --preset package -j "$jobs"
rm -f build/package/corvex_*.deb
(cd build/package && cpack -G DEB >/dev/null)
deb=$(ls build/package/corvex_*.deb)
echo "$deb"

step "lintian"
lintian --fail-on error "$deb"

work=$(mktemp -d)
installed_files="$work/installed-files"
cleanup() {
  if dpkg-query -W -f='${Status}' corvex 2>/dev/null | grep -q 'installed'; then
    "${sudo_cmd[@]}" dpkg -P corvex >/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

step "install"
store=/etc/corvex/registry
# What the package brings that is not there yet: all of it must go again.
dpkg-deb -c "$deb" | awk '{ print $6 }' | sed 's|^\.||; s|/$||' | grep -v '^$' | while read -r path; do
  [ -e "$path" ] || [ -L "$path" ] || echo "$path"
done >"$installed_files"
[ -e /etc/corvex ] || echo /etc/corvex >>"$installed_files"
"${sudo_cmd[@]}" dpkg -i "$deb" >/dev/null
module=$(dpkg -L corvex | grep '/libCorvex\.so\.[0-9]*$')
grep -q "^@=\"$(readlink -f "$module")\"" "$store" || fail "the system store does not name $module"
[ "$(stat -c %a "$store")" = 644 ] || fail "$store is not readable by every user"

# Everything below runs as a user would, away from the checkout, with a home
# of its own (no per-user registration: the system store answers); run as
# root, the checks run as nobody, who can only read the system store.
home="$work/home"
mkdir -p "$home"
cd "$work"
as_user=(env -i "PATH=/usr/bin:/bin" "HOME=$home" "LANG=C.UTF-8")
if [ "$(id -u)" -eq 0 ]; then
  chmod 755 "$work"
  chown nobody "$home"
  as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups "${as_user[@]}")
fi
samples=/usr/share/corvex/samples

step "corvex"
"${as_user[@]}" corvex --version
# A store the user could not read would be reported on standard error.
"${as_user[@]}" corvex info "$samples/pc_flow.log" >"$work/info.txt" 2>"$work/info.err"
head -n 4 "$work/info.txt"
[ ! -s "$work/info.err" ] || { cat "$work/info.err" >&2; fail "corvex info complained"; }
for log in "$samples"/*.log; do
  "${as_user[@]}" corvex info "$log" >/dev/null || fail "corvex info $log"
done
# Without any registration the installed module in the library folder stands in.
"${as_user[@]}" CORVEX_REGISTRY="$work/empty-store" corvex info "$samples/compact_flow.log" >/dev/null ||
  fail "corvex does not find the installed module without registration"
for page in corvex corvex-regsvr CorvexViewer; do
  [ -f "/usr/share/man/man1/$page.1.gz" ] || fail "the manual page $page(1) is missing"
done
# Completion as bash-completion loads it on first use, from the installed tool's help.
completions=$("${as_user[@]}" bash -c '
  source /usr/share/bash-completion/bash_completion
  _completion_loader corvex
  complete_words() { COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
                     COMPREPLY=(); _corvex; echo "${COMPREPLY[*]}"; }
  complete_words corvex ex; complete_words corvex export --format ""')
[ "$completions" = $'export\ncsv xlsx' ] || fail "bash completion gave: $completions"
if dpkg -L corvex | grep -q '/dist-packages/'; then
  step "Python module"
  "${as_user[@]}" python3 -c 'import corvex' || fail "the installed Python module does not import"
fi

step "CorvexViewer (offscreen)"
settings="$home/viewer.ini"
"${as_user[@]}" QT_QPA_PLATFORM=offscreen CORVEX_VIEWER_SETTINGS="$settings" \
  CorvexViewer "$samples/meter_flow.log" >"$work/viewer.out" 2>&1 &
viewer=$!
opened=""
for _ in $(seq 1 100); do
  # The viewer remembers the folder of a log as soon as it has opened it.
  if grep -q "$samples" "$settings" 2>/dev/null; then opened=yes; break; fi
  kill -0 "$viewer" 2>/dev/null || break
  sleep 0.1
done
maps=$(grep -o '/[^ ]*libCorvex\.so[^ ]*' "/proc/$viewer/maps" 2>/dev/null | sort -u || true)
kill "$viewer" 2>/dev/null || true
wait "$viewer" 2>/dev/null || true
[ -n "$opened" ] || { cat "$work/viewer.out" >&2; fail "the viewer did not open the sample log"; }
[ "$maps" = "$(readlink -f "$module")" ] || fail "the viewer runs the module from '$maps', not $module"
echo "opened $samples/meter_flow.log with $maps"

step "client built against the installed files"
cat >"$work/client.cpp" <<'EOF'
// Opens a log through the registered log module and prints its record count.
#include <corvex/corvex.h>
#include <corvex/platform/activation.h>
#include <corvex/platform/bstr.h>
#include <cstdio>
int main(int argc, char** argv) {
    corvex::platform::ComPtr<ILog> log;
    if (argc != 2 || FAILED(corvex::platform::create_instance("Corvex.Log", IID_ILog, log.put_void()))) return 1;
    std::int32_t opened = -1, count = 0;
    if (FAILED(log->Open(corvex::platform::Bstr::from_path(argv[1]).get(), &opened)) || opened != 0) return 1;
    log->get_Count(&count);
    std::printf("%d\n", count);
}
EOF
# shellcheck disable=SC2046  # pkg-config's flags are words
c++ -std=c++20 -o "$work/client-pc" "$work/client.cpp" $(pkg-config --cflags --libs corvex)
cat >"$work/CMakeLists.txt" <<'EOF'
cmake_minimum_required(VERSION 3.25)
project(client CXX)
find_package(Corvex 1.0 REQUIRED)
add_executable(client client.cpp)
target_link_libraries(client PRIVATE Corvex::Corvex)
EOF
cmake -S "$work" -B "$work/build" >/dev/null
cmake --build "$work/build" >/dev/null
for client in "$work/client-pc" "$work/build/client"; do
  count=$("${as_user[@]}" "$client" "$samples/pc_flow.log") || fail "$client failed"
  [ "$count" = 299 ] || fail "$client counted $count records in pc_flow.log"
done
echo "both clients count 299 records in pc_flow.log"

step "MIME type"
printf 'Started service\nStopped service\n' >"$work/service.log"
for log in "$samples"/*.log "$work/service.log"; do
  type=$("${as_user[@]}" xdg-mime query filetype "$log")
  expected=application/x-corvex-log
  [ "$log" = "$work/service.log" ] && expected=text/x-log
  echo "$log: $type"
  [ "$type" = "$expected" ] || fail "$log is $type, not $expected"
done
desktop-file-validate /usr/share/applications/corvex-viewer.desktop

step "remove"
"${sudo_cmd[@]}" dpkg -P corvex >/dev/null
left=""
while read -r path; do
  if [ -e "$path" ] || [ -L "$path" ]; then left+=" $path"; fi
done <"$installed_files"
if grep -q 'x-corvex-log' /usr/share/mime/types; then left+=" (the MIME type)"; fi
[ -z "$left" ] || fail "left behind after removal:$left"
echo "nothing left"
cd "$root"
echo "package check passed: $deb"
