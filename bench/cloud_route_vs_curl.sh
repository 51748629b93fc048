#!/usr/bin/env bash
# The cloud-drive route against curl, measured in one run: COUNT archives (MB megabytes in all) from the local
# HTTPS cloud drive,
#   1. the installer, silent install (/s) with "inst_use_google_drive_" on: one download thread per file,
#      each archive unpacked as it arrives;
#   2. curl fetching the same URLs in parallel (one curl, --parallel), the same certificate check;
#   3. the same curl download, then unzip of every archive (in parallel) and its removal: the installer's work.
# Reports wall time, CPU time (user + system) and peak memory (max RSS) of each, and the ratios. The
# installer's wall time includes the waits its design prescribes (per file: 500 ms after stopping the program
# being replaced and 100 ms after unpacking, one file at a time; after the run: 100 ms and the 500 ms exit
# timer, and 100 ms before the run); they are reported separately.
#
#   bench/cloud_route_vs_curl.sh [COUNT] [MB] [deflated|stored]      (default 20 400 deflated)
#
# One archive of 1 GB, stored, shows the memory a large download takes: bench/cloud_route_vs_curl.sh 1 1024 stored
set -euo pipefail
cd "$(dirname "$0")/.."

count=${1:-20}
megabytes=${2:-400}
packing=${3:-deflated}
build=${TILVO_BENCH_BUILD:-build-bench}

source bench/common.sh
bench_build

bulk="$count:$megabytes"
[ "$packing" = stored ] && bulk="$bulk:stored"
echo "Preparing the drive: $count archives, $megabytes MB ($packing) ..."
bench_service --cloud-route --store-bulk "$bulk"
index_url="http://$(bench_ready 'r["servers"]["hosts"][2]')/inst/googledrive/mero.json"

# 1. The installer, from a folder of its own, debug lines off.
bench_installer
installed="$work/root/drive_c/Tilvo launcher/bulk"
if grep -q download_error "$work/installer.log"; then
  grep download_error "$work/installer.log" >&2
  echo "the installer reported a failed download" >&2
  exit 1
fi

# 2 and 3. curl with the same trust: this build's bundle, as the installer unpacked it.
ca="$work/installer/ssl32/ca-certificates.crt"
mkdir -p "$work/by_hand/bulk"
curl -s -S -o "$work/index.json" "$index_url"
/usr/bin/python3 - "$work/index.json" "$work/by_hand/bulk" > "$work/curl.config" <<'PY'
import json, sys
for item in json.load(open(sys.argv[1]))["list"]:
    print('url = "%s"\noutput = "%s/%s"' % (item["download_url"], sys.argv[2], item["title"]))
PY
cat > "$work/download.sh" <<SCRIPT
set -e
curl -s -S --no-progress-meter --fail --parallel --parallel-max $count --cacert "$ca" -K "$work/curl.config"
SCRIPT
cat > "$work/by_hand.sh" <<SCRIPT
set -e
bash "$work/download.sh"
cd "$work/by_hand/bulk"
ls *.zip | xargs -P $count -n 1 sh -c 'unzip -o -q "\$0" && rm "\$0"'
SCRIPT
/usr/bin/time -f "%e %U %S %M" -o "$work/download.time" bash "$work/download.sh"
rm -f "$work"/by_hand/bulk/*
/usr/bin/time -f "%e %U %S %M" -o "$work/by_hand.time" bash "$work/by_hand.sh"

if ! diff -r "$installed" "$work/by_hand/bulk" >/dev/null; then
  echo "the two results differ" >&2
  exit 1
fi

/usr/bin/python3 - "$work/installer.time" "$work/download.time" "$work/by_hand.time" "$count" "$megabytes" "$packing" \
  "$(du -sb "$installed" | cut -f1)" <<'PY'
import sys
def read(path):
    wall, user, system, rss = open(path).read().split()[-4:]
    return float(wall), float(user) + float(system), int(rss) / 1024
inst, down, hand = (read(p) for p in sys.argv[1:4])
count, mb, packing, size = int(sys.argv[4]), sys.argv[5], sys.argv[6], int(sys.argv[7])
waits = count * 0.6 + 0.7
print("%d archives, %s MB of data (%s), %.0f MB installed, loopback HTTPS" % (count, mb, packing, size / 2**20))
print("%-26s %10s %10s %12s" % ("", "wall s", "CPU s", "peak MB"))
print("%-26s %10.2f %10.2f %12.1f" % ("installer (/s, cloud)", *inst))
print("%-26s %10.2f %10s %12s" % ("  of it, waits", waits, "", ""))
print("%-26s %10.2f %10s %12s" % ("  without the waits", inst[0] - waits, "", ""))
print("%-26s %10.2f %10.2f %12.1f" % ("curl --parallel", *down))
print("%-26s %10.2f %10.2f %12.1f" % ("curl --parallel + unzip", *hand))
print("ratios installer / curl --parallel: wall %.2f, CPU %.2f, peak memory %.2f"
      % (inst[0] / down[0], inst[1] / down[1], inst[2] / down[2]))
print("ratios installer / curl + unzip: wall %.2f (without the waits %.2f), CPU %.2f, peak memory %.2f"
      % (inst[0] / hand[0], (inst[0] - waits) / hand[0], inst[1] / hand[1], inst[2] / hand[2]))
PY
