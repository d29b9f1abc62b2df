#!/usr/bin/env python3
"""Lists the longest functions of the product code (core, imaging, project, export, frontend,
ui, apps) and fails when one is longer than the limit.

usage: function-lengths.py [--limit N] [--top N] [--root FOLDER]

A function is counted from the line its name stands on to its closing brace, lambdas and
local classes inside it included. The sources are read with a small brace scanner (comments,
string and character literals skipped), which is enough for this code's layout."""
import argparse
import pathlib
import re
import sys

FOLDERS = ["core", "imaging", "project", "export", "frontend", "ui", "apps"]
ROOT = pathlib.Path(__file__).resolve().parent.parent


def code_only(text):
    """The text with comments and literals blanked out, line breaks kept."""
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
        elif c == 'R' and text.startswith('R"', i) and (i == 0 or not text[i - 1].isalnum()):
            k = text.find("(", i)
            end = ")" + text[i + 2:k] + '"'
            j = text.find(end, k)
            j = n if j < 0 else j + len(end)
            out.append('""' + "\n" * text.count("\n", i, j))
            i = j
        elif c in "\"'":
            if c == "'" and i > 0 and text[i - 1].isalnum():  # digit separator 1'000
                i += 1
                continue
            j = i + 1
            while j < n and text[j] != c and text[j] != "\n":
                j += 2 if text[j] == "\\" else 1
            out.append(c + c)
            i = j + 1
        else:
            out.append(c)
            i += 1
    return "".join(out)


def functions(path):
    """(name, first line, line count) of every function defined in the file."""
    text = code_only(path.read_text(encoding="utf-8", errors="replace"))
    found = []
    stack = []  # per open brace: "function", "block" or "scope"
    head_start = 0  # where the text before the next brace begins
    line = 1
    open_function = None
    for i, c in enumerate(text):
        if c == "\n":
            line += 1
        elif c in ";}{":
            if c == "{":
                head = text[head_start:i]
                inside_function = "function" in stack
                kind = "block"
                if not inside_function:
                    if re.search(r"\b(namespace|class|struct|union|enum|extern)\b[^()]*$", head):
                        kind = "scope"
                    elif re.search(r"\)[^;()]*$", head):
                        kind = "function"
                        names = re.findall(r"(operator\S+?|[~\w:]+)\s*\(", head)
                        first = line - head.lstrip().count("\n")
                        name = names[0] if names else "?"
                        if not names and found and found[-1][1] + found[-1][2] - 1 == first:
                            # the body after a lambda in a constructor's initializer list
                            name, first, _ = found.pop()
                        open_function = (name, first, len(stack))
                stack.append(kind)
            elif c == "}" and stack:
                kind = stack.pop()
                if kind == "function" and open_function and open_function[2] == len(stack):
                    found.append((open_function[0], open_function[1], line - open_function[1] + 1))
                    open_function = None
            head_start = i + 1
    return found


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--limit", type=int, default=120)
    parser.add_argument("--top", type=int, default=5)
    parser.add_argument("--root", type=pathlib.Path, default=ROOT)
    args = parser.parse_args()
    rows = []
    for folder in FOLDERS:
        for path in sorted((args.root / folder).rglob("*")):
            if path.suffix in (".cpp", ".h") and path.is_file():
                for name, first, count in functions(path):
                    rows.append((count, f"{path.relative_to(args.root)}:{first}", name))
    rows.sort(reverse=True)
    for count, where, name in rows[: args.top]:
        print(f"{count:5d}  {where}  {name}")
    over = [r for r in rows if r[0] > args.limit]
    if over:
        print(f"{len(over)} function(s) longer than {args.limit} lines")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
