#!/usr/bin/env python3
"""Asks for the file version of every file in Wine's own Windows folders (DLLs and programs that
nobody here wrote), through winport's MsiGetFileVersionW (the POSIX probe) and through Wine's
installer service (the Windows probe under Wine), and fails on any file whose result code,
version text or language differs, unless KNOWN below lists it with its reason. Both run in the
C locale, so that a resource kept in several languages is read in the same one.

usage: file_versions.py WINDOWS_PROBE POSIX_PROBE [RUNNER]
"""
import glob
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from compare import answers  # noqa: E402  (the probe's runner, shared with the call table)

# file name -> why winport answers otherwise (none so far).
KNOWN = {}


def corpus():
    files = set()
    for folder in glob.glob("/usr/lib/*/wine/*-windows"):
        for name in os.listdir(folder):
            path = os.path.realpath(os.path.join(folder, name))
            if os.path.isfile(path):
                files.add(path)
    return sorted(files)


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    windows, posix = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    runner = [os.path.abspath(r) for r in sys.argv[3:4]]  # the probes run in /
    if not os.path.exists(posix):
        sys.exit(f"{posix} is missing: build the posix preset first")
    files = corpus()
    if not files:
        sys.exit("no Wine folders under /usr/lib/*/wine/*-windows")
    calls = [f'filever "{path[1:]}" 64 64' for path in files]
    cases = ("\n".join(calls) + "\n").encode()
    env = dict(os.environ, LC_ALL="C", LANG="C")
    # Both probes start in /, which Wine maps to Z:\\, and name the files relative to it.
    on_windows = dict(answers(runner + [windows], cases, env, "/"))  # one call per file
    on_posix = dict(answers([posix], cases, env, "/"))
    failures = agreed = versioned = 0
    for path, call in zip(files, calls):
        w, p = on_windows.get(call, "<no answer>"), on_posix.get(call, "<no answer>")
        reason = KNOWN.get(os.path.basename(path))
        if w == p:
            agreed += 1
            versioned += w.startswith("0 ")
            if reason:
                print(f"LISTED BUT AGREES: {path} => {w}")
                failures += 1
        elif reason:
            print(f"known: {path}\n  windows: {w}\n  posix:   {p}\n  because: {reason}")
        else:
            print(f"DIFFERS: {path}\n  windows: {w}\n  posix:   {p}")
            failures += 1
    print(f"{len(files)} files, {agreed} agree ({versioned} with a version), {len(KNOWN)} known differences, "
          f"{failures} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
