function scalingPlots (folder)
  % Draws the figures that bench/scalingSweep.m measured (folder/scaling.data)
  % as log-log plots of time against input size: folder/<function>.png for
  % each function and folder/scaling.png with all of them side by side. The
  % plug-in is drawn solid with circles, the Octave version dashed with
  % squares, one colour per variant. Octave draws off-screen through gnuplot.
  load (fullfile (folder, "scaling.data"), "results");
  warning ("off", "Octave:gnuplot-graphics");
  warning ("off", "print:nogs");
  graphics_toolkit ("gnuplot");
  tiles = cell (1, numel (results));
  for i = 1:numel (results)
    name = fullfile (folder, [results{i}.name, ".png"]);
    drawOne (results{i}, name, [640 440], 11);
    % The page is made of smaller drawings of the same plots, tiled, as
    % gnuplot sizes the text of subplots poorly.
    drawOne (results{i}, [name, ".tile"], [480 330], 9);
    tiles{i} = imread ([name, ".tile"], "png");
    delete ([name, ".tile"]);
  endfor
  blank = 255 * ones (size (tiles{1}), "uint8");
  tiles(end+1:3 * ceil (numel (tiles) / 3)) = {blank};
  page = cell2mat (reshape (tiles, 3, [])');
  imwrite (page, fullfile (folder, "scaling.png"));
endfunction

function drawOne (r, file, pixels, fontSize)
  f = figure ("visible", "off");
  colours = [0 0.45 0.74; 0.85 0.33 0.10];
  labels = {};
  hold on;
  for v = 1:numel (r.series)
    s = r.series(v);
    suffix = "";
    if (! isempty (s.label))
      suffix = [", ", s.label];
    endif
    loglog (r.x, 1e3 * s.plugin, "o-", "color", colours(v, :), "linewidth", 1.5);
    loglog (r.x, 1e3 * s.octave, "s--", "color", colours(v, :), "linewidth", 1.5);
    labels = [labels, {["plug-in", suffix], ["Octave", suffix]}];
  endfor
  hold off;
  % Whole decades, with one more below for the legend, in the lower right.
  times = 1e3 * [r.series.plugin, r.series.octave];
  lowest = 10 ^ (floor (log10 (min (times))) - 1);
  highest = 10 ^ ceil (log10 (max (times)));
  set (gca, "xscale", "log", "yscale", "log", "fontsize", fontSize);
  grid on;
  xlim ([min(r.x) / 1.5, max(r.x) * 1.5]);
  ylim ([lowest, highest]);
  xlabel (r.axisName);
  ylabel ("time (ms)");
  title (r.name);
  key = legend (labels, "location", "southeast");
  set (key, "fontsize", fontSize - 1, "box", "off");
  print (f, "-dpngcairo", sprintf ("-S%d,%d", pixels), file);
  close (f);
endfunction
