#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""The quality gate: the dom algorithm over the evaluation corpus, scored.

Runs `korvane -a dom -f jsonl` over the corpus, scores the lines with the
evaluation scorer, prints its table and the gate's figures, and fails when
Chinese F1 < 0.94, English F1 < 0.97, a scored page's body is empty, or more
than 3 pages score below 0.5. Exits 77 (a skip for ctest) when the corpus or
the scorer is missing. Writes only into --work.
"""
import argparse
import csv
import json
import os
import subprocess
import sys

SKIP = 77
MIN_F1 = {"zh": 0.94, "en": 0.97}
LOW_SCORE = 0.5
MOST_LOW_PAGES = 3


def scored_pages(corpus):
    with open(os.path.join(corpus, "MANIFEST.tsv"), encoding="utf-8", newline="") as manifest:
        rows = csv.DictReader(manifest, delimiter="\t", quoting=csv.QUOTE_NONE)
        return {row["file"] for row in rows if row.get("has_ground_truth") == "yes"}


# Scored pages whose body is empty or missing from the lines.
def empty_bodies(lines_path, corpus, scored):
    bodies = {}
    with open(lines_path, encoding="utf-8") as lines:
        for line in lines:
            record = json.loads(line)
            page = os.path.relpath(os.path.abspath(record["source"]), os.path.abspath(corpus))
            bodies[page] = record.get("body") or ""
    return sorted(page for page in scored if not bodies.get(page, "").strip())


def per_page_scores(path):
    with open(path, encoding="utf-8", newline="") as table:
        return list(csv.DictReader(table, delimiter="\t", quoting=csv.QUOTE_NONE))


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--korvane", required=True)
    parser.add_argument("--corpus", required=True)
    parser.add_argument("--scorer", required=True)
    parser.add_argument("--work", required=True, help="folder for the lines and the scores")
    args = parser.parse_args()

    manifest = os.path.join(args.corpus, "MANIFEST.tsv")
    for needed, what in ((manifest, "corpus"), (args.scorer, "scorer")):
        if not os.path.isfile(needed):
            print(f"quality gate skipped: no {what} at {needed}")
            return SKIP

    os.makedirs(args.work, exist_ok=True)
    lines_path = os.path.join(args.work, "dom.jsonl")
    scores_path = os.path.join(args.work, "dom-per-page.tsv")
    with open(lines_path, "w", encoding="utf-8") as lines:
        subprocess.run([args.korvane, "-a", "dom", "-f", "jsonl", "--quiet", args.corpus],
                       stdout=lines, check=True)
    subprocess.run([sys.executable, args.scorer, "run", "--corpus", args.corpus,
                    "--per-page", scores_path, lines_path], check=True)

    scored = scored_pages(args.corpus)
    scores = per_page_scores(scores_path)
    failures = []
    for lang, least in MIN_F1.items():
        f1 = [float(row["F1"]) for row in scores if row["lang"] == lang]
        mean = sum(f1) / len(f1) if f1 else 0.0
        print(f"{lang}: F1 {mean:.4f} over {len(f1)} pages (least {least})")
        if mean < least:
            failures.append(f"{lang} F1 {mean:.4f} < {least}")
    empty = empty_bodies(lines_path, args.corpus, scored)
    print(f"empty bodies: {len(empty)}")
    if empty:
        failures.append("empty bodies: " + ", ".join(empty[:10]) + (", ..." if len(empty) > 10 else ""))
    low = sorted((float(row["F1"]), row["file"]) for row in scores if float(row["F1"]) < LOW_SCORE)
    print(f"pages below {LOW_SCORE}: {len(low)} (most {MOST_LOW_PAGES})")
    for f1, page in low[:10]:
        print(f"  {f1:.4f}  {page}")
    if len(low) > MOST_LOW_PAGES:
        failures.append(f"{len(low)} pages below {LOW_SCORE}")

    for failure in failures:
        print("FAIL: " + failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
