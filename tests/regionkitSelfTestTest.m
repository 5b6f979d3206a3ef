% regionkitSelfTest: passes on this build, names what differs in a build whose
% compiler fused multiplies and adds, and buildMex reports it in one line.

%!test
%! output = evalc ("ok = regionkitSelfTest ();");
%! assert (ok, "%s", output);
%! lines = strsplit (strtrim (output), "\n");
%! version = regexp (fileread (which ("Contents")), '% Version (\S+)', "tokens", "once"){1};
%! assert (regexp (lines{1}, '^regionkit (\S+) self-test: (\d+) golden calls of 6 functions$', "tokens", "once"){1}, version);
%! for name = {"rectCull", "pairMetric", "rectRefit", "slideCorr", "coverTest", "regionTally"}
%!   assert (any (! cellfun (@isempty, regexp (lines, ['^\s+' name{1} '\s+passed \(\d+ calls\)$']))), "%s", name{1});
%! endfor
%! % With no output argument it only prints.
%! assert (isempty (regexp (evalc ("regionkitSelfTest ({'regionTally'})"), 'ans', "once")));

%!test
%! output = evalc ("ok = regionkitSelfTest ({'rectCull', 'noSuchFunction'});");
%! assert (ok, false);
%! assert (! isempty (regexp (output, 'rectCull\s+passed', "once")));
%! assert (! isempty (regexp (output, 'noSuchFunction\s+FAILED: not a regionkit function', "once")));

%!test
%! % Compiled to fuse multiplies and adds, slideCorr and pairMetric round
%! % differently: the self-test must say which function, which call and where.
%! if (! exist ("/proc/cpuinfo", "file") || isempty (regexp (fileread ("/proc/cpuinfo"), '\<fma\>', "once")))
%!   printf ("skipped: this processor has no fused multiply-add (FMA) to build with\n");
%!   return;
%! endif
%! root = fileparts (which ("buildMex"));
%! outdir = tempname ();
%! names = {"slideCorr", "pairMetric"};
%! unwind_protect
%!   built = {};
%!   report = evalc ("built = buildMex (outdir, names, root, 'ExtraFlags', '-ffp-contract=fast -mfma');");
%!   assert (built, names);
%!   assert (! isempty (regexp (report, 'buildMex: self-test FAILED for slideCorr, pairMetric:', "once")), "%s", report);
%!   addpath (outdir);
%!   clear slideCorr pairMetric
%!   output = evalc ("ok = regionkitSelfTest (names);");
%!   assert (ok, false);
%!   for name = names
%!     pattern = [name{1} '\s+FAILED: call \d+ of \d+ \(golden call \d+\): result 1 differs at \(\d+, \d+\): '];
%!     assert (! isempty (regexp (output, pattern, "once")), "%s", output);
%!   endfor
%! unwind_protect_cleanup
%!   rmpath (outdir);
%!   clear slideCorr pairMetric
%!   confirm_recursive_rmdir (false, "local");
%!   rmdir (outdir, "s");
%! end_unwind_protect
