%REGIONTALLY  Visual-word histograms per region, and over all regions.
%   [COUNTS, TOTALS] = REGIONTALLY(WORDMAP, REGIONINDEX, W, R) counts, for
%   every word and every region, how many memberships join a location bearing
%   that word to that region, and for every word that count summed over all
%   regions.
%
%   Arguments
%     WORDMAP      real double array of n elements, any shape (the image's
%                  word map, say): element t is location t's word, 1 to W.
%     REGIONINDEX  real double array of k blocks of n elements, any shape (an
%                  n-by-k matrix, usually): element t + (i-1)*n is location
%                  t's i-th membership, a region number 1 to R, or 0 for none.
%                  k = floor(numel(REGIONINDEX) / n); a remainder is not read.
%     W            number of words (truncated toward zero), 0 or more.
%     R            number of regions (truncated toward zero), 0 or more.
%   Word and region numbers are truncated toward zero: 3.9 means 3, and
%   -0 means none. Only element counts matter, not shapes.
%
%   Results
%     COUNTS       W-by-R: COUNTS(w, r) is the number of memberships in region
%                  r of locations whose word is w.
%     TOTALS       W-by-1: the number of non-zero memberships of locations
%                  whose word is w; equal to sum(COUNTS, 2). A location in
%                  three regions adds 3 to its word's total.
%
%   Refused through the host's plain error (no identifier), with a message
%   beginning "Error: ":
%     more than two results  "Error: function has only two output parameters"
%     not four arguments     "Error: Needs exactly two four input parameters"
%     and, each with a message that says what and where: an empty WORDMAP, an
%     argument that is not a real double array, a W or R that is negative,
%     NaN or 2^31 or more, a region number outside 1 to R, or a word outside 1
%     to W at a location that has a membership; and memory that cannot be
%     had, "Error: out of memory: ..." naming what could not be made.
%   The arguments are never changed. Besides the results, a large tally (at
%   least 65536 memberships, and at least a quarter as many as W*R) uses a
%   working table of about 2 to 4 bytes per word and region while it runs.
%
%   Example
%     words   = [1 2 1];
%     regions = [1 2; 0 2; 2 0];   % location 1 is in regions 1 and 2, ...
%     [counts, totals] = regionTally(words, regions, 2, 2)
%     % counts = [1 2; 0 1], totals = [3; 1]
%
%   See also PAIRMETRIC, CONTENTS.
