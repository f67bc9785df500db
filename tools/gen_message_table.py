#!/usr/bin/python3
"""Builds the binary message table (RT_MESSAGETABLE) of the launcher's event source.

Reads the event identifiers from the level table (src/logging/event_levels.def, the list that
event_log.cpp compiles in) and writes the MESSAGE_RESOURCE_DATA layout: the block count, one
block record per run of consecutive identifiers in ascending order (lowest, highest, offset of
its first entry), then one entry per identifier. Every entry renders an event as its one
insertion string followed by a line break. All integers are little-endian.

Usage: gen_message_table.py LEVELS_DEF OUTPUT_BIN
"""

import re
import struct
import sys

MESSAGE_TEXT = "%1\r\n"
MESSAGE_RESOURCE_UNICODE = 1

LEVEL_LINE = re.compile(
    r"^\s*ZUB_EVENT_LEVEL\(\s*(\w+)\s*,\s*(\w+)\s*,\s*(0[xX][0-9a-fA-F]+|\d+)\s*\)\s*$")


def read_event_ids(def_text):
    ids = []
    for line in def_text.splitlines():
        if line.lstrip().startswith("//") or not line.strip():
            continue
        match = LEVEL_LINE.match(line)
        if not match:
            raise ValueError(f"unexpected line in level table: {line!r}")
        ids.append(int(match.group(3), 0))
    if not ids:
        raise ValueError("level table is empty")
    if len(set(ids)) != len(ids):
        raise ValueError("level table repeats an event identifier")
    return sorted(ids)


def entry(text):
    data = (text + "\0").encode("utf-16-le")
    data += b"\0" * (-(4 + len(data)) % 4)  # entries stay 32-bit aligned
    return struct.pack("<HH", 4 + len(data), MESSAGE_RESOURCE_UNICODE) + data


def blocks_of(ids):
    blocks = []
    for event_id in ids:
        if blocks and blocks[-1][1] + 1 == event_id:
            blocks[-1][1] = event_id
        else:
            blocks.append([event_id, event_id])
    return blocks


def message_table(ids):
    blocks = blocks_of(ids)
    offset = 4 + 12 * len(blocks)
    header = struct.pack("<I", len(blocks))
    entries = b""
    for low, high in blocks:
        header += struct.pack("<III", low, high, offset + len(entries))
        for _ in range(low, high + 1):
            entries += entry(MESSAGE_TEXT)
    return header + entries


def main(argv):
    if len(argv) != 3:
        sys.stderr.write(__doc__)
        return 2
    try:
        with open(argv[1], encoding="utf-8") as source:
            table = message_table(read_event_ids(source.read()))
    except ValueError as error:
        sys.stderr.write(f"{argv[0]}: {argv[1]}: {error}\n")
        return 1
    with open(argv[2], "wb") as target:
        target.write(table)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
