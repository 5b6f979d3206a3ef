% buildMex.m: the host's own mex builds functions that agree bit for bit with
% the CMake build on the path, finds sources through CMakeLists.txt, and stops
% on a failed compile.

%!function root = fakeRoot (plugins)
%!  % A checkout holding the shared folders and the given plug-in folders.
%!  here = fileparts (which ("buildMex"));
%!  root = tempname ();
%!  mkdir (root);
%!  copyfile (fullfile (here, "gateway"), fullfile (root, "gateway"));
%!  copyfile (fullfile (here, "simd"), fullfile (root, "simd"));
%!  for i = 1:rows (plugins)
%!    [~] = mkdir (fullfile (root, fileparts (plugins{i, 1})));
%!    fid = fopen (fullfile (root, plugins{i, 1}), "w");
%!    fputs (fid, plugins{i, 2});
%!    fclose (fid);
%!  endfor
%!endfunction

%!function restoreTmp (old)
%!  if (isempty (old))
%!    unsetenv ("TMPDIR");
%!  else
%!    setenv ("TMPDIR", old);
%!  endif
%!endfunction

%!function [out, names] = runAll (names)
%!  % One call of each function in names (default: every one built as MEX).
%!  calls = {"rectCull",    @() rectCull([0 0 10 10 0.5; 1 1 10 10 0.9; 100 100 5 5 0.2], 0.3);
%!           "coverTest",   @() coverTest([1 1 10 10; 1 1 5 5; 3 3 2.5 7], [0 0 100 100; 1 1 10 9.5; 1 1 5 5]);
%!           "rectRefit",   @() rectRefit([0 0 1 1 7; 3 4 5 6 8], [10.5 20.25 3 3; 95 45 10 10], [1 1; 0 0], 50, 100);
%!           "pairMetric",  @() {pairMetric(rand(7, 5), rand(9, 5), 1), pairMetric(rand(7, 5), rand(9, 6), 2)};
%!           "slideCorr",   @() slideCorr(rand(23, 19), rand(4, 5) - 0.5);
%!           "regionTally", @() nthargout(1:2, @regionTally, [1 2 1 3], [1 2; 0 2; 2 0; 1 1], 3, 2)};
%!  if (nargin == 0)
%!    names = calls(cellfun (@(n) exist (n) == 3, calls(:, 1)), 1)';
%!  endif
%!  rand ("seed", 3);
%!  out = cellfun (@(n) calls{strcmp (calls(:, 1), n), 2}(), names, "uniformoutput", false);
%!endfunction

%!test
%! [expected, names] = runAll ();
%! outdir = tempname ();
%! built = {};
%! report = evalc ("built = buildMex (outdir, names);");
%! assert (built, names);
%! assert (exist (fullfile (outdir, [names{1} ".m"]), "file"), 2);
%! assert (exist (fullfile (outdir, "Contents.m"), "file"), 2);
%! % The self-test goes beside the functions, and runs on them in one line.
%! assert (exist (fullfile (outdir, "regionkitGolden.bin"), "file"), 2);
%! assert (exist (fullfile (outdir, "regionkitSelfTest.m"), "file"), 2);
%! verdict = regexp (report, '^buildMex: self-test[^\n]*', "match", "lineanchors");
%! assert (verdict, {sprintf("buildMex: self-test passed: %d functions give the reference results bit for bit", numel (names))});
%! addpath (outdir);
%! unwind_protect
%!   clear rectCull coverTest rectRefit pairMetric slideCorr regionTally
%!   assert (which (names{end}), fullfile (outdir, [names{end} "." mexext()]));
%!   assert (isequaln (runAll (names), expected));
%! unwind_protect_cleanup
%!   rmpath (outdir);
%!   clear rectCull coverTest rectRefit pairMetric slideCorr regionTally
%!   confirm_recursive_rmdir (false, "local");
%!   rmdir (outdir, "s");
%! end_unwind_protect

%!test
%! % Sources come from the ENTRY and KERNEL lists, in C++17; unlisted files are left alone.
%! root = fakeRoot ({"probe/CMakeLists.txt", "regionkit_plugin(probe  # a probe\n  KERNEL parts/half.cpp\n  ENTRY probe.cpp\n  TESTS tests/none.cpp)\n";
%!                   "probe/parts/half.cpp", "double half(double v) { return v / 2; }\n";
%!                   "probe/unused.cpp", "this is not C++\n";
%!                   "probe/probe.cpp", ["#include \"mex.h\"\n#if __cplusplus < 201703L\n#error needs C++17\n#endif\n" ...
%!                                      "double half(double);\nextern \"C\" void mexFunction(int, mxArray* p[], int, const mxArray* a[]) {\n" ...
%!                                      "  if constexpr (sizeof(double) == 8) p[0] = mxCreateDoubleScalar(half(mxGetScalar(a[0])));\n}\n"]});
%! outdir = fullfile (root, "out");
%! unwind_protect
%!   built = {};
%!   report = evalc ("built = buildMex (outdir, {'probe', 'absent'}, root, 'SelfTest', false);");
%!   assert (built, {"probe"});
%!   assert (isempty (strfind (report, "self-test")));
%!   addpath (outdir);
%!   assert (probe (3), 1.5);
%!   rmpath (outdir);
%! unwind_protect_cleanup
%!   clear probe
%!   confirm_recursive_rmdir (false, "local");
%!   rmdir (root, "s");
%! end_unwind_protect

%!test
%! % A failed compile: the compiler's message is in the error, and the build
%! % leaves neither files in the temporary folder nor a changed environment.
%! root = fakeRoot ({"broken/broken.cpp", "#include \"mex.h\"\nvoid mexFunction( {\n"});
%! scratch = fullfile (root, "tmp");
%! mkdir (scratch);
%! oldTmp = getenv ("TMPDIR");
%! flagsSet = system ("printenv CXXFLAGS > /dev/null") == 0;
%! flags = getenv ("CXXFLAGS");
%! unwind_protect
%!   setenv ("TMPDIR", scratch);
%!   message = "";
%!   try
%!     buildMex (fullfile (root, "out"), {"broken"}, root);
%!   catch err
%!     message = err.message;
%!   end_try_catch
%!   restoreTmp (oldTmp);
%!   assert (! isempty (strfind (message, "compiling broken failed")), "%s", ["got: " message]);
%!   assert (! isempty (strfind (message, "broken.cpp")), "%s", ["got: " message]);
%!   assert ({dir(scratch).name}, {".", ".."});
%!   assert (system ("printenv CXXFLAGS > /dev/null") == 0, flagsSet);
%!   assert (getenv ("CXXFLAGS"), flags);
%! unwind_protect_cleanup
%!   restoreTmp (oldTmp);
%!   confirm_recursive_rmdir (false, "local");
%!   rmdir (root, "s");
%! end_unwind_protect

%!error <at most three arguments> buildMex ("", {}, "", "more")
%!error <option SelfTest has no value> buildMex ("", {}, "", "SelfTest")
%!error <ExtraFlags needs a text> buildMex ("", {}, "", "ExtraFlags", 3)
%!error <SelfTest needs true or false> buildMex ("", {}, "", "SelfTest", "no")
%!error <argument 6 is not an option name> buildMex ("", {}, "", "SelfTest", false, "Colour", 1)
