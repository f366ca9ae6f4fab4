# SPDX-License-Identifier: Apache-2.0
"""Extraction spread over a Dask cluster: one task per input file.

    korvane-dask INPUT... --output-dir DIR      (or python3 -m korvane.dask)
        [--scheduler ADDRESS | --workers N] [--algorithm block|dom]
        [--max-page-size SIZE]

Inputs are what the command line takes: pages, WARC files (plain or gzip)
and folders, which are walked here as the command line walks them. Each file
is one task; the task writes the JSON lines of `korvane --format jsonl FILE`
to its own part file under DIR (its path mirrored, ".jsonl" added), whole or
not at all. Files are sent to the workers by their absolute path, so the
client, the scheduler and the workers must see the inputs and DIR at the
same paths (one machine, or a shared file system).
"""

from __future__ import annotations

import argparse
import contextlib
import dataclasses
import importlib.util
import json
import os
import secrets
import socket
import sys
from typing import List, Optional, Sequence, Tuple

from . import _korvane
from ._api import DEFAULT_MAX_PAGE_SIZE, _check_algorithm, _check_size

_PART_SUFFIX = ".jsonl"


@dataclasses.dataclass(frozen=True)
class PartReport:
    """What one task did."""

    input: str
    part: str  # the part file written
    pages: int  # pages converted
    failures: Tuple[Tuple[str, str], ...]  # (source, error) of its error objects
    skipped: int  # WARC responses without an HTML page
    worker: str  # "host:pid" of the process that ran the task


@dataclasses.dataclass(frozen=True)
class Failure:
    """Its name and reason as korvane shows them: escaped into one line that
    a terminal only prints."""

    name: str  # the input, or the source inside it
    reason: str
    exception: Optional[BaseException] = None  # raised by the task, with its type


@dataclasses.dataclass
class Summary:
    inputs: int = 0
    pages: int = 0
    skipped: int = 0
    failures: List[Failure] = dataclasses.field(default_factory=list)
    reports: List[PartReport] = dataclasses.field(default_factory=list)


def _shown(text: str) -> str:
    """A path or a message as korvane shows it (and as its JSON lines hold it)."""
    return _korvane.escaped_name(os.fsencode(text))


def _open_new(path: str) -> Tuple[int, str]:
    """A new file beside `path`, under a name no other writer uses."""
    folder, name = os.path.split(path)
    while True:
        temporary = os.path.join(folder, f".{name}.{secrets.token_hex(6)}.tmp")
        with contextlib.suppress(FileExistsError):
            flags = os.O_WRONLY | os.O_CREAT | os.O_EXCL | os.O_CLOEXEC
            return os.open(temporary, flags, 0o666), temporary


def convert_file(path: str, part: str, algorithm: str = "block", walked: bool = False,
                 max_page_size: int = DEFAULT_MAX_PAGE_SIZE) -> PartReport:
    """Writes the JSON lines of `korvane --format jsonl PATH` to `part`,
    through a temporary file renamed into place. `walked`: PATH was found in
    a folder, so that a special file there (a FIFO, a device) is an error, as
    in the command line's walk, instead of a stream the worker waits on."""
    _check_algorithm(algorithm)
    _check_size(max_page_size)
    os.makedirs(os.path.dirname(part) or ".", exist_ok=True)
    fd, temporary = _open_new(part)
    pages = skipped = 0
    failures = []
    try:
        with open(fd, "wb") as out:
            for kind, line in _korvane.open_path(os.fsencode(path), walked, algorithm,
                                                 max_page_size):
                if kind == "skipped":
                    skipped += 1
                    continue
                out.write(line)
                if kind == "page":
                    pages += 1
                else:
                    failed = json.loads(line)
                    failures.append((failed["source"], failed["error"]))
        os.replace(temporary, part)
    except BaseException:
        with contextlib.suppress(OSError):
            os.unlink(temporary)
        raise
    return PartReport(input=path, part=part, pages=pages, failures=tuple(failures),
                      skipped=skipped, worker=f"{socket.gethostname()}:{os.getpid()}")


@dataclasses.dataclass(frozen=True)
class _Task:
    given: str  # as named (or found in a folder)
    path: str  # absolute, for the workers
    part: str
    walked: bool  # found in a folder


def _part_name(path: str) -> str:
    mirrored = _korvane.part_name(os.fsencode(path))
    return mirrored[: -len(".txt")] + _PART_SUFFIX


def plan(inputs: Sequence[str], output_dir: str) -> Tuple[List[_Task], List[Failure]]:
    """One task per file, in the command line's order; folders that cannot
    be read and files that would share a part file are failures."""
    files: List[Tuple[str, bool]] = []  # (path, walked)
    failures: List[Failure] = []
    for given in inputs:
        if not os.path.isdir(given):
            files.append((given, False))
            continue
        for path, error in _korvane.walk(os.fsencode(given)):
            if error:
                failures.append(Failure(_shown(path), _shown(error)))
            else:
                files.append((path, True))
    tasks: List[_Task] = []
    owners = {}
    output_dir = os.path.abspath(output_dir)
    for given, walked in files:
        part = _part_name(given)
        if part in owners:
            failures.append(Failure(_shown(given),
                                    _shown(f"same part file as {owners[part]} ({part})")))
            continue
        owners[part] = given
        tasks.append(_Task(given, os.path.join(os.getcwd(), given),
                           os.path.join(output_dir, part), walked))
    return tasks, failures


def run(inputs: Sequence[str], output_dir: str, client, *, algorithm: str = "block",
        max_page_size: int = DEFAULT_MAX_PAGE_SIZE, progress_bar: bool = False) -> Summary:
    """Converts every input on the cluster of `client` (a distributed.Client)."""
    import distributed

    _check_algorithm(algorithm)
    _check_size(max_page_size)
    tasks, failures = plan(inputs, output_dir)
    summary = Summary(inputs=len(tasks) + len(failures), failures=failures)
    futures = [client.submit(convert_file, task.path, task.part, algorithm, task.walked,
                             max_page_size, pure=False)
               for task in tasks]
    if progress_bar and futures:
        distributed.progress(futures)
    distributed.wait(futures)
    for task, future in zip(tasks, futures):
        if future.status == "error":
            error = future.exception()
            summary.failures.append(Failure(_shown(task.given),
                                            _shown(f"{type(error).__name__}: {error}"), error))
            continue
        report = future.result()
        summary.reports.append(report)
        summary.pages += report.pages
        summary.skipped += report.skipped
        # Escaped already, as in every JSON line.
        summary.failures.extend(Failure(source, reason) for source, reason in report.failures)
    return summary


def _report(summary: Summary, output_dir: str) -> None:
    for failure in summary.failures:
        print(f"korvane: {failure.name}: {failure.reason}", file=sys.stderr)
    line = (f"korvane: {summary.inputs} inputs, {summary.pages + len(summary.failures)} pages "
            f"read, {summary.pages} converted, {len(summary.failures)} failed")
    if summary.skipped:
        line += f"; {summary.skipped} WARC responses without an HTML page skipped"
    print(f"{line}; parts in {_shown(output_dir)}", file=sys.stderr)


def _size(text: str) -> int:
    size = _korvane.parse_size(text)
    if size is None:
        raise argparse.ArgumentTypeError(
            f"not a size in bytes (such as 65536, 512K, 64M or 1G): {text}")
    return size


def _program_name() -> str:
    """korvane-dask, as the installed command is called, or how the module
    was started."""
    name = os.path.basename(sys.argv[0])
    return name if name.startswith("korvane-dask") else "python3 -m korvane.dask"


class _HelpFormatter(argparse.HelpFormatter):
    """"Usage:" as korvane writes it, which help2man reads for the manual page."""

    def add_usage(self, usage, actions, groups, prefix=None):
        super().add_usage(usage, actions, groups, prefix or "Usage: ")


def _parser() -> argparse.ArgumentParser:
    parser = argparse.ArgumentParser(
        prog=_program_name(), usage="%(prog)s [OPTION]... --output-dir DIR INPUT...",
        formatter_class=_HelpFormatter, add_help=False,
        description="Convert pages, WARC files and folders on a Dask cluster: one task per "
                    "file, each writing DIR/<file>.jsonl with the objects of "
                    "`korvane --format jsonl <file>`.")
    parser.add_argument("inputs", nargs="+", metavar="INPUT",
                        help="pages, WARC files (plain or gzip) and folders, walked as korvane "
                             "walks them; not standard input")
    options = parser.add_argument_group("Options")
    options.add_argument("-h", "--help", action="help", help="show this help and exit")
    options.add_argument("-V", "--version", action="version",
                         version=f"%(prog)s {_korvane.__version__}",
                         help="show the version and exit")
    options.add_argument("-o", "--output-dir", required=True, metavar="DIR",
                         help="write each input's part file under DIR, its path mirrored")
    where = options.add_mutually_exclusive_group()
    where.add_argument("--scheduler", metavar="ADDRESS",
                       help="a running `dask scheduler` (tcp://host:8786)")
    where.add_argument("--workers", type=int, metavar="N",
                       help="start a cluster of N worker processes here (default: one per core)")
    options.add_argument("-a", "--algorithm", choices=("block", "dom"), default="block",
                         help="block (default) or dom, as korvane's --algorithm")
    options.add_argument("--max-page-size", type=_size, default=DEFAULT_MAX_PAGE_SIZE,
                         metavar="SIZE", help="refuse larger pages as errors; SIZE in bytes, "
                                              "or with K, M or G (default: 64M)")
    return parser


def _arguments(argv: Optional[Sequence[str]]) -> argparse.Namespace:
    parser = _parser()
    arguments = parser.parse_args(argv)
    if "-" in arguments.inputs:
        parser.error("standard input cannot be sent to workers; name files")
    if arguments.workers is not None and arguments.workers < 1:
        parser.error("--workers takes a number of at least 1")
    if not arguments.output_dir:
        parser.error("--output-dir needs a folder")
    return arguments


@contextlib.contextmanager
def _client(arguments: argparse.Namespace):
    import logging

    import distributed

    if arguments.scheduler:
        with distributed.Client(arguments.scheduler) as client:
            yield client
        return
    workers = arguments.workers or os.cpu_count() or 1
    with distributed.LocalCluster(n_workers=workers, threads_per_worker=1, processes=True,
                                  host="127.0.0.1", dashboard_address="127.0.0.1:0",
                                  silence_logs=logging.ERROR) as cluster, \
            distributed.Client(cluster) as client:
        yield client


def main(argv: Optional[Sequence[str]] = None) -> int:
    arguments = _arguments(argv)
    if importlib.util.find_spec("distributed") is None:
        print(f"{_program_name()}: Dask's distributed is not installed (Debian: apt-get install "
              "python3-distributed; pip: pip install 'korvane[dask]')", file=sys.stderr)
        return 2
    with _client(arguments) as client:
        summary = run(arguments.inputs, arguments.output_dir, client,
                      algorithm=arguments.algorithm, max_page_size=arguments.max_page_size,
                      progress_bar=sys.stdout.isatty())
    _report(summary, arguments.output_dir)
    return 1 if summary.failures else 0


if __name__ == "__main__":
    # Through the package's module, so that tasks pickle as korvane.dask's.
    from korvane.dask import main as _main

    sys.exit(_main())
