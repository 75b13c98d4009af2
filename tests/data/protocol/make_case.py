#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes NAME.b64: plain packages as a device sends them (each with its NUL,
every byte complemented, Base64). Independent of the C++ codec on purpose.

  make_case.py NAME [--no-nul] [--wrap N] [--trailer TEXT] PACKAGE...

PACKAGE takes the escapes \\r \\n \\t \\\\. NAME.expected (and NAME.filter,
NAME.rows) are written by hand.
"""
import argparse
import base64


def unescape(text):
    return text.encode('latin-1').decode('unicode_escape').encode('latin-1')


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('name')
    ap.add_argument('packages', nargs='+')
    ap.add_argument('--no-nul', action='store_true', help='leave out the last package\'s NUL')
    ap.add_argument('--wrap', type=int, default=0, help='break the text into CR LF lines of N chars')
    ap.add_argument('--trailer', default='', help='text appended after the Base64 text')
    args = ap.parse_args()

    plain = b''.join(unescape(p) + b'\0' for p in args.packages)
    if args.no_nul:
        plain = plain[:-1]
    text = base64.b64encode(bytes(b ^ 0xFF for b in plain)).decode('ascii')
    if args.wrap:
        text = '\r\n'.join(text[i:i + args.wrap] for i in range(0, len(text), args.wrap))
    text += args.trailer
    with open(args.name + '.b64', 'w', newline='') as f:
        f.write(text)


if __name__ == '__main__':
    main()
