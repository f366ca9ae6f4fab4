# SPDX-License-Identifier: Apache-2.0
"""`python3 -m pip install --no-build-isolation .` in a venv, offline."""

import os
import pathlib
import subprocess
import sys

SOURCE = pathlib.Path(__file__).resolve().parents[2]


def test_pip_installs_the_package_offline_into_a_venv(tmp_path):
    environment = {k: v for k, v in os.environ.items() if k not in ("PYTHONPATH", "LD_PRELOAD")}
    venv = tmp_path / "venv"
    subprocess.run([sys.executable, "-m", "venv", "--system-site-packages", str(venv)], check=True)
    python = str(venv / "bin" / "python")
    subprocess.run([python, "-m", "pip", "install", "--no-build-isolation", "--no-index",
                    "--quiet", str(SOURCE)], env=environment, check=True)
    script = ("import korvane, korvane.dask, pathlib; "
              "print(pathlib.Path(korvane.__file__).parent); "
              "print(korvane.extract('<title>Title</title>').title)")
    run = subprocess.run([python, "-c", script], cwd=tmp_path, env=environment,
                         capture_output=True, text=True, check=True)
    package, title = run.stdout.splitlines()
    assert package.startswith(str(venv)) and title == "title"
    assert {"py.typed", "_korvane.pyi"} <= set(os.listdir(package))
