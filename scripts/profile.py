#!/usr/bin/env python3
"""Turns the samples written by a benchmark's Sampler (TAV_PROFILE=file) into tables of the
program's functions: inclusive (on the stack) and self (innermost frame of the program, with the
module it had called into). Usage: profile.py samples.txt program.exe [rows]"""
import bisect, collections, subprocess, sys

samples_path, exe = sys.argv[1], sys.argv[2]
rows = int(sys.argv[3]) if len(sys.argv) > 3 else 40
symbols = []
for line in subprocess.run(["x86_64-w64-mingw32-nm", "-C", "--defined-only", exe],
                           capture_output=True, text=True).stdout.splitlines():
    parts = line.split(" ", 2)
    if len(parts) == 3 and parts[1] in "tTwW":
        name = parts[2]
        if name.startswith(".text$"):
            continue
        symbols.append((int(parts[0], 16), name))
symbols.sort()
addresses = [a for a, _ in symbols]
modules = []
stacks = []
for line in open(samples_path):
    if line.startswith("# "):
        _, base, size, name = line.split(" ", 3)
        modules.append((int(base, 16), int(size, 16), name.strip()))
    elif line.strip():
        stacks.append([int(a, 16) for a in line.split()])
exe_base = next((b for b, s, n in modules if n.lower().endswith(".exe")), None)
exe_range = next(((b, b + s) for b, s, n in modules if n.lower().endswith(".exe")), (0, 0))

def module_of(a):
    for b, s, n in modules:
        if b <= a < b + s:
            return n
    return "?"

def name_of(a):
    if not exe_range[0] <= a < exe_range[1]:
        return None
    i = bisect.bisect_right(addresses, a) - 1
    return symbols[i][1][:110] if i >= 0 else "?"

inclusive = collections.Counter()
self_ = collections.Counter()
for stack in stacks:
    names = [name_of(a) for a in stack]
    for n in set(x for x in names if x):
        inclusive[n] += 1
    outside = module_of(stack[0]) if stack and names[0] is None else ""
    first = next((x for x in names if x), "?")
    self_[(first + (" -> " + outside if outside else ""))] += 1
total = max(len(stacks), 1)
print(f"{len(stacks)} samples")
print("\n== inclusive ==")
for n, c in inclusive.most_common(rows):
    print(f"{100.0 * c / total:6.1f}%  {n}")
print("\n== self ==")
for n, c in self_.most_common(rows):
    print(f"{100.0 * c / total:6.1f}%  {n}")

# profile.py samples exe rows FUNCTION: who calls the functions whose name starts with FUNCTION.
if len(sys.argv) > 4:
    wanted = sys.argv[4]
    callers = collections.Counter()
    for stack in stacks:
        names = [name_of(a) for a in stack]
        exe_names = [x for x in names if x]
        for i, n in enumerate(exe_names):
            if n.startswith(wanted):
                callers[" <- ".join(exe_names[i + 1:i + 4])] += 1
                break
    print(f"\n== callers of {wanted} ==")
    for n, c in callers.most_common(rows):
        print(f"{100.0 * c / total:6.1f}%  {n[:300]}")
