#!/usr/bin/env python3
"""Draws Zelmorin's pictures and writes them to src/resources/icons/.

    scripts/make-icons.py              write the PNGs and the SVG
    scripts/make-icons.py --check      exit 1 when a committed picture differs from the drawing
    scripts/make-icons.py --preview D  also write 8x enlargements on light and dark panels to D

Standard library only, so that anyone can redraw the icons without installing anything. Each
picture is a short list of simple shapes; the rasteriser takes 4x4 samples a pixel and averages
them, which is all the anti-aliasing shapes this simple need. The same shapes give the SVG.

Pictures:
    128-SIZE.png   the application icon (a stopwatch with a "connected" badge), 16 to 64 pixels
    133.png        the tray picture while idle: a hollow grey clock, hands stopped
    134.png        the tray picture while connected: a filled bright green disc with a dark bolt
    133-32.png, 134-32.png   the same at 32 pixels, for panels that draw large tray icons
    zelmorin.svg   the application icon, scalable
    143.png, 145.png, 157.png   100x200 banners beside the General, History and Advanced
                   preference pages: the stopwatch, a calendar and a padlock on a gradient

Idle and connected differ in shape and brightness, not only in hue, so they can be told apart
without seeing colour; a dark outline keeps them readable on light panels, their light fill on
dark ones.
"""

import argparse
import math
import os
import struct
import sys
import zlib

SAMPLES = 4  # per pixel along each axis

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT_DIR = os.path.join(ROOT, "src", "resources", "icons")


def rgba(hex_colour, alpha=1.0):
    h = hex_colour.lstrip("#")
    return (int(h[0:2], 16) / 255.0, int(h[2:4], 16) / 255.0, int(h[4:6], 16) / 255.0, alpha)


# ---------------------------------------------------------------------------------------------
# Shapes. Coordinates are in pixels of the picture being drawn; each shape knows its bounding
# box, whether a point is inside, and how to write itself as SVG.


class Circle:
    def __init__(self, cx, cy, r):
        self.cx, self.cy, self.r = cx, cy, r

    def bounds(self):
        return self.cx - self.r, self.cy - self.r, self.cx + self.r, self.cy + self.r

    def contains(self, x, y):
        dx, dy = x - self.cx, y - self.cy
        return dx * dx + dy * dy <= self.r * self.r

    def svg(self, fill):
        return '<circle cx="%s" cy="%s" r="%s" %s/>' % (num(self.cx), num(self.cy), num(self.r), fill)


class Ring:
    def __init__(self, cx, cy, r_outer, r_inner):
        self.cx, self.cy, self.ro, self.ri = cx, cy, r_outer, r_inner

    def bounds(self):
        return self.cx - self.ro, self.cy - self.ro, self.cx + self.ro, self.cy + self.ro

    def contains(self, x, y):
        d2 = (x - self.cx) ** 2 + (y - self.cy) ** 2
        return self.ri * self.ri <= d2 <= self.ro * self.ro

    def svg(self, fill):
        # A stroked circle down the middle of the ring; the fill colour becomes the stroke.
        stroke = fill.replace("fill=", "stroke=").replace("fill-opacity=", "stroke-opacity=")
        return '<circle cx="%s" cy="%s" r="%s" fill="none" stroke-width="%s" %s/>' % (
            num(self.cx), num(self.cy), num((self.ro + self.ri) / 2), num(self.ro - self.ri), stroke)


class Capsule:
    """A thick line with round ends."""

    def __init__(self, x1, y1, x2, y2, width):
        self.x1, self.y1, self.x2, self.y2, self.hw = x1, y1, x2, y2, width / 2.0

    def bounds(self):
        return (min(self.x1, self.x2) - self.hw, min(self.y1, self.y2) - self.hw,
                max(self.x1, self.x2) + self.hw, max(self.y1, self.y2) + self.hw)

    def contains(self, x, y):
        dx, dy = self.x2 - self.x1, self.y2 - self.y1
        length2 = dx * dx + dy * dy
        t = 0.0 if length2 == 0 else max(0.0, min(1.0, ((x - self.x1) * dx + (y - self.y1) * dy) / length2))
        px, py = self.x1 + t * dx - x, self.y1 + t * dy - y
        return px * px + py * py <= self.hw * self.hw

    def svg(self, fill):
        stroke = fill.replace("fill=", "stroke=").replace("fill-opacity=", "stroke-opacity=")
        return '<line x1="%s" y1="%s" x2="%s" y2="%s" stroke-width="%s" stroke-linecap="round" %s/>' % (
            num(self.x1), num(self.y1), num(self.x2), num(self.y2), num(2 * self.hw), stroke)


class Polygon:
    def __init__(self, points):
        self.points = points

    def bounds(self):
        xs = [p[0] for p in self.points]
        ys = [p[1] for p in self.points]
        return min(xs), min(ys), max(xs), max(ys)

    def contains(self, x, y):
        inside = False
        n = len(self.points)
        for i in range(n):
            x1, y1 = self.points[i]
            x2, y2 = self.points[(i + 1) % n]
            if (y1 > y) != (y2 > y) and x < x1 + (y - y1) * (x2 - x1) / (y2 - y1):
                inside = not inside
        return inside

    def svg(self, fill):
        pts = " ".join("%s,%s" % (num(x), num(y)) for x, y in self.points)
        return '<polygon points="%s" stroke-linejoin="round" %s/>' % (pts, fill)


class RoundRect:
    def __init__(self, x0, y0, x1, y1, radius):
        self.x0, self.y0, self.x1, self.y1, self.r = x0, y0, x1, y1, radius

    def bounds(self):
        return self.x0, self.y0, self.x1, self.y1

    def contains(self, x, y):
        if not (self.x0 <= x <= self.x1 and self.y0 <= y <= self.y1):
            return False
        cx = min(max(x, self.x0 + self.r), self.x1 - self.r)
        cy = min(max(y, self.y0 + self.r), self.y1 - self.r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= self.r * self.r

    def svg(self, fill):
        return '<rect x="%s" y="%s" width="%s" height="%s" rx="%s" %s/>' % (
            num(self.x0), num(self.y0), num(self.x1 - self.x0), num(self.y1 - self.y0), num(self.r), fill)


class Shift:
    """Another shape moved by (dx, dy), so a picture drawn at the origin can be placed anywhere."""

    def __init__(self, shape, dx, dy):
        self.shape, self.dx, self.dy = shape, dx, dy

    def bounds(self):
        x0, y0, x1, y1 = self.shape.bounds()
        return x0 + self.dx, y0 + self.dy, x1 + self.dx, y1 + self.dy

    def contains(self, x, y):
        return self.shape.contains(x - self.dx, y - self.dy)


def num(value):
    text = "%.3f" % value
    return text.rstrip("0").rstrip(".") if "." in text else text


def outlined_polygon(points, width):
    """The stroke of a polygon's edges, as capsules: drawn under the fill it makes an outline."""
    n = len(points)
    return [Capsule(points[i][0], points[i][1], points[(i + 1) % n][0], points[(i + 1) % n][1], width)
            for i in range(n)]


# ---------------------------------------------------------------------------------------------
# Rasterising.


class Canvas:
    """Premultiplied RGBA samples, SAMPLES x SAMPLES a pixel."""

    def __init__(self, width, height):
        self.width, self.height = width, height
        self.nx, self.ny = width * SAMPLES, height * SAMPLES
        self.buf = [[0.0, 0.0, 0.0, 0.0] for _ in range(self.nx * self.ny)]

    def _samples(self, shape):
        x0, y0, x1, y1 = shape.bounds()
        i0 = max(0, int(math.floor(x0 * SAMPLES)))
        i1 = min(self.nx - 1, int(math.ceil(x1 * SAMPLES)))
        j0 = max(0, int(math.floor(y0 * SAMPLES)))
        j1 = min(self.ny - 1, int(math.ceil(y1 * SAMPLES)))
        for j in range(j0, j1 + 1):
            y = (j + 0.5) / SAMPLES
            for i in range(i0, i1 + 1):
                if shape.contains((i + 0.5) / SAMPLES, y):
                    yield j * self.nx + i

    def _blend(self, k, r, g, b, a):
        s = self.buf[k]
        keep = 1.0 - a
        self.buf[k] = [r * a + s[0] * keep, g * a + s[1] * keep, b * a + s[2] * keep, a + s[3] * keep]

    def draw(self, shape, colour):
        for k in self._samples(shape):
            self._blend(k, *colour)

    def gradient(self, shape, top, bottom, y0, y1):
        """A vertical blend from top at y0 to bottom at y1, inside shape."""
        for k in self._samples(shape):
            y = (k // self.nx + 0.5) / SAMPLES
            t = min(1.0, max(0.0, (y - y0) / (y1 - y0)))
            self._blend(k, *(p + (q - p) * t for p, q in zip(top, bottom)))

    def clear(self, shape):
        for k in self._samples(shape):
            self.buf[k] = [0.0, 0.0, 0.0, 0.0]

    def pixels(self):
        """Rows of (r, g, b, a) bytes, straight alpha, each pixel the mean of its samples."""
        rows = []
        area = SAMPLES * SAMPLES
        for y in range(self.height):
            row = bytearray()
            for x in range(self.width):
                acc = [0.0, 0.0, 0.0, 0.0]
                for j in range(y * SAMPLES, (y + 1) * SAMPLES):
                    base = j * self.nx + x * SAMPLES
                    for s in self.buf[base:base + SAMPLES]:
                        acc[0] += s[0]
                        acc[1] += s[1]
                        acc[2] += s[2]
                        acc[3] += s[3]
                a = acc[3] / area
                if a <= 0.0:
                    row += b"\0\0\0\0"
                    continue
                row += bytes(min(255, int(round(c / area / a * 255))) for c in acc[:3])
                row.append(min(255, int(round(a * 255))))
            rows.append(bytes(row))
        return rows


def dimensions(size):
    """(width, height) of a picture's size: one number for a square, or a pair."""
    return size if isinstance(size, tuple) else (size, size)


def render(ops, size):
    canvas = Canvas(*dimensions(size))
    for op in ops:
        if op[0] == "draw":
            canvas.draw(op[1], op[2])
        elif op[0] == "gradient":
            canvas.gradient(*op[1:])
        else:
            canvas.clear(op[1])
    return canvas.pixels()


def to_svg(ops, size):
    """The same ops as SVG. A clear masks out everything drawn before it."""
    defs = []
    body = []
    for op in ops:
        if op[0] == "draw":
            r, g, b, a = op[2]
            fill = 'fill="#%02x%02x%02x"' % tuple(int(round(c * 255)) for c in (r, g, b))
            if a < 1.0:
                fill += ' fill-opacity="%s"' % num(a)
            body.append(op[1].svg(fill))
        else:
            mask_id = "cut%d" % len(defs)
            defs.append('<mask id="%s" maskUnits="userSpaceOnUse" x="0" y="0" width="%d" height="%d">'
                        '<rect width="%d" height="%d" fill="#fff"/>%s</mask>'
                        % (mask_id, size, size, size, size, op[1].svg('fill="#000"')))
            body = ['<g mask="url(#%s)">' % mask_id] + body + ["</g>"]
    lines = ['<svg xmlns="http://www.w3.org/2000/svg" width="%d" height="%d" viewBox="0 0 %d %d">'
             % (size, size, size, size)]
    if defs:
        lines.append("<defs>" + "".join(defs) + "</defs>")
    depth = 0
    for element in body:
        if element == "</g>":
            depth -= 1
        lines.append("  " * (depth + 1) + element)
        if element.startswith("<g "):
            depth += 1
    lines.append("</svg>")
    return "\n".join(lines) + "\n"


# ---------------------------------------------------------------------------------------------
# PNG, written and read with zlib and struct.


def png_chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)


def png_bytes(rows, width, height):
    """An 8-bit RGBA PNG of rows of RGBA bytes."""
    raw = b"".join(b"\0" + row for row in rows)  # filter type 0 (none) on every row
    return (b"\x89PNG\r\n\x1a\n"
            + png_chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
            + png_chunk(b"IDAT", zlib.compress(raw, 9))
            + png_chunk(b"IEND", b""))


def read_png(data):
    """(width, height, rows of RGBA bytes) of an 8-bit RGBA PNG; None for anything else."""
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        return None
    pos, idat, header = 8, b"", None
    while pos + 8 <= len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    if header is None or header[2:] != (8, 6, 0, 0, 0):
        return None
    width, height = header[0], header[1]
    raw = zlib.decompress(idat)
    stride = width * 4
    rows, prev = [], bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            left = line[i - 4] if i >= 4 else 0
            up = prev[i]
            up_left = prev[i - 4] if i >= 4 else 0
            if kind == 1:
                line[i] = (line[i] + left) & 0xFF
            elif kind == 2:
                line[i] = (line[i] + up) & 0xFF
            elif kind == 3:
                line[i] = (line[i] + (left + up) // 2) & 0xFF
            elif kind == 4:
                p = left + up - up_left
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - up_left)
                pred = left if pa <= pb and pa <= pc else (up if pb <= pc else up_left)
                line[i] = (line[i] + pred) & 0xFF
        rows.append(bytes(line))
        prev = line
    return width, height, rows


# ---------------------------------------------------------------------------------------------
# The pictures. Each is designed on a 16-unit grid and scaled by k = size / 16; outlines keep at
# least one pixel, so the small sizes stay crisp.

INK = rgba("#1b2430")          # outlines and hands: near-black with a little blue
RIM = rgba("#2462a8")          # the stopwatch case
RIM_LIGHT = rgba("#4f8fd6")    # its upper highlight
FACE = rgba("#f8fafc")
TICK = rgba("#7a8594")
SWEEP = rgba("#d8352a")        # the stopwatch's second hand
GREEN = rgba("#52e07a")        # "connected": bright, so it also differs in lightness
GREEN_DARK = rgba("#0f4a23")
GREEN_SHINE = rgba("#b9f5c8", 0.55)
IDLE_GREY = rgba("#a3aab3")
IDLE_INK = rgba("#2c3138")
IDLE_HAND = rgba("#7b838d")


def bolt_points(cx, cy, h):
    """A lightning bolt of height h centred on (cx, cy), leaning right."""
    u = h / 10.0
    pts = [(1.6, -5.0), (-2.9, 0.9), (-0.2, 0.9), (-1.6, 5.0), (2.9, -1.1), (0.2, -1.1)]
    return [(cx + x * u, cy + y * u) for x, y in pts]


def connected_disc(cx, cy, r, k, bolt_height):
    """The "connected" sign: bright green disc, dark outline, dark bolt."""
    edge = max(1.0, 0.9 * k)
    ops = [("draw", Circle(cx, cy, r), GREEN_DARK),
           ("draw", Circle(cx, cy, r - edge), GREEN)]
    # A soft highlight in the upper left gives the disc some depth from 32 pixels on.
    if r >= 6:
        ops.append(("draw", Circle(cx - 0.28 * r, cy - 0.3 * r, 0.42 * r), GREEN_SHINE))
    if bolt_height > 0:
        ops.append(("draw", Polygon(bolt_points(cx, cy, bolt_height)), GREEN_DARK))
    return ops


def tray_connected(size):
    k = size / 16.0
    c = size / 2.0
    return connected_disc(c, c, 7.6 * k, k, 11.4 * k)


def tray_idle(size):
    k = size / 16.0
    c = size / 2.0
    edge = max(1.0, 0.85 * k)
    ro, ri = 7.4 * k, 4.2 * k
    hand = max(2.0, 1.3 * k)  # two whole pixels at 16, where the hands sit on the pixel grid
    # Stopped hands in the hollow: a clock at rest, and more to the shape than a plain "O". Too
    # small for an outline, they take a middle grey that shows on light and dark panels alike.
    return [("draw", Ring(c, c, ro, ri), IDLE_INK),
            ("draw", Ring(c, c, ro - edge, ri + edge), IDLE_GREY),
            ("draw", Capsule(c, c, c, c - 2.8 * k, hand), IDLE_HAND),
            ("draw", Capsule(c, c, c + 2.1 * k, c + 1.2 * k, hand), IDLE_HAND)]


def app_icon(size):
    k = size / 16.0
    big = size >= 32
    edge = max(1.0, 0.75 * k)
    cx, cy, r = 7.6 * k, 9.0 * k, 6.6 * k
    face_r = r - (1.35 * k if big else 1.5 * k)
    ops = []
    # Crown and side button, drawn first so the case overlaps their feet.
    ops += [("draw", RoundRect(cx - 1.0 * k, 0.95 * k, cx + 1.0 * k, cy - r + 1.0 * k, 0.2 * k), INK),
            ("draw", RoundRect(cx - 2.2 * k, 0.2 * k, cx + 2.2 * k, 1.85 * k, 0.55 * k), INK)]
    if big:
        ops += [("draw", RoundRect(cx - 0.5 * k, 1.0 * k, cx + 0.5 * k, cy - r + 1.0 * k, 0.1 * k), RIM),
                ("draw", RoundRect(cx - 1.85 * k, 0.5 * k, cx + 1.85 * k, 1.5 * k, 0.35 * k), RIM_LIGHT)]
    angle = math.radians(-45)
    # Below 32 pixels the side button is a stray dot; only the crown stays.
    bx1, by1 = cx + (r - 0.5 * k) * math.cos(angle), cy + (r - 0.5 * k) * math.sin(angle)
    bx2, by2 = cx + (r + 1.2 * k) * math.cos(angle), cy + (r + 1.2 * k) * math.sin(angle)
    if big:
        ops.append(("draw", Capsule(bx1, by1, bx2, by2, 1.7 * k), INK))
        ops.append(("draw", Capsule(bx1, by1, bx2, by2, 1.7 * k - 2 * max(1.0, 0.45 * k)), RIM))
    # Case: dark outline, blue rim with a lighter top, white face.
    ops += [("draw", Circle(cx, cy, r), INK),
            ("draw", Circle(cx, cy, r - edge), RIM)]
    if big:
        ops.append(("draw", Circle(cx - 0.6 * k, cy - 0.9 * k, r - edge - 0.6 * k), RIM_LIGHT))
        ops.append(("draw", Circle(cx, cy, face_r + 0.35 * k), RIM))
    ops.append(("draw", Circle(cx, cy, face_r), FACE))
    # Ticks every five minutes from 32 pixels, the quarters only below.
    if big:
        for i in range(12):
            a = math.radians(i * 30)
            outer = face_r - 0.45 * k
            inner = outer - (0.9 * k if i % 3 == 0 else 0.5 * k)
            width = 0.45 * k if i % 3 == 0 else 0.3 * k
            ops.append(("draw", Capsule(cx + inner * math.sin(a), cy - inner * math.cos(a),
                                        cx + outer * math.sin(a), cy - outer * math.cos(a), width), TICK))
    # Hands: a dark minute hand at twelve, the red sweep hand running towards two.
    hand = max(1.0, 0.8 * k)
    ops.append(("draw", Capsule(cx, cy, cx, cy - face_r * 0.78, hand), INK))
    if big:
        a = math.radians(62)
        tip, tail = face_r * 0.84, face_r * 0.22
        ops.append(("draw", Capsule(cx - tail * math.sin(a), cy + tail * math.cos(a),
                                    cx + tip * math.sin(a), cy - tip * math.cos(a), max(1.0, 0.5 * k)), SWEEP))
    ops.append(("draw", Circle(cx, cy, max(0.9, 0.7 * k)), INK))
    # The connection badge, cut out of the case with a transparent gap so it stays apart.
    bx, by, br = 12.1 * k, 12.1 * k, 3.75 * k
    ops.append(("clear", Circle(bx, by, br + max(0.8, 0.55 * k))))
    # At 16 pixels the bolt would be a smudge; the bright dot alone says "on line".
    ops += connected_disc(bx, by, br, k, 5.9 * k if big else 0)
    return ops


# ---------------------------------------------------------------------------------------------
# The preference pages' banners, 100 x 200: one gradient per page, darker downwards, with the
# page's sign in the upper third on a soft glow, and faint arcs in the lower left.

BANNER = (100, 200)
BANNER_GLOW = rgba("#ffffff", 0.06)
BANNER_ARC = rgba("#ffffff", 0.07)
SHADOW = rgba("#000000", 0.22)
PAPER = rgba("#fdfdfb")
PAPER_LINE = rgba("#d5dae1")
GOLD = rgba("#e2a93a")
GOLD_LIGHT = rgba("#f4cd72")
STEEL = rgba("#c9d1db")
STEEL_LIGHT = rgba("#eef2f6")


def banner_background(top, bottom):
    width, height = BANNER
    ops = [("gradient", RoundRect(0, 0, width, height, 0), top, bottom, 0, height)]
    for r in (46, 39, 32):
        ops.append(("draw", Circle(50, 68, r), BANNER_GLOW))
    # Centred below the picture, so they stay in the lower half, clear of the sign.
    for r in (60, 90, 120):
        ops.append(("draw", Ring(0, height + 30, r + 1.2, r - 1.2), BANNER_ARC))
    return ops


def banner_general(size):
    top, bottom = rgba("#4a8ad6"), rgba("#10305a")
    ops = banner_background(top, bottom)
    # The program's own stopwatch, 72 pixels; the gap around its badge shows the background.
    dx, dy = 14, 30
    for op in app_icon(72):
        if op[0] == "clear":
            ops.append(("gradient", Shift(op[1], dx, dy), top, bottom, 0, BANNER[1]))
        else:
            ops.append((op[0], Shift(op[1], dx, dy), op[2]))
    return ops


def banner_history(size):
    ops = banner_background(rgba("#35a596"), rgba("#0d433d"))
    x0, y0, x1, y1 = 20, 38, 80, 98
    ops += [("draw", RoundRect(x0 + 2, y0 + 3, x1 + 2, y1 + 3, 6), SHADOW),
            ("draw", RoundRect(x0, y0, x1, y1, 6), INK),
            ("draw", RoundRect(x0 + 1.5, y0 + 1.5, x1 - 1.5, y1 - 1.5, 4.5), PAPER),
            # The red header, rounded at the top only.
            ("draw", RoundRect(x0 + 1.5, y0 + 1.5, x1 - 1.5, y0 + 15, 4.5), SWEEP),
            ("draw", RoundRect(x0 + 1.5, y0 + 9, x1 - 1.5, y0 + 15, 0), SWEEP),
            ("draw", RoundRect(x0 + 1.5, y0 + 15, x1 - 1.5, y0 + 16.5, 0), INK)]
    # Binder rings through the header.
    for x in (35, 65):
        ops += [("draw", Capsule(x, y0 - 6, x, y0 + 6, 5.5), INK),
                ("draw", Capsule(x, y0 - 5, x, y0 + 5, 2.5), STEEL_LIGHT)]
    # Days: four weeks of five, one picked out.
    for row in range(4):
        for col in range(5):
            cx, cy = 26.5 + col * 10.5, y0 + 23 + row * 9.5
            colour = RIM if (row, col) == (2, 3) else PAPER_LINE
            ops.append(("draw", RoundRect(cx - 3.6, cy - 3.1, cx + 3.6, cy + 3.1, 1.2), colour))
    return ops


def banner_advanced(size):
    ops = banner_background(rgba("#7a6cc0"), rgba("#251f4a"))
    cx = 50
    # The shackle: a half ring on two legs, outlined, standing behind the body.
    for width, colour in ((9.5, INK), (6.0, STEEL)):
        ring_out, ring_in = 14 + width / 2, 14 - width / 2
        ops.append(("draw", Ring(cx, 58, ring_out, ring_in), colour))
        for x in (cx - 14, cx + 14):
            ops.append(("draw", Capsule(x, 58, x, 74, width), colour))
    ops.append(("draw", Capsule(cx - 15.5, 50, cx - 15.5, 66, 1.6), STEEL_LIGHT))
    # The body, with a lighter upper half and a keyhole.
    x0, y0, x1, y1 = 27, 66, 73, 104
    ops += [("draw", RoundRect(x0 + 2, y0 + 3, x1 + 2, y1 + 3, 7), SHADOW),
            ("draw", RoundRect(x0, y0, x1, y1, 7), INK),
            ("draw", RoundRect(x0 + 2, y0 + 2, x1 - 2, y1 - 2, 5.5), GOLD),
            ("draw", RoundRect(x0 + 4, y0 + 4, x1 - 4, y0 + 14, 4), GOLD_LIGHT),
            ("draw", Circle(cx, 82, 5), INK),
            ("draw", Polygon([(cx - 2.6, 84), (cx + 2.6, 84), (cx + 4, 95), (cx - 4, 95)]), INK)]
    return ops


PICTURES = [
    ("128-16.png", app_icon, 16),
    ("128-32.png", app_icon, 32),
    ("128-48.png", app_icon, 48),
    ("128-64.png", app_icon, 64),
    ("133.png", tray_idle, 16),
    ("134.png", tray_connected, 16),
    ("133-32.png", tray_idle, 32),
    ("134-32.png", tray_connected, 32),
    ("143.png", banner_general, BANNER),
    ("145.png", banner_history, BANNER),
    ("157.png", banner_advanced, BANNER),
]
SVG = ("zelmorin.svg", app_icon, 64)


# ---------------------------------------------------------------------------------------------
# Previews: each picture enlarged with whole pixels, on a light and on a dark panel.

PANELS = [(0xf2, 0xf2, 0xf2), (0x2a, 0x2d, 0x33)]


def preview_rows(rows, size, scale):
    width, height = dimensions(size)
    out = []
    for y in range(height * scale):
        src = rows[y // scale]
        line = bytearray()
        for panel in PANELS:
            for x in range(width * scale):
                r, g, b, a = src[(x // scale) * 4:(x // scale) * 4 + 4]
                line += bytes(int(round((c * a + p * (255 - a)) / 255)) for c, p in zip((r, g, b), panel))
                line.append(255)
        out.append(bytes(line))
    return out


def preview_png(rows, size, scale):
    out = preview_rows(rows, size, scale)
    return png_bytes(out, dimensions(size)[0] * scale * len(PANELS), len(out))


def same_picture(committed, size, rows):
    """Whether a committed picture is the drawing. Pixels, not bytes: another zlib may pack the
    same picture differently. A little slack, since another C library's sin and cos may move
    a sample or two across an edge; a changed design moves far more."""
    width, height = dimensions(size)
    if committed is None or committed[:2] != (width, height):
        return False
    differing = 0
    for old, new in zip(committed[2], rows):
        for x in range(0, len(new), 4):
            delta = max(abs(a - b) for a, b in zip(old[x:x + 4], new[x:x + 4]))
            if delta > 24:
                return False
            differing += delta > 0
    return differing <= width * height // 50


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--check", action="store_true", help="compare the committed pictures with the drawing")
    parser.add_argument("--preview", metavar="DIR", help="also write enlarged previews to DIR")
    parser.add_argument("--out", default=OUT_DIR, help="where the pictures go (default: %(default)s)")
    args = parser.parse_args()

    stale = []
    for name, draw, size in PICTURES:
        rows = render(draw(size), size)
        path = os.path.join(args.out, name)
        if args.check:
            try:
                with open(path, "rb") as f:
                    committed = read_png(f.read())
            except OSError:
                committed = None
            if not same_picture(committed, size, rows):
                stale.append(name)
        else:
            os.makedirs(args.out, exist_ok=True)
            with open(path, "wb") as f:
                f.write(png_bytes(rows, *dimensions(size)))
        if args.preview:
            os.makedirs(args.preview, exist_ok=True)
            scale = max(4, 128 // max(dimensions(size)))
            with open(os.path.join(args.preview, name), "wb") as f:
                f.write(preview_png(rows, size, scale))

    name, draw, size = SVG
    svg = to_svg(draw(size), size)
    path = os.path.join(args.out, name)
    if args.check:
        try:
            with open(path, encoding="utf-8") as f:
                if f.read() != svg:
                    stale.append(name)
        except OSError:
            stale.append(name)
    else:
        with open(path, "w", encoding="utf-8") as f:
            f.write(svg)

    if stale:
        print("make-icons: out of date: %s (run scripts/make-icons.py)" % ", ".join(stale), file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
