#!/usr/bin/env python3
"""Latvian and English running text from the Latvian translations in Debian packages.

Reads the Latvian translations of LibreOffice (libreoffice-l10n-lv: its .mo catalogues and the
Latvian values of its .xcd registry files), of Firefox and Thunderbird (firefox-esr-l10n-lv,
thunderbird-l10n-lv: the .ftl, .properties and .dtd files in their language packs) and the
Latvian .mo catalogues of the packages installed here (/usr/share/locale/lv/LC_MESSAGES). The
English text of the same messages comes from the .mo catalogues' msgids and from the en-US
files inside firefox-esr and thunderbird (their omni.ja), message by message.

Each message is cleaned to plain text: markup, character and entity references, format
placeholders (%s, %1$S, {$x}, $(ARG1), %PRODUCTNAME …), access-key markers (~, _, &) and
addresses are taken out, select and plural variants become lines of their own, and messages
the translation left in English are dropped from the Latvian text. Lines are written once
(duplicates removed), one message per line, UTF-8.

A hash of each message (its English source, or its Latvian text where there is none) puts it
in the tuning part (about 80 %) or the held-out part (about 20 %); a line that falls in both is
kept in the held-out part only. Written to OUTPUT_DIR:

  lv-tuning.txt   lv-heldout.txt   en-tuning.txt   en-heldout.txt
  sources.txt     the packages read, with their versions, and the counts
  README.txt      what each file is

The packages are not build dependencies of ZV and are not installed by its Makefile: fetch them
first, for instance with --download (apt-get download into DEBS_DIR), or install them with
apt-get install --no-install-recommends. When a package is found neither as a .deb in DEBS_DIR
nor installed, nothing is written. Needs dpkg-deb (and apt-get for --download).

Usage: tools/latvian_text.py [--debs DEBS_DIR] [--download] [--locale-dir DIR] OUTPUT_DIR
"""

import argparse
import glob
import hashlib
import html
import html.entities
import io
import os
import re
import struct
import subprocess
import sys
import tarfile
import unicodedata
import xml.etree.ElementTree as ElementTree
import zipfile

# The packages whose Latvian translations are read, and the packages holding their English.
TRANSLATIONS = ["libreoffice-l10n-lv", "firefox-esr-l10n-lv", "thunderbird-l10n-lv"]
ENGLISH_OF = {"firefox-esr-l10n-lv": "firefox-esr", "thunderbird-l10n-lv": "thunderbird"}
HELD_OUT_PERCENT = 20
FILES = {
    "lv-tuning.txt": "Latvian text, tuning part (about 80 % of the messages)",
    "lv-heldout.txt": "Latvian text, held-out part (about 20 %): never tune on it",
    "en-tuning.txt": "English text of the messages of the tuning part",
    "en-heldout.txt": "English text of the messages of the held-out part: never tune on it",
    "sources.txt": "the packages read, with versions, the command, and the counts",
}


# ---------------------------------------------------------------------------------------------
# Letters and words: a letter is what the dictionary check of ZV takes for one.


def is_letter(c):
    cp = ord(c)
    if cp < 0x80:
        return ("a" <= c <= "z") or ("A" <= c <= "Z")
    if cp < 0xC0 or cp in (0xD7, 0xF7):
        return False
    for low, high in ((0x2000, 0x2BFF), (0x3000, 0x303F), (0xD800, 0xF8FF), (0xFE30, 0xFE6F),
                      (0xFF00, 0xFF20)):
        if low <= cp <= high:
            return False
    return cp < 0xFFF0


def words(line):
    """The runs of letters in line."""
    found, start = [], None
    for i, c in enumerate(line + " "):
        if is_letter(c):
            if start is None:
                start = i
        elif start is not None:
            found.append(line[start:i])
            start = None
    return found


# ---------------------------------------------------------------------------------------------
# Cleaning one message to plain text.

ADDRESS = re.compile(r"\b[a-z][a-z0-9+.-]*://\S*|\bwww\.\S+|[\w.+-]+@[\w-]+\.[\w.-]+", re.I)
ENTITY = re.compile(r"&([A-Za-z][\w.-]*);")
TAG = re.compile(r"<!\[CDATA\[|\]\]>|</?[A-Za-z!?][^<>]*>")
PLACEHOLDERS = re.compile(
    "|".join([
        r"%(?:\d+\$)?[-+#0]*(?:\d+|\*)?(?:\.(?:\d+|\*))?(?:hh|h|ll|l|L|q|j|z|t|I64|I32)?"
        r"[diouxXeEfFgGaAcsSpn@%]",
        r"%\([\w.-]+\)[a-zA-Z]",     # %(name)s
        r"%[A-Z][A-Z0-9_]+%?",        # %PRODUCTNAME, %FILENAME%
        r"%\d+",                      # %1
        r"\$\(\w+\)",                 # $(ARG1)
        r"\$\{[^{}]*\}",              # ${name}
        r"\$[A-Za-z][\w-]*\$",       # $name$
        r"\$[A-Z][A-Z0-9_]*",         # $NAME
        r"#[A-Z][A-Z0-9_]*#",         # #PAGENUMBER#
        r"\$\d+",                     # $1
        r"#\d+",                      # #1 (plural forms)
        r"\{\{[^{}]*\}\}",            # {{name}}
        r"\{[\w.\- ]*\}",             # {0}, {name}
    ]))
# Access keys: "~" (LibreOffice), "_" and "&" (GTK, Qt) before the letter they mark.
ACCESS_KEY = re.compile(r"[~]|[_&](?=[^\W\d_])")
SPACE = re.compile(r"\s+")


def _entity(match):
    name = match.group(1)
    return match.group(0) if name + ";" in html.entities.html5 else " "


def clean(text):
    """Plain text of one message, or "" when no word of two or more letters is left."""
    text = unicodedata.normalize("NFC", text)
    text = text.replace("\\n", " ").replace("\\t", " ")
    text = ADDRESS.sub(" ", text)
    text = ENTITY.sub(_entity, text)  # entities of a DTD (&brandShortName;) are placeholders
    text = html.unescape(text)
    text = TAG.sub(" ", text)
    text = ADDRESS.sub(" ", text)
    text = PLACEHOLDERS.sub(" ", text)
    text = ACCESS_KEY.sub("", text)
    text = text.replace("_", " ")
    text = "".join(" " if unicodedata.category(c)[0] == "C" else c for c in text)
    text = SPACE.sub(" ", text).strip()
    return text if any(len(w) >= 2 for w in words(text)) else ""


# ---------------------------------------------------------------------------------------------
# Message catalogues and resource files. Each reader yields messages as (key, texts): key
# names the message within its file, texts are its raw strings (plural forms, variants).

# Entries that are not text: access and command keys, sizes and styles.
NOT_TEXT = re.compile(r"(?:accesskey|accessKey|commandkey|commandKey|\.key|-key|keycode|"
                      r"\.style|\.width|\.height|\.size|-width|-height)$", re.I)


def read_mo(data, header=False):
    """{(context, msgid): (English strings, translated strings)} from a .mo catalogue (with
    header, only its header, under ("", ""))."""
    if len(data) < 20:
        return {}
    magic = struct.unpack("<I", data[:4])[0]
    order = "<" if magic == 0x950412DE else ">"
    if struct.unpack(order + "I", data[:4])[0] != 0x950412DE:
        return {}
    _, count, originals, translations = struct.unpack(order + "4I", data[4:20])
    messages = {}
    for i in range(count):
        olen, ooff = struct.unpack(order + "2I", data[originals + 8 * i:originals + 8 * i + 8])
        tlen, toff = struct.unpack(order + "2I",
                                   data[translations + 8 * i:translations + 8 * i + 8])
        original = data[ooff:ooff + olen].decode("utf-8", "replace")
        translated = data[toff:toff + tlen].decode("utf-8", "replace")
        if not original and header:
            return {("", ""): ([], [translated])}
        if not original or header:
            continue
        context, _, msgid = original.rpartition("\x04")
        messages[(context, msgid)] = (msgid.split("\x00"),
                                      [t for t in translated.split("\x00") if t])
    return messages


def mo_marker(data):
    """The access-key marker a .mo catalogue's header names, or None."""
    header = "\n".join(read_mo(data, header=True).get(("", ""), ([], []))[1])
    match = re.search(r"^X-Accelerator-Marker:\s*(\S)", header, re.M)
    return match.group(1) if match else None


def read_properties(text):
    """{key: [value]} from a .properties file (PluralForm values split at ";")."""
    entries, logical, pending = {}, [], ""
    for line in text.splitlines():
        stripped = pending + line.lstrip() if pending else line.lstrip()
        if not pending and (not stripped or stripped[0] in "#!"):
            continue
        if re.search(r"(?<!\\)(?:\\\\)*\\$", stripped):
            pending = stripped[:-1]
            continue
        pending = ""
        logical.append(stripped)
    for line in logical:
        match = re.match(r"((?:\\.|[^:=\s])+)\s*[:=\s]\s*(.*)$", line)
        if not match:
            continue
        value = re.sub(r"\\u([0-9a-fA-F]{4})", lambda m: chr(int(m.group(1), 16)),
                       match.group(2))
        value = re.sub(r"\\(.)", lambda m: {"n": "\n", "t": "\t"}.get(m.group(1), m.group(1)),
                       value)
        entries[match.group(1)] = [v for v in value.split(";") if v.strip()]
    return entries


def read_dtd(text):
    """{entity: [value]} from a .dtd file."""
    text = re.sub(r"<!--.*?-->", " ", text, flags=re.S)
    return {m.group(1): [m.group(3)]
            for m in re.finditer(r"<!ENTITY\s+([\w.\-]+)\s+([\"'])(.*?)\2\s*>", text, re.S)}


def _close(text, start):
    """The index of the "}" that closes the "{" at text[start], or -1."""
    depth, i, quoted = 0, start, False
    while i < len(text):
        c = text[i]
        if quoted:
            if c == "\\":
                i += 1
            elif c == '"':
                quoted = False
        elif c == '"':
            quoted = True
        elif c == "{":
            depth += 1
        elif c == "}":
            depth -= 1
            if depth == 0:
                return i
        i += 1
    return -1


def fluent_texts(pattern):
    """The texts of a Fluent pattern: the pattern with each select expression read as its
    default variant, then the text of each other variant alone."""
    out, extra, i = [], [], 0
    while True:
        start = pattern.find("{", i)
        if start < 0:
            out.append(pattern[i:])
            break
        end = _close(pattern, start)
        if end < 0:
            out.append(pattern[i:])
            break
        out.append(pattern[i:start])
        inner = pattern[start + 1:end]
        arrow = _top_level_arrow(inner)
        if arrow >= 0:
            variants = _variants(inner[arrow + 2:])
            default = next((v for star, v in variants if star), variants[-1][1] if variants
                           else "")
            texts = fluent_texts(default)
            out.append(texts[0])
            extra.extend(texts[1:])
            for star, variant in variants:
                if not star:
                    extra.extend(fluent_texts(variant))
        else:
            literal = re.fullmatch(r'\s*"((?:\\.|[^"\\])*)"\s*', inner)
            out.append(literal.group(1).replace('\\"', '"').replace("\\\\", "\\")
                       if literal else " ")
        i = end + 1
    return ["".join(out)] + extra


def _top_level_arrow(inner):
    depth = 0
    for i, c in enumerate(inner):
        if c == "{":
            depth += 1
        elif c == "}":
            depth -= 1
        elif c == "-" and depth == 0 and inner.startswith("->", i):
            return i
    return -1


def _variants(text):
    """[(is default, text)] of the variants of a select expression."""
    starts, depth = [], 0
    for i, c in enumerate(text):
        if c == "{":
            depth += 1
        elif c == "}":
            depth -= 1
        elif depth == 0 and c == "[" and (i == 0 or text[i - 1] in " \t\n*"):
            close = text.find("]", i)
            if close > 0:
                starts.append((i, close, i > 0 and text[i - 1] == "*"))
    variants = []
    for n, (begin, close, star) in enumerate(starts):
        stop = starts[n + 1][0] - (1 if starts[n + 1][2] else 0) if n + 1 < len(starts) \
            else len(text)
        variants.append((star, text[close + 1:stop]))
    return variants


def read_ftl(text):
    """{id or id.attribute: [texts]} from a Fluent file."""
    entries, current, lines, depth = {}, None, [], 0

    def finish():
        if current is not None:
            value = " ".join(line.strip() for line in lines)
            if value:
                entries[current] = fluent_texts(value)

    entry_id = None
    for line in text.splitlines():
        start = re.match(r"(-?[A-Za-z][\w-]*)\s*=\s?(.*)$", line) if depth == 0 else None
        attribute = re.match(r"\s+\.([A-Za-z][\w-]*)\s*=\s?(.*)$", line) \
            if depth == 0 and entry_id else None
        if start:
            finish()
            entry_id = start.group(1)
            current, lines = entry_id, [start.group(2)]
        elif attribute:
            finish()
            current, lines = entry_id + "." + attribute.group(1), [attribute.group(2)]
        elif line[:1] in (" ", "\t") or (not line.strip() and current is not None):
            lines.append(line)
        else:  # a comment or junk ends the entry
            finish()
            current, entry_id, lines = None, None, []
            continue
        for c in re.sub(r'"(?:\\.|[^"\\])*"', "", line):
            depth += 1 if c == "{" else -1 if c == "}" else 0
        depth = max(depth, 0)
    finish()
    return entries


RESOURCE_READERS = {".properties": read_properties, ".dtd": read_dtd, ".ftl": read_ftl}


def read_resource(name, data):
    reader = RESOURCE_READERS.get(os.path.splitext(name)[1])
    if not reader:
        return {}
    return {k: v for k, v in reader(data.decode("utf-8", "replace")).items()
            if not NOT_TEXT.search(k)}


def read_xcd(data):
    """The Latvian values of a LibreOffice registry file."""
    lang = "{http://www.w3.org/XML/1998/namespace}lang"
    try:
        root = ElementTree.fromstring(data)
    except ElementTree.ParseError:
        return []
    return [el.text for el in root.iter("value") if el.get(lang) == "lv" and el.text]


# ---------------------------------------------------------------------------------------------
# Packages: the files of a .deb, or of an installed package.

WANTED = (".mo", ".xcd", ".xpi", ".ja", ".jar", ".ftl", ".properties", ".dtd")


def deb_of(debs_dir, package):
    found = sorted(glob.glob(os.path.join(debs_dir, package + "_*.deb"))) if debs_dir else []
    return found[-1] if found else None


def package_version(package, deb):
    if deb:
        return subprocess.run(["dpkg-deb", "-f", deb, "Version"], check=True,
                              capture_output=True, text=True).stdout.strip()
    result = subprocess.run(["dpkg-query", "-W", "-f", "${db:Status-Abbrev} ${Version}",
                             package], capture_output=True, text=True)
    fields = result.stdout.split()
    return fields[1] if result.returncode == 0 and fields[:1] == ["ii"] else None


def package_files(package, deb):
    """Yields (path, bytes) for the package's files whose names end in one of WANTED."""
    if deb:
        with subprocess.Popen(["dpkg-deb", "--fsys-tarfile", deb],
                              stdout=subprocess.PIPE) as tar_process:
            with tarfile.open(fileobj=tar_process.stdout, mode="r|") as tar:
                for member in tar:
                    if member.isfile() and member.name.endswith(WANTED):
                        yield member.name.lstrip("."), tar.extractfile(member).read()
        if tar_process.returncode:
            raise RuntimeError(f"dpkg-deb could not read {deb}")
        return
    listing = subprocess.run(["dpkg", "-L", package], check=True, capture_output=True,
                             text=True).stdout.splitlines()
    for path in sorted(listing):
        if path.endswith(WANTED) and os.path.isfile(path) and not os.path.islink(path):
            with open(path, "rb") as f:
                yield path, f.read()


def archive_members(data):
    """{name: bytes} of a zip archive (an .xpi or omni.ja)."""
    try:
        archive = zipfile.ZipFile(io.BytesIO(data))
    except zipfile.BadZipFile:
        return {}
    return {name: archive.read(name) for name in archive.namelist()
            if name.endswith(tuple(RESOURCE_READERS))}


def resource_files(package, deb, locale):
    """{path with the locale written as "lv": bytes} of a Mozilla package's resource files of
    locale, inside its archives or on their own."""
    files = {}
    for path, data in package_files(package, deb):
        members = archive_members(data) if path.endswith((".xpi", ".ja", ".jar")) else {path: data}
        for name, content in members.items():
            parts = name.split("/")
            if locale not in parts or not name.endswith(tuple(RESOURCE_READERS)):
                continue
            parts = ["lv" if p == locale else p for p in parts]
            # A language pack holds the application's files under browser/; omni.ja of the
            # application does not.
            if parts[0] == "browser" and path.endswith(".xpi"):
                parts = parts[1:]
            files["/".join(parts)] = content
    return files


# ---------------------------------------------------------------------------------------------
# Collecting the messages.


class Messages:
    """Messages as (English lines, Latvian lines), in the order read."""

    def __init__(self):
        self.items = []

    def add(self, english, latvian):
        en = _unique(clean(t) for t in english)
        lv = [line for line in _unique(clean(t) for t in latvian) if line not in en]
        if lv or en:
            self.items.append((en, lv))


def _unique(lines):
    seen = []
    for line in lines:
        if line and line not in seen:
            seen.append(line)
    return seen


def collect_mo(messages, data):
    marker = mo_marker(data)
    for (_, msgid), (english, translated) in read_mo(data).items():
        if marker and marker not in "~_&":
            english = [t.replace(marker, "") for t in english]
            translated = [t.replace(marker, "") for t in translated]
        if translated:
            messages.add(english, translated)


def collect(args):
    messages, sources, missing = Messages(), [], []
    found = {}
    for package in TRANSLATIONS + list(ENGLISH_OF.values()):
        deb = deb_of(args.debs, package)
        found[package] = (deb, package_version(package, deb))
        if found[package][1] is None:
            missing.append(package)
    if missing:
        return messages, sources, missing
    for package in TRANSLATIONS:
        deb, version = found[package]
        sources.append((package, version, "lv"))
        if package in ENGLISH_OF:
            english_package = ENGLISH_OF[package]
            english_deb, english_version = found[english_package]
            if english_version.split(":")[-1] != version.split(":")[-1]:
                print(f"warning: {english_package} {english_version} is not the version of "
                      f"{package} {version}", file=sys.stderr)
            sources.append((english_package, english_version, "en"))
            latvian = resource_files(package, deb, "lv")
            english = resource_files(english_package, english_deb, "en-US")
            for path in sorted(latvian):
                lv_entries = read_resource(path, latvian[path])
                en_entries = read_resource(path, english[path]) if path in english else {}
                for key, texts in lv_entries.items():
                    messages.add(en_entries.get(key, []), texts)
            continue
        for path, data in package_files(package, deb):
            if path.endswith(".mo"):
                collect_mo(messages, data)
            elif path.endswith(".xcd"):
                for value in read_xcd(data):
                    messages.add([], [value])
    catalogues = sorted(glob.glob(os.path.join(args.locale_dir, "*.mo")))
    owners = {}
    for path in catalogues:
        with open(path, "rb") as f:
            collect_mo(messages, f.read())
        owner = subprocess.run(["dpkg", "-S", path], capture_output=True, text=True).stdout
        package = owner.split(":")[0].split(",")[0].strip() if owner else "(no package)"
        owners.setdefault(package, []).append(os.path.basename(path))
    for package in sorted(owners):
        version = package_version(package, None) or "?"
        sources.append((package, version, "lv en: " + " ".join(owners[package])))
    return messages, sources, missing


def held_out(key):
    digest = hashlib.sha256(key.encode("utf-8")).digest()
    return int.from_bytes(digest[:4], "big") % 100 < HELD_OUT_PERCENT


def split(messages):
    """{file name: [lines]} of the four texts."""
    parts = {name: [] for name in ("lv-tuning.txt", "lv-heldout.txt", "en-tuning.txt",
                                   "en-heldout.txt")}
    for en, lv in messages.items:
        part = "heldout" if held_out("\n".join(en or lv)) else "tuning"
        parts["en-" + part + ".txt"].extend(en)
        parts["lv-" + part + ".txt"].extend(lv)
    for language in ("lv", "en"):
        held = set(parts[language + "-heldout.txt"])
        tuning = [line for line in parts[language + "-tuning.txt"] if line not in held]
        parts[language + "-tuning.txt"] = _first_of_each(tuning)
        parts[language + "-heldout.txt"] = _first_of_each(parts[language + "-heldout.txt"])
    return parts


def _first_of_each(lines):
    seen = set()
    return [line for line in lines if not (line in seen or seen.add(line))]


def download(debs_dir):
    os.makedirs(debs_dir, exist_ok=True)
    packages = TRANSLATIONS + sorted(ENGLISH_OF.values())
    subprocess.run(["apt-get", "download"] + packages, cwd=debs_dir, check=True)


def main():
    parser = argparse.ArgumentParser(
        description=__doc__.split("\n\n")[0],
        epilog="The packages read are not dependencies of ZV: fetch them with --download or "
               "install them (apt-get install --no-install-recommends " +
               " ".join(TRANSLATIONS + sorted(ENGLISH_OF.values())) + ").")
    parser.add_argument("output", metavar="OUTPUT_DIR", help="folder the texts are written to")
    parser.add_argument("--debs", metavar="DEBS_DIR",
                        help="folder of the packages' .deb files (else the installed packages)")
    parser.add_argument("--download", action="store_true",
                        help="first apt-get download the packages into DEBS_DIR")
    parser.add_argument("--locale-dir", default="/usr/share/locale/lv/LC_MESSAGES",
                        help="the installed Latvian .mo catalogues (default: %(default)s)")
    args = parser.parse_args()
    if args.download:
        if not args.debs:
            parser.error("--download needs --debs DEBS_DIR")
        download(args.debs)

    messages, sources, missing = collect(args)
    if missing:
        print(f"error: no .deb in {args.debs or '(no --debs given)'} and not installed: "
              + " ".join(missing) + " (fetch them with --download --debs DEBS_DIR)",
              file=sys.stderr)
        return 1
    if not messages.items:
        print("error: no Latvian messages found", file=sys.stderr)
        return 1
    parts = split(messages)

    os.makedirs(args.output, exist_ok=True)
    counts = []
    for name, lines in parts.items():
        with open(os.path.join(args.output, name), "w", encoding="utf-8") as out:
            out.writelines(line + "\n" for line in lines)
        all_words = [w.lower() for line in lines for w in words(line)]
        counts.append(f"{name}: {len(lines)} lines, {len(all_words)} words, "
                      f"{len(set(all_words))} distinct")
    with open(os.path.join(args.output, "sources.txt"), "w", encoding="utf-8") as out:
        out.write("# command: tools/latvian_text.py " + " ".join(sys.argv[1:]) + "\n")
        out.write("# package<TAB>version<TAB>what it gave (lv: Latvian, en: English text)\n")
        out.writelines("\t".join(source) + "\n" for source in sources)
        out.writelines("# " + line + "\n" for line in counts)
    with open(os.path.join(args.output, "README.txt"), "w", encoding="utf-8") as out:
        out.write("Made by tools/latvian_text.py of ZV. One message per line, UTF-8; the text of\n"
                  "the translations is not part of ZV's repository (only word counts are).\n\n")
        out.writelines(f"{name:16}{what}\n" for name, what in FILES.items())
    print("\n".join(counts))
    return 0


if __name__ == "__main__":
    sys.exit(main())
