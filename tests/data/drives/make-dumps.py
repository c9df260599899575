#!/usr/bin/env python3
"""Writes the drive dumps of tests/data/drives: one office PC with two disks, recorded at four
saves while its first disk (a 120 GB Seagate) wears out and its second (an 80 GB WD) stays well.

Each stage folder holds drive00.dump and drive01.dump in the dump format of
src/platform/replay/DriveDump.h (records: 4-character tag, big-endian 32-bit length, bytes).
Run it from anywhere; it rewrites the folders beside itself."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def ata_text(text, length):
    s = text.ljust(length)[:length].encode('ascii')
    out = bytearray(length)
    for i in range(0, length, 2):  # ATA strings keep the first character of a pair in the high byte
        out[i], out[i + 1] = s[i + 1], s[i]
    return bytes(out)


def identify(serial, firmware, model, sectors):
    w = [0] * 256
    w[0] = 0x0C5A                    # fixed, non-removable ATA device
    w[1], w[3], w[6] = 16383, 16, 63
    w[47] = 0x8010
    w[49] = 0x2F00                   # LBA and DMA
    w[53] = 0x0007
    w[60], w[61] = sectors & 0xFFFF, (sectors >> 16) & 0xFFFF
    w[80] = 0x007E                   # ATA-1 .. ATA-6
    w[82], w[83], w[84] = 0x346B, 0x7D01, 0x4023  # S.M.A.R.T. supported; no 48-bit addressing needed
    w[85], w[86], w[87] = 0x3469, 0x3C01, 0x4023
    w[88] = 0x207F
    w[93] = 0x600B
    b = bytearray(struct.pack('<256H', *w))
    b[20:40] = ata_text(serial, 20)
    b[46:54] = ata_text(firmware, 8)
    b[54:94] = ata_text(model, 40)
    b[510] = 0xA5
    b[511] = (-sum(b[:511])) & 0xFF
    return bytes(b)


def smart_blocks(rows):
    """rows: (id, flags, current, worst, raw, threshold)"""
    data = bytearray(512)
    thr = bytearray(512)
    data[0:2] = struct.pack('<H', 0x000A)
    thr[0:2] = struct.pack('<H', 0x000A)
    for slot, (aid, flags, cur, worst, raw, threshold) in enumerate(rows):
        at = 2 + slot * 12
        data[at] = aid
        data[at + 1:at + 3] = struct.pack('<H', flags)
        data[at + 3] = cur
        data[at + 4] = worst
        data[at + 5:at + 11] = raw.to_bytes(6, 'little')
        thr[at] = aid
        thr[at + 1] = threshold
    data[362] = 0x82                 # off-line data collection completed
    data[364:366] = struct.pack('<H', 1020)
    data[367] = 0x5B
    data[368:370] = struct.pack('<H', 0x0003)
    data[372] = 1
    data[373] = 60
    data[511] = (-sum(data[:511])) & 0xFF
    thr[511] = (-sum(thr[:511])) & 0xFF
    return bytes(data), bytes(thr)


def temperature(now, low, high):
    return now | low << 16 | high << 32


def dump(ident, rows):
    data, thr = smart_blocks(rows)
    out = b''
    for tag, body in ((b'IDFY', ident), (b'SMDT', data), (b'SMTH', thr)):
        out += tag + struct.pack('>I', len(body)) + body
    return out


def seagate(stage):
    # what wears: reallocated sectors (5), then read errors (1), pending and uncorrectable sectors
    cur5, worst5, raw5 = [(100, 100, 0), (58, 58, 1433), (52, 52, 1795), (33, 33, 2276)][stage]
    cur1, worst1 = [(58, 52), (55, 50), (41, 41), (39, 39)][stage]
    pending = [0, 8, 12, 35][stage]
    offline = [0, 0, 0, 35][stage]
    hours = 18645 + 170 * stage
    cycles = 1327 + 9 * stage
    return [
        (1, 0x000F, cur1, worst1, 84829386 + 1000003 * stage, 6),
        (3, 0x0003, 97, 97, 0, 0),
        (4, 0x0032, 100, 100, cycles + 12, 20),
        (5, 0x0033, cur5, worst5, raw5, 36),
        (7, 0x000F, 84, 60, 223506788 + 517 * stage, 30),
        (9, 0x0032, 79, 79, hours, 0),
        (10, 0x0013, 100, 100, 0, 97),
        (12, 0x0032, 99, 99, cycles, 20),
        (194, 0x0022, 38 + stage, 49, temperature(38 + stage, 14, 52), 0),
        (195, 0x001A, 58, 52, 84829386 + 1000003 * stage, 0),
        (197, 0x0012, 100, 100, pending, 0),
        (198, 0x0010, 100, 100, offline, 0),
        (199, 0x003E, 200, 200, 0, 0),
        (200, 0x0000, 100, 253, 0, 0),
        (202, 0x0032, 100, 253, 0, 0),
    ]


def western_digital():
    return [
        (1, 0x000F, 200, 200, 0, 51),
        (3, 0x0003, 165, 163, 4275, 21),
        (4, 0x0032, 100, 100, 803, 0),
        (5, 0x0033, 200, 200, 0, 140),
        (7, 0x000E, 200, 200, 0, 51),
        (9, 0x0032, 86, 86, 10315, 0),
        (10, 0x0013, 100, 253, 0, 51),
        (11, 0x0012, 100, 253, 0, 51),
        (12, 0x0032, 100, 100, 801, 0),
        (194, 0x0022, 112, 95, 35, 0),
        (196, 0x0032, 200, 200, 0, 0),
        (197, 0x0012, 200, 200, 0, 0),
        (198, 0x0010, 200, 200, 0, 0),
        (199, 0x003E, 200, 200, 0, 0),
        (200, 0x0009, 200, 200, 0, 51),
    ]


STAGES = ['1-healthy', '2-warning', '3-worse', '4-failing']

for stage, name in enumerate(STAGES):
    folder = os.path.join(HERE, 'pc-degrading', name)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, 'drive00.dump'), 'wb') as f:
        f.write(dump(identify('5JT1K9QW', '3.AAE', 'ST3120827AS', 234441648), seagate(stage)))
    with open(os.path.join(folder, 'drive01.dump'), 'wb') as f:
        f.write(dump(identify('WD-WMAM9XW51372', '01.03E01', 'WDC WD800JD-75MSA3', 156301488), western_digital()))
