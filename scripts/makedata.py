#!/usr/bin/env python3
"""Generates the installation data folder data/ of SchedBoard.

Regenerate:   python3 scripts/makedata.py           (rewrites every file in data/)
Verify only:  python3 scripts/makedata.py --check   (reads data/ back and checks it)

Standard library only. Output is deterministic, so regenerating gives the
same bytes. Text files are Windows-1252 with CR LF after every line; the
button images are 24-bit Windows bitmaps despite their .scd extension.
"""

import math
import os
import struct
import sys
import wave

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DATA = os.path.join(ROOT, "data")


# ---------------------------------------------------------------- text files

def text_bytes(lines):
    return b"".join(line.encode("cp1252") + b"\r\n" for line in lines)


def write_bytes(relpath, data):
    path = os.path.join(DATA, *relpath.split("/"))
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def write_text(relpath, lines):
    write_bytes(relpath, text_bytes(lines))


# ---------------------------------------------------------------- sample schedule

TITLES = ["#", "Trailer", "Product", "Consignor", "Consignee", "Date"]
ROWS = [
    ["1", "T-104", "Steel coil", "Northfield Mills", "Harbor Supply Co.", "12/8/2026"],
    ["2", "T-117", "Lumber", "Pine Ridge Lumber", "Westgate Builders", "12/8/2026"],
    ["3", "T-122", "Paper rolls", "Riverside Paper", "City Print Works", "12/9/2026"],
    ["4", "", "", "", "", ""],
    ["5", "T-131", "Canned goods", "Valley Foods", "Lakeside Grocers", "12/10/2026"],
    ["6", "T-140", "Cement", "Granite Cement Co.", "Summit Construction", "Hold"],
    ["7", "", "", "", "", ""],
    ["8", "", "", "", "", ""],
]
# One code per data row: Red, Yellow, Blue, none, Green, Mask (held load), none, none.
ROW_COLORS = [1, 3, 4, 0, 5, 9, 0, 0]


def grid_lines():
    table = [TITLES] + ROWS
    cols, rows = len(TITLES), len(table)
    lines = [str(cols), str(rows)]
    for c in range(cols):
        for r in range(rows):
            lines.append(table[r][c])
    return lines


PARM = [
    # 1 network, 2 auto menu, 3 display user, 6 ask before deleting,
    # 7 time-out on; 9 one-pixel grid lines; 10 backup at every update;
    # 11 landscape; 16 regular font.
    "11100110110000000",
    "5",
    "18",
    "Verdana",
    "8",
    "0",
    "11393254",
    "799",
    "572",
    "70",
    "70",
    "RYX Scheduling",
    "",
    "7",
]

TRAILERS = ["T-101", "T-104", "T-108", "T-112", "T-117", "T-122", "T-125",
            "T-131", "T-136", "T-140", "Flatbed 1", "Flatbed 2", "Van 3"]

PRODUCTS_A = ["Steel coil", "Steel beams", "Aluminium sheet", "Copper wire",
              "Pipe", "Rebar", "Sheet metal", "Wire rod", "Castings",
              "Machinery", "Pallets"]
PRODUCTS_B = ["Lumber&break", "Plywood", "Paper rolls", "Cardboard",
              "Canned goods", "Frozen food", "Produce", "Beverages",
              "Cement", "Gravel", "Fertilizer", "Mixed freight"]

CONSIGNORS = ["Northfield Mills", "Pine Ridge Lumber", "Riverside Paper",
              "Valley Foods", "Granite Cement Co.", "Eastport Steel",
              "Prairie Grain Co-op", "Hillcrest Packaging"]
CONSIGNEES = ["Harbor Supply Co.", "Westgate Builders", "City Print Works",
              "Lakeside Grocers", "Summit Construction", "Metro Hardware",
              "Bayview Distribution", "Oakdale Farms"]
DATE_MENU = ["&Date", "ASAP", "Hold", "TBA", "Will call"]


def list_record(desc, colour, fields):
    head = "[" + desc + "]" + ("[" + colour + "]" if colour else "")
    return head + "".join("~" + v + "~" for v in fields)


LIST_RECORDS = [
    list_record("Steel coil to Harbor", "Red",
                ["T-104", "Steel coil", "Northfield Mills", "Harbor Supply Co.", ""]),
    list_record("Lumber run", "Yellow",
                ["T-117", "Lumber", "Pine Ridge Lumber", "Westgate Builders", ""]),
    list_record("Paper delivery", "Blue",
                ["", "Paper rolls", "Riverside Paper", "City Print Works", ""]),
    list_record("Groceries", "Green",
                ["", "Canned goods", "Valley Foods", "Lakeside Grocers", ""]),
    list_record("Cement to Summit", "Gray",
                ["T-140", "Cement", "Granite Cement Co.", "Summit Construction", ""]),
    list_record("Date on hold", "", ["", "", "", "", "Hold"]),
    list_record("Empty row", "Clear", [" ", " ", " ", " ", " "]),
]


def hour12(h, m):
    suffix = "am" if h < 12 else "pm"
    h12 = h % 12 or 12
    return "%d:%02d %s" % (h12, m, suffix)


def business_hours(military):
    # Twelve columns from 7 to 18 o'clock; row 0 on the hour, row 1 half past.
    hours = range(7, 19)
    lines = [str(len(hours)), "2"]
    for h in hours:
        for m in (0, 30):
            lines.append("%02d:%02d" % (h, m) if military else hour12(h, m))
    return lines


# ---------------------------------------------------------------- bitmaps

FONT = {  # 5 x 7 capitals, "#" = ink
    "A": [".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"],
    "C": [".###.", "#...#", "#....", "#....", "#....", "#...#", ".###."],
    "D": ["####.", "#...#", "#...#", "#...#", "#...#", "#...#", "####."],
    "E": ["#####", "#....", "#....", "####.", "#....", "#....", "#####"],
    "G": [".###.", "#...#", "#....", "#.###", "#...#", "#...#", ".####"],
    "I": ["#####", "..#..", "..#..", "..#..", "..#..", "..#..", "#####"],
    "L": ["#....", "#....", "#....", "#....", "#....", "#....", "#####"],
    "N": ["#...#", "##..#", "#.#.#", "#..##", "#...#", "#...#", "#...#"],
    "P": ["####.", "#...#", "#...#", "####.", "#....", "#....", "#...."],
    "Q": [".###.", "#...#", "#...#", "#...#", "#.#.#", "#..#.", ".##.#"],
    "S": [".####", "#....", "#....", ".###.", "....#", "....#", "####."],
    "T": ["#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."],
    "U": ["#...#", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."],
}
GLYPH_ADVANCE = 7   # 5 columns, emboldened to 6, one blank column


class Canvas:
    def __init__(self, w, h, fill):
        self.w, self.h = w, h
        self.px = [[fill] * w for _ in range(h)]

    def set(self, x, y, colour):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = colour

    def rect(self, x0, y0, x1, y1, colour):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.set(x, y, colour)

    def frame(self, x0, y0, x1, y1, colour):
        for x in range(x0, x1 + 1):
            self.set(x, y0, colour)
            self.set(x, y1, colour)
        for y in range(y0, y1 + 1):
            self.set(x0, y, colour)
            self.set(x1, y, colour)

    def text(self, x, y, s, colour):
        for ch in s:
            for gy, row in enumerate(FONT[ch]):
                for gx, bit in enumerate(row):
                    if bit == "#":
                        self.set(x + gx, y + gy, colour)
                        self.set(x + gx + 1, y + gy, colour)
            x += GLYPH_ADVANCE

    def to_bmp(self):
        stride = (self.w * 3 + 3) & ~3
        body = bytearray()
        for y in range(self.h - 1, -1, -1):   # bottom-up
            row = bytearray()
            for r, g, b in self.px[y]:
                row += bytes((b, g, r))
            row += b"\0" * (stride - len(row))
            body += row
        header = struct.pack("<IiiHHIIiiII", 40, self.w, self.h, 1, 24, 0,
                             len(body), 2835, 2835, 0, 0)
        offset = 14 + len(header)
        return b"BM" + struct.pack("<IHHI", offset + len(body), 0, 0, offset) + header + bytes(body)


def text_width(s):
    return len(s) * GLYPH_ADVANCE - 1


FACE = (244, 241, 226)          # light button face, close to the toolbar colour
PRESSED = (255, 226, 214)
EDGE_LIGHT = (255, 255, 255)
EDGE_DARK = (128, 120, 96)
GREY_TEXT = (160, 160, 160)
GREEN = (0, 128, 0)
RED = (200, 0, 0)
NAVY = (0, 0, 128)


def button(w, h, pressed=False, face=FACE):
    c = Canvas(w, h, face)
    light, dark = (EDGE_DARK, EDGE_LIGHT) if pressed else (EDGE_LIGHT, EDGE_DARK)
    c.rect(0, 0, w - 1, 0, light)
    c.rect(0, 0, 0, h - 1, light)
    c.rect(0, h - 1, w - 1, h - 1, dark)
    c.rect(w - 1, 0, w - 1, h - 1, dark)
    return c


def up_arrow(c, x, y, colour):
    """An 11 x 11 arrow pointing up, top-left at (x, y)."""
    for i in range(6):
        c.rect(x + 5 - i, y + i, x + 5 + i, y + i, colour)
    c.rect(x + 3, y + 6, x + 7, y + 10, colour)


def cross(c, x, y, size, colour):
    for i in range(size):
        for t in (0, 1):
            c.set(x + i + t, y + i, colour)
            c.set(x + size - 1 - i + t, y + i, colour)


def list_symbol(c, x, y, colour):
    """Three bulleted lines, 10 x 9."""
    for k in range(3):
        c.rect(x, y + k * 4, x + 1, y + k * 4 + 1, colour)
        c.rect(x + 4, y + k * 4, x + 9, y + k * 4, colour)


def centred_row(c, parts, y_text):
    """parts: list of (width, draw(x)) laid out left to right, centred."""
    gap = 4
    total = sum(w for w, _ in parts) + gap * (len(parts) - 1)
    x = (c.w - total) // 2
    for w, draw in parts:
        draw(x)
        x += w + gap


def make_update(pressed):
    c = button(80, 25, pressed, PRESSED if pressed else FACE)
    ink = RED if pressed else GREEN
    word = "UPDATING" if pressed else "UPDATE"
    ty = 9 + (1 if pressed else 0)
    if pressed:
        symbol = (7, lambda x: c.rect(x, ty, x + 6, ty + 6, ink))   # a "busy" square
    else:
        symbol = (11, lambda x: up_arrow(c, x, ty - 2, ink))
    centred_row(c, [symbol, (text_width(word), lambda x: c.text(x, ty, word, ink))], ty)
    return c


def make_cancel(active):
    c = button(60, 25)
    if active:
        centred_row(c, [(8, lambda x: cross(c, x, 9, 7, RED)),
                        (text_width("CANCEL"), lambda x: c.text(x, 9, "CANCEL", RED))], 9)
    return c


def make_list(active):
    c = button(50, 25)
    ink = NAVY if active else GREY_TEXT
    centred_row(c, [(10, lambda x: list_symbol(c, x, 8, ink)),
                    (text_width("LIST"), lambda x: c.text(x, 9, "LIST", ink))], 9)
    return c


def make_quit(active):
    c = button(50, 25)
    ink = RED if active else GREY_TEXT
    text_ink = NAVY if active else GREY_TEXT
    centred_row(c, [(8, lambda x: cross(c, x, 9, 7, ink)),
                    (text_width("QUIT"), lambda x: c.text(x, 9, "QUIT", text_ink))], 9)
    return c


# ---------------------------------------------------------------- icon

ROW_FILLS = [(247, 185, 132), (240, 255, 182), (220, 245, 245), (200, 255, 146),
             (255, 255, 255), (255, 204, 255)]
FIXED = (230, 216, 173)


def board_icon(size):
    """A small board: navy frame, title row and left column in the fixed
    colour, coloured schedule rows, grey grid lines. RGBA pixels."""
    if size >= 32:
        xs, ys = [1, 8, 15, 22, 30], [3, 8, 13, 18, 23, 28]
    else:
        xs, ys = [0, 3, 7, 11, 15], [0, 3, 6, 9, 12, 15]
    px = [[(0, 0, 0, 0)] * size for _ in range(size)]
    for y in range(ys[0], ys[-1] + 1):
        for x in range(xs[0], xs[-1] + 1):
            if x in (xs[0], xs[-1]) or y in (ys[0], ys[-1]):
                colour = NAVY
            elif x in xs or y in ys:
                colour = (128, 128, 128)
            else:
                row = sum(1 for line in ys if line < y) - 1
                col = sum(1 for line in xs if line < x) - 1
                colour = FIXED if row == 0 or col == 0 else ROW_FILLS[(row - 1) % len(ROW_FILLS)]
            px[y][x] = colour + (255,)
    return px


def ico_bytes(images):
    entries, blobs = b"", b""
    offset = 6 + 16 * len(images)
    for px in images:
        n = len(px)
        body = bytearray()
        for y in range(n - 1, -1, -1):
            for r, g, b, a in px[y]:
                body += bytes((b, g, r, a))
        mask_stride = ((n + 31) // 32) * 4
        mask = bytearray()
        for y in range(n - 1, -1, -1):
            bits = bytearray(mask_stride)
            for x in range(n):
                if px[y][x][3] == 0:
                    bits[x // 8] |= 0x80 >> (x % 8)
            mask += bits
        header = struct.pack("<IiiHHIIiiII", 40, n, 2 * n, 1, 32, 0,
                             len(body) + len(mask), 0, 0, 0, 0)
        blob = header + bytes(body) + bytes(mask)
        entries += struct.pack("<BBBBHHII", n % 256, n % 256, 0, 0, 1, 32, len(blob), offset)
        blobs += blob
        offset += len(blob)
    return struct.pack("<HHH", 0, 1, len(images)) + entries + blobs


# ---------------------------------------------------------------- sounds

RATE = 22050


def tone_frames(parts):
    """parts: (frequency or 0 for silence, seconds). Short fades keep the
    edges free of clicks."""
    out = bytearray()
    for freq, secs in parts:
        n = int(RATE * secs)
        fade = int(RATE * 0.008)
        for i in range(n):
            if freq == 0:
                v = 0.0
            else:
                env = min(1.0, i / fade, (n - 1 - i) / fade)
                v = 0.45 * env * math.sin(2 * math.pi * freq * i / RATE)
            out += struct.pack("<h", int(round(v * 32767)))
    return bytes(out)


def write_wav(relpath, parts):
    path = os.path.join(DATA, *relpath.split("/"))
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(tone_frames(parts))


# ---------------------------------------------------------------- help

COLOUR_NAMES = [("Red", "#f7b984"), ("Orange", "#fff3a4"), ("Yellow", "#f0ffb6"),
                ("Blue", "#dcf5f5"), ("Green", "#c8ff92"), ("Gray", "#dbdbc8"),
                ("Violet", "#ffccff"), ("Beige", "#e7dfa4"), ("Mask", "#808080"),
                ("Clear", "#ffffff"), ("Brown", "#e7c37b")]


def help_lines():
    swatches = "\n".join(
        '<tr><td class="sw" style="background:%s"></td><td>Color %s</td></tr>' % (hexc, name)
        for name, hexc in COLOUR_NAMES)
    html = """<!DOCTYPE html>
<!-- SchedBoard's help. It opens inside the board, from the "?" button on the
     board's toolbar. Though named .chm, it is not a Windows help file: the
     Windows help viewer that a double-click in Explorer opens cannot show it.
     Keep the name: the board reads this file by it. -->
<html lang="en">
<head>
<meta charset="windows-1252">
<title>RYX Scheduling - Help</title>
<style>
body { font-family: Verdana, sans-serif; font-size: 10pt; background: #e7dfad; color: #000; margin: 2em; max-width: 50em; }
h1 { color: #000080; font-size: 16pt; }
h2 { color: #000080; font-size: 12pt; border-bottom: 1px solid #7ac3a9; margin-top: 1.6em; }
table { border-collapse: collapse; }
td, th { border: 1px solid #a09070; padding: 3px 8px; text-align: left; vertical-align: top; background: #fff; }
th { background: #e6d8ad; }
td.sw { width: 3em; }
code { background: #f8e8a8; padding: 0 3px; }
</style>
</head>
<body>
<h1 id="top">RYX Scheduling board</h1>

<p>The board shows one shared schedule as a grid: a title row with the column
names (for example Trailer, Product, Consignor, Consignee, Date), a fixed left
column and up to 254 rows. Every workstation on the network that runs the
program from the same folder sees the same board. Only one workstation at a
time can change it; the others follow its changes automatically.</p>

<p><b>Contents:</b>
<a href="#toolbar">Toolbar</a> &middot;
<a href="#mouse">Mouse and menus</a> &middot;
<a href="#sessions">Update sessions</a> &middot;
<a href="#busy">System busy</a> &middot;
<a href="#filling">Filling a row</a> &middot;
<a href="#commands">Row, column and cell commands</a> &middot;
<a href="#shortcuts">Ctrl shortcuts</a> &middot;
<a href="#colours">Colours</a> &middot;
<a href="#lists">List records</a> &middot;
<a href="#print">Sorting and printing</a> &middot;
<a href="#backups">Backups</a></p>

<h2 id="toolbar">Toolbar</h2>
<table>
<tr><th>Button</th><th>What it does</th></tr>
<tr><td>? (help)</td><td>Opens this help. Type a word into its search field and press Enter to find it; Enter again finds the next place.</td></tr>
<tr><td>UPDATE</td><td>Starts an update session (the button stays down and shows UPDATING). Press it again to save the board and end the session.</td></tr>
<tr><td>Lamp</td><td>Lights red beside UPDATE while another workstation is updating and you are waiting for it (see <a href="#busy">System busy</a>).</td></tr>
<tr><td>Cancel</td><td>During a session: undoes every change made since Update was pressed and ends the session without saving.</td></tr>
<tr><td>Editing</td><td>During a session: while it is down you can type directly into the cells.</td></tr>
<tr><td>List</td><td>During a session: pastes a prepared row (a <a href="#lists">list record</a>) into the row of the selected cell.</td></tr>
<tr><td>Prefs</td><td>Opens the Scheduling Parameters (only for users allowed to change them), with <b>Backup Now</b> and <b>Restore&hellip;</b> (see <a href="#backups">Backups</a>).</td></tr>
<tr><td>Quit</td><td>Ends the program. Not available during a session.</td></tr>
<tr><td>Tray</td><td>Hides the window; click the icon in the notification area to bring it back.</td></tr>
</table>

<h2 id="mouse">Mouse and menus</h2>
<table>
<tr><th>Where and how</th><th>What opens</th></tr>
<tr><td>Right-click on the toolbar (the button bar), outside a session</td><td>The button bar's menu: <b>Beep on any updates</b> (a sound whenever another workstation saves the board) and <b>Print / Sort Grid</b> (see <a href="#print">Sorting and printing</a>).</td></tr>
<tr><td>Right-click on a cell, outside a session</td><td>A menu with <b>Update</b>, which starts a session as the UPDATE button does.</td></tr>
<tr><td>Right-click on a cell, during a session</td><td>The column's menu of preset values (see <a href="#filling">Filling a row</a>).</td></tr>
<tr><td>Ctrl + right-click on a cell, during a session</td><td>The row, column and cell commands and the row colours (see <a href="#commands">commands</a> and <a href="#colours">Colours</a>).</td></tr>
<tr><td>Shift + right-click on a cell, during a session</td><td><b>Column Data Setup</b> (the preset values of the column's menu) and <b>Fixed Column Data Setup</b> (the texts of the fixed left column).</td></tr>
</table>

<h2 id="sessions">Update sessions</h2>
<p>Press <b>UPDATE</b> (or right-click the grid and choose <b>Update</b>). The
board becomes editable on your workstation and stays read-only everywhere
else. The session ends when you press UPDATE again, pick <b>UPDATE OFF</b> in
a column menu, or, when &quot;Time out after 30 seconds&quot; is set in the
preferences, after 30 to 60 seconds without a click or key on the grid. At
the end the board is saved and the other workstations reload it within a few
seconds. <b>Cancel</b> returns the board to how it was when the session
started.</p>

<h2 id="busy">System busy</h2>
<p>If someone else is updating when you press UPDATE, the message
<b>System busy (update in progress).</b> appears (with their computer and
user name if the preferences ask for it), and a red lamp lights next to the
Update button. When the other session ends, the lamp goes out and an alarm
sounds: press UPDATE again to start your own session.</p>

<h2 id="filling">Filling a row with right-clicks</h2>
<ol>
<li>During a session, click the first cell you want to fill.</li>
<li>Right-click: the column's menu opens with its preset values.</li>
<li>Pick a value. It is written into the cell and the next cell to the right
is selected. With &quot;Auto menu at next cell&quot; on, its menu opens by
itself, so a whole row is filled with a few picks.</li>
</ol>
<p>Every column menu also holds <b>UPDATE OFF</b> (save and end the session),
<b>SKIP CELL</b> (leave the cell and go on), <b>CLEAR CELL</b> (empty it and
go on) and, for date columns, <b>DATE/TIME</b> (calendar, current date or
time, GMT, or a business-hours table).</p>
<p>The values of a column's menu come from the file
<code>colfiles\\&lt;column title&gt;.scd</code>, one value per line. A line
<code>&amp;Date</code> adds DATE/TIME; a line ending in <code>&amp;break</code>
starts a new column of the menu. Shift + right-click opens <b>Column Data
Setup</b> and <b>Fixed Column Data Setup</b> to edit these lists.</p>

<h2 id="commands">Row, column and cell commands</h2>
<p>Ctrl + right-click during a session opens the commands: copy, paste, add,
insert, clear and delete rows, columns and cells, delete blank lines,
increment a column, create list records, the row colours, and Undo and
Redo of the last change.</p>

<h2 id="shortcuts">Ctrl shortcuts (during a session)</h2>
<table>
<tr><th>Keys</th><th>Command</th></tr>
<tr><td>Ctrl+A</td><td>Add Row</td></tr>
<tr><td>Ctrl+C</td><td>Copy Row</td></tr>
<tr><td>Ctrl+D</td><td>Delete Row</td></tr>
<tr><td>Ctrl+I</td><td>Insert Row</td></tr>
<tr><td>Ctrl+P</td><td>Paste Row</td></tr>
<tr><td>Ctrl+Z</td><td>Undo the last change (again and again, back to the start of the update)</td></tr>
<tr><td>Ctrl+Y</td><td>Redo what was undone</td></tr>
</table>
<p>Select a cell first: each row command works on the row of the selected
cell. Resting the pointer on the grid during a session shows in the status
bar what each right click opens.</p>

<h2 id="colours">Colours</h2>
<p>A colour belongs to a whole row. Select a cell of the row, Ctrl +
right-click and pick a colour. <b>Clear Grid Colors</b> removes all colours;
<b>Alternate Colors</b> stripes the board. Mask greys out the row across the
full width, the left column included.</p>
<table>
SWATCHES
</table>

<h2 id="lists">List records</h2>
<p>A list record is a prepared row: <code>[description][color]~value 1~~value 2~...</code>.
The description is only a label. The colour is optional. Each value is enclosed in
its own pair of tildes and goes to the next column; <code>~~</code> leaves a
column as it is, <code>~ ~</code> empties it.</p>

<h2 id="print">Sorting and printing</h2>
<p>Right-click the toolbar and choose <b>Print / Sort Grid</b>. The window
shows a copy of the saved board: click a column to sort the rows by it, drag a
column title to move the column. Nothing you do there changes the board.
<b>Print</b> opens the print parameters (portrait or landscape, font size):</p>
<ul>
<li><b>Print</b> opens the print dialog with the default printer chosen;
Enter prints.</li>
<li><b>Preview&hellip;</b> shows the pages on screen.</li>
<li><b>Save as PDF&hellip;</b> writes the pages to a PDF file.</li>
</ul>
<p>Preview and PDF need no printer. Every page carries the board's title, the
date and time of printing and its page number; rows keep their colours as
light tints and cells their grid lines.</p>

<h2 id="backups">Backups</h2>
<p>The board keeps copies of the schedule in the folder <code>databkup</code>:
after an update, hourly or at close (as the preferences say), and whenever
<b>Backup Now</b> is pressed. <b>Restore&hellip;</b> in the Scheduling
Parameters opens the <b>Backups</b> window: the backups newest first with date,
time and kind, and a preview of the one selected. <b>Restore</b> makes it the
schedule on every workstation; the schedule it replaces is kept as a backup
first, so a restore can itself be undone. Nobody may be updating meanwhile.</p>
<p><a href="#top">Back to the top</a></p>
</body>
</html>
"""
    return html.replace("SWATCHES", swatches).split("\n")


# ---------------------------------------------------------------- build

BITMAPS = {
    "upf.scd": lambda: make_update(False),
    "upo.scd": lambda: make_update(True),
    "cnl.scd": lambda: make_cancel(True),
    "blk.scd": lambda: make_cancel(False),
    "list.scd": lambda: make_list(True),
    "listun.scd": lambda: make_list(False),
    "xbmp.scd": lambda: make_quit(True),
    "xbmpun.scd": lambda: make_quit(False),
}


def build():
    grid = grid_lines()
    colours = [str(code) for code in ROW_COLORS]
    fixed = [row[0] for row in ROWS]
    for name in ("sgrid.scd", "bsgrid.scd"):
        write_text("gsystem/" + name, grid)
        write_text("gsystem/gclr" + name, colours)
    write_text("gsystem/FixedColumn.scd", fixed)
    write_text("gsystem/parm.scd", PARM)
    write_text("gsystem/lists.scd", sorted(LIST_RECORDS, key=str.lower))
    write_text("gsystem/timegrid.scd", business_hours(False))
    write_text("gsystem/mtimegrid.scd", business_hours(True))
    for name, make in BITMAPS.items():
        write_bytes("gsystem/" + name, make().to_bmp())
    write_bytes("gsystem/icon.ico", ico_bytes([board_icon(32), board_icon(16)]))
    # alarm: the board is free again, two rising notes; alarmc: a short chime on reload.
    write_wav("gsystem/alarm.wav", [(880, 0.2), (0, 0.05), (1175, 0.25)])
    write_wav("gsystem/alarmc.wav", [(660, 0.12), (990, 0.18)])

    write_text("users/users.scd", ["All"])
    write_text("colfiles/Trailer.scd", TRAILERS)
    write_text("colfiles/Product.scd", PRODUCTS_A + PRODUCTS_B)
    write_text("colfiles/Consignor.scd", CONSIGNORS)
    write_text("colfiles/Consignee.scd", CONSIGNEES)
    write_text("colfiles/Date.scd", DATE_MENU)
    write_bytes("databkup/.keep", b"")
    write_text("Help.chm", help_lines())


# ---------------------------------------------------------------- check

def read_lines(relpath):
    with open(os.path.join(DATA, *relpath.split("/")), "rb") as f:
        raw = f.read()
    if raw and not raw.endswith(b"\r\n"):
        raise ValueError(relpath + ": last line lacks CR LF")
    if b"\n" in raw.replace(b"\r\n", b""):
        raise ValueError(relpath + ": LF without CR")
    return raw.decode("cp1252").split("\r\n")[:-1] if raw else []


def check():
    problems = []

    def expect(cond, what):
        if not cond:
            problems.append(what)

    for name in ("sgrid.scd", "bsgrid.scd"):
        lines = read_lines("gsystem/" + name)
        cols, rows = int(lines[0]), int(lines[1])
        expect(len(lines) == 2 + cols * rows, name + ": line count is not 2 + cols*rows")
        clr = read_lines("gsystem/gclr" + name)
        expect(len(clr) == rows - 1, "gclr" + name + ": not one code per data row")
        expect(all(0 <= int(v) <= 11 for v in clr), "gclr" + name + ": code out of range")
        titles = [lines[2 + c * rows] for c in range(cols)]
        for t in titles[1:]:
            expect(os.path.exists(os.path.join(DATA, "colfiles", t + ".scd")), "no menu file for " + t)
        fixed = read_lines("gsystem/FixedColumn.scd")
        expect(fixed == lines[3:2 + rows], "FixedColumn.scd differs from column 0 of " + name)
    expect(read_lines("gsystem/sgrid.scd") == read_lines("gsystem/bsgrid.scd"), "snapshot differs")

    parm = read_lines("gsystem/parm.scd")
    expect(len(parm) == 14 and len(parm[0]) == 17, "parm.scd shape")
    expect(read_lines("users/users.scd") == ["All"], "users.scd")

    records = read_lines("gsystem/lists.scd")
    expect(records == sorted(records, key=str.lower), "lists.scd not sorted")
    for rec in records:
        expect(rec.count("~") % 2 == 0 and "[" in rec and "]" in rec, "bad list record " + rec)
        expect(rec.count("~") // 2 <= len(TITLES) - 1, "list record wider than the grid: " + rec)

    for name in ("timegrid.scd", "mtimegrid.scd"):
        lines = read_lines("gsystem/" + name)
        expect(len(lines) == 2 + int(lines[0]) * int(lines[1]), name + ": line count")

    product = read_lines("colfiles/Product.scd")
    expect(len(product) >= 20 and sum("&break" in l for l in product) == 1, "Product.scd")
    expect("&Date" in read_lines("colfiles/Date.scd"), "Date.scd has no &Date line")

    for name in BITMAPS:
        with open(os.path.join(DATA, "gsystem", name), "rb") as f:
            head = f.read(54)
        w, h = struct.unpack("<ii", head[18:26])
        bpp, = struct.unpack("<H", head[28:30])
        expect(head[:2] == b"BM" and bpp == 24 and 50 <= w <= 80 and h == 25,
               name + ": not a 24-bit button bitmap")
    for name in ("alarm.wav", "alarmc.wav"):
        with wave.open(os.path.join(DATA, "gsystem", name), "rb") as wv:
            secs = wv.getnframes() / wv.getframerate()
        expect(0.3 <= secs <= 0.6, name + ": %.2f s" % secs)
    with open(os.path.join(DATA, "gsystem", "icon.ico"), "rb") as f:
        expect(f.read(4) == b"\0\0\1\0", "icon.ico header")
    expect(os.path.getsize(os.path.join(DATA, "databkup", ".keep")) == 0, "databkup/.keep not empty")
    read_lines("Help.chm")

    for p in problems:
        print("FAIL:", p)
    print("ok" if not problems else "%d problem(s)" % len(problems))
    return not problems


if __name__ == "__main__":
    if "--check" not in sys.argv[1:]:
        build()
    sys.exit(0 if check() else 1)
