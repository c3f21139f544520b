#!/usr/bin/env python3
"""Draws the pictures of vri.exe and writes them into resources/:

  vri.ico   ICON02, the program icon (256x256 as PNG, 48x48, 32x32 and
            16x16, 32-bit with alpha); vri-batch.exe carries it too
  bmp01.bmp BMP01, the maker's logo at the top left of the banner (32x24)
  bmp02.bmp BMP02, the picture at the top right: a fiscal printer printing
            a receipt beside a Palm handheld (152x72)

Plain Python, no imaging library: shapes are sampled 4x4 per pixel and
averaged, so edges come out smooth. Run it again after changing a picture
and commit the files it writes:

  python3 tools/make_resources.py [output folder]
"""
import math
import os
import struct
import sys
import zlib

SS = 4  # samples per pixel along each axis


class Canvas:
    """RGBA picture in floats 0..1, drawn at SS times the final size."""

    def __init__(self, width, height, background=(1.0, 1.0, 1.0, 1.0)):
        self.width = width
        self.height = height
        self.w = width * SS
        self.h = height * SS
        self.px = [list(background) for _ in range(self.w * self.h)]

    def _blend(self, x, y, colour, alpha=1.0):
        p = self.px[y * self.w + x]
        a = colour[3] * alpha if len(colour) > 3 else alpha
        for i in range(3):
            p[i] = p[i] * (1 - a) + colour[i] * a
        p[3] = p[3] + (1 - p[3]) * a

    def fill(self, inside, colour, box=None):
        """Paints every sample whose centre (in final pixels) satisfies inside(x, y).
        colour is a tuple or a function of (x, y) giving a tuple."""
        x0, y0, x1, y1 = box if box else (0, 0, self.width, self.height)
        sx0 = max(0, int(x0 * SS) - 1)
        sy0 = max(0, int(y0 * SS) - 1)
        sx1 = min(self.w, int(math.ceil(x1 * SS)) + 1)
        sy1 = min(self.h, int(math.ceil(y1 * SS)) + 1)
        for sy in range(sy0, sy1):
            fy = (sy + 0.5) / SS
            for sx in range(sx0, sx1):
                fx = (sx + 0.5) / SS
                if inside(fx, fy):
                    c = colour(fx, fy) if callable(colour) else colour
                    self._blend(sx, sy, c)

    def rounded_rect(self, x0, y0, x1, y1, r, colour):
        def inside(x, y):
            if x < x0 or x > x1 or y < y0 or y > y1:
                return False
            cx = min(max(x, x0 + r), x1 - r)
            cy = min(max(y, y0 + r), y1 - r)
            return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
        self.fill(inside, colour, (x0, y0, x1, y1))

    def rect(self, x0, y0, x1, y1, colour):
        self.rounded_rect(x0, y0, x1, y1, 0, colour)

    def circle(self, cx, cy, r, colour):
        self.fill(lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r, colour,
                  (cx - r, cy - r, cx + r, cy + r))

    def polygon(self, points, colour):
        def inside(x, y):
            n = len(points)
            odd = False
            j = n - 1
            for i in range(n):
                xi, yi = points[i]
                xj, yj = points[j]
                if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                    odd = not odd
                j = i
            return odd
        xs = [p[0] for p in points]
        ys = [p[1] for p in points]
        self.fill(inside, colour, (min(xs), min(ys), max(xs), max(ys)))

    def line(self, x0, y0, x1, y1, width, colour):
        dx, dy = x1 - x0, y1 - y0
        length2 = dx * dx + dy * dy or 1e-9
        half = width / 2.0

        def inside(x, y):
            t = max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / length2))
            px, py = x0 + t * dx, y0 + t * dy
            return (x - px) ** 2 + (y - py) ** 2 <= half * half
        self.fill(inside, colour, (min(x0, x1) - half, min(y0, y1) - half,
                                   max(x0, x1) + half, max(y0, y1) + half))

    def pixels(self):
        """Final pixels, top row first: list of rows of (r, g, b, a) bytes."""
        rows = []
        n = SS * SS
        for y in range(self.height):
            row = []
            for x in range(self.width):
                acc = [0.0, 0.0, 0.0, 0.0]
                for sy in range(y * SS, y * SS + SS):
                    for sx in range(x * SS, x * SS + SS):
                        p = self.px[sy * self.w + sx]
                        # premultiplied, so transparent samples do not darken edges
                        acc[0] += p[0] * p[3]
                        acc[1] += p[1] * p[3]
                        acc[2] += p[2] * p[3]
                        acc[3] += p[3]
                a = acc[3] / n
                if acc[3] > 0:
                    rgb = [acc[i] / acc[3] for i in range(3)]
                else:
                    rgb = [0.0, 0.0, 0.0]
                row.append(tuple(int(round(max(0.0, min(1.0, v)) * 255)) for v in rgb + [a]))
            rows.append(row)
        return rows


def vertical(top, bottom, y0, y1):
    def colour(_x, y):
        t = max(0.0, min(1.0, (y - y0) / float(y1 - y0 or 1)))
        return tuple(top[i] * (1 - t) + bottom[i] * t for i in range(3)) + (1.0,)
    return colour


def rgb(r, g, b, a=1.0):
    return (r / 255.0, g / 255.0, b / 255.0, a)


BLUE_DARK = rgb(0, 40, 120)
BLUE = rgb(0, 70, 170)
BLUE_LIGHT = rgb(70, 140, 230)
YELLOW = rgb(255, 210, 0)
WHITE = rgb(255, 255, 255)
GREY_DARK = rgb(60, 64, 72)
GREY = rgb(150, 154, 160)
GREY_LIGHT = rgb(215, 218, 222)
GREEN = rgb(30, 200, 60)
INK = rgb(90, 90, 110)


def draw_icon(size):
    """The program icon: a blue tile with a white V over a yellow receipt."""
    c = Canvas(size, size, background=(0.0, 0.0, 0.0, 0.0))
    s = size / 32.0
    c.rounded_rect(1 * s, 1 * s, 31 * s, 31 * s, 6 * s, vertical(BLUE_LIGHT, BLUE_DARK, 1 * s, 31 * s))
    # receipt strip behind the letter
    c.polygon([(19 * s, 4 * s), (28 * s, 4 * s), (28 * s, 24 * s), (26.5 * s, 22.5 * s),
               (25 * s, 24 * s), (23.5 * s, 22.5 * s), (22 * s, 24 * s), (20.5 * s, 22.5 * s),
               (19 * s, 24 * s)], YELLOW)
    if size >= 24:
        for y in (8, 11, 14, 17):
            c.line(21 * s, y * s, 26 * s, y * s, 1.0, rgb(150, 110, 0))
    # the V
    c.line(5 * s, 6 * s, 13 * s, 26 * s, 5 * s, WHITE)
    c.line(13 * s, 26 * s, 20 * s, 6 * s, 5 * s, WHITE)
    return c


def draw_logo():
    """BMP01: the maker's mark, a blue K on a yellow disc, 32x24."""
    c = Canvas(32, 24, background=(1.0, 1.0, 1.0, 1.0))
    c.circle(12, 12, 11, YELLOW)
    c.circle(12, 12, 9.2, BLUE)
    c.line(9, 6, 9, 18, 2.6, WHITE)
    c.line(9.5, 12.5, 15.5, 6, 2.4, WHITE)
    c.line(10.5, 11, 16, 18, 2.4, WHITE)
    # two speed strokes to the right
    c.line(24, 9, 31, 9, 1.6, BLUE_LIGHT)
    c.line(24, 13, 31, 13, 1.6, BLUE)
    c.line(24, 17, 29, 17, 1.6, BLUE_DARK)
    return c


def draw_picture():
    """BMP02: a fiscal printer with a receipt and a Palm handheld, 152x72."""
    c = Canvas(152, 72, background=(1.0, 1.0, 1.0, 1.0))
    # floor shadow
    c.fill(lambda x, y: ((x - 62) / 58.0) ** 2 + ((y - 67) / 4.0) ** 2 <= 1, rgb(200, 204, 210))
    c.fill(lambda x, y: ((x - 128) / 18.0) ** 2 + ((y - 68) / 3.0) ** 2 <= 1, rgb(200, 204, 210))
    # receipt coming out of the printer, with printed lines and a torn edge
    teeth = [(40 + i * 3, 4 + (i % 2) * 2) for i in range(0, 12)]
    c.polygon([(40, 30)] + teeth + [(73, 6), (73, 30)], WHITE)
    c.line(40, 6, 40, 30, 0.8, GREY)
    c.line(73, 6, 73, 30, 0.8, GREY)
    for i, (x0, x1) in enumerate([(44, 66), (44, 58), (44, 69), (44, 62), (52, 69)]):
        c.line(x0, 10 + i * 3.5, x1, 10 + i * 3.5, 1.1, INK)
    # printer body
    c.rounded_rect(10, 26, 112, 64, 5, vertical(GREY_LIGHT, GREY, 26, 64))
    c.rounded_rect(10, 26, 112, 36, 5, vertical(rgb(235, 237, 240), GREY_LIGHT, 26, 36))
    c.rect(34, 28, 80, 32, GREY_DARK)  # paper slot
    c.line(40, 30, 73, 30, 2.0, WHITE)
    # front panel: display and keys
    c.rounded_rect(18, 41, 58, 53, 2, rgb(20, 40, 30))
    c.rect(20, 43, 56, 51, rgb(60, 170, 90))
    for i in range(3):
        c.rect(23 + i * 10, 45, 29 + i * 10, 49, rgb(20, 80, 40))
    for row in range(2):
        for col in range(4):
            x = 66 + col * 9
            y = 41 + row * 7
            c.rounded_rect(x, y, x + 7, y + 5, 1.2, GREY_DARK if row else BLUE)
    c.circle(104, 44, 2, GREEN)
    c.circle(104, 51, 2, YELLOW)
    c.rect(12, 58, 110, 60, rgb(120, 124, 130))
    # the handheld
    c.rounded_rect(116, 10, 142, 66, 5, vertical(rgb(80, 86, 96), rgb(30, 32, 38), 10, 66))
    c.rect(120, 15, 138, 42, rgb(150, 190, 140))
    for i in range(5):
        c.line(122, 19 + i * 4.5, 136 - (i % 3) * 3, 19 + i * 4.5, 1.0, rgb(40, 70, 40))
    for i in range(4):
        c.circle(121.5 + i * 5, 50, 1.8, BLUE_LIGHT if i in (0, 3) else GREY)
    c.rounded_rect(124, 55, 134, 61, 2.5, GREY)
    c.line(142, 14, 148, 4, 1.6, GREY_DARK)  # stylus
    return c


def bmp_bytes(canvas):
    """24-bit Windows bitmap, bottom-up; transparency flattened onto white."""
    rows = canvas.pixels()
    w, h = canvas.width, canvas.height
    stride = (w * 3 + 3) & ~3
    data = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for r, g, b, a in row:
            f = a / 255.0
            line += bytes((int(round(b * f + 255 * (1 - f))), int(round(g * f + 255 * (1 - f))),
                           int(round(r * f + 255 * (1 - f)))))
        line += b"\0" * (stride - len(line))
        data += line
    header = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    file_header = struct.pack("<2sIHHI", b"BM", 14 + len(header) + len(data), 0, 0, 14 + len(header))
    return file_header + header + data


def ico_image(canvas):
    """One icon image: 32-bit BGRA bottom-up plus the 1-bit AND mask."""
    rows = canvas.pixels()
    w, h = canvas.width, canvas.height
    xor = bytearray()
    for row in reversed(rows):
        for r, g, b, a in row:
            xor += bytes((b, g, r, a))
    mask_stride = ((w + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x, (_r, _g, _b, a) in enumerate(row):
            if a < 128:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    header = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    return header + xor + mask


def png_image(canvas):
    """One icon image as PNG (the form of the 256-pixel image)."""
    raw = bytearray()
    for row in canvas.pixels():
        raw.append(0)
        for r, g, b, a in row:
            raw += bytes((r, g, b, a))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    header = struct.pack(">IIBBBBB", canvas.width, canvas.height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(bytes(raw), 9))
            + chunk(b"IEND", b""))


def ico_bytes(canvases):
    images = [png_image(c) if c.width >= 256 else ico_image(c) for c in canvases]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for c, img in zip(canvases, images):
        out += struct.pack("<BBBBHHII", c.width % 256, c.height % 256, 0, 0, 1, 32, len(img), offset)
        offset += len(img)
    return out + b"".join(images)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "resources")
    os.makedirs(folder, exist_ok=True)
    outputs = {
        "vri.ico": ico_bytes([draw_icon(256), draw_icon(48), draw_icon(32), draw_icon(16)]),
        "bmp01.bmp": bmp_bytes(draw_logo()),
        "bmp02.bmp": bmp_bytes(draw_picture()),
    }
    for name, data in outputs.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)
        print("%s: %d bytes" % (name, len(data)))


if __name__ == "__main__":
    main()
