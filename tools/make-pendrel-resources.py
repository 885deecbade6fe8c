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


if __name__ == "__main__":
    main()
