"""The package as one way of building installed it: the files beside the
compiled module, and the version it reports. make test runs this for each way
(the wheel from the sdist, pip from the tree, the CMake build); the rest of
the suite runs once, on the wheel."""
import importlib.metadata
import os

import pytest

import regionkit


@pytest.mark.parametrize("name", ["py.typed", "_regionkit.pyi", "_golden/regionkitGolden.bin", "folders.py",
                                  "examples/proposals_for_folder.py"])
def test_its_files_are_beside_the_compiled_module(name):
    here = os.path.dirname(regionkit._regionkit.__file__)
    assert here == os.path.dirname(regionkit.__file__)
    assert os.path.isfile(os.path.join(here, *name.split("/")))


def test_the_version_is_the_metadata_version():
    try:
        installed = importlib.metadata.version("regionkit")
    except importlib.metadata.PackageNotFoundError:
        pytest.skip("installed without metadata (the CMake build)")
    assert regionkit.__version__ == installed
