# SPDX-License-Identifier: Apache-2.0
"""The tree `cmake --install` makes, in a temporary DESTDIR, and ways to use it.

ctest names the build's layout.json in KORVANE_LAYOUT: its version, folders
under the prefix, compiler and flags.
"""

import json
import os
import pathlib
import re
import shlex
import subprocess
from typing import Dict, List

import pytest


class Installed:
    """The installed tree: `path("bindir", "korvane")` is where the prefix's
    bin/korvane lies under DESTDIR."""

    def __init__(self, layout: Dict, destdir: pathlib.Path):
        self.layout = layout
        self.destdir = destdir
        self.root = destdir / layout["prefix"].lstrip("/")

    def path(self, folder: str, *names: str) -> pathlib.Path:
        return self.root.joinpath(self.layout[folder], *names)

    def environment(self) -> Dict[str, str]:
        """For running what is installed: its programs first on PATH, its
        Python package on the path (not the build's)."""
        environment = {k: v for k, v in os.environ.items() if k not in ("PYTHONPATH", "LD_PRELOAD")}
        environment["PATH"] = f"{self.path('bindir')}:{environment['PATH']}"
        if self.layout["python_dir"]:
            environment["PYTHONPATH"] = str(self.path("python_dir"))
        return environment

    def run(self, *command, text=True, **options) -> subprocess.CompletedProcess:
        return subprocess.run(command, capture_output=True, text=text, check=True,
                              env=self.environment(), **options)

    def help_options(self, program: str, *subcommand: str) -> List[str]:
        """The long options that `program [subcommand] --help` lists, each at
        the head of an entry ("  -o DIR, --output-dir DIR   ...")."""
        options = set()
        for line in self.run(program, *subcommand, "--help").stdout.splitlines():
            head = re.split(r" {2,}", line.strip())[0]
            if line.startswith(" ") and head.startswith("-"):
                options.update(re.findall(r"--[a-z][a-z-]*", head))
        return sorted(options)


@pytest.fixture(scope="session")
def layout() -> Dict:
    with open(os.environ["KORVANE_LAYOUT"], encoding="utf-8") as file:
        return json.load(file)


@pytest.fixture(scope="session")
def installed(layout, tmp_path_factory) -> Installed:
    destdir = tmp_path_factory.mktemp("destdir")
    subprocess.run([layout["cmake"], "--install", layout["build_dir"]], check=True,
                   stdout=subprocess.DEVNULL, env={**os.environ, "DESTDIR": str(destdir)})
    return Installed(layout, destdir)


@pytest.fixture(scope="session")
def sample_page(layout) -> pathlib.Path:
    return pathlib.Path(layout["source_dir"], "ui", "resources", "sample.html")


def bash_complete(script: pathlib.Path, words: List[str], cwd: pathlib.Path) -> List[str]:
    """What bash offers for the last of `words`, by the completion function
    that `script` registers for words[0], as bash would call it."""
    program = "\n".join([
        f"source {shlex.quote(str(script))}",
        f"function=$(complete -p {shlex.quote(words[0])} | sed -E 's/.* -F ([^ ]+) .*/\\1/')",
        f"COMP_WORDS=({' '.join(shlex.quote(word) for word in words)})",
        f"COMP_CWORD={len(words) - 1}",
        f"COMP_LINE={shlex.quote(' '.join(words))}",
        "COMP_POINT=${#COMP_LINE}",
        '"$function" "${COMP_WORDS[0]}" "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD-1]}"',
        'for word in "${COMPREPLY[@]}"; do printf "%s\\n" "$word"; done'])
    run = subprocess.run(["bash", "--norc", "--noprofile", "-c", program], cwd=cwd,
                         capture_output=True, text=True, check=True)
    return sorted(run.stdout.splitlines())
