#!/bin/bash
# Predicted against real: each file's --estimate, then the real conversion with the same device
# and profile, and the two sizes (and times) side by side, one tab-separated line a clip.
# Usage: predicted_vs_real.sh BUILD_DIR DEVICE PROFILE FILE...
set -u
build=$1 device=$2 profile=$3
shift 3
convert="$build/bin/mavo-convert"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for file in "$@"; do
    out="$work/out"
    rm -rf "$out" && mkdir -p "$out"
    estimate=$("$convert" --estimate --json --device "$device" --profile "$profile" "$file")
    real=$("$convert" --json --quiet --device "$device" --profile "$profile" --output "$out" "$file")
    python3 - "$estimate" "$real" "$device" "$profile" <<'PY'
import json, os, sys
e = json.loads(sys.argv[1]); r = json.loads(sys.argv[2])
name = os.path.basename(e["source"])
if not e["converts"] or r["result"] != "converted":
    print(f"{sys.argv[3]} {sys.argv[4]}\t{name}\tpredicted {e['reason'] or 'converts'}\treal {r['result']} {r['reason'] or ''}")
    sys.exit(0)
size = os.path.getsize(r["output"])
print(f"{sys.argv[3]} {sys.argv[4]}\t{name}\t{e['frame']}\t{e['bytes']}\t{size}\t"
      f"{100.0 * (e['bytes'] - size) / size:+.1f} %\t{e['seconds']}\t{r['seconds']}")
PY
done
