#!/usr/bin/env python3
"""Independent reference computation of a tiral report.

Derives the expected report bytes of an end-to-end case from its input file,
without running tiral.  Standard library only.  Single precision is emulated
by rounding to float32 through struct pack/unpack (or exactly, through
fractions, where a decimal text is converted); exp and log10 run in double.

    make_expected.py INPUT FIRST_YEAR [--name NAME] [-o REPORT]
        writes the report for INPUT started in FIRST_YEAR (NAME is the input
        name field as typed, default: the base name of INPUT) to REPORT or to
        standard output.

    make_expected.py --check CASE_DIR...
        recomputes the report of each case folder (input, input-name,
        answers, expected-report) and compares it byte for byte.
"""

import argparse
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

class ListReader:
    """Free-form reader of records of three reals from a byte string."""

    SEPS = " \t,/)"

    def __init__(self, data):
        parts = data.split(b"\n")
        # Text after the last line feed is not a record.
        self.lines = []
        for p in parts[:-1]:
            if p.endswith(b"\r"):
                p = p[:-1]
            self.lines.append(p.decode("latin-1"))
        self.next = 0
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
        t = tok[1:] if tok.startswith(".") else tok
        if t[:1] in ("T", "t"):
            return -1.0
        if t[:1] in ("F", "f"):
            return 0.0
        return decimal_to_f32(tok)

    def read3(self, vals):
        """Read one record into vals (list of 3, kept between records).

        Returns 0 on success, -1 at end of file, 59 on a syntax error."""
        if not self._take_line():
            return -1
        i = 0
        after_value = False
        while i < 3:
            if self.pos >= len(self.line):
                if not self._take_line():
                    return -1
                continue
            ch = self.line[self.pos]
            if ch in " \t":
                self.pos += 1
                continue
            if ch == ",":
                self.pos += 1
                if after_value:
                    after_value = False
                else:
                    # a comma after a separating comma (or first of all): null
                    i += 1
                continue
            if ch == "/":
                return 0
            start = self.pos
            while self.pos < len(self.line) and self.line[self.pos] not in self.SEPS:
                self.pos += 1
            tok = self.line[start:self.pos]
            if not tok:
                return 59
            if "*" in tok:
                r, _, val = tok.partition("*")
                if not r.isdigit() or int(r) == 0:
                    return 59
                count = min(int(r), 3 - i)
                if val == "":
                    i += count
                else:
                    v = self._value(val)
                    if v is None:
                        return 59
                    for _ in range(count):
                        vals[i] = v
                        i += 1
            else:
                v = self._value(tok)
                if v is None:
                    return 59
                vals[i] = v
                i += 1
            after_value = True
        return 0


def read_all(data):
    rdr = ListReader(data)
    vals = [0.0, 0.0, 0.0]
    out = []
    while rdr.read3(vals) == 0:
        out.append(tuple(vals))
    return out


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


def compute(data, first_year):
    recs = read_all(data)
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

    # Deal the days out to the twelve month work files.
    work = [[] for _ in range(12)]
    idx = 0
    done = False
    for y in range(first_year, first_year + year_count):
        for m in range(12):
            n = MONTH_DAYS[m] + (1 if m == 1 and is_leap(y) else 0)
            for _ in range(n):
                if idx >= record_count:
                    done = True
                    break
                row = filled[idx]
                idx += 1
                work[m].append("".join(fmt_f(v, 6, 2) for v in row))
            if done:
                break
        if done:
            break

    table = []
    for m in range(12):
        days = []
        for line in work[m]:
            vals = [read_f62(line[0:6]), read_f62(line[6:12]), read_f62(line[12:18])]
            if any(v is None for v in vals):
                break
            days.append(vals)
        n = len(days)
        s = [0.0, 0.0, 0.0, 0.0]
        for tmax, tmin, hmd in days:
            dp = dew_point(tmax, tmin, hmd)
            s[0] = f32(s[0] + tmax)
            s[1] = f32(s[1] + tmin)
            s[2] = f32(s[2] + hmd)
            s[3] = f32(s[3] + dp)
        table.append([safe_div(x, n) for x in s])
    return record_count, year_count, nodata, table


def report(name_field, first_year, data):
    record_count, year_count, nodata, table = compute(data, first_year)
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


def check(case_dir):
    name, year = answers_of(case_dir)
    path = os.path.join(case_dir, "input")
    data = open(path, "rb").read() if os.path.exists(path) else b""
    got = report(name, year, data)
    want = open(os.path.join(case_dir, "expected-report"), "rb").read()
    if got == want:
        return True
    i = next((k for k in range(min(len(got), len(want))) if got[k] != want[k]),
             min(len(got), len(want)))
    line = want[:i].count(b"\n") + 1
    print("  first difference at byte %d (report line %d)" % (i, line))
    print("  want: %r" % want.split(b"\r\n")[line - 1])
    print("  got:  %r" % got.split(b"\r\n")[line - 1])
    return False


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--check", nargs="+", metavar="CASE_DIR")
    ap.add_argument("input", nargs="?")
    ap.add_argument("first_year", nargs="?", type=int)
    ap.add_argument("--name")
    ap.add_argument("-o", "--output")
    a = ap.parse_args()
    if a.check:
        bad = 0
        for d in a.check:
            if not os.path.exists(os.path.join(d, "expected-report")):
                continue
            ok = check(d)
            print("%-4s %s" % ("ok" if ok else "DIFF", d.rstrip("/")))
            bad += not ok
        return 1 if bad else 0
    if a.input is None or a.first_year is None:
        ap.error("INPUT and FIRST_YEAR are required")
    data = open(a.input, "rb").read()
    name = a.name if a.name is not None else os.path.basename(a.input)
    out = report(name, a.first_year, data)
    if a.output:
        with open(a.output, "wb") as f:
            f.write(out)
    else:
        sys.stdout.buffer.write(out)
    return 0


if __name__ == "__main__":
    sys.exit(main())
