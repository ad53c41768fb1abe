#!/usr/bin/env python3
"""Draws the library's small bitmaps and its sound. Run once after changing a picture;
the files it writes are kept in the source tree beside the .rc file."""
import math
import os
import struct
import wave

HERE = os.path.dirname(os.path.abspath(__file__))
BITMAPS = os.path.join(HERE, "..", "bitmaps")
SOUNDS = os.path.join(HERE, "..", "sounds")

WHITE = (255, 255, 255)
BLACK = (0, 0, 0)
NAVY = (0x9C, 0, 0)[::-1]  # the heading blue, as RGB
GREY = (0xC0, 0xC0, 0xC0)
DARK = (0x40, 0x40, 0x40)
GREEN = (0, 0x80, 0)
RED = (0xC0, 0, 0)


def write_bmp(name, width, height, pixel):
    """24-bit bottom-up BMP; pixel(x, y) gives (r, g, b) with y from the top."""
    stride = (width * 3 + 3) & ~3
    rows = []
    for y in range(height - 1, -1, -1):
        row = bytearray()
        for x in range(width):
            r, g, b = pixel(x, y)
            row += bytes((b, g, r))
        row += b"\0" * (stride - width * 3)
        rows.append(bytes(row))
    bits = b"".join(rows)
    header = struct.pack("<2sIHHI", b"BM", 54 + len(bits), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(bits), 2835, 2835, 0, 0)
    with open(os.path.join(BITMAPS, name), "wb") as f:
        f.write(header + info + bits)


def arrow_down(w, h, colour, background=WHITE):
    def pixel(x, y):
        # a filled triangle pointing down, centred
        top = h // 3
        rows = h - 2 * top
        if top <= y < top + rows:
            half = (rows - (y - top)) * w // (2 * rows + 1)
            if abs(x - w // 2) <= half:
                return colour
        return background
    return pixel


def button(size, mark, pressed):
    def pixel(x, y):
        edge = x in (0, size - 1) or y in (0, size - 1)
        if edge:
            return DARK
        inner = NAVY if pressed else WHITE
        ink = WHITE if pressed else NAVY
        u, v = x / (size - 1), y / (size - 1)
        if mark == "ok":
            # a tick: down-stroke then long up-stroke
            on = (0.2 <= u <= 0.45 and abs(v - (0.5 + (u - 0.2))) < 0.08) or \
                 (0.4 <= u <= 0.8 and abs(v - (0.75 - (u - 0.4) * 1.2)) < 0.08)
        else:
            on = 0.25 <= u <= 0.75 and 0.25 <= v <= 0.75 and (abs(u - v) < 0.07 or abs(u + v - 1) < 0.07)
        return ink if on else inner
    return pixel


def calendar(x, y):
    if y < 4:
        return RED
    if x in (0, 15) or y == 15:
        return DARK
    if (x % 4 == 2) and (y % 4 == 2):
        return BLACK
    return WHITE


def signature_background(x, y):
    # the grey base line a captured signature is drawn on; the picture goes 16 pixels down
    # into a bitmap of its own height, so the line sits where that bitmap still shows it
    if y == 56 and 8 <= x < 232:
        return GREY
    return WHITE


def signature_pad(x, y):
    # the signature bar's pad: a grey base line and a small cross where the signature starts
    if y == 64 and 8 <= x < 232:
        return GREY
    if (abs(x - 12) < 4 and y == 58) or (x == 12 and abs(y - 58) < 4):
        return DARK
    return WHITE


def doubled(name, width, height):
    """Every pixel of a 24-bit bottom-up BMP of the folder as a square of four."""
    with open(os.path.join(BITMAPS, name), "rb") as f:
        data = f.read()
    offset = struct.unpack_from("<I", data, 10)[0]
    stride = (width * 3 + 3) & ~3

    def pixel(x, y):
        at = offset + (height - 1 - y // 2) * stride + (x // 2) * 3
        b, g, r = data[at:at + 3]
        return (r, g, b)
    return pixel


def check_box(checked, highlighted):
    def pixel(x, y):
        if x in (1, 14) and 1 <= y <= 14 or y in (1, 14) and 1 <= x <= 14:
            return DARK
        if 2 <= x <= 13 and 2 <= y <= 13:
            u, v = x - 2, y - 2
            if checked and ((2 <= u <= 4 and abs(v - (u + 4)) <= 1) or (4 <= u <= 10 and abs(v - (8 - (u - 4))) <= 1)):
                return BLACK
            return (0xFF, 0xFF, 0xC0) if highlighted else WHITE
        return WHITE
    return pixel


# 3x5 capitals for the register marks.
FONT = {
    "S": ["111", "100", "111", "001", "111"], "I": ["111", "010", "010", "010", "111"],
    "G": ["111", "100", "101", "101", "111"], "N": ["101", "111", "111", "111", "101"],
    "E": ["111", "100", "111", "100", "111"], "D": ["110", "101", "101", "101", "110"],
    "P": ["111", "101", "111", "100", "100"], "A": ["111", "101", "111", "101", "101"],
    "V": ["101", "101", "101", "101", "010"], "O": ["111", "101", "101", "101", "111"],
}


def stamp(word, colour):
    """A 32x16 mark: the word in small capitals on white (white is transparent)."""
    def pixel(x, y):
        width = len(word) * 4 - 1
        left = (32 - width) // 2
        if 5 <= y < 10 and left <= x < left + width:
            i, col = divmod(x - left, 4)
            if col < 3 and FONT[word[i]][y - 5][col] == "1":
                return colour
        if (y in (2, 13) and 1 <= x <= 30) or (x in (1, 30) and 2 <= y <= 13):
            return colour
        return WHITE
    return pixel


def menu_button(selected):
    def pixel(x, y):
        # the document button of the main menu bar: a page, filled when a row is chosen
        if 3 <= x <= 12 and 1 <= y <= 14:
            if x in (3, 12) or y in (1, 14):
                return BLACK
            return NAVY if selected else WHITE
        return GREY
    return pixel


# 16x16 glyphs of the editor's command toolbar and menu bar, as tests on (x, y).
def _line(x, y, x0, y0, x1, y1, w=1.0):
    dx, dy = x1 - x0, y1 - y0
    length = dx * dx + dy * dy
    t = max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / length)) if length else 0.0
    return (x - x0 - t * dx) ** 2 + (y - y0 - t * dy) ** 2 <= w * w


def _box(x, y, x0, y0, x1, y1):
    return x0 <= x <= x1 and y0 <= y <= y1 and (x in (x0, x1) or y in (y0, y1))


GLYPHS = {
    "add": lambda x, y: (6 <= x <= 9 and 2 <= y <= 13) or (2 <= x <= 13 and 6 <= y <= 9),
    "remove": lambda x, y: 2 <= x <= 13 and 6 <= y <= 9,
    "customer": lambda x, y: (x - 7.5) ** 2 + (y - 4.5) ** 2 <= 9 or (3 <= x <= 12 and 9 <= y <= 14 and
                                                                    (x - 7.5) ** 2 + (y - 14) ** 2 <= 30),
    "undo": lambda x, y: _line(x, y, 3, 7, 7, 3, 1.1) or _line(x, y, 3, 7, 7, 11, 1.1) or
    _line(x, y, 3, 7, 12, 7, 1.1) or _line(x, y, 12, 7, 12, 13, 1.1),
    "redo": lambda x, y: _line(x, y, 12, 7, 8, 3, 1.1) or _line(x, y, 12, 7, 8, 11, 1.1) or
    _line(x, y, 3, 7, 12, 7, 1.1) or _line(x, y, 3, 7, 3, 13, 1.1),
    "fit": lambda x, y: _box(x, y, 1, 2, 14, 13) or _line(x, y, 4, 7.5, 11, 7.5, 0.6) or
    _line(x, y, 4, 7.5, 6, 5.5, 0.7) or _line(x, y, 4, 7.5, 6, 9.5, 0.7) or
    _line(x, y, 11, 7.5, 9, 5.5, 0.7) or _line(x, y, 11, 7.5, 9, 9.5, 0.7),
    "zoom": lambda x, y: 12 <= (x - 6) ** 2 + (y - 6) ** 2 <= 25 or _line(x, y, 9.5, 9.5, 14, 14, 1.2),
    "mail": lambda x, y: _box(x, y, 1, 3, 14, 12) or _line(x, y, 1, 3, 7.5, 8, 0.6) or
    _line(x, y, 14, 3, 7.5, 8, 0.6),
    "print": lambda x, y: _box(x, y, 4, 1, 11, 5) or (1 <= x <= 14 and 6 <= y <= 10) or _box(x, y, 4, 10, 11, 14),
    "toolbar": lambda x, y: 10 <= y <= 14 and x % 5 != 0 and 1 <= x <= 14 or _box(x, y, 1, 1, 14, 8),
    "signature": lambda x, y: _line(x, y, 1, 12, 4, 5, 0.8) or _line(x, y, 4, 5, 7, 12, 0.8) or
    _line(x, y, 7, 12, 10, 6, 0.8) or _line(x, y, 10, 6, 14, 11, 0.8) or (y == 14 and 1 <= x <= 14),
    "scanner": lambda x, y: 2 <= y <= 13 and x in (1, 2, 4, 7, 8, 10, 12, 13, 14),
    "card": lambda x, y: _box(x, y, 0, 3, 15, 12) or (5 <= y <= 6 and 0 <= x <= 15),
    # the items list's toolbar
    "category": lambda x, y: _box(x, y, 1, 4, 14, 13) or (1 <= x <= 6 and 2 <= y <= 4) or
    (10 <= x <= 11 and 6 <= y <= 11) or (8 <= x <= 13 and 8 <= y <= 9),
    "cut": lambda x, y: (x - 4) ** 2 + (y - 12) ** 2 <= 6 or (x - 11) ** 2 + (y - 12) ** 2 <= 6 or
    _line(x, y, 5, 10, 11, 1, 0.7) or _line(x, y, 10, 10, 4, 1, 0.7),
    "copy": lambda x, y: _box(x, y, 1, 1, 9, 10) or _box(x, y, 6, 5, 14, 14),
    "paste": lambda x, y: _box(x, y, 2, 2, 12, 14) or (5 <= x <= 9 and 1 <= y <= 3) or
    (5 <= x <= 10 and y in (7, 10)),
    "sort": lambda x, y: _line(x, y, 2, 13, 5, 2, 0.7) or _line(x, y, 5, 2, 8, 13, 0.7) or
    (y == 9 and 3 <= x <= 7) or _line(x, y, 12, 2, 12, 13, 0.7) or _line(x, y, 12, 13, 9.5, 10, 0.7) or
    _line(x, y, 12, 13, 14.5, 10, 0.7),
    "check": lambda x, y: _box(x, y, 1, 1, 14, 14) or _line(x, y, 4, 8, 7, 11, 0.8) or
    _line(x, y, 7, 11, 12, 4, 0.8),
}


def glyph_strip(names, ink=BLACK, background=GREY, scale=1):
    """16-pixel glyphs side by side; `scale` 2 draws each at 32 pixels for a high-resolution screen."""
    size = 16 * scale

    def pixel(x, y):
        return ink if GLYPHS[names[x // size]]((x % size) // scale, y // scale) else background
    return pixel


# The card-reader bar's pictures, one per reader state: a card with a mark of the state.
CARD_STATES = {279: DARK, 280: GREEN, 281: RED, 282: NAVY, 283: DARK, 284: GREEN,
               285: RED, 286: RED, 287: GREEN, 288: NAVY}


def card_picture(colour, crossed, arrow):
    def pixel(x, y):
        if _box(x, y, 20, 10, 140, 70) or _box(x, y, 21, 11, 139, 69):
            return colour
        if 20 <= x <= 140 and 20 <= y <= 30:
            return DARK
        if crossed and (_line(x, y, 30, 15, 130, 65, 2) or _line(x, y, 30, 65, 130, 15, 2)):
            return RED
        if arrow and (_line(x, y, 150, 40, 230, 40, 2) or _line(x, y, 230, 40, 215, 28, 2) or
                      _line(x, y, 230, 40, 215, 52, 2)):
            return colour
        return WHITE
    return pixel


# The items tree's node pictures, 16 x 15 on the mask green: open and closed folders of a
# category, of the other lists and of a group, and the page of a leaf.
MASK = (0, 0xFF, 0)
FOLDER = (0xF0, 0xC8, 0x40)
FOLDER_EDGE = (0x80, 0x60, 0x10)
LIST_FOLDER = (0xA0, 0xB8, 0xE0)
LIST_EDGE = (0x30, 0x48, 0x80)
GROUP_FOLDER = (0xD8, 0xA0, 0x70)
GROUP_EDGE = (0x70, 0x40, 0x20)


def folder(fill, edge, opened, band=False):
    def pixel(x, y):
        # the tab, then the back of the folder
        if 1 <= x <= 6 and 2 <= y <= 3:
            return edge if y == 2 or x in (1, 6) else fill
        if opened and 4 <= y <= 12:
            # the front flap leans open: its top edge runs from (4, 7) to (15, 7), its foot at y 12
            lean = (12 - y) // 2
            if 7 <= y <= 12 and 1 + lean <= x <= 14 + min(lean, 1):
                left, right = 1 + lean, 14 + min(lean, 1)
                return edge if y in (7, 12) or x in (left, right) else fill
            if 1 <= x <= 13 and 4 <= y <= 6:
                return edge if x in (1, 13) or y == 4 else WHITE
            if x == 1 and 7 <= y <= 12:
                return edge
            return MASK
        if 1 <= x <= 14 and 4 <= y <= 12:
            if x in (1, 14) or y in (4, 12):
                return edge
            if band and y == 8:
                return edge
            return fill
        return MASK
    return pixel


def leaf_page(x, y):
    # a page with its corner folded and three lines of text
    if 3 <= x <= 12 and 1 <= y <= 13:
        if x + (1 - y) > 9:  # the cut corner
            return DARK if x + (1 - y) == 10 else MASK
        if x in (3, 12) or y in (1, 13):
            return DARK
        if y in (5, 7, 9, 11) and 5 <= x <= 10:
            return NAVY
        return WHITE
    return MASK


def tree_images(x, y):
    pictures = [folder(FOLDER, FOLDER_EDGE, True), folder(FOLDER, FOLDER_EDGE, False),
                folder(LIST_FOLDER, LIST_EDGE, True), folder(LIST_FOLDER, LIST_EDGE, False),
                folder(GROUP_FOLDER, GROUP_EDGE, True, True), folder(GROUP_FOLDER, GROUP_EDGE, False, True),
                leaf_page]
    return pictures[x // 16](x % 16, y)


def main():
    os.makedirs(BITMAPS, exist_ok=True)
    os.makedirs(SOUNDS, exist_ok=True)
    write_bmp("dropdown_form.bmp", 13, 13, arrow_down(13, 13, BLACK))
    write_bmp("calendar_mark.bmp", 16, 16, calendar)
    write_bmp("dropdown_header.bmp", 9, 9, arrow_down(9, 9, BLACK, GREY))
    write_bmp("title_ok.bmp", 22, 22, button(22, "ok", False))
    write_bmp("title_cancel.bmp", 22, 22, button(22, "cancel", False))
    write_bmp("title_cancel_pressed.bmp", 22, 22, button(22, "cancel", True))
    write_bmp("title_ok_pressed.bmp", 22, 22, button(22, "ok", True))
    write_bmp("signature_background.bmp", 240, 80, signature_background)
    write_bmp("signature_pad.bmp", 240, 80, signature_pad)
    write_bmp("items_menubar.bmp", 16, 16, glyph_strip(["toolbar"]))
    write_bmp("main_menubar_selected.bmp", 16, 16, menu_button(True))
    write_bmp("main_menubar.bmp", 16, 16, menu_button(False))
    write_bmp("check_complete_highlight.bmp", 16, 16, check_box(True, True))
    write_bmp("check_complete.bmp", 16, 16, check_box(True, False))
    write_bmp("check_empty.bmp", 16, 16, check_box(False, False))
    # The title of the register's check-box column: a bold check mark, and it doubled.
    title_check = lambda x, y: BLACK if _line(x, y, 2, 7, 5, 10, 0.9) or _line(x, y, 5, 10, 11, 3, 0.9) else WHITE
    write_bmp("register_check_title.bmp", 13, 13, title_check)
    write_bmp("register_check_title_hires.bmp", 26, 26, doubled("register_check_title.bmp", 13, 13))
    # The check images of the field grid at twice the size, for the high-resolution screen.
    for name in ("check_complete", "check_empty", "check_not_applicable"):
        write_bmp(name + "_hires.bmp", 32, 32, doubled(name + ".bmp", 16, 16))
    write_bmp("mark_signed.bmp", 32, 16, stamp("SIGNED", NAVY))
    write_bmp("mark_paid.bmp", 32, 16, stamp("PAID", GREEN))
    write_bmp("mark_void.bmp", 32, 16, stamp("VOID", RED))
    toolbar = ["add", "remove", "customer", "undo", "redo", "fit", "zoom", "mail", "print"]
    write_bmp("editor_toolbar.bmp", 144, 16, glyph_strip(toolbar))
    write_bmp("editor_toolbar_hires.bmp", 288, 32, glyph_strip(toolbar, scale=2))
    write_bmp("editor_menubar.bmp", 64, 16, glyph_strip(["toolbar", "signature", "scanner", "card"]))
    items = ["add", "category", "undo", "redo", "cut", "copy", "paste", "zoom", "check", "sort"]
    write_bmp("items_toolbar.bmp", 160, 16, glyph_strip(items))
    write_bmp("items_toolbar_hires.bmp", 320, 32, glyph_strip(items, scale=2))
    write_bmp("tree_images.bmp", 112, 15, tree_images)
    write_bmp("tree_images_hires.bmp", 224, 30, doubled("tree_images.bmp", 112, 15))
    for number, colour in CARD_STATES.items():
        write_bmp("card_state_%d.bmp" % number, 240, 80,
                  card_picture(colour, number == 286, number == 282))

    # A short rising two-note chime, 8 kHz mono 8-bit.
    rate = 8000
    frames = bytearray()
    for i in range(int(rate * 0.12)):
        t = i / rate
        freq = 880 if t < 0.06 else 1320
        fade = 1.0 - (i / (rate * 0.12))
        frames.append(int(128 + 90 * fade * math.sin(2 * math.pi * freq * t)))
    with wave.open(os.path.join(SOUNDS, "additem.wav"), "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(1)
        w.setframerate(rate)
        w.writeframes(bytes(frames))


if __name__ == "__main__":
    main()
