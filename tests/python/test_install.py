# SPDX-License-Identifier: Apache-2.0
"""`python3 -m pip install --no-build-isolation .` in a venv, offline, with
nothing written into the source folder. ctest names its build folder in
KORVANE_BUILD_DIR, whose module setup.py then takes (brought up to date)
rather than building the engine again."""

import os
import pathlib
import subprocess
import sys

SOURCE = pathlib.Path(__file__).resolve().parents[2]


def _source_files():
    """Every path in the source folder, build folders and .git aside."""
    paths = set()
    for root, folders, files in os.walk(SOURCE):
        folders[:] = [name for name in folders if name != ".git"
                      and not os.path.exists(os.path.join(root, name, "CMakeCache.txt"))]
        paths.update(os.path.join(root, name) for name in folders + files)
    return paths


def test_pip_installs_the_package_offline_into_a_venv_writing_nothing_into_the_source(tmp_path):
    before = _source_files()
    environment = {k: v for k, v in os.environ.items() if k not in ("PYTHONPATH", "LD_PRELOAD")}
    environment["KORVANE_BUILD_BASE"] = str(tmp_path / "pip-build")
    venv = tmp_path / "venv"
    subprocess.run([sys.executable, "-m", "venv", "--system-site-packages", str(venv)], check=True)
    python = str(venv / "bin" / "python")
    subprocess.run([python, "-m", "pip", "install", "--no-build-isolation", "--no-index",
                    "--quiet", "."], cwd=SOURCE, env=environment, check=True)
    script = ("import korvane, korvane.dask, pathlib; "
              "print(pathlib.Path(korvane.__file__).parent); "
              "print(korvane.extract('<title>Title</title>').title)")
    run = subprocess.run([python, "-c", script], cwd=tmp_path, env=environment,
                         capture_output=True, text=True, check=True)
    package, title = run.stdout.splitlines()
    assert package.startswith(str(venv)) and title == "title"
    assert {"py.typed", "_korvane.pyi", "_dask_options.py"} <= set(os.listdir(package))
    assert _source_files() - before == set()
