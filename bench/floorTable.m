% Each function at its README size against its floor on this machine: the
% plug-in, the Octave version of its bench script and the floor, timed in turn
% in this one run (medians; results checked equal), with the Octave version's
% time over the plug-in's (ratio) and the plug-in's time over the floor
% (multiple), by wall clock (what a user waits) and by process CPU time (which
% leaves out the time other programs on a shared machine hold the core). Each
% plug-in's bench script (<plugin>/bench/*Bench.m) gives its part: a function
% <plugin>Floors that returns its cases.
%   octave-cli bench/floorTable.m <mex folder> <output folder>
% Prints the table and writes it, with the machine and the date, into
% floors.md in the output folder.
%
% The floor is the least time any implementation needs here, whatever it
% computes: the greater of
%   - memory: benchFloor (built beside the benchmarks, bench/benchFloor.cpp)
%     called on the function's own arguments, reading every input once and
%     creating and writing every result once, through the same host; and
%   - arithmetic: the operations every result needs (a case names them, e.g.
%     a multiply and an add per product) at the peak one core retires, as
%     slideCorr_bench's BM_peak measures it (where the processor has the level
%     it measures; otherwise memory alone).
% It leaves out all a function does besides (its checks, its own working
% memory, the order of its work), so a multiple near 1 leaves little to gain.
args = argv ();
mexDir = make_absolute_filename (args{1});
outDir = args{2};
addpath (mexDir);
here = fileparts (mfilename ("fullpath"));
addpath (here);
buildDir = fileparts (mexDir);
addpath (fullfile (buildDir, "bench"));  % benchFloor
if (! exist (outDir, "dir"))
  mkdir (outDir);
endif
if (exist ("benchFloor") != 3)
  error ("floorTable: no benchFloor MEX file in %s; build the benchmarks first", fullfile (buildDir, "bench"));
endif

function peak = peakFlops (program)
  % Operations per second one core retires at its peak (BM_peak), NaN where not measured.
  peak = NaN;
  if (exist (program, "file") == 2)
    [status, out] = system (sprintf ('"%s" --benchmark_filter=BM_peak --benchmark_format=json 2>/dev/null', program));
    found = regexp (out, '"GFLOPs":\s*([-+0-9.eE]+)', "tokens", "once");
    if (status == 0 && ! isempty (found))
      peak = 1e9 * str2double (found{1});
    endif
  endif
endfunction

function floorCall (shapes, inputs)
  results = cell (1, rows (shapes));
  [results{:}] = benchFloor (shapes, inputs{:});
endfunction

% Every function's cases, exactly as the bench scripts define them.
cases = cell (0, 4);
scripts = glob (fullfile (here, "..", "*", "bench", "*Bench.m"));
for k = 1:numel (scripts)
  for name = benchFunctions (scripts{k})
    if (regexp (name{1}, 'Floors$', "once"))
      s = feval (name{1});
      cases = [cases; repmat({s.name}, rows (s.cases), 1), s.cases];
    endif
  endfor
endfor

peak = peakFlops (fullfile (buildDir, "slideCorr", "slideCorr_bench"));
n = rows (cases);
% Each time as [wall, CPU], one row per case.
[tp, to, memory] = deal (zeros (n, 2));
arithmetic = zeros (n, 1);
for r = 1:n
  c = cases{r, 4} ();
  c.check ();
  [wall, cpu] = benchInTurn ({c.plugin, c.octave, @() floorCall(c.outputs, c.inputs)}, 2);
  [tp(r, :), to(r, :), memory(r, :)] = deal ([wall(1), cpu(1)], [wall(2), cpu(2)], [wall(3), cpu(3)]);
  if (c.ops > 0)
    arithmetic(r) = c.ops / peak;
  endif
endfor
floors = max (memory, arithmetic);
bound = repmat ({"memory"}, n, 1);
bound(arithmetic > memory(:, 2)) = {"arithmetic"};

[~, cpu] = system ("sed -n 's/^model name[^:]*: //p' /proc/cpuinfo | head -1");
[~, load] = system ("cut -d' ' -f1-3 /proc/loadavg");
head = sprintf ("One `octave-cli bench/floorTable.m` run, %s, GNU Octave %s, %s, load average %s at the end.",
                datestr (now (), "yyyy-mm-dd HH:MM"), version (), strtrim (cpu), strtrim (load));
if (isfinite (peak))
  peakText = sprintf ("one core's peak, %.1f GFLOP/s (BM_peak)", peak * 1e-9);
else
  peakText = "no measured peak (no slideCorr_bench with BM_peak here): memory floors only";
endif
printf ("%s\nArithmetic at %s.\n", head, peakText);
printf ("%-11s %-38s %-32s %-5s %10s %10s %7s %10s %8s  %s\n", "function", "data", "Octave version", "clock",
        "Octave", "plug-in", "ratio", "floor", "multiple", "bound");
md = fopen (fullfile (outDir, "floors.md"), "w");
fprintf (md, "# Each function against its floor\n\n%s\n", head);
fprintf (md, "The floor is the greater of reading every input and writing every result once (benchFloor, on the");
fprintf (md, " same arguments) and the arithmetic every result needs at %s. ", peakText);
fprintf (md, "Medians of calls in turn, by wall clock and by process CPU time; the ratio is the Octave version's ");
fprintf (md, "time over the plug-in's, the multiple the plug-in's over the floor; the bound is what sets the floor.\n\n");
fprintf (md, "| function | data | Octave version | clock | Octave (ms) | plug-in (ms) | ratio | floor (ms) | multiple | bound |\n");
fprintf (md, "|---|---|---|---|---:|---:|---:|---:|---:|---|\n");
clocks = {"wall", "cpu"};
for r = 1:n
  for k = 1:2
    printf ("%-11s %-38s %-32s %-5s %7.3f ms %7.3f ms %6.1fx %7.3f ms %7.1fx  %s\n", cases{r, 1:3}, clocks{k},
            1e3 * to(r, k), 1e3 * tp(r, k), to(r, k) / tp(r, k), 1e3 * floors(r, k), tp(r, k) / floors(r, k), bound{r});
    fprintf (md, "| `%s` | %s | %s | %s | %.3g | %.3g | %.1f× | %.3g | %.1f× | %s |\n", cases{r, 1:3}, clocks{k},
             1e3 * to(r, k), 1e3 * tp(r, k), to(r, k) / tp(r, k), 1e3 * floors(r, k), tp(r, k) / floors(r, k),
             bound{r});
  endfor
endfor
fclose (md);
printf ("Table in %s\n", fullfile (outDir, "floors.md"));
