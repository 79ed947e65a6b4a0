#!/usr/bin/env bash
# Whole books and collections on the sample site with a 20 ms delay on every
# answer, beside their baselines in the same run:
#   - the 146 listing pages one after the other, and 4 ahead;
#   - the same pages on plain loopback (no delay), 4 ahead, beside curl
#     fetching them over one kept-alive connection;
#   - the longest book downloaded with --jobs 4 (time and peak memory), a
#     second download of it (fetches nothing), and its export to EPUB.
# (A download or export that ends with exit status 3, some chapter missing,
# still counts: its figures are printed all the same.)
# Usage: bench/whole_book.sh [build-dir]
set -euo pipefail
build=${1:-build/release}
site_bin=$build/src/sample_site/lorevane-sample-site
cli_bin=$build/src/cli/lorevane-cli
work=$(mktemp -d)
pids=()
trap 'kill "${pids[@]}" 2>/dev/null; rm -rf "$work"' EXIT

start_site() {  # start_site NAME ARGS... -> prints host:port
  "$site_bin" --port 0 "${@:2}" >"$work/$1.log" 2>&1 &
  pids+=($!)
  for _ in $(seq 200); do grep -q 'http://' "$work/$1.log" && break; sleep 0.05; done
  grep -o 'http://[0-9.:]*' "$work/$1.log" | head -1 | sed 's#http://##'
}
now() { date +%s.%N; }
took() { awk "BEGIN{printf \"%.3f\", $2 - $1}"; }

slow=$(start_site slow --delay 20)
fast=$(start_site fast)
for n in $(seq 146); do printf 'url = "http://%s/sort2/%d.html"\noutput = "/dev/null"\n' "$fast" "$n"; done >"$work/urls"

for round in 1 2 3; do
  t0=$(now); "$cli_bin" --site "$slow" collect --jobs 1 >/dev/null; t1=$(now)
  "$cli_bin" --site "$slow" collect --jobs 4 >/dev/null; t2=$(now)
  "$cli_bin" --site "$fast" collect --jobs 4 >/dev/null; t3=$(now)
  curl -s --config "$work/urls"; t4=$(now)
  echo "round $round: 146 pages at 20 ms: one after the other $(took $t0 $t1) s, 4 ahead $(took $t1 $t2) s;" \
       "plain loopback: 4 ahead $(took $t2 $t3) s, curl on one connection $(took $t3 $t4) s"
done

read -r book chapters < <("$site_bin" --longest-book)
library=$work/library.sqlite3
/usr/bin/time -f '%e s, peak %M KB' -o "$work/time1" \
  "$cli_bin" --site "$slow" --library "$library" download "$book" --jobs 4 >"$work/first.json" 2>/dev/null || true
echo "download of $book ($chapters chapters) at 20 ms, --jobs 4: $(cat "$work/time1"); $(cat "$work/first.json")"
/usr/bin/time -f '%e s, peak %M KB' -o "$work/time2" \
  "$cli_bin" --site "$slow" --library "$library" download "$book" --jobs 4 >"$work/second.json" 2>/dev/null || true
echo "second download: $(cat "$work/time2"); $(cat "$work/second.json")"
/usr/bin/time -f '%e s, peak %M KB' -o "$work/time3" \
  "$cli_bin" --site "$slow" --library "$library" export "$book" --format epub --output "$work/book.epub" --offline >/dev/null || true
echo "export to EPUB: $(cat "$work/time3"), $(stat -c %s "$work/book.epub") bytes"
