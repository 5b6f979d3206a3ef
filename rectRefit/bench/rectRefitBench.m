% rectRefit side by side with a plain Octave loop over the boxes, on the same
% boxes. Its membership input is what coverTest gives for them, as in use.
%   octave-cli rectRefit/bench/rectRefitBench.m <mex folder>
args = argv ();
addpath (args{1});
addpath (fullfile (fileparts (mfilename ("fullpath")), "..", "..", "bench"));  % benchTime, benchBoxes

function refit = refitOctave (boxes, regions, membership, height, width)
  H = fix (height); W = fix (width);
  n = rows (boxes);
  refit = zeros (size (boxes));
  refit(:, 1:4) = boxes(:, 1:4);
  x = regions(:, 1); y = regions(:, 2);
  right = x + regions(:, 3) - 1; bottom = y + regions(:, 4) - 1;
  membership = membership(1:n, 1:rows (regions));
  for i = 1:n
    m = membership(i, :) == 1;
    if (any (m))
      left = max (min ([100000; x(m)]) - 1, 1);
      top = max (min ([100000; y(m)]) - 1, 1);
      r = min (max ([0; right(m)]) + 1, W);
      b = min (max ([0; bottom(m)]) + 1, H);
      refit(i, 1:4) = [left, top, r - left + 1, b - top + 1];
    endif
  endfor
endfunction

printf ("%6s %12s %12s %8s\n", "n", "rectRefit", "Octave", "ratio");
for n = [500 2000]
  [regions, boxes] = benchBoxes (n);
  M = coverTest (regions, boxes);
  refit = rectRefit (boxes, regions, M, 480, 640);
  assert (refit, refitOctave (boxes, regions, M, 480, 640));
  tp = benchTime (@() rectRefit (boxes, regions, M, 480, 640));
  to = benchTime (@() refitOctave (boxes, regions, M, 480, 640));
  printf ("%6d %10.3f ms %10.3f ms %7.1fx\n", n, 1e3 * tp, 1e3 * to, to / tp);
endfor

% Its part of bench/scalingSweep.m: the case at each size, and how to sweep it.
function c = rectRefitCase (n)
  [regions, boxes] = benchBoxes (n);
  M = coverTest (regions, boxes);
  c.plugin = @() rectRefit (boxes, regions, M, 480, 640);
  c.octave = @() refitOctave (boxes, regions, M, 480, 640);
  c.check = @() assert (rectRefit (boxes, regions, M, 480, 640), refitOctave (boxes, regions, M, 480, 640));
endfunction

function s = rectRefitScaling ()
  s = struct ("name", "rectRefit", "axisName", "box-region pairs", "sizes", [200 400 1000 2000],
              "octaveName", "loop over boxes", "variants", {{"", @rectRefitCase}},
              "note", "as many boxes as regions, membership from coverTest", "axisSize", @(n) n .^ 2);
endfunction
