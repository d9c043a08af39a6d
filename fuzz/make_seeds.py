#!/usr/bin/env python3
"""Writes the hand-made seed inputs of fuzz/corpus/<target> (run from the repository root).

Inputs that a fuzz run found and that are kept as regressions are added beside these by hand,
named found-*."""
import os

CORPUS = 'fuzz/corpus'


def write(target, name, data):
    os.makedirs(f'{CORPUS}/{target}', exist_ok=True)
    with open(f'{CORPUS}/{target}/{name}', 'wb') as out:
        out.write(bytes(data))


# The drives' answers (answering_platform.h): a kind byte, then what that kind reads.
def inquiry(vendor, product, revision=b'1.00'):
    return (bytes([5, 0x80, 0, 2, 0x1F, 0, 0, 0]) + vendor.ljust(8) + product.ljust(16) + revision)[:36]


def good(data=b''):
    return bytes([0, len(data)]) + data


def check_condition(key, asc, ascq, data=b''):
    sense = bytes([0x70, 0, key, 0, 0, 0, 0, 0x0A, 0, 0, 0, 0, asc, ascq, 0, 0, 0, 0])
    return bytes([1, len(data)]) + data + bytes([len(sense)]) + sense


def other_status(status, target_status, adapter_status):
    return bytes([2, status, target_status, adapter_status])


TRANSPORT_FAILURE = bytes([3])
NEVER_ABORTED = bytes([4])
NEVER_STILL_PENDING = bytes([4 | 1 << 3])
NEVER_ABORT_REFUSED = bytes([4 | 2 << 3])
WAIT_FAILS = bytes([5])

KMR = inquiry(b'TEVOR', b'DVD RW KMR5133')
HTL = inquiry(b'TEVOR', b'HTL6190A')

for backend, tag in ((0, 'passthrough'), (1, 'aspi')):
    job = lambda name, setup, *answers: write('worker_job', f'{tag}-{name}', bytes([backend | setup]) + b''.join(answers))
    job('updates', 0, good(KMR))
    job('checksum-read-back', 2, good(KMR))
    job('second-model-parameter-retried', 0, good(HTL), check_condition(5, 0x24, 0), good())
    job('no-medium-at-readiness', 0, good(KMR), check_condition(2, 0x3A, 1))
    job('restart-during-block-10', 0, good(KMR), good(), good(), good() * 10, check_condition(6, 0x29, 0))
    job('stale-restart-then-block-fails-without-sense', 0, good(KMR), check_condition(6, 0x29, 0), good(), good(),
        TRANSPORT_FAILURE)
    job('block-never-completes-abort-refused', 0, good(KMR), good(), good(), good(), NEVER_ABORT_REFUSED, good())
    job('block-never-completes-abort-still-pending', 0, good(KMR), good(), good(), NEVER_STILL_PENDING, good())
    job('readiness-wait-fails', 0, good(KMR), WAIT_FAILS, good())
    job('wrong-drive', 0, good(inquiry(b'OTHER', b'DVD RW KMR5133')))
    job('busy-status', 0, good(KMR), good(), good(), other_status(0x08 if backend == 0 else 4, 0x08, 0))

    name = lambda n, text: write('drive_name', f'{tag}-{n}', bytes([backend]) + text)
    name('accepted', KMR)
    name('second-model', HTL)
    name('blanks-controls-del', bytes([5, 0, 0, 0, 0x1F, 0, 0, 0]) + b' \x01TEV\x00R ' + b'\x7fDVD RW\t\x7f   \x1f  ')
    name('short', bytes([5, 0, 0, 0, 0x1F, 0, 0, 0]) + b'AB')

    # Per command: a byte (bit 0 the device, bit 1 INQUIRY), then the answer.
    sense = lambda n, *steps: write('sense_code', f'{tag}-{n}', bytes([backend]) + b''.join(steps))
    sense('two-drives', bytes([0]), check_condition(2, 0x3A, 0), bytes([1]), check_condition(0x22, 0x3A, 2),
          bytes([2]), good(KMR), bytes([3]), TRANSPORT_FAILURE, bytes([0]), other_status(1, 2, 0))
    sense('aborts', bytes([0]), check_condition(6, 0x29, 0), bytes([0]), NEVER_ABORTED, bytes([1]),
          NEVER_STILL_PENDING, bytes([0]), NEVER_ABORT_REFUSED, bytes([1]), WAIT_FAILS, bytes([0]),
          check_condition(4, 0x44, 0))
    sense('short-sense', bytes([0]), bytes([1, 0, 3, 0x70, 0, 6]))


# FLASH.INI: the number of drives found + 1, the key written, the written path's length, the
# value, then the file.
def settings(name, drives, key, value, text):
    write('settings', name, bytes([drives + 1, key, len(value)]) + value + text)


number = lambda n: (n & 0xFFFFFFFF).to_bytes(4, 'little')
ARRANGED = (b'[FLASHROM]\r\nCHECKSUM=70000\r\n[DRIVE_PRIORITY]\r\nTOTAL_DRIVE=2\r\n0=1\r\n1=0\r\n' +
            b''.join(b'%d=-1\r\n' % row for row in range(2, 10)) + b'[FIRMWARE]\r\nPATH=C:\\FW\\KMR5133.CVT\r\n')
settings('arranged-two-drives', 2, 0, number(4464), ARRANGED)
settings('arranged-three-drives-found', 3, 3, number(2), ARRANGED)
settings('path-written', 2, 2, b'D:\\Tools\\NEW.CVT', ARRANGED)
settings('no-file', 0, 1, number(-1), b'')
settings('odd-values', 2, 5, number(7),
         b'; hand edited\n[drive_priority]\n total_drive = "2" \n0=0x1\n1=abc\n2=4294967297\n'
         b'[FIRMWARE]\nPATH=   \'quoted\'   \n[FIRMWARE]\nPATH=second\n')
settings('long-path', 1, 2, b'X' * 140, b'[FIRMWARE]\nPATH=' + b'P' * 200 + b'\n')

# .CVT files: header, blocks, byte sum and rotating sum little-endian, anything after.
MAGIC = b'Corvant DVD5270 flash file'


def cvt(blocks, wrong_sum=False, after=b''):
    data = bytes((i * 7 + 3) & 0xFF for i in range(16384 * blocks))
    byte_sum = rotating = 0
    for byte in data:
        byte_sum = (byte_sum + byte) & 0xFFFF
        rotating = (((rotating >> 1) | (rotating << 15)) + byte) & 0xFFFF
    if wrong_sum:
        byte_sum ^= 1
    return MAGIC.ljust(36, b'\0') + data + byte_sum.to_bytes(2, 'little') + rotating.to_bytes(2, 'little') + after


write('cvt_loader', 'empty-verifies', cvt(0))
write('cvt_loader', 'one-block-verifies', cvt(1))
write('cvt_loader', 'two-blocks-mismatch', cvt(2, wrong_sum=True))
write('cvt_loader', 'one-block-trailing-bytes', cvt(1, after=b'\xff' * 100))
write('cvt_loader', 'bad-header', b'Corvant DVD5270 flash fil!' + bytes(14))
write('cvt_loader', 'byte-25-free', b'Corvant DVD5270 flash filX' + bytes(14))
write('cvt_loader', 'short', MAGIC[:20])
