% rectCull side by side with a vectorized Octave NMS on the same boxes.
%   octave-cli rectCull/bench/rectCullBench.m <mex folder>
args = argv ();
addpath (args{1});
addpath (fullfile (fileparts (mfilename ("fullpath")), "..", "..", "bench"));  % benchTime

function keep = nmsOctave (boxes, threshold)
  % The usual vectorized NMS: one vector pass over the remaining boxes per kept box.
  x = fix (boxes(:, 1)); y = fix (boxes(:, 2)); w = fix (boxes(:, 3)); h = fix (boxes(:, 4));
  right = x + w; bottom = y + h;
  area = single (w) .* single (h);
  [~, order] = sort (single (boxes(:, 5)), "descend");
  t = single (threshold);
  keep = zeros (0, 1);
  while (! isempty (order))
    i = order(1);
    keep(end+1, 1) = i;
    rest = order(2:end);
    iw = max (0, min (right(i), right(rest)) - max (x(i), x(rest)));
    ih = max (0, min (bottom(i), bottom(rest)) - max (y(i), y(rest)));
    inter = single (iw) .* single (ih);
    overlap = inter ./ ((area(i) + area(rest)) - inter);
    ti = t;
    if (w(i) * h(i) <= 4096)
      ti = single (double (t) + 0.1);
    endif
    order = rest(! (overlap >= ti));
  endwhile
endfunction

function boxes = clustered (count, clusters)
  rand ("seed", 1);
  centres = [2000 * rand(clusters, 2), 40 + 80 * rand(clusters, 2)];
  c = centres(mod (0:count-1, clusters) + 1, :);
  boxes = [round(c + 20 * rand (count, 4) - 10), rand(count, 1)];
endfunction

printf ("%8s %9s %12s %12s %8s\n", "boxes", "clusters", "rectCull", "Octave NMS", "ratio");
for count = [1000 10000 100000]
  boxes = clustered (count, 200);
  kept = rectCull (boxes, 0.5);
  ref = nmsOctave (boxes, 0.5);
  assert (kept, fix (boxes(ref, 1:4)));
  tm = benchTime (@() rectCull (boxes, 0.5));
  to = benchTime (@() nmsOctave (boxes, 0.5));
  printf ("%8d %9d %10.3f ms %10.3f ms %7.1fx\n", count, 200, 1e3 * tm, 1e3 * to, to / tm);
endfor

% Its part of bench/scalingSweep.m and bench/floorTable.m: the case at each
% size, how to sweep it, and the cases at the README's sizes.
function c = rectCullCase (n)
  boxes = clustered (n, 200);
  c.plugin = @() rectCull (boxes, 0.5);
  c.octave = @() nmsOctave (boxes, 0.5);
  c.check = @() assert (rectCull (boxes, 0.5), fix (boxes(nmsOctave (boxes, 0.5), 1:4)));
  c.inputs = {boxes};
  c.outputs = size (rectCull (boxes, 0.5));
  c.ops = 0;
endfunction

function s = rectCullScaling ()
  s = struct ("name", "rectCull", "axisName", "boxes", "sizes", [1000 3000 10000 30000 100000],
              "octaveName", "vectorized NMS", "variants", {{"", @rectCullCase}},
              "note", "boxes in 200 clusters, threshold 0.5", "axisSize", @(n) n);
endfunction

function s = rectCullFloors ()
  s = struct ("name", "rectCull", "cases",
              {{"10 000 boxes in 200 clusters", "vectorized NMS", @() rectCullCase(10000);
                "100 000 boxes in 200 clusters", "vectorized NMS", @() rectCullCase(100000)}});
endfunction
