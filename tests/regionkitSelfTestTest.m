% regionkitSelfTest: passes on this build, names what differs in a build whose
% results differ by a single bit, and buildMex reports it in one line.

%!test
%! output = evalc ("ok = regionkitSelfTest ();");
%! assert (ok, "%s", output);
%! lines = strsplit (strtrim (output), "\n");
%! version = regexp (fileread (which ("Contents")), '% Version (\S+)', "tokens", "once"){1};
%! names = pluginNames ();
%! head = regexp (lines{1}, '^regionkit (\S+) self-test: \d+ golden calls of (\d+) functions$', "tokens", "once");
%! assert (head(:)', {version, num2str(numel (names))});
%! for name = names
%!   assert (any (! cellfun (@isempty, regexp (lines, ['^\s+' name{1} '\s+passed \(\d+ calls\)$']))), "%s", name{1});
%! endfor
%! % With no output argument it only prints.
%! assert (isempty (regexp (evalc ("regionkitSelfTest ({'regionTally'})"), 'ans', "once")));

%!test
%! output = evalc ("ok = regionkitSelfTest ({'rectCull', 'noSuchFunction'});");
%! assert (ok, false);
%! assert (! isempty (regexp (output, 'rectCull\s+passed', "once")));
%! assert (! isempty (regexp (output, 'noSuchFunction\s+FAILED: not a regionkit function', "once")));

%!function [call, calls, golden, where] = flipLastBit (file, name)
%!  % Flips the lowest bit of the last element of the first result of the
%!  % first call of function `name` (in the self-test's order) that has one;
%!  % says which call of how many, its place in the file, and the element.
%!  fid = fopen (file, "r");
%!  data = fread (fid, Inf, "double", 0, "ieee-le");
%!  fclose (fid);
%!  % Header: magic, version, the function names (count, then length and codes).
%!  at = 4;
%!  number = 0;
%!  for f = 1:data(3)
%!    if (strcmp (char (data(at + 1:at + data(at))'), name))
%!      number = f;
%!    endif
%!    at += 1 + data(at);
%!  endfor
%!  total = data(at);
%!  at += 1;
%!  calls = 0;
%!  where = [];
%!  for c = 1:total
%!    mine = data(at) == number;
%!    calls += mine;
%!    nin = data(at + 1);
%!    nout = data(at + 2);
%!    at += 3;
%!    for m = 1:nin + nout
%!      at += m <= nin;  % an argument's class comes before its sizes
%!      n = data(at) * data(at + 1);
%!      if (mine && m == nin + 1 && isempty (where) && n > 0)
%!        data(at + 1 + n) = typecast (bitxor (typecast (data(at + 1 + n), "uint64"), uint64 (1)), "double");
%!        [call, golden, where] = deal (calls, c, [data(at), data(at + 1)]);
%!      endif
%!      at += 2 + n;
%!    endfor
%!  endfor
%!  fid = fopen (file, "w");
%!  fwrite (fid, data, "double", 0, "ieee-le");
%!  fclose (fid);
%!endfunction

%!test
%! % A build whose results differ from the reference in a single bit of one
%! % element: here the reference is the one changed, in one result of
%! % slideCorr. buildMex names that function alone in its one line, and the
%! % self-test names the call and the element.
%! here = fileparts (which ("buildMex"));
%! root = tempname ();
%! outdir = fullfile (root, "out");
%! names = {"coverTest", "slideCorr"};
%! unwind_protect
%!   mkdir (root);
%!   for folder = [{"gateway", "simd", "selftest"}, names]
%!     copyfile (fullfile (here, folder{1}), fullfile (root, folder{1}));
%!   endfor
%!   [call, calls, golden, where] = flipLastBit (fullfile (root, "selftest", "regionkitGolden.bin"), "slideCorr");
%!   report = evalc ("buildMex (outdir, names, root);");
%!   assert (! isempty (regexp (report, 'buildMex: self-test FAILED for slideCorr:', "once")), "%s", report);
%!   addpath (outdir);
%!   clear coverTest slideCorr regionkitSelfTest
%!   output = evalc ("ok = regionkitSelfTest (names);");
%!   assert (ok, false);
%!   assert (! isempty (regexp (output, 'coverTest\s+passed', "once")), "%s", output);
%!   pattern = sprintf ('slideCorr\\s+FAILED: call %d of %d \\(golden call %d\\): result 1 differs at \\(%d, %d\\): ', ...
%!                      call, calls, golden, where);
%!   assert (! isempty (regexp (output, pattern, "once")), "%s", output);
%! unwind_protect_cleanup
%!   rmpath (outdir);
%!   clear coverTest slideCorr regionkitSelfTest
%!   confirm_recursive_rmdir (false, "local");
%!   rmdir (root, "s");
%! end_unwind_protect
