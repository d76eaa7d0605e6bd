#!/usr/bin/env python3
"""Copies a program with its import section (.idata, which holds the delay-load import
table too) mapped read-only, as newer linkers lay it out:
    read-only-imports.py PROGRAM COPY
Fails when the program has no .idata section, so the copy never silently equals the input."""
import struct
import sys

IMAGE_SCN_MEM_WRITE = 0x80000000

source, target = sys.argv[1], sys.argv[2]
image = bytearray(open(source, 'rb').read())
pe = struct.unpack_from('<I', image, 0x3C)[0]
if image[pe:pe + 4] != b'PE\0\0':
    sys.exit(f'{source}: not a PE image')
sections = struct.unpack_from('<H', image, pe + 6)[0]
optional_size = struct.unpack_from('<H', image, pe + 20)[0]
table = pe + 24 + optional_size
for index in range(sections):
    header = table + 40 * index
    name = bytes(image[header:header + 8]).rstrip(b'\0')
    if name == b'.idata':
        flags = struct.unpack_from('<I', image, header + 36)[0]
        struct.pack_into('<I', image, header + 36, flags & ~IMAGE_SCN_MEM_WRITE)
        open(target, 'wb').write(image)
        break
else:
    sys.exit(f'{source}: no .idata section')
