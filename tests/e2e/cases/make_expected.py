#!/usr/bin/env python3
"""Independent reference computation of a tiral report.

Derives the expected report bytes of an end-to-end case from its input file,
without running tiral.  Standard library only.  Single precision is emulated
by rounding to float32 through struct pack/unpack (or exactly, through
fractions, where a decimal text is converted); exp and log10 run in double.

    make_expected.py INPUT FIRST_YEAR [--name NAME] [-o REPORT]
        writes the report for INPUT started in FIRST_YEAR (NAME is the input
        name field as typed, default: the base name of INPUT) to REPORT or to
        standard output, and the run's warning lines to standard error.

    make_expected.py --check CASE_DIR...
        recomputes the report of each case folder that has an
        expected-report (from input and answers) and compares it byte for
        byte; so too the warning lines with expected-stderr when the run
        ends with status 0. Folders without expected-report are skipped.
"""

import argparse
import functools
import math
import os
import re
import struct
import sys
from decimal import Decimal, ROUND_HALF_UP
from fractions import Fraction

NAN = float("nan")
INF = float("inf")


# ---------------------------------------------------------------- float32

def f32(x):
    """Round a double to the nearest float32 (ties to even), as a double."""
    if x != x:
        return NAN
    try:
        return struct.unpack("<f", struct.pack("<f", x))[0]
    except OverflowError:
        return math.copysign(INF, x)


def c(x):
    """A decimal constant as a single-precision value widened to double."""
    return f32(x)


def f32_from_fraction(q):
    """Correctly rounded float32 of an exact rational (ties to even)."""
    if q == 0:
        return 0.0
    sign = -1.0 if q < 0 else 1.0
    a = abs(q)
    # e = floor(log2(a))
    e = a.numerator.bit_length() - a.denominator.bit_length()
    if Fraction(2) ** e > a:
        e -= 1
    elif Fraction(2) ** (e + 1) <= a:
        e += 1
    if e < -126:
        e = -126  # subnormal range: fixed quantum 2^-149
    scaled = a / (Fraction(2) ** (e - 23))
    n = scaled.numerator // scaled.denominator
    rem = scaled - n
    if rem > Fraction(1, 2) or (rem == Fraction(1, 2) and n % 2 == 1):
        n += 1
    value = Fraction(n) * (Fraction(2) ** (e - 23))
    if value >= Fraction(2) ** 128:
        return sign * INF
    return sign * float(value)


NUMERIC = re.compile(r"^([+-]?)(\d+\.?\d*|\.\d+)(?:([EeDdQq])([+-]?\d+)|([+-]\d+))?$")


@functools.lru_cache(maxsize=None)
def decimal_to_f32(text):
    """Convert a numeric token; None when it is not a number."""
    m = NUMERIC.match(text)
    if not m:
        return None
    sign, mant, _letter, exp1, exp2 = m.groups()
    exp = int(exp1 if exp1 is not None else (exp2 if exp2 is not None else "0"))
    if "." in mant:
        whole, frac = mant.split(".")
    else:
        whole, frac = mant, ""
    digits = int((whole + frac) or "0")
    q = Fraction(digits) * Fraction(10) ** (exp - len(frac))
    v = f32_from_fraction(q)
    if sign == "-":
        v = -v
    return v


# ---------------------------------------------------------- record input

BOM = b"\xef\xbb\xbf"

# What ends a first-pass read of a record.
READ_OK, END_OF_FILE, END_INSIDE_RECORD, UNREADABLE = range(4)


class ListReader:
    """Free-form reader of records of three reals from a byte string."""

    SEPS = " \t,/)"

    def __init__(self, data):
        # A byte-order mark at the very start is no part of the data.
        if data.startswith(BOM):
            data = data[len(BOM):]
        parts = data.split(b"\n")
        # Text after the last line feed is the last record; none when empty.
        if parts[-1] == b"":
            parts.pop()
        self.lines = []
        for p in parts:
            if p.endswith(b"\r"):
                p = p[:-1]
            self.lines.append(p.decode("latin-1"))
        self.next = 0  # lines taken so far: the 1-based number of the current line
        self.line = None
        self.pos = 0

    def _take_line(self):
        if self.next >= len(self.lines):
            return False
        self.line = self.lines[self.next]
        self.next += 1
        self.pos = 0
        return True

    @staticmethod
    def _value(tok):
        if ListReader._is_word(tok):
            return -1.0 if tok.lstrip(".")[:1] in ("T", "t") else 0.0
        return decimal_to_f32(tok)

    def read3(self, vals):
        """Read one record into vals (list of 3, kept between records).

        Returns READ_OK, END_OF_FILE (nothing of a record read),
        END_INSIDE_RECORD (after a value or null value of it) or UNREADABLE
        (a syntax error on line self.next). After READ_OK, self.trace holds
        what the checks need: first line, lines, empty, word, rest."""
        if not self._take_line():
            return END_OF_FILE
        i = 0
        after_value = False
        t = self.trace = {"first": None, "empty": False, "word": False, "rest": ""}
        while i < 3:
            if self.pos >= len(self.line):
                if not self._take_line():
                    return END_INSIDE_RECORD if i > 0 else END_OF_FILE
                continue
            ch = self.line[self.pos]
            if ch in " \t":
                self.pos += 1
                continue
            if t["first"] is None:
                t["first"] = self.next
            if ch == ",":
                self.pos += 1
                if after_value:
                    after_value = False
                else:
                    # a comma after a separating comma (or first of all): null
                    i += 1
                    t["empty"] = True
                continue
            if ch == "/":
                t["empty"] = True
                t["last"] = self.next
                t["rest"] = self.line[self.pos + 1:]
                return READ_OK
            start = self.pos
            while self.pos < len(self.line) and self.line[self.pos] not in self.SEPS:
                self.pos += 1
            tok = self.line[start:self.pos]
            if not tok:
                return UNREADABLE
            if "*" in tok:
                r, _, val = tok.partition("*")
                if not r.isdigit() or int(r) == 0:
                    return UNREADABLE
                count = min(int(r), 3 - i)
                if val == "":
                    i += count
                    t["empty"] = True
                else:
                    v = self._value(val)
                    if v is None:
                        return UNREADABLE
                    t["word"] = t["word"] or self._is_word(val)
                    for _ in range(count):
                        vals[i] = v
                        i += 1
            else:
                v = self._value(tok)
                if v is None:
                    return UNREADABLE
                t["word"] = t["word"] or self._is_word(tok)
                vals[i] = v
                i += 1
            after_value = True
        t["last"] = self.next
        t["rest"] = self.line[self.pos:]
        return READ_OK

    @staticmethod
    def _is_word(tok):
        t = tok[1:] if tok.startswith(".") else tok
        return t[:1] in ("T", "t", "F", "f")


def records_word(n):
    return "1 record" if n == 1 else "%d records" % n


def looks_decimal_comma(line):
    inner = line.strip(" \t")
    digits = "0123456789"
    between = any(line[k] == "," and line[k - 1] in digits and line[k + 1] in digits for k in range(1, len(line) - 1))
    return between and (" " in inner or "\t" in inner)


CHECKS = [
    # key, plural text after N, singular text after 1, text before N
    ("comma", " records seem to use decimal commas, which here separate values",
     " record seems to use decimal commas, which here separate values", ""),
    ("text", " records have text after the values read, which is not used",
     " record has text after the values read, which is not used", ""),
    ("lines", " records go on over more than one line", " record goes on over more than one line", ""),
    ("empty", " records leave a value empty, which keeps the last value read in its column",
     " record leaves a value empty, which keeps the last value read in its column", ""),
    ("word", " records hold a word, read as the number -1 or 0", " record holds a word, read as the number -1 or 0", ""),
    ("beyond", " temperatures lie below -90 or above 60 degrees Celsius, beyond any ever observed, and are used as they are",
     " temperature lies below -90 or above 60 degrees Celsius, beyond any ever observed, and is used as it is", ""),
    ("minmax", " days the minimum temperature is above the maximum", " day the minimum temperature is above the maximum",
     "on "),
]


def check_lines(rdr, traces, out, clean_empty):
    """The warning lines of the checks of the first pass, in their order."""
    found = {key: [0, 0] for key, _, _, _ in CHECKS}

    def note(key, times, line):
        if times:
            if found[key][0] == 0:
                found[key][1] = line
            found[key][0] += times

    hmd_above_one = False
    for t, (tmax, tmin, hmd) in zip(traces, out):
        line = t["first"]
        note("comma", looks_decimal_comma(rdr.lines[line - 1]), line)
        note("text", any(ch not in " \t," for ch in t["rest"]), line)
        note("lines", t["last"] > line, line)
        note("empty", t["empty"], line)
        note("word", t["word"], line)
        note("beyond", sum(1 for v in (tmax, tmin) if t_valid(v) and (v < -90.0 or v > 60.0)), line)
        note("minmax", t_valid(tmax) and t_valid(tmin) and tmin > tmax, line)
        hmd_above_one = hmd_above_one or (h_valid(hmd) and hmd > 1.0)
    return check_warning_lines(found, hmd_above_one, out, clean_empty)


def check_warning_lines(found, hmd_above_one, out, clean_empty):
    """The checks' lines from what they found, over the records `out`."""
    lines = []
    if clean_empty:
        lines.append(" Warning: the input file holds no record.")
    for key, plural, singular, before in CHECKS:
        n, line = found[key]
        if n == 1:
            lines.append(" Warning: %s1%s (line %d)." % (before, singular, line))
        elif n > 1:
            lines.append(" Warning: %s%d%s (first: line %d)." % (before, n, plural, line))
    if any(h_valid(v[2]) for v in out) and not hmd_above_one:
        lines.append(" Warning: every humidity is 1 or less; humidity is read in percent.")
    for k, label in enumerate(("tmp_max", "tmp_min", "hmd")):
        valid = t_valid if k < 2 else h_valid
        if out and not any(valid(v[k]) for v in out):
            lines.append(" Warning: every %s value is no-data, so its means are NaN." % label)
    return lines


def read_all(data):
    """The records of the first pass, and the warning lines on where it
    stopped and of the checks."""
    rdr = ListReader(data)
    vals = [0.0, 0.0, 0.0]
    out = []
    traces = []
    while True:
        status = rdr.read3(vals)
        if status != READ_OK:
            break
        out.append(tuple(vals))
        traces.append(rdr.trace)
    warnings = []
    if status == UNREADABLE:
        warnings.append(" Warning: line %d of the input file cannot be read; reading stops there, after %s."
                        % (rdr.next, records_word(len(out))))
    elif status == END_INSIDE_RECORD:
        warnings.append(" Warning: the input file ends inside a record; reading stops there, after %s."
                        % records_word(len(out)))
    return out, warnings + check_lines(rdr, traces, out, status == END_OF_FILE and not out)


# ------------------------------------------------------------ dated files

CELL_BLANKS = " \t\r"
ISO_DATE = re.compile(r"^(\d{4})-(\d{2})-(\d{2})(?:T\d{1,2}:\d{2}(?::\d{2})?Z?)?$")
COMPACT_DATE = re.compile(r"^(\d{4})(\d{2})(\d{2})$")
DOTTED_DATE = re.compile(r"^(\d{1,2})\.(\d{1,2})\.(\d{4})$")
TIME_CELL = re.compile(r"^\d{1,2}:\d{2}(?::\d{2})?Z?$")
DATED_NUMBER = re.compile(r"^([+-]?)(\d*)\.?(\d*)(?:[Ee]([+-]?\d+))?$")
SEPARATOR = re.compile(r"[ \t\r]*,[ \t\r]*|[ \t\r]+")
FORMS = ("iso", "compact", "dotted", "columns")
MONTH_NAMES = ["January", "February", "March", "April", "May", "June", "July",
               "August", "September", "October", "November", "December"]


def file_lines(data):
    """The lines as the reader takes them: LF ends a line, a CR before it goes."""
    if data.startswith(BOM):
        data = data[len(BOM):]
    parts = data.split(b"\n")
    if parts[-1] == b"":
        parts.pop()
    return [p[:-1].decode("latin-1") if p.endswith(b"\r") else p.decode("latin-1") for p in parts]


def cells_of(line):
    """(text, offset in the line) of each cell."""
    if ";" in line:
        cells, at = [], 0
        for piece in line.split(";"):
            lead = len(piece) - len(piece.lstrip(CELL_BLANKS))
            cells.append((piece.strip(CELL_BLANKS), at + lead))
            at += len(piece) + 1
        return cells
    lead = len(line) - len(line.lstrip(CELL_BLANKS))
    text = line.strip(CELL_BLANKS)
    cells, at = [], 0
    for sep in SEPARATOR.finditer(text):
        cells.append((text[at:sep.start()], lead + at))
        at = sep.end()
    cells.append((text[at:], lead + at))
    return cells


def unq(text):
    return text[1:-1] if len(text) >= 2 and text[0] == '"' and text[-1] == '"' else text


def days_before_year(y):
    """Days from 1 January of year 1 to 1 January of year y, any y."""
    y -= 1
    return 365 * y + y // 4 - y // 100 + y // 400


def day_count(y, m, d):
    return days_before_year(y) + sum(MONTH_DAYS[:m - 1]) + (1 if m > 2 and is_leap(y) else 0) + d


def real_day(ymd):
    y, m, d = ymd
    return 1000 <= y <= 9999 and 1 <= m <= 12 and 1 <= d <= MONTH_DAYS[m - 1] + (m == 2 and is_leap(y))


def date_of(cells, form, deciding):
    """((year, month, day), index of the first value cell) when the cells
    have the form's shape, whether the day exists or not; else None."""
    texts = [unq(t) for t, _ in cells]
    if form == "columns":
        if len(texts) < (4 if deciding else 3):
            return None
        if re.match(r"^\d{4}$", texts[0]) and all(re.match(r"^\d{1,2}$", t) for t in texts[1:3]):
            return (int(texts[0]), int(texts[1]), int(texts[2])), 3
        return None
    m = {"iso": ISO_DATE, "compact": COMPACT_DATE, "dotted": DOTTED_DATE}[form].match(texts[0])
    if not m:
        return None
    ymd = (int(m[3]), int(m[2]), int(m[1])) if form == "dotted" else (int(m[1]), int(m[2]), int(m[3]))
    return ymd, (2 if len(texts) > 1 and TIME_CELL.match(texts[1]) else 1)


def layout_of(lines):
    """(form, index of the deciding line) of a dated file, else None."""
    header = False
    for i, line in enumerate(lines):
        if not line.strip(CELL_BLANKS):
            continue
        cells = cells_of(line)
        for form in FORMS:
            found = date_of(cells, form, True)
            if found and real_day(found[0]):
                return form, i
        if header:
            continue
        text = line.lstrip(CELL_BLANKS)
        number = text[:1] in "0123456789" and text[:1] != "" or (
            text[:1] in ("+", "-", ".") and text[1:2] != "" and text[1:2] in "0123456789")
        if number and not any(date_of(cells, form, True) for form in FORMS):
            return None
        header = True
    return None


def dated_value(text, semicolons):
    """(value, is a number or no-data marker) of a value cell."""
    text = unq(text).strip(CELL_BLANKS)
    if text == "" or text.lower() in ("na", "n/a", "nan"):
        return NAN, True
    if semicolons:
        if text.count(",") + text.count(".") > 1:
            return NAN, False
        text = text.replace(",", ".")
    m = DATED_NUMBER.match(text)
    if not m or (m[2] == "" and m[3] == ""):
        return NAN, False
    digits = (m[2] + m[3]).lstrip("0")
    exponent = int(m[4] or 0) - len(m[3])
    sign = -1.0 if m[1] == "-" else 1.0
    if digits == "" or exponent + len(digits) < -50:
        return sign * 0.0, True
    if exponent + len(digits) > 45:
        return sign * INF, True
    return sign * f32_from_fraction(Fraction(int(digits)) * Fraction(10) ** exponent), True


def read_dated(lines, form, start, first_year):
    """The days from 1 January of first_year to the last record placed, as
    (tmax, tmin, hmd) with NaN for no-data, and the warning lines."""
    first_day = days_before_year(first_year) + 1
    notes = {"no date": [0, 0], "before": [0, 0], "back": [0, 0], "words": [0, 0]}
    found = {key: [0, 0] for key, _, _, _ in CHECKS}
    hmd_above_one = False
    days, gaps, first_gap = [], 0, None

    def note(table, key, times, n):
        if times:
            if table[key][0] == 0:
                table[key][1] = n
            table[key][0] += times

    for i in range(start, len(lines)):
        line, n = lines[i], i + 1
        if not line.strip(CELL_BLANKS):
            continue
        cells = cells_of(line)
        found_date = date_of(cells, form, False)
        if not found_date or not real_day(found_date[0]):
            note(notes, "no date", 1, n)
            continue
        day = day_count(*found_date[0]) - first_day + 1
        if day < 1:
            note(notes, "before", 1, n)
            continue
        if day <= len(days):
            note(notes, "back", 1, n)
            continue
        semicolons = ";" in line
        value_cells = cells[found_date[1]:found_date[1] + 3]
        values = [dated_value(t, semicolons) for t, _ in value_cells]
        note(notes, "words", sum(1 for _, ok in values if not ok), n)
        row = tuple([v for v, _ in values] + [NAN] * (3 - len(values)))
        if day > len(days) + 1:
            first_gap = len(days) + 1 if first_gap is None else first_gap
            gaps += day - len(days) - 1
            days.extend([(NAN, NAN, NAN)] * (day - len(days) - 1))
        days.append(row)
        tmax, tmin, hmd = row
        if value_cells and not semicolons:
            note(found, "comma", looks_decimal_comma(line[value_cells[0][1]:]), n)
        note(found, "text", any(unq(t) != "" for t, _ in cells[found_date[1] + 3:]), n)
        note(found, "beyond", sum(1 for v in (tmax, tmin) if t_valid(v) and (v < -90.0 or v > 60.0)), n)
        note(found, "minmax", t_valid(tmax) and t_valid(tmin) and tmin > tmax, n)
        hmd_above_one = hmd_above_one or (h_valid(hmd) and hmd > 1.0)

    def counted(key, plural, singular):
        count, n = notes[key]
        if count == 1:
            return [" Warning: 1 %s (line %d)." % (singular, n)]
        return [" Warning: %d %s (first: line %d)." % (count, plural, n)] if count else []

    year = first_year
    warnings = counted("no date", "lines of the input file begin with no date and are not used",
                       "line of the input file begins with no date and is not used")
    warnings += counted("before", "records are dated before 1 January %d, the first year, and are not used" % year,
                        "record is dated before 1 January %d, the first year, and is not used" % year)
    warnings += counted("back", "records repeat the date of a record before them or go back to an earlier date, "
                        "and are not used", "record repeats the date of a record before it or goes back to an "
                        "earlier date, and is not used")
    warnings += counted("words", "values are not numbers and count as no-data",
                        "value is not a number and counts as no-data")
    if gaps:
        # The first day without a record, counted from 1 January of the first year.
        y, left = first_year, first_gap
        while left > 365 + is_leap(y):
            left -= 365 + is_leap(y)
            y += 1
        m = 0
        while left > MONTH_DAYS[m] + (m == 1 and is_leap(y)):
            left -= MONTH_DAYS[m] + (m == 1 and is_leap(y))
            m += 1
        date = "%s%04d-%02d-%02d" % ("-" if y < 0 else "", abs(y), m + 1, left)
        if gaps == 1:
            warnings.append(" Warning: 1 day has no record and counts as no-data in all three columns (%s)." % date)
        else:
            warnings.append(" Warning: %d days have no record and count as no-data in all three columns "
                            "(first: %s)." % (gaps, date))
    return days, warnings + check_warning_lines(found, hmd_above_one, days, False)


def read_input(data, first_year):
    """The records of the first pass and the warning lines before the walk."""
    lines = file_lines(data)
    layout = layout_of(lines)
    if layout is None:
        return read_all(data)
    return read_dated(lines, layout[0], layout[1], first_year)


def months_line(failing, first):
    if failing == 0:
        return None
    where = "%s %d" % first
    if failing == 1:
        return (" Warning: 1 month of the record misses 11 or more days or 5 in a row, more than the WMO rule allows "
                "for a monthly mean; its missing values are filled with the file means (%s)." % where)
    return (" Warning: %d months of the record miss 11 or more days or 5 in a row, more than the WMO rule allows "
            "for a monthly mean; their missing values are filled with the file means (first: %s)." % (failing, where))


# -------------------------------------------------------- number output

def fmt_f(v, w, d):
    """Fw.d of a single-precision value."""
    if v != v:
        return (" NaN" + " " * w)[:w]
    if v in (INF, -INF):
        t = " -Infinity" if v < 0 else " Infinity"
        return (t + " " * w)[:w]
    q = Decimal(v).quantize(Decimal(1).scaleb(-d), rounding=ROUND_HALF_UP)
    neg = q < 0
    mag = abs(q)
    s = format(mag, "f")
    whole, frac = s.split(".")
    if whole == "0":
        whole = ""
    body = whole + "." + frac
    text = ("-" if neg else "") + body
    if whole == "" and len(text) < w:
        # a free column in front of the point takes a leading zero
        text = ("-" if neg else "") + "0" + body
    if len(text) > w:
        return "*" * w
    return text.rjust(w)


def fmt_i(n, w):
    s = str(n)
    if len(s) > w:
        return "*" * w
    return s.rjust(w)


def read_f62(field):
    """Read one F6.2 field back; None when it does not convert."""
    t = field.strip()
    if t == "NaN":
        return NAN
    if "*" in t or t == "":
        return None if t else 0.0
    v = decimal_to_f32(t)
    return v


# ------------------------------------------------------------ the run

def is_leap(y):
    return y % 4 == 0 and (y % 100 != 0 or y % 400 == 0)


MONTH_DAYS = [31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31]
MONTHS = ["Jan", "Feb", "Mar", "Apr", "May", "Jun",
          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"]


def t_valid(v):
    return -100.0 < v < 100.0


def h_valid(v):
    return 0.0 < v <= 100.0


def safe_div(s, n):
    if n == 0:
        return NAN
    return f32(s / n)


def log10_ext(x):
    if x != x or x < 0:
        return NAN
    if x == 0:
        return -INF
    if x == INF:
        return INF
    return math.log10(x)


def dew_point(tmax, tmin, hmd):
    def es_of(t):
        if t != t:
            return NAN
        return f32(math.exp((c(17.27) * t) / (t + c(237.3))) * c(6.108))
    es_max = es_of(tmax)
    es_min = es_of(tmin)
    es = f32((es_min + es_max) / c(2.0))
    ea = f32((es * hmd) / c(100.0))
    L = log10_ext(ea)
    num = f32(c(234.18) * L - c(184.2))
    den = c(8.204) - L
    if num != num or den != den:
        return NAN
    if den == 0:
        return NAN if num == 0 else math.copysign(INF, num)
    return f32(num / den)


def walk_warning(first_year, year_count, record_count):
    """The line on the records the calendar walk did not use or missed."""
    if year_count == 0:
        if record_count > 0:
            return " Warning: fewer than 365 records make no whole year; no record is used."
        return None
    last_year = first_year + year_count - 1
    days = sum(366 if is_leap(y) else 365 for y in range(first_year, last_year + 1))
    if record_count > days:
        left = record_count - days
        if left == 1:
            return " Warning: the last record falls after 31 December %d and is not used." % last_year
        return " Warning: the last %d records fall after 31 December %d and are not used." % (left, last_year)
    if record_count < days:
        short = days - record_count
        return " Warning: the records end %d %s before 31 December %d." % (
            short, "day" if short == 1 else "days", last_year)
    return None


def compute(data, first_year):
    recs, read_warnings = read_input(data, first_year)
    record_count = len(recs)
    year_count = record_count // 365
    sums = [0.0, 0.0, 0.0]
    nodata = [0, 0, 0]
    for r in recs:
        for k in range(3):
            ok = h_valid(r[k]) if k == 2 else t_valid(r[k])
            if ok:
                sums[k] = f32(sums[k] + r[k])
            else:
                nodata[k] += 1
    means = [safe_div(sums[k], record_count - nodata[k]) for k in range(3)]
    filled = []
    for r in recs:
        row = []
        for k in range(3):
            ok = h_valid(r[k]) if k == 2 else t_valid(r[k])
            row.append(r[k] if ok else means[k])
        filled.append(row)

    # Deal the days out to the twelve month work files; count each walked
    # month's days that miss a value of a column that has valid ones.
    counts = [nodata[k] < record_count for k in range(3)]
    failing, first_failing = 0, None
    work = [[] for _ in range(12)]
    idx = 0
    done = False
    for y in range(first_year, first_year + year_count):
        for m in range(12):
            n = MONTH_DAYS[m] + (1 if m == 1 and is_leap(y) else 0)
            missing = run = longest = walked = 0
            for _ in range(n):
                if idx >= record_count:
                    done = True
                    break
                r = recs[idx]
                if any(counts[k] and not (h_valid(r[k]) if k == 2 else t_valid(r[k])) for k in range(3)):
                    missing += 1
                    run += 1
                    longest = max(longest, run)
                else:
                    run = 0
                walked += 1
                row = filled[idx]
                idx += 1
                work[m].append("".join(fmt_f(v, 6, 2) for v in row))
            if walked and (missing >= 11 or longest >= 5):
                failing += 1
                first_failing = first_failing or (MONTH_NAMES[m], y)
            if done:
                break
        if done:
            break

    table = []
    for m in range(12):
        days = []
        for line in work[m]:
            vals = [read_f62(line[0:6]), read_f62(line[6:12]), read_f62(line[12:18])]
            # A record with a field that does not read back is left out.
            if any(v is None for v in vals):
                continue
            days.append(vals)
        s = [0.0, 0.0, 0.0, 0.0]
        dew_days = 0
        for tmax, tmin, hmd in days:
            dp = dew_point(tmax, tmin, hmd)
            s[0] = f32(s[0] + tmax)
            s[1] = f32(s[1] + tmin)
            s[2] = f32(s[2] + hmd)
            # Only days whose dew point is a number count for its mean.
            if dp == dp:
                s[3] = f32(s[3] + dp)
                dew_days += 1
        n = len(days)
        table.append([safe_div(s[0], n), safe_div(s[1], n), safe_div(s[2], n), safe_div(s[3], dew_days)])
    warnings = read_warnings + [w for w in (walk_warning(first_year, year_count, record_count),
                                            months_line(failing, first_failing)) if w]
    return record_count, year_count, nodata, table, warnings


def report(name_field, first_year, data):
    """The report's bytes and the warning lines of the run's standard error."""
    record_count, year_count, nodata, table, warnings = compute(data, first_year)
    rule = " " + "_" * 57
    lines = [
        " This file has been generated by the program 'tiral.exe'",
        " Input Filename    = " + (name_field + " " * 50)[:50],
        " Number of Years   = " + fmt_i(year_count, 12),
        " Number of Records = " + fmt_i(record_count, 12),
        " ",
        " Number of NoData Values",
        " tmp_max = " + fmt_i(nodata[0], 12),
        " tmp_min = " + fmt_i(nodata[1], 12),
        " hmd     = " + fmt_i(nodata[2], 12),
        " ",
        " ",
        " Average Daily Dew Point Temperature for Period ("
        + fmt_i(first_year, 4) + " - "
        + fmt_i(first_year + year_count - 1, 4) + ")",
        " ",
        rule,
        " ",
        "   Month" + "".join(t.rjust(12) for t in ("tmp_max", "tmp_min", "hmd", "dewpt")),
        rule,
        " ",
    ]
    for m in range(12):
        lines.append(MONTHS[m].rjust(8) + "".join(fmt_f(v, 12, 2) for v in table[m]))
    lines += [
        rule,
        " ",
        " ",
        " tmp_max = average daily maximum temperature in month [\xb0C]",
        " tmp_min = average daily minimum temperature in month [\xb0C]",
        " hmd     = average daily humidity in month [%]",
        " dewpt   = average daily dew point temperature in month [\xb0C]",
        " ",
        " ",
        " Dew point temperatures from daily records",
    ]
    assert len(lines) == 40
    return (crlf_lines(lines), crlf_lines(warnings))


def crlf_lines(lines):
    return "".join(l + "\r\n" for l in lines).encode("latin-1")


# ------------------------------------------------------------ checking

def answers_of(case_dir):
    """Input name field and first year from a case's answers (simple forms)."""
    text = open(os.path.join(case_dir, "answers"), "rb").read().decode("latin-1")
    lines = [l.rstrip("\r") for l in text.split("\n")]
    nonblank = [l for l in lines if l.strip(" \t")]
    first = nonblank[0].lstrip(" \t")
    if first[:1] in ("'", '"'):
        q = first[0]
        name = first[1:first.index(q, 1)]
    else:
        name = re.split(r"[ \t,]", first)[0]
    # the year: first value on the last line, a fraction cut off
    year = int(float(re.split(r"[ \t,]", nonblank[-1].strip(" \t"))[0]))
    return name, year


def first_difference(what, want, got):
    """Lines telling where got first differs from want; none when equal."""
    if got == want:
        return []
    i = next((k for k in range(min(len(got), len(want))) if got[k] != want[k]),
             min(len(got), len(want)))
    line = want[:i].count(b"\n") + 1
    want_lines, got_lines = want.split(b"\r\n"), got.split(b"\r\n")
    return ["  %s: first difference at byte %d (line %d)" % (what, i, line),
            "  want: %r" % (want_lines[line - 1] if line <= len(want_lines) else b""),
            "  got:  %r" % (got_lines[line - 1] if line <= len(got_lines) else b"")]


def read_bytes(path):
    with open(path, "rb") as f:
        return f.read()


def check(case_dir):
    """Differences between the model and a case folder's report and, for a
    run without a fatal diagnostic, its standard error."""
    path = os.path.join(case_dir, "input")
    if not os.path.exists(path):
        return ["  a missing input file is refused: no report, yet one is expected"]
    name, year = answers_of(case_dir)
    got_report, got_stderr = report(name, year, read_bytes(path))
    diffs = first_difference("report", read_bytes(os.path.join(case_dir, "expected-report")), got_report)
    stderr_path = os.path.join(case_dir, "expected-stderr")
    status_path = os.path.join(case_dir, "expected-status")
    ends_normally = not os.path.exists(status_path) or read_bytes(status_path).strip() == b"0"
    if ends_normally and os.path.exists(stderr_path):
        diffs += first_difference("stderr", read_bytes(stderr_path), got_stderr)
    return diffs


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--check", nargs="+", metavar="CASE_DIR")
    ap.add_argument("input", nargs="?")
    ap.add_argument("first_year", nargs="?", type=int)
    ap.add_argument("--name")
    ap.add_argument("-o", "--output")
    a = ap.parse_args()
    if a.check:
        checked = bad = 0
        for d in a.check:
            if not os.path.isdir(d):
                print("DIFF %s: no such folder" % d)
                bad += 1
                continue
            if not os.path.exists(os.path.join(d, "expected-report")):
                continue
            diffs = check(d)
            checked += 1
            print("%-4s %s" % ("DIFF" if diffs else "ok", d.rstrip("/")))
            for line in diffs:
                print(line)
            bad += bool(diffs)
        print("%d of %d case folders agree with the model" % (checked - bad, checked))
        return 1 if bad or not checked else 0
    if a.input is None or a.first_year is None:
        ap.error("INPUT and FIRST_YEAR are required")
    data = read_bytes(a.input)
    name = a.name if a.name is not None else os.path.basename(a.input)
    out, warnings = report(name, a.first_year, data)
    sys.stderr.buffer.write(warnings)
    if a.output:
        with open(a.output, "wb") as f:
            f.write(out)
    else:
        sys.stdout.buffer.write(out)
    return 0


if __name__ == "__main__":
    sys.exit(main())
