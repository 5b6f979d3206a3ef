% How the cost of each function grows with the size of its input: the built
% plug-in and the Octave version that its bench script times it against, side
% by side in this one run, on the same data (results checked equal), over
% sizes spanning two orders of magnitude. Each plug-in's bench script
% (<plugin>/bench/*Bench.m) gives its part: a function <plugin>Scaling that
% returns its sizes, variants and how to make the case at each size.
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

% The Octave versions, their data and each plug-in's part, exactly as the bench
% scripts define them.
cases = {};
scripts = glob (fullfile (here, "..", "*", "bench", "*Bench.m"));
for k = 1:numel (scripts)
  for name = benchFunctions (scripts{k})
    if (regexp (name{1}, 'Scaling$', "once"))
      cases{end+1} = feval (name{1});
    endif
  endfor
endfor

minSeconds = 0.25;  % per timing; each is the median of at least three calls

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

[~, cpu] = system ("sed -n 's/^model name[^:]*: //p' /proc/cpuinfo | head -1");
md = fopen (fullfile (outDir, "scaling.md"), "w");
fprintf (md, "# How cost grows with input size\n\n");
fprintf (md, "One `octave-cli bench/scalingSweep.m` run, %s, GNU Octave %s, %s.\n", datestr (now (), "yyyy-mm-dd"),
         version (), strtrim (cpu));
fprintf (md, "Median time of repeated calls; the ratio is the Octave version's time over the plug-in's.\n");
fprintf (md, "The slope is the least-squares growth exponent: time grows as size^slope.\n");

results = cell (numel (cases), 1);
for i = 1:numel (cases)
  sc = cases{i};
  [name, axisName, sizes, octaveName, variants, note] = deal (sc.name, sc.axisName, sc.sizes, sc.octaveName, ...
                                                              sc.variants, sc.note);
  x = sc.axisSize (sizes);
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
