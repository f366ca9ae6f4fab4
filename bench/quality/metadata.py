#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""Author and publication date of the dom algorithm against ground truth.

    bench/quality/metadata.py CORPUS [--korvane BIN] [--show N] [--misses]

CORPUS is the corpus root. Its cleaneval_zh/ folder has a .json beside each
page with "date" and "author" ("UNKNOWN" or empty: not known). For those
pages this prints, per half (the SHA-1 split of quality.py) and in all:
  * right day: pages whose published date falls on the ground truth's day,
    among the pages whose ground-truth date gives year, month and day;
  * right author: pages whose author is the ground truth's (blanks and the
    separators 、,，/; between names do not count), among pages that name one;
  * how many pages without a known date or author get one anyway.
For the other Chinese folders, which have no ground truth, it counts the
pages that get a date and an author, and --show N prints N of each folder's
pages with what was found, for checking by eye. --misses lists the pages
of cleaneval_zh whose day or author is wrong, or that get one where none is
known.
"""
import argparse
import json
import os
import re
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from quality import half_of, repo_root  # noqa: E402

GROUND_TRUTH_FOLDER = "cleaneval_zh"
OTHER_FOLDERS = ("gne", "magic_html_zh")
UNKNOWN = ("", "UNKNOWN")
FULL_DATE = re.compile(r"^\s*(\d{4})-(\d{1,2})-(\d{1,2})")
NAME_SEPARATORS = re.compile(r"[\s、,，/;；]+")


def run_korvane(binary, folder):
    """The JSON line of every page of `folder`, by file name; and seconds."""
    pages = sorted(name for name in os.listdir(folder) if name.endswith(".html"))
    start = time.perf_counter()
    output = subprocess.run(
        [binary, "--algorithm", "dom", "-f", "jsonl", "-j", "1", "-q"]
        + [os.path.join(folder, name) for name in pages],
        check=True, stdout=subprocess.PIPE, text=True, encoding="utf-8").stdout
    seconds = time.perf_counter() - start
    results = {}
    for line in output.splitlines():
        record = json.loads(line)
        results[os.path.basename(record["source"])] = record
    return results, seconds


def day_of(text):
    match = FULL_DATE.match(text or "")
    return tuple(int(part) for part in match.groups()) if match else None


def names_of(text):
    return NAME_SEPARATORS.sub("", text or "")


def score_ground_truth(folder, results, misses):
    rows = {}
    wrong = []
    for name in sorted(results):
        with open(os.path.join(folder, name[:-5] + ".json"), encoding="utf-8") as f:
            truth = json.load(f)
        found = results[name]
        counts = [rows.setdefault(key, {"dated": 0, "day": 0, "named": 0, "author": 0,
                                        "undated": 0, "extra_date": 0, "unnamed": 0,
                                        "extra_author": 0})
                  for key in (half_of(name), "all")]
        truth_day = day_of(truth.get("date"))
        date_unknown = (truth.get("date") or "").strip() in UNKNOWN
        truth_author = (truth.get("author") or "").strip()
        date_right = truth_day is not None and day_of(found.get("published")) == truth_day
        author_right = (truth_author not in UNKNOWN
                        and names_of(found.get("author")) == names_of(truth_author))
        for row in counts:
            if truth_day is not None:
                row["dated"] += 1
                row["day"] += date_right
            elif date_unknown:
                row["undated"] += 1
                row["extra_date"] += bool(found.get("published"))
            if truth_author not in UNKNOWN:
                row["named"] += 1
                row["author"] += author_right
            else:
                row["unnamed"] += 1
                row["extra_author"] += bool(found.get("author"))
        if misses and ((truth_day is not None and not date_right)
                       or (truth_author not in UNKNOWN and not author_right)
                       or (date_unknown and found.get("published"))
                       or (truth_author in UNKNOWN and found.get("author"))):
            wrong.append((name, half_of(name), truth.get("date"), found.get("published"),
                          truth_author, found.get("author")))
    return rows, wrong


def share(right, total):
    return f"{right}/{total} = {100.0 * right / total:.1f}%" if total else "-"


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("corpus")
    parser.add_argument("--korvane", default=os.path.join(repo_root(), "build", "cli", "korvane"))
    parser.add_argument("--show", type=int, default=0)
    parser.add_argument("--misses", action="store_true")
    args = parser.parse_args()

    folder = os.path.join(args.corpus, GROUND_TRUTH_FOLDER)
    results, seconds = run_korvane(args.korvane, folder)
    rows, wrong = score_ground_truth(folder, results, args.misses)
    print(f"{GROUND_TRUTH_FOLDER}: {len(results)} pages, korvane --algorithm dom -j 1 "
          f"{1000.0 * seconds / max(1, len(results)):.2f} ms/page end to end")
    print("| half | right day | right author | date where none is known "
          "| author where none is known |")
    print("|---|---|---|---|---|")
    for key in ("tune", "check", "all"):
        row = rows.get(key)
        if row:
            print(f"| {key} | {share(row['day'], row['dated'])} "
                  f"| {share(row['author'], row['named'])} "
                  f"| {row['extra_date']}/{row['undated']} | {row['extra_author']}/{row['unnamed']} |")
    for name, half, truth_date, date, truth_author, author in wrong:
        print(f"  miss {name} ({half}): date {truth_date!r} -> {date!r}; "
              f"author {truth_author!r} -> {author!r}")

    print()
    print("| folder | pages | with a date | with an author |")
    print("|---|---|---|---|")
    shown = []
    for other in OTHER_FOLDERS:
        path = os.path.join(args.corpus, other)
        if not os.path.isdir(path):
            continue
        found, _ = run_korvane(args.korvane, path)
        dated = sum(1 for record in found.values() if record.get("published"))
        named = sum(1 for record in found.values() if record.get("author"))
        print(f"| {other} | {len(found)} | {dated} | {named} |")
        for name in sorted(found)[:args.show]:
            record = found[name]
            shown.append(f"  {other}/{name}: {record.get('published')!r} {record.get('author')!r} "
                         f"| {record.get('headline')}")
    for line in shown:
        print(line)


if __name__ == "__main__":
    main()
