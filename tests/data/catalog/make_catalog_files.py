#!/usr/bin/env python3
"""Writes the broken and valid catalog files the catalog tests and the loader's fuzz corpus use.

Run from anywhere: python3 tests/data/catalog/make_catalog_files.py
Broken files go next to this script; valid seeds go to fuzz/corpus/catalog_loader/.
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
SEEDS = os.path.join(HERE, '..', '..', '..', 'fuzz', 'corpus', 'catalog_loader')
RECORD = 49696
HEADER = b'mekuri catalog 0000\n'


def record(name=b'book.zip', size=1234, mtime=1600000000, has=0, w=0, h=0, ox=0, oy=0,
           pixels=b''):
    r = bytearray(RECORD)
    r[0:len(name)] = name
    struct.pack_into('<i', r, 512, size)
    struct.pack_into('<q', r, 520, mtime)
    struct.pack_into('<hhhhh', r, 528, has, w, h, ox, oy)
    r[538:538 + len(pixels)] = pixels
    return bytes(r)


def rle(data):
    out = bytearray()
    i = 0
    while i < len(data):
        v = data[i]
        n = 1
        while i + n < len(data) and data[i + n] == v and n < 65535:
            n += 1
        if n >= 5 or v == 0x88:
            out += bytes([0x88, v, n & 0xFF, n >> 8])
        else:
            out += bytes([v]) * n
        i += n
    return bytes(out)


def catalog(compressed, count=None, header=HEADER, size=RECORD):
    out = bytearray(header)
    out += struct.pack('<ii', size, len(compressed) if count is None else count)
    for c in compressed:
        out += struct.pack('<i', len(c)) + c
    return bytes(out)


def escape(value, count):
    return bytes([0x88, value, count & 0xFF, count >> 8])


def write(folder, name, data):
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), 'wb') as f:
        f.write(data)


def thumbnail_record(name):
    w, h = 85, 128
    stride = (w * 3 + 3) & ~3
    pixels = bytes((x * 7 + y * 13) & 0xFF for y in range(h) for x in range(stride))
    return record(name=name, has=1, w=w, h=h, ox=21, oy=0, pixels=pixels)


def main():
    one = rle(record())
    two = [one, rle(thumbnail_record(b'vol2.zip'))]
    good = catalog(two)
    broken = {
        'empty_file.bin': b'',
        'wrong_magic.bin': catalog([one], header=b'mekuri katalog 0000\n'),
        'version_0001.bin': catalog([one], header=b'mekuri catalog 0001\n'),
        'truncated_header.bin': HEADER[:10],
        'wrong_record_size.bin': catalog([one], size=RECORD + 1),
        'truncated_count.bin': HEADER + struct.pack('<i', RECORD) + b'\x01\x00',
        'negative_count.bin': catalog([one], count=-1),
        'huge_count.bin': catalog([one], count=0x7FFFFFFF),
        'count_past_file.bin': catalog([one], count=1000),
        'truncated_record.bin': good[:len(good) - 100],
        'truncated_length.bin': catalog([one], count=2) + b'\x10\x00',
        'negative_length.bin': catalog([one]) [:28] + struct.pack('<i', -5) + b'\x00' * 16,
        'long_length.bin': catalog([one])[:28] + struct.pack('<i', 3 * RECORD + 1)
                           + b'\x00' * 16,
        'length_past_end.bin': catalog([one])[:28] + struct.pack('<i', 1000) + b'\x00' * 10,
        'expands_too_far.bin': catalog([escape(0, RECORD) + b'\x01']),
        'expands_far_past.bin': catalog([escape(0x41, 65535) + escape(0x42, 65535)]),
        'expands_too_short.bin': catalog([escape(0, RECORD - 1)]),
        'zero_length_record.bin': catalog([b'']) + b'\x00' * 8,
        'cut_escape_item.bin': catalog([escape(0, RECORD - 1) + b'\x88\x00']),
        'second_record_broken.bin': catalog([one, escape(0, 100)]),
    }
    for name, data in broken.items():
        write(HERE, name, data)
    write(SEEDS, 'empty_catalog.bin', catalog([]))
    write(SEEDS, 'one_entry.bin', catalog([one]))
    write(SEEDS, 'two_entries_thumbnail.bin', good)
    write(SEEDS, 'japanese_name.bin', catalog([rle(record(name='漫画 第1巻.zip'.encode('cp932')))]))
    write(SEEDS, 'utf8_name.bin', catalog([rle(record(name='Ωmega ✓.zip'.encode('utf-8')))]))
    write(SEEDS, 'escapes.bin', catalog([rle(record(name=b'\x88\x88a\x88.zip', size=0x88888888 - 2**32))]))


main()
