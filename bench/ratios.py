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
    ("BM_ReplaceFileVariables", "BM_SedReplace"),
    ("BM_FindStringInFile", "BM_GrepCount"),
    ("BM_RunRedistProgram", "BM_PipeIntoWc"),
    ("BM_RunRedistProgramWithOutput", "BM_PipeIntoWc"),
    ("BM_PipeReads1024", "BM_PipeIntoWc"),
]


def main():
    # "BM_X/iterations:3/real_time" is reported as BM_X.
    runs = {b["name"].split("/")[0]: b for b in json.load(sys.stdin)["benchmarks"]}
    for name in ("BM_ExitToReturn",):
        if name in runs:
            r = runs[name]
            print(f"{name:22} mean {r.get('mean_ms', 0):.1f} ms, worst {r.get('worst_ms', 0):.1f} ms "
                  f"from the child's exit to the call's return")
    failed = False
    for ours, peer in PAIRS:
        if ours not in runs:
            continue
        # A figure without its peer from the same run is no ratio: the benchmark fails.
        if peer not in runs:
            print(f"{ours:22} failed: its peer {peer} did not run")
            failed = True
            continue
        a, b = runs[ours], runs[peer]
        if a.get("error_occurred") or b.get("error_occurred"):
            print(f"{ours:22} failed: {a.get('error_message') or b.get('error_message')}")
            failed = True
            continue
        if "bytes_per_second" in a and "bytes_per_second" in b:
            print(f"{ours:24} {a['bytes_per_second'] / 1e6:10.1f} MB/s  vs {peer:22} "
                  f"{b['bytes_per_second'] / 1e6:10.1f} MB/s  ratio {a['bytes_per_second'] / b['bytes_per_second']:.2f}")
        else:
            print(f"{ours:24} {a['real_time']:10.1f} {a['time_unit']}  vs {peer:22} "
                  f"{b['real_time']:10.1f} {b['time_unit']}  ratio {b['real_time'] / a['real_time']:.2f}")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
