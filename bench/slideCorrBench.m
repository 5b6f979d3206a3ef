% slideCorr side by side with conv2 of the rotated kernel, on the same data.
%   octave-cli bench/slideCorrBench.m <mex folder>
args = argv ();
addpath (args{1});
addpath (fileparts (mfilename ("fullpath")));

printf ("%10s %8s %12s %12s %8s %14s\n", "A", "K", "slideCorr", "conv2", "ratio", "slideCorr GF/s");
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
  ts = benchTime (@() slideCorr (A, K));
  tc = benchTime (@() conv2 (A, rot90 (K, 2), "valid"));
  gflops = 2 * p * p * kside * kside / ts * 1e-9;
  printf ("%10s %8s %10.2f ms %10.2f ms %7.2fx %14.1f\n", sprintf ("%dx%d", side, side),
          sprintf ("%dx%d", kside, kside), 1e3 * ts, 1e3 * tc, tc / ts, gflops);
endfor
