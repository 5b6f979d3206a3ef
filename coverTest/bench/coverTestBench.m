% coverTest and rectRefit side by side with plain Octave versions of the same
% rules, on the same boxes: coverTest against broadcasting, rectRefit against
% a loop over the boxes.
%   octave-cli bench/coverRefitBench.m <mex folder>
args = argv ();
addpath (args{1});
addpath (fileparts (mfilename ("fullpath")));

function flags = coverOctave (regions, boxes)
  ax = regions(:, 1)'; ay = regions(:, 2)'; aw = regions(:, 3)'; ah = regions(:, 4)';
  bx = boxes(:, 1); by = boxes(:, 2); bw = boxes(:, 3); bh = boxes(:, 4);
  iw = max (min (ax + aw - 1, bx + bw - 1) - max (ax, bx) + 1, 0);
  ih = max (min (ay + ah - 1, by + bh - 1) - max (ay, by) + 1, 0);
  flags = double ((ih .* iw) ./ (ah .* aw) > 0.9);
endfunction

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

function boxes = randomBoxes (count, maxSize)
  boxes = [1 + 600 * rand(count, 2), 1 + (maxSize - 1) * rand(count, 2)];
endfunction

rand ("seed", 1);
printf ("%6s %8s %12s %12s %8s\n", "n", "", "plug-in", "Octave", "ratio");
for n = [500 2000]
  regions = randomBoxes (n, 60);
  boxes = [randomBoxes(n, 200), rand(n, 1)];
  M = coverTest (regions, boxes);
  assert (M, coverOctave (regions, boxes));
  tp = benchTime (@() coverTest (regions, boxes));
  to = benchTime (@() coverOctave (regions, boxes));
  printf ("%6d %8s %10.3f ms %10.3f ms %7.1fx   (%.1f%% covered)\n", n, "cover", 1e3 * tp, 1e3 * to, to / tp,
          100 * mean (M(:)));
  refit = rectRefit (boxes, regions, M, 480, 640);
  assert (refit, refitOctave (boxes, regions, M, 480, 640));
  tp = benchTime (@() rectRefit (boxes, regions, M, 480, 640));
  to = benchTime (@() refitOctave (boxes, regions, M, 480, 640));
  printf ("%6d %8s %10.3f ms %10.3f ms %7.1fx\n", n, "refit", 1e3 * tp, 1e3 * to, to / tp);
endfor
