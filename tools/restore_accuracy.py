#!/usr/bin/env python3
"""How well zv-convert --restore gives back the marks of Latvian typed without them.

Every mark is taken off the sentences of one part of the balanced text (tools/balanced_text.py:
the held-out part unless --part tuning; the lexicon's tables hold the tuning part, so only the
held-out part measures text the restoring has not seen), one sentence a line, and the text is
restored and converted (zv-convert --restore --text). Each word of the result is compared with
the word of the original sentence:

  words right            the share of words exactly right (letters and case)
  words with a mark      the same for the words that carry a mark in the original
  words without          the same for the words that carry none

The uncertain choices (zv-convert --restore --check) are matched to the words by line and
column: how many words are marked for review, and how many of the wrong words are among them.

English: the lines of --english (default: the GNU GPL version 3 and the Apache licence 2.0 in
/usr/share/common-licenses, plain English prose) are put between the Latvian lines, one after
every other Latvian line, and the share of English words the restoring changes is counted (the
words of zv-convert --restore --text against those of zv-convert --text: the conversion itself
turns "English" into "Engliš" either way).

Usage: tools/restore_accuracy.py [--zv-convert PATH] [--part heldout|tuning [--fold K]]
       [--english FILE]... [--show N]
"""

import argparse
import collections
import os
import re
import subprocess
import sys

sys.dont_write_bytecode = True  # nothing written into the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import balanced_text  # noqa: E402

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
ENGLISH = ["/usr/share/common-licenses/GPL-3", "/usr/share/common-licenses/Apache-2.0"]
CHECK_LINE = re.compile(r"^<stdin>:(\d+):(\d+): (\S+) -> ")


def word_places(line):
    """The words of line with their columns (from 1, in characters)."""
    return [(m.group(0), m.start() + 1) for m in balanced_text.WORD.finditer(line)]


def run(zv_convert, options, text):
    done = subprocess.run([zv_convert, *options], input=text.encode("utf-8"),
                          capture_output=True)
    if done.returncode not in (0, 1):
        sys.exit(f"{zv_convert} {' '.join(options)}: exit {done.returncode}: "
                 f"{done.stderr.decode('utf-8', 'replace').strip()}")
    return done.stdout.decode("utf-8")


def english_lines(paths):
    lines = []
    for path in paths:
        with open(path, encoding="utf-8") as text:
            lines += [" ".join(line.split()) for line in text if balanced_text.words(line)]
    return lines


def pct(part, whole):
    return f"{100 * part / whole:.1f} %" if whole else "n/a"


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--zv-convert", default=os.path.join(ROOT, "build", "app", "zv-convert"))
    parser.add_argument("--part", default="heldout", choices=balanced_text.PARTS)
    parser.add_argument("--fold", type=int, metavar="K",
                        help="with --part tuning: only fold K of 5 (for a build whose tables "
                        "leave it out: tools/make_lexicon.py --leave-out-fold K)")
    parser.add_argument("--english", action="append", metavar="FILE")
    parser.add_argument("--show", type=int, default=0, metavar="N",
                        help="print the N most frequent wrong choices")
    args = parser.parse_args()

    latvian = [s for p, s in balanced_text.read(args.part)
               if args.fold is None or balanced_text.fold_of(p, 5) == args.fold]
    english = english_lines(args.english or ENGLISH)
    # The document: the Latvian lines typed without marks, an English line after every other.
    lines, kinds = [], []
    for i, sentence in enumerate(latvian):
        lines.append(balanced_text.strip_marks(sentence))
        kinds.append(("lv", sentence))
        if i % 2 == 1 and i // 2 < len(english):
            lines.append(english[i // 2])
            kinds.append(("en", english[i // 2]))
    typed = "\n".join(lines) + "\n"
    restored = run(args.zv_convert, ["--restore", "--text"], typed).split("\n")
    # The English lines as the conversion alone gives them ("English" -> "Engliš"): what the
    # restoring changes is measured against that.
    converted = run(args.zv_convert, ["--text"], typed).split("\n")
    uncertain = collections.defaultdict(set)  # line number -> columns
    for line in run(args.zv_convert, ["--restore", "--check"], typed).splitlines():
        m = CHECK_LINE.match(line)
        if m:
            uncertain[int(m.group(1))].add(int(m.group(2)))

    words = right = marked_words = marked_right = plain_words = plain_right = 0
    review = caught = 0
    english_words = english_changed = 0
    wrong = collections.Counter()
    for number, ((kind, original), typed_line) in enumerate(zip(kinds, lines), start=1):
        out = balanced_text.words(restored[number - 1]) if number - 1 < len(restored) else []
        if kind == "en":
            before = balanced_text.words(converted[number - 1])
            english_words += len(before)
            english_changed += sum(1 for i, w in enumerate(before) if i >= len(out) or out[i] != w)
            continue
        meant = balanced_text.words(original)
        places = word_places(typed_line)
        for i, word in enumerate(meant):
            got = out[i] if i < len(out) else ""
            ok = got == word
            words += 1
            right += ok
            if balanced_text.strip_marks(word) != word:
                marked_words += 1
                marked_right += ok
            else:
                plain_words += 1
                plain_right += ok
            flagged = i < len(places) and places[i][1] in uncertain[number]
            review += flagged
            if not ok:
                caught += flagged
                wrong[(word, got)] += 1

    print(f"{args.part} part of {balanced_text.default_path()}: {len(latvian)} lines, "
          f"{words} words, every mark removed, restored by {args.zv_convert}")
    print(f"  words right: {pct(right, words)}; words with a mark: "
          f"{pct(marked_right, marked_words)} of {marked_words}; words without: "
          f"{pct(plain_right, plain_words)} of {plain_words}")
    print(f"  marked for review: {pct(review, words)} of the words, catching "
          f"{pct(caught, words - right)} of the {words - right} wrong choices")
    print(f"  English: {english_changed} of {english_words} words changed "
          f"({pct(english_changed, english_words)}), in {sum(k == 'en' for k, _ in kinds)} lines")
    for (word, got), n in wrong.most_common(args.show):
        print(f"    {n} × {word} restored as {got or '(nothing)'}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
