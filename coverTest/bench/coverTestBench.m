% coverTest side by side with a plain Octave version of the same rule, by
% broadcasting, on the same boxes.
%   octave-cli coverTest/bench/coverTestBench.m <mex folder>
args = argv ();
addpath (args{1});
addpath (fullfile (fileparts (mfilename ("fullpath")), "..", "..", "bench"));  % benchTime, benchBoxes

function flags = coverOctave (regions, boxes)
  ax = regions(:, 1)'; ay = regions(:, 2)'; aw = regions(:, 3)'; ah = regions(:, 4)';
  bx = boxes(:, 1); by = boxes(:, 2); bw = boxes(:, 3); bh = boxes(:, 4);
  iw = max (min (ax + aw - 1, bx + bw - 1) - max (ax, bx) + 1, 0);
  ih = max (min (ay + ah - 1, by + bh - 1) - max (ay, by) + 1, 0);
  flags = double ((ih .* iw) ./ (ah .* aw) > 0.9);
endfunction

printf ("%6s %12s %12s %8s\n", "n", "coverTest", "Octave", "ratio");
for n = [500 2000]
  [regions, boxes] = benchBoxes (n);
  M = coverTest (regions, boxes);
  assert (M, coverOctave (regions, boxes));
  tp = benchTime (@() coverTest (regions, boxes));
  to = benchTime (@() coverOctave (regions, boxes));
  printf ("%6d %10.3f ms %10.3f ms %7.1fx   (%.1f%% covered)\n", n, 1e3 * tp, 1e3 * to, to / tp, 100 * mean (M(:)));
endfor

% Its part of bench/scalingSweep.m and bench/floorTable.m: the case at each
% size, how to sweep it, and the case at the README's size.
function c = coverTestCase (n)
  [regions, boxes] = benchBoxes (n);
  c.plugin = @() coverTest (regions, boxes);
  c.octave = @() coverOctave (regions, boxes);
  c.check = @() assert (coverTest (regions, boxes), coverOctave (regions, boxes));
  c.inputs = {regions, boxes};
  c.outputs = [n n];
  c.ops = 0;
endfunction

function s = coverTestScaling ()
  s = struct ("name", "coverTest", "axisName", "box-region pairs", "sizes", [200 400 1000 2000],
              "octaveName", "broadcasting", "variants", {{"", @coverTestCase}},
              "note", "as many boxes as regions", "axisSize", @(n) n .^ 2);
endfunction

function s = coverTestFloors ()
  s = struct ("name", "coverTest", "cases", {{"2000 boxes x 2000 regions", "broadcasting", @() coverTestCase(2000)}});
endfunction
