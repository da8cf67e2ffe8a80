#!/usr/bin/env python3
"""The Latvian text extraction's cleaning and readers, and the committed word-count table."""

import os
import sys
import unittest

ROOT = os.environ.get(
    "ZV_SOURCE_DIR", os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(ROOT, "tools"))
import latvian_text  # noqa: E402
import make_word_counts  # noqa: E402

TABLE = os.path.join(ROOT, "checker", "data", "lv_word_counts.tsv")


class Cleaning(unittest.TestCase):
    def test_messages_become_plain_text(self):
        rows = [
            ("Sa~glabāt ~kā…", "Saglabāt kā…"),  # LibreOffice access keys
            ("Sa_glabāt &Fails", "Saglabāt Fails"),  # GTK and Qt access keys
            ("Par &brandShortName; &amp; &#x101;bols", "Par & ābols"),  # DTD entity, references
            ("<b>Treknraksts</b> &lt;i&gt;x&lt;/i&gt; ir", "Treknraksts x ir"),  # markup, escaped
            ("%1$S no %2$S, %.*s un %ld", "no , un"),  # printf placeholders
            ("$(ARG1) %PRODUCTNAME $name$ #PAGENUMBER# {0} ${x} lapa", "lapa"),
            ("Skatiet https://example.org/a?b=1 vai rakstiet a@b.lv", "Skatiet vai rakstiet"),
            ("Taustiņš <![CDATA[\"<Alt>\"]]> vai", 'Taustiņš " " vai'),
            ("Rinda\\notrā\tun  trešā", "Rinda otrā un trešā"),
            ("%s", ""),  # nothing left of two letters or more
            ("C# 8", ""),
        ]
        for raw, clean in rows:
            with self.subTest(raw=raw):
                self.assertEqual(latvian_text.clean(raw), clean)

    def test_readers_give_each_message_and_variant_cleaned(self):
        ftl = (b"files =\n    { $n ->\n        [one] { $n } datne\n       *[other] { $n } datnes\n"
               b"    } lejupiel\xc4\x81d\xc4\x93t\n    .title = Atv\xc4\x93rt { -brand }\n"
               b"    .accesskey = A\n# koment\xc4\x81rs\nq = { \"{\" } iek\xc5\xa1\xc4\x81\n")
        rows = [
            ("a.ftl", ftl, "files", ["datnes lejupielādēt", "datne"]),
            ("a.ftl", ftl, "files.title", ["Atvērt"]),
            ("a.ftl", ftl, "files.accesskey", None),
            ("a.ftl", ftl, "q", ["{ iekšā"]),
            ("a.properties", b"# c\nk = #1 fails;#1 faili\\\n  ;x\\u0101\nk.accesskey=F\n", "k",
             ["fails", "faili", "xā"]),
            ("a.properties", b"k.accesskey=F\n", "k.accesskey", None),
            ("a.dtd", b"<!-- <!ENTITY c \"no\"> -->\n<!ENTITY a.label \"Jauns &brand;\">\n",
             "a.label", ["Jauns"]),
            ("a.dtd", b"<!-- <!ENTITY c \"no\"> -->\n", "c", None),
        ]
        for name, data, key, texts in rows:
            with self.subTest(name=name, key=key):
                found = latvian_text.read_resource(name, data).get(key)
                self.assertEqual(found and [latvian_text.clean(t) for t in found], texts)


class Table(unittest.TestCase):
    def test_table_is_sorted_counts_of_latvian_words_under_1_mb(self):
        self.assertLess(os.path.getsize(TABLE), 1_000_000)
        with open(TABLE, encoding="utf-8") as table:
            lines = table.read().splitlines()
        header = [line for line in lines if line.startswith("#")]
        rows = [line.split("\t") for line in lines if not line.startswith("#")]
        self.assertEqual(lines[:len(header)], header, "comments only at the top")
        for package in ("libreoffice-l10n-lv", "firefox-esr-l10n-lv", "thunderbird-l10n-lv"):
            self.assertTrue(any(package in line for line in header), package)
        self.assertGreater(len(rows), 10_000)
        keys = []
        for row in rows:
            self.assertEqual(len(row), 2, row)
            word, count = row[0], int(row[1])
            self.assertGreaterEqual(count, 1, row)
            self.assertEqual(latvian_text.words(word), [word], row)
            self.assertTrue(len(word) >= 2 and make_word_counts.ALPHABET.issuperset(word), row)
            keys.append((-count, word))
        self.assertEqual(keys, sorted(set(keys)), "sorted by count, then word, each word once")
        self.assertIn("ir", dict(rows))


if __name__ == "__main__":
    unittest.main()
