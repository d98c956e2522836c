#!/usr/bin/env python3
"""Lines of each function body in the given folders or files (default: src/).

A function is a brace block that follows a closing parenthesis (possibly
after `const`, `noexcept`, `override` or an initialiser list) outside any
other function; the blocks of namespaces, classes and structs are entered,
never counted. Comments, strings and character literals are skipped. Prints
the median, the 90th percentile and the longest; `--list` prints every
function, longest first.
"""
import argparse
import pathlib
import re
import statistics
import sys


def strip(text):
    """The text with comments, strings and character literals blanked, lines kept."""
    out = []
    i, n = 0, len(text)
    while i < n:
        c = text[i]
        if text.startswith("//", i):
            j = text.find("\n", i)
            i = n if j < 0 else j
        elif text.startswith("/*", i):
            j = text.find("*/", i + 2)
            j = n if j < 0 else j + 2
            out.append("\n" * text.count("\n", i, j))
            i = j
        elif text.startswith('R"', i):
            m = re.match(r'R"([^(]*)\(', text[i:])
            end = text.find(")" + m.group(1) + '"', i) if m else -1
            j = n if end < 0 else end + len(m.group(1)) + 2
            out.append('""' + "\n" * text.count("\n", i, j))
            i = j
        elif c in "\"'":
            # a digit separator is no literal: 2'147'483'647
            if c == "'" and i > 0 and text[i - 1].isalnum() and i + 1 < n and text[i + 1].isalnum():
                out.append(" ")
                i += 1
                continue
            j = i + 1
            while j < n and text[j] != c:
                j += 2 if text[j] == "\\" else 1
            out.append(c + c)
            i = j + 1
        else:
            out.append(c)
            i += 1
    return "".join(out)


HEAD = re.compile(r"\)\s*(const\s*)?(noexcept\s*)?(override\s*)?(->\s*[\w:<>,\s*&]+)?\s*$")
INIT = re.compile(r"\)\s*:\s*[\w:]+\s*[({]")


def functions(path):
    text = strip(path.read_text(encoding="utf-8", errors="replace"))
    found = []
    stack = []  # per open brace: 'scope' (enterable) or 'other'
    i = 0
    while i < len(text):
        c = text[i]
        if c == "{":
            before = text[max(0, text.rfind(";", 0, i), text.rfind("}", 0, i), text.rfind("{", 0, i)) : i]
            inside_function = "function" in stack
            is_function = not inside_function and (HEAD.search(before) or INIT.search(before)) and not re.search(
                r"\b(namespace|struct|class|enum|union)\b[^()]*$", before)
            if is_function and not re.search(r"=\s*\[", before):
                depth, j = 1, i + 1
                while j < len(text) and depth:
                    depth += {"{": 1, "}": -1}.get(text[j], 0)
                    j += 1
                body = text[i:j]
                lines = body.count("\n") - 1 if "\n" in body else 1
                head = before.strip().split("\n")[-1][:60]
                found.append((max(lines, 1), f"{path}:{text.count(chr(10), 0, i) + 1}", head))
                i = j
                continue
            stack.append("scope" if not inside_function else "function")
        elif c == "}" and stack:
            stack.pop()
        i += 1
    return found


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("folders", nargs="*", default=["src"], metavar="PATH")
    parser.add_argument("--list", action="store_true")
    args = parser.parse_args()
    found = []
    for folder in args.folders:
        given = pathlib.Path(folder)
        for path in [given] if given.is_file() else sorted(given.rglob("*")):
            if path.suffix in (".cpp", ".hpp"):
                found += functions(path)
    if not found:
        sys.exit("no functions found")
    lengths = sorted(length for length, _, _ in found)
    p90 = lengths[min(len(lengths) - 1, int(0.9 * len(lengths)))]
    longest = max(found)
    if args.list:
        for length, where, head in sorted(found, reverse=True):
            print(f"{length:5} {where} {head}")
    print(f"functions {len(lengths)}  median {statistics.median(lengths):g}  "
          f"90th percentile {p90}  longest {longest[0]} ({longest[1]})")


if __name__ == "__main__":
    main()
