# SPDX-License-Identifier: Apache-2.0
"""Extraction spread over a Dask cluster: one task per input file.

    korvane-dask INPUT... --output-dir DIR      (or python3 -m korvane.dask)
        [--scheduler ADDRESS [--connect-timeout SECONDS] | --workers N]
        [--algorithm block|dom] [--max-page-size SIZE]

Inputs are what the command line takes: pages, WARC files (plain, gzip or zstd)
and folders, which are walked here as the command line walks them. Each file
is one task; the task writes the JSON lines of `korvane --format jsonl FILE`
to its own part file under DIR (its path mirrored, ".jsonl" added), whole or
not at all. Files are sent to the workers by their absolute path, so the
client, the scheduler and the workers must see the inputs and DIR at the
same paths (one machine, or a shared file system).

Exit status: 0 when every input converted, 1 when any failed or the
scheduler could not be reached, 2 for bad usage, 128 + the signal when
SIGINT or SIGTERM stopped the run.
"""

from __future__ import annotations

import contextlib
import dataclasses
import importlib.util
import json
import logging
import os
import secrets
import shutil
import signal
import socket
import sys
from typing import List, Optional, Sequence, Tuple

from . import _korvane
from ._api import DEFAULT_MAX_PAGE_SIZE, _check_algorithm, _check_size
from ._dask_options import arguments as _arguments
from ._dask_options import program_name as _program_name

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
    not_done: int = 0  # inputs whose tasks a stop cancelled


class Stopped(KeyboardInterrupt):
    """The run was stopped (Ctrl-C) before every task had ended. The part
    files of the tasks that ended are in place; the others were cancelled,
    and no temporary file is left. `summary` says what was done."""

    def __init__(self, summary: Summary):
        super().__init__("stopped")
        self.summary = summary


def _shown(text: str) -> str:
    """A path or a message as korvane shows it (and as its JSON lines hold it)."""
    return _korvane.escaped_name(os.fsencode(text))


def _open_new(folder: str, name: str) -> Tuple[int, str]:
    """A new file in `folder`, named after `name` under a name no other
    writer uses."""
    while True:
        # Short enough for any file system, whatever the part's name.
        temporary = os.path.join(folder, f".{name[:200]}.{secrets.token_hex(6)}.tmp")
        with contextlib.suppress(FileExistsError):
            flags = os.O_WRONLY | os.O_CREAT | os.O_EXCL | os.O_CLOEXEC
            return os.open(temporary, flags, 0o666), temporary


def convert_file(path: str, part: str, algorithm: str = "block", walked: bool = False,
                 max_page_size: int = DEFAULT_MAX_PAGE_SIZE,
                 temporary_dir: Optional[str] = None) -> PartReport:
    """Writes the JSON lines of `korvane --format jsonl PATH` to `part`,
    through a temporary file renamed into place. `walked`: PATH was found in
    a folder, so that a special file there (a FIFO, a device) is an error, as
    in the command line's walk, instead of a stream the worker waits on.
    `temporary_dir`: where the temporary file is made (on the file system of
    `part`), else beside `part`; run() gives a folder of its own, which it
    removes at its end with whatever a task cut short left in it."""
    _check_algorithm(algorithm)
    _check_size(max_page_size)
    folder = os.path.dirname(part) or "."
    if temporary_dir is None:
        os.makedirs(folder, exist_ok=True)
    # First the temporary file: a run's folder, once gone, stops a task that
    # starts late from making any other.
    fd, temporary = _open_new(temporary_dir or folder, os.path.basename(part))
    pages = skipped = 0
    failures = []
    try:
        with open(fd, "wb") as out:
            os.makedirs(folder, exist_ok=True)
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


@contextlib.contextmanager
def _run_folder(output_dir: str):
    """A folder in DIR for the run's temporary files, removed at its end with
    whatever tasks cut short (a worker killed, a stop) left in it."""
    os.makedirs(output_dir, exist_ok=True)
    while True:
        # Absolute, as every path sent to the workers.
        folder = os.path.join(os.path.abspath(output_dir),
                              f".korvane-run-{secrets.token_hex(6)}.tmp")
        with contextlib.suppress(FileExistsError):
            os.mkdir(folder)
            break
    try:
        yield folder
    finally:
        # A cancelled task that was starting may make its file while the
        # folder goes (but never the folder again): a second pass takes it.
        for _ in range(3):
            shutil.rmtree(folder, ignore_errors=True)
        if os.path.lexists(folder):
            shutil.rmtree(folder)  # raises, naming what cannot be removed


def _collect(summary: Summary, task: _Task, future) -> None:
    if future.status == "error":
        error = future.exception()
        summary.failures.append(Failure(_shown(task.given),
                                        _shown(f"{type(error).__name__}: {error}"), error))
        return
    report = future.result()
    summary.reports.append(report)
    summary.pages += report.pages
    summary.skipped += report.skipped
    # Escaped already, as in every JSON line.
    summary.failures.extend(Failure(source, reason) for source, reason in report.failures)


def _ended(future) -> bool:
    return future.status in ("finished", "error")


def _convert(tasks: Sequence[_Task], output_dir: str, client, summary: Summary, *,
             algorithm: str, max_page_size: int, progress_bar: bool) -> None:
    import distributed

    futures = []
    with _run_folder(output_dir) as folder:
        try:
            futures = [client.submit(convert_file, task.path, task.part, algorithm, task.walked,
                                     max_page_size, folder, pure=False)
                       for task in tasks]
            if progress_bar:
                distributed.progress(futures)
            distributed.wait(futures)
        except KeyboardInterrupt:
            # Tasks still running go on in their workers until they end,
            # writing into the folder: it is removed from under them.
            ended = [_ended(future) for future in futures]
            client.cancel([future for future, done in zip(futures, ended) if not done])
            for task, future, done in zip(tasks, futures, ended):
                if done:
                    _collect(summary, task, future)
            summary.not_done = len(tasks) - sum(ended)
            raise Stopped(summary) from None
    for task, future in zip(tasks, futures):
        _collect(summary, task, future)


def run(inputs: Sequence[str], output_dir: str, client, *, algorithm: str = "block",
        max_page_size: int = DEFAULT_MAX_PAGE_SIZE, progress_bar: bool = False) -> Summary:
    """Converts every input on the cluster of `client` (a distributed.Client).
    Raises Stopped, a KeyboardInterrupt, when Ctrl-C stops it."""
    _check_algorithm(algorithm)
    _check_size(max_page_size)
    tasks, failures = plan(inputs, output_dir)
    summary = Summary(inputs=len(tasks) + len(failures), failures=failures)
    if tasks:
        _convert(tasks, output_dir, client, summary, algorithm=algorithm,
                 max_page_size=max_page_size, progress_bar=progress_bar)
    return summary


def _report(summary: Summary, output_dir: str, stop_signal: int = 0) -> None:
    for failure in summary.failures:
        print(f"korvane: {failure.name}: {failure.reason}", file=sys.stderr)
    line = "korvane: "
    if stop_signal:
        line += f"stopped by {signal.Signals(stop_signal).name}; "
    line += f"{summary.inputs} inputs"
    if summary.not_done:
        line += f" ({summary.not_done} not done)"
    line += (f", {summary.pages + len(summary.failures)} pages read, {summary.pages} converted, "
             f"{len(summary.failures)} failed")
    if summary.skipped:
        line += f"; {summary.skipped} WARC responses without an HTML page skipped"
    print(f"{line}; parts in {_shown(output_dir)}", file=sys.stderr)


class _SchedulerUnreachable(Exception):
    pass


@contextlib.contextmanager
def _client(arguments, tasks: int):
    """A client of the scheduler named, or of a cluster of worker processes
    here: no more of them than there are tasks."""
    import distributed

    if arguments.scheduler:
        try:
            client = distributed.Client(arguments.scheduler, timeout=arguments.connect_timeout)
        except OSError as error:
            reason = (f"no answer within {arguments.connect_timeout:g} s (--connect-timeout)"
                      if isinstance(error, TimeoutError) or "Timed out" in str(error)
                      else str(error))
            raise _SchedulerUnreachable(
                f"cannot reach the scheduler at {_shown(arguments.scheduler)}: {reason}") from None
        with client:
            yield client
        return
    workers = min(arguments.workers or os.cpu_count() or 1, tasks)
    with distributed.LocalCluster(n_workers=workers, threads_per_worker=1, processes=True,
                                  host="127.0.0.1", dashboard_address="127.0.0.1:0",
                                  silence_logs=logging.CRITICAL) as cluster, \
            distributed.Client(cluster) as client:
        client.register_worker_plugin(_LetCtrlCPass(), name="korvane-ctrl-c")
        yield client


class _LetCtrlCPass:
    """For the local cluster's worker processes. Ctrl-C on a terminal reaches
    every process of the run: the client stops its workers itself, so they
    let it pass rather than die with a traceback each."""

    def setup(self, worker) -> None:
        signal.signal(signal.SIGINT, signal.SIG_IGN)


class _StopSignals:
    """SIGINT and SIGTERM stop the run as Ctrl-C does (KeyboardInterrupt);
    a second one meets its default action, as with the command line."""

    SIGNALS = (signal.SIGINT, signal.SIGTERM)

    def __init__(self):
        self.received = 0
        self._previous = {}

    def _stop(self, number, _frame):
        self.received = number
        for stop in self.SIGNALS:
            signal.signal(stop, signal.SIG_DFL)
        raise KeyboardInterrupt

    def __enter__(self):
        self._previous = {stop: signal.signal(stop, self._stop) for stop in self.SIGNALS}
        return self

    def __exit__(self, *_exception):
        for stop, handler in self._previous.items():
            signal.signal(stop, handler)


def main(argv: Optional[Sequence[str]] = None) -> int:
    arguments = _arguments(argv)
    if importlib.util.find_spec("distributed") is None:
        print(f"{_program_name()}: Dask's distributed is not installed (Debian: apt-get install "
              "python3-distributed; pip: pip install 'korvane[dask]')", file=sys.stderr)
        return 2
    # Dask's client may leave an internal timeout unread as it closes, which
    # the event loop would print after the summary; the run reports its own.
    logging.getLogger("asyncio").setLevel(logging.CRITICAL)
    tasks: List[_Task] = []
    summary = Summary()
    converted = False  # _convert returned: every task ended
    with _StopSignals() as stop:
        try:
            tasks, failures = plan(arguments.inputs, arguments.output_dir)
            summary = Summary(inputs=len(tasks) + len(failures), failures=failures)
            if tasks:
                with _client(arguments, len(tasks)) as client:
                    _convert(tasks, arguments.output_dir, client, summary,
                             algorithm=arguments.algorithm,
                             max_page_size=arguments.max_page_size,
                             progress_bar=sys.stdout.isatty())
                    converted = True
        except _SchedulerUnreachable as error:
            print(f"korvane: {error}", file=sys.stderr)
            return 1
        except KeyboardInterrupt as stopped:
            if isinstance(stopped, Stopped):
                summary = stopped.summary
            elif not converted:  # stopped before the tasks were sent
                summary.not_done = len(tasks)
            number = stop.received or signal.SIGINT
            _report(summary, arguments.output_dir, number)
            return 128 + number
    _report(summary, arguments.output_dir)
    return 1 if summary.failures else 0


if __name__ == "__main__":
    # Through the package's module, so that tasks pickle as korvane.dask's.
    from korvane.dask import main as _main

    sys.exit(_main())
