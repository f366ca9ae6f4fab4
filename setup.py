"""Builds the korvane package: CMake makes the native module, setuptools the wheel."""

import os
import re
import shutil
import subprocess
import sys

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = os.path.dirname(os.path.abspath(__file__))


def project_version():
    with open(os.path.join(ROOT, "CMakeLists.txt"), encoding="utf-8") as cmake_lists:
        return re.search(r"project\(korvane VERSION ([0-9.]+)", cmake_lists.read()).group(1)


class CMakeBuild(build_ext):
    """The module as the project's own build makes it, for this interpreter."""

    def build_extension(self, ext):
        build = os.path.join(os.path.abspath(self.build_temp), "cmake")
        generator = ["-G", "Ninja"] if shutil.which("ninja") else []
        subprocess.run(["cmake", "-S", ROOT, "-B", build, *generator, "-DCMAKE_BUILD_TYPE=Release",
                        f"-DPython3_EXECUTABLE={sys.executable}", "-DKORVANE_BUILD_PYTHON=ON",
                        "-DKORVANE_BUILD_UI=OFF", "-DKORVANE_BUILD_BENCH=OFF",
                        "-DKORVANE_BUILD_TESTS=OFF", "-DKORVANE_WERROR=OFF"], check=True)
        subprocess.run(["cmake", "--build", build, "--target", "_korvane"], check=True)
        target = self.get_ext_fullpath(ext.name)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        shutil.copyfile(os.path.join(build, "python", os.path.relpath(target, self.build_lib)),
                        target)


setup(
    version=project_version(),
    packages=["korvane"],
    package_dir={"": "python"},
    package_data={"korvane": ["py.typed", "_korvane.pyi"]},
    ext_modules=[Extension("korvane._korvane", sources=[])],
    cmdclass={"build_ext": CMakeBuild},
    options={"build": {"build_base": "build-pip"}},
)
