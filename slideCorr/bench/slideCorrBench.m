% slideCorr side by side with conv2 of the rotated kernel, on the same data.
%   octave-cli slideCorr/bench/slideCorrBench.m <mex folder> [peak GFLOP/s]
% Wall time is what a user waits; process CPU time leaves out the time other
% programs on a shared machine take the core away. Both are medians over
% alternating runs of the two, so that both see the same machine. slideCorr's
% share of one core's peak (multiplies and adds counted separately) is shown
% with the peak given, or else the one slideCorr_bench's BM_peak measures now
% (the build folder holding the mex folder); without either the column says so.
1;

function peak = measuredPeak (mexdir)
  % GFLOP/s of BM_peak in the slideCorr_bench program of the build, NaN when
  % there is none or the processor lacks what it measures.
  peak = NaN;
  program = fullfile (fileparts (mexdir), "slideCorr", "slideCorr_bench");
  if (exist (program, "file") != 2)
    return;
  endif
  [status, out] = system (sprintf ('"%s" --benchmark_filter=BM_peak --benchmark_format=json 2>/dev/null', program));
  found = regexp (out, '"GFLOPs":\s*([-+0-9.eE]+)', "tokens", "once");
  if (status == 0 && ! isempty (found))
    peak = str2double (found{1});
  endif
endfunction

function text = shareOf (gflops, peak)
  if (isfinite (peak))
    text = sprintf ("%6.0f%%", 100 * gflops / peak);
  else
    text = "      -";
  endif
endfunction

args = argv ();
addpath (args{1});
addpath (fullfile (fileparts (mfilename ("fullpath")), "..", "..", "bench"));  % benchInTurn
if (numel (args) > 1)
  peak = str2double (args{2});
else
  peak = measuredPeak (make_absolute_filename (args{1}));
endif
if (isfinite (peak))
  printf ("one core's peak: %.1f GFLOP/s\n", peak);
else
  printf ("one core's peak: not measured (no slideCorr_bench with BM_peak beside the mex folder)\n");
endif

printf ("%10s %6s %6s %10s %10s %7s %9s %7s\n", "A", "K", "clock", "slideCorr", "conv2", "ratio",
        "GFLOP/s", "of peak");
rand ("seed", 1);
for sizes = [512 11; 1024 16]'
  side = sizes(1);
  kside = sizes(2);
  A = rand (side) - 0.5;
  K = rand (kside) - 0.5;
  p = side - kside + 1;
  sums = slideCorr (A, K);
  ref = conv2 (A, rot90 (K, 2), "valid");
  % conv2 adds in another order, so the sums agree only to rounding.
  assert (reshape (sums, p, p), ref, -1e-9);
  [wall, cpu] = benchInTurn ({@() slideCorr(A, K), @() conv2(A, rot90 (K, 2), "valid")}, 2);
  flops = 2 * p * p * kside * kside;
  names = {"wall", "cpu"};
  times = {wall, cpu};
  for c = 1:2
    t = times{c};
    printf ("%10s %6s %6s %7.2f ms %7.2f ms %6.2fx %9.1f %s\n", sprintf ("%dx%d", side, side),
            sprintf ("%dx%d", kside, kside), names{c}, 1e3 * t(1), 1e3 * t(2), t(2) / t(1),
            flops / t(1) * 1e-9, shareOf (flops / t(1) * 1e-9, peak));
  endfor
endfor

% Its part of bench/scalingSweep.m and bench/floorTable.m: the case at each
% size (K 11 x 11 unless given), how to sweep it, and the cases at the README's
% sizes. Each product is a multiply and an add.
function c = slideCorrCase (side, kside)
  if (nargin < 2)
    kside = 11;
  endif
  rand ("seed", 1);
  A = rand (side) - 0.5;
  K = rand (kside) - 0.5;
  p = side - kside + 1;
  % conv2 adds in another order, so the sums agree only to rounding (to
  % within 1e-10 here, where some sums lie near 0 and no term exceeds 0.25).
  c.plugin = @() slideCorr (A, K);
  c.octave = @() conv2 (A, rot90 (K, 2), "valid");
  c.check = @() assert (reshape (slideCorr (A, K), p, p), conv2 (A, rot90 (K, 2), "valid"), 1e-10);
  c.inputs = {A, K};
  c.outputs = [p * p, 1];
  c.ops = 2 * p * p * kside * kside;
endfunction

function s = slideCorrScaling ()
  s = struct ("name", "slideCorr", "axisName", "elements of A", "sizes", [100 200 400 1000],
              "octaveName", "conv2 of the rotated kernel", "variants", {{"", @slideCorrCase}},
              "note", "square A, K 11 x 11", "axisSize", @(s) s .^ 2);
endfunction

function s = slideCorrFloors ()
  s = struct ("name", "slideCorr", "cases",
              {{"A 512x512, K 11x11", "conv2 of the rotated kernel", @() slideCorrCase(512, 11);
                "A 1024x1024, K 16x16", "conv2 of the rotated kernel", @() slideCorrCase(1024, 16)}});
endfunction
