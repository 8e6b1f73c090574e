"""The README against the tree: its switch table names the switches the code
knows, and its "Where to find it" table names files and symbols that exist.
Reads files only; no prefix, no build."""

import re
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
README = (ROOT / "README.md").read_text(encoding="utf-8")


def table_rows(heading):
    """The rows of the first table under `heading`, as lists of cells."""
    section = README.split(heading, 1)[1]
    rows = []
    for line in section.splitlines():
        if line.startswith("|"):
            rows.append([cell.strip() for cell in line.strip("|").split("|")])
        elif rows:
            break
    return rows[2:]  # past the header and its rule


def test_the_readme_and_the_code_know_the_same_switches():
    documented = {name for row in table_rows("## The switches") for name in re.findall(r"`([^`]+)`", row[0])}
    code = (ROOT / "startup" / "switches.cpp").read_text(encoding="utf-8")
    table = code.split("const Switch kSwitches[] = {", 1)[1].split("\n};", 1)[0]
    known = set(re.findall(r'^\s*\{L"([^"]+)",', table, re.MULTILINE))
    assert known, "no switch table found in startup/switches.cpp"
    assert documented == known


def test_every_file_and_symbol_the_map_names_exists():
    rows = table_rows("### Where to find it")
    assert len(rows) > 20
    for topic, files, symbols in rows:
        texts = []
        for name in re.findall(r"`([^`]+)`", files):
            assert (ROOT / name).is_file(), f"{topic}: no file {name}"
            texts.append((ROOT / name).read_text(encoding="utf-8", errors="replace"))
        for symbol in re.findall(r"`([^`]+)`", symbols):
            pattern = rf"(?<![\w.]){re.escape(symbol)}(?![\w])"
            assert any(re.search(pattern, text) for text in texts), f"{topic}: {symbol} is in none of {files}"
