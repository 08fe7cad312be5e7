#!/usr/bin/env python3
"""Writes the language dictionary RadEzaZuvev.ini from its UTF-8 source table.

The table has one text per row: key, Latvian, Russian, separated by tabs;
a row may name more keys separated by " | " (aliases sharing one text).
Lines starting with "#" and empty lines are ignored. The dictionary keeps
each language in its own code page: Latvian in Windows-1257, Russian in
Windows-1251, lines ending in CR LF.

usage: make_dictionary.py dictionary.tsv RadEzaZuvev.ini
"""
import os
import sys

LATVIAN = "cp1257"
RUSSIAN = "cp1251"

# Entries the program expects first, with a closing line of one space.
BUILT_INS = [
    ("CHARSETINI", "BALTIC_CHARSET", "RUSSIAN_CHARSET"),
    ("ORNCBPOPUPMENU_1", "Pielikt", "Добавить"),
    ("ORNCBPOPUPMENU_2", "Rediģēt", "Исправить"),
]
LANGUAGE_NAMES = [
    ("LanguageName_1", "Latviešu", "Латышский"),
    ("LanguageName_2", "Krievu", "Русский"),
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
            if len(fields) != 3:
                sys.exit(f"{path}:{number}: expected key, Latvian and Russian separated by tabs")
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
            rows.append((keys, fields[1], fields[2], number))
    return rows


def encode(text, code_page, where):
    try:
        return text.encode(code_page)
    except UnicodeEncodeError as e:
        sys.exit(f"{where}: {text!r} has no {code_page} form ({e.reason})")


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    source, target = sys.argv[1], sys.argv[2]
    out = []
    for key, lv, ru in BUILT_INS:
        out += [b"* " + key.encode(), encode(lv, LATVIAN, key), encode(ru, RUSSIAN, key), b" "]
    for key, lv, ru in LANGUAGE_NAMES:
        out += [b"* " + key.encode(), encode(lv, LATVIAN, key), encode(ru, RUSSIAN, key), b""]
    for keys, lv, ru, number in read_table(source):
        where = f"{source}:{number}"
        out += [b"* " + k.encode("ascii") for k in keys]
        out += [encode(lv, LATVIAN, where), encode(ru, RUSSIAN, where), b""]
    data = b"".join(line + b"\r\n" for line in out)
    os.makedirs(os.path.dirname(os.path.abspath(target)), exist_ok=True)
    temporary = target + ".tmp"
    with open(temporary, "wb") as f:
        f.write(data)
    os.replace(temporary, target)


if __name__ == "__main__":
    main()
