#!/usr/bin/env python3
"""Prints each library benchmark against its peer from one Google Benchmark JSON run.

usage: cw32-bench --benchmark_format=json | bench/ratios.py
A pair is (ours, peer); the ratio is ours' throughput over the peer's (above 1: faster).
"""
import json
import sys

PAIRS = [
    ("BM_WideToAnsi", "BM_IconvWideToUtf8"),
    ("BM_AnsiToWide", "BM_IconvUtf8ToWide"),
    ("BM_CStringCopy", "BM_WStringCopy"),
    ("BM_CStringCopyLong", "BM_WStringCopyLong"),
    ("BM_CStringFormat", "BM_Swprintf"),
]


def main():
    runs = {b["name"]: b for b in json.load(sys.stdin)["benchmarks"]}
    for ours, peer in PAIRS:
        if ours not in runs or peer not in runs:
            continue
        a, b = runs[ours], runs[peer]
        if "bytes_per_second" in a and "bytes_per_second" in b:
            print(f"{ours:22} {a['bytes_per_second'] / 1e6:10.1f} MB/s  vs {peer:22} "
                  f"{b['bytes_per_second'] / 1e6:10.1f} MB/s  ratio {a['bytes_per_second'] / b['bytes_per_second']:.2f}")
        else:
            print(f"{ours:22} {a['real_time']:10.1f} {a['time_unit']}  vs {peer:22} "
                  f"{b['real_time']:10.1f} {b['time_unit']}  ratio {b['real_time'] / a['real_time']:.2f}")


if __name__ == "__main__":
    main()
