#!/usr/bin/env python3
"""The maker's site pages kept in site/: self-contained, well-formed, and in step with the
program's feedback address."""

import html.parser
import os
import re
import unittest
from urllib.parse import urlsplit

ROOT = os.environ.get(
    "ZV_SOURCE_DIR", os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
PAGES = os.path.join(ROOT, "site", "zilvardo")
VOID = {"meta", "br", "hr", "img", "link", "input", "wbr", "col", "area", "base", "source"}
URL_ATTRIBUTES = {"href", "src", "srcset", "action", "data", "poster", "background"}


class PageParser(html.parser.HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.problems = []
        self.open = []
        self.tags = []
        self.links = []
        self.text = []

    def handle_starttag(self, tag, attrs):
        self.tags.append((tag, dict(attrs)))
        for name, value in attrs:
            if name.startswith("on"):
                self.problems.append(f"event handler attribute {name} on <{tag}>")
            if name in URL_ATTRIBUTES and value is not None:
                self.links.append((tag, value))
        if tag not in VOID:
            self.open.append(tag)

    def handle_startendtag(self, tag, attrs):
        self.handle_starttag(tag, attrs)
        if tag not in VOID:
            self.open.pop()

    def handle_endtag(self, tag):
        if not self.open or self.open[-1] != tag:
            self.problems.append(f"</{tag}> closes <{self.open[-1] if self.open else None}>")
        else:
            self.open.pop()

    def handle_data(self, data):
        self.text.append(data)


def parse(name):
    with open(os.path.join(PAGES, name), "rb") as f:
        raw = f.read()
    source = raw.decode("utf-8")  # strict: a stray Latin-1 byte fails here
    parser = PageParser()
    parser.feed(source)
    parser.close()
    return source, parser


def default_feedback_address():
    with open(os.path.join(ROOT, "CMakeLists.txt"), encoding="utf-8") as f:
        match = re.search(r'set\(ZV_MAKER_EMAIL\s+"([^"]+)"', f.read())
    return match.group(1)


class SitePagesTest(unittest.TestCase):
    def test_pages_are_self_contained_and_well_formed(self):
        for name in ("banner.html", "feedback.htm"):
            with self.subTest(name):
                source, page = parse(name)
                self.assertTrue(source.startswith("<!DOCTYPE html>"))
                self.assertEqual(page.problems, [])
                self.assertEqual(page.open, [], "elements left open")
                tags = [tag for tag, _ in page.tags]
                self.assertNotIn("script", tags)
                self.assertNotIn("iframe", tags)
                self.assertIn(("meta", {"charset": "utf-8"}), page.tags)
                self.assertEqual(page.tags[0], ("html", {"lang": "lv"}))
                self.assertEqual(tags.count("title"), 1)
                self.assertNotRegex(source, r"url\(", "no assets pulled in by style")
                for tag, value in page.links:
                    target = urlsplit(value)
                    if target.scheme == "mailto":
                        continue
                    self.assertEqual((target.scheme, target.netloc), ("", ""),
                                     f"<{tag}> points off the site: {value}")
                    self.assertTrue(os.path.isfile(os.path.join(PAGES, target.path)),
                                    f"<{tag}> points to a missing page: {value}")

    def test_help_page_shows_every_letter_it_teaches(self):
        _, page = parse("banner.html")
        text = "".join(page.text)
        for letter in "āēīūčšžģķļņŗĀĒĪŪČŠŽĢĶĻŅŖ":
            with self.subTest(letter):
                self.assertIn(letter, text)
        # It ships as the offline help too: it tells where the document goes and what the
        # dictionary marks are.
        for example in ("Riiga", "sh", "kj", "'a", "pa-art", "ieeja", "unitext.html",
                        "~/.local/share/zv/unitext.html", "zv-convert --check"):
            with self.subTest(example):
                self.assertIn(example, text)

    def test_feedback_page_gives_the_programs_address(self):
        address = default_feedback_address()
        _, page = parse("feedback.htm")
        mailtos = [urlsplit(value) for tag, value in page.links if value.startswith("mailto:")]
        self.assertEqual([m.path for m in mailtos], [address])
        self.assertIn(address, "".join(page.text))


if __name__ == "__main__":
    unittest.main(verbosity=2)
