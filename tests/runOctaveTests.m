% Runs the Octave tests of every plug-in against the built MEX files.
%   octave-cli tests/runOctaveTests.m <mex folder>
% Exits with status 1 when any test fails.
args = argv ();
% Absolute: tests change the working folder, and a relative folder on the path
% would then no longer be found.
mexdir = make_absolute_filename (args{1});
root = fileparts (fileparts (mfilename ("fullpath")));
addpath (mexdir);
addpath (root);  % buildMex.m
addpath (fullfile (root, "tools"));  % checkMatlabSyntax.m
% Each plug-in's tests, then the project's own (help texts, buildMex).
files = [glob(fullfile (root, "*", "tests", "*.m")); glob(fullfile (root, "tests", "*Test.m"))];
passed = 0;
failed = 0;
for i = 1:numel (files)
  [n, nmax] = test (files{i}, "quiet", stdout);
  printf ("%-60s %3d of %3d\n", strrep (files{i}, [root filesep], ""), n, nmax);
  passed += n;
  failed += nmax - n;
endfor
printf ("%d passed, %d failed\n", passed, failed);
exit (double (failed > 0 || passed == 0));
