#!/usr/bin/env python3
# Writes the seed scripts of fuzz_text_edits into fuzz/seeds/text_edits/, encoded the way
# the fuzz target decodes them, so each seed starts from a meaningful session.
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "text_edits")

# Operation numbers (low four bits of the operation byte; 0x80 asks for a refused edit).
INSERT, DELETE, REPLACE, MULTI, TYPE, GROUP, UNDO, REDO = 0, 2, 3, 5, 7, 9, 10, 12
APPEND, SAVE, ANCHOR = 13, 14, 15
INVALID = 0x80
BIG = 0xB1  # load selector of a text of 1.6 MB and more
MIDDLE = 0x7FFFFF  # reduced modulo the length: somewhere inside the text


def u24(n):
    return bytes([n & 0xFF, (n >> 8) & 0xFF, (n >> 16) & 0xFF])


# Chunks of generated text.
LF, CRLF, CR, E_ACUTE, EURO, EMOJI = [bytes([k]) for k in range(6)]


def raw(data):
    assert 1 <= len(data) <= 24
    return bytes([6, len(data) - 1]) + data


def word(n):
    return bytes([7, n - 1])


def long_ascii(extra=0):  # 1 990 + 24 * extra bytes of 'x'
    return bytes([8, extra])


def long_euros(extra=0):  # (660 + 8 * extra) euro signs, no ASCII
    return bytes([9, extra])


def long_mixed(extra=0):
    return bytes([10, extra])


def tag(i):
    return bytes([11, i])


def text(*chunks):
    assert 1 <= len(chunks) <= 4
    return bytes([len(chunks) - 1]) + b"".join(chunks)


def repeated(unit, extra=0):  # about 1.6 MB + 4 KiB * extra of unit repeated
    return unit + bytes([extra])


def start(initial, by_blocks=False, block=0, anchors=(), big=False):
    out = bytes([1 if by_blocks else 0])
    out += bytes([BIG if big else 1]) + initial
    if by_blocks:
        out += bytes([block])
    out += bytes([len(anchors)]) + b"".join(u24(a) for a in anchors)
    return out


def insert(at, t, merge=False):
    return bytes([INSERT]) + u24(at) + t + bytes([0 if merge else 200])


def delete(at, count, long_range=False):
    return bytes([DELETE]) + u24(at) + bytes([0 if long_range else 100]) + u24(count) + bytes([200])


def replace(at, count, t):
    return bytes([REPLACE]) + u24(at) + bytes([100]) + u24(count) + t + bytes([200])


def multi(delete_count, t, at, gaps):
    out = bytes([MULTI, delete_count])
    out += bytes([1]) + t if t is not None else bytes([0])
    out += u24(at) + bytes([len(gaps) - 2]) + b"".join(u24(g) for g in gaps)
    return out


def multi_invalid(delete_count, t, at, gaps, k, how, value=0):
    out = bytes([MULTI | INVALID, delete_count])
    out += bytes([1]) + t if t is not None else bytes([0])
    out += u24(at) + bytes([len(gaps) - 2]) + b"".join(u24(g) for g in gaps)
    # Overlapping (0) and past-the-end (2) read a number; swapping (1) reads none.
    return out + u24(k) + bytes([how]) + (u24(value) if how != 1 else b"") + bytes([0])


def refused(kind, a, b=0):
    out = bytes([INSERT | INVALID, kind]) + u24(a)
    if kind >= 2:
        out += u24(b)
    return out + text(word(3)) + bytes([1])


def typing(at, letters=b"", blanks=False, tabs=False, stop=False):
    n = max(len(letters), 1)
    kind = (n - 1) | (0x10 if blanks else 0) | (0x20 if tabs else 0) | (0x40 if stop else 0)
    out = bytes([TYPE]) + u24(at) + bytes([kind])
    if not blanks and not tabs:
        out += bytes(c - ord("a") for c in letters)
    return out


def group(*ops):  # each op: (selector, encoded arguments)
    return bytes([GROUP, len(ops) - 1]) + b"".join(bytes([sel]) + args for sel, args in ops)


def grouped_insert(at, t):
    return (0, u24(at) + t + bytes([200]))


def grouped_typing(at, letters):
    return (3, typing(at, letters)[1:])


def append(t):
    return bytes([APPEND]) + t


def reload(by_blocks, initial, block=0, big=False):
    out = bytes([APPEND | INVALID, 1 if by_blocks else 0, BIG if big else 1]) + initial
    return out + (bytes([block]) if by_blocks else b"")


def repeat_insert(unit, at, extra=0):
    return bytes([SAVE | INVALID]) + repeated(unit, extra) + u24(at)


def anchor(at):
    return bytes([ANCHOR]) + u24(at)


UNDO_OP, REDO_OP, SAVE_OP = bytes([UNDO]), bytes([REDO]), bytes([SAVE])

hello = text(tag(0), word(5), tag(1), LF)

SEEDS = {
    "basic_edits": start(hello, anchors=(0, 3, 8)) + insert(3, text(word(4))) + delete(2, 5)
    + replace(1, 2, text(EURO, word(2))) + UNDO_OP + UNDO_OP + REDO_OP + insert(MIDDLE, text(LF)),
    "typing_and_saving": start(hello) + typing(4, b"hello") + typing(9, blanks=True)
    + typing(10, b"ab", stop=True) + SAVE_OP + typing(12, b"xyz") + UNDO_OP + UNDO_OP + REDO_OP
    + typing(0, tabs=True) + SAVE_OP + UNDO_OP,
    "groups": start(hello) + group(grouped_insert(0, text(tag(4))), grouped_insert(MIDDLE, text(tag(1))))
    + group(grouped_typing(2, b"abc"), grouped_insert(1, text(EMOJI))) + UNDO_OP + UNDO_OP + REDO_OP
    + REDO_OP + UNDO_OP + insert(0, text(word(2))),
    "multi_positions": start(text(word(8), LF, word(8), CRLF), anchors=(1, 5, 9, 15))
    + multi(2, text(tag(5)), 0, [1, 2, 3, 1]) + multi(0, text(EURO), 1, [2, 2, 2]) + multi(3, None, 0, [1, 1])
    + UNDO_OP + UNDO_OP + REDO_OP,
    "refused_edits": start(hello) + refused(0, 5) + refused(1, 7) + refused(2, 3, 9) + refused(3, 2, 1)
    + multi_invalid(2, text(word(2)), 0, [1, 2, 3], 1, 0, 1) + multi_invalid(0, text(LF), 0, [3, 3], 0, 1)
    + multi_invalid(1, None, 1, [1, 1, 1], 2, 2, 5) + insert(2, text(word(1))),
    "line_endings": start(text(word(3), CRLF, word(3), CR)) + insert(4, text(LF)) + insert(3, text(CR))
    + delete(3, 1) + insert(MIDDLE, text(CRLF, CR, LF)) + delete(0, 6) + replace(2, 3, text(CRLF))
    + UNDO_OP + UNDO_OP + UNDO_OP + REDO_OP,
    "long_ascii_lines": start(text(long_ascii(3), LF, long_ascii(40))) + insert(1995, text(LF))
    + delete(1000, 200, long_range=True) + insert(2100, text(E_ACUTE, CR)) + replace(4000, 30, text(word(2)))
    + typing(3000, b"abcd") + UNDO_OP + UNDO_OP + REDO_OP,
    "long_non_ascii_lines": start(text(long_euros(2), long_mixed(5), LF, long_euros(200)))
    + insert(2001, text(word(1))) + insert(2000, text(LF)) + delete(1990, 40)
    + insert(MIDDLE, text(raw(b"\xe2\x82"))) + UNDO_OP + UNDO_OP + REDO_OP,
    "raw_bytes": start(text(raw(b"\x00\x01\xff\xfe<\x80\n"), raw(b"\xc3"), raw(b"\r\r\n\n"), EMOJI))
    + insert(1, text(raw(b"\xa9\x00"))) + delete(2, 3) + insert(MIDDLE, text(raw(b"\xf0\x9f"), raw(b"\x98\x80")))
    + UNDO_OP + REDO_OP,
    "load_in_blocks": start(text(long_mixed(20), LF, long_ascii(9), word(4)), by_blocks=True, block=0x87)
    + append(text(word(3), LF)) + append(text(CR)) + append(text(LF, long_euros(1))) + insert(MIDDLE, text(LF))
    + reload(True, text(tag(0), word(5), CRLF, long_ascii(0)), block=6) + UNDO_OP + insert(1, text(CRLF)),
    "big_load_piece_edges": start(repeated(text(word(8), LF, long_ascii(1), E_ACUTE), 30), by_blocks=True,
                                  block=0, big=True, anchors=(999_999, 1_000_000, 1_400_000))
    + insert(1_000_000, text(word(3))) + delete(999_990, 20) + delete(700_000, 300_000, long_range=True)
    + multi(1, text(LF), 999_000, [400_000, 300_000, 3]) + UNDO_OP + UNDO_OP + REDO_OP + typing(1_599_999, b"ab"),
    "big_repeat_insert": start(hello) + repeat_insert(text(word(6), CRLF, EURO), 4, extra=100)
    + insert(MIDDLE, text(word(2))) + delete(5, 1_000_000, long_range=True) + UNDO_OP + UNDO_OP + REDO_OP
    + SAVE_OP + UNDO_OP + REDO_OP,
    "anchors": start(text(word(8), LF, word(8)), anchors=(0, 2, 4, 8, 9, 12, 17)) + anchor(3) + anchor(MIDDLE)
    + delete(1, 10) + insert(2, text(word(5))) + multi(2, text(word(1)), 0, [1, 2, 2]) + UNDO_OP + UNDO_OP
    + delete(0, 1000),
}


def main():
    os.makedirs(OUT, exist_ok=True)
    for name, data in SEEDS.items():
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(data)
    print(f"wrote {len(SEEDS)} seeds to {OUT}", file=sys.stderr)


if __name__ == "__main__":
    main()
