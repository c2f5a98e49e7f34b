#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets into corpus/<target>/.

Seeds: the sample file, and small texts in every line-break style, with NUL
bytes, odd headers and marker look-alikes. Run from anywhere; it replaces the
seed files it writes and leaves any other file alone.
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
SAMPLE = os.path.join(HERE, "..", "samples", "sample.txt")

BASE = (b"// export\r\nOBJECT Table 18 Customer\r\n{\r\n  PROPERTIES\r\n  {\r\n  }\r\n}\r\n\r\n"
        b"OBJECT Form 21 Customer Card\r\n{\r\n  CODE\r\n  BEGIN\r\n    Name := 'OBJECT x';\r\n  END;\r\n}\r\n")

def breaks(text, brk):
    return text.replace(b"\r\n", brk)

TEXTS = {
    "crlf": BASE,
    "lf": breaks(BASE, b"\n"),
    "cr": breaks(BASE, b"\r"),
    "lfcr": breaks(BASE, b"\n\r"),
    "crcrlf": breaks(BASE, b"\r\r\n"),
    "mixed": b"a\rOBJECT Table 1 A\nb\r\nOBJECT Codeunit 2 B\n\rc\r\r\nOBJECT Report 3 C",
    "nul": b"x\0OBJECT Table 1 A\0OBJECT Form 2 B\0\ny\0\0OBJECT Codeunit 3 C\0",
    "nul-in-header": b"junk\0OBJECT Codeunit 5 Po\0st\r\nOBJECT Table 6 T\r\n",
    "no-final-break": b"OBJECT Table 1 A\r\nlast line",
    "only-object": b"OBJECT Table 1 A",
    "empty-lines": b"\r\n" * 20 + b"OBJECT Table 1 A" + b"\r\n" * 20,
    "look-alikes": b"object Table 1 a\r\n OBJECT Form 2 B\r\n\tOBJECT Form 3 C\r\nOBJECTX\r\nOBJEC\r\nOBJECT\r\n"
                   b"OBJECT Table 4 D\r\nOOBJECT Table 5 E\r\n",
    "numbers": b"OBJECT Table $1F Hex\r\nOBJECT Form 0x10 H\r\nOBJECT Report X7fffffff M\r\n"
               b"OBJECT Dataport -2147483648 Min\r\nOBJECT XMLport +2147483647 Max\r\nOBJECT MenuSuite -$1 N\r\n",
    "long-name": b"OBJECT Table 1 123456789012345678901234567890XYZ   \r\nOBJECT Table 2 trailing  \r\n"
                 b"OBJECT Table 3\r\nOBJECT Table 4 \r\n",
    "bad-number": b"OBJECT Table 1 A\r\nx\r\nOBJECT Form 1x B\r\nOBJECT Table 3 C\r\n",
    "empty-number": b"OBJECT Table 1 A\r\nOBJECT Form  B\r\n",
    "overflow": b"OBJECT Table 1 A\r\nOBJECT Form 2147483648 B\r\n",
    "halfway": b"a" * 199 + b"\n" + b"b" * 199 + b"\n",
    "many-lines": b"".join((b"OBJECT Table %d T\r\n" % i) if i % 37 == 0 else b"l\r\n" for i in range(300)),
    "empty": b"",
}

HEADERS = [b"Report 42 Weekly Totals", b"Table 18 Customer", b"Codeunit -7 Neg", b"XMLport $FFFFFFFF x",
           b"MenuSuite 0X7FFFFFFF m", b"Dataport x10 d", b"Form +12 f", b"page 1 lower", b"Table 99",
           b"Table 1 ", b"Table  A", b"", b"Table", b"Table 2147483648 A", b"Table -2147483649 A",
           b"Table $100000000 A", b"Table 0x A", b"Table - A", b"Table 1\t2 A", b"Table 00000000000000000012 z",
           b"Table $000000000001 z", b"Table 1 123456789012345678901234567890XYZ", b"T 1 \r\n\0name"]

def write(target, name, data):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)

def main():
    texts = dict(TEXTS)
    with open(SAMPLE, "rb") as f:
        texts["sample"] = f.read()
    for name, text in texts.items():
        # fuzz_split: the text, then the start byte and the window byte.
        for i, (start, window) in enumerate([(0, 0), (3, 6), (1, 250)]):
            write("fuzz_split", "%s-%d" % (name, i), text + bytes([start, window]))
        # fuzz_search: pattern, text, then object, position, pattern source and length, flags.
        for i, (pattern, position, flags) in enumerate([(b"customer", 1, 0), (b"OBJECT", 0, 1), (b"", 9, 2 | 1),
                                                        (b"", 40, 2)]):
            tail = struct.pack(">B", 1) + struct.pack(">I", position) + struct.pack(">H", 30) \
                + bytes([len(pattern) if pattern else 6, flags])
            write("fuzz_search", "%s-%d" % (name, i), pattern + text + tail)
    for i, header in enumerate(HEADERS):
        write("fuzz_header", "header-%02d" % i, header)

if __name__ == "__main__":
    main()
