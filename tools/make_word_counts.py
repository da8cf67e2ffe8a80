#!/usr/bin/env python3
"""The table of Latvian word counts (checker/data/lv_word_counts.tsv) from the tuning part of the
Latvian text that tools/latvian_text.py writes.

Words are split as ZV's dictionary check splits them (runs of letters) and written in lower
case; words of one letter, and words with a letter outside the Latvian alphabet (a to z and
ā č ē ģ ī ķ ļ ņ ŗ š ū ž), are left out. One "word<TAB>count" a line, UTF-8, by count
descending, then by word (code point order), after a header of "#" lines naming the sources.
Only counts are written, no text.

Usage: tools/make_word_counts.py [--min-count N] [--output FILE] TEXT_DIR
"""

import argparse
import collections
import os
import sys

sys.dont_write_bytecode = True  # nothing written into the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from latvian_text import words  # noqa: E402

ALPHABET = frozenset("abcdefghijklmnopqrstuvwxyzāčēģīķļņŗšūž")
LIMIT = 1_000_000  # bytes


def count_words(lines):
    counts = collections.Counter()
    for line in lines:
        for word in words(line):
            word = word.lower()
            if len(word) >= 2 and ALPHABET.issuperset(word):
                counts[word] += 1
    return counts


def table(counts, min_count, header):
    rows = sorted(((w, n) for w, n in counts.items() if n >= min_count),
                  key=lambda row: (-row[1], row[0]))
    return "".join("# " + line + "\n" for line in header) + \
        "".join(f"{word}\t{n}\n" for word, n in rows), len(rows)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("text_dir", metavar="TEXT_DIR",
                        help="the folder tools/latvian_text.py wrote (lv-tuning.txt, sources.txt)")
    parser.add_argument("--min-count", type=int, default=1, metavar="N",
                        help="leave out words seen fewer than N times (default: %(default)s)")
    parser.add_argument("--output", metavar="FILE",
                        default=os.path.join(os.path.dirname(os.path.abspath(__file__)), "..",
                                             "checker", "data", "lv_word_counts.tsv"),
                        help="the table to write (default: checker/data/lv_word_counts.tsv)")
    args = parser.parse_args()

    try:
        with open(os.path.join(args.text_dir, "lv-tuning.txt"), encoding="utf-8") as text:
            counts = count_words(text)
        with open(os.path.join(args.text_dir, "sources.txt"), encoding="utf-8") as listing:
            sources = [line.rstrip("\n").split("\t") for line in listing
                       if not line.startswith("#")]
    except OSError as error:
        print(f"error: {error.filename}: {error.strerror} (run tools/latvian_text.py first)",
              file=sys.stderr)
        return 1
    latvian = [f"  {s[0]} {s[1]}" + (f" ({s[2].split(': ', 1)[1]})" if ": " in s[2] else "")
               for s in sources if len(s) == 3 and s[2].startswith("lv")]
    kept = sum(1 for n in counts.values() if n >= args.min_count)
    header = [
        "Latvian word counts: how often each word occurs in the tuning part (about 80 % of the",
        "messages) of the Latvian translations in these Debian 12 packages:",
        *latvian,
        "Words as the dictionary check splits them, lower case, two letters or more, Latvian",
        "alphabet only. word<TAB>count, by count descending, then word.",
        f"{sum(counts.values())} running words, {len(counts)} distinct; "
        f"{kept} seen at least {args.min_count} times are listed.",
        "Made by: tools/latvian_text.py --download --debs DEBS_DIR TEXT_DIR",
        f"         tools/make_word_counts.py --min-count {args.min_count} TEXT_DIR",
    ]
    content, rows = table(counts, args.min_count, header)
    size = len(content.encode("utf-8"))
    if size >= LIMIT:
        print(f"error: the table would take {size} bytes, over {LIMIT}: raise --min-count",
              file=sys.stderr)
        return 1
    os.makedirs(os.path.dirname(os.path.abspath(args.output)), exist_ok=True)
    with open(args.output, "w", encoding="utf-8") as out:
        out.write(content)
    print(f"{os.path.normpath(args.output)}: {rows} words, {size} bytes")
    return 0


if __name__ == "__main__":
    sys.exit(main())
