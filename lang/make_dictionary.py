#!/usr/bin/env python3
"""Writes the language dictionary RadEzaZuvev.ini from its UTF-8 source table.

The table has one text per row: key, Latvian, Russian and English,
separated by tabs; a row may name more keys separated by " | " (aliases
sharing one text). Lines starting with "#" and empty lines are ignored. The
dictionary keeps each language in its own code page: Latvian in
Windows-1257, Russian in Windows-1251, English in Windows-1252, lines ending
in CR LF. Languages keep their numbers: Latvian 1, Russian 2, English 3.

usage: make_dictionary.py dictionary.tsv RadEzaZuvev.ini
"""
import os
import sys

# The code page of each language, in the dictionary's order.
CODE_PAGES = ["cp1257", "cp1251", "cp1252"]

# Entries the program expects first, with a closing line of one space.
# English's character set is the Western one, 0 (ANSI_CHARSET).
BUILT_INS = [
    ("CHARSETINI", "BALTIC_CHARSET", "RUSSIAN_CHARSET", "0"),
    ("ORNCBPOPUPMENU_1", "Pielikt", "Добавить", "Add"),
    ("ORNCBPOPUPMENU_2", "Rediģēt", "Исправить", "Edit"),
]
# Each language's name in every language; the chooser shows each one in
# its own language (line n of LanguageName_n).
LANGUAGE_NAMES = [
    ("LanguageName_1", "Latviešu", "Латышский", "Latvian"),
    ("LanguageName_2", "Krievu", "Русский", "Russian"),
    ("LanguageName_3", "Angļu", "Английский", "English"),
]


def read_table(path):
    rows = []
    seen = {}
    with open(path, encoding="utf-8") as f:
        for number, raw in enumerate(f, 1):
            line = raw.rstrip("\r\n")
            if not line.strip() or line.startswith("#"):
                continue
            fields = line.split("\t")
            if number == 1 and fields[0] == "key":
                continue
            if len(fields) != 1 + len(CODE_PAGES):
                sys.exit(f"{path}:{number}: expected key, Latvian, Russian and English separated by tabs")
            keys = [k.strip() for k in fields[0].split(" | ")]
            for key in keys:
                if not key:
                    sys.exit(f"{path}:{number}: empty key")
                if key.upper() in seen:
                    sys.exit(f"{path}:{number}: key {key} already on line {seen[key.upper()]}")
                seen[key.upper()] = number
            for text in fields[1:]:
                # A text read as a key or setting line, or a blank one, would
                # shift every language of the entry.
                if not text.strip() or text[0] in "*$":
                    sys.exit(f"{path}:{number}: a text may not be blank or begin with * or $")
            rows.append((keys, fields[1:], number))
    return rows


def encode(text, code_page, where):
    try:
        return text.encode(code_page)
    except UnicodeEncodeError as e:
        sys.exit(f"{where}: {text!r} has no {code_page} form ({e.reason})")


def translations(texts, where):
    return [encode(text, page, where) for text, page in zip(texts, CODE_PAGES)]


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    source, target = sys.argv[1], sys.argv[2]
    out = []
    for key, *texts in BUILT_INS:
        out += [b"* " + key.encode()] + translations(texts, key) + [b" "]
    for key, *texts in LANGUAGE_NAMES:
        out += [b"* " + key.encode()] + translations(texts, key) + [b""]
    for keys, texts, number in read_table(source):
        where = f"{source}:{number}"
        out += [b"* " + k.encode("ascii") for k in keys]
        out += translations(texts, where) + [b""]
    data = b"".join(line + b"\r\n" for line in out)
    os.makedirs(os.path.dirname(os.path.abspath(target)), exist_ok=True)
    temporary = target + ".tmp"
    with open(temporary, "wb") as f:
        f.write(data)
    os.replace(temporary, target)


if __name__ == "__main__":
    main()
