% regionkit: fast, checked MEX functions for boxes, regions and visual words.
% Version 0.3.0
%
% Boxes and regions
%   rectCull    - Greedy non-maximum suppression of scored boxes.
%   coverTest   - Which region boxes lie (more than 90%) inside which boxes.
%   rectRefit   - Refit boxes to the bounding box of their member regions.
%
% Vectors and images
%   pairMetric  - Rescaled distances between every row of A and every row of B.
%   slideCorr   - Valid-mode sliding-window correlation, all positions in one column.
%   regionTally - Visual-word histograms per region, and over all regions.
%
% Building and checking
%   buildMex          - Compile all six with this host's own mex command.
%   regionkitSelfTest - Check that this build gives the reference results, bit for bit.
%
% Box conventions: rectCull truncates x, y, w, h to integers and uses
% half-open boxes (x <= u < x+w); coverTest and rectRefit use inclusive,
% 1-based pixel edges (columns x to x+w-1) and do not round.
%
% regionkit is free software under the BSD 3-Clause licence (see LICENSE).
