% How the cost of each function grows with the size of its input: the built
% plug-in and the Octave version that its bench script times it against, side
% by side in this one run, on the same data (results checked equal), over
% sizes spanning two orders of magnitude.
%   octave-cli bench/scalingSweep.m <mex folder> <output folder>
% Writes into the output folder scaling.md (the figures as tables),
% scaling.data (the same, for bench/scalingPlots.m) and the plots of
% scalingPlots: <function>.png (time against size, log-log) and scaling.png
% (all six on one page).
args = argv ();
mexDir = args{1};
outDir = args{2};
addpath (mexDir);
here = fileparts (mfilename ("fullpath"));
addpath (here);
if (! exist (outDir, "dir"))
  mkdir (outDir);
endif

% The Octave versions and their data, exactly as the bench scripts define them.
for script = {"rectCullBench.m", "pairMetricBench.m", "coverRefitBench.m", "regionTallyBench.m"}
  benchFunctions (fullfile (here, script{1}));
endfor

minSeconds = 0.25;  % per timing; each is the median of at least three calls

% Each variant of a case gives, for one size, the plug-in call, the Octave
% call and a check that their results agree.
function c = rectCullCase (n)
  boxes = clustered (n, 200);
  c.plugin = @() rectCull (boxes, 0.5);
  c.octave = @() nmsOctave (boxes, 0.5);
  c.check = @() assert (rectCull (boxes, 0.5), fix (boxes(nmsOctave (boxes, 0.5), 1:4)));
endfunction

function c = pairMetricCase (m, code)
  rand ("seed", 1);
  A = rand (m, 128) / 64;
  B = rand (m, 128) / 64;
  c.plugin = @() pairMetric (A, B, code);
  c.octave = @() pairOctave (A, B, code);
  c.check = @() assert (pairMetric (A, B, code), pairOctave (A, B, code), 1e-12);
endfunction

function [regions, boxes] = coverData (n)
  rand ("seed", 1);
  regions = randomBoxes (n, 60);
  boxes = [randomBoxes(n, 200), rand(n, 1)];
endfunction

function c = coverTestCase (n)
  [regions, boxes] = coverData (n);
  c.plugin = @() coverTest (regions, boxes);
  c.octave = @() coverOctave (regions, boxes);
  c.check = @() assert (coverTest (regions, boxes), coverOctave (regions, boxes));
endfunction

function c = rectRefitCase (n)
  [regions, boxes] = coverData (n);
  M = coverTest (regions, boxes);
  c.plugin = @() rectRefit (boxes, regions, M, 480, 640);
  c.octave = @() refitOctave (boxes, regions, M, 480, 640);
  c.check = @() assert (rectRefit (boxes, regions, M, 480, 640), refitOctave (boxes, regions, M, 480, 640));
endfunction

% slideCorrBench.m times slideCorr against conv2 of the rotated kernel.
function c = slideCorrCase (side)
  rand ("seed", 1);
  A = rand (side) - 0.5;
  K = rand (11) - 0.5;
  p = side - 10;
  % conv2 adds in another order, so the sums agree only to rounding.
  c.plugin = @() slideCorr (A, K);
  c.octave = @() conv2 (A, rot90 (K, 2), "valid");
  c.check = @() assert (reshape (slideCorr (A, K), p, p), conv2 (A, rot90 (K, 2), "valid"), -1e-9);
endfunction

function c = regionTallyCase (pixels)
  rand ("seed", 1);
  r = round (sqrt (pixels * 3 / 4));
  q = round (pixels / r);
  W = 1000; R = 200;
  words = floor (W * rand (r, q)) + 1;
  regions = segmentations (r, q, 4, R);
  c.plugin = @() tallyMex (words, regions, W, R);
  c.octave = @() tallyOctave (words, regions, W, R);
  c.check = @() check2 (@() tallyMex (words, regions, W, R), @() tallyOctave (words, regions, W, R));
endfunction

function s = noteText (note)
  s = "";
  if (! isempty (note))
    s = ["; ", note];
  endif
endfunction

function s = variantText (label)
  s = label;
  if (isempty (s))
    s = "-";
  endif
endfunction

function check2 (f, g)
  [a1, a2] = f ();
  [b1, b2] = g ();
  assert (a1, b1);
  assert (a2, b2);
endfunction

% name, size axis, sizes, Octave version, {variant label, case maker}, data
cases = {
  "rectCull", "boxes", [1000 3000 10000 30000 100000], "vectorized NMS", ...
      {"", @rectCullCase}, "boxes in 200 clusters, threshold 0.5";
  "pairMetric", "row pairs", [100 200 400 1000], "one vector pass per row of A", ...
      {"code 1", @(m) pairMetricCase(m, 1); "code 2", @(m) pairMetricCase(m, 2)}, "M = R rows of 128";
  "coverTest", "box-region pairs", [200 400 1000 2000], "broadcasting", ...
      {"", @coverTestCase}, "as many boxes as regions";
  "rectRefit", "box-region pairs", [200 400 1000 2000], "loop over boxes", ...
      {"", @rectRefitCase}, "as many boxes as regions, membership from coverTest";
  "slideCorr", "elements of A", [100 200 400 1000], "conv2 of the rotated kernel", ...
      {"", @slideCorrCase}, "square A, K 11 x 11";
  "regionTally", "pixels", [3072 12288 76800 307200], "accumarray", ...
      {"", @regionTallyCase}, "4 memberships per pixel, segment-like regions, W 1000, R 200";
};
% The size on the axis: pairs for the pairwise functions, elements of A for slideCorr.
axisSize = {@(n) n, @(m) m .^ 2, @(n) n .^ 2, @(n) n .^ 2, @(s) s .^ 2, @(p) p};

[~, cpu] = system ("sed -n 's/^model name[^:]*: //p' /proc/cpuinfo | head -1");
md = fopen (fullfile (outDir, "scaling.md"), "w");
fprintf (md, "# How cost grows with input size\n\n");
fprintf (md, "One `octave-cli bench/scalingSweep.m` run, %s, GNU Octave %s, %s.\n", datestr (now (), "yyyy-mm-dd"),
         version (), strtrim (cpu));
fprintf (md, "Median time of repeated calls; the ratio is the Octave version's time over the plug-in's.\n");
fprintf (md, "The slope is the least-squares growth exponent: time grows as size^slope.\n");

results = cell (rows (cases), 1);
for i = 1:rows (cases)
  [name, axisName, sizes, octaveName, variants, note] = cases{i, :};
  x = axisSize{i} (sizes);
  fprintf (md, "\n## %s\n\nOctave version: %s%s.\n\n", name, octaveName, noteText (note));
  fprintf (md, "| %s | variant | plug-in (ms) | Octave (ms) | ratio |\n|---:|---|---:|---:|---:|\n", axisName);
  series = struct ("label", {}, "plugin", {}, "octave", {});
  for v = 1:rows (variants)
    tp = zeros (size (sizes));
    to = zeros (size (sizes));
    for k = 1:numel (sizes)
      c = variants{v, 2} (sizes(k));
      c.check ();
      tp(k) = benchTime (c.plugin, minSeconds);
      to(k) = benchTime (c.octave, minSeconds);
      fprintf (md, "| %d | %s | %.3g | %.3g | %.1f |\n", x(k), variantText (variants{v, 1}), 1e3 * tp(k),
               1e3 * to(k), to(k) / tp(k));
      printf ("%-12s %-7s %10d %12.3f ms %12.3f ms %8.1fx\n", name, variants{v, 1}, x(k), 1e3 * tp(k), 1e3 * to(k),
              to(k) / tp(k));
      fflush (stdout);
    endfor
    series(end+1) = struct ("label", variants{v, 1}, "plugin", tp, "octave", to);
  endfor
  fprintf (md, "\n| variant | plug-in slope | Octave slope |\n|---|---:|---:|\n");
  for s = series
    slope = @(t) polyfit (log (x), log (t), 1)(1);
    fprintf (md, "| %s | %.2f | %.2f |\n", variantText (s.label), slope (s.plugin), slope (s.octave));
  endfor
  results{i} = struct ("name", name, "axisName", axisName, "x", x, "series", series);
endfor
fclose (md);

save ("-binary", fullfile (outDir, "scaling.data"), "results");
scalingPlots (outDir);
printf ("Scaling plots and tables in %s\n", outDir);
