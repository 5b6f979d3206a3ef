% pairMetric side by side with a per-row vectorized Octave version on the same data.
%   octave-cli pairMetric/bench/pairMetricBench.m <mex folder>
args = argv ();
addpath (args{1});
addpath (fullfile (fileparts (mfilename ("fullpath")), "..", "..", "bench"));  % benchTime

function d = pairOctave (A, B, code)
  % One vector pass over all of B per row of A, then the common rescale.
  M = rows (A);
  R = rows (B);
  N = columns (A);
  B = B(:, 1:N);
  D = zeros (R, M);
  for i = 1:M
    a = A(i, :);
    if (code == 1)
      D(:, i) = 1 - sum (min (B, a), 2);
    elseif (code == 2)
      D(:, i) = sqrt (sum ((B - a) .^ 2, 2));
    endif
  endfor
  d = D(:)';
  lo = min ([1, d]);
  hi = max ([0, d]);
  d = (d - lo) / (hi - lo);
endfunction

M = 1000; R = 1000; N = 128;
rand ("seed", 1);
A = rand (M, N) / (N / 2);
B = rand (R, N) / (N / 2);
printf ("%6s %6s %5s %5s %12s %12s %8s %10s\n", "M", "R", "N", "code", "pairMetric", "Octave", "ratio", "max diff");
for code = [1 2]
  d = pairMetric (A, B, code);
  ref = pairOctave (A, B, code);
  assert (size (d), [1, M * R]);
  diff = max (abs (d - ref));
  assert (diff < 1e-12);
  tm = benchTime (@() pairMetric (A, B, code));
  to = benchTime (@() pairOctave (A, B, code));
  printf ("%6d %6d %5d %5d %9.3f ms %9.3f ms %7.1fx %10.2g\n", M, R, N, code, 1e3 * tm, 1e3 * to, to / tm, diff);
endfor

% Its part of bench/scalingSweep.m and bench/floorTable.m: the case at each
% size, how to sweep it, and the cases at the README's size. Each pair needs
% per column a min and an add (code 1) or a subtract, a multiply and an add
% (code 2).
function c = pairMetricCase (m, code)
  rand ("seed", 1);
  A = rand (m, 128) / 64;
  B = rand (m, 128) / 64;
  c.plugin = @() pairMetric (A, B, code);
  c.octave = @() pairOctave (A, B, code);
  c.check = @() assert (pairMetric (A, B, code), pairOctave (A, B, code), 1e-12);
  c.inputs = {A, B};
  c.outputs = [1, m * m];
  c.ops = m * m * 128 * (code + 1);
endfunction

function s = pairMetricScaling ()
  s = struct ("name", "pairMetric", "axisName", "row pairs", "sizes", [100 200 400 1000],
              "octaveName", "one vector pass per row of A",
              "variants", {{"code 1", @(m) pairMetricCase(m, 1); "code 2", @(m) pairMetricCase(m, 2)}},
              "note", "M = R rows of 128", "axisSize", @(m) m .^ 2);
endfunction

function s = pairMetricFloors ()
  s = struct ("name", "pairMetric", "cases",
              {{"1000 x 1000 rows of 128, code 1", "1 - sum(min(B, a), 2) per row", @() pairMetricCase(1000, 1);
                "1000 x 1000 rows of 128, code 2", "sqrt(sum((B - a).^2, 2)) per row", @() pairMetricCase(1000, 2)}});
endfunction
