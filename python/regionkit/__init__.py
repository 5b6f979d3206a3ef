"""regionkit: non-maximum suppression, distance tables, valid correlation,
coverage, box refit and word histograms, with the same bits as regionkit for
MATLAB and GNU Octave.

Functions
---------
nms                 greedy non-maximum suppression; indices of the kept boxes, optionally per group
pairwise_distances  rescaled distances between every row of a and every row of b ("l2" or "hik")
refit_boxes         refit boxes to the bounding box of their member regions
correlate_valid     valid-mode sliding-window correlation
coverage            which region boxes lie (more than 90%) inside which boxes
word_histograms     visual-word histograms per region, and over all regions
self_test           check this build against the reference results

Arguments are anything `numpy.asarray` turns into an array of real numbers;
results are NumPy arrays. Every refusal raises a subclass of
`RegionkitError` that is also the matching built-in exception
(`RegionkitValueError` is a `ValueError`, and so on). Every call releases the
global interpreter lock while it works.

`regionkit.matlab` holds the functions under their MATLAB names, with MATLAB's
arguments and results (``regionkit.matlab.rectCull(boxes, 0.3)``), as in
regionkit 0.2.0. Those names still work here at the top level for this
release, with a DeprecationWarning that names the function to use instead.
"""
import warnings
from typing import Any

from ._errors import RegionkitError, RegionkitMemoryError, RegionkitTypeError, RegionkitValueError
from ._regionkit import __version__
from ._api import correlate_valid, coverage, nms, pairwise_distances, refit_boxes, word_histograms
from ._selftest import self_test
from . import matlab

__all__ = ["nms", "pairwise_distances", "refit_boxes", "correlate_valid", "coverage", "word_histograms",
           "self_test", "RegionkitError", "RegionkitTypeError", "RegionkitValueError", "RegionkitMemoryError",
           "matlab", "__version__"]


def __getattr__(name: str) -> Any:
    # The 0.2.0 names, for one release: the MATLAB function, with a warning.
    successor = matlab.SUCCESSORS.get(name)
    if successor is None:
        raise AttributeError("module 'regionkit' has no attribute %r" % name)
    warnings.warn("regionkit.%s is deprecated: use regionkit.%s, or regionkit.matlab.%s for the MATLAB form"
                  % (name, successor, name), DeprecationWarning, stacklevel=2)
    return getattr(matlab, name)


def __dir__() -> "list[str]":
    return sorted(__all__)
