#!/usr/bin/env python3
"""Compares the word boxes of two PDFs as `pdftotext -bbox` gives them: the same pages and
words in the same order, each word's left and right ends and its top and bottom within a
tolerance in points (with "x", the left and right ends only: the top and bottom come from the
font's vertical metrics, which another kind of font gives otherwise). Prints each difference
and the largest; exits 1 on any.
Usage: bbox_diff.py a.html b.html [tolerance in points, default 0.1] [x]
"""
import re
import sys

PAGE = re.compile(r'<page width="([0-9.]+)" height="([0-9.]+)">')
WORD = re.compile(r'<word xMin="([0-9.-]+)" yMin="([0-9.-]+)" xMax="([0-9.-]+)" '
                  r'yMax="([0-9.-]+)">(.*?)</word>')


def read(path):
    pages = []
    for line in open(path, encoding="utf-8", errors="replace"):
        page = PAGE.search(line)
        if page:
            pages.append(((float(page.group(1)), float(page.group(2))), []))
            continue
        word = WORD.search(line)
        if word and pages:
            pages[-1][1].append((word.group(5), [float(word.group(i)) for i in range(1, 5)]))
    return pages


def main():
    a, b = read(sys.argv[1]), read(sys.argv[2])
    tolerance = float(sys.argv[3]) if len(sys.argv) > 3 else 0.1
    sides = [0, 2] if len(sys.argv) > 4 and sys.argv[4] == "x" else [0, 1, 2, 3]
    faults = []
    largest = 0.0
    if len(a) != len(b):
        faults.append(f"{len(a)} pages against {len(b)}")
    for number, ((size_a, words_a), (size_b, words_b)) in enumerate(zip(a, b), 1):
        if any(abs(x - y) > 0.01 for x, y in zip(size_a, size_b)):
            faults.append(f"page {number}: size {size_a} against {size_b}")
        if len(words_a) != len(words_b):
            faults.append(f"page {number}: {len(words_a)} words against {len(words_b)}")
        for (text_a, box_a), (text_b, box_b) in zip(words_a, words_b):
            if text_a != text_b:
                faults.append(f"page {number}: word {text_a!r} against {text_b!r}")
                continue
            gap = max(abs(box_a[i] - box_b[i]) for i in sides)
            largest = max(largest, gap)
            if gap > tolerance:
                faults.append(f"page {number}: {text_a!r} at {box_a} against {box_b}")
    for fault in faults[:20]:
        print(fault)
    words = sum(len(w) for _, w in a)
    print(f"{words} words, largest difference {largest:.4f} pt, {len(faults)} faults")
    return 1 if faults else 0


sys.exit(main())
