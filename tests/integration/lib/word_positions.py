#!/usr/bin/env python3
"""Checks that each word starts where the measured advances put it: the "page left word"
lines pdf_document_drawer prints against the word boxes of `pdftotext -bbox`. Words of
printable ASCII are matched in order, page by page; exits 1 when one is missing or more than
the tolerance (points) away.
Usage: word_positions.py expected.words boxes.html [tolerance, default 0.02]
"""
import re
import sys

tolerance = float(sys.argv[3]) if len(sys.argv) > 3 else 0.02
pages = []
for line in open(sys.argv[2], encoding="utf-8", errors="replace"):
    if "<page " in line:
        pages.append([])
    word = re.search(r'<word xMin="([0-9.]+)"[^>]*>(.*?)</word>', line)
    if word and pages:
        text = word.group(2).replace("&quot;", '"').replace("&amp;", "&").replace(
            "&apos;", "'").replace("&lt;", "<").replace("&gt;", ">")
        pages[-1].append((text, float(word.group(1))))
checked = 0
faults = 0
cursor = {}
for line in open(sys.argv[1], encoding="latin-1"):
    fields = line.rstrip("\n").split(" ", 2)
    if len(fields) != 3 or not fields[0].isdigit():
        continue  # the rest of a word broken by a line-end byte
    page, left, word = fields
    if not word or not all(0x21 <= ord(c) < 0x7F for c in word):
        continue
    page = int(page)
    words = pages[page - 1] if page <= len(pages) else []
    at = cursor.get(page, 0)
    while at < len(words) and words[at][0] != word:
        at += 1
    if at == len(words):
        print(f"page {page}: {word!r} not found")
        faults += 1
        continue
    cursor[page] = at + 1
    checked += 1
    if abs(words[at][1] - float(left)) > tolerance:
        print(f"page {page}: {word!r} at {words[at][1]}, measured {left}")
        faults += 1
print(f"{checked} words placed as measured, {faults} faults")
sys.exit(1 if faults or not checked else 0)
