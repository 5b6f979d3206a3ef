function [wall, cpu] = benchInTurn (fs, minSeconds)
  % Median wall and CPU seconds of each f in fs, run in turn until minSeconds
  % pass (and at least 5 rounds), so that every version meets the same load.
  for f = fs
    f{1} ();  % warm up
  endfor
  wall = cpu = zeros (0, numel (fs));
  start = tic ();
  while (toc (start) < minSeconds || rows (wall) < 5)
    w = c = zeros (1, numel (fs));
    for t = 1:numel (fs)
      c0 = cputime ();
      t0 = tic ();
      fs{t} ();
      w(t) = toc (t0);
      c(t) = cputime () - c0;
    endfor
    wall(end+1, :) = w;
    cpu(end+1, :) = c;
  endwhile
  wall = median (wall, 1);
  cpu = median (cpu, 1);
endfunction
