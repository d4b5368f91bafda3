#!/usr/bin/env python3
"""Turns the UI string tables in resources/strings/*.txt into one resource script.

Usage: make_strings_rc.py <strings-dir> <output.rc>

Each table file is UTF-8 (no BOM, LF line ends):

    # comment
    langids 0x0007
    101 text
    ...
    113 text

One file may serve several LANGIDs so that a text shared by several regions
is written once. Everything is validated before anything is written: a
translation slip found here costs a build error, one found in the field
costs a window showing a raw "%1" or a missing product name. The output file
is replaced only when every table is good, so a failed run never leaves a
half-written script behind for the resource compiler to pick up.
"""

import os
import re
import sys
import tempfile
import unicodedata

FIRST_ID = 101
LAST_ID = 113
IDS = list(range(FIRST_ID, LAST_ID + 1))

# Every language the program ships. The runtime language choice relies on
# finding all of them (and only them), so a lost or extra table is a fault.
EXPECTED_LANGIDS = frozenset([
    0x0002, 0x0004, 0x0005, 0x0006, 0x0007, 0x0008, 0x000A, 0x000B,
    0x000C, 0x000E, 0x0010, 0x0013, 0x0018, 0x001B, 0x001D, 0x0024,
    0x0025, 0x0026, 0x0027, 0x0404, 0x0409, 0x0414, 0x0415, 0x0419,
    0x041A, 0x0422, 0x0804, 0x0816, 0x081A, 0x0C04, 0x1004, 0x101A,
    0x1404, 0x241A, 0x2C1A,
])

LANG_CHINESE = 0x04
PRODUCT = "VORNE Sandbox"
PRODUCT_WORD = "Sandbox"

# Strings that must name the product because the English text does.
NEEDS_PRODUCT = (101, 103, 106)
NEEDS_PRODUCT_WORD = (102,)
# Status lines; they signal ongoing work with a trailing ellipsis.
STATUS_IDS = (103, 105)
ELLIPSIS = "\u2026"
CHINESE_ELLIPSIS = "..."

# Which placeholders each string must carry. Only 104 and 110 go through
# placeholder substitution at run time; anywhere else a "%1" would be shown
# literally, and in 110 "%2" is always replaced by nothing.
PLACEHOLDERS = {104: ("%1", "%2"), 110: ("%1",)}
PLACEHOLDER_RE = re.compile(r"%[12]")

LANGIDS_RE = re.compile(r"langids((?: 0x[0-9A-F]{4})+)")
ENTRY_RE = re.compile(r"([0-9]+)(?: (.*))?")


class TableError(Exception):
    pass


def fail(path, line_no, message):
    where = path if line_no is None else "%s:%d" % (path, line_no)
    raise TableError("%s: %s" % (where, message))


def check_text(path, line_no, string_id, text, chinese):
    if text == "":
        fail(path, line_no, "string %d is empty" % string_id)
    if text[0].isspace() or text[-1].isspace():
        fail(path, line_no,
             "string %d starts or ends with white space" % string_id)
    if "\t" in text:
        fail(path, line_no, "string %d contains a tab" % string_id)
    if '"' in text:
        fail(path, line_no,
             'string %d contains a double quote (\"); use the language\'s '
             "own quotation marks" % string_id)
    for ch in text:
        # Control characters and line/paragraph separators would either be
        # rejected by the resource compiler or break the one-line layouts.
        if unicodedata.category(ch) in ("Cc", "Cf", "Zl", "Zp") \
                and ch not in "\u200c\u200d":
            fail(path, line_no, "string %d contains the control character "
                 "U+%04X" % (string_id, ord(ch)))
    if unicodedata.normalize("NFC", text) != text:
        fail(path, line_no,
             "string %d is not in Unicode normal form C" % string_id)

    if string_id in NEEDS_PRODUCT and PRODUCT not in text:
        fail(path, line_no,
             'string %d must contain "%s"' % (string_id, PRODUCT))
    if string_id in NEEDS_PRODUCT_WORD and PRODUCT_WORD not in text:
        fail(path, line_no,
             'string %d must contain "%s"' % (string_id, PRODUCT_WORD))

    found = PLACEHOLDER_RE.findall(text)
    wanted = PLACEHOLDERS.get(string_id, ())
    for p in wanted:
        n = found.count(p)
        if n != 1:
            fail(path, line_no, "string %d must contain %s exactly once "
                 "(found %d times)" % (string_id, p, n))
    for p in set(found) - set(wanted):
        fail(path, line_no, "string %d must not contain %s: it would be "
             "shown %s" % (string_id, p,
                           "empty" if wanted else "literally"))

    if string_id in STATUS_IDS:
        if chinese:
            if not text.endswith(CHINESE_ELLIPSIS) or text.endswith("....") \
                    or ELLIPSIS in text:
                fail(path, line_no, 'string %d must end with "..." '
                     "(three full stops) in a Chinese table" % string_id)
        else:
            if not text.endswith(ELLIPSIS) or text.endswith("." + ELLIPSIS) \
                    or text.endswith(ELLIPSIS + ELLIPSIS):
                fail(path, line_no, "string %d must end with a single "
                     "\u2026 (U+2026)" % string_id)


def parse_table(path):
    """Returns (langids, {id: text}) for one table file."""
    with open(path, "rb") as f:
        raw = f.read()
    if raw.startswith(b"\xef\xbb\xbf"):
        fail(path, None, "starts with a byte-order mark")
    if b"\r" in raw:
        fail(path, None, "contains a carriage return (LF line ends only)")
    try:
        content = raw.decode("utf-8")
    except UnicodeDecodeError as e:
        fail(path, None, "is not valid UTF-8 (byte %d)" % e.start)
    if content and not content.endswith("\n"):
        fail(path, None, "last line has no line end")

    langids = None
    texts = {}
    last_id = None
    for line_no, line in enumerate(content.split("\n")[:-1], start=1):
        if line == "" or line.startswith("#"):
            continue
        if line.startswith("langids"):
            m = LANGIDS_RE.fullmatch(line)
            if not m:
                fail(path, line_no, "malformed langids line; expected "
                     "'langids 0xHHHH ...' (upper-case hex, single blanks)")
            if langids is not None:
                fail(path, line_no, "second langids line")
            if texts:
                fail(path, line_no, "langids must come before the strings")
            values = [int(v, 16) for v in m.group(1).split()]
            # Repeats first, over the whole line: a repeat that is not next
            # to its twin must still be reported as one, not as a slip in
            # the order.
            seen = set()
            for v in values:
                if v in seen:
                    fail(path, line_no, "duplicate LANGID 0x%04X" % v)
                seen.add(v)
            for prev, cur in zip(values, values[1:]):
                if cur < prev:
                    fail(path, line_no, "LANGIDs not in ascending order "
                         "(0x%04X after 0x%04X)" % (cur, prev))
            for v in values:
                if v & 0x3FF == 0:
                    fail(path, line_no, "0x%04X has no primary language" % v)
            langids = values
            continue
        m = ENTRY_RE.fullmatch(line)
        if not m:
            fail(path, line_no, "unknown directive: %r" % line[:40])
        if langids is None:
            fail(path, line_no, "strings must follow a langids line")
        digits, text = m.groups()
        if text is None:
            text = ""
        string_id = int(digits)
        if digits != str(string_id) or not FIRST_ID <= string_id <= LAST_ID:
            fail(path, line_no, "string id %s is outside %d..%d"
                 % (digits, FIRST_ID, LAST_ID))
        if string_id in texts:
            fail(path, line_no, "string %d given twice" % string_id)
        if last_id is not None and string_id < last_id:
            fail(path, line_no, "string %d comes after %d (ids must be "
                 "ascending)" % (string_id, last_id))
        last_id = string_id
        texts[string_id] = (line_no, text)

    if langids is None:
        fail(path, None, "has no langids line")
    missing = [i for i in IDS if i not in texts]
    if missing:
        fail(path, None, "strings missing: %s"
             % ", ".join(str(i) for i in missing))

    primaries = {v & 0x3FF for v in langids}
    chinese = LANG_CHINESE in primaries
    if chinese and primaries != {LANG_CHINESE}:
        fail(path, None, "mixes Chinese and non-Chinese LANGIDs; their "
             "punctuation rules differ")
    for string_id, (line_no, text) in texts.items():
        check_text(path, line_no, string_id, text, chinese)
    return langids, {i: t for i, (_, t) in texts.items()}


def rc_quote(text):
    # windres reads C-style escapes inside resource strings: a lone backslash
    # would swallow the next character (\b becomes a backspace, \n a line
    # break), so every backslash is doubled. "%" has no meaning to windres
    # and is kept as is. "?" after "?" is written in octal so that no "??x"
    # trigraph can form if the preprocessor is ever run with trigraphs on.
    # Double quotes and control characters are refused by validation.
    out = []
    prev = ""
    for ch in text:
        if ch == "\\":
            out.append("\\\\")
        elif ch == "?" and prev == "?":
            out.append("\\077")
        else:
            out.append(ch)
        prev = ch
    return '"' + "".join(out) + '"'


def load_tables(strings_dir):
    names = sorted(n for n in os.listdir(strings_dir) if n.endswith(".txt"))
    if not names:
        fail(strings_dir, None, "holds no *.txt string tables")
    by_langid = {}
    owner = {}
    for name in names:
        path = os.path.join(strings_dir, name)
        langids, texts = parse_table(path)
        for v in langids:
            if v in owner:
                fail(path, None, "LANGID 0x%04X is already given by %s"
                     % (v, owner[v]))
            owner[v] = path
            by_langid[v] = texts
    got = set(by_langid)
    if got != EXPECTED_LANGIDS:
        parts = []
        lost = sorted(EXPECTED_LANGIDS - got)
        extra = sorted(got - EXPECTED_LANGIDS)
        if lost:
            parts.append("missing " + ", ".join("0x%04X" % v for v in lost))
        if extra:
            parts.append("unexpected " + ", ".join("0x%04X" % v
                                                   for v in extra))
        fail(strings_dir, None, "the set of LANGIDs is wrong: "
             + "; ".join(parts))
    return by_langid


def render(by_langid):
    lines = [
        "#pragma code_page(65001)",
        "// Generated by tools/make_strings_rc.py from resources/strings;"
        " edit those files instead.",
    ]
    for langid in sorted(by_langid):
        texts = by_langid[langid]
        lines.append("")
        lines.append("LANGUAGE 0x%02X, 0x%02X" % (langid & 0x3FF,
                                                  langid >> 10))
        lines.append("STRINGTABLE")
        lines.append("BEGIN")
        for string_id in IDS:
            lines.append("  %d, %s" % (string_id, rc_quote(texts[string_id])))
        lines.append("END")
    return "\n".join(lines) + "\n"


def write_atomically(path, content):
    directory = os.path.dirname(os.path.abspath(path))
    fd, tmp = tempfile.mkstemp(prefix=".strings-", suffix=".rc.tmp",
                               dir=directory)
    try:
        with os.fdopen(fd, "w", encoding="utf-8", newline="\n") as f:
            f.write(content)
        os.replace(tmp, path)
    except BaseException:
        if os.path.exists(tmp):
            os.unlink(tmp)
        raise


def main(argv):
    if len(argv) != 3:
        sys.stderr.write("usage: %s <strings-dir> <output.rc>\n"
                         % os.path.basename(argv[0]))
        return 1
    strings_dir, output = argv[1], argv[2]
    try:
        by_langid = load_tables(strings_dir)
        write_atomically(output, render(by_langid))
    except TableError as e:
        sys.stderr.write("make_strings_rc: %s\n" % e)
        return 1
    except OSError as e:
        sys.stderr.write("make_strings_rc: %s\n" % e)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
