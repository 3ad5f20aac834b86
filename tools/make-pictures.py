#!/usr/bin/env python3
"""Draws Dorvane's pictures as 16-colour PNG files in browser/pictures.

Red is the transparent colour of the drawer pictures, as the drawer list
draws them. Run it again after changing a shape; the PNG files are kept in
the tree so that the build needs no Python.
"""
import os
import struct
import zlib

PALETTE = {
    'R': '#FF0000',  # transparent
    'K': '#000000',
    'D': '#5A3A1A',  # dark wood
    'B': '#8B5A2B',  # wood
    'L': '#C68A4C',  # light wood
    'H': '#E8B878',  # highlight
    'W': '#FFFFFF',
    'G': '#C0C0C0',
    'S': '#808080',
    'N': '#1F4FA8',  # ink blue
    'Y': '#F2D44A',  # stamp yellow
    'P': '#E85A8A',  # stamp pink
}


class Canvas:
    def __init__(self, w, h, fill='R'):
        self.w, self.h = w, h
        self.px = [[fill] * w for _ in range(h)]

    def rect(self, x0, y0, x1, y1, c):
        for y in range(max(0, y0), min(self.h, y1 + 1)):
            for x in range(max(0, x0), min(self.w, x1 + 1)):
                self.px[y][x] = c

    def frame(self, x0, y0, x1, y1, c):
        self.rect(x0, y0, x1, y0, c)
        self.rect(x0, y1, x1, y1, c)
        self.rect(x0, y0, x0, y1, c)
        self.rect(x1, y0, x1, y1, c)

    def line(self, x0, y0, x1, y1, c):
        steps = max(abs(x1 - x0), abs(y1 - y0), 1)
        for i in range(steps + 1):
            x = round(x0 + (x1 - x0) * i / steps)
            y = round(y0 + (y1 - y0) * i / steps)
            self.rect(x, y, x, y, c)

    def png(self):
        """An indexed-colour PNG holding the palette's colours."""
        keys = list(PALETTE)
        plte = b''.join(bytes.fromhex(PALETTE[k][1:]) for k in keys)
        raw = b''.join(b'\0' + bytes(keys.index(c) for c in row) for row in self.px)

        def chunk(kind, data):
            body = kind + data
            return struct.pack('>I', len(data)) + body + struct.pack('>I', zlib.crc32(body))

        header = struct.pack('>IIBBBBB', self.w, self.h, 8, 3, 0, 0, 0)
        return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', header) + chunk(b'PLTE', plte) +
                chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b''))


def envelope(c, x0, y0, x1, y1):
    c.rect(x0, y0, x1, y1, 'W')
    c.frame(x0, y0, x1, y1, 'S')
    mid = (x0 + x1) // 2
    c.line(x0, y0, mid, y0 + (y1 - y0) // 2, 'N')
    c.line(x1, y0, mid + 1, y0 + (y1 - y0) // 2, 'N')


def cabinet(c, top):
    """The chest the drawer sits in, seen from the front."""
    c.rect(2, top, 29, 29, 'B')
    c.frame(2, top, 29, 29, 'K')
    c.rect(3, top + 1, 28, top + 1, 'L')


def closed_drawer():
    c = Canvas(32, 32)
    cabinet(c, 4)
    c.rect(5, 8, 26, 25, 'L')           # drawer front
    c.frame(5, 8, 26, 25, 'D')
    c.rect(6, 9, 25, 9, 'H')
    c.rect(12, 15, 19, 18, 'D')         # handle
    c.rect(13, 16, 18, 16, 'G')
    c.rect(10, 11, 21, 12, 'W')         # name card
    c.frame(9, 10, 22, 13, 'S')
    return c


def open_drawer():
    c = Canvas(32, 32)
    cabinet(c, 12)
    c.rect(5, 15, 26, 17, 'K')          # the dark opening
    envelope(c, 7, 3, 18, 11)            # letters standing in the drawer
    c.rect(15, 5, 17, 7, 'P')
    envelope(c, 13, 6, 24, 14)
    c.rect(21, 8, 23, 10, 'Y')
    c.rect(3, 14, 28, 14, 'D')          # drawer sides pulled forward
    c.rect(1, 18, 30, 27, 'L')          # pulled-out drawer front
    c.frame(1, 18, 30, 27, 'D')
    c.rect(2, 19, 29, 19, 'H')
    c.rect(12, 21, 19, 24, 'D')
    c.rect(13, 22, 18, 22, 'G')
    return c


def main():
    out = os.path.join(os.path.dirname(__file__), '..', 'browser', 'pictures')
    os.makedirs(out, exist_ok=True)
    for name, canvas in (('DSImage', closed_drawer()), ('DOImage', open_drawer())):
        with open(os.path.join(out, name + '.png'), 'wb') as f:
            f.write(canvas.png())


if __name__ == '__main__':
    main()
