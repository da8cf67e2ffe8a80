#!/usr/bin/env python3
"""The lexicon's tables (lexicon/data/lv_lexicon.tar.xz), which the build compiles into the file
the program maps.

Three tables, UTF-8, lower case, forms of the Latvian alphabet (a to z and ā č ē ģ ī ķ ļ ņ ŗ š ū
ž) only, after a header of "#" lines naming the sources:

  lv_forms.tsv             form<TAB>count: how often each form occurs, the sources' counts added
                           up with the weights below; then, with count 0, the forms with a mark
                           of the word list of tesseract-ocr-lav that neither the counts nor
                           the dictionary have (names, rare derived forms: "Prīstlija",
                           "Cilevičs"), known forms that the dictionary does not make
  lv_bigrams.tsv           form<TAB>form<TAB>count: how often the second follows the first in a
                           line of the tuning part of the balanced text (an empty first form is
                           the line's start; a comma counts as a form)
  lv_dictionary_forms.txt  every form the Latvian hunspell dictionary accepts that its affix
                           rules make (unmunch's output, each form confirmed by hunspell, which
                           rejects about a third of it)

The counts come from the subtitle word counts (shared/data/lv/subtitle_word_counts.txt), the
Debian translations' word counts (checker/data/lv_word_counts.tsv) and the tuning part of the
balanced text (tools/balanced_text.py), weighted by BALANCED_WEIGHT: edited running text of the
kinds users type is worth far more per word than film subtitles or user-interface text. Where
the balanced text has a word (its letters without marks) at least EDITED_MIN times and its
commonest form there is another than in the weighted counts, the word's forms share its weighted
count as the balanced text has them (see edited_shares): subtitles say "nē" (no) more often than
"ne" (not), edited text far less. The held-out part of the balanced text goes into no table.

Needs hunspell, hunspell-tools (unmunch), hunspell-lv, tesseract-ocr-lav (its word list,
Apache-2.0) and tesseract-ocr (combine_tessdata and dawg2wordlist, which unpack it), none of
which the build needs.

Usage: tools/make_lexicon.py [--subtitles FILE] [--dictionary BASE] [--tesseract FILE]
                             [--output FILE] [--leave-out-fold K]

With --leave-out-fold K, fold K of the tuning part is left out of the tables, so that
tools/restore_accuracy.py --part tuning --fold K measures the restoring on text its tables do
not hold (a build with -DZV_LEXICON_TABLES=FILE takes such tables).
"""

import argparse
import collections
import io
import os
import re
import subprocess
import sys
import tarfile
import tempfile

sys.dont_write_bytecode = True  # nothing written into the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import balanced_text  # noqa: E402

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
ALPHABET = frozenset("abcdefghijklmnopqrstuvwxyzāčēģīķļņŗšūž")
SUBTITLE_WEIGHT = 1
DEBIAN_WEIGHT = 1
BALANCED_WEIGHT = 25
EDITED_MIN = 5
EDITED_PRIOR = 1
FOLDS = 5
TOKEN = re.compile(r"[^\W\d_]+|,")


def latvian(word):
    return bool(word) and ALPHABET.issuperset(word)


def read_counts(path, separator=None):
    counts = collections.Counter()
    with open(path, encoding="utf-8") as table:
        for line in table:
            if line.startswith("#"):
                continue
            fields = line.split(separator)
            if len(fields) >= 2 and latvian(fields[0].lower()):
                counts[fields[0].lower()] += int(fields[1])
    return counts


def line_pairs(sentence):
    """The pairs of following words of a line, a comma between two words taken for a word of
    its own (it tells "ka", that, from "kā", how); a word outside the alphabet starts anew."""
    previous = ""
    for word in TOKEN.findall(sentence):
        word = word.lower()
        if not latvian(word) and word != ",":
            previous = ""
            continue
        yield previous, word
        previous = word


def balanced_counts(rows):
    words, pairs = collections.Counter(), collections.Counter()
    for _, sentence in rows:
        for previous, word in line_pairs(sentence):
            if word != ",":
                words[word] += 1
            pairs[(previous, word)] += 1
    return words, pairs


def edited_shares(counts, balanced):
    """counts, with the register of the balanced text put right where the others outvote it.

    For each word (its letters without marks) that the balanced text has at least EDITED_MIN
    times, with one form there more often than any other: when that form is not also the
    commonest in counts, the word keeps its count in all but how it is shared among its forms,
    which is then as in the balanced text, mixed with the shares in counts as if EDITED_PRIOR
    more words had been read. On tuning fold 0 this took the restoring's wrong words from 1,570
    to 1,552 of 22,356 (a first version, with EDITED_MIN 3 to 50 and EDITED_PRIOR 0.2 to 5, gave
    1,551 to 1,560); on fold 1, 1,734 either way."""
    by_word = collections.defaultdict(list)
    for form in counts:
        by_word[balanced_text.strip_marks(form)].append(form)
    shared = collections.Counter(counts)
    for forms in by_word.values():
        seen = sum(balanced[f] for f in forms)
        if len(forms) < 2 or seen < EDITED_MIN:
            continue
        edited = sorted(forms, key=lambda f: (-balanced[f], f))
        if balanced[edited[0]] == balanced[edited[1]]:
            continue  # no commonest form in the balanced text
        if max(forms, key=lambda f: (counts[f], f)) == edited[0]:
            continue
        total = sum(counts[f] for f in forms)
        for form in forms:
            share = (balanced[form] + EDITED_PRIOR * counts[form] / total) / (seen + EDITED_PRIOR)
            shared[form] = max(1, round(total * share))
    return shared


def dictionary_forms(base):
    """The forms unmunch makes of the dictionary that hunspell accepts, lower case."""
    made = subprocess.run(["unmunch", base + ".dic", base + ".aff"], check=True,
                          capture_output=True).stdout.decode("utf-8", "replace")
    candidates = sorted(set(made.split()))
    accepted = subprocess.run(["hunspell", "-i", "utf-8", "-d", base, "-G"], check=True,
                              input="\n".join(candidates).encode("utf-8"), capture_output=True,
                              env=dict(os.environ, LANG="C.UTF-8")).stdout.decode("utf-8")
    return sorted({w.lower() for w in accepted.split() if latvian(w.lower())})


def tesseract_forms(traineddata):
    """The words of tesseract's word list (its lstm-word-dawg) in lower case, Latvian letters
    only, two letters or more."""
    with tempfile.TemporaryDirectory() as folder:
        prefix = os.path.join(folder, "lav.")
        subprocess.run(["combine_tessdata", "-u", traineddata, prefix], check=True,
                       capture_output=True)
        subprocess.run(["dawg2wordlist", prefix + "lstm-unicharset", prefix + "lstm-word-dawg",
                        prefix + "words"], check=True, capture_output=True)
        with open(prefix + "words", encoding="utf-8") as listing:
            words = {w.lower() for w in listing.read().split()}
    return sorted(w for w in words if len(w) >= 2 and latvian(w))


def package_version(name):
    try:
        return subprocess.run(["dpkg-query", "-W", "-f=${Version}", name], check=True,
                              capture_output=True, text=True).stdout
    except (OSError, subprocess.CalledProcessError):
        return "not installed"


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    shared = os.path.dirname(balanced_text.default_path())
    parser.add_argument("--subtitles", default=os.path.join(shared, "subtitle_word_counts.txt"))
    parser.add_argument("--dictionary", default="/usr/share/hunspell/lv_LV", metavar="BASE")
    parser.add_argument("--tesseract", metavar="FILE",
                        default="/usr/share/tesseract-ocr/5/tessdata/lav.traineddata",
                        help="tesseract-ocr-lav's traineddata, whose word list adds known forms")
    parser.add_argument("--output", default=os.path.join(ROOT, "lexicon", "data",
                                                         "lv_lexicon.tar.xz"))
    parser.add_argument("--leave-out-fold", type=int, metavar="K",
                        help="for trying settings: leave fold K of the tuning part (of "
                        f"{FOLDS}, tools/balanced_text.py fold_of) out of the tables")
    args = parser.parse_args()

    subtitles = read_counts(args.subtitles)
    debian = read_counts(os.path.join(ROOT, "checker", "data", "lv_word_counts.tsv"), "\t")
    rows = balanced_text.read("tuning")
    if args.leave_out_fold is not None:
        rows = [r for r in rows if balanced_text.fold_of(r[0], FOLDS) != args.leave_out_fold]
    balanced, pairs = balanced_counts(rows)
    counts = collections.Counter()
    for source, weight in ((subtitles, SUBTITLE_WEIGHT), (debian, DEBIAN_WEIGHT),
                           (balanced, BALANCED_WEIGHT)):
        for word, n in source.items():
            counts[word] += weight * n
    counts = edited_shares(counts, balanced)
    forms = dictionary_forms(args.dictionary)
    # The word list's forms with a mark that nothing else has: a form without marks adds no
    # form to choose from, and the list has English and German words too ("her", "herz").
    made = set(forms)
    known = [w for w in tesseract_forms(args.tesseract)
             if w not in counts and w not in made and balanced_text.strip_marks(w) != w]

    sources = [
        f"subtitle word counts: {sum(subtitles.values())} running words, weight "
        f"{SUBTITLE_WEIGHT} (FrequencyWords 2018 Latvian list from OpenSubtitles, CC BY-SA 4.0)",
        f"Debian 12 translations' word counts (checker/data/lv_word_counts.tsv): "
        f"{sum(debian.values())} running words, weight {DEBIAN_WEIGHT}",
        f"balanced text, tuning part: {len(rows)} lines, {sum(balanced.values())} running words, "
        f"weight {BALANCED_WEIGHT} (FullStack Latvian UD layer, LU MII AI Lab, CC BY-SA 4.0)",
        f"with count 0, {len(known)} forms with a mark of the word list of tesseract-ocr-lav "
        f"{package_version('tesseract-ocr-lav')} (tessdata_fast, Google, Apache-2.0) that neither "
        "the counts nor the dictionary have",
    ]
    made_by = "Made by tools/make_lexicon.py; do not edit."
    tables = {
        "lv_forms.tsv": ["form<TAB>count, by count descending, then form: the weighted counts "
                         "added up of", *sources,
                         f"a word's forms shared as the balanced text has them where its commonest "
                         f"form there (seen {EDITED_MIN} times or more) is another", made_by],
        "lv_bigrams.tsv": ["first<TAB>second<TAB>count: how often second follows first in a line "
                           "(first empty: the line's start)", sources[2], made_by],
        "lv_dictionary_forms.txt": [
            f"The forms of hunspell-lv {package_version('hunspell-lv')} (LGPL-2.1+, Janis Eisaks)"
            " that its affix rules make and hunspell accepts, lower case", made_by],
    }
    bodies = {
        "lv_forms.tsv": "".join(f"{w}\t{n}\n" for w, n in
                                sorted(counts.items(), key=lambda r: (-r[1], r[0]))) +
                        "".join(f"{w}\t0\n" for w in known),
        "lv_bigrams.tsv": "".join(f"{a}\t{b}\t{n}\n" for (a, b), n in sorted(pairs.items())),
        "lv_dictionary_forms.txt": "".join(f"{w}\n" for w in forms),
    }
    os.makedirs(os.path.dirname(os.path.abspath(args.output)), exist_ok=True)
    with tarfile.open(args.output + ".new", "w:xz", preset=9) as archive:
        for name, header in tables.items():
            data = ("".join(f"# {line}\n" for line in header) + bodies[name]).encode("utf-8")
            info = tarfile.TarInfo(name)
            info.size = len(data)
            info.mode = 0o644
            info.mtime = 0
            archive.addfile(info, io.BytesIO(data))
    os.replace(args.output + ".new", args.output)
    print(f"{os.path.relpath(args.output)}: {len(counts)} counted forms, {len(pairs)} word pairs, "
          f"{len(forms)} dictionary forms, {len(known)} forms of the word list, "
          f"{os.path.getsize(args.output)} bytes")
    return 0


if __name__ == "__main__":
    sys.exit(main())
