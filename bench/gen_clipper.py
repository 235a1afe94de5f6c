#!/usr/bin/env python3
"""Writes a realistic Clipper program of about N lines, untidily indented, for benchmarks.

Usage: gen_clipper.py LINES OUTPUT [SEED]

The program is made of procedures and functions with nested IF, FOR, DO WHILE and DO CASE
blocks, continued statements, comments of every kind, strings, bracket strings, the odd
TEXT region and blank lines, in the mix of upper and lower case that real code has.
"""

import random
import sys

NAMES = ["nTotal", "cName", "aList", "dDate", "lFound", "nCount", "cText", "nPos",
         "aData", "nRow", "nCol", "cField", "xValue", "nAmount", "cCustomer"]
FUNCS = ["Str", "LTrim", "RTrim", "SubStr", "Len", "Upper", "PadR", "Val", "Empty",
         "AScan", "AAdd", "Transform", "DToC", "Round", "Max", "Min"]
LEADS = ["", "", " ", "  ", "   ", "    ", "\t", "      ", "        "]
TAILS = ["", "", "", "", " ", "\t"]


class Writer:
    def __init__(self, seed):
        self.rand = random.Random(seed)
        self.lines = []

    def pick(self, items):
        return items[self.rand.randrange(len(items))]

    def case(self, word):
        r = self.rand.random()
        if r < 0.6:
            return word.upper()
        if r < 0.85:
            return word.lower()
        return word.capitalize()

    def add(self, text):
        self.lines.append(self.pick(LEADS) + text + self.pick(TAILS))

    def expr(self):
        r = self.rand.randrange(6)
        a, b = self.pick(NAMES), self.pick(NAMES)
        if r == 0:
            return "%s + %d" % (a, self.rand.randrange(100))
        if r == 1:
            return "%s( %s )" % (self.pick(FUNCS), a)
        if r == 2:
            return '"%s: " + %s( %s )' % (self.pick(NAMES), self.pick(FUNCS), b)
        if r == 3:
            return "%s[ %s ]" % (a, b)
        if r == 4:
            return "[%s's value]" % a
        return "%s * %s - 1" % (a, b)

    def statement(self):
        r = self.rand.randrange(14)
        a = self.pick(NAMES)
        if r < 4:
            self.add("%s := %s" % (a, self.expr()))
        elif r == 4:
            self.add("? %s, %s" % (self.expr(), self.expr()))
        elif r == 5:
            self.add("%s++  // %s" % (a, self.pick(["count it", "next one", "endif here"])))
        elif r == 6:
            self.add("* %s" % self.pick(["a comment line", "don't touch this", "TODO: check"]))
        elif r == 7:
            self.add("@ %d, %d %s %s GET %s PICTURE \"@!\"" % (
                self.rand.randrange(24), self.rand.randrange(80), self.case("say"),
                '"Name:"', a))
        elif r == 8:
            self.add("%s := %s( %s, ;" % (a, self.pick(FUNCS), self.expr()))
            for _ in range(self.rand.randrange(3)):
                self.add("%s, ;" % self.expr())
            self.add("%s )" % self.expr())
        elif r == 9:
            self.add("%s FOR %s > 0 WHILE !Eof()" % (self.case("locate"), a))
        elif r == 10:
            self.add("/* %s" % self.pick(["the old way", "kept for reference"]))
            self.add("%s := %s" % (a, self.expr()))
            self.add("*/")
        elif r == 11:
            self.add("%s := IIf( %s > 0, %s, 0 )  && %s" % (a, a, self.expr(), "clamp"))
        elif r == 12:
            self.add("")
        else:
            self.add("%s( %s )" % (self.pick(FUNCS), self.expr()))

    def block(self, depth):
        for _ in range(1 + self.rand.randrange(4)):
            r = self.rand.randrange(10 if depth < 4 else 3)
            if r < 3:
                self.statement()
            elif r == 3:
                self.add("%s %s > 0" % (self.case("if"), self.pick(NAMES)))
                self.block(depth + 1)
                if self.rand.random() < 0.4:
                    self.add(self.case("else"))
                    self.block(depth + 1)
                self.add(self.case("endif"))
            elif r == 4:
                self.add("%s i := 1 %s Len( %s )" % (self.case("for"), self.case("to"),
                                                   self.pick(NAMES)))
                self.block(depth + 1)
                self.add(self.case("next"))
            elif r == 5:
                self.add("%s %s .AND. !Eof()" % (self.case("do while"), self.pick(NAMES)))
                self.block(depth + 1)
                self.add(self.case("skip"))
                self.add(self.case("enddo"))
            elif r == 6:
                self.add(self.case("do case"))
                for _ in range(1 + self.rand.randrange(3)):
                    self.add("%s %s == %d" % (self.case("case"), self.pick(NAMES),
                                              self.rand.randrange(9)))
                    self.block(depth + 1)
                self.add(self.case("otherwise"))
                self.block(depth + 1)
                self.add(self.case("endcase"))
            elif r == 7:
                self.add("%s %s > 0 .AND. ;" % (self.case("if"), self.pick(NAMES)))
                self.add("%s < 100" % self.pick(NAMES))
                self.block(depth + 1)
                self.add(self.case("endif"))
            elif r == 8 and self.rand.random() < 0.1:
                self.add(self.case("text"))
                for _ in range(1 + self.rand.randrange(3)):
                    self.lines.append("   Dear %s, it's time." % self.pick(NAMES))
                self.add(self.case("endtext"))
            else:
                self.statement()

    def program(self, count):
        self.add('#include "inkey.ch"')
        self.add("#define MAX_ROWS 24")
        n = 0
        while len(self.lines) < count:
            n += 1
            for _ in range(self.rand.randrange(3)):
                self.add("")
            kind = self.rand.randrange(4)
            if kind == 0:
                self.add("%s Proc%d" % (self.case("procedure"), n))
            elif kind == 1:
                self.add("%s Func%d( %s, %s )" % (self.case("function"), n, self.pick(NAMES),
                                                 self.pick(NAMES)))
            elif kind == 2:
                self.add("%s Func%d( %s, ;" % (self.case("function"), n, self.pick(NAMES)))
                self.add("%s )" % self.pick(NAMES))
            else:
                self.add("STATIC FUNCTION Helper%d()" % n)
            self.add("LOCAL %s := 0, %s := {}" % (self.pick(NAMES), self.pick(NAMES)))
            for _ in range(1 + self.rand.randrange(3)):
                self.block(0)
            self.add("%s %s" % (self.case("return"), self.pick(["NIL", ".T.", "nTotal"])))


def main():
    if len(sys.argv) < 3:
        sys.stderr.write("usage: gen_clipper.py LINES OUTPUT [SEED]\n")
        return 2
    count = int(sys.argv[1])
    seed = int(sys.argv[3]) if len(sys.argv) > 3 else 1
    writer = Writer(seed)
    writer.program(count)
    with open(sys.argv[2], "w", newline="") as out:
        out.write("\r\n".join(writer.lines[:count]) + "\r\n")
    return 0


if __name__ == "__main__":
    sys.exit(main())
