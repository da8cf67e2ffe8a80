#!/usr/bin/env python3
"""Writes the fuzzer's seed corpus (every find and replacement text of the rule table, as
UTF-16LE, each alone and in pairs, read from the table's source) and a dictionary of the same
texts beside it."""
import itertools
import pathlib
import re
import sys

root = pathlib.Path(__file__).resolve().parent.parent
source = (root / "engine" / "rules.cpp").read_text(encoding="utf-8")
texts = []
for find, replacement in re.findall(r'\{u"((?:[^"\\]|\\.)*)", u"((?:[^"\\]|\\.)*)"\}', source):
    for t in (find, replacement):
        t = t.encode("ascii").decode("unicode_escape")
        if t not in texts:
            texts.append(t)
out = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else root / "fuzz" / "seeds")
out.mkdir(parents=True, exist_ok=True)
samples = texts + [a + b for a, b in itertools.islice(itertools.permutations(texts, 2), 0, None, 97)]
for i, t in enumerate(samples):
    (out / f"seed-{i:04d}").write_bytes(t.encode("utf-16-le"))
# The same texts as a libFuzzer dictionary, so that mutations insert whole rule texts.
with open(out.parent / "rules.dict", "w", encoding="ascii") as d:
    for t in texts:
        d.write('"' + "".join(f"\\x{b:02x}" for b in t.encode("utf-16-le")) + '"\n')
print(f"{len(samples)} seeds in {out}")
