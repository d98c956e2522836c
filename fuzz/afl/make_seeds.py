#!/usr/bin/env python3
"""Turns each shared vector into a seed of the whole-run harness.

    fuzz/afl/make_seeds.py VECTORS_FOLDER SEED_FOLDER [MAX_INPUT_BYTES]

A seed is the vector's answers, the marker line and the input file's bytes
(no marker when the vector has no input file). The harness always names the
input file climate.txt, so the vector's own input name in the answers becomes
climate.txt. Input files over MAX_INPUT_BYTES (default 16384, about three
years) are cut after the last whole line that fits: a run's time grows with
its input, and the years beyond add no path that the first ones lack.

A few made seeds follow, for shapes that no vector has and that a fuzzer
seldom grows by itself: an answer line longer than the console's first read,
the longest value a typed name may have, a file line longer than the file's
first read, numbers with more digits than the reader keeps, closed streams,
full files, and the faults of the system (console events, refused calls,
an old report). They are written even when VECTORS_FOLDER does not exist.
"""
import pathlib
import sys

MARKER = b"--input--\n"
HARNESS_INPUT_NAME = b"climate.txt"


ONE_YEAR = b"12.5 3.0 80.0\n" * 365


def made_seeds():
    """(name, bytes) of the seeds made here; the sizes sit past the reader's limits."""
    answers = b"climate.txt\nreport.txt\n1991\n"
    yield "made_long_answer_line", b" " * 5000 + answers + b" " * 5000 + b"\n" + MARKER + ONE_YEAR
    yield "made_longest_name_value", b"'" + b"a" * 2049 + b"'\nreport.txt\n1991\n" + MARKER + ONE_YEAR
    yield "made_long_file_line", answers + MARKER + b"12.5 3.0 80.0" + b" " * (256 * 1024 + 16) + b"\n" + ONE_YEAR
    long_numbers = b"1" * 850 + b".5 -" + b"0" * 850 + b"3.0 0." + b"0" * 850 + b"8E+3\n"
    yield "made_many_digits", answers + MARKER + long_numbers + ONE_YEAR
    # Closed standard streams and a file-size limit: the data stays the user's.
    footer = ONE_YEAR + b"end of data\n"
    yield "made_closed_error_stream", b"--setup--2\n" + answers + MARKER + footer
    yield "made_closed_output_stream", b"--setup--1\n" + answers + MARKER + ONE_YEAR
    yield "made_closed_input_stream", b"--setup--0\n" + MARKER + ONE_YEAR
    yield "made_small_file_size_limit", b"--setup--f1500\n" + answers + MARKER + ONE_YEAR
    # Faults of the system: a console event after the Nth record statement,
    # and one refused call. The counts fall, for a year of records, in the
    # dialog, the reading, the month work files and the report; "o" lays an
    # old report that a failed run must keep and a finished one replace.
    faults = [
        ("made_interrupt_at_start", b"i0"),
        ("made_interrupt_in_dialog", b"i2"),
        ("made_interrupt_while_reading", b"oi300"),
        ("made_break_in_month_work", b"q800"),
        ("made_hangup_while_reporting", b"oh1100"),
        ("made_termination_at_report_close", b"ot1190"),
        ("made_refused_answer_read", b"xrA1"),
        ("made_refused_input_read", b"xrI2"),
        ("made_refused_work_read", b"xrS5"),
        ("made_refused_prompt_write", b"xwI1"),
        ("made_refused_work_write", b"xwS20"),
        ("made_refused_report_write", b"oxwS23"),
        ("made_refused_input_open", b"xoA1"),
        ("made_refused_work_open", b"xoI2"),
        ("made_refused_report_open", b"oxoI14"),
        ("made_refused_old_report_open", b"oxoA14"),
        ("made_refused_rename", b"oxnI1"),
        ("made_refused_rename_new_report", b"xnA1"),
    ]
    for name, flags in faults:
        yield name, b"--setup--" + flags + b"\n" + answers + MARKER + ONE_YEAR
    # A warning that cannot be written, and then an interrupt.
    yield "made_refused_warning_write", b"--setup--xwI11\n" + answers + MARKER + footer
    yield "made_refused_warning_then_interrupt", b"--setup--oxwS11i1000\n" + answers + MARKER + footer
    # Dated files: a header, each date form, missing and repeated days, words.
    dated = b"DATE,TMAX,TMIN,RH\n" + b"".join(
        b"1991-%02d-%02d,12.5,3.0,80.0\n" % (m, d) for m in range(1, 13) for d in range(1, 29) if d % 9)
    yield "made_dated_iso_with_gaps", answers + MARKER + dated + b"1991-06-01,M,NA,\n1991-01-01,1,2,3\n"
    yield "made_dated_semicolons", answers + MARKER + b"Datum;Tmax;Tmin;RF\n" + b"".join(
        b"%02d.%02d.1991;07:00;12,5;3,0;80,0\r\n" % (d, m) for m in range(1, 13) for d in range(1, 29))
    yield "made_dated_columns", answers + MARKER + b"-END HEADER-\n" + b"".join(
        b"1991 %d %d 12.5 3.0 80.0\n" % (m, d) for m in range(1, 13) for d in range(1, 29))


def main() -> int:
    if len(sys.argv) not in (3, 4):
        print(__doc__.strip(), file=sys.stderr)
        return 2
    vectors = pathlib.Path(sys.argv[1])
    seeds = pathlib.Path(sys.argv[2])
    limit = int(sys.argv[3]) if len(sys.argv) == 4 else 16384
    seeds.mkdir(parents=True, exist_ok=True)
    written = 0
    seen = set()
    found = sorted(p for p in vectors.iterdir() if (p / "answers").is_file()) if vectors.is_dir() else []
    for vector in found:
        answers = (vector / "answers").read_bytes()
        name_file = vector / "input-name"
        if name_file.is_file() and name_file.read_bytes():
            answers = answers.replace(name_file.read_bytes(), HARNESS_INPUT_NAME)
        seed = answers
        input_file = vector / "input"
        if input_file.is_file():
            data = input_file.read_bytes()
            if len(data) > limit:
                data = data[: data.rfind(b"\n", 0, limit) + 1]
            seed += MARKER + data
        if seed in seen:
            continue
        seen.add(seed)
        (seeds / vector.name).write_bytes(seed)
        written += 1
    for name, seed in made_seeds():
        (seeds / name).write_bytes(seed)
    print(f"{written} seeds from {len(found)} vectors in {vectors}, and the made ones, in {seeds}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
