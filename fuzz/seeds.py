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

# fuzz_properties: objects with and without blocks, in every line-break style.
PROPERTIES = (b"OBJECT Table 3 Payment Terms\r\n{\r\n  OBJECT-PROPERTIES\r\n  {\r\n    Date=01.07.10;\r\n"
              b"    Time=12:00:00;\r\n    Modified=Yes;\r\n    Version List=ORV6.00;\r\n  }\r\n}\r\n"
              b"OBJECT Form 4 F\n{\n object-properties\n {\n DATE = 1 ;\n version list=A;B;;\n Time=\n"
              b"OBJECT Report 5 R\r{\r  PROPERTIES\r  {\r    Date=x;\r  }\r}\r"
              b"OBJECT Codeunit 6 C\r\n{\r\n\r\n  OBJECT-PROPERTIES\r\n  {\r\n    Date=1\0Time=2;\r\n"
              b"  PROPERTIES\r\n    Modified=Yes;\r\n")

# fuzz_filter: field, expression, value, second text.
FILTERS = [(3, b"ORV1*&*DE*", b"ORV1.00,ORV-DE", b"ORV1.00"), (2, b"@*sales*", b"Sales Header", b"Item"),
           (2, b"*a*a*a*a*a*a*a*a*b", b"a" * 300, b"aaab"), (2, b"'It''s'|'a|b'", b"It's", b"a|b"),
           (1, b"50000..59999|18", b"", b""), (1, b" <>18 & >=-5 ", b"", b""), (0, b"T*|<>Form&@c*", b"Table", b""),
           (4, b"<>Yes", b"Yes", b""), (5, b"01.07.10..31.12.10", b"14.03.11", b"01.07.10"), (6, b"''", b"", b"x"),
           (2, b"a..b..c", b"b", b""), (2, b"'open", b"", b""), (2, b"x@y|<a*|a<b", b"", b""),
           (1, b"1..x", b"", b""), (2, b"?\xe4*'?'", b"\xe4\xc4?", b"A")]

# fuzz_linediff: old and new texts.
LINEDIFFS = [(b"a\nb\nc\n", b"a\nc\nd\n"), (b"a\nb", b"a\nb\n"), (b"x\r\ny\r\n", b"x\ny\nz"), (b"", b"a\nb\n"),
             (b"a\na\na\nb\n", b"b\na\na\n"),
             (PROPERTIES.split(b"OBJECT Form")[0],
              PROPERTIES.split(b"OBJECT Form")[0].replace(b"01.07.10", b"24.12.21").replace(b"\r\n", b"\n")),
             (b"    IF Cust.FIND THEN\n      x := 1;\n", b"    IF Cust.FINDFIRST THEN\n      x := 20;\n")]

# fuzz_merge: flags (bit 0 edits of its object, 1 CR LF, 2 diff3, 3 strict)
# and, per version, an edit count and (line, action) pairs, all read from the
# end (as FuzzedDataProvider reads numbers); or the texts before the flags.
def edited(flags, *versions):
    read = [flags]
    for pairs in versions:
        read += [len(pairs)] + [b for pair in pairs for b in pair]
    return bytes(reversed(read))

MERGES = [edited(1, [], [(21, 1)], [(21, 5)]),  # both add a field after City
          edited(1 | 2, [], [(41, 2 | 17 * 4)], [(36, 2 | 17 * 4)]),  # a body each
          edited(1 | 4, [], [(36, 2)], [(36, 2 | 4)]),  # one line changed differently
          edited(1 | 8, [(14, 1 | 7 * 4)], [(19, 0)], [(19, 2 | 4 * 4)]),  # deleted against changed
          edited(1, [(2, 1 | 23 * 4)], [(30, 1 | 12 * 4)], [(45, 1 | 18 * 4)]),  # not an object
          b"a\nb\nc\\\n" + b"a\nB\nc\\\n" + b"a\nb\nC" + bytes([0]),
          b"a\nb\\\n" + b"a\nX\\\n" + b"a\nb\nc\n" + bytes([4])]

def escaped(data):
    """As FuzzedDataProvider's ConsumeRandomLengthString reads it back: a backslash doubled, then the end."""
    return data.replace(b"\\", b"\\\\") + b"\\\n"

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
    texts["properties"] = PROPERTIES
    for name, text in texts.items():
        # fuzz_properties: the text, then the window byte.
        for i, window in enumerate([0, 6, 250]):
            write("fuzz_properties", "%s-%d" % (name, i), text + bytes([window]))
    for i, (field, expression, value, other) in enumerate(FILTERS):
        # fuzz_filter: the three texts, then the number and the field byte.
        write("fuzz_filter", "filter-%02d" % i,
              escaped(expression) + escaped(value) + escaped(other) + struct.pack(">i", 18) + bytes([field]))
    for i, header in enumerate(HEADERS):
        write("fuzz_header", "header-%02d" % i, header)
    sample = texts["sample"]
    changed = sample.replace(b"Time=12:00:00", b"Time=13:14:15", 1).replace(b"DELETEALL;", b"DELETEALL(TRUE);", 1)
    pairs = LINEDIFFS + [(sample, changed), (sample, changed.replace(b"\r\n", b"\n"))]
    for i, (old, new) in enumerate(pairs):
        # fuzz_linediff: the flags (strict, repeating lines, context), then both texts.
        for j, flags in enumerate([0, 1, 2 | 1, 4 | (1 << 3), 5 << 3]):
            write("fuzz_linediff", "pair-%02d-%d" % (i, j), bytes([flags]) + escaped(old) + new)
    for i, data in enumerate(MERGES + [escaped(sample) + escaped(changed) + sample + bytes([2])]):
        write("fuzz_merge", "merge-%02d" % i, data)

if __name__ == "__main__":
    main()
