#!/usr/bin/env python3
"""Writes placeholder-r5.bin: a 3068-byte stand-in for the R5's firmware image.

It is NOT firmware. It starts with a text mark that the tool recognises, so that
the tool and its packaging can tell that it is a placeholder, followed by
deterministic pseudo-random bytes (they make the chunk checksums exceed 16 bits,
as real firmware does). It is only for the simulated mouse.
"""
import os

MARK = b"TALUN-R5 PLACEHOLDER FIRMWARE - FOR THE SIMULATED MOUSE ONLY - NOT FOR A REAL MOUSE\n"
SIZE = 3068

data = bytearray(MARK)
state = 0x2E77
while len(data) < SIZE:
    state = (state * 1103515245 + 12345) & 0x7FFFFFFF
    data.append((state >> 16) & 0xFF)

out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "placeholder-r5.bin")
with open(out, "wb") as f:
    f.write(bytes(data[:SIZE]))
print(out, len(data[:SIZE]))
