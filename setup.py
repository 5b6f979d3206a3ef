"""Builds the Python package regionkit (pip install ., python3 -m build).

The compiled module regionkit._regionkit is built by this project's CMake
build, the one description of how every source is compiled (see
python/CMakeLists.txt): this file configures it for the module alone (no
plug-ins for GNU Octave or MATLAB, no tests, no benchmarks), builds the
module and the package beside it into setuptools' build folder, and leaves
the rest to setuptools. CMAKE_ARGS adds arguments to the configuration
(split as a shell would); CMAKE_BUILD_PARALLEL_LEVEL, CMake's own variable,
sets the number of compile jobs (default 2).
"""
import os
import re
import shlex
import subprocess
import sys

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext
from setuptools.command.egg_info import egg_info

ROOT = os.path.dirname(os.path.abspath(__file__))
SCRATCH = os.path.join("build", "python-setuptools")


def version():
    """The version: the "% Version x.y.z" line of Contents.m, as everywhere."""
    with open(os.path.join(ROOT, "Contents.m"), encoding="utf-8") as f:
        return re.search(r"^% Version (\d+\.\d+\.\d+)", f.read(), re.M).group(1)


class CMakeBuild(build_ext):
    """Builds the module with CMake, straight into the package folder setuptools installs from."""

    def build_extension(self, ext):
        target = os.path.abspath(self.get_ext_fullpath(ext.name))
        package_parent = os.path.dirname(os.path.dirname(target))
        build = os.path.abspath(os.path.join(self.build_temp, "cmake"))
        configure = [
            "cmake", "-S", ROOT, "-B", build,
            "-DCMAKE_BUILD_TYPE=" + ("Debug" if self.debug else "Release"),
            "-DREGIONKIT_PYTHON=ON", "-DREGIONKIT_OCTAVE=OFF", "-DREGIONKIT_MATLAB=OFF",
            "-DREGIONKIT_TESTS=OFF", "-DREGIONKIT_BENCH=OFF",
            "-DPython_EXECUTABLE=" + sys.executable,
            "-DREGIONKIT_PYTHON_DIR=" + package_parent,
            # setuptools puts the Python files and the package data beside the module.
            "-DREGIONKIT_PYTHON_FILES=OFF",
        ]
        try:
            import pybind11
            configure.append("-Dpybind11_DIR=" + pybind11.get_cmake_dir())
        except (ImportError, AttributeError):
            pass  # CMake finds pybind11's own configuration (Debian's pybind11-dev)
        configure += shlex.split(os.environ.get("CMAKE_ARGS", ""))
        subprocess.run(configure, check=True)
        # cmake --build reads CMAKE_BUILD_PARALLEL_LEVEL itself; 2 where it is unset.
        environment = dict(os.environ)
        environment.setdefault("CMAKE_BUILD_PARALLEL_LEVEL", "2")
        subprocess.run(["cmake", "--build", build, "--target", "python_package"], check=True, env=environment)
        if not os.path.exists(target):
            raise RuntimeError("the CMake build did not write %s" % target)


class EggInfo(egg_info):
    """Keeps the package's metadata folder out of the source tree."""

    def finalize_options(self):
        if self.egg_base is None:
            self.egg_base = os.path.join(ROOT, SCRATCH)
            os.makedirs(self.egg_base, exist_ok=True)
        super().finalize_options()


setup(
    version=version(),
    # The golden calls are package data (pyproject.toml), from the one file
    # every host's self-test reads: selftest/ gives regionkit/_golden.
    packages=["regionkit", "regionkit.examples", "regionkit._golden"],
    package_dir={"": "python", "regionkit._golden": "selftest"},
    ext_modules=[Extension("regionkit._regionkit", sources=[])],
    cmdclass={"build_ext": CMakeBuild, "egg_info": EggInfo},
    options={"build": {"build_base": SCRATCH}},
    zip_safe=False,
)
