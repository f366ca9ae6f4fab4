#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""Extraction quality and speed of korvane's two algorithms, side by side
with readability-lxml when it is installed, in one run.

    bench/quality/quality.py CORPUS [--korvane BIN] [--baseline BIN] [--eval DIR]
                             [--per-page OUT.tsv] [--runs N]

CORPUS is a folder with MANIFEST.tsv and ground truth (.txt beside each
.html); DIR holds score.py and run_readability_lxml.py (default: CORPUS/../eval).
Quality is score.py's: bag-of-characters F1 on Chinese pages, bag-of-words F1
on English ones. Pages are split into two halves by the SHA-1 of their file
name ("tune": first byte even; "check": odd), so that a change made while
looking at one half can be checked on the other. --baseline adds the dom
algorithm of another korvane binary (an earlier build) to the same run.

Speed, each extractor on one core:
  * median ms/page: korvane in --stdin-jsonl mode, timed per page from this
    script (page sent, JSON line back); readability-lxml's own time per page
    (parse, extraction and text, without start-up);
  * batch s: `korvane -j 1` over all pages, wall clock, end to end (start,
    reading, charset detection, conversion, JSON), the median of --runs runs;
    readability-lxml's summed time per page.
"""
import argparse
import hashlib
import json
import os
import statistics
import subprocess
import sys
import tempfile
import time

ALGORITHMS = ("block", "dom")
SYSTEM_PYTHON = "/usr/bin/python3"


def half_of(name):
    return "tune" if hashlib.sha1(name.encode()).digest()[0] % 2 == 0 else "check"


def repo_root():
    return os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


def korvane_pages(binary, corpus, pages, algorithm):
    """Bodies and per-page milliseconds from one streaming korvane process."""
    process = subprocess.Popen(
        [binary, "--algorithm", algorithm, "--stdin-jsonl", "-j", "1", "-q"],
        stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True, encoding="utf-8", bufsize=1)
    results = {}
    for name in pages:
        with open(os.path.join(corpus, name), encoding="utf-8", errors="replace") as f:
            line = json.dumps({"id": name, "html": f.read()}, ensure_ascii=False) + "\n"
        start = time.perf_counter()
        process.stdin.write(line)
        process.stdin.flush()
        reply = process.stdout.readline()
        elapsed = (time.perf_counter() - start) * 1000.0
        answer = json.loads(reply)
        results[name] = {"body": answer.get("body") or "", "ms": elapsed}
    process.stdin.close()
    process.wait()
    return results


def korvane_batch_seconds(binary, corpus, pages, algorithm, runs):
    paths = [os.path.join(corpus, name) for name in pages]
    seconds = []
    for _ in range(runs):
        start = time.perf_counter()
        subprocess.run([binary, "--algorithm", algorithm, "-j", "1", "-q", "-f", "jsonl"] + paths,
                       check=True, stdout=subprocess.DEVNULL)
        seconds.append(time.perf_counter() - start)
    return statistics.median(seconds)


def has_readability():
    if not os.path.exists(SYSTEM_PYTHON):
        return False
    probe = subprocess.run([SYSTEM_PYTHON, "-c", "import readability, lxml"],
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return probe.returncode == 0


def readability_pages(eval_dir, corpus, pages):
    with tempfile.TemporaryDirectory() as work:
        listing = os.path.join(work, "pages.txt")
        out = os.path.join(work, "out.jsonl")
        with open(listing, "w", encoding="utf-8") as f:
            f.write("\n".join(os.path.join(corpus, name) for name in pages) + "\n")
        subprocess.run([SYSTEM_PYTHON, os.path.join(eval_dir, "run_readability_lxml.py"),
                        "--list", listing, "--out", out], check=True)
        results = {}
        with open(out, encoding="utf-8") as f:
            for line in f:
                record = json.loads(line)
                name = os.path.relpath(record["file"], corpus)
                results[name] = {"body": record.get("body") or "", "ms": record.get("ms") or 0.0}
        return results


def summarise(score, ground_truth, pages, results):
    f1 = {}
    per_page = []
    for name in pages:
        body = results.get(name, {}).get("body", "")
        if name in ground_truth:
            text, lang = ground_truth[name]
            precision, recall, f = score.prf(text, body, lang)
            per_page.append((name, lang, precision, recall, f))
            f1.setdefault((lang, "all"), []).append(f)
            f1.setdefault((lang, half_of(name)), []).append(f)
    milliseconds = [results[name]["ms"] for name in pages if name in results]
    return {
        "f1": {key: statistics.mean(values) for key, values in f1.items()},
        "counts": {key: len(values) for key, values in f1.items()},
        "empty": sum(1 for name in pages if not results.get(name, {}).get("body", "").strip()),
        "low": sum(1 for row in per_page if row[4] < 0.5),
        "median_ms": statistics.median(milliseconds) if milliseconds else float("nan"),
        "per_page": per_page,
    }


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("corpus")
    parser.add_argument("--korvane", default=os.path.join(repo_root(), "build", "cli", "korvane"))
    parser.add_argument("--baseline", help="another korvane binary whose dom algorithm is compared")
    parser.add_argument("--eval")
    parser.add_argument("--per-page", help="write every page's P, R and F1 to this TSV file")
    parser.add_argument("--runs", type=int, default=5, help="korvane batch runs (median)")
    args = parser.parse_args()
    corpus = os.path.abspath(args.corpus)
    eval_dir = os.path.abspath(args.eval or os.path.join(corpus, "..", "eval"))
    sys.path.insert(0, eval_dir)
    import score  # the corpus's own scorer

    manifest = score.read_manifest(corpus)
    ground_truth = score.load_gt(corpus, manifest)
    pages = list(manifest)

    rows = []
    if args.baseline:
        results = korvane_pages(args.baseline, corpus, pages, "dom")
        row = summarise(score, ground_truth, pages, results)
        row["name"] = "baseline dom"
        row["batch_s"] = korvane_batch_seconds(args.baseline, corpus, pages, "dom", args.runs)
        rows.append(row)
    for algorithm in ALGORITHMS:
        results = korvane_pages(args.korvane, corpus, pages, algorithm)
        row = summarise(score, ground_truth, pages, results)
        row["name"] = "korvane " + algorithm
        row["batch_s"] = korvane_batch_seconds(args.korvane, corpus, pages, algorithm, args.runs)
        rows.append(row)
    if has_readability():
        results = readability_pages(eval_dir, corpus, pages)
        row = summarise(score, ground_truth, pages, results)
        row["name"] = "readability-lxml"
        row["batch_s"] = sum(result["ms"] for result in results.values()) / 1000.0
        rows.append(row)
    else:
        print("readability-lxml not found (%s with python3-readability); left out" % SYSTEM_PYTHON)

    n_zh = sum(1 for _, lang in ground_truth.values() if lang == "zh")
    n_en = sum(1 for _, lang in ground_truth.values() if lang == "en")
    print("corpus: %s, %d pages, ground truth for %d Chinese + %d English" %
          (corpus, len(pages), n_zh, n_en))
    header = ("extractor", "Chinese F1", "English F1", "empty", "< 0.5", "median ms/page",
              "batch s", "ms/page in batch", "zh tune/check", "en tune/check")
    lines = [header]
    for row in rows:
        f1 = row["f1"]
        lines.append((row["name"], "%.3f" % f1.get(("zh", "all"), float("nan")),
                      "%.3f" % f1.get(("en", "all"), float("nan")), str(row["empty"]),
                      str(row["low"]), "%.2f" % row["median_ms"], "%.2f" % row["batch_s"],
                      "%.2f" % (1000.0 * row["batch_s"] / len(pages)),
                      "%.3f / %.3f" % (f1.get(("zh", "tune"), float("nan")),
                                       f1.get(("zh", "check"), float("nan"))),
                      "%.3f / %.3f" % (f1.get(("en", "tune"), float("nan")),
                                       f1.get(("en", "check"), float("nan")))))
    widths = [max(len(line[i]) for line in lines) for i in range(len(header))]
    for index, line in enumerate(lines):
        print("  ".join(cell.ljust(widths[i]) for i, cell in enumerate(line)).rstrip())
        if index == 0:
            print("  ".join("-" * width for width in widths))
    counts = rows[-1]["counts"]
    print("halves (pages with ground truth): zh %d tune / %d check, en %d tune / %d check" %
          (counts.get(("zh", "tune"), 0), counts.get(("zh", "check"), 0),
           counts.get(("en", "tune"), 0), counts.get(("en", "check"), 0)))
    named = {row["name"]: row for row in rows}
    if "readability-lxml" in named:
        dom, peer = named["korvane dom"], named["readability-lxml"]
        print("speed of korvane dom against readability-lxml: %.0fx (median ms/page), "
              "%.0fx (batch, korvane end to end)" %
              (peer["median_ms"] / dom["median_ms"], peer["batch_s"] / dom["batch_s"]))
    if args.per_page:
        with open(args.per_page, "w", encoding="utf-8") as out:
            out.write("extractor\tfile\thalf\tlang\tP\tR\tF1\n")
            for row in rows:
                for name, lang, precision, recall, f1 in row["per_page"]:
                    out.write("%s\t%s\t%s\t%s\t%.4f\t%.4f\t%.4f\n" %
                              (row["name"], name, half_of(name), lang, precision, recall, f1))


if __name__ == "__main__":
    main()
