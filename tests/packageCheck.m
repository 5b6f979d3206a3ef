% Installs the Octave package into a temporary prefix, loads it, checks that
% help and every function work, and runs the package's own tests.
%   octave-cli tests/packageCheck.m <regionkit-x.y.z.tar.gz>
% Exits with status 1 on any failure.
args = argv ();
tarball = args{1};
prefix = tempname ();
mkdir (prefix);
pkg ("prefix", prefix, prefix);
pkg ("local_list", fullfile (prefix, "octave_packages"));
% As root pkg installs globally: the global list is the prefix's own too, or
% the system's list would keep an entry for a package that is then removed.
pkg ("global_list", fullfile (prefix, "global_packages"));
failures = {};
unwind_protect
  pkg ("install", "-nodeps", tarball);
  pkg ("load", "regionkit");
  printf ("installed into %s\n", prefix);

  % Every function that was packaged runs as a MEX file, and its help sits beside it.
  calls = {
    "rectCull",    @() rectCull ([0 0 10 10 0.5; 1 1 10 10 0.9], 0.3), [1 1 10 10];
    "coverTest",   @() coverTest ([1 1 10 10], [0 0 100 100; 1 1 10 9]), [1; 0];
    "rectRefit",   @() rectRefit ([0 0 1 1], [10 20 5 6], 1, 100, 100), [9 19 7 8];
    "pairMetric",  @() pairMetric ([0 0; 3 4], [0 0], 2), [0 1];
    "slideCorr",   @() slideCorr ([1 2 3; 4 5 6; 7 8 9], [1 0; 0 1]), [6; 12; 8; 14];
    "regionTally", @() regionTally ([1 2 1], [1 2; 0 2; 2 0], 2, 2), [1 2; 0 1]};
  tested = 0;
  for i = 1:rows (calls)
    name = calls{i, 1};
    where = which (name);
    if (isempty (where))
      printf ("%-12s not in the package (skipped)\n", name);
      continue;
    endif
    tested += 1;
    text = get_help_text (name);
    if (exist (name) != 3)
      failures{end+1} = sprintf ("%s resolves to %s, not a MEX file", name, where);
    elseif (isempty (strfind (text, upper (name))))
      failures{end+1} = sprintf ("help %s shows no help text", name);
    elseif (! isequal (calls{i, 2} (), calls{i, 3}))
      failures{end+1} = sprintf ("%s gave a wrong result", name);
    else
      printf ("%-12s ok: %s\n", name, where);
    endif
  endfor
  if (tested == 0)
    failures{end+1} = "the package holds no function";
  endif

  % One version and one licence: DESCRIPTION, Contents.m, the CHANGELOG's
  % latest version (below an "Unreleased" entry, if any), COPYING and the
  % self-test's first line agree.
  installed = pkg ("list");
  info = installed{cellfun (@(p) strcmp (p.name, "regionkit"), installed)};
  version = regexp (fileread (fullfile (info.dir, "Contents.m")), '% Version (\S+)', "tokens", "once");
  description = fileread (fullfile (info.dir, "packinfo", "DESCRIPTION"));
  copying = fileread (fullfile (info.dir, "packinfo", "COPYING"));
  changelog = fullfile (fileparts (fileparts (mfilename ("fullpath"))), "CHANGELOG.md");
  latest = regexp (fileread (changelog), '^## (\d\S*)', "tokens", "once", "lineanchors");
  if (isempty (version) || ! strcmp (version{1}, info.version))
    failures{end+1} = sprintf ("DESCRIPTION says version %s, Contents.m does not", info.version);
  elseif (isempty (latest) || ! strcmp (latest{1}, info.version))
    failures{end+1} = sprintf ("the package is version %s, the CHANGELOG's latest entry is not", info.version);
  elseif (isempty (regexp (description, '^License: BSD-3-Clause\s*$', "lineanchors", "once"))
          || isempty (strfind (copying, "BSD 3-Clause License")))
    failures{end+1} = "DESCRIPTION or COPYING does not give the BSD 3-Clause licence";
  else
    output = evalc ("ok = regionkitSelfTest ();");
    printf ("%s", output);
    first = ["regionkit " info.version " self-test:"];
    if (! ok || ! strncmp (output, first, numel (first)))
      failures{end+1} = "the installed self-test failed or did not show the version";
    endif
  endif

  % pkg test prints a summary (and writes its log into the current folder);
  % the summary's FAIL count is the verdict.
  here = pwd ();
  cd (prefix);
  report = evalc ('pkg ("test", "regionkit")');
  cd (here);
  % The help files and Contents.m hold no tests by design: the summary's
  % lines about files without tests are left out, and so is the pointer to
  % its log, which goes with the prefix.
  shown = regexprep (report, '[^\n]*files have no tests[^\n]*\n?', '');
  shown = regexprep (shown, 'Please help improve Octave[^\n]*\n[^\n]*\n?', '');
  shown = regexprep (shown, 'See the file [^\n]*\n?', '');
  printf ("%s", regexprep (shown, '\n{3,}', "\n\n"));
  passed = regexp (report, 'PASS\s+(\d+)', "tokens", "once");
  failed = regexp (report, 'FAIL\s+(\d+)', "tokens", "once");
  if (isempty (passed) || str2double (passed{1}) == 0)
    failures{end+1} = "pkg test ran no test";
  endif
  if (! isempty (failed) && str2double (failed{1}) > 0)
    failures{end+1} = sprintf ("pkg test: %s tests failed", failed{1});
  endif
unwind_protect_cleanup
  try
    pkg ("unload", "regionkit");
  catch
  end_try_catch
  confirm_recursive_rmdir (false, "local");
  rmdir (prefix, "s");
end_unwind_protect
for i = 1:numel (failures)
  printf ("FAILED: %s\n", failures{i});
endfor
printf ("package check: %d failures\n", numel (failures));
exit (double (! isempty (failures)));
