#!/usr/bin/env python3
"""Writes facedata/OfficerTables.cpp: the built-in officer tables of the base
game (1341 rows) and the expansion edition (1480 rows).

The names are invented: random katakana syllables, so that no row names a
real person or a character of another game. The output depends on nothing but
this script (its own generator and seed), so running it again gives the same
file byte for byte.

    python3 scripts/gen_officers.py [output.cpp]
"""

import sys
from pathlib import Path

BASE_COUNT = 1341
EXPANSION_COUNT = 1480
MAX_SLOT = 2305

# Slots with a fixed face; each table ends with them.
SLOT_FACE_ZERO = 338
SLOT_FACE_6026 = 2274
# Slots that receive fixed faces at every save and so belong to no officer.
EXTRA_SLOTS = set(range(1500, 1505)) | set(range(1350, 1361))
# Slots present in both tables with different defaults; 1685 has 4007 in the
# base game.
DIFFERING_SLOTS = (1665, 1670, 1685)
BASE_1685_FACE = 4007


def rng(seed):
    """A 64-bit linear congruential generator (Knuth's MMIX constants)."""
    state = seed
    while True:
        state = (state * 6364136223846793005 + 1442695040888963407) % (1 << 64)
        yield state >> 33


R = rng(0x5E1BA121)


def below(n):
    return next(R) % n


def shuffled(items):
    items = list(items)
    for i in range(len(items) - 1, 0, -1):
        j = below(i + 1)
        items[i], items[j] = items[j], items[i]
    return items


# Face numbers with pictures, as the face ranges of each edition give them.
# Left out: face 0 and 6026 (the fixed slots), the faces of the fixed extra
# slots, 4023 (its pictures are those of 5001), and in the expansion 1198 to
# 1218 (their pictures are those of 1177 to 1197).
BASE_FACES = (list(range(1, 1192)) + list(range(4000, 4023)) + list(range(5001, 5013)) +
              list(range(6000, 6026)) + list(range(6050, 6052)) + list(range(7000, 7016)))
EXPANSION_FACES = (list(range(1, 1198)) + list(range(1219, 1338)) + list(range(4000, 4023)) +
                   list(range(5001, 5013)) + list(range(6000, 6026)) + list(range(6027, 6036)) +
                   list(range(6050, 6052)) + list(range(7000, 7016)) + list(range(8000, 8060)))

ONSET = "カキクケコサシスセソタチツテトナニヌネノハヒフヘホマミムメモラリルレロ" \
        "ガギグゲゴザジズゼゾダヂデドバビブベボパピプペポヤユヨワ"
VOWEL = "アイウエオ"
EXTRA = "ンーッ"


def syllable():
    if below(8) == 0:
        return VOWEL[below(len(VOWEL))]
    return ONSET[below(len(ONSET))]


def name_part(length):
    s = syllable()
    while len(s) < length:
        if len(s) < length - 1 and below(6) == 0:
            s += EXTRA[below(len(EXTRA))]
        s += syllable()
    return s[:length]


def make_name():
    roll = below(100)
    if roll < 2:
        return name_part(1 + below(2))  # a single name, 1 or 2 characters
    family = 2 + below(2)
    given = 1 + below(6 - family)
    return name_part(family) + name_part(given)


def unique_names(count, taken):
    names = []
    while len(names) < count:
        n = make_name()
        if 1 <= len(n) <= 6 and n not in taken:
            taken.add(n)
            names.append(n)
    return names


def assign_faces(count, pool, used):
    """count faces: unused ones of the pool first, then a few shared ones."""
    free = [f for f in shuffled(pool) if f not in used]
    faces = free[:count]
    while len(faces) < count:
        faces.append(pool[below(len(pool))])
    used.update(faces)
    return faces


def main():
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else \
        Path(__file__).resolve().parent.parent / "facedata" / "OfficerTables.cpp"

    reserved = EXTRA_SLOTS | {SLOT_FACE_ZERO, SLOT_FACE_6026}
    pool = [s for s in range(MAX_SLOT + 1) if s not in reserved and s not in DIFFERING_SLOTS]
    pool = shuffled(pool)
    base_slots = list(DIFFERING_SLOTS) + pool[:BASE_COUNT - 1 - len(DIFFERING_SLOTS)]
    new_slots = pool[BASE_COUNT - 1 - len(DIFFERING_SLOTS):][:EXPANSION_COUNT - 2 - len(base_slots)]

    taken = set()
    names = dict(zip(base_slots + new_slots, unique_names(len(base_slots) + len(new_slots), taken)))
    # The two fixed officers; "ヴ" is not among the random syllables, so no
    # random name can equal theirs.
    names[SLOT_FACE_ZERO] = "ヴォズラ"
    names[SLOT_FACE_6026] = "ヴェムネヤ"

    # Base game: every officer its own face as far as the pictures go.
    base_face = {}
    ordinary = [s for s in base_slots if s != 1685]
    base_used = {BASE_1685_FACE}
    for s, f in zip(ordinary, assign_faces(len(ordinary), BASE_FACES, base_used)):
        base_face[s] = f
    base_face[1685] = BASE_1685_FACE

    # Expansion: the base game's officers keep their faces, except the three
    # slots whose defaults differ; the new officers get the faces left over.
    exp_face = {s: base_face[s] for s in base_slots if s not in DIFFERING_SLOTS}
    exp_used = set(exp_face.values())
    others = list(DIFFERING_SLOTS) + new_slots
    exp_used |= {base_face[d] for d in DIFFERING_SLOTS}
    for s, f in zip(others, assign_faces(len(others), EXPANSION_FACES, exp_used)):
        exp_face[s] = f
    for s in DIFFERING_SLOTS:
        assert exp_face[s] != base_face[s]

    base_rows = [(s, names[s], base_face[s]) for s in sorted(base_slots)]
    base_rows.append((SLOT_FACE_ZERO, names[SLOT_FACE_ZERO], 0))
    exp_rows = [(s, names[s], exp_face[s]) for s in sorted(base_slots + new_slots)]
    exp_rows.append((SLOT_FACE_6026, names[SLOT_FACE_6026], 6026))
    exp_rows.append((SLOT_FACE_ZERO, names[SLOT_FACE_ZERO], 0))
    assert len(base_rows) == BASE_COUNT and len(exp_rows) == EXPANSION_COUNT
    for rows in (base_rows, exp_rows):
        assert len({r[0] for r in rows}) == len(rows)
        assert all(0 <= r[0] <= MAX_SLOT and 1 <= len(r[1]) <= 6 for r in rows)
        assert not any(r[0] in EXTRA_SLOTS for r in rows)

    lines = [
        "// Generated by scripts/gen_officers.py; edit the script, not this file.",
        "// Invented names; one row per officer index: ID slot, name, default face.",
        '#include "facedata/OfficerTable.h"',
        "",
        "namespace kaocg {",
        "",
    ]
    for title, count, rows in (("kBaseOfficers", "kBaseOfficerCount", base_rows),
                               ("kExpansionOfficers", "kExpansionOfficerCount", exp_rows)):
        lines.append(f"const OfficerRow {title}[{count}] = {{")
        for s, n, f in rows:
            lines.append(f'    {{{s}, u"{n}", {f}}},')
        lines.append("};")
        lines.append("")
    lines.append("}  // namespace kaocg")
    out.write_text("\n".join(lines) + "\n", encoding="utf-8")


if __name__ == "__main__":
    main()
