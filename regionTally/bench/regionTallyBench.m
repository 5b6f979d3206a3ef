% regionTally side by side with accumarray over the non-zero memberships.
%   octave-cli regionTally/bench/regionTallyBench.m <mex folder>
% Two region indexes for a 480 x 640 word map of random words: four
% segmentations of the image into blocks of neighbouring pixels (what a
% segmenter gives), and memberships drawn at random (a cache's worst case).
args = argv ();
addpath (args{1});
addpath (fullfile (fileparts (mfilename ("fullpath")), "..", "..", "bench"));  % benchTime

function [counts, totals] = tallyOctave (words, regions, W, R)
  % The usual vectorized count: pair every non-zero membership with its word.
  k = numel (regions) / numel (words);
  ww = repmat (words(:), k, 1);
  nz = regions(:) != 0;
  ww = ww(nz);
  counts = accumarray ([ww, regions(nz)], 1, [W R]);
  totals = accumarray (ww, 1, [W 1]);
endfunction

function [counts, totals] = tallyMex (words, regions, W, R)
  [counts, totals] = regionTally (words, regions, W, R);
endfunction

function regions = segmentations (rows, cols, k, R)
  % Block i cuts the image into a 10 x 20 grid, shifted by a few pixels per
  % block; cells touching the image's left or top edge are unassigned in half
  % of their pixels.
  [c, r] = meshgrid (0:cols-1, 0:rows-1);
  regions = zeros (rows * cols, k);
  for i = 1:k
    gy = floor (mod (r + 7 * (i - 1), rows) * 10 / rows);
    gx = floor (mod (c + 11 * (i - 1), cols) * 20 / cols);
    cell = mod (gy * 20 + gx, R) + 1;
    cell((gy == 0 | gx == 0) & rand (rows, cols) < 0.5) = 0;
    regions(:, i) = cell(:);
  endfor
endfunction

rand ("seed", 1);
rows = 480; cols = 640; W = 1000; R = 200; k = 4;
words = floor (W * rand (rows, cols)) + 1;
scattered = floor (R * rand (rows * cols, k)) + 1;
scattered(rand (size (scattered)) < 0.25) = 0;
cases = {"segments", segmentations(rows, cols, k, R); "random", scattered};

printf ("%10s %8s %6s %6s %6s %14s %14s %8s\n", "regions", "map", "k", "W", "R", "regionTally", "accumarray", "ratio");
for c = 1:size (cases, 1)
  regions = cases{c, 2};
  [counts, totals] = tallyMex (words, regions, W, R);
  [refCounts, refTotals] = tallyOctave (words, regions, W, R);
  assert (counts, refCounts);
  assert (totals, refTotals);
  tm = benchTime (@() tallyMex (words, regions, W, R));
  to = benchTime (@() tallyOctave (words, regions, W, R));
  printf ("%10s %8s %6d %6d %6d %11.3f ms %11.3f ms %7.1fx\n", cases{c, 1}, "480x640", k, W, R, 1e3 * tm, ...
          1e3 * to, to / tm);
endfor

% Its part of bench/scalingSweep.m and bench/floorTable.m: the case at each
% size (segment-like regions unless `random` is given), how to sweep it, and
% the cases at the README's size.
function check2 (f, g)
  [a1, a2] = f ();
  [b1, b2] = g ();
  assert (a1, b1);
  assert (a2, b2);
endfunction

function c = regionTallyCase (pixels, random)
  rand ("seed", 1);
  r = round (sqrt (pixels * 3 / 4));
  q = round (pixels / r);
  W = 1000; R = 200;
  words = floor (W * rand (r, q)) + 1;
  if (nargin > 1 && random)
    regions = floor (R * rand (r * q, 4)) + 1;
    regions(rand (size (regions)) < 0.25) = 0;
  else
    regions = segmentations (r, q, 4, R);
  endif
  c.plugin = @() tallyMex (words, regions, W, R);
  c.octave = @() tallyOctave (words, regions, W, R);
  c.check = @() check2 (@() tallyMex (words, regions, W, R), @() tallyOctave (words, regions, W, R));
  c.inputs = {words, regions};
  c.outputs = [W R; W 1];
  c.ops = 0;
endfunction

function s = regionTallyScaling ()
  s = struct ("name", "regionTally", "axisName", "pixels", "sizes", [3072 12288 76800 307200],
              "octaveName", "accumarray", "variants", {{"", @regionTallyCase}},
              "note", "4 memberships per pixel, segment-like regions, W 1000, R 200", "axisSize", @(p) p);
endfunction

function s = regionTallyFloors ()
  s = struct ("name", "regionTally", "cases",
              {{"480x640 words, 4 memberships, segments", "accumarray", @() regionTallyCase(307200);
                "480x640 words, 4 memberships, random", "accumarray", @() regionTallyCase(307200, true)}});
endfunction
