#!/usr/bin/python3
"""Renders icon group 1 of the program from its vector source.

    make_icon.py <logo.svg> <out.ico>

The source holds two shapes: a rect (optionally with rx, the corner radius) and a polygon, each
with a fill colour. The polygon is drawn on the rect. Every image is rendered from the shapes at
its own size, anti-aliased: coverage is exact along each row and sampled at 16 rows per pixel.

Images written: 256, 128, 64, 48, 32 and 16 px in 32-bit colour with alpha, and 32 and 16 px in
8-bit colour with a palette of blends between the two fills and a transparency mask.
Only the Python standard library is used.
"""
import math
import struct
import sys
import xml.etree.ElementTree as ET
import zlib

SUBROWS = 16
TRUE_COLOUR_SIZES = (256, 128, 64, 48, 32, 16)
PALETTE_SIZES = (32, 16)
# From this size on an image is stored as PNG (read by Windows since Vista), which keeps the
# large images small; the 32 and 16 px images the window loads stay plain bitmaps.
PNG_FROM = 48


def parse_colour(text):
    text = text.lstrip('#')
    return tuple(int(text[i:i + 2], 16) for i in (0, 2, 4))


def read_shapes(path):
    root = ET.parse(path).getroot()
    ns = '{http://www.w3.org/2000/svg}'
    view = [float(v) for v in root.get('viewBox').split()]
    rect = root.find(ns + 'rect')
    polygon = root.find(ns + 'polygon')
    if rect is None or polygon is None:
        sys.exit('make_icon: the source needs a rect and a polygon')
    box = {
        'x': float(rect.get('x', 0)), 'y': float(rect.get('y', 0)),
        'w': float(rect.get('width')), 'h': float(rect.get('height')),
        'r': float(rect.get('rx', 0)), 'fill': parse_colour(rect.get('fill')),
    }
    numbers = [float(v) for v in polygon.get('points').replace(',', ' ').split()]
    points = list(zip(numbers[0::2], numbers[1::2]))
    return view[2], box, points, parse_colour(polygon.get('fill'))


def rect_span(box, y):
    """The x-interval of the rounded rectangle on the horizontal line y, or None."""
    top, bottom = box['y'], box['y'] + box['h']
    if y < top or y >= bottom:
        return None
    left, right, r = box['x'], box['x'] + box['w'], box['r']
    inset = 0.0
    if r > 0:
        dy = max(top + r - y, y - (bottom - r), 0.0)
        if dy > 0:
            inset = r - math.sqrt(max(r * r - dy * dy, 0.0))
    return (left + inset, right - inset)


def polygon_spans(points, y):
    """The x-intervals inside the polygon on the line y (even-odd rule)."""
    crossings = []
    count = len(points)
    for i in range(count):
        (x0, y0), (x1, y1) = points[i], points[(i + 1) % count]
        if (y0 <= y < y1) or (y1 <= y < y0):
            crossings.append(x0 + (y - y0) * (x1 - x0) / (y1 - y0))
    crossings.sort()
    return list(zip(crossings[0::2], crossings[1::2]))


def add_span(row, start, end):
    """Adds the part of [start, end) that falls on each pixel of the row."""
    start, end = max(start, 0.0), min(end, float(len(row)))
    if end <= start:
        return
    first, last = int(start), int(math.ceil(end)) - 1
    for px in range(first, last + 1):
        row[px] += min(end, px + 1) - max(start, px)


def render(size, shapes):
    """Rows of (r, g, b, coverage of the whole mark, share of the polygon colour)."""
    extent, box, points, mark_fill = shapes
    scale = size / extent
    pixels = []
    for py in range(size):
        square = [0.0] * size
        mark = [0.0] * size
        for sub in range(SUBROWS):
            y = (py + (sub + 0.5) / SUBROWS) / scale
            span = rect_span(box, y)
            if span:
                add_span(square, span[0] * scale, span[1] * scale)
                for a, b in polygon_spans(points, y):
                    # Only the part of the polygon that lies on the square shows.
                    add_span(mark, max(a, span[0]) * scale, min(b, span[1]) * scale)
        row = []
        for px in range(size):
            cover = square[px] / SUBROWS
            share = 0.0 if square[px] == 0 else min(mark[px] / square[px], 1.0)
            rgb = tuple(round(c0 + (c1 - c0) * share) for c0, c1 in zip(box['fill'], mark_fill))
            row.append((rgb, min(cover, 1.0), share))
        pixels.append(row)
    return pixels


def png(size, pixels):
    raw = bytearray()
    for row in pixels:
        raw.append(0)
        for rgb, cover, _ in row:
            raw += bytes(rgb) + bytes([round(cover * 255)])

    def chunk(kind, data):
        return (struct.pack('>I', len(data)) + kind + data +
                struct.pack('>I', zlib.crc32(kind + data) & 0xFFFFFFFF))

    header = struct.pack('>IIBBBBB', size, size, 8, 6, 0, 0, 0)
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', header) +
            chunk(b'IDAT', zlib.compress(bytes(raw), 9)) + chunk(b'IEND', b''))


def and_mask(size, pixels, threshold):
    stride = ((size + 31) // 32) * 4
    out = bytearray()
    for row in reversed(pixels):
        bits = bytearray(stride)
        for px, (_, cover, _) in enumerate(row):
            if cover < threshold:
                bits[px // 8] |= 0x80 >> (px % 8)
        out += bits
    return bytes(out)


def dib_header(size, bits, colours):
    return struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, bits, 0, 0, 0, 0, colours, 0)


def dib32(size, pixels):
    out = bytearray(dib_header(size, 32, 0))
    for row in reversed(pixels):
        for (r, g, b), cover, _ in row:
            out += bytes([b, g, r, round(cover * 255)])
    return bytes(out + and_mask(size, pixels, 1.0 / 255))


def dib8(size, pixels, base, mark_fill):
    """256 blends from the square's fill to the mark's; transparent pixels through the mask."""
    palette = bytearray()
    for i in range(256):
        r, g, b = (round(c0 + (c1 - c0) * i / 255) for c0, c1 in zip(base, mark_fill))
        palette += bytes([b, g, r, 0])
    out = bytearray(dib_header(size, 8, 256)) + palette
    stride = (size + 3) // 4 * 4
    for row in reversed(pixels):
        line = bytearray(stride)
        for px, (_, cover, share) in enumerate(row):
            line[px] = round(share * 255) if cover >= 0.5 else 0
        out += line
    return bytes(out + and_mask(size, pixels, 0.5))


def main():
    if len(sys.argv) != 3:
        sys.exit('usage: make_icon.py <logo.svg> <out.ico>')
    shapes = read_shapes(sys.argv[1])
    base, mark_fill = shapes[1]['fill'], shapes[3]
    images = []  # (size, bits, data)
    rendered = {}
    for size in TRUE_COLOUR_SIZES:
        rendered[size] = render(size, shapes)
        data = png(size, rendered[size]) if size >= PNG_FROM else dib32(size, rendered[size])
        images.append((size, 32, data))
    for size in PALETTE_SIZES:
        images.append((size, 8, dib8(size, rendered[size], base, mark_fill)))

    out = bytearray(struct.pack('<HHH', 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for size, bits, data in images:
        side = 0 if size == 256 else size
        out += struct.pack('<BBBBHHII', side, side, 0, 0, 1, bits, len(data), offset)
        offset += len(data)
    for _, _, data in images:
        out += data
    with open(sys.argv[2], 'wb') as f:
        f.write(out)


if __name__ == '__main__':
    main()
