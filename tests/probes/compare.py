#!/usr/bin/env python3
"""Runs the probe's calls through the Windows build (under Wine) and through winport, and fails
on any answer that differs, unless known_differences.txt lists that call with winport's answer
under the reason for the difference (a listed call must still differ, and winport must still
give the listed answer).

usage: compare.py WINDOWS_PROBE POSIX_PROBE [RUNNER]
"""
import os
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))


def answers(command, cases, env, cwd):
    out = subprocess.run(command, input=cases, capture_output=True, env=env, cwd=cwd, check=False)
    if out.returncode != 0:
        sys.exit(f"{' '.join(command)}: exit code {out.returncode}: {out.stderr.decode(errors='replace')[-400:]}")
    # In the order of the cases: a call written twice (a read, a close) is answered twice.
    return [line.partition(" => ")[::2] for line in out.stdout.decode("utf-8").replace("\r\n", "\n").splitlines()]


def make_files(folder, windows_probe, posix_probe):
    """The files that the file-version cases name, relative to the probes' working folder: the
    build's PE fixtures, a text file, an ELF program, an empty file and a folder."""
    fixtures = os.path.join(os.path.dirname(os.path.abspath(windows_probe)), "pe-fixtures")
    if os.path.isdir(fixtures):
        shutil.copytree(fixtures, os.path.join(folder, "pe"))
    with open(os.path.join(folder, "text.txt"), "w", encoding="ascii") as text:
        text.write("MZ, and then not a program\n")
    open(os.path.join(folder, "empty.bin"), "wb").close()
    shutil.copy(posix_probe, os.path.join(folder, "elf.bin"))
    os.mkdir(os.path.join(folder, "folder"))


def known_differences():
    """call -> (winport's answer, the reason given by the comment block above it)."""
    known, reason, fresh = {}, "", True
    with open(os.path.join(HERE, "known_differences.txt"), encoding="utf-8") as listed:
        for line in listed.read().splitlines():
            if line.startswith("#"):
                reason = (line[1:].strip() if fresh else reason + " " + line[1:].strip()).strip()
                fresh = False
            elif line.strip():
                call, _, answer = line.partition(" => ")
                known[call] = (answer, reason)
                fresh = True
    return known


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    verbose = os.environ.get("CW32_PROBE_VERBOSE") == "1"
    windows, posix = sys.argv[1], sys.argv[2]
    runner = [os.path.abspath(r) for r in sys.argv[3:4]]
    if not os.path.exists(posix):
        sys.exit(f"{posix} is missing: build the posix preset first")
    with open(os.path.join(HERE, "winapi_cases.txt"), "rb") as f:
        cases = f.read()
    calls = [l for l in cases.decode().splitlines() if l.strip() and not l.startswith("#")]
    env = dict(os.environ, LC_ALL="C", LANG="C")
    env.pop("LC_MESSAGES", None)
    # Each side runs in a folder of its own holding the same files: what a case writes there
    # stays apart.
    with tempfile.TemporaryDirectory() as state, tempfile.TemporaryDirectory() as ours, \
            tempfile.TemporaryDirectory() as theirs:
        make_files(theirs, windows, posix)
        make_files(ours, windows, posix)
        on_windows = answers(runner + [os.path.abspath(windows)], cases, env, theirs)
        on_posix = answers([os.path.abspath(posix)], cases, dict(env, WINPORT_ROOT=state), ours)
    known = known_differences()
    failures = 0
    if [c for c, _ in on_windows] != calls or [c for c, _ in on_posix] != calls:
        sys.exit("the probes did not answer every case in order")
    differing = {call for (call, w), (_, p) in zip(on_windows, on_posix) if w != p}
    for (call, w), (_, p) in zip(on_windows, on_posix):
        if call in known:
            listed, reason = known[call]
            if call not in differing:
                print(f"LISTED BUT AGREES: {call} => {w}")
                failures += 1
            elif w != p and p != listed:
                print(f"DIFFERS FROM THE LISTED ANSWER: {call}\n  listed:  {listed}\n  posix:   {p}")
                failures += 1
            elif verbose:
                print(f"known: {call}\n  windows: {w}\n  posix:   {p}\n  because: {reason}")
        elif w != p:
            print(f"DIFFERS: {call}\n  windows: {w}\n  posix:   {p}")
            failures += 1
    for call in known:
        if call not in calls:
            print(f"LISTED BUT NOT A CASE: {call}")
            failures += 1
    print(f"{len(calls)} calls, {len(known)} known differences, {failures} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
