"""Sphinx configuration of the regionkit documentation (make docs).

make docs copies this folder into build/docs/source and builds from there, so
the pages generated while building (the API pages, the gallery, the demo's
picture) never land in the checkout. REGIONKIT_ROOT names the checkout; the
package is imported from PYTHONPATH (the build's build/python).
"""
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.environ.get("REGIONKIT_ROOT") or os.path.dirname(HERE)
sys.path.insert(0, os.path.join(HERE, "_ext"))

import regionkit  # noqa: E402  (the build's package, from PYTHONPATH)

project = "regionkit"
author = "the regionkit authors"
copyright = "the regionkit authors, BSD 3-Clause licence"
release = version = regionkit.__version__

extensions = [
    "sphinx.ext.autodoc",
    "numpydoc",
    "sphinx_gallery.gen_gallery",
    "myst_parser",
    "regionkit_docs",
]
source_suffix = {".rst": "restructuredtext", ".md": "markdown"}
exclude_patterns = ["_build", "examples/README.rst", "**/sg_execution_times.rst"]
nitpicky = True
# Other projects' objects named in See Also sections: there is no inventory of
# theirs to link to offline. Every reference to regionkit's own must resolve.
nitpick_ignore_regex = [("py:obj", r"(numpy|scipy|torchvision)\..*")]
default_role = "literal"
highlight_language = "none"

# The types are in the numpydoc sections; signatures show the names alone.
autodoc_typehints = "none"
numpydoc_show_class_members = False
numpydoc_xref_param_type = False
numpydoc_validation_checks = set()

html_theme = "furo"
html_title = "regionkit %s" % release
html_static_path = []
html_last_updated_fmt = None
html_show_sourcelink = False

# The examples run while the docs build, their pictures taken from matplotlib.
sphinx_gallery_conf = {
    "examples_dirs": "examples",
    "gallery_dirs": "gallery",
    "filename_pattern": r"/plot_",
    "abort_on_example_error": True,
    "only_warn_on_example_error": False,
    "download_all_examples": False,
    "show_memory": False,
    "show_signature": False,
    "remove_config_comments": True,
    "min_reported_time": 1e9,
    "reference_url": {},
    "matplotlib_animations": False,
    "image_scrapers": ("matplotlib",),
}

# Fixed in every build: the checkout's Contents.m and help files.
regionkit_root = ROOT
