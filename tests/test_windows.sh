#!/usr/bin/env bash
# The Windows build, checked here: cross-built with mingw-w64 (preset "windows"), then
#   1. the plug-in DLL's exports and imports, read with a PE tool (objdump);
#   2. the test suite, run by CTest under Wine, with the test dashboards started by a launcher on the
#      Linux side (a program under Wine cannot start a Linux one);
#   3. a simulated ranked match in the Windows sandbox, uploaded over WinHTTP with a CryptoAPI
#      signature to zando-dashboard (the Linux build), which checks and keeps it;
#   4. a match traced by the Linux sandbox and replayed by both: the same console lines, paths aside.
# Run from the repository's root by ./run test-windows, which installs what it needs and builds the
# Linux sandbox and zando-dashboard first.
set -euo pipefail

log() { printf '==> %s\n' "$*" >&2; }
fail() { printf 'test-windows: %s\n' "$*" >&2; exit 1; }

# A quiet, headless Wine with a prefix of its own; the mingw programs need neither Mono nor Gecko.
export WINEPREFIX="${WINEPREFIX:-${HOME:-/tmp}/.wine-zando}" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
build=build/windows
objdump=x86_64-w64-mingw32-objdump
work="$(mktemp -d)"
children=()
trap 'for pid in "${children[@]}"; do kill "$pid" 2>/dev/null || true; done; rm -rf "$work"' EXIT

log "building the plug-in DLL, the sandbox and the tests for 64-bit Windows (mingw-w64)"
cmake --preset windows >/dev/null
cmake --build --preset windows

log "checking the plug-in DLL with $objdump"
"$objdump" -f "$build/zando.dll" | grep -q 'file format pei-x86-64' || fail "zando.dll is not a 64-bit Windows library"
exported="$("$objdump" -p "$build/zando.dll" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | awk '/^\t\[/ {print $3}' | sort | xargs)"
[ "$exported" = "deleteMe exports getPlugin zando_match_snapshot zando_select_panel_tab zando_wait_for_worker" ] ||
  fail "zando.dll exports \"$exported\", not exactly getPlugin, deleteMe, exports and the sandbox's snapshot, tab switch and worker wait"
imported="$("$objdump" -p "$build/zando.dll" | awk '/^\tvma:/ {next} /^\t[0-9a-f]+\t/ {print $3}' | sort -u)"
for needed in WinHttpOpen WinHttpCrackUrl WinHttpConnect WinHttpOpenRequest WinHttpSendRequest WinHttpReceiveResponse \
  WinHttpQueryHeaders WinHttpReadData WinHttpCloseHandle CryptAcquireContextW CryptImportKey CryptCreateHash CryptSetHashParam CryptHashData \
  CryptGetHashParam; do
  grep -qx "$needed" <<<"$imported" || fail "zando.dll does not import $needed"
done
log "zando.dll exports exactly: $exported; it calls WinHTTP and CryptoAPI"

log "running the tests under Wine"
coproc LAUNCHER { exec python3 tests/dashboard/dashboard_launcher.py 2>"$work/launcher.log"; }
children+=("$LAUNCHER_PID")
read -r _ _ launcher_port <&"${LAUNCHER[0]}"
ZANDO_TEST_DASHBOARD_LAUNCHER="http://127.0.0.1:$launcher_port" ctest --preset windows -j "$(nproc 2>/dev/null || echo 2)"
kill "$LAUNCHER_PID"
wait "$LAUNCHER_PID" 2>/dev/null || true

log "a simulated ranked 3v3 match in the Windows sandbox, uploaded to zando-dashboard"
service=build/default/zando-dashboard
[ -x "$service" ] || fail "the Linux zando-dashboard ($service) is not built"
where=(--database "$work/dashboard.sqlite3" --secret-file "$work/dashboard.secret")
key="$("$service" keys create windows "${where[@]}" 2>/dev/null)"
coproc DASHBOARD { exec "$service" serve --listen 127.0.0.1:0 "${where[@]}" 2>"$work/dashboard.log"; }
children+=("$DASHBOARD_PID")
read -r _ _ _ url <&"${DASHBOARD[0]}"
mkdir -p "$work/home"
home="$(winepath -w "$work/home")"
wine "$build/zando-sandbox.exe" --home "$home" \
  --exec "zando_enable_upload 1; zando_api_key $key; zando_server_url $url" \
  simulate --seed 8 --mode 3v3 --report >"$work/console.txt" 2>"$work/sandbox.txt" ||
  { cat "$work/sandbox.txt" >&2; fail "the Windows sandbox failed"; }
tr -d '\r' <"$work/console.txt" >"$work/console-lf.txt"
sed -n '/^Match: /,$p' "$work/console-lf.txt" >&2
grep -qx '\[ZANDO\] ✅ Stats uploaded successfully! (Status: 200)' "$work/console-lf.txt" ||
  fail "the sandbox's console does not say the upload succeeded"
kill -TERM "$DASHBOARD_PID"
wait "$DASHBOARD_PID" 2>/dev/null || true
# zando-dashboard names the whole-match format in its health answer, so the plug-in asks once and sends the
# whole match; 200 only after the key, the CryptoAPI signature and the body were checked and the match committed.
[ "$(grep -c '"GET /api/health" 200 ' "$work/dashboard.log")" = 1 ] &&
  [ "$(grep -c '"POST ' "$work/dashboard.log")" = 1 ] &&
  [ "$(grep -c '"POST /api/v2/matches" 200 ' "$work/dashboard.log")" = 1 ] &&
  grep -q 'stopped; 1 uploads committed' "$work/dashboard.log" ||
  fail "zando-dashboard did not keep exactly one signed upload: $(cat "$work/dashboard.log")"
stats="$work/home/data/zando_stats.json"
[ "$(wc -l <"$stats")" = 141 ] && [ "$(grep -c $'\r$' "$stats")" = 141 ] ||
  fail "zando_stats.json does not have 141 lines, each ending in CR LF"
log "zando-dashboard's log: $(cat "$work/dashboard.log")"

log "a match traced by the Linux sandbox, replayed in the Windows sandbox"
paths_aside() { tr -d '\r' | sed -E 's#[^ ]*[/\\]data/#<data folder>/#g'; }
linux=build/default/zando-sandbox
[ -x "$linux" ] || fail "the Linux sandbox ($linux) is not built"
"$linux" --home "$work/linux" --exec "zando_enable_upload 0" simulate --seed 4 --mode 2v2 --out "$work/match.jsonl" \
  >/dev/null 2>&1 || fail "the Linux sandbox could not trace a match"
"$linux" --home "$work/linux-replay" --exec "zando_enable_upload 0" replay "$work/match.jsonl" 2>/dev/null |
  paths_aside >"$work/linux-replay.txt"
mkdir -p "$work/windows-replay"
wine "$build/zando-sandbox.exe" --home "$(winepath -w "$work/windows-replay")" --exec "zando_enable_upload 0" \
  replay "$(winepath -w "$work/match.jsonl")" 2>/dev/null | paths_aside >"$work/windows-replay.txt"
diff "$work/linux-replay.txt" "$work/windows-replay.txt" >&2 || fail "the Windows replay's console lines differ from Linux's"
log "both replays logged the same $(wc -l <"$work/windows-replay.txt") console lines"
log "the Windows build passed: DLL exports, tests under Wine, a signed upload from the Windows sandbox, a replay"
