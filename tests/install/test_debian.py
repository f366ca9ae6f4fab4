# SPDX-License-Identifier: Apache-2.0
"""The Debian packages take their version from debian/changelog: it must be
the project's (scripts/package refuses to build otherwise)."""

import pathlib
import subprocess


def test_debian_changelog_is_at_the_project_version(layout):
    changelog = pathlib.Path(layout["source_dir"], "debian", "changelog")
    run = subprocess.run(["dpkg-parsechangelog", "-l", str(changelog), "-S", "Version"],
                         capture_output=True, text=True, check=True)
    assert run.stdout.strip() == layout["version"]
