#!/usr/bin/env python3
"""Checks a chart rendered to PNG against the table of the same run.

usage: chart_check.py CHART.svg CHART.png TABLE.csv

The chart is read as a person reads it: the degree axis from its tick labels
and grid lines, the percent axis from its labels and tick marks, the months
from their labels. Each mean of the table must show in its series' colour
where its value puts it, each humidity as a bar of its height, and a month
that is not a number must leave its series' gap.
"""
import csv
import struct
import sys
import xml.etree.ElementTree as ET
import zlib

SVG = "{http://www.w3.org/2000/svg}"
COLOURS = {"tmp_max": (0xD6, 0x27, 0x28), "tmp_min": (0x1F, 0x77, 0xB4), "dewpt": (0x2C, 0xA0, 0x2C)}
BAR = (0xFD, 0xD4, 0x9E)
WIDTH, HEIGHT = 800, 480
failures = []


def fail(text):
    failures.append(text)


def read_png(path):
    data = open(path, "rb").read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
    at, idat, header = 8, b"", None
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        body = data[at + 8:at + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        at += 12 + length
    width, height, depth, colour_type, _, _, interlace = header
    assert depth == 8 and colour_type in (2, 6) and interlace == 0, header
    channels = 4 if colour_type == 6 else 3
    raw = zlib.decompress(idat)
    stride = width * channels
    rows, previous, at = [], bytearray(stride), 0
    for _ in range(height):
        kind, line = raw[at], bytearray(raw[at + 1:at + 1 + stride])
        at += 1 + stride
        for i in range(stride):
            left = line[i - channels] if i >= channels else 0
            up = previous[i]
            up_left = previous[i - channels] if i >= channels else 0
            if kind == 1:
                line[i] = (line[i] + left) & 255
            elif kind == 2:
                line[i] = (line[i] + up) & 255
            elif kind == 3:
                line[i] = (line[i] + (left + up) // 2) & 255
            elif kind == 4:
                p = left + up - up_left
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - up_left)
                pred = left if pa <= pb and pa <= pc else up if pb <= pc else up_left
                line[i] = (line[i] + pred) & 255
        rows.append(line)
        previous = line
    return width, height, lambda x, y: tuple(rows[y][x * channels:x * channels + 3])


def near(colour, wanted, tolerance=40):
    return sum(abs(a - b) for a, b in zip(colour, wanted)) <= tolerance


def linear(pairs):
    (v0, y0), (v1, y1) = pairs[0], pairs[-1]
    return lambda v: y0 + (v - v0) * (y1 - y0) / (v1 - v0)


def main():
    svg, png, table = sys.argv[1:4]
    root = ET.parse(svg).getroot()
    if root.get("version") != "1.1":
        fail("not SVG 1.1")
    for element in root.iter():
        if element.tag in (SVG + "script", SVG + "image", SVG + "use", SVG + "foreignObject"):
            fail("holds " + element.tag)
        for name, value in element.attrib.items():
            if "href" in name or "url(" in value or name.startswith("on"):
                fail("an external reference or script: %s=%s" % (name, value))
    texts = lambda cls: [t for t in root.iter(SVG + "text") if t.get("class") == cls]
    lines = lambda cls: [l for l in root.iter(SVG + "line") if l.get("class") == cls]
    celsius = linear(sorted(zip([float(t.text) for t in texts("tick-celsius")],
                                [float(l.get("y1")) for l in lines("grid-celsius")])))
    percent = linear(sorted(zip([float(t.text) for t in texts("tick-percent")],
                                [float(l.get("y1")) for l in lines("mark-percent")])))
    months = {t.text: float(t.get("x")) for t in texts("month")}
    names = ["Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"]
    if list(months) != names:
        fail("month labels: %s" % list(months))
    title = root.find(SVG + "title")
    rows = list(csv.DictReader(open(table, newline="")))
    period = "%s (%s - %s)" % (rows[0]["input"], rows[0]["first_year"], rows[0]["last_year"])
    if title is None or title.text != period:
        fail("title %r, not %r" % (None if title is None else title.text, period))

    width, height, pixel = read_png(png)
    if (width, height) != (WIDTH, HEIGHT):
        fail("rendered at %dx%d" % (width, height))
    bottom = percent(0)
    checked = {name: 0 for name in COLOURS}
    for row in rows:
        x = round(months[names[int(row["month"]) - 1]])
        points = {name: celsius(float(row[name])) for name in COLOURS if row[name] != ""}
        for name, colour in COLOURS.items():
            if row[name] == "":
                # The gap: nothing of this colour over the month's slot.
                for dx in range(-18, 19, 3):
                    for y in range(int(percent(100)), int(bottom)):
                        if near(pixel(x + dx, y), colour):
                            fail("%s of month %s shows at %d,%d" % (name, row["month"], x + dx, y))
                            break
                continue
            y = points[name]
            # Where another series' point lies close by, the later one covers it.
            if any(abs(y - other) < 10 for o, other in points.items() if o != name):
                continue
            if not any(near(pixel(x + dx, round(y) + dy), colour) for dx in (-1, 0, 1) for dy in (-1, 0, 1)):
                fail("%s of month %s (%s) not at %d,%d: %s" % (name, row["month"], row[name], x, y,
                                                              pixel(x, round(y))))
            checked[name] += 1
        if row["hmd"] != "":
            top = percent(float(row["hmd"]))
            column = [pixel(x + 12, y) for y in range(round(top) + 2, round(bottom) - 1)]
            filled = sum(near(c, BAR) for c in column)
            if column and filled < 0.8 * len(column):
                fail("hmd bar of month %s fills %d of %d pixels" % (row["month"], filled, len(column)))
            if near(pixel(x + 12, round(top) - 4), BAR):
                fail("hmd bar of month %s higher than %s" % (row["month"], row["hmd"]))
    for name, count in checked.items():
        if count < 6:
            fail("only %d points of %s could be told apart" % (count, name))
    for text in failures:
        print("chart:", text)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
