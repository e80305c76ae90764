#!/usr/bin/env python3
"""Checks the odds folders under a base folder after the program was killed and restarted:
every history line whole (an "hh:mm" stamp, then whole fields of the file's width, CR LF), every
".sei" one line of 144 characters, every ".jyun" 20 lines of 12, no temporary file left, and
the day's history database whole.
Prints one summary line and a line per fault; exits 1 on any fault."""
import pathlib
import re
import sqlite3
import sys

# Each file's field: its horses (none, a pair, a triple), then the odds right-aligned in 8.
ODDS = r" *[^ ]*"
PAIR = r"[0-9]{2}-[0-9]{2}"
FIELDS = {
    "tanA": (8, re.compile(ODDS)), "Fuk1": (8, re.compile(ODDS)), "Fuk2": (8, re.compile(ODDS)),
    "utan": (13, re.compile(PAIR + ODDS)), "uren": (13, re.compile(PAIR + ODDS)),
    "wideH": (13, re.compile(PAIR + ODDS)), "wideL": (13, re.compile(PAIR + ODDS)),
    "3fuku": (16, re.compile(PAIR + "-[0-9]{2}" + ODDS)), "3tan": (16, re.compile(PAIR + "-[0-9]{2}" + ODDS)),
}
HISTORY = set(FIELDS)
# The win and place files always carry one field per horse number 1 to 16.
FIXED_COUNT = {"tanA": 16, "Fuk1": 16, "Fuk2": 16}
STAMP = re.compile(r"^[0-9]{2}:[0-9]{2}")


def lines_of(data, path, faults):
    if not data.endswith(b"\r\n"):
        faults.append(f"{path}: does not end with CR LF")
    text = data.decode("cp932", errors="strict")
    lines = text.split("\r\n")
    if lines and lines[-1] == "":
        lines.pop()
    for i, line in enumerate(lines, 1):
        if "\r" in line or "\n" in line:
            faults.append(f"{path}:{i}: a line end that is not CR LF")
    return lines


def check_history(path, ext, data, faults):
    width, field = FIELDS[ext]
    lines = lines_of(data, path, faults)
    for i, line in enumerate(lines, 1):
        fields = line[5:]
        if not STAMP.match(line) or len(fields) % width:
            faults.append(f"{path}:{i}: not a stamp and whole fields: {line!r}")
        elif not all(field.fullmatch(fields[k:k + width]) for k in range(0, len(fields), width)):
            faults.append(f"{path}:{i}: a field is cut: {line!r}")
        elif ext in FIXED_COUNT and len(fields) != FIXED_COUNT[ext] * width:
            faults.append(f"{path}:{i}: {len(fields) // width} fields, not {FIXED_COUNT[ext]}: {line!r}")
    return len(lines)


def check_fixed(path, data, count, width, faults):
    lines = lines_of(data, path, faults)
    if len(lines) != count or any(len(line) != width for line in lines):
        faults.append(f"{path}: not {count} line(s) of {width} characters: {[len(l) for l in lines]}")


def check_database(path, faults):
    """A kill in the middle of a cycle loses at most that cycle: the day's database stays whole."""
    try:
        with sqlite3.connect(path) as db:
            result = db.execute("PRAGMA integrity_check").fetchone()[0]
        if result != "ok":
            faults.append(f"{path}: integrity check says {result}")
    except sqlite3.Error as e:
        faults.append(f"{path}: cannot be read: {e}")


def main():
    base = pathlib.Path(sys.argv[1])
    faults = []
    counts = {"history files": 0, "history lines": 0, ".sei": 0, ".jyun": 0, "databases": 0}
    for path in sorted(base.rglob("*")):
        if not path.is_file():
            continue
        ext = path.suffix[1:]
        if path.name.endswith(".writing") or (ext.endswith("T") and ext[:-1] in HISTORY):
            faults.append(f"{path}: a temporary left behind")
            continue
        if "dat2" not in path.parts or "nsdat2" in path.parts:
            continue
        if path.name in ("kazeyomi.sqlite-wal", "kazeyomi.sqlite-shm", "kazeyomi.sqlite-journal"):
            continue  # SQLite's own, checked with the database
        if path.name == "kazeyomi.sqlite":
            counts["databases"] += 1
            check_database(path, faults)
            continue
        data = path.read_bytes()
        try:
            if ext in HISTORY:
                counts["history files"] += 1
                counts["history lines"] += check_history(path, ext, data, faults)
            elif ext == "sei":
                counts[".sei"] += 1
                check_fixed(path, data, 1, 144, faults)
            elif ext == "jyun":
                counts[".jyun"] += 1
                check_fixed(path, data, 20, 12, faults)
            else:
                faults.append(f"{path}: not a file of the odds folder")
        except UnicodeDecodeError as e:
            faults.append(f"{path}: not CP932 text ({e})")
    for fault in faults:
        print(fault)
    summary = ", ".join(f"{v} {k}" for k, v in counts.items())
    print(f"files: {summary}; {len(faults)} faults")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
