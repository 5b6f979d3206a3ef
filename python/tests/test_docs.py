"""The documentation's Python examples run as written: every >>> example of
doc/ and of README.md as a doctest, and every gallery script whole."""
import doctest
import glob
import os
import re
import runpy

import pytest

# Beside this suite in a checkout; REGIONKIT_DOCS names the doc folder and
# REGIONKIT_README the README when the suite runs from a copy.
HERE = os.path.dirname(os.path.abspath(__file__))
DOCS = os.environ.get("REGIONKIT_DOCS") or os.path.join(HERE, "..", "..", "doc")
README = os.environ.get("REGIONKIT_README") or os.path.join(HERE, "..", "..", "README.md")
PAGES = sorted(glob.glob(os.path.join(DOCS, "**", "*.rst"), recursive=True)) + \
    ([README] if os.path.exists(README) else [])
GALLERY = sorted(glob.glob(os.path.join(DOCS, "examples", "*.py")))


def test_the_docs_are_found():
    if not os.path.isdir(DOCS):
        pytest.skip("the doc folder is not beside this test suite (set REGIONKIT_DOCS)")
    assert len(PAGES) > 5 and GALLERY


@pytest.mark.parametrize("page", PAGES, ids=[os.path.basename(p) for p in PAGES])
def test_examples_run_as_written(page):
    with open(page, encoding="utf-8") as f:
        text = f.read()
    if page.endswith(".md"):  # a fence ends the output before it
        text = re.sub(r"(?m)^```.*$", "", text)
    test = doctest.DocTestParser().get_doctest(text, {}, page, page, 0)
    runner = doctest.DocTestRunner(optionflags=doctest.NORMALIZE_WHITESPACE | doctest.ELLIPSIS)
    runner.run(test)
    assert runner.summarize(verbose=False).failed == 0


@pytest.mark.parametrize("script", GALLERY, ids=[os.path.basename(p) for p in GALLERY])
def test_gallery_scripts_run(script, monkeypatch, tmp_path):
    pytest.importorskip("scipy")
    matplotlib = pytest.importorskip("matplotlib")
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt
    monkeypatch.chdir(tmp_path)
    runpy.run_path(script, run_name="__main__")
    plt.close("all")
