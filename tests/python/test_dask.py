# SPDX-License-Identifier: Apache-2.0
"""korvane.dask on real worker processes: a `dask scheduler` and two `dask
worker` processes on the loopback address, and a LocalCluster."""

import contextlib
import os
import subprocess
import sys
import time

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


@pytest.fixture(scope="module")
def cluster(tmp_path_factory):
    """(client, worker process ids) of a scheduler and two worker processes."""
    folder = tmp_path_factory.mktemp("cluster")
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
        for name in ("w1", "w2"):
            started.append(subprocess.Popen(
                dask + ["worker", "--scheduler-file", str(address_file), "--host", "127.0.0.1",
                        "--nworkers", "1", "--nthreads", "1", "--no-nanny", "--no-dashboard",
                        "--name", name, "--local-directory", str(folder / name)], **options))
        with distributed.Client(scheduler_file=str(address_file),
                                timeout=STARTUP_SECONDS) as client:
            client.wait_for_workers(2, timeout=STARTUP_SECONDS)
            yield client, {process.pid for process in started[1:]}


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
