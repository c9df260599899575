#!/usr/bin/env python3
"""Writes the NVMe drive dumps of tests/data/drives:

nvme-cases/  one NVMe drive per file in four states: healthy, a critical warning raised,
             available spare under its threshold, and worn to 95 % of its rated life.
pc-nvme/     one office PC at three saves: drive00 an NVMe SSD that boots the PC and wears out
             (healthy, then worn to 95 %, then failing with its spare used up), drive01 the
             healthy 80 GB ATA disk of pc-degrading.

Dumps use the records of src/platform/replay/DriveDump.h: NVIC (Identify Controller, 4096
bytes), NVIN (Identify Namespace, 4096 bytes) and NVSH (SMART / Health Information log, 512
bytes). Run it from anywhere; it rewrites the folders beside itself."""
import os
import shutil
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def record(tag, data):
    return tag.encode('ascii') + struct.pack('>I', len(data)) + bytes(data)


def controller(serial, model, firmware):
    b = bytearray(4096)
    struct.pack_into('<HH', b, 0, 0x144D, 0x144D)       # PCI vendor and subsystem vendor
    b[4:24] = serial.ljust(20).encode('ascii')
    b[24:64] = model.ljust(40).encode('ascii')
    b[64:72] = firmware.ljust(8).encode('ascii')
    struct.pack_into('<I', b, 516, 1)                    # one namespace
    return b


def namespace(blocks, lbads=9):
    b = bytearray(4096)
    struct.pack_into('<QQQ', b, 0, blocks, blocks, blocks // 3)
    b[25] = 0                                            # one LBA format
    b[26] = 0                                            # formatted with format 0
    struct.pack_into('<HBB', b, 128, 0, lbads, 0)
    return b


def health(critical=0, kelvin=308, spare=100, spare_threshold=10, used=0, units_read=0, units_written=0,
           reads=0, writes=0, busy=0, cycles=0, hours=0, unsafe=0, media=0, errors=0):
    b = bytearray(512)
    struct.pack_into('<BHBBB', b, 0, critical, kelvin, spare, spare_threshold, used)
    for i, v in enumerate([units_read, units_written, reads, writes, busy, cycles, hours, unsafe, media, errors]):
        struct.pack_into('<QQ', b, 32 + 16 * i, v & 0xFFFFFFFFFFFFFFFF, v >> 64)
    struct.pack_into('<H', b, 200, kelvin + 4)           # temperature sensor 1
    return b


def nvme_dump(log, serial='S4DYNX0N812345', model='SAMSUNG MZVLB512HBJQ-000L7', firmware='5M2QEXF7',
              blocks=1000215216):
    return (record('NVIC', controller(serial, model, firmware)) + record('NVIN', namespace(blocks)) +
            record('NVSH', log))


# A drive two years into office use; the later states keep its counters and change what they say.
USE = dict(units_read=23071584, units_written=19455112, reads=412309871, writes=398112004, busy=1203,
           cycles=1487, hours=5312, unsafe=41, errors=2)
CASES = {
    'drive00-healthy.dump': health(used=3, **USE),
    'drive01-critical-warning.dump': health(critical=0x04, used=12, media=17, **USE),
    'drive02-spare-low.dump': health(critical=0x01, spare=6, used=41, media=3, **USE),
    'drive03-worn.dump': health(used=95, kelvin=322, **USE),
}
STAGES = {
    '1-healthy': health(used=3, **USE),
    '2-worn': health(used=95, **dict(USE, hours=6230, cycles=1602)),
    '3-failing': health(critical=0x01, spare=7, used=97, media=5, **dict(USE, hours=6414, cycles=1633, unsafe=43)),
}


def rewrite(folder):
    if os.path.isdir(folder):
        shutil.rmtree(folder)
    os.makedirs(folder)


def main():
    cases = os.path.join(HERE, 'nvme-cases')
    rewrite(cases)
    for name, log in CASES.items():
        with open(os.path.join(cases, name), 'wb') as f:
            f.write(nvme_dump(log))
    pc = os.path.join(HERE, 'pc-nvme')
    ata = os.path.join(HERE, 'pc-degrading', '1-healthy', 'drive01.dump')
    for stage, log in STAGES.items():
        folder = os.path.join(pc, stage)
        rewrite(folder)
        with open(os.path.join(folder, 'drive00.dump'), 'wb') as f:
            f.write(nvme_dump(log))
        shutil.copyfile(ata, os.path.join(folder, 'drive01.dump'))


if __name__ == '__main__':
    main()
