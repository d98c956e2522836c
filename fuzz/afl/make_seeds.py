#!/usr/bin/env python3
"""Turns each shared vector into a seed of the whole-run harness.

    fuzz/afl/make_seeds.py VECTORS_FOLDER SEED_FOLDER [MAX_INPUT_BYTES]

A seed is the vector's answers, the marker line and the input file's bytes
(no marker when the vector has no input file). The harness always names the
input file climate.txt, so the vector's own input name in the answers becomes
climate.txt. Input files over MAX_INPUT_BYTES (default 16384, about three
years) are cut after the last whole line that fits: a run's time grows with
its input, and the years beyond add no path that the first ones lack.
"""
import pathlib
import sys

MARKER = b"--input--\n"
HARNESS_INPUT_NAME = b"climate.txt"


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
    for vector in sorted(p for p in vectors.iterdir() if (p / "answers").is_file()):
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
    if written == 0:
        print(f"no seeds from {vectors}", file=sys.stderr)
        return 1
    print(f"{written} seeds in {seeds}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
