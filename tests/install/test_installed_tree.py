# SPDX-License-Identifier: Apache-2.0
"""What `cmake --install` puts under the prefix, and that each piece works
from there: the programs and their version, the manual pages, completion,
the desktop entry, the Python package."""

import configparser
import fnmatch
import json
import pathlib
import shutil
import subprocess
import sys

import pytest

from conftest import bash_complete


def expected_files(layout):
    """Patterns of every file installed, relative to the prefix."""
    folders = {key: value for key, value in layout.items() if isinstance(value, str)}
    patterns = ["{bindir}/korvane", "{includedir}/korvane.h", "{libdir}/libkorvane.a",
                "{libdir}/pkgconfig/korvane.pc", "{libdir}/cmake/korvane/korvaneConfig.cmake",
                "{libdir}/cmake/korvane/korvaneConfigVersion.cmake",
                "{libdir}/cmake/korvane/korvaneTargets.cmake",
                "{libdir}/cmake/korvane/korvaneTargets-*.cmake", "{mandir}/man1/korvane.1",
                "{bash_completion_dir}/korvane", "{zsh_completion_dir}/_korvane"]
    if layout["window"]:
        patterns += ["{bindir}/korvane-window", "{mandir}/man1/korvane-window.1",
                     "{datadir}/applications/korvane-window.desktop",
                     "{datadir}/icons/hicolor/64x64/apps/korvane.png"]
    if layout["python_dir"]:
        patterns += ["{bindir}/korvane-dask",
                     *(f"{{python_dir}}/korvane/{name}" for name in (
                         "__init__.py", "_api.py", "_dask_options.py", "_korvane.pyi",
                         "dask.py", "py.typed",
                         "_korvane.cpython-*.so"))]
    if layout["python_runs"]:
        patterns.append("{mandir}/man1/korvane-dask.1")
    return [pattern.format(**folders) for pattern in patterns]


def test_installs_exactly_the_programs_library_header_and_their_files(installed, layout):
    files = sorted(str(path.relative_to(installed.root))
                   for path in installed.destdir.rglob("*") if not path.is_dir())
    patterns = expected_files(layout)
    for pattern in patterns:
        assert len(fnmatch.filter(files, pattern)) == 1, pattern
    assert [name for name in files if not any(fnmatch.fnmatch(name, p) for p in patterns)] == []


def programs(layout):
    return (["korvane"] + ["korvane-window"] * layout["window"] +
            ["korvane-dask"] * layout["python_runs"])


def test_every_program_prints_the_project_version(installed, layout):
    for program in programs(layout):
        assert installed.run(program, "--version").stdout == f"{program} {layout['version']}\n"
    if layout["python_runs"]:
        version = installed.run(sys.executable, "-c", "import korvane; print(korvane.__version__)")
        assert version.stdout == f"{layout['version']}\n"
    pkg_config = installed.path("libdir", "pkgconfig", "korvane.pc").read_text()
    assert f"\nVersion: {layout['version']}\n" in pkg_config


def test_manual_pages_render_without_warnings_and_describe_every_option(installed, layout):
    for program in programs(layout):
        page = installed.path("mandir", "man1", f"{program}.1")
        run = subprocess.run(["man", "--warnings", "--nh", "--nj", "-l", str(page)],
                             capture_output=True, text=True,
                             env={"PATH": "/usr/bin:/bin", "LC_ALL": "C.UTF-8", "MANWIDTH": "200"})
        assert (run.returncode, run.stderr) == (0, ""), program
        assert run.stdout.startswith(f"{program.upper()}(1)"), program
        for section in ("NAME", "SYNOPSIS", "DESCRIPTION", "OPTIONS", "SEE ALSO"):
            assert f"\n{section}\n" in run.stdout, (program, section)
        for option in installed.help_options(program):
            assert option in run.stdout, (program, option)
    # korvane serve's options in a section of korvane's page, and its usage
    # in the synopsis.
    page = installed.path("mandir", "man1", "korvane.1")
    text = subprocess.run(["man", "--nh", "--nj", "-l", str(page)], capture_output=True,
                          text=True, check=True,
                          env={"PATH": "/usr/bin:/bin", "LC_ALL": "C.UTF-8",
                               "MANWIDTH": "200"}).stdout
    synopsis = text.split("\nSYNOPSIS\n")[1].split("\nDESCRIPTION\n")[0]
    assert "korvane serve [OPTIONS]" in synopsis
    serve = text.split("\nKORVANE SERVE\n")[1].split("\nEXAMPLES\n")[0]
    for option in installed.help_options("korvane", "serve"):
        assert f"{option} " in serve or f"{option}\n" in serve, option
        assert f"{program} {layout['version']}" in run.stdout.splitlines()[-1]


@pytest.fixture
def files_to_complete(tmp_path):
    (tmp_path / "page.html").write_text("<p>x</p>")
    (tmp_path / "pages").mkdir()
    return tmp_path


BASH_CASES = [
    (["korvane", "--al"], ["--algorithm"]),
    (["korvane", "--algorithm", ""], ["block", "dom"]),
    (["korvane", "-a", "d"], ["dom"]),
    (["korvane", "--format", ""], ["jsonl", "record"]),
    (["korvane", "--format", "=", ""], ["jsonl", "record"]),  # --format=
    (["korvane", "--format", "=", "js"], ["jsonl"]),  # --format=js
    (["korvane", "-o", ""], ["pages"]),  # folders only
    (["korvane", "--jobs", ""], []),  # a number of the user's own
    (["korvane", "pa"], ["page.html", "pages"]),
    (["korvane", "-q", "page"], ["page.html", "pages"]),
    (["korvane", "--verbose", "--v"], ["--verbose", "--version"]),
    (["korvane", "se"], ["serve"]),
    (["korvane", "serve", "--li"], ["--listen"]),
    (["korvane", "serve", "--algorithm", ""], ["block", "dom"]),
    (["korvane", "serve", "--token-file", "pa"], ["page.html", "pages"]),
    (["korvane", "serve", "--listen", ""], []),  # an address of the user's own
    (["korvane", "serve", "x"], []),  # serve takes no operands
]


def test_bash_completes_options_their_values_and_files(installed, files_to_complete):
    script = installed.path("bash_completion_dir", "korvane")
    for words, expected in BASH_CASES:
        assert bash_complete(script, words, files_to_complete) == expected, words


def test_bash_completes_every_option_that_help_lists(installed, files_to_complete):
    script = installed.path("bash_completion_dir", "korvane")
    offered = bash_complete(script, ["korvane", "--"], files_to_complete)
    assert offered == installed.help_options("korvane")
    offered = bash_complete(script, ["korvane", "serve", "--"], files_to_complete)
    assert offered == installed.help_options("korvane", "serve")


def test_zsh_completion_is_a_function_zsh_reads(installed):
    script = installed.path("zsh_completion_dir", "_korvane")
    assert script.read_text().startswith("#compdef korvane\n")
    subprocess.run(["zsh", "-n", str(script)], check=True)


def test_desktop_entry_starts_the_window_with_its_chinese_name_and_icon(installed, layout):
    if not layout["window"]:
        pytest.skip("built without the window")
    entry_file = installed.path("datadir", "applications", "korvane-window.desktop")
    subprocess.run(["desktop-file-validate", str(entry_file)], check=True)
    entry = configparser.ConfigParser(interpolation=None)
    entry.optionxform = str
    entry.read(entry_file, encoding="utf-8")
    desktop = entry["Desktop Entry"]
    assert installed.path("bindir", desktop["Exec"]).is_file()
    assert installed.path("datadir", "icons", "hicolor", "64x64", "apps",
                          f"{desktop['Icon']}.png").is_file()
    assert "网页正文抽取" in desktop["Name[zh_CN]"]


def test_python_package_and_dask_runner_run_from_the_installed_tree(
        installed, layout, sample_page, tmp_path):
    if not layout["python_runs"]:
        pytest.skip("no Python package to run in this build")
    run = installed.run(sys.executable, "-c", "import korvane; print(korvane.__file__)",
                        cwd=tmp_path)
    assert pathlib.Path(run.stdout.strip()).is_relative_to(installed.path("python_dir"))
    # Its workers are processes that run the command's script again.
    shutil.copy(sample_page, tmp_path / "page.html")
    installed.run("korvane-dask", "page.html", "--output-dir", "parts", "--workers", "1",
                  cwd=tmp_path)
    line = json.loads((tmp_path / "parts" / "page.html.jsonl").read_text(encoding="utf-8"))
    assert line["record"].encode() == installed.run("korvane", str(sample_page), text=False).stdout
