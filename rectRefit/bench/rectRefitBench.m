% rectRefit side by side with two Octave versions on the same boxes: a loop
% over the boxes, and find with accumarray over all member pairs at once. Its
% membership input is what coverTest gives for them, as in use.
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

function refit = refitAccumarray (boxes, regions, membership, height, width)
  % Every member pair found at once, each box's least and greatest edges
  % gathered by accumarray.
  H = fix (height); W = fix (width);
  n = rows (boxes);
  refit = zeros (size (boxes));
  refit(:, 1:4) = boxes(:, 1:4);
  [i, j] = find (membership(1:n, 1:rows (regions)) == 1);
  if (isempty (i))
    return;
  endif
  x = regions(j, 1); y = regions(j, 2);
  f = unique (i);
  least = @(v) min (accumarray (i, v, [n 1], @min, Inf)(f), 100000);
  greatest = @(v) max (accumarray (i, v, [n 1], @max, -Inf)(f), 0);
  left = max (least (x) - 1, 1);
  top = max (least (y) - 1, 1);
  r = min (greatest (x + regions(j, 3) - 1) + 1, W);
  b = min (greatest (y + regions(j, 4) - 1) + 1, H);
  refit(f, 1:4) = [left, top, r - left + 1, b - top + 1];
endfunction

printf ("%6s %12s %16s %8s %16s %8s\n", "n", "rectRefit", "Octave loop", "ratio", "accumarray", "ratio");
for n = [500 2000]
  [regions, boxes] = benchBoxes (n);
  M = coverTest (regions, boxes);
  refit = rectRefit (boxes, regions, M, 480, 640);
  assert (refit, refitOctave (boxes, regions, M, 480, 640));
  assert (refit, refitAccumarray (boxes, regions, M, 480, 640));
  tp = benchTime (@() rectRefit (boxes, regions, M, 480, 640));
  to = benchTime (@() refitOctave (boxes, regions, M, 480, 640));
  ta = benchTime (@() refitAccumarray (boxes, regions, M, 480, 640));
  printf ("%6d %9.3f ms %13.3f ms %7.1fx %13.3f ms %7.1fx\n", n, 1e3 * tp, 1e3 * to, to / tp, 1e3 * ta, ta / tp);
endfor

% Its part of bench/scalingSweep.m and bench/floorTable.m: the case at each
% size, how to sweep it, and the cases at the README's size.
function c = rectRefitCase (n, peer)
  if (nargin < 2)
    peer = @refitOctave;
  endif
  [regions, boxes] = benchBoxes (n);
  M = coverTest (regions, boxes);
  c.plugin = @() rectRefit (boxes, regions, M, 480, 640);
  c.octave = @() peer (boxes, regions, M, 480, 640);
  c.check = @() assert (rectRefit (boxes, regions, M, 480, 640), peer (boxes, regions, M, 480, 640));
  c.inputs = {boxes, regions, M};
  c.outputs = size (boxes);
  c.ops = 0;
endfunction

function s = rectRefitScaling ()
  s = struct ("name", "rectRefit", "axisName", "box-region pairs", "sizes", [200 400 1000 2000],
              "octaveName", "loop over boxes", "variants", {{"", @rectRefitCase}},
              "note", "as many boxes as regions, membership from coverTest", "axisSize", @(n) n .^ 2);
endfunction

function s = rectRefitFloors ()
  s = struct ("name", "rectRefit", "cases",
              {{"2000 boxes x 2000 regions", "loop over boxes", @() rectRefitCase(2000);
                "2000 boxes x 2000 regions", "find + accumarray", @() rectRefitCase(2000, @refitAccumarray)}});
endfunction
