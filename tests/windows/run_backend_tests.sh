#!/usr/bin/env bash
# Runs the Windows backend tests under Wine against a test dashboard on loopback.
#   tests/windows/run_backend_tests.sh build/windows-backends/zando_windows_backend_tests.exe
set -euo pipefail
program=$1
here="$(cd "$(dirname "$0")" && pwd)"
work="$(mktemp -d)"
key="zk_windows_$$"
coproc DASHBOARD { exec python3 "$here/../dashboard/dashboard_test_server.py" --key "$key" --record "$work/requests.jsonl" \
  2>"$work/dashboard.log"; }
trap 'kill "$DASHBOARD_PID" 2>/dev/null || true; rm -rf "$work"' EXIT
read -r _ _ port <&"${DASHBOARD[0]}"

# A quiet, headless Wine with its own prefix; no Mono or Gecko is needed.
export WINEPREFIX="${WINEPREFIX:-${HOME:-/tmp}/.wine-zando}" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export ZANDO_TEST_DASHBOARD="http://127.0.0.1:$port" ZANDO_TEST_DASHBOARD_KEY="$key"
wine "$program"
