# SPDX-License-Identifier: Apache-2.0
"""korvane.dask on real worker processes: a `dask scheduler` and two `dask
worker` processes on the loopback address, and a LocalCluster."""

import contextlib
import os
import signal
import socket
import subprocess
import sys
import time
from concurrent.futures import ThreadPoolExecutor

import pytest

import korvane
import korvane.dask
from conftest import PAGES, gzip_members, korvane as run_korvane, warc_records

distributed = pytest.importorskip("distributed")

STARTUP_SECONDS = 120  # a loaded machine may take long to import Dask


def _crawl(folder):
    """Three WARC files of the test pages (one gzip, one cut short) and a page."""
    folder.mkdir()
    names = list(PAGES)
    records = [warc_records({name: PAGES[name] for name in names[i::3]},
                            host=f"site{i}.example", cut_last=(i == 2)) for i in range(3)]
    (folder / "a.warc").write_bytes(b"".join(records[0]))
    (folder / "b.warc.gz").write_bytes(gzip_members(records[1]))
    (folder / "c.warc").write_bytes(b"".join(records[2]))
    (folder / "page.html").write_bytes(PAGES["gbk-meta"])
    return [folder / name for name in ("a.warc", "b.warc.gz", "c.warc", "page.html")]


def _part(output_dir, path):
    return output_dir / (str(path).lstrip("/") + ".jsonl")


def _assert_parts_are_the_command_lines(output_dir, inputs, *options):
    for path in inputs:
        expected = run_korvane("--format", "jsonl", *options, path)
        assert _part(output_dir, path).read_bytes() == expected, path


@contextlib.contextmanager
def _processes():
    """Processes started here, each stopped (and waited for) on the way out."""
    started = []
    try:
        yield started
    finally:
        for process in started:
            process.terminate()
        for process in started:
            try:
                process.wait(timeout=30)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()


def _wait_for_file(path, processes):
    deadline = time.monotonic() + STARTUP_SECONDS
    while not path.exists():
        assert all(p.poll() is None for p in processes), "a Dask process ended early"
        assert time.monotonic() < deadline, "the scheduler did not start"
        time.sleep(0.1)  # polling for the file; nothing waits on time alone


@contextlib.contextmanager
def _cluster(folder):
    """(client, {worker name: process}) of a `dask scheduler` and two `dask
    worker` processes, started here and stopped on the way out."""
    folder.mkdir(exist_ok=True)
    address_file = folder / "scheduler.json"
    dask = [sys.executable, "-m", "dask"]
    package_root = os.path.dirname(os.path.dirname(korvane.__file__))
    options = {"cwd": folder, "stdout": subprocess.DEVNULL, "stderr": subprocess.DEVNULL,
               "start_new_session": True, "env": {**os.environ, "PYTHONPATH": package_root}}
    with _processes() as started:
        started.append(subprocess.Popen(
            dask + ["scheduler", "--host", "127.0.0.1", "--port", "0", "--no-dashboard",
                    "--dashboard-address", "127.0.0.1:0",
                    "--scheduler-file", str(address_file)], **options))
        _wait_for_file(address_file, started)
        workers = {}
        for name in ("w1", "w2"):
            workers[name] = subprocess.Popen(
                dask + ["worker", "--scheduler-file", str(address_file), "--host", "127.0.0.1",
                        "--nworkers", "1", "--nthreads", "1", "--no-nanny", "--no-dashboard",
                        "--name", name, "--local-directory", str(folder / name)], **options)
            started.append(workers[name])
        with distributed.Client(scheduler_file=str(address_file),
                                timeout=STARTUP_SECONDS) as client:
            client.wait_for_workers(2, timeout=STARTUP_SECONDS)
            yield client, workers


@pytest.fixture(scope="module")
def cluster(tmp_path_factory):
    """(client, worker process ids) of a scheduler and two worker processes."""
    with _cluster(tmp_path_factory.mktemp("cluster")) as (client, workers):
        yield client, {process.pid for process in workers.values()}


def test_a_real_cluster_converts_each_file_in_the_worker_processes(cluster, tmp_path):
    client, worker_pids = cluster
    inputs = _crawl(tmp_path / "crawl")
    # Enough files that both workers take some.
    inputs += [tmp_path / f"more{i}.warc" for i in range(6)]
    for path in inputs[4:]:
        path.write_bytes(inputs[0].read_bytes())
    output_dir = tmp_path / "out"
    summary = korvane.dask.run([str(tmp_path / "crawl")] + [str(p) for p in inputs[4:]],
                               str(output_dir), client)
    ran_in = {int(report.worker.rsplit(":", 1)[1]) for report in summary.reports}
    assert ran_in == worker_pids and os.getpid() not in ran_in
    _assert_parts_are_the_command_lines(output_dir, inputs)
    assert [f.name for f in summary.failures] == [str(inputs[2])]  # c.warc is cut short
    assert summary.pages == sum(report.pages for report in summary.reports) > 0


def test_a_task_alone_writes_its_part_through_a_temporary_file_beside_it(tmp_path):
    page = tmp_path / "page.html"
    page.write_bytes(PAGES["utf8"])
    part = tmp_path / "new" / "folder" / "page.jsonl"
    report = korvane.dask.convert_file(str(page), str(part))
    assert (report.pages, report.failures) == (1, ())
    assert part.read_bytes() == run_korvane("--format", "jsonl", page)
    assert os.listdir(part.parent) == ["page.jsonl"]


def test_errors_raised_on_workers_reach_the_client_with_their_type(cluster, tmp_path):
    client, _ = cluster
    with pytest.raises(korvane.NotAPageError, match="not a page"):
        client.submit(korvane.extract, b"\x00\x01\xff\xfe" * 8).result()
    page = tmp_path / "page.html"
    page.write_bytes(PAGES["utf8"])
    _part(tmp_path / "out", page).mkdir(parents=True)  # the part file cannot replace it
    summary = korvane.dask.run([str(page)], str(tmp_path / "out"), client)
    [failure] = summary.failures
    assert failure.name == str(page) and isinstance(failure.exception, IsADirectoryError)
    assert os.listdir(_part(tmp_path / "out", page).parent) == ["page.html.jsonl"]


def test_the_module_on_a_local_cluster(tmp_path, capsys):
    inputs = _crawl(tmp_path / "crawl")
    fifo = tmp_path / "crawl" / "queue\x1b.html"
    os.mkfifo(fifo)  # found by the walk: an error, not a stream to wait on
    output_dir = tmp_path / "out"
    status = korvane.dask.main([str(tmp_path / "crawl"), str(tmp_path / "crawl" / "a.warc"),
                                "--output-dir", str(output_dir), "--workers", "2",
                                "--algorithm", "dom", "--max-page-size", "2500"])
    assert status == 1
    _assert_parts_are_the_command_lines(output_dir, inputs, "--algorithm", "dom",
                                        "--max-page-size", "2500")
    errors = capsys.readouterr().err.splitlines()
    assert errors[0] == (f"korvane: {inputs[0]}: same part file as {inputs[0]} "
                         f"({str(inputs[0]).lstrip('/')}.jsonl)")
    [cut] = [line for line in errors if line.startswith(f"korvane: {inputs[2]}: record 5 (")]
    assert cut.endswith("record cut short; the rest of the file is not read")
    # Named as korvane names it: escaped into text that a terminal only prints.
    assert f"korvane: {fifo.parent}/queue\\x1B.html: not a regular file (a FIFO), not read" \
        in errors
    assert "korvane: http://site0.example/utf8.html: larger than 2500 bytes (--max-page-size)" \
        in errors
    assert errors[-1].startswith("korvane: 6 inputs, ")


def _temporary_files(folder):
    """Whatever under `folder` is not a part file or a folder of them."""
    left = []
    for root, folders, files in os.walk(folder):
        left += [os.path.join(root, name) for name in folders + files
                 if name.startswith(".") or not (name.endswith(".jsonl") or name in folders)]
    return left


def _a_task_is_writing(output_dir):
    return lambda: any(os.path.isfile(path) for path in _temporary_files(output_dir))


def _wait_for(condition, what, processes=()):
    deadline = time.monotonic() + STARTUP_SECONDS
    while not condition():
        assert all(p.poll() is None for p in processes), f"ended before {what}"
        assert time.monotonic() < deadline, f"no {what}"
        time.sleep(0.05)  # polling for the condition; nothing waits on time alone


def _large_warc(path, records=10000):
    """A WARC file that takes its task a few seconds."""
    path.write_bytes(warc_records({"utf8": PAGES["utf8"]})[0] * records)
    return path


def test_a_worker_killed_mid_task_leaves_no_temporary_file(tmp_path):
    warc = _large_warc(tmp_path / "large.warc")
    output_dir = tmp_path / "out"
    with _cluster(tmp_path / "cluster") as (client, workers), ThreadPoolExecutor(1) as pool:
        running = pool.submit(korvane.dask.run, [str(warc)], str(output_dir), client)
        _wait_for(_a_task_is_writing(output_dir), "temporary file")
        # The worker writing it, killed as a machine dies: without a word.
        [(address, _)] = [(a, keys) for a, keys in client.processing().items() if keys]
        name = client.scheduler_info()["workers"][address]["name"]
        workers[name].kill()
        summary = running.result(timeout=STARTUP_SECONDS)
    [report] = summary.reports
    [survivor] = [p.pid for n, p in workers.items() if n != name]
    assert report.worker.endswith(f":{survivor}") and not summary.failures
    _assert_parts_are_the_command_lines(output_dir, [warc])
    assert _temporary_files(output_dir) == []


def _module(*arguments, **options):
    """`python3 -m korvane.dask` as a process: (status, standard error lines)."""
    run = subprocess.run([sys.executable, "-m", "korvane.dask", *map(str, arguments)],
                         stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True,
                         timeout=STARTUP_SECONDS, **options)
    return run.returncode, run.stderr.splitlines()


@pytest.mark.parametrize("given, where, status, last_line", [
    ("page.html", "scheduler", 0,
     "korvane: 1 inputs, 1 pages read, 1 converted, 0 failed; parts in out"),
    ("cut.warc", "workers", 1,
     "korvane: 1 inputs, 2 pages read, 1 converted, 1 failed; 1 WARC responses without an HTML "
     "page skipped; parts in out"),
])
def test_the_module_exits_0_when_all_converted_and_1_when_any_failed(cluster, tmp_path, given,
                                                                      where, status, last_line):
    (tmp_path / "page.html").write_bytes(PAGES["utf8"])
    (tmp_path / "cut.warc").write_bytes(b"".join(warc_records({"a": PAGES["utf8"]},
                                                              cut_last=True)))
    client, _ = cluster
    cluster_options = {"scheduler": ["--scheduler", client.scheduler.address],
                       "workers": ["--workers", "1"]}[where]
    ran, errors = _module(given, "-o", "out", *cluster_options, cwd=tmp_path)
    assert (ran, errors[-1]) == (status, last_line), errors
    assert _part(tmp_path / "out", given).read_bytes() == run_korvane(
        "--format", "jsonl", tmp_path / given)


@pytest.mark.parametrize("arguments, message", [
    (["--workers", "0"], "korvane: argument --workers: takes 1 to {most} worker processes here "
                         "(8 per core): 0 (see --help)"),
    (["--workers", "{more}"], "korvane: argument --workers: takes 1 to {most} worker processes "
                              "here (8 per core): {more} (see --help)"),
    (["--scheduler", "tcp://127.0.0.1:8786/x"], "korvane: argument --scheduler: not a scheduler "
                                                "address such as tcp://host:8786: "
                                                "tcp://127.0.0.1:8786/x (see --help)"),
    (["--scheduler", "gopher://127.0.0.1:70"], "korvane: argument --scheduler: not a scheduler "
                                               "address such as tcp://host:8786: "
                                               "gopher://127.0.0.1:70 (see --help)"),
    (["--scheduler", "tcp://:8786"], "korvane: argument --scheduler: not a scheduler address "
                                     "such as tcp://host:8786: tcp://:8786 (see --help)"),
    (["--scheduler", "127.0.0.1:65536"], "korvane: argument --scheduler: not a scheduler "
                                         "address such as tcp://host:8786: 127.0.0.1:65536 "
                                         "(see --help)"),
    (["--connect-timeout", "0"], "korvane: argument --connect-timeout: not a number of seconds "
                                 "from 0 to 3600: 0 (see --help)"),
    (["--connect-timeout", "3600.5"], "korvane: argument --connect-timeout: not a number of "
                                      "seconds from 0 to 3600: 3600.5 (see --help)"),
    (["--connect-timeout", "3600", "-"], "korvane: standard input cannot be sent to workers; "
                                         "name files (see --help)"),
    (["--max-page-size", "0"], "korvane: argument --max-page-size: not a size in bytes (such as "
                               "65536, 512K, 64M or 1G): 0 (see --help)"),
    (["-"], "korvane: standard input cannot be sent to workers; name files (see --help)"),
])
def test_bad_usage_is_one_line_and_exit_2(tmp_path, arguments, message):
    most = 8 * os.cpu_count()
    arguments = [a.format(more=most + 1) for a in arguments]
    status, errors = _module(*arguments, "page.html", "-o", "out", cwd=tmp_path)
    assert (status, errors) == (2, [message.format(most=most, more=most + 1)])
    assert not (tmp_path / "out").exists()


def test_a_scheduler_that_does_not_answer_is_one_line_and_exit_1(tmp_path):
    with socket.socket() as silent:  # bound, not listening: connections are refused
        silent.bind(("127.0.0.1", 0))
        address = f"tcp://127.0.0.1:{silent.getsockname()[1]}"
        (tmp_path / "page.html").write_bytes(PAGES["utf8"])
        status, errors = _module("page.html", "-o", "out", "--scheduler", address,
                                 "--connect-timeout", "1", cwd=tmp_path)
    assert (status, errors) == (1, [f"korvane: cannot reach the scheduler at {address}: "
                                    "no answer within 1 s (--connect-timeout)"])


def test_no_more_local_workers_than_files(tmp_path, monkeypatch):
    started = []

    class Cluster(distributed.LocalCluster):
        def __init__(self, *arguments, n_workers=None, **options):
            started.append(n_workers)
            super().__init__(*arguments, n_workers=n_workers, **options)

    monkeypatch.setattr(distributed, "LocalCluster", Cluster)
    (tmp_path / "page.html").write_bytes(PAGES["utf8"])
    output_dir = tmp_path / "out"
    assert korvane.dask.main([str(tmp_path / "page.html"), "-o", str(output_dir),
                              "--workers", "4"]) == 0
    assert started == [1]


def test_ctrl_c_leaves_no_temporary_file_and_a_summary(tmp_path):
    inputs = [_large_warc(tmp_path / f"large{i}.warc") for i in range(2)]
    output_dir = tmp_path / "out"
    client = subprocess.Popen(
        [sys.executable, "-m", "korvane.dask", *map(str, inputs), "-o", str(output_dir),
         "--workers", "2"], stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True,
        start_new_session=True)
    try:
        _wait_for(_a_task_is_writing(output_dir), "temporary file", [client])
        os.killpg(client.pid, signal.SIGINT)  # as Ctrl-C on a terminal
        _, errors = client.communicate(timeout=STARTUP_SECONDS)
    finally:
        client.kill()
        client.wait()
    lines = errors.splitlines()
    assert client.returncode == 130 and "Traceback" not in errors
    assert lines[-1].startswith("korvane: stopped by SIGINT; 2 inputs (")
    assert _temporary_files(output_dir) == []
