#!/usr/bin/env python3
"""Writes OURS and THEIRS from a generated BASE export, for bench_merge.

    make_merge_triple.py BASE OURS THEIRS [COUNT] [SEED]

THEIRS is an update: COUNT objects get a later Date and Time, their product
tag raised (ORV5.00 -> ORV5.00.01) and one line of code changed. OURS holds
a partner's changes: COUNT other random objects (many the same) get another
Date and Time, a tag PTR1.00 added, a procedure added before the
documentation trigger and one line of code changed. Prints how many objects
each side changed and how many both did."""
import random
import re
import sys


def split(data):
    starts = [m.start() for m in re.finditer(rb'(?m)^OBJECT ', data)]
    head = data[:starts[0]] if starts else data
    return head, [data[a:b] for a, b in zip(starts, starts[1:] + [len(data)])]


def change_line(obj, rng, note):
    lines = obj.split(b'\r\n')
    code = [i for i, l in enumerate(lines) if l.startswith(b'      ') and b':=' in l and not l.lstrip().startswith(b'//')]
    if code:
        i = rng.choice(code)
        lines[i] += note
    return b'\r\n'.join(lines)


def update(obj, rng):
    obj = re.sub(rb'Date=[^;\r\n]*;', b'Date=15.06.21;', obj, count=1)
    obj = re.sub(rb'Time=[^;\r\n]*;', b'Time=10:00:00;', obj, count=1)
    obj = re.sub(rb'(Version List=ORV[0-9.]+)', rb'\1.01', obj, count=1)
    return change_line(obj, rng, b' // update')


def customise(obj, rng):
    obj = re.sub(rb'Date=[^;\r\n]*;', b'Date=02.03.19;', obj, count=1)
    obj = re.sub(rb'Time=[^;\r\n]*;', b'Time=09:00:00;', obj, count=1)
    obj = re.sub(rb'(Version List=[^;\r\n]*)', rb'\1,PTR1.00', obj, count=1)
    at = obj.rfind(b'\r\n    BEGIN\r\n')
    if at >= 0:
        obj = obj[:at + 2] + b'    PROCEDURE PartnerHook@90();\r\n    BEGIN\r\n    END;\r\n\r\n' + obj[at + 2:]
    return change_line(obj, rng, b' // partner')


def main():
    base, ours, theirs = sys.argv[1:4]
    count = int(sys.argv[4]) if len(sys.argv) > 4 else 1500
    rng = random.Random(int(sys.argv[5]) if len(sys.argv) > 5 else 1)
    head, objects = split(open(base, 'rb').read())
    by_theirs = set(rng.sample(range(len(objects)), min(count, len(objects))))
    by_ours = set(rng.sample(range(len(objects)), min(count, len(objects))))
    with open(theirs, 'wb') as f:
        f.write(head + b''.join(update(o, rng) if i in by_theirs else o for i, o in enumerate(objects)))
    with open(ours, 'wb') as f:
        f.write(head + b''.join(customise(o, rng) if i in by_ours else o for i, o in enumerate(objects)))
    print(f'theirs changed {len(by_theirs)}, ours changed {len(by_ours)}, both {len(by_ours & by_theirs)}')


main()
