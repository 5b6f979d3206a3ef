"""regionkit: six functions a vision pipeline needs, the same bits as in MATLAB and GNU Octave.

  rectCull     greedy non-maximum suppression of scored boxes
  pairMetric   rescaled distances between every row of A and every row of B
  rectRefit    refit boxes to the bounding box of their member regions
  slideCorr    valid-mode sliding-window correlation
  coverTest    which region boxes lie (more than 90%) inside which boxes
  regionTally  visual-word histograms per region, and over all regions
  selfTest     check this build against the reference results

The functions take and return what their MATLAB namesakes do, as NumPy
arrays; help(regionkit.rectCull) and the others give each one's manual.
Arguments are read as real float64 matrices in column-major order: a float64
array in Fortran order is read in place, every other layout (NumPy's default
C order among them) is copied once. Results are float64 arrays of the MATLAB
shapes. A refused call raises TypeError, ValueError or MemoryError with the
same message as in MATLAB; the exception's `identifier` attribute holds the
MATLAB error identifier. Every call releases the global interpreter lock.
"""
from ._regionkit import __version__, functions as _functions
from ._regionkit import *  # noqa: F401,F403  (the compiled functions)
from ._selftest import selfTest

__all__ = list(_functions) + ["selfTest"]
