#!/usr/bin/env python3
"""The balanced Latvian text (balanced_text.tsv) split once into a tuning part and a held-out part.

The file holds edited Latvian with correct marks, one sentence a line after a header line,
PARAGRAPH<TAB>SENTENCE; the sentences of one paragraph are consecutive and share names and words,
so the split goes by paragraph: the SHA-256 of the paragraph id puts about 20 % of the paragraphs
in the held-out part and the rest in the tuning part. Every setting of the lexicon, the restoring
and the check is chosen on the tuning part only; the held-out part is measured for the report
and never goes into a table.

Inside the tuning part, fold_of() deals the paragraphs into folds by another hash, for trying
settings on text the tables being tried were not made from.

As a command it prints how many paragraphs, sentences and words each part has:
  tools/balanced_text.py [FILE]
"""

import hashlib
import os
import re
import sys

SHARED_PATH = os.path.join("shared", "data", "lv", "balanced_text.tsv")
HELD_OUT_PERCENT = 20
PARTS = ("tuning", "heldout")

# The Latvian letters with a mark and the letters they are typed as without it.
MARKED = "āčēģīķļņōŗšūžĀČĒĢĪĶĻŅŌŖŠŪŽ"
PLAIN = "acegiklnorsuzACEGIKLNORSUZ"
_STRIP = str.maketrans(MARKED, PLAIN)
WORD = re.compile(r"[^\W\d_]+")


def default_path():
    """The balanced text: $ZV_BALANCED_TEXT, or shared/data/lv/balanced_text.tsv in the nearest
    folder above this checkout that has one."""
    if os.environ.get("ZV_BALANCED_TEXT"):
        return os.environ["ZV_BALANCED_TEXT"]
    folder = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    while True:
        parent = os.path.dirname(folder)
        if os.path.isfile(os.path.join(parent, SHARED_PATH)) or parent == folder:
            return os.path.join(parent, SHARED_PATH)
        folder = parent


def _bucket(key):
    return int.from_bytes(hashlib.sha256(key.encode("utf-8")).digest()[:4], "big") % 100


def part_of(paragraph):
    """"heldout" or "tuning" for a paragraph id."""
    return "heldout" if _bucket(paragraph) < HELD_OUT_PERCENT else "tuning"


def fold_of(paragraph, folds):
    """The fold (0 to folds - 1) of a tuning paragraph."""
    return int.from_bytes(hashlib.sha256(("fold:" + paragraph).encode("utf-8")).digest()[:4],
                          "big") % folds


def read(part, path=None):
    """The (paragraph, sentence) rows of one part ("tuning" or "heldout"), in file order."""
    if part not in PARTS:
        raise ValueError(f"no part {part!r}")
    rows = []
    with open(path or default_path(), encoding="utf-8") as text:
        for number, line in enumerate(text):
            line = line.rstrip("\n")
            if number == 0 or not line:
                continue
            paragraph, _, sentence = line.partition("\t")
            if part_of(paragraph) == part:
                rows.append((paragraph, sentence))
    return rows


def strip_marks(text):
    """text with every mark taken off its letters ("mājās" -> "majas")."""
    return text.translate(_STRIP)


def words(text):
    """The runs of letters in text."""
    return WORD.findall(text)


def main():
    path = sys.argv[1] if len(sys.argv) > 1 else None
    for part in PARTS:
        rows = read(part, path)
        paragraphs = len({p for p, _ in rows})
        running = sum(len(words(s)) for _, s in rows)
        print(f"{part}: {paragraphs} paragraphs, {len(rows)} sentences, {running} words")
    return 0


if __name__ == "__main__":
    sys.exit(main())
