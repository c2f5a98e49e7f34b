#!/usr/bin/env python3
"""Checks orvanta-cli refs against a plain reading of an export's bytes.

For the objects most often named by the plain forms (": Record 18",
"SourceTable=Table18", "DataItemTable=Table18", "TableNo=18",
"LookupFormID=Form22", "RunObjectType=Form; RunObjectID=22"), every object
that names one that way must be among those refs lists: at least every object
the plain forms name. Usage: check_references.py CLI FILE [TARGETS]
"""
import collections
import re
import subprocess
import sys

KINDS = {"table": "Table", "record": "Table", "form": "Form", "page": "Page", "report": "Report",
         "codeunit": "Codeunit", "xmlport": "XMLport", "query": "Query", "dataport": "Dataport"}
HEADER = re.compile(rb"^OBJECT (\w+) (-?\d+)", re.M)
FORMS = [
    re.compile(rb": (?:TEMPORARY )?(Record|Codeunit|Page|Form|Report|XMLport|Query|Dataport) (\d+)"),
    re.compile(rb"(?:SourceTable|DataItemTable|LookupFormID|DrillDownFormID|LookupPageID)=(Table|Form|Page)(\d+);"),
    re.compile(rb"RunObjectType=(\w+);\s*RunObjectID=(\d+);"),
]
TABLE_NO = re.compile(rb"TableNo=(\d+);")


def main():
    cli, path = sys.argv[1], sys.argv[2]
    count = int(sys.argv[3]) if len(sys.argv) > 3 else 5
    data = open(path, "rb").read()
    starts = [m.start() for m in HEADER.finditer(data)] + [len(data)]
    named = collections.defaultdict(set)  # (kind, number) -> referring object indexes
    for index in range(len(starts) - 1):
        text = data[starts[index]:starts[index + 1]]
        for form in FORMS:
            for m in form.finditer(text):
                named[(KINDS[m.group(1).decode().lower()], int(m.group(2)))].add(index)
        for m in TABLE_NO.finditer(text):
            named[("Table", int(m.group(1)))].add(index)
    failures = 0
    for (kind, number), objects in sorted(named.items(), key=lambda kv: -len(kv[1]))[:count]:
        out = subprocess.run([cli, "refs", path, "%s %d" % (kind, number)], capture_output=True)
        found = {int(line.split(b"\t")[0]) for line in out.stdout.splitlines()}
        missed = objects - found
        failures += bool(missed)
        print("%s %d: %d objects by the plain forms, %d by refs, %d missed"
              % (kind, number, len(objects), len(found), len(missed)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
