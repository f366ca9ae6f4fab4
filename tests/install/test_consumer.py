# SPDX-License-Identifier: Apache-2.0
"""A program of a user's own, built against the installed library alone,
once through find_package(korvane) and once through pkg-config: it converts
the sample page to the same record as the installed korvane."""

import os
import pathlib
import shlex
import subprocess

import pytest

CONSUMER = pathlib.Path(__file__).parent / "consumer"


def build_with_cmake(installed, layout, build: pathlib.Path) -> pathlib.Path:
    subprocess.run([layout["cmake"], "-S", str(CONSUMER), "-B", str(build), "-G", "Ninja",
                    f"-DCMAKE_PREFIX_PATH={installed.root}",
                    f"-DKORVANE_EXPECTED_VERSION={layout['version']}",
                    f"-DCMAKE_CXX_COMPILER={layout['cxx']}",
                    f"-DCMAKE_CXX_FLAGS={layout['cxx_flags']}",
                    f"-DCMAKE_EXE_LINKER_FLAGS={layout['linker_flags']}"],
                   check=True, stdout=subprocess.DEVNULL)
    subprocess.run([layout["cmake"], "--build", str(build)], check=True, stdout=subprocess.DEVNULL)
    return build / "consumer"


def build_with_pkg_config(installed, layout, build: pathlib.Path) -> pathlib.Path:
    # The .pc file names the prefix: DESTDIR is pkg-config's sysroot.
    environment = {**os.environ, "PKG_CONFIG_SYSROOT_DIR": str(installed.destdir),
                   "PKG_CONFIG_PATH": str(installed.path("libdir", "pkgconfig"))}
    flags = subprocess.run(["pkg-config", "--static", "--cflags", "--libs", "korvane"],
                           capture_output=True, text=True, check=True, env=environment).stdout
    build.mkdir()
    program = build / "consumer"
    subprocess.run([layout["cxx"], "-std=c++20", *shlex.split(layout["cxx_flags"]),
                    str(CONSUMER / "consumer.cc"), "-o", str(program), *shlex.split(flags),
                    *shlex.split(layout["linker_flags"])], check=True)
    return program


@pytest.mark.parametrize("build", [build_with_cmake, build_with_pkg_config])
def test_a_program_built_against_the_installed_library_converts_a_page(
        build, installed, layout, sample_page, tmp_path):
    consumer = build(installed, layout, tmp_path / "build")
    record = subprocess.run([str(consumer), str(sample_page)], capture_output=True, check=True)
    expected = installed.run("korvane", str(sample_page), text=False).stdout
    assert record.stdout == expected and b"[[txt]]\r\n" in expected
