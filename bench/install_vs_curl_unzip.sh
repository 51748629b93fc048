#!/usr/bin/env bash
# Installs COUNT archives (MB megabytes in all) from the local FTP file store twice, measured in one run:
#   1. the installer, silent install (/s), against the local update service;
#   2. the same work by hand: curl fetches each archive, unzip unpacks it, rm deletes it.
# Reports wall time, CPU time (user + system) and peak memory (max RSS) of each, and their ratios. The
# installer's wall time includes the waits its design prescribes (per file: 500 ms after stopping the
# program being replaced, 100 ms after unpacking; after the run: 600 ms and the 500 ms exit timer); they
# are reported separately.
#
#   bench/install_vs_curl_unzip.sh [COUNT] [MB]      (default 50 300)
set -euo pipefail
cd "$(dirname "$0")/.."

count=${1:-50}
megabytes=${2:-300}
build=${TILVO_BENCH_BUILD:-build-bench}

source bench/common.sh
bench_build

echo "Preparing the store: $count archives, $megabytes MB ..."
bench_service --store-bulk "$count:$megabytes"
store="ftp://pelmar:pelmar4071@$(bench_ready 'r["store"]["ftp_url"]')mero/x64"

# 1. The installer, from a folder of its own, debug lines off.
bench_installer

# 2. curl and unzip, the same archives into the same layout.
cat > "$work/by_hand.sh" <<SCRIPT
set -e
target="$work/by_hand/bulk"
mkdir -p "\$target"
for i in \$(seq 0 $((count - 1))); do
  name=\$(printf 'bulk%03d.zip' "\$i")
  curl -s -S -o "\$target/\$name" "$store/\$name"
  unzip -o -q "\$target/\$name" -d "\$target"
  rm "\$target/\$name"
done
SCRIPT
/usr/bin/time -f "%e %U %S %M" -o "$work/by_hand.time" bash "$work/by_hand.sh"

installed="$work/root/drive_c/Tilvo launcher/bulk"
if ! diff -r "$installed" "$work/by_hand/bulk" >/dev/null; then
  echo "the two results differ" >&2
  exit 1
fi

/usr/bin/python3 - "$work/installer.time" "$work/by_hand.time" "$count" "$megabytes" <<'PY'
import sys
def read(path):
    wall, user, system, rss = open(path).read().split()[-4:]
    return float(wall), float(user) + float(system), int(rss) / 1024
inst, hand = read(sys.argv[1]), read(sys.argv[2])
count, mb = int(sys.argv[3]), sys.argv[4]
waits = count * 0.6 + 1.1
print("%d archives, %s MB, loopback FTP" % (count, mb))
print("%-22s %10s %10s %12s" % ("", "wall s", "CPU s", "peak MB"))
print("%-22s %10.2f %10.2f %12.1f" % ("installer (/s)", *inst))
print("%-22s %10.2f %10s %12s" % ("  of it, waits", waits, "", ""))
print("%-22s %10.2f %10s %12s" % ("  without the waits", inst[0] - waits, "", ""))
print("%-22s %10.2f %10.2f %12.1f" % ("curl + unzip", *hand))
print("ratios installer / curl+unzip: wall %.2f (without the waits %.2f), CPU %.2f, peak memory %.2f"
      % (inst[0] / hand[0], (inst[0] - waits) / hand[0], inst[1] / hand[1], inst[2] / hand[2]))
PY
