#!/usr/bin/env python3
"""Generates platform/ctype_table.cpp: the CT_CTYPE1 character type of every
UTF-16 code unit, as Windows' GetStringTypeW reports it, and the code points
beyond U+FFFF that are assigned (of any category but private use), from the
Unicode Character Database (Debian's unicode-data package).

    tools/generate_ctype_table.py [--unicode-dir DIR] [--output FILE]

Without --output the table is written to standard output.

The rules, by general category of the code point:
  Lu letter, upper    UPPER ALPHA        Nd decimal digit     DIGIT
  Ll letter, lower    LOWER ALPHA        P* punctuation       PUNCT
  Lt letter, title    UPPER LOWER ALPHA  Cc, Cf control/format CNTRL
  Lm Lo Nl            ALPHA              Cn unassigned        (nothing, not even DEFINED)
Every assigned code unit (surrogates and private use included) is DEFINED.
SPACE is the White_Space property; BLANK, XDIGIT and the Latin-1 block follow
Windows' own fixed choices listed below.
"""

import argparse
import os
import sys

C1_UPPER = 0x1
C1_LOWER = 0x2
C1_DIGIT = 0x4
C1_SPACE = 0x8
C1_PUNCT = 0x10
C1_CNTRL = 0x20
C1_BLANK = 0x40
C1_XDIGIT = 0x80
C1_ALPHA = 0x100
C1_DEFINED = 0x200

FLAG_NAMES = [
    (C1_UPPER, "C1_UPPER"), (C1_LOWER, "C1_LOWER"), (C1_DIGIT, "C1_DIGIT"),
    (C1_SPACE, "C1_SPACE"), (C1_PUNCT, "C1_PUNCT"), (C1_CNTRL, "C1_CNTRL"),
    (C1_BLANK, "C1_BLANK"), (C1_XDIGIT, "C1_XDIGIT"), (C1_ALPHA, "C1_ALPHA"),
    (C1_DEFINED, "C1_DEFINED"),
]

CATEGORY_TYPES = {
    "Lu": C1_UPPER | C1_ALPHA,
    "Ll": C1_LOWER | C1_ALPHA,
    "Lt": C1_UPPER | C1_LOWER | C1_ALPHA,
    "Lm": C1_ALPHA,
    "Lo": C1_ALPHA,
    "Nl": C1_ALPHA,
    "Nd": C1_DIGIT,
    "Pc": C1_PUNCT, "Pd": C1_PUNCT, "Ps": C1_PUNCT, "Pe": C1_PUNCT,
    "Pi": C1_PUNCT, "Pf": C1_PUNCT, "Po": C1_PUNCT,
    "Cc": C1_CNTRL,
    "Cf": C1_CNTRL,
}

# Windows' blanks: tab, space, no-break space, ideographic space and the
# zero-width no-break space (byte order mark).
BLANKS = [0x0009, 0x0020, 0x00A0, 0x3000, 0xFEFF]

# Hex digits: the ASCII ones and their fullwidth forms.
XDIGIT_RANGES = [(0x0030, 0x0039), (0x0041, 0x0046), (0x0061, 0x0066),
                 (0xFF10, 0xFF19), (0xFF21, 0xFF26), (0xFF41, 0xFF46)]

# Below U+0100 Windows keeps its classic Latin-1 classification: symbols
# (currency, math, modifier and other symbols) count as punctuation there too,
# and a few characters carry extra bits.
LATIN1_EXTRA = {
    0x00AA: C1_LOWER | C1_PUNCT,   # feminine ordinal indicator
    0x00AD: C1_PUNCT,              # soft hyphen (also a format control)
    0x00B2: C1_PUNCT,              # superscript two (also a digit)
    0x00B3: C1_PUNCT,              # superscript three
    0x00B5: C1_PUNCT,              # micro sign
    0x00B9: C1_PUNCT,              # superscript one
    0x00BA: C1_LOWER | C1_PUNCT,   # masculine ordinal indicator
    0x00BC: C1_PUNCT,              # vulgar fractions
    0x00BD: C1_PUNCT,
    0x00BE: C1_PUNCT,
}
LATIN1_DIGITS = [0x00B2, 0x00B3, 0x00B9]

# Modifier letters that Windows still reports as lower case (they were
# lower-case letters in early Unicode versions).
LEGACY_LOWER = [0x2071, 0x207F]


def unicode_data_ranges(unicode_dir):
    """(first, last, category) of every entry of UnicodeData.txt, a range
    written as its First and Last lines given as one."""
    with open(os.path.join(unicode_dir, "UnicodeData.txt"), encoding="utf-8") as data:
        first_of_range = None
        for line in data:
            fields = line.rstrip("\n").split(";")
            code = int(fields[0], 16)
            name, category = fields[1], fields[2]
            if name.endswith(", First>"):
                first_of_range = code
                continue
            start = first_of_range if name.endswith(", Last>") else code
            first_of_range = None
            yield start, code, category


def read_categories(unicode_dir):
    categories = ["Cn"] * 0x10000
    for start, last, category in unicode_data_ranges(unicode_dir):
        for unit in range(start, min(last, 0xFFFF) + 1):
            categories[unit] = category
    return categories


def read_assigned_beyond_bmp(unicode_dir):
    """The ranges of code points above U+FFFF with a category other than Co
    (private use), merged where they touch."""
    ranges = []
    for start, last, category in unicode_data_ranges(unicode_dir):
        if last <= 0xFFFF or category == "Co":
            continue
        start = max(start, 0x10000)
        if ranges and start <= ranges[-1][1] + 1:
            ranges[-1][1] = max(ranges[-1][1], last)
        else:
            ranges.append([start, last])
    if not ranges:
        sys.exit("no code point above U+FFFF in UnicodeData.txt")
    return ranges


def read_property(unicode_dir, file_name, wanted):
    units = set()
    with open(os.path.join(unicode_dir, file_name), encoding="utf-8") as data:
        for line in data:
            line = line.split("#", 1)[0].strip()
            if not line:
                continue
            codes, prop = (part.strip() for part in line.split(";"))
            if prop != wanted:
                continue
            first, _, last = codes.partition("..")
            first = int(first, 16)
            last = int(last, 16) if last else first
            units.update(range(first, min(last, 0xFFFF) + 1))
    if not units:
        sys.exit(f"no {wanted} entries in {file_name}")
    return units


def unicode_version(unicode_dir):
    with open(os.path.join(unicode_dir, "ReadMe.txt"), encoding="utf-8") as readme:
        for line in readme:
            if "Version" in line or "version" in line:
                for word in line.split():
                    if word[:1].isdigit() and word.count(".") >= 1:
                        return word.rstrip(".,;")
    return "unknown"


def classify(unicode_dir):
    categories = read_categories(unicode_dir)
    white_space = read_property(unicode_dir, "PropList.txt", "White_Space")
    types = []
    for unit in range(0x10000):
        category = categories[unit]
        if category == "Cn":
            types.append(0)
            continue
        value = C1_DEFINED | CATEGORY_TYPES.get(category, 0)
        if unit < 0x100 and category[0] == "S":
            value |= C1_PUNCT
        if unit in white_space:
            value |= C1_SPACE
        types.append(value)
    for unit in BLANKS:
        types[unit] |= C1_BLANK
    for first, last in XDIGIT_RANGES:
        for unit in range(first, last + 1):
            types[unit] |= C1_XDIGIT
    for unit, extra in LATIN1_EXTRA.items():
        types[unit] |= extra
    for unit in LATIN1_DIGITS:
        types[unit] |= C1_DIGIT
    for unit in LEGACY_LOWER:
        types[unit] |= C1_LOWER
    return types


def flag_expression(value):
    names = [name for bit, name in FLAG_NAMES if value & bit]
    return " | ".join(names) if names else "0"


def c_array(element, name, count_name, rows):
    """The lines of a constant array of rows and of the constant that counts them."""
    return [f"const {element} {name}[] = {{", *rows, "};", "",
            f"const std::size_t {count_name} = sizeof {name} / sizeof {name}[0];", ""]


def render(types, assigned, version):
    ranges = []
    for unit, value in enumerate(types):
        if not ranges or ranges[-1][1] != value:
            ranges.append((unit, value))
    lines = [
        "// Generated by tools/generate_ctype_table.py from the Unicode Character",
        f"// Database {version} (UnicodeData.txt, PropList.txt). Do not edit by hand:",
        "// change the script and run it again; a test compares this file with its output.",
        "//",
        "// Each row starts a run of code units that share one CT_CTYPE1 type; the run",
        "// lasts until the next row's first code unit.",
        '#include "platform/ctype_table.h"',
        "",
        "namespace {",
        "constexpr std::uint16_t C1_UPPER = 0x1, C1_LOWER = 0x2, C1_DIGIT = 0x4, C1_SPACE = 0x8,",
        "                        C1_PUNCT = 0x10, C1_CNTRL = 0x20, C1_BLANK = 0x40, C1_XDIGIT = 0x80,",
        "                        C1_ALPHA = 0x100, C1_DEFINED = 0x200;",
        "}  // namespace",
        "",
    ]
    lines += c_array("CharTypeRun", "kCharTypeRuns", "kCharTypeRunCount",
                     [f"    {{0x{first:04X}, {flag_expression(value)}}}," for first, value in ranges])
    lines += [
        "// The code points beyond U+FFFF that are assigned, private use aside: each",
        "// row a range, first and last included, in ascending order.",
    ]
    lines += c_array("CodePointRange", "kAssignedBeyondBmp", "kAssignedBeyondBmpCount",
                     [f"    {{0x{first:05X}, 0x{last:05X}}}," for first, last in assigned])
    return "\n".join(lines)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--unicode-dir", default="/usr/share/unicode")
    parser.add_argument("--output")
    args = parser.parse_args()
    text = render(classify(args.unicode_dir), read_assigned_beyond_bmp(args.unicode_dir),
                  unicode_version(args.unicode_dir))
    if args.output:
        with open(args.output, "w", encoding="utf-8", newline="\n") as out:
            out.write(text)
    else:
        sys.stdout.write(text)


if __name__ == "__main__":
    main()
