#!/usr/bin/env python3
"""Prints the ratios of a Google Benchmark JSON run.

Benchmarks are named "<case>/<implementation>" (extra "/..." parts after the
implementation are kept with it).  For every case that has a "tessera"
entry, each other implementation's time is divided by Tessera's: a ratio
above 1 means Tessera is faster, below 1 slower.  The implementation names
say the peer's configuration (sdl2-key-0xFC1F-RLEACCEL, ...).  A benchmark
that stopped with an error (its picture differed from Tessera's) is printed
as FAILED and makes the exit status 1.
"""
import json
import sys
from collections import OrderedDict


def main(paths):
    cases = OrderedDict()
    failed = []
    for path in paths:
        with open(path) as f:
            data = json.load(f)
        for b in data.get("benchmarks", []):
            if b.get("run_type") == "aggregate" and b.get("aggregate_name") != "mean":
                continue
            name = b["name"].replace("_mean", "")
            if "/" not in name:
                continue
            case, impl = name.split("/", 1)
            impl = impl.split("/")[0]
            if b.get("error_occurred"):
                failed.append(f"{name}: {b.get('error_message', '')}")
                continue
            cases.setdefault(case, OrderedDict())[impl] = b["real_time"], b["time_unit"]
    width = max((len(c) for c in cases), default=10)
    for case, impls in cases.items():
        if "tessera" not in impls:
            continue
        t, unit = impls["tessera"]
        parts = []
        for impl, (time, u) in impls.items():
            if impl == "tessera":
                continue
            parts.append(f"{impl} {time / t:6.2f}x")
        print(f"{case:<{width}}  tessera {t:10.1f} {unit}   " + "   ".join(parts))
    for f in failed:
        print(f"FAILED {f}")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
