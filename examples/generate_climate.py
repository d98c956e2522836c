#!/usr/bin/env python3
"""Write a SYNTHETIC daily weather record for tiral.

The values are invented: a smooth seasonal cycle of a mid-latitude station
(maximum temperature about 3 C in January and 24 C in July, minimum about
8 C lower, humidity 60 to 90 % and highest in winter), day-to-day weather
noise with some persistence, and a few no-data values (-999.0 for a
temperature, 0.0 or 101.0 for a humidity). They are not measurements of any
real place.

One record per line, "tmax tmin hmd" with one decimal, single blanks and LF
line ends, no header (tiral reads data only). The first record is 1 January
of the first year; leap days are included. The output depends only on the
options: the generator has a fixed seed.

    generate_climate.py                       1991-2000, 3653 records, stdout
    generate_climate.py --first-year 2001 --years 1 --output one_year.txt
    generate_climate.py --records 10000000 --output big.txt
"""

import argparse
import math
import random
import sys

SEED = 19910101
CHUNK = 65536  # records per write

# Seasonal means (tmax, tmin, humidity) and noise sizes.
TMAX_MEAN, TMAX_AMPLITUDE = 13.5, 10.5  # 3.0 in mid January, 24.0 in mid July
TMIN_OFFSET = -8.0
HMD_MEAN, HMD_AMPLITUDE = 75.0, 15.0  # 90 % in mid January, 60 % in mid July
COLDEST_DAY = 15  # day of the year (0 = 1 January) of the seasonal minimum

# Chance of a no-data value, per value (about 12, 7 and 30 in ten years).
P_NODATA_TMAX = 0.0033
P_NODATA_TMIN = 0.0019
P_NODATA_HMD = 0.0082


def is_leap(year):
    return year % 4 == 0 and (year % 100 != 0 or year % 400 == 0)


def tenths_text(lo, hi):
    """Text of every value lo/10 .. hi/10 with one decimal, by tenths."""
    table = {}
    for t in range(lo, hi + 1):
        sign = "-" if t < 0 else ""
        a = abs(t)
        table[t] = "%s%d.%d" % (sign, a // 10, a % 10)
    return table


def generate(first_year, records, out):
    rng = random.Random(SEED)
    rnd = rng.random
    temp_text = tenths_text(-600, 600)
    hmd_text = tenths_text(0, 1010)
    nodata_temp = "-999.0"
    # Seasonal cycle per day of the year, for common and leap years.
    cycles = {}
    for length in (365, 366):
        rows = []
        for d in range(length):
            c = math.cos(2.0 * math.pi * (d - COLDEST_DAY) / length)
            rows.append((TMAX_MEAN - TMAX_AMPLITUDE * c, HMD_MEAN + HMD_AMPLITUDE * c))
        cycles[length] = rows

    anomaly = 0.0  # persistent weather anomaly, degrees
    written = 0
    year = first_year
    buf = []
    while written < records:
        length = 366 if is_leap(year) else 365
        for tmax_base, hmd_base in cycles[length]:
            if written >= records:
                break
            # Triangular noise in (-1, 1) from two uniforms: cheap and smooth.
            anomaly = 0.75 * anomaly + 4.5 * (rnd() + rnd() - 1.0)
            tmax = tmax_base + anomaly + 1.5 * (rnd() - 0.5)
            spread = -TMIN_OFFSET + 3.0 * (rnd() - 0.5)
            tmin = tmax - spread
            hmd = hmd_base - 1.2 * anomaly + 12.0 * (rnd() - 0.5)
            t1 = int(round(tmax * 10.0))
            t2 = int(round(tmin * 10.0))
            h = int(round(hmd * 10.0))
            h = 150 if h < 150 else (1000 if h > 1000 else h)
            s1 = temp_text[t1]
            s2 = temp_text[t2]
            s3 = hmd_text[h]
            if rnd() < P_NODATA_TMAX:
                s1 = nodata_temp
            if rnd() < P_NODATA_TMIN:
                s2 = nodata_temp
            if rnd() < P_NODATA_HMD:
                s3 = "0.0" if rnd() < 0.5 else "101.0"
            buf.append("%s %s %s\n" % (s1, s2, s3))
            written += 1
            if len(buf) >= CHUNK:
                out.write("".join(buf))
                buf.clear()
        year += 1
    if buf:
        out.write("".join(buf))


def main():
    ap = argparse.ArgumentParser(
        description="Write a SYNTHETIC daily weather record (tmax tmin hmd per line) for tiral.")
    ap.add_argument("--first-year", type=int, default=1991,
                    help="year of the first record, 1 January (default 1991)")
    ap.add_argument("--years", type=int, default=10,
                    help="whole calendar years to write, leap days included (default 10)")
    ap.add_argument("--records", type=int,
                    help="write exactly this many records instead, continuing the calendar")
    ap.add_argument("--output", help="file to write (default: standard output)")
    a = ap.parse_args()
    if a.records is not None:
        if a.records < 0:
            ap.error("--records must not be negative")
        records = a.records
    else:
        if a.years < 0:
            ap.error("--years must not be negative")
        records = sum(366 if is_leap(y) else 365
                      for y in range(a.first_year, a.first_year + a.years))
    if a.output:
        with open(a.output, "w", encoding="ascii", newline="\n", buffering=1 << 20) as f:
            generate(a.first_year, records, f)
    else:
        generate(a.first_year, records, sys.stdout)
        sys.stdout.flush()
    return 0


if __name__ == "__main__":
    sys.exit(main())
