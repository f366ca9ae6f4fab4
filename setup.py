# SPDX-License-Identifier: Apache-2.0
"""Builds the korvane package: CMake makes the native module, setuptools the wheel.

Nothing is written into the source folder: setuptools' and CMake's files go
to $KORVANE_BUILD_BASE if set, else to a temporary folder removed when the
build ends. $KORVANE_BUILD_DIR may name a CMake build folder of this source,
configured for the same Python: its `_korvane` target is brought up to date
there and taken, instead of a build of the whole engine.
"""

import atexit
import os
import re
import shutil
import subprocess
import sys
import tempfile

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = os.path.dirname(os.path.abspath(__file__))


def project_version():
    with open(os.path.join(ROOT, "CMakeLists.txt"), encoding="utf-8") as cmake_lists:
        return re.search(r"project\(korvane VERSION ([0-9.]+)", cmake_lists.read()).group(1)


def build_base():
    given = os.environ.get("KORVANE_BUILD_BASE")
    if given:
        return os.path.abspath(given)
    folder = tempfile.mkdtemp(prefix="korvane-build-")
    atexit.register(shutil.rmtree, folder, True)
    return folder


def configure(build):
    """A build folder of this source for this interpreter, as the project's
    own build makes the module (with ccache where there is one)."""
    options = ["-G", "Ninja"] if shutil.which("ninja") else []
    if shutil.which("ccache") and "CMAKE_CXX_COMPILER_LAUNCHER" not in os.environ:
        options.append("-DCMAKE_CXX_COMPILER_LAUNCHER=ccache")
    subprocess.run(["cmake", "-S", ROOT, "-B", build, *options, "-DCMAKE_BUILD_TYPE=Release",
                    f"-DPython3_EXECUTABLE={sys.executable}", "-DKORVANE_BUILD_PYTHON=ON",
                    "-DKORVANE_BUILD_UI=OFF", "-DKORVANE_BUILD_BENCH=OFF",
                    "-DKORVANE_BUILD_TESTS=OFF", "-DKORVANE_WERROR=OFF"], check=True)


class CMakeBuild(build_ext):
    """The module as the project's own build makes it."""

    def build_extension(self, ext):
        build = os.environ.get("KORVANE_BUILD_DIR")
        if not build:
            build = os.path.join(os.path.abspath(self.build_temp), "cmake")
            configure(build)
        subprocess.run(["cmake", "--build", build, "--target", "_korvane"], check=True)
        target = self.get_ext_fullpath(ext.name)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        shutil.copyfile(os.path.join(build, "python", os.path.relpath(target, self.build_lib)),
                        target)


BUILD_BASE = build_base()

setup(
    version=project_version(),
    packages=["korvane"],
    package_dir={"": "python"},
    package_data={"korvane": ["py.typed", "_korvane.pyi"]},
    ext_modules=[Extension("korvane._korvane", sources=[])],
    cmdclass={"build_ext": CMakeBuild},
    options={"build": {"build_base": BUILD_BASE}, "egg_info": {"egg_base": BUILD_BASE}},
)
