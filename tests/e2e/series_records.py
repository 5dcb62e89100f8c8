#!/usr/bin/python3
"""Checks that a folder holds the files of a run from 1, every record whole.

  series_records.py FOLDER LINES_PER_FILE

The files must follow one another, "Morvane-1-N.txt", "Morvane-N+1-2N.txt"
and so on, each full but the last, and hold the records of their numbers,
the last file ending with a whole record. A run ended from outside can only
have gone wrong at its end, and writes gigabytes before that: the first and
the last file are compared whole, the others by their record count, first
and last record. Prints how many records there are; exit status 1 with the
reason when they are not so.
"""

import os
import re
import sys


def records(first, count):
    # n, n squared and the difference from the square before, 2n - 1.
    return b"".join(b" %d ,  %d ,  %d\r\n" % (n, n * n, 2 * n - 1) for n in range(first, first + count))


def check(folder, per_file):
    names = [name for name in os.listdir(folder) if re.fullmatch(r"Morvane-\d+-\d+\.txt", name)]
    names.sort(key=lambda name: int(name.split("-")[1]))
    if not names:
        raise ValueError("no files of a run")
    written = 0
    for index, name in enumerate(names):
        if name != f"Morvane-{written + 1}-{written + per_file}.txt":
            raise ValueError(f"{name} follows {written} records")
        with open(os.path.join(folder, name), "rb") as file:
            data = file.read()
        count = data.count(b"\n")
        last = index == len(names) - 1
        if not last and count != per_file:
            raise ValueError(f"{name} holds {count} records, not {per_file}")
        if index == 0 or last:
            whole = data == records(written + 1, count)
        else:
            whole = data.startswith(records(written + 1, 1)) and data.endswith(records(written + count, 1))
        if not whole:
            raise ValueError(f"{name} is not records {written + 1} to {written + count}, whole: ends {data[-60:]!r}")
        written += count
    return written


def main(argv):
    try:
        print(check(argv[1], int(argv[2])))
    except (ValueError, OSError) as problem:
        print(problem, file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
