#!/usr/bin/env python3
"""Draws Pendrel's pictures and icons (Pendrel/res/png, Pendrel/res/icon).

The drawings are our own: simple shapes, filled with 4 x 4 samples per pixel
for smooth edges. Run it again after changing a drawing; the files it writes
are committed.

    python3 tools/make-pendrel-resources.py
"""

import math
import os
import struct
import zlib

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "Pendrel", "res")
SAMPLES = 4


class Canvas:
    """RGBA pixels with straight alpha; shapes are drawn in pixel units."""

    def __init__(self, width, height, background=(0, 0, 0, 0)):
        self.width = width
        self.height = height
        self.pixels = [list(background) for _ in range(width * height)]

    def fill(self, inside, color, box=None):
        """Paints color (r, g, b[, a]) where inside(x, y) holds."""
        r, g, b = color[:3]
        a = color[3] if len(color) > 3 else 255
        x0, y0, x1, y1 = box or (0, 0, self.width, self.height)
        x0, y0 = max(0, int(math.floor(x0))), max(0, int(math.floor(y0)))
        x1, y1 = min(self.width, int(math.ceil(x1))), min(self.height, int(math.ceil(y1)))
        step = 1.0 / SAMPLES
        for y in range(y0, y1):
            for x in range(x0, x1):
                hits = 0
                for sy in range(SAMPLES):
                    for sx in range(SAMPLES):
                        if inside(x + (sx + 0.5) * step, y + (sy + 0.5) * step):
                            hits += 1
                if hits:
                    self._over(x, y, r, g, b, a * hits / (SAMPLES * SAMPLES))

    def _over(self, x, y, r, g, b, a):
        p = self.pixels[y * self.width + x]
        sa = a / 255.0
        da = p[3] / 255.0
        oa = sa + da * (1 - sa)
        if oa <= 0:
            return
        for i, c in enumerate((r, g, b)):
            p[i] = (c * sa + p[i] * da * (1 - sa)) / oa
        p[3] = oa * 255

    # ----- shapes ----------------------------------------------------------
    def rect(self, x0, y0, x1, y1, color):
        self.fill(lambda x, y: x0 <= x < x1 and y0 <= y < y1, color, (x0, y0, x1, y1))

    def round_rect(self, x0, y0, x1, y1, radius, color):
        def inside(x, y):
            if not (x0 <= x < x1 and y0 <= y < y1):
                return False
            cx = min(max(x, x0 + radius), x1 - radius)
            cy = min(max(y, y0 + radius), y1 - radius)
            return (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius
        self.fill(inside, color, (x0, y0, x1, y1))

    def circle(self, cx, cy, radius, color):
        self.fill(lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius, color,
                  (cx - radius, cy - radius, cx + radius, cy + radius))

    def ring(self, cx, cy, radius, width, color, start=0.0, end=360.0):
        def inside(x, y):
            d = math.hypot(x - cx, y - cy)
            if abs(d - radius) > width / 2:
                return False
            angle = math.degrees(math.atan2(cy - y, x - cx)) % 360
            return start <= angle <= end if start <= end else angle >= start or angle <= end
        r = radius + width
        self.fill(inside, color, (cx - r, cy - r, cx + r, cy + r))

    def polygon(self, points, color):
        def inside(x, y):
            result = False
            j = len(points) - 1
            for i in range(len(points)):
                xi, yi = points[i]
                xj, yj = points[j]
                if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                    result = not result
                j = i
            return result
        xs = [p[0] for p in points]
        ys = [p[1] for p in points]
        self.fill(inside, color, (min(xs), min(ys), max(xs) + 1, max(ys) + 1))

    def line(self, xa, ya, xb, yb, width, color):
        def inside(x, y):
            dx, dy = xb - xa, yb - ya
            length = dx * dx + dy * dy
            t = 0 if length == 0 else max(0.0, min(1.0, ((x - xa) * dx + (y - ya) * dy) / length))
            return math.hypot(x - (xa + t * dx), y - (ya + t * dy)) <= width / 2
        w = width
        self.fill(inside, color, (min(xa, xb) - w, min(ya, yb) - w, max(xa, xb) + w, max(ya, yb) + w))

    def gradient(self, x0, y0, x1, y1, top, bottom):
        for y in range(int(y0), int(y1)):
            t = (y - y0) / max(1, (y1 - y0 - 1))
            color = tuple(round(top[i] + (bottom[i] - top[i]) * t) for i in range(3))
            for x in range(int(x0), int(x1)):
                self._over(x, y, *color, 255)

    def rgba(self):
        return [tuple(int(round(max(0, min(255, c)))) for c in p) for p in self.pixels]


# ----- file formats -----------------------------------------------------------
def png_bytes(canvas):
    pixels = canvas.rgba()
    raw = b"".join(
        b"\0" + b"".join(struct.pack("4B", *pixels[y * canvas.width + x]) for x in range(canvas.width))
        for y in range(canvas.height))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", canvas.width, canvas.height, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")


def ico_bytes(canvases):
    """An icon file of 32-bit pictures with their AND masks."""
    images = []
    for canvas in canvases:
        w, h = canvas.width, canvas.height
        pixels = canvas.rgba()
        header = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 32, 0, 0, 0, 0, 0, 0)
        colour = b"".join(struct.pack("4B", p[2], p[1], p[0], p[3])
                          for y in reversed(range(h)) for p in pixels[y * w:(y + 1) * w])
        mask_row = ((w + 31) // 32) * 4
        mask = bytearray()
        for y in reversed(range(h)):
            row = bytearray(mask_row)
            for x in range(w):
                if pixels[y * w + x][3] < 128:
                    row[x // 8] |= 0x80 >> (x % 8)
            mask += row
        images.append((w, h, header + colour + bytes(mask)))
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    body = b""
    for w, h, data in images:
        directory += struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, 1, 32, len(data), offset + len(body))
        body += data
    return directory + body


def ico_canvases(path):
    """The pictures of a 32-bit icon file such as ico_bytes writes."""
    with open(os.path.join(ROOT, path), "rb") as f:
        data = f.read()
    count = struct.unpack("<H", data[4:6])[0]
    canvases = []
    for k in range(count):
        w, h, _, _, _, _, _, offset = struct.unpack("<BBBBHHII", data[6 + 16 * k:22 + 16 * k])
        w, h = w or 256, h or 256
        c = Canvas(w, h)
        base = offset + 40
        for y in range(h):
            for x in range(w):
                i = base + ((h - 1 - y) * w + x) * 4
                b, g, r, a = data[i:i + 4]
                c.pixels[y * w + x] = [r, g, b, a]
        canvases.append(c)
    return canvases


def write(path, data):
    full = os.path.join(ROOT, path)
    os.makedirs(os.path.dirname(full), exist_ok=True)
    with open(full, "wb") as f:
        f.write(data)
    print("wrote", os.path.relpath(full))


# ----- the drawings -------------------------------------------------------------
BLUE = (40, 96, 176)
LIGHT_BLUE = (120, 170, 230)
GREEN = (46, 150, 70)
RED = (200, 40, 40)
GREY = (110, 110, 110)
WHITE = (255, 255, 255)
PAPER = (250, 246, 232)
GOLD = (226, 170, 40)


def draw_book(c, x, y, s, cover=BLUE):
    """An open book in the square (x, y, s)."""
    c.polygon([(x + 0.05 * s, y + 0.25 * s), (x + 0.5 * s, y + 0.35 * s), (x + 0.5 * s, y + 0.9 * s),
               (x + 0.05 * s, y + 0.8 * s)], cover)
    c.polygon([(x + 0.95 * s, y + 0.25 * s), (x + 0.5 * s, y + 0.35 * s), (x + 0.5 * s, y + 0.9 * s),
               (x + 0.95 * s, y + 0.8 * s)], cover)
    c.polygon([(x + 0.1 * s, y + 0.18 * s), (x + 0.48 * s, y + 0.28 * s), (x + 0.48 * s, y + 0.82 * s),
               (x + 0.1 * s, y + 0.72 * s)], PAPER)
    c.polygon([(x + 0.9 * s, y + 0.18 * s), (x + 0.52 * s, y + 0.28 * s), (x + 0.52 * s, y + 0.82 * s),
               (x + 0.9 * s, y + 0.72 * s)], PAPER)
    if s >= 24:
        for i in range(3):
            dy = (0.38 + 0.12 * i) * s
            c.line(x + 0.17 * s, y + dy, x + 0.42 * s, y + dy + 0.06 * s, max(1.0, s / 32), GREY)
            c.line(x + 0.58 * s, y + dy + 0.06 * s, x + 0.83 * s, y + dy, max(1.0, s / 32), GREY)


def draw_keyboard(c, x, y, s, body=(70, 70, 80)):
    """A keyboard in the square (x, y, s)."""
    c.round_rect(x + 0.04 * s, y + 0.25 * s, x + 0.96 * s, y + 0.78 * s, 0.08 * s, body)
    rows, cols = 3, 6
    kw = 0.86 * s / cols
    kh = 0.45 * s / rows
    for r in range(rows):
        for k in range(cols):
            kx = x + 0.07 * s + k * kw
            ky = y + 0.29 * s + r * kh
            c.rect(kx + kw * 0.12, ky + kh * 0.15, kx + kw * 0.88, ky + kh * 0.85, (235, 235, 240))


def draw_bubble(c, s, color):
    c.circle(s / 2, s / 2, 0.45 * s, color)


def icon_info(s):
    c = Canvas(s, s)
    draw_bubble(c, s, BLUE)
    c.circle(s / 2, 0.28 * s, 0.07 * s, WHITE)
    c.rect(0.43 * s, 0.42 * s, 0.57 * s, 0.78 * s, WHITE)
    return c


def icon_close(s):
    c = Canvas(s, s)
    draw_bubble(c, s, RED)
    c.line(0.32 * s, 0.32 * s, 0.68 * s, 0.68 * s, 0.12 * s, WHITE)
    c.line(0.68 * s, 0.32 * s, 0.32 * s, 0.68 * s, 0.12 * s, WHITE)
    return c


def icon_trainer(s):
    c = Canvas(s, s)
    draw_book(c, 0, 0, s)
    return c


def icon_keyboard(s):
    c = Canvas(s, s)
    draw_keyboard(c, 0, 0, s)
    return c


def arrow_strip():
    """Sort arrows: 0 none, 1 ascending, 2 descending, 16 x 16 each."""
    c = Canvas(48, 16)
    c.polygon([(16 + 4, 11), (16 + 8, 5), (16 + 12, 11)], GREY)
    c.polygon([(32 + 4, 5), (32 + 8, 11), (32 + 12, 5)], GREY)
    return c


def update_picture(color):
    """Two arrows chasing each other round a circle."""
    s = 32
    c = Canvas(s, s)
    c.ring(16, 16, 10, 4, color, 30, 170)
    c.ring(16, 16, 10, 4, color, 210, 350)
    c.polygon([(3, 12), (11, 12), (7, 18)], color)
    c.polygon([(21, 20), (29, 20), (25, 14)], color)
    return c


def logo(draw, accent):
    c = Canvas(64, 64)
    c.circle(32, 32, 31, accent)
    c.circle(32, 32, 28, WHITE)
    draw(c, 10, 10, 44)
    return c


def agreement_banner():
    c = Canvas(400, 60)
    c.gradient(0, 0, 400, 60, (236, 242, 250), (196, 214, 238))
    draw_book(c, 8, 4, 52)
    for i in range(5):
        c.round_rect(80 + i * 60, 24, 128 + i * 60, 36, 6, LIGHT_BLUE + (160,))
    return c


def agreement_seal():
    c = Canvas(60, 60)
    c.circle(30, 28, 22, GOLD)
    c.circle(30, 28, 17, (250, 214, 110))
    c.polygon([(18, 44), (24, 58), (28, 48)], RED)
    c.polygon([(42, 44), (36, 58), (32, 48)], RED)
    c.line(22, 28, 28, 34, 4, GREEN)
    c.line(28, 34, 39, 21, 4, GREEN)
    return c


# ----- buttons, status pictures and icons of the programs' dialogs ------------
DARK_GREEN = (30, 110, 40)
DARK_RED = (150, 30, 30)
ORANGE = (240, 170, 40)
DARK_ORANGE = (170, 110, 20)
STEEL = (96, 110, 130)


def grey_copy(canvas):
    """The disabled look of a picture: its light grey-scale copy."""
    c = Canvas(canvas.width, canvas.height)
    for i, p in enumerate(canvas.pixels):
        v = 0.3 * p[0] + 0.59 * p[1] + 0.11 * p[2]
        v = 96 + 0.5 * v
        c.pixels[i] = [v, v, v, p[3]]
    return c


def draw_check(c, x, y, s, width, color):
    """A tick in the square (x, y, s)."""
    c.line(x + 0.18 * s, y + 0.52 * s, x + 0.42 * s, y + 0.76 * s, width, color)
    c.line(x + 0.42 * s, y + 0.76 * s, x + 0.84 * s, y + 0.26 * s, width, color)


def draw_cross(c, x, y, s, width, color):
    c.line(x + 0.25 * s, y + 0.25 * s, x + 0.75 * s, y + 0.75 * s, width, color)
    c.line(x + 0.75 * s, y + 0.25 * s, x + 0.25 * s, y + 0.75 * s, width, color)


def draw_page(c, x, y, s, lines=True):
    """A sheet of paper with a folded corner in the square (x, y, s)."""
    fold = 0.22 * s
    edge = (120, 120, 130)
    c.polygon([(x + 0.16 * s, y + 0.06 * s), (x + 0.84 * s - fold, y + 0.06 * s), (x + 0.84 * s, y + 0.06 * s + fold),
               (x + 0.84 * s, y + 0.94 * s), (x + 0.16 * s, y + 0.94 * s)], edge)
    inset = max(1.0, s / 24)
    c.polygon([(x + 0.16 * s + inset, y + 0.06 * s + inset), (x + 0.84 * s - fold, y + 0.06 * s + inset),
               (x + 0.84 * s - inset, y + 0.06 * s + fold), (x + 0.84 * s - inset, y + 0.94 * s - inset),
               (x + 0.16 * s + inset, y + 0.94 * s - inset)], WHITE)
    c.polygon([(x + 0.84 * s - fold, y + 0.06 * s), (x + 0.84 * s - fold, y + 0.06 * s + fold),
               (x + 0.84 * s, y + 0.06 * s + fold)], (200, 200, 210))
    if lines:
        for i in range(3):
            ly = y + (0.36 + 0.16 * i) * s
            c.line(x + 0.28 * s, ly, x + 0.66 * s, ly, max(1.0, s / 16), (170, 170, 180))


def draw_badge(c, cx, cy, r, color, ring):
    c.circle(cx, cy, r, ring)
    c.circle(cx, cy, r - max(1.0, r / 6), color)


def draw_status(s, fill_part, ring, fill):
    """A status circle filled from the bottom by fill_part (0 to 1)."""
    c = Canvas(s, s)
    r = 0.44 * s
    c.circle(s / 2, s / 2, r, ring)
    c.circle(s / 2, s / 2, r - s / 12, WHITE)
    top = s / 2 + (r - s / 12) * (1 - 2 * fill_part)
    c.fill(lambda x, y: (x - s / 2) ** 2 + (y - s / 2) ** 2 <= (r - s / 12) ** 2 and y >= top, fill)
    return c


def status_mastered(s=24):
    c = Canvas(s, s)
    draw_badge(c, s / 2, s / 2, 0.44 * s, GOLD, DARK_ORANGE)
    draw_check(c, 0.1 * s, 0.08 * s, 0.8 * s, 0.13 * s, WHITE)
    return c


def picture_blank(s=24):
    return Canvas(s, s)


def picture_create(s=24):
    c = Canvas(s, s)
    draw_page(c, 0, 0, s)
    draw_badge(c, 0.7 * s, 0.72 * s, 0.26 * s, GREEN, DARK_GREEN)
    c.rect(0.59 * s, 0.68 * s, 0.81 * s, 0.76 * s, WHITE)
    c.rect(0.66 * s, 0.61 * s, 0.74 * s, 0.83 * s, WHITE)
    return c


def draw_pencil(c, x, y, s):
    c.line(x + 0.3 * s, y + 0.7 * s, x + 0.8 * s, y + 0.2 * s, 0.18 * s, GOLD)
    c.line(x + 0.74 * s, y + 0.14 * s, x + 0.86 * s, y + 0.26 * s, 0.1 * s, BLUE)
    c.polygon([(x + 0.14 * s, y + 0.86 * s), (x + 0.2 * s, y + 0.64 * s), (x + 0.36 * s, y + 0.8 * s)], BLUE)


def picture_edit(s=24):
    c = Canvas(s, s)
    draw_page(c, -0.1 * s, 0, s)
    draw_pencil(c, 0.2 * s, 0.1 * s, 0.8 * s)
    return c


def picture_delete(s=24):
    c = Canvas(s, s)
    draw_page(c, 0, 0, s)
    draw_badge(c, 0.7 * s, 0.72 * s, 0.26 * s, RED, DARK_RED)
    draw_cross(c, 0.52 * s, 0.54 * s, 0.36 * s, 0.08 * s, WHITE)
    return c


def draw_tray(c, s, color):
    w = max(1.5, 0.1 * s)
    c.line(0.12 * s, 0.6 * s, 0.12 * s, 0.88 * s, w, color)
    c.line(0.12 * s, 0.88 * s, 0.88 * s, 0.88 * s, w, color)
    c.line(0.88 * s, 0.88 * s, 0.88 * s, 0.6 * s, w, color)


def picture_import(s=24):
    c = Canvas(s, s)
    draw_tray(c, s, STEEL)
    c.rect(0.42 * s, 0.06 * s, 0.58 * s, 0.46 * s, GREEN)
    c.polygon([(0.24 * s, 0.42 * s), (0.76 * s, 0.42 * s), (0.5 * s, 0.72 * s)], GREEN)
    return c


def picture_export(s=24):
    c = Canvas(s, s)
    draw_tray(c, s, STEEL)
    c.rect(0.42 * s, 0.34 * s, 0.58 * s, 0.76 * s, BLUE)
    c.polygon([(0.24 * s, 0.38 * s), (0.76 * s, 0.38 * s), (0.5 * s, 0.06 * s)], BLUE)
    return c


def picture_quiz(s=24):
    c = Canvas(s, s)
    c.round_rect(0.06 * s, 0.08 * s, 0.94 * s, 0.74 * s, 0.16 * s, DARK_ORANGE)
    c.round_rect(0.1 * s, 0.12 * s, 0.9 * s, 0.7 * s, 0.13 * s, ORANGE)
    c.polygon([(0.26 * s, 0.68 * s), (0.46 * s, 0.68 * s), (0.2 * s, 0.94 * s)], DARK_ORANGE)
    w = 0.1 * s
    c.ring(0.5 * s, 0.3 * s, 0.1 * s, w, WHITE, 300, 200)
    c.line(0.5 * s, 0.4 * s, 0.5 * s, 0.48 * s, w, WHITE)
    c.circle(0.5 * s, 0.6 * s, 0.055 * s, WHITE)
    return c


def picture_learn(s=24):
    c = Canvas(s, s)
    draw_book(c, 0, 0, s)
    return c


def picture_known(s=24):
    c = Canvas(s, s)
    draw_check(c, 0, 0.02 * s, s, 0.2 * s, DARK_GREEN)
    draw_check(c, 0, 0.02 * s, s, 0.12 * s, (58, 166, 68))
    return c


def picture_unknown(s=24):
    c = Canvas(s, s)
    draw_cross(c, 0, 0, s, 0.2 * s, DARK_RED)
    draw_cross(c, 0, 0, s, 0.12 * s, (220, 60, 60))
    return c


def picture_verify(s=24):
    c = Canvas(s, s)
    w = max(1.5, s / 12)
    for i, length in enumerate((0.8, 0.6, 0.4)):
        c.line(0.1 * s, (0.22 + 0.2 * i) * s, (0.1 + length) * s, (0.22 + 0.2 * i) * s, w, STEEL)
    draw_badge(c, 0.7 * s, 0.72 * s, 0.26 * s, GREEN, DARK_GREEN)
    draw_check(c, 0.5 * s, 0.52 * s, 0.4 * s, 0.08 * s, WHITE)
    return c


def picture_print(s=24):
    c = Canvas(s, s)
    c.rect(0.26 * s, 0.06 * s, 0.74 * s, 0.4 * s, (120, 120, 130))
    c.rect(0.3 * s, 0.1 * s, 0.7 * s, 0.4 * s, WHITE)
    c.round_rect(0.06 * s, 0.34 * s, 0.94 * s, 0.74 * s, 0.08 * s, STEEL)
    c.circle(0.8 * s, 0.46 * s, 0.04 * s, (120, 220, 120))
    c.rect(0.26 * s, 0.6 * s, 0.74 * s, 0.94 * s, (120, 120, 130))
    c.rect(0.3 * s, 0.6 * s, 0.7 * s, 0.9 * s, WHITE)
    for i in range(2):
        c.line(0.36 * s, (0.7 + 0.1 * i) * s, 0.64 * s, (0.7 + 0.1 * i) * s, max(1.0, s / 24), (170, 170, 180))
    return c


def icon_check(s):
    c = Canvas(s, s)
    draw_badge(c, s / 2, s / 2, 0.46 * s, GREEN, DARK_GREEN)
    draw_check(c, 0.14 * s, 0.1 * s, 0.72 * s, 0.13 * s, WHITE)
    return c


def icon_cancel(s):
    c = Canvas(s, s)
    draw_badge(c, s / 2, s / 2, 0.46 * s, RED, DARK_RED)
    draw_cross(c, 0.14 * s, 0.14 * s, 0.72 * s, 0.13 * s, WHITE)
    return c


def icon_bin(s):
    c = Canvas(s, s)
    body, dark = (130, 140, 160), (80, 90, 110)
    c.rect(0.14 * s, 0.16 * s, 0.86 * s, 0.26 * s, dark)
    c.rect(0.38 * s, 0.07 * s, 0.62 * s, 0.17 * s, dark)
    c.polygon([(0.2 * s, 0.3 * s), (0.8 * s, 0.3 * s), (0.74 * s, 0.94 * s), (0.26 * s, 0.94 * s)], body)
    for x in (0.38, 0.5, 0.62):
        c.line(x * s, 0.4 * s, x * s, 0.84 * s, max(1.0, 0.06 * s), dark)
    draw_badge(c, 0.74 * s, 0.72 * s, 0.25 * s, RED, DARK_RED)
    draw_cross(c, 0.56 * s, 0.54 * s, 0.36 * s, max(1.2, 0.08 * s), WHITE)
    return c


def icon_picture(s):
    c = Canvas(s, s)
    c.rect(0.06 * s, 0.16 * s, 0.94 * s, 0.84 * s, STEEL)
    inset = max(1.0, 0.07 * s)
    c.gradient(0.06 * s + inset, 0.16 * s + inset, 0.94 * s - inset, 0.84 * s - inset, (150, 200, 245), (220, 236, 250))
    c.circle(0.68 * s, 0.36 * s, 0.09 * s, GOLD)
    c.polygon([(0.06 * s + inset, 0.84 * s - inset), (0.36 * s, 0.42 * s), (0.58 * s, 0.84 * s - inset)], GREEN)
    c.polygon([(0.42 * s, 0.84 * s - inset), (0.66 * s, 0.56 * s), (0.94 * s - inset, 0.84 * s - inset)], DARK_GREEN)
    return c


def icon_gear(s):
    c = Canvas(s, s)
    cx = cy = s / 2
    teeth = 8

    def inside(x, y):
        d = math.hypot(x - cx, y - cy)
        angle = math.atan2(y - cy, x - cx)
        tooth = math.cos(angle * teeth) > 0.2
        return 0.16 * s <= d <= (0.47 if tooth else 0.36) * s
    c.fill(inside, STEEL)
    c.ring(cx, cy, 0.27 * s, 0.06 * s, (70, 80, 100))
    return c


def icon_back(s):
    c = Canvas(s, s)
    draw_badge(c, s / 2, s / 2, 0.46 * s, BLUE, (30, 70, 130))
    c.polygon([(0.22 * s, 0.5 * s), (0.5 * s, 0.24 * s), (0.5 * s, 0.76 * s)], WHITE)
    c.rect(0.46 * s, 0.42 * s, 0.76 * s, 0.58 * s, WHITE)
    return c


def icon_book_badge(s, badge):
    c = Canvas(s, s)
    draw_book(c, 0, 0, s)
    badge(c, s)
    return c


def badge_plus(c, s):
    draw_badge(c, 0.74 * s, 0.74 * s, 0.25 * s, GREEN, DARK_GREEN)
    w = max(1.2, 0.08 * s)
    c.line(0.62 * s, 0.74 * s, 0.86 * s, 0.74 * s, w, WHITE)
    c.line(0.74 * s, 0.62 * s, 0.74 * s, 0.86 * s, w, WHITE)


def badge_open(c, s):
    draw_badge(c, 0.74 * s, 0.74 * s, 0.25 * s, GOLD, DARK_ORANGE)
    c.polygon([(0.62 * s, 0.8 * s), (0.74 * s, 0.62 * s), (0.86 * s, 0.8 * s)], WHITE)


def icon_sync(s):
    c = Canvas(s, s)
    r, w = 0.33 * s, max(1.5, 0.12 * s)
    c.ring(s / 2, s / 2, r, w, GREEN, 30, 170)
    c.ring(s / 2, s / 2, r, w, BLUE, 210, 350)
    c.polygon([(0.06 * s, 0.4 * s), (0.28 * s, 0.4 * s), (0.17 * s, 0.58 * s)], GREEN)
    c.polygon([(0.72 * s, 0.6 * s), (0.94 * s, 0.6 * s), (0.83 * s, 0.42 * s)], BLUE)
    return c


def icon_dictionary_tab(s):
    c = Canvas(s, s)
    c.round_rect(0.16 * s, 0.06 * s, 0.84 * s, 0.94 * s, 0.06 * s, BLUE)
    c.rect(0.22 * s, 0.8 * s, 0.84 * s, 0.9 * s, PAPER)
    c.rect(0.3 * s, 0.22 * s, 0.72 * s, 0.42 * s, (225, 238, 252))
    c.ring(0.46 * s, 0.6 * s, 0.1 * s, max(1.0, 0.05 * s), WHITE)
    c.line(0.53 * s, 0.67 * s, 0.66 * s, 0.78 * s, max(1.0, 0.06 * s), WHITE)
    return c


def icon_tutor_tab(s):
    c = Canvas(s, s)
    c.polygon([(0.02 * s, 0.4 * s), (0.5 * s, 0.18 * s), (0.98 * s, 0.4 * s), (0.5 * s, 0.62 * s)], (40, 50, 70))
    c.polygon([(0.24 * s, 0.5 * s), (0.5 * s, 0.62 * s), (0.76 * s, 0.5 * s), (0.76 * s, 0.76 * s),
               (0.5 * s, 0.86 * s), (0.24 * s, 0.76 * s)], (60, 72, 96))
    c.line(0.86 * s, 0.44 * s, 0.86 * s, 0.74 * s, max(1.0, 0.05 * s), GOLD)
    c.circle(0.86 * s, 0.76 * s, 0.06 * s, GOLD)
    return c


def main():
    sizes = (16, 24, 32, 48)
    write("icon/316.ico", ico_bytes([icon_info(s) for s in sizes]))
    write("icon/337.ico", ico_bytes([icon_close(s) for s in sizes]))
    write("icon/366.ico", ico_bytes([icon_trainer(s) for s in sizes]))
    write("icon/367.ico", ico_bytes([icon_keyboard(s) for s in sizes]))
    write("png/401.png", png_bytes(arrow_strip()))
    write("png/422.png", png_bytes(update_picture(GREEN)))
    write("png/424.png", png_bytes(logo(draw_book, BLUE)))
    write("png/425.png", png_bytes(logo(draw_keyboard, (70, 70, 80))))
    write("png/426.png", png_bytes(update_picture(BLUE)))
    write("png/427.png", png_bytes(agreement_seal()))
    write("png/428.png", png_bytes(agreement_banner()))

    # The status pictures are 24 x 24 as the list's; the buttons' pictures
    # 20 x 20, so that a caption fits beside them on the narrow buttons.
    button = 20
    pictures = {404: picture_blank,
                405: lambda: picture_create(button), 406: lambda: picture_edit(button),
                407: lambda: picture_delete(button), 408: lambda: picture_import(button),
                409: lambda: picture_export(button), 410: lambda: picture_quiz(button),
                411: lambda: picture_learn(button),
                413: lambda: draw_status(24, 0.25, DARK_ORANGE, ORANGE),
                415: lambda: draw_status(24, 0.75, DARK_ORANGE, ORANGE),
                417: status_mastered, 418: lambda: picture_known(button), 419: lambda: picture_unknown(button),
                420: lambda: picture_verify(button), 421: lambda: picture_print(button),
                423: lambda: icon_cancel(button)}
    for number, draw in pictures.items():
        write("png/%d.png" % number, png_bytes(draw()))

    # Icons in pairs: the coloured one and the grey copy a disabled button shows.
    icons = {302: (icon_bin, 303), 316: (icon_info, 317), 318: (icon_picture, None),
             319: (icon_check, 358), 320: (icon_cancel, 359), 326: (icon_gear, None),
             335: (icon_back, 336), 344: (lambda s: icon_book_badge(s, badge_plus), 345),
             346: (lambda s: icon_book_badge(s, badge_open), 347), 352: (icon_sync, None),
             364: (icon_tutor_tab, None), 365: (icon_dictionary_tab, None)}
    for number, (draw, grey) in icons.items():
        canvases = [draw(s) for s in sizes]
        if number != 316:
            write("icon/%d.ico" % number, ico_bytes(canvases))
        if grey:
            write("icon/%d.ico" % grey, ico_bytes([grey_copy(c) for c in canvases]))
    write("icon/322.ico", ico_bytes([grey_copy(c) for c in ico_canvases("icon/321.ico")]))


if __name__ == "__main__":
    main()
