#!/usr/bin/env python3
"""Peak private memory and peak working set of one process under Wine.

Waits (up to a minute) for the process of the Wine prefix PREFIX whose
command line names PROGRAM, then samples its /proc status every 2 ms until it ends. Private
memory is its resident anonymous memory (RssAnon: what it has committed and
touched; file pages behind a mapped view are not in it); the working set is
its peak resident memory (VmHWM), file pages included.

    bench_memory.py PREFIX PROGRAM
"""
import os
import sys
import time


def find(prefix, program):
    needle = b"\0WINEPREFIX=" + prefix.encode() + b"\0"
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/cmdline", "rb") as f:
                if program.encode() not in f.read():
                    continue
            with open(f"/proc/{entry}/environ", "rb") as f:
                if needle in b"\0" + f.read():
                    return entry
        except OSError:
            pass
    return None


def status(pid):
    values = {}
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            name, _, rest = line.partition(":")
            if name in ("RssAnon", "VmHWM"):
                values[name] = int(rest.split()[0]) / 1024
    return values


def main():
    prefix, program = sys.argv[1], sys.argv[2]
    deadline = time.time() + 60
    pid = None
    while pid is None and time.time() < deadline:
        pid = find(prefix, program)
        if pid is None:
            time.sleep(0.002)
    if pid is None:
        print("process not found")
        return 1
    peak_private = peak_set = 0.0
    try:
        while True:
            values = status(pid)
            if not values:  # a zombie has no memory left to show
                break
            peak_private = max(peak_private, values.get("RssAnon", 0))
            peak_set = max(peak_set, values.get("VmHWM", 0))
            time.sleep(0.002)
    except OSError:
        pass
    print(f"peak private {peak_private:.1f} MiB, peak working set {peak_set:.1f} MiB")
    return 0


if __name__ == "__main__":
    sys.exit(main())
