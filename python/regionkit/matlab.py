"""The regionkit 0.2.0 functions under their MATLAB names, as in MATLAB.

Each function takes and returns what its MATLAB namesake does: arguments
read as real float64 matrices in column-major order (a scalar is 1x1, a 1-d
array a 1xn row), results float64 arrays of the MATLAB shapes, words and
regions counted from 1, and ``nargout=`` in place of MATLAB's result count.
Code written for regionkit 0.2.0 keeps working through this module::

    from regionkit.matlab import rectCull
    kept = rectCull(boxes, 0.3)

New code reads better with the functions of the package itself
(``regionkit.nms`` and the others); the README has a table from each name
here to its function there. Both run the same compiled code and give the
same bits. ``help(regionkit.matlab.rectCull)`` gives each function's MATLAB
manual.
"""
import inspect
from typing import Any, Callable, Dict, Sequence

from . import _regionkit
from ._selftest import selfTest

__all__ = ["rectCull", "pairMetric", "rectRefit", "slideCorr", "coverTest", "regionTally", "selfTest"]

# The function regionkit 0.3.0 offers in place of each MATLAB name.
SUCCESSORS: Dict[str, str] = {
    "rectCull": "nms",
    "pairMetric": "pairwise_distances",
    "rectRefit": "refit_boxes",
    "slideCorr": "correlate_valid",
    "coverTest": "coverage",
    "regionTally": "word_histograms",
    "selfTest": "self_test",
}


# Each function's arguments, as its manual's first line names them, and the
# number of results it gives by default.
_SIGNATURES: Dict[str, "tuple[Sequence[str], int]"] = {
    "rectCull": (("boxes", "threshold"), 1),
    "pairMetric": (("A", "B", "code"), 1),
    "rectRefit": (("boxes", "regionboxes", "membership", "height", "width"), 1),
    "slideCorr": (("A", "K"), 1),
    "coverTest": (("regionboxes", "boxes"), 1),
    "regionTally": (("wordmap", "regionindex", "W", "R"), 2),
}


def _signature(name: str) -> inspect.Signature:
    """`name(a, b, /, *, nargout=1)`: the arguments by position, the result count by keyword."""
    arguments, results = _SIGNATURES[name]
    parameters = [inspect.Parameter(a, inspect.Parameter.POSITIONAL_ONLY) for a in arguments]
    parameters.append(inspect.Parameter("nargout", inspect.Parameter.KEYWORD_ONLY, default=results))
    return inspect.Signature(parameters)


def _matlab_function(name: str) -> Callable[..., Any]:
    compiled = getattr(_regionkit, name)
    # The count of arguments is left to the entry, which refuses a wrong one
    # with its MATLAB message; the signature only documents the call.
    def call(*arguments: Any, **options: Any) -> Any:
        return compiled(*arguments, **options)

    call.__name__ = call.__qualname__ = name
    call.__module__ = __name__
    call.__doc__ = compiled.__doc__
    call.__signature__ = _signature(name)  # type: ignore[attr-defined]
    return call


rectCull = _matlab_function("rectCull")
pairMetric = _matlab_function("pairMetric")
rectRefit = _matlab_function("rectRefit")
slideCorr = _matlab_function("slideCorr")
coverTest = _matlab_function("coverTest")
regionTally = _matlab_function("regionTally")
