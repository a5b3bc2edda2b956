#!/usr/bin/env python3
"""Draws the pictures of install.exe: the background (131), the eight spinner
frames (132-139), the spare picture (149) as 24-bit BMPs and the program icon
(128) as a 32-bit ICO with 32x32 and 16x16 images.

    make_art.py OUTPUT_FOLDER

Standard library only, so the build needs nothing beyond Python."""

import math
import os
import struct
import sys

# 5x7 capitals for the few words on the background.
FONT = {
    "A": ".###.#...##...#######...##...##...#", "B": "####.#...##...#####.#...##...#####.",
    "C": ".###.#...##....#....#....#...#.###.", "D": "####.#...##...##...##...##...#####.",
    "E": "######....#....####.#....#....#####", "F": "######....#....####.#....#....#....",
    "G": ".###.#...##....#.####...##...#.####", "H": "#...##...##...#######...##...##...#",
    "I": ".###...#....#....#....#....#...###.", "J": "..###...#....#....#....#.#..#..##..",
    "K": "#...##..#.#.#..##...#.#..#..#.#...#", "L": "#....#....#....#....#....#....#####",
    "M": "#...###.###.#.##.#.##...##...##...#", "N": "#...##...###..##.#.##..###...##...#",
    "O": ".###.#...##...##...##...##...#.###.", "P": "####.#...##...#####.#....#....#....",
    "Q": ".###.#...##...##...##.#.##..#..##.#", "R": "####.#...##...#####.#.#..#..#.#...#",
    "S": ".#####....#.....###.....#....#####.", "T": "#####..#....#....#....#....#....#..",
    "U": "#...##...##...##...##...##...#.###.", "V": "#...##...##...##...##...#.#.#...#..",
    "W": "#...##...##...##.#.##.#.##.#.#.#.#.", "X": "#...##...#.#.#...#...#.#.#...##...#",
    "Y": "#...##...#.#.#...#....#....#....#..", "Z": "#####....#...#...#...#...#....#####",
    ".": ".........................##...##...", ",": "....................##....#...#....",
    "-": "...............#####...............", " ": "." * 35,
}

WHITE = (255, 255, 255)
CARD = (244, 246, 251)        # the spinner's card; frames share it so they sit seamlessly
NAVY_TOP = (29, 46, 82)
NAVY_BOTTOM = (12, 22, 44)
ORANGE = (255, 140, 26)       # the spinner's head; tests look for it
DOT_IDLE = (201, 210, 227)
SKY = (159, 195, 255)


class Canvas:
    def __init__(self, width, height, color=(0, 0, 0), alpha=1.0):
        self.width, self.height = width, height
        self.rgb = [[list(color) for _ in range(width)] for _ in range(height)]
        self.alpha = [[alpha] * width for _ in range(height)]

    def blend(self, x, y, color, amount):
        if amount <= 0 or not (0 <= x < self.width and 0 <= y < self.height):
            return
        amount = min(amount, 1.0)
        px = self.rgb[y][x]
        for i in range(3):
            px[i] += (color[i] - px[i]) * amount
        self.alpha[y][x] += (1.0 - self.alpha[y][x]) * amount

    def shape(self, distance, color, box, opacity=1.0):
        """Fills where the signed distance (negative inside) says, with a one-pixel soft edge."""
        x0, y0, x1, y1 = (int(v) for v in box)
        for y in range(max(0, y0 - 1), min(self.height, y1 + 2)):
            for x in range(max(0, x0 - 1), min(self.width, x1 + 2)):
                d = distance(x + 0.5, y + 0.5)
                self.blend(x, y, color, max(0.0, min(1.0, 0.5 - d)) * opacity)

    def circle(self, cx, cy, r, color, opacity=1.0):
        self.shape(lambda x, y: math.hypot(x - cx, y - cy) - r, color, (cx - r, cy - r, cx + r, cy + r), opacity)

    def round_rect(self, x0, y0, x1, y1, r, color, opacity=1.0):
        cx, cy, hw, hh = (x0 + x1) / 2, (y0 + y1) / 2, (x1 - x0) / 2 - r, (y1 - y0) / 2 - r

        def distance(x, y):
            qx, qy = abs(x - cx) - hw, abs(y - cy) - hh
            return math.hypot(max(qx, 0), max(qy, 0)) + min(max(qx, qy), 0) - r
        self.shape(distance, color, (x0, y0, x1, y1), opacity)

    def polygon(self, points, color):
        """A convex polygon, clockwise on screen."""
        def distance(x, y):
            worst = -1e9
            for (ax, ay), (bx, by) in zip(points, points[1:] + points[:1]):
                nx, ny = by - ay, -(bx - ax)
                length = math.hypot(nx, ny)
                worst = max(worst, ((x - ax) * nx + (y - ay) * ny) / length)
            return worst
        xs, ys = [p[0] for p in points], [p[1] for p in points]
        self.shape(distance, color, (min(xs), min(ys), max(xs), max(ys)))

    def text(self, x, y, words, scale, color, shadow=None):
        for layer, (dx, dy, c) in enumerate([(1, 1, shadow), (0, 0, color)]):
            if c is None:
                continue
            cx = x
            for ch in words:
                glyph = FONT[ch]
                for row in range(7):
                    for col in range(5):
                        if glyph[row * 5 + col] == "#":
                            for sy in range(scale):
                                for sx in range(scale):
                                    self.blend(cx + col * scale + sx + dx, y + row * scale + sy + dy, c, 1.0)
                cx += 6 * scale

    def sparkle(self, cx, cy, size, color):
        """A four-pointed glint."""
        for x in range(int(cx - size) - 1, int(cx + size) + 2):
            for y in range(int(cy - size) - 1, int(cy + size) + 2):
                dx, dy = abs(x + 0.5 - cx), abs(y + 0.5 - cy)
                # Two thin diamonds crossed: bright along the axes, fading outwards.
                ray = max(0.0, 1.0 - (dx / size + dy / (size * 0.18))) + max(0.0, 1.0 - (dy / size + dx / (size * 0.18)))
                glow = max(0.0, 1.0 - math.hypot(dx, dy) / (size * 0.45)) * 0.5
                self.blend(x, y, color, min(1.0, ray + glow))


def text_width(words, scale):
    return len(words) * 6 * scale - scale


def write_bmp(path, canvas):
    row_size = (canvas.width * 3 + 3) & ~3
    pixels = bytearray()
    for y in range(canvas.height - 1, -1, -1):
        row = bytearray()
        for r, g, b in canvas.rgb[y]:
            row += bytes((round(b), round(g), round(r)))
        pixels += row + b"\0" * (row_size - len(row))
    header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, canvas.width, canvas.height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + pixels)


def write_ico(path, canvases):
    images = []
    for c in canvases:
        xor = bytearray()
        mask_row = ((c.width + 31) // 32) * 4
        mask = bytearray()
        for y in range(c.height - 1, -1, -1):
            bits = bytearray(mask_row)
            for x in range(c.width):
                r, g, b = c.rgb[y][x]
                a = c.alpha[y][x]
                xor += bytes((round(b), round(g), round(r), round(a * 255)))
                if a < 0.5:
                    bits[x // 8] |= 0x80 >> (x % 8)
            mask += bits
        info = struct.pack("<IiiHHIIiiII", 40, c.width, c.height * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
        images.append(info + xor + mask)
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for c, data in zip(canvases, images):
        out += struct.pack("<BBBBHHII", c.width % 256, c.height % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(path, "wb") as f:
        f.write(out + b"".join(images))


# The frame control sits at about (9, 32) and is 86 x 93; the card leaves a few
# pixels of room because dialog units turn into pixels by the font's size.
CARD_BOX = (3, 24, 101, 134)


def background():
    c = Canvas(470, 165)
    for y in range(c.height):
        t = y / (c.height - 1)
        row = [NAVY_TOP[i] + (NAVY_BOTTOM[i] - NAVY_TOP[i]) * t for i in range(3)]
        for x in range(c.width):
            c.rgb[y][x] = [v + 10 * (x / c.width) for v in row]
    c.round_rect(*CARD_BOX, 10, CARD)
    c.text(120, 30, "GLINTBOX SETUP", 3, WHITE, shadow=(5, 10, 24))
    c.text(121, 68, "INSTALLING, PLEASE WAIT...", 2, SKY)
    for x in range(121, 455):
        fade = 1.0 - (x - 121) / (455 - 121)
        c.blend(x, 94, ORANGE, fade)
        c.blend(x, 95, ORANGE, fade * 0.5)
    c.text(121, 106, "THE SETUP PROGRAMS RUN ONE AFTER ANOTHER.", 1, (150, 168, 200))
    c.text(121, 118, "THIS WINDOW CLOSES BY ITSELF WHEN THEY ARE DONE.", 1, (150, 168, 200))
    c.sparkle(430, 36, 13, (255, 231, 170))
    c.sparkle(452, 60, 6, (200, 220, 255))
    c.sparkle(410, 140, 8, (200, 220, 255))
    return c


def spinner_frame(step):
    """Frame step (0-7): eight dots on a ring, the orange head moving clockwise
    from the top with a fading tail."""
    c = Canvas(86, 93, CARD)
    cx, cy, ring = 43, 40, 25
    for i in range(8):
        angle = math.radians(-90 + 45 * i)
        x, y = cx + ring * math.cos(angle), cy + ring * math.sin(angle)
        age = (step - i) % 8
        heat = {0: 1.0, 1: 0.55, 2: 0.3}.get(age, 0.0)
        color = tuple(DOT_IDLE[k] + (ORANGE[k] - DOT_IDLE[k]) * heat for k in range(3))
        c.circle(x, y, 5.0 + 2.0 * heat, color)
    word = "WAIT"
    c.text((86 - text_width(word, 1)) // 2, 78, word, 1, (110, 124, 150))
    return c


def spare_picture():
    c = Canvas(61, 75, CARD)
    c.round_rect(8, 22, 53, 62, 3, (214, 160, 92))
    c.round_rect(8, 22, 53, 31, 3, (190, 135, 70))
    c.round_rect(27, 22, 34, 62, 1, (240, 214, 160))
    c.sparkle(47, 12, 8, ORANGE)
    return c


def icon(size):
    c = Canvas(size, size, (0, 0, 0), alpha=0.0)
    s = size / 32.0
    c.round_rect(1 * s, 1 * s, 31 * s, 31 * s, 6 * s, (34, 82, 168))
    c.round_rect(1 * s, 1 * s, 31 * s, 16 * s, 6 * s, (58, 112, 210), opacity=0.55)
    # A downward arrow into a tray.
    c.round_rect(13.5 * s, 6 * s, 18.5 * s, 17 * s, 0.5 * s, WHITE)
    c.polygon([(8 * s, 15 * s), (24 * s, 15 * s), (16 * s, 23 * s)], WHITE)
    c.round_rect(7 * s, 24 * s, 25 * s, 27 * s, 1 * s, (255, 170, 60))
    if size >= 32:
        c.sparkle(25 * s, 8 * s, 5 * s, (255, 231, 170))
    return c


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "."
    os.makedirs(out, exist_ok=True)
    write_bmp(os.path.join(out, "background.bmp"), background())
    for step in range(8):
        write_bmp(os.path.join(out, "frame%d.bmp" % (step + 1)), spinner_frame(step))
    write_bmp(os.path.join(out, "spare.bmp"), spare_picture())
    write_ico(os.path.join(out, "install.ico"), [icon(32), icon(16)])


if __name__ == "__main__":
    main()
