#!/usr/bin/env python3
"""How well zv-convert --check catches the words the conventions spoil.

Latvian word forms are made from the hunspell-lv word list and its suffix and prefix rules,
and only those the dictionary itself accepts (hunspell -l) are kept. Each is typed the way
the conventions say (a marked letter as its pair, capitals as capital and small letter, some
with apostrophe forms, some capitalised, some in capitals), converted with zv-convert, and
checked with zv-convert --check. Printed:

  spoiled: the words whose conversion differs from the word, and how many of them are
           flagged with the word among the suggestions (the aim: 95 % or more);
  right:   the words converted right, and how many of them are flagged (the aim: 0.1 % or
           fewer);
  forms:   every typed form offered, converted again (and its references read as letters),
           and how many do not give their word.

Usage: tools/checker_accuracy.py [--words N] [--seed S] [--convert build/app/zv-convert]
       [--dictionary /usr/share/hunspell/lv_LV] [--show K]
"""

import argparse
import os
import random
import re
import subprocess
import sys
import tempfile

# The marked letters and what the conventions type for them.
PAIRS = {
    "ā": "aa", "č": "ch", "ē": "ee", "ģ": "gj", "ī": "ii", "ķ": "kj", "ļ": "lj", "ņ": "nj",
    "ŗ": "rj", "š": "sh", "ū": "uu", "ž": "zh",
}
PAIRS.update({k.upper(): v[0].upper() + v[1] for k, v in list(PAIRS.items())})
APOSTROPHE = {k: "'" + v[0] for k, v in PAIRS.items()}


def read_affixes(aff_path):
    """{flag: (kind, cross, [(strip, add, add_flags, condition regex)])}"""
    rules = {}
    with open(aff_path, encoding="utf-8") as aff:
        for line in aff:
            fields = line.split()
            if len(fields) < 4 or fields[0] not in ("PFX", "SFX"):
                continue
            kind, flag = fields[0], fields[1]
            if flag not in rules:
                rules[flag] = (kind, fields[2] == "Y", [])
                continue
            if len(fields) < 5:
                continue
            strip = "" if fields[2] == "0" else fields[2]
            add, _, add_flags = fields[3].partition("/")
            add = "" if add == "0" else add
            cond = fields[4]
            pattern = "^" + cond if kind == "PFX" else cond + "$"
            try:
                regex = re.compile(pattern.replace(".", "[^ ]"))
            except re.error:
                continue
            rules[flag][2].append((strip, add, add_flags, regex))
    return rules


def expand(stem, flags, rules):
    """The forms one stem gives with one suffix and optionally one prefix."""
    forms = {stem}
    suffixed = set()
    for flag in flags:
        rule = rules.get(flag)
        if not rule or rule[0] != "SFX":
            continue
        for strip, add, _, regex in rule[2]:
            if regex.search(stem) and stem.endswith(strip):
                suffixed.add((stem[: len(stem) - len(strip)] + add, rule[1]))
    forms.update(f for f, _ in suffixed)
    for flag in flags:
        rule = rules.get(flag)
        if not rule or rule[0] != "PFX":
            continue
        for strip, add, _, regex in rule[2]:
            for base, cross in [(stem, True)] + list(suffixed):
                if (base == stem or (cross and rule[1])) and regex.search(base) and base.startswith(strip):
                    forms.add(add + base[len(strip):])
    return forms


def candidate_words(base, count, seed):
    rules = read_affixes(base + ".aff")
    with open(base + ".dic", encoding="utf-8") as dic:
        lines = dic.read().splitlines()[1:]
    rng = random.Random(seed)
    rng.shuffle(lines)
    words = set()
    for line in lines:
        entry = line.split()[0] if line.split() else ""
        stem, _, flags = entry.partition("/")
        if not stem:
            continue
        forms = sorted(expand(stem, flags, rules))
        rng.shuffle(forms)
        words.update(forms[:6])
        if len(words) >= count * 2:
            break
    return sorted(words)


def accepted(words, base):
    """The words hunspell accepts, in the same order."""
    env = dict(os.environ, LANG="C.UTF-8", LC_ALL="C.UTF-8")
    out = subprocess.run(["hunspell", "-i", "utf-8", "-d", base, "-l"], input="\n".join(words) + "\n",
                         capture_output=True, text=True, env=env, check=True).stdout
    rejected = set(out.split("\n"))
    return [w for w in words if w not in rejected and re.fullmatch(r"[^\W\d_]+", w)]


def typed_form(word, style):
    """word typed in the conventions; style: 0 pairs, 1 apostrophe forms."""
    table = APOSTROPHE if style == 1 else PAIRS
    return "".join(table.get(c, c) for c in word)


def letters(text):
    """Numeric character references left in zv-convert --unicode output, as letters."""
    return re.sub(r"&#[xX]([0-9a-fA-F]+);|&#([0-9]+);",
                  lambda m: chr(int(m.group(1), 16) if m.group(1) else int(m.group(2))), text)


def run(convert, args, text):
    with tempfile.NamedTemporaryFile("w", encoding="utf-8", suffix=".txt", delete=False) as f:
        f.write(text)
        path = f.name
    try:
        result = subprocess.run([convert] + args + [path], capture_output=True, text=True)
        if result.returncode not in (0, 1):
            sys.exit(f"{convert} {' '.join(args)}: exit {result.returncode}: {result.stderr}")
        return result.stdout
    finally:
        os.unlink(path)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--words", type=int, default=100000)
    parser.add_argument("--seed", type=int, default=2026)
    parser.add_argument("--convert", default="build/app/zv-convert")
    parser.add_argument("--dictionary", default="/usr/share/hunspell/lv_LV")
    parser.add_argument("--show", type=int, default=10, help="misses and false marks to print")
    args = parser.parse_args()

    words = accepted(candidate_words(args.dictionary, args.words, args.seed), args.dictionary)
    rng = random.Random(args.seed + 1)
    rng.shuffle(words)
    words = words[: args.words]
    cased = []
    for i, w in enumerate(words):
        if i % 20 == 7:
            w = w[:1].upper() + w[1:]
        elif i % 50 == 11:
            w = w.upper()
        cased.append(w)
    # Capitalised and capital forms the dictionary rejects (a lower-case-only entry) go.
    cased = accepted(cased, args.dictionary)
    typed = [typed_form(w, 1 if i % 10 == 3 else 0) for i, w in enumerate(cased)]

    env_dict = dict(os.environ, ZV_DICTIONARY=args.dictionary)
    os.environ.update(env_dict)
    converted = run(args.convert, ["--unicode"], "\n".join(typed) + "\n").split("\n")
    report = run(args.convert, ["--check"], "\n".join(typed) + "\n")
    flagged = {}
    for line in report.splitlines():
        m = re.match(r"^.*?:(\d+):(\d+): (\S+) -> (\S+): did you mean (.*)$", line)
        if not m:
            sys.exit("unexpected line: " + line)
        suggestions = re.findall(r"(\S+) \(type (\S+)\)", m.group(5))
        flagged[int(m.group(1)) - 1] = (m.group(3), suggestions)

    spoiled = caught = right = false_marks = 0
    misses, falses = [], []
    forms = set()
    for i, (word, t) in enumerate(zip(cased, typed)):
        mark = flagged.get(i)
        if mark:
            forms.update((form, w) for w, form in mark[1])
            if mark[0] != t:  # the word was split differently: count it as unflagged
                mark = None
        if converted[i] != word:
            spoiled += 1
            if mark and any(w == word for w, _ in mark[1]):
                caught += 1
            else:
                misses.append((t, converted[i], word, mark))
        else:
            right += 1
            if mark:
                false_marks += 1
                falses.append((t, word, mark))

    forms = sorted(forms)
    back = letters(run(args.convert, ["--unicode"], "\n".join(f for f, _ in forms) + "\n")).split("\n")
    lying = [(f, w, b) for (f, w), b in zip(forms, back) if b != w]

    print(f"words: {len(cased)} accepted forms ({args.dictionary}), seed {args.seed}")
    print(f"spoiled: {spoiled}, flagged with the word suggested: {caught} "
          f"({100.0 * caught / max(spoiled, 1):.2f} %)")
    print(f"right: {right}, flagged: {false_marks} ({100.0 * false_marks / max(right, 1):.3f} %)")
    print(f"forms: {len(forms)} typed forms offered, {len(lying)} do not convert to their word")
    for t, c, w, mark in misses[: args.show]:
        print(f"  missed: {t} -> {c}, meant {w}; offered {mark[1] if mark else 'nothing'}")
    for t, w, mark in falses[: args.show]:
        print(f"  false mark: {t} -> {w}; offered {mark[1]}")
    for f, w, b in lying[: args.show]:
        print(f"  lying form: {f} gives {b}, not {w}")


if __name__ == "__main__":
    main()
