"""The docs against the tree: the README's switch table names the switches the
code knows, the "Where to find it" table of docs/DEVELOPING.md names files and
symbols that exist, and the release's README.txt is the technician's alone.
Reads files only; no prefix, no build."""

import re
import subprocess
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
README = (ROOT / "README.md").read_text(encoding="utf-8")
DEVELOPING = (ROOT / "docs" / "DEVELOPING.md").read_text(encoding="utf-8")


def table_rows(text, heading):
    """The rows of the first table under `heading`, as lists of cells."""
    section = text.split(heading, 1)[1]
    rows = []
    for line in section.splitlines():
        if line.startswith("|"):
            rows.append([cell.strip() for cell in line.strip("|").split("|")])
        elif rows:
            break
    return rows[2:]  # past the header and its rule


def test_the_readme_and_the_code_know_the_same_switches():
    documented = {name for row in table_rows(README, "## The switches") for name in re.findall(r"`([^`]+)`", row[0])}
    code = (ROOT / "startup" / "switches.cpp").read_text(encoding="utf-8")
    table = code.split("const Switch kSwitches[] = {", 1)[1].split("\n};", 1)[0]
    known = set(re.findall(r'^\s*\{L"([^"]+)",', table, re.MULTILINE))
    assert known, "no switch table found in startup/switches.cpp"
    assert documented == known


def test_every_file_and_symbol_the_map_names_exists():
    rows = table_rows(DEVELOPING, "### Where to find it")
    assert len(rows) > 20
    for topic, files, symbols in rows:
        texts = []
        for name in re.findall(r"`([^`]+)`", files):
            assert (ROOT / name).is_file(), f"{topic}: no file {name}"
            texts.append((ROOT / name).read_text(encoding="utf-8", errors="replace"))
        for symbol in re.findall(r"`([^`]+)`", symbols):
            pattern = rf"(?<![\w.]){re.escape(symbol)}(?![\w])"
            assert any(re.search(pattern, text) for text in texts), f"{topic}: {symbol} is in none of {files}"


def test_the_release_readme_is_the_guide_without_the_developers_lines():
    made = subprocess.run([sys.executable, str(ROOT / "tools" / "release_readme.py"), str(ROOT / "README.md")],
                          capture_output=True, check=True).stdout
    assert made.startswith(b"\xef\xbb\xbf") and b"\n" not in made.replace(b"\r\n", b"")
    text = made[3:].decode("utf-8")
    assert "## The switches" in text and "## Download and check" in text
    assert [line for line in text.splitlines() if "Debian" in line or "tools/" in line] == []
