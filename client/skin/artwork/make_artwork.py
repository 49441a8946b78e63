#!/usr/bin/env python3
"""Draws the skin engine's built-in artwork into the directory named on the command line.

  frame_sheet.png    translucent overlays that GDI+ draws over the banner (skin colour or picture)
  control_sheet.bmp  push buttons, check boxes and radio buttons: 24 bits, magenta around frames
  frame_sheet_150.png, control_sheet_150.bmp, frame_sheet_200.png, control_sheet_200.bmp
                     the same two sheets drawn again at 150 % and 200 % for screens of higher DPI
  tab_icon.ico       the default tab icon, 32 x 32 and the larger sizes of TAB_ICON_SIZES
  velmora.ico        the program icon at the sizes of PROGRAM_ICON_SIZES
  ico/1.ico .. 7.ico the main window's tab pictures, shipped in the program's ico folder
  preview.png        for the eye only: the sheets and icons at three times their size

The larger sheets are drawn at their scale, not enlarged: every piece of the 100 % sheet sits at
its design rectangle scaled by its edges (as Scale in client/runtime/dpi_scale.h rounds: x * s,
a half rounded up), rounded corners are drawn again at the scaled radius, and the one-pixel lines
of the design are round(s) device pixels thick (2 at 150 % and 200 %), their edges on whole
pixels, so that the engine copies them 1:1 at 144 and 192 DPI and nothing is blurred by a stretch.
At 100 % every function below draws exactly the pixels it always has.

Standard library only, no clock and no randomness: the same script writes the same bytes, so the
build can regenerate the files at will.
"""
import math
import os
import struct
import sys
import zlib

SKIN = (14, 179, 210)  # the skin colour before any setting is read
WHITE, BLACK = (255, 255, 255), (0, 0, 0)
MAGENTA = (255, 0, 255)
# What the push-button frames show outside their rounded border. The control sheet is copied
# opaquely, so these few corner pixels cover the dialog behind the button; a near-white neutral
# sits unnoticed on the light panels the controls are placed on.
BUTTON_SURROUND = (250, 250, 250)


class Image:
    """Straight (not premultiplied) RGBA pixels: colour 0-255, alpha 0-1."""

    def __init__(self, w, h, rgb=BLACK, a=0.0):
        self.w, self.h = w, h
        self.px = [[*rgb, a] for _ in range(w * h)]

    def blend(self, x, y, rgb, a):
        """Source-over of one pixel."""
        if a <= 0 or not (0 <= x < self.w and 0 <= y < self.h):
            return
        p = self.px[y * self.w + x]
        out = a + p[3] * (1 - a)
        for k in range(3):
            p[k] = (rgb[k] * a + p[k] * p[3] * (1 - a)) / out
        p[3] = out

    def rgba8(self, x, y):
        r, g, b, a = self.px[y * self.w + x]
        a = round(a * 255)
        return (round(r), round(g), round(b), a) if a else (0, 0, 0, 0)


# --- Shapes: predicates on a point in pixel coordinates (pixel x covers [x, x + 1)). ---

def everywhere(px, py):
    return True


def rrect(x0, y0, x1, y1, r):
    """A rectangle with corners rounded by radius r."""
    def inside(px, py):
        if not (x0 <= px < x1 and y0 <= py < y1):
            return False
        cx, cy = min(max(px, x0 + r), x1 - r), min(max(py, y0 + r), y1 - r)
        return (px - cx) ** 2 + (py - cy) ** 2 <= r * r
    return inside


def rects(*boxes):
    """A union of pixel-aligned rectangles (x, y, w, h)."""
    return lambda px, py: any(x <= px < x + w and y <= py < y + h for x, y, w, h in boxes)


def bitmap(x, y, rows):
    """Pixel art: '#' marks a pixel; row 0 at y."""
    return rects(*[(x + i, y + j, 1, 1) for j, row in enumerate(rows) for i, c in enumerate(row) if c == '#'])


def circle(cx, cy, r):
    return lambda px, py: (px - cx) ** 2 + (py - cy) ** 2 <= r * r


def polyline(points, width):
    def inside(px, py):
        for (ax, ay), (bx, by) in zip(points, points[1:]):
            dx, dy = bx - ax, by - ay
            t = min(max(((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy), 0.0), 1.0)
            if (px - ax - t * dx) ** 2 + (py - ay - t * dy) ** 2 <= width * width / 4:
                return True
        return False
    return inside


def either(*shapes):
    return lambda px, py: any(s(px, py) for s in shapes)


def minus(shape, hole):
    return lambda px, py: shape(px, py) and not hole(px, py)


def moved(shape, dx, dy):
    return lambda px, py: shape(px - dx, py - dy)


def ramp(y0, y1, v0, v1):
    """A function of the row: v0 on row y0 changing evenly to v1 on row y1, held beyond."""
    def at(y):
        t = min(max((y - y0) / (y1 - y0), 0.0), 1.0)
        if isinstance(v0, tuple):
            return tuple(a + (b - a) * t for a, b in zip(v0, v1))
        return v0 + (v1 - v0) * t
    return at


def scaler(s):
    """The design's pixel v at scale s, rounded as the engine's Scale rounds: a half up."""
    return lambda v: int(math.floor(v * s + 0.5))


def scaled_box(S, x, y, w, h):
    """A design box (x, y, w, h) at a scale, by its edges, so that touching boxes still touch."""
    return S(x), S(y), S(x + w) - S(x), S(y + h) - S(y)


def scaled_rects(S, *boxes):
    return rects(*[scaled_box(S, *b) for b in boxes])


def enlarged(shape, s):
    """A shape of design coordinates drawn at scale s: smooth outlines are redrawn, not enlarged."""
    if s == 1:
        return shape
    return lambda px, py: shape(px / s, py / s)


def coverage(shape, x, y, n):
    """The share of n x n samples of pixel (x, y) inside the shape; n = 1 samples the centre only,
    which gives hard edges."""
    return sum(shape(x + (i + .5) / n, y + (j + .5) / n) for i in range(n) for j in range(n)) / (n * n)


def paint(img, shape, box, colour, a=1.0, n=4):
    """Blends colour (RGB, or a function of the row) at opacity a (a number or a function of the
    row) over the pixels of box (x, y, w, h), each by its coverage of the shape."""
    bx, by, bw, bh = box
    for y in range(by, by + bh):
        rgb = colour(y) if callable(colour) else colour
        alpha = a(y) if callable(a) else a
        for x in range(bx, bx + bw):
            img.blend(x, y, rgb, alpha * coverage(shape, x, y, n))


def soft_shadow(img, shape, box, a, dy=1):
    """A blurred copy of the shape in black, dy rows lower: makes a white glyph read on any colour."""
    bx, by, bw, bh = box
    cov = {(x, y): coverage(shape, x, y, 4) for x in range(bx - 2, bx + bw + 2) for y in range(by - 2, by + bh + 2)}
    for y in range(by - 1, by + bh + 2):
        for x in range(bx - 1, bx + bw + 1):
            near = [cov.get((x + i, y - dy + j), 0.0) for i in (-1, 0, 1) for j in (-1, 0, 1)]
            img.blend(x, y, BLACK, a * sum(near) / 9)


# --- The frame sheet ---

BUTTON_ROWS = (145, 165, 185)  # normal, hover, pressed; each 19 high


def caption_glyphs(s=1):
    """Glyphs in button coordinates (27 x 19, the close button 40 x 19, both at scale s), keyed by
    sheet column."""
    S = scaler(s)
    line = S(1)

    def box(x, y, w, h):
        return rects(scaled_box(S, x, y, w, h))

    def outline(x, y, w, h):
        X, Y, W, H = scaled_box(S, x, y, w, h)
        return minus(rects((X, Y, W, H)), rects((X + line, Y + line, W - 2 * line, H - 2 * line)))
    rows = [".###.", "#...#", "....#", "...#.", "..#..", "..#..", ".....", "..#.."]
    help_mark = scaled_rects(S, *[(11 + i, 5 + j, 1, 1) for j, row in enumerate(rows)
                                  for i, c in enumerate(row) if c == '#'])
    menu = scaled_rects(S, (10, 8, 7, 1), (11, 9, 5, 1), (12, 10, 3, 1), (13, 11, 1, 1))
    minimise = rects((S(9), S(9), S(18) - S(9), line))
    maximise = outline(9, 5, 9, 9)
    restore = either(outline(9, 7, 7, 7), minus(outline(11, 5, 7, 7), box(9, 7, 7, 7)))

    def stroke(a, b):
        return polyline([(a[0] * s, a[1] * s), (b[0] * s, b[1] * s)], 1.15 * s)
    close = either(stroke((16.5, 5.5), (24.5, 13.5)), stroke((24.5, 5.5), (16.5, 13.5)))
    return [(0, 27, help_mark), (27, 27, None), (54, 27, menu), (81, 27, minimise), (108, 27, maximise),
            (135, 27, restore), (162, 40, close)]


def frame_sheet(s=1):
    S = scaler(s)
    line = S(1)  # a design hairline: 1 pixel at 100 %, 2 at 150 % and 200 %
    img = Image(S(205), S(260))
    # Gloss, stretched across the whole window top: it may change only downwards.
    gloss = S(40)
    paint(img, everywhere, (0, 0, S(150), gloss), WHITE, lambda y: 0.28 * (1 - y / gloss) * (1 - y / gloss), n=1)
    paint(img, everywhere, (0, 0, S(150), line), WHITE, 0.18, n=1)
    # Status strip, stretched over the status band: a light top line, then darker fading lighter.
    strip_x, strip_w = S(180), S(200) - S(180)
    paint(img, everywhere, (strip_x, 0, strip_w, line), WHITE, 0.3, n=1)
    paint(img, everywhere, (strip_x, line, strip_w, S(26) - line), BLACK, ramp(line, S(25), 0.16, 0.03), n=1)
    # Size grip: six dots down to the corner, each with a shadow; the last row and column stay free.
    dot = S(2)
    for i in range(3):
        for j in range(2 - i, 3):
            x, y = S(180 + 4 * i), S(26 + 4 * j)
            paint(img, everywhere, (x + line, y + line, dot, dot), BLACK, 0.4, n=1)
            paint(img, everywhere, (x, y, dot, dot), WHITE, 0.85, n=1)
    # Border template: a dark outer line and a light inner line, following the window's rounding.
    x, y, w, h = scaled_box(S, 0, 90, 60, 52)
    r = 2.5 * s
    outer = rrect(x, y, x + w, y + h, r)
    middle = rrect(x + line, y + line, x + w - line, y + h - line, max(r - line, 0))
    inner = rrect(x + 2 * line, y + 2 * line, x + w - 2 * line, y + h - 2 * line, max(r - 2 * line, 0))
    paint(img, minus(outer, middle), (x, y, w, h), BLACK, 0.55)
    paint(img, minus(middle, inner), (x, y, w, h), WHITE, 0.24)
    # Tab backgrounds: hover, then pressed or selected, which sinks in under a soft shade.
    # A faint dark rim outside the light outline keeps them visible on pale skins too.
    for design_x, fill, edge, rim in ((60, 0.18, 0.36, 0.1), (120, 0.34, 0.55, 0.16)):
        box = scaled_box(S, design_x, 90, 60, 52)
        x, y, w, h = box
        r = 4 * s
        outer = rrect(x, y, x + w, y + h, r)
        middle = rrect(x + line, y + line, x + w - line, y + h - line, r - line)
        inner = rrect(x + 2 * line, y + 2 * line, x + w - 2 * line, y + h - 2 * line, r - 2 * line)
        paint(img, inner, box, WHITE, fill)
        if design_x == 120:
            top = y + 2 * line
            paint(img, inner, (x, top, w, S(99) - top), BLACK, ramp(top, S(99), 0.13, 0.0))
        paint(img, minus(middle, inner), box, WHITE, edge)
        paint(img, minus(outer, middle), box, BLACK, rim)
    # Caption buttons: columns of glyphs, rows of looks.
    for bx, bw, glyph in caption_glyphs(s):
        for look, by in enumerate(BUTTON_ROWS):
            box = scaled_box(S, bx, by, bw, 19)
            x, y, w, h = box
            back = rrect(x, y, x + w, y + h, 3 * s)
            if bx == 162 and look:  # close turns red, as the system's own does
                paint(img, back, box, (232, 17, 35) if look == 1 else (160, 12, 26), 0.86)
            elif look:
                paint(img, back, box, WHITE if look == 1 else BLACK, 0.24)
            if glyph:
                shape = moved(glyph, x, y)
                paint(img, moved(shape, line, line), box, BLACK, 0.5)
                paint(img, shape, box, WHITE, 1.0)
    return img


# --- The control sheet ---

def control_sheet(s=1):
    S = scaler(s)
    line = S(1)
    img = Image(S(160), S(55), MAGENTA, 1.0)
    # Push buttons, drawn as a nine-grid with 5-pixel margins (scaled with the sheet): the rounding
    # stays inside the corners and everything else changes only downwards, so any stretch keeps
    # the look.
    buttons = [((173, 173, 173), (253, 253, 253), (233, 233, 233)),   # normal
               ((126, 180, 234), (236, 244, 252), (220, 236, 252)),   # hover
               ((86, 157, 229), (204, 228, 247), (196, 222, 244)),    # pressed
               ((191, 191, 191), (244, 244, 244), (244, 244, 244))]   # disabled
    for i, (edge, top, bottom) in enumerate(buttons):
        box = scaled_box(S, 40 * i, 0, 40, 23)
        x, y, w, h = box
        paint(img, everywhere, box, BUTTON_SURROUND, n=1)
        paint(img, rrect(x, y, x + w, y + h, 2.5 * s), box, edge)
        paint(img, rrect(x + line, y + line, x + w - line, y + h - line, 2.5 * s - line), box,
              ramp(line, S(21), top, bottom))
    # Check boxes and radio buttons go through TransparentBlt with magenta as the key: their outer
    # edge is whole pixels (a blend with magenta would leave a pink fringe). Inside, over their own
    # opaque fill, the marks may be smooth.
    toggles = [((118, 118, 118), WHITE),            # normal
               ((51, 141, 227), (243, 249, 255)),   # hover
               ((31, 110, 200), (204, 228, 247)),   # pressed
               ((191, 191, 191), (244, 244, 244))]  # disabled
    for checked in (False, True):
        for i, (edge, fill) in enumerate(toggles):
            mark = (150, 150, 150) if i == 3 else (34, 160, 60)
            x = 15 * i + 60 * checked
            bx, by, bw, bh = scaled_box(S, x + 1, 26, 13, 13)
            cell = scaled_box(S, x, 25, 15, 15)
            inside = (bx + line, by + line, bw - 2 * line, bh - 2 * line)
            paint(img, rects((bx, by, bw, bh)), cell, edge, n=1)
            paint(img, rects(inside), cell, fill, n=1)
            if checked:
                tick = polyline([((x + 4.2) * s, 32.6 * s), ((x + 6.6) * s, 35.0 * s), ((x + 10.9) * s, 29.6 * s)],
                                2.0 * s)
                paint(img, tick, inside, mark)
            paint(img, circle((x + 7.5) * s, 47.5 * s, 6.5 * s), scaled_box(S, x, 40, 15, 15), edge, n=1)
            paint(img, circle((x + 7.5) * s, 47.5 * s, 5.4 * s), scaled_box(S, x + 2, 42, 11, 11), fill)
            if checked:
                paint(img, circle((x + 7.5) * s, 47.5 * s, 2.7 * s), scaled_box(S, x + 4, 44, 7, 7), mark)
    return img


# --- Icons ---

# The sizes Windows asks an icon file for: the tab pictures are 32 design pixels (40 at 125 %, 48
# at 150 %, 56 at 175 %, 64 at 200 %); the program icon is 16 in a caption and 32 and 48 in the
# shell's views, scaled the same way.
TAB_ICON_SIZES = (32, 40, 48, 56, 64)
PROGRAM_ICON_SIZES = (16, 20, 24, 32, 40, 48, 64)


def tab_icon(size=32):
    """A white page with a folded corner and a small chart: the generic page of a tab."""
    s = size / 32
    S = scaler(s)
    img = Image(size, size)
    page = enlarged(minus(rrect(7, 3, 25, 29, 1.5), lambda px, py: px - py > 15), s)
    fold = enlarged(lambda px, py: px >= 18 and py <= 10 and px - py <= 15, s)
    soft_shadow(img, page, scaled_box(S, 7, 3, 18, 26), 0.55, S(1))
    paint(img, page, scaled_box(S, 7, 3, 18, 26), WHITE, 0.97)
    paint(img, fold, scaled_box(S, 18, 3, 7, 7), (196, 210, 218))
    paint(img, scaled_rects(S, (10, 7, 6, 1), (10, 10, 8, 1)), scaled_box(S, 10, 7, 8, 4), (150, 160, 170), n=1)
    paint(img, scaled_rects(S, (10, 21, 3, 5), (14, 17, 3, 9), (18, 13, 3, 13)), scaled_box(S, 10, 13, 11, 13),
          (12, 150, 180), n=1)
    return img


# The main window's seven tab pictures: an alert bell for the feed page, then a small browser
# window for each of the six web pages, told apart by the colour of its title bar.
PAGE_ACCENTS = [(232, 93, 4), (12, 150, 180), (46, 160, 67), (130, 80, 200), (200, 40, 90), (60, 90, 190)]


def bell_icon(size=32):
    s = size / 32
    S = scaler(s)
    img = Image(size, size)
    dome = either(minus(circle(16, 13, 8.5), lambda px, py: py > 13), rects((7.5, 13, 17, 8)))
    bell = enlarged(either(dome, rrect(5, 20, 27, 24, 1.5), circle(16, 26.5, 2.6), rects((15, 3, 2, 3))), s)
    soft_shadow(img, bell, scaled_box(S, 4, 2, 24, 28), 0.55, S(1))
    paint(img, bell, scaled_box(S, 4, 2, 24, 28), WHITE, 0.97)
    paint(img, scaled_rects(S, (11, 12, 2, 6)), scaled_box(S, 11, 12, 2, 6), (255, 196, 60), n=1)
    return img


def browser_icon(accent, size=32):
    s = size / 32
    S = scaler(s)
    img = Image(size, size)
    frame = enlarged(rrect(4, 6, 28, 27, 2), s)
    soft_shadow(img, frame, scaled_box(S, 4, 6, 24, 21), 0.55, S(1))
    paint(img, frame, scaled_box(S, 4, 6, 24, 21), WHITE, 0.97)
    paint(img, scaled_rects(S, (5, 7, 22, 4)), scaled_box(S, 5, 7, 22, 4), accent, n=1)
    paint(img, scaled_rects(S, (8, 14, 14, 1), (8, 17, 16, 1), (8, 20, 10, 1), (8, 23, 13, 1)),
          scaled_box(S, 8, 14, 16, 10), (150, 160, 170), n=1)
    return img


def page_icons(size=32):
    return [bell_icon(size)] + [browser_icon(a, size) for a in PAGE_ACCENTS]


def velmora_icon(s):
    """The program mark: a rounded square in the skin colour with a white rising chart line."""
    img = Image(s, s)
    r = 0.22 * s
    body = rrect(0, 0, s, s, r)
    paint(img, body, (0, 0, s, s), ramp(0, s - 1, (48, 204, 230), (8, 136, 170)))
    paint(img, minus(body, rrect(1, 1, s - 1, s - 1, r - 1)), (0, 0, s, s), (0, 84, 110), 0.55)
    points = [(0.2 * s, 0.72 * s), (0.42 * s, 0.48 * s), (0.57 * s, 0.6 * s), (0.8 * s, 0.3 * s)]
    paint(img, polyline(points, max(1.6, 0.09 * s)), (0, 0, s, s), WHITE)
    paint(img, circle(points[-1][0], points[-1][1], max(1.4, 0.075 * s)), (0, 0, s, s), WHITE)
    return img


# --- File formats ---

def png(img):
    def chunk(tag, data):
        return struct.pack('>I', len(data)) + tag + data + struct.pack('>I', zlib.crc32(tag + data))
    raw = b''.join(b'\0' + bytes(c for x in range(img.w) for c in img.rgba8(x, y)) for y in range(img.h))
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', img.w, img.h, 8, 6, 0, 0, 0)) +
            chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b''))


def bmp(img):
    """24 bits, bottom-up, rows padded to 4 bytes."""
    pad = b'\0' * (-3 * img.w % 4)
    data = b''.join(bytes(c for x in range(img.w) for c in img.rgba8(x, y)[2::-1]) + pad
                    for y in reversed(range(img.h)))
    return (struct.pack('<2sIHHI', b'BM', 54 + len(data), 0, 0, 54) +
            struct.pack('<IiiHHIIiiII', 40, img.w, img.h, 1, 24, 0, len(data), 2835, 2835, 0, 0) + data)


def ico(images):
    """32-bit BGRA entries: BITMAPINFOHEADER of twice the height, colour rows bottom-up, then the
    1-bit AND mask (set where fully transparent) for systems that ignore the alpha."""
    entries, blobs = [], []
    offset = 6 + 16 * len(images)
    for img in images:
        xor = b''.join(bytes(c for x in range(img.w) for c in (lambda p: p[2::-1] + p[3:])(img.rgba8(x, y)))
                       for y in reversed(range(img.h)))
        mask = b''
        for y in reversed(range(img.h)):
            bits = ''.join('1' if img.rgba8(x, y)[3] == 0 else '0' for x in range(img.w))
            bits += '0' * (-len(bits) % 32)
            mask += int(bits, 2).to_bytes(len(bits) // 8, 'big')
        blob = struct.pack('<IiiHHIIiiII', 40, img.w, 2 * img.h, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
        blob += xor + mask
        entries.append(struct.pack('<BBBBHHII', img.w % 256, img.h % 256, 0, 0, 1, 32, len(blob), offset))
        blobs.append(blob)
        offset += len(blob)
    return struct.pack('<HHH', 0, 1, len(images)) + b''.join(entries) + b''.join(blobs)


def preview(frame, controls, icons):
    """The frame sheet over the skin colour, the control sheet as stored, and the icons over the
    skin colour, all three times their size on a dark grey ground."""
    z, gap = 3, 12
    out = Image(frame.w * z + gap + controls.w * z, frame.h * z, (64, 64, 64), 1.0)

    def put(img, ox, oy, ground):
        for y in range(img.h):
            for x in range(img.w):
                r, g, b, a = img.px[y * img.w + x]
                for i in range(z * z):
                    out.blend(ox + x * z + i % z, oy + y * z + i // z, ground, 1.0)
                    out.blend(ox + x * z + i % z, oy + y * z + i // z, (r, g, b), a)
    put(frame, 0, 0, SKIN)
    x0 = frame.w * z + gap
    put(controls, x0, 0, BLACK)
    oy = controls.h * z + gap
    for icon in icons:
        put(icon, x0, oy, SKIN)
        x0 += icon.w * z + gap
    return out


# The scales the sheets are drawn at besides 100 %, as the engine's resources name them.
SHEET_SCALES = ((150, 1.5), (200, 2))


def main():
    if len(sys.argv) != 2:
        sys.exit('usage: make_artwork.py OUTPUT_DIRECTORY')
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    frame, controls = frame_sheet(), control_sheet()
    tabs = [tab_icon(n) for n in TAB_ICON_SIZES]
    marks = [velmora_icon(n) for n in PROGRAM_ICON_SIZES]
    files = {'frame_sheet.png': png(frame), 'control_sheet.bmp': bmp(controls), 'tab_icon.ico': ico(tabs),
             'velmora.ico': ico(marks), 'preview.png': png(preview(frame, controls, [tabs[0]] + marks[::3]))}
    for percent, s in SHEET_SCALES:
        files['frame_sheet_%d.png' % percent] = png(frame_sheet(s))
        files['control_sheet_%d.bmp' % percent] = bmp(control_sheet(s))
    pictures = [page_icons(n) for n in TAB_ICON_SIZES]
    for n, sizes in enumerate(zip(*pictures), start=1):
        files[os.path.join('ico', '%d.ico' % n)] = ico(list(sizes))
    os.makedirs(os.path.join(out, 'ico'), exist_ok=True)
    for name, data in files.items():
        with open(os.path.join(out, name), 'wb') as f:
            f.write(data)


if __name__ == '__main__':
    main()
