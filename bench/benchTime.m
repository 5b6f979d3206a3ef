function t = benchTime (f, minSeconds)
  % Median wall time of f() over repeated runs lasting at least minSeconds.
  if (nargin < 2)
    minSeconds = 1;
  endif
  f ();  % warm up
  times = [];
  start = tic ();
  while (toc (start) < minSeconds || numel (times) < 3)
    t0 = tic ();
    f ();
    times(end+1) = toc (t0);
  endwhile
  t = median (times);
endfunction
