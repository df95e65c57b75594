#!/usr/bin/env python3
"""A line solver in a few lines of Python, the example of a script solver.

It reads one puzzle a line on standard input (81 characters, '.' or '0' for an empty cell) and
prints COUNT:SOLUTION for each: the number of solutions up to two, and the solution when there is
exactly one.

    Messlauf --line-solver "Py=python3 examples/zeilenloeser.py" --puzzles data/puzzles
"""
import sys

# Exact cover: every cell, every digit in every row, column and box exactly once.
ROWS = {(r, c, d): [("cell", r, c), ("row", r, d), ("col", c, d), ("box", r // 3 * 3 + c // 3, d)]
        for r in range(9) for c in range(9) for d in range(1, 10)}


def columns():
    cover = {}
    for row, names in ROWS.items():
        for name in names:
            cover.setdefault(name, set()).add(row)
    return cover


def select(cover, row):
    removed = []
    for name in ROWS[row]:
        for other in cover[name]:
            for column in ROWS[other]:
                if column != name:
                    cover[column].remove(other)
        removed.append(cover.pop(name))
    return removed


def deselect(cover, row, removed):
    for name in reversed(ROWS[row]):
        cover[name] = removed.pop()
        for other in cover[name]:
            for column in ROWS[other]:
                if column != name:
                    cover[column].add(other)


def count(cover, chosen, limit, found):
    """Counts the covers up to limit; the first one's rows into found."""
    if not cover:
        if not found:
            found.extend(chosen)
        return 1
    name = min(cover, key=lambda n: len(cover[n]))
    total = 0
    for row in list(cover[name]):
        removed = select(cover, row)
        chosen.append(row)
        total += count(cover, chosen, limit - total, found)
        chosen.pop()
        deselect(cover, row, removed)
        if total >= limit:
            break
    return total


def answer(line):
    cover = columns()
    for i, c in enumerate(line[:81]):
        if c in "123456789":
            row = (i // 9, i % 9, int(c))
            if any(name not in cover or row not in cover[name] for name in ROWS[row]):
                return "0:"  # givens that repeat a digit: no solution
            select(cover, row)
    found = []
    n = count(cover, [], 2, found)
    if n != 1:
        return f"{n}:"
    cells = [int(c) if c in "123456789" else 0 for c in line[:81]]
    for r, c, d in found:
        cells[r * 9 + c] = d
    return "1:" + "".join(map(str, cells))


for line in sys.stdin:
    print(answer(line.strip()))
