#!/usr/bin/env bash
# Times a full 146-page collection from the sample site on loopback, through
# lorevane-cli and through the program's main window (offscreen), beside curl
# fetching the same 146 listing pages one after the other in one process.
# Usage: bench/collect_vs_curl.sh [build-dir]
set -euo pipefail
build=${1:-build/release}
site_bin=$build/src/sample_site/lorevane-sample-site
cli_bin=$build/src/cli/lorevane-cli
app_bin=$build/src/app/lorevane

log=$(mktemp)
"$site_bin" --port 0 >"$log" 2>&1 &
site_pid=$!
trap 'kill $site_pid 2>/dev/null; rm -f "$log" "$urls"' EXIT
for _ in $(seq 100); do grep -q 'http://' "$log" && break; sleep 0.05; done
host=$(grep -o 'http://[0-9.:]*' "$log" | head -1 | sed 's#http://##')
urls=$(mktemp)
for n in $(seq 146); do printf 'url = "http://%s/sort2/%d.html"\noutput = "/dev/null"\n' "$host" "$n"; done >"$urls"

now() { date +%s.%N; }
for round in 1 2 3; do
  t0=$(now); rows=$("$cli_bin" --site "$host" collect | wc -l); t1=$(now)
  curl -s --config "$urls"; t2=$(now)
  QT_QPA_PLATFORM=offscreen "$app_bin" --site "$host" --collect --close-when-collected 2>/dev/null; t3=$(now)
  printf 'round %d: lorevane-cli collect %d rows in %.3f s; program (start, collect, close) %.3f s; curl 146 pages in %.3f s\n' \
    "$round" "$rows" "$(awk "BEGIN{print $t1 - $t0}")" "$(awk "BEGIN{print $t3 - $t2}")" "$(awk "BEGIN{print $t2 - $t1}")"
done
