"""The type information shipped with regionkit, as mypy --strict reads it."""
import os
import subprocess
import sys

import pytest

HERE = os.path.dirname(os.path.abspath(__file__))


@pytest.fixture(scope="module")
def cache(tmp_path_factory):
    # One cache for both runs: numpy's stubs are read once.
    return tmp_path_factory.mktemp("mypy-cache")


def mypy_strict(path, cache):
    pytest.importorskip("mypy")
    paths = [path] if isinstance(path, str) else path
    run = subprocess.run([sys.executable, "-m", "mypy", "--strict", "--cache-dir", str(cache), *paths],
                         capture_output=True, text=True)
    assert run.returncode == 0, run.stdout + run.stderr


def test_a_user_script_calling_every_function_type_checks(cache):
    mypy_strict(os.path.join(HERE, "typed_user_script.py"), cache)


def test_the_folder_runner_and_the_examples_type_check(cache):
    # As installed: the modules of the package that is imported.
    import regionkit.examples
    import regionkit.folders
    mypy_strict([regionkit.folders.__file__, os.path.dirname(regionkit.examples.__file__)], cache)
