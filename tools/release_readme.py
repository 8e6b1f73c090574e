#!/usr/bin/env python3
"""README.txt of a release, from README.md: the technician's guide alone.

    tools/release_readme.py README.md > README.txt

Drops the opening commands (a Debian machine and the test rig, nothing a
technician runs) and every paragraph that points into docs/ (the developers'
map, the window's picture the zip does not carry); keeps the rest as it is.
Written with CRs and a byte-order mark: Notepad before Windows 10 shows a file
without CRs as one line, and takes a file without the mark for the ANSI code
page."""

import sys


def paragraphs(text):
    """Blank-line-separated blocks; a fenced block is one, blank lines and all."""
    blocks, current, fenced = [], [], False
    for line in text.split("\n"):
        if line.startswith("```"):
            fenced = not fenced
        if not line.strip() and not fenced:
            if current:
                blocks.append(current)
            current = []
        else:
            current.append(line)
    if current:
        blocks.append(current)
    return blocks


def release_readme(text):
    blocks = paragraphs(text.replace("\r\n", "\n"))
    if len(blocks) < 3 or not blocks[0][0].startswith("# ") or not blocks[2][0].startswith("```"):
        raise ValueError("README.md does not open with its title, a line and the command block")
    kept = [blocks[0]] + [b for b in blocks[3:] if not any("docs/" in line for line in b)]
    return "\n\n".join("\n".join(b) for b in kept) + "\n"


def main():
    with open(sys.argv[1] if len(sys.argv) > 1 else "README.md", encoding="utf-8") as f:
        text = release_readme(f.read())
    sys.stdout.buffer.write(b"\xef\xbb\xbf" + text.replace("\n", "\r\n").encode("utf-8"))


if __name__ == "__main__":
    main()
