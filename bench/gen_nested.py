#!/usr/bin/env python3
"""Writes a deeply nested Clipper program, for the benchmarks that measure nesting.

Usage: gen_nested.py KIND DEPTH OUTPUT

KIND is "if": one function with DEPTH nested IF blocks, each holding a statement, closed in
turn; or "cond": DEPTH nested #ifdef regions, each branch opening an IF, closed after them.
"""

import sys


def main():
    kind, depth, path = sys.argv[1], int(sys.argv[2]), sys.argv[3]
    lines = ["FUNCTION Main()"]
    if kind == "if":
        for i in range(depth):
            lines += ["IF n > %d" % i, "n := n - 1"]
        lines += ["ENDIF"] * depth
    elif kind == "cond":
        for i in range(depth):
            lines += ["#ifdef FLAG%d" % i, "IF a > %d" % i, "#else", "IF b > %d" % i]
        for i in range(depth):
            lines += ["x := %d" % i, "ENDIF", "#endif"]
    else:
        sys.exit("gen_nested.py: KIND is if or cond")
    lines.append("RETURN NIL")
    with open(path, "w", newline="") as out:
        out.write("\r\n".join(lines) + "\r\n")


if __name__ == "__main__":
    main()
