#!/usr/bin/env python3
"""Prints the ratios of a Google Benchmark JSON run.

Benchmarks are named "<case>/<implementation>" (extra "/..." parts after the
implementation are kept with it).  For every case that has a "tessera"
entry, each other implementation's time is divided by Tessera's: a ratio
above 1 means Tessera is faster, below 1 slower.  The implementation names
say the peer's configuration (sdl2-key-0xFC1F-RLEACCEL, ...).  A run with
repetitions is compared by its medians; one without, by its single times.
A benchmark that stopped with an error (its picture differed from
Tessera's) is printed as FAILED, once, and makes the exit status 1.
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
        # Runs mixed in random order are listed in the order the program
        # registers its benchmarks.
        benchmarks = sorted(data.get("benchmarks", []), key=lambda b: b.get("family_index", 0))
        for b in benchmarks:
            median = b.get("run_type") == "aggregate"
            if median and b.get("aggregate_name") != "median":
                continue
            name = b.get("run_name", b["name"])
            if "/" not in name:
                continue
            case, impl = name.split("/", 1)
            impl = impl.split("/")[0]
            if b.get("error_occurred"):
                message = f"{name}: {b.get('error_message', '')}"
                if message not in failed:
                    failed.append(message)
                continue
            impls = cases.setdefault(case, OrderedDict())
            # A median, reported after its runs, replaces them.
            if median or impl not in impls:
                impls[impl] = b["real_time"], b["time_unit"]
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
