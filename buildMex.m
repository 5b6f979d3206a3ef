function built = buildMex(varargin)
%BUILDMEX  Compile the regionkit functions with this host's own mex command.
%   BUILDMEX compiles every function into build/octave (GNU Octave) or
%   build/matlab (MATLAB) below the folder of this file, copies each
%   function's help text, Contents.m and the self-test (regionkitSelfTest
%   with its golden calls) beside the MEX files, and runs the self-test on
%   the functions it built, saying in one line whether they give the
%   reference results bit for bit. Add that folder to the path to use them.
%
%   BUILDMEX(OUTDIR) compiles into OUTDIR instead.
%   BUILDMEX(OUTDIR, PLUGINS) compiles only the named functions, a cell array
%   of names such as {'rectCull', 'coverTest'}.
%   BUILDMEX(OUTDIR, PLUGINS, ROOT) takes the sources from the checkout in
%   ROOT instead of the folder of this file.
%   BUILT = BUILDMEX(...) returns the names of the functions it compiled.
%
%   Options, as name-value pairs after the arguments above:
%     'SelfTest', false    skips the self-test at the end.
%     'ExtraFlags', TEXT   adds compiler flags after the required ones (for
%                          experiments: the sources keep multiplies and adds
%                          apart and refuse -ffast-math whatever the flags,
%                          and the self-test shows whether results still
%                          match).
%
%   A function's sources are its entry and kernel sources, as listed after
%   ENTRY and KERNEL in its folder's CMakeLists.txt (or, without that file,
%   every .cpp file in its folder), plus the shared sources of the gateway
%   and simd folders (the MEX boundary and the vector layer). A
%   function whose folder is missing is skipped with a note. A failed
%   compile stops with an error that names the function.
%
%   Compiler flags: C++17 is required, and -ffp-contract=off is passed too
%   (results are fixed to the bit, so the compiler must not fuse multiplies
%   and adds; the sources forbid it themselves, and the flag says it again).
%   GNU Octave's mex takes them from the CXXFLAGS environment variable,
%   which BUILDMEX sets for the build and restores afterwards (unset again
%   if it was unset); in GNU Octave a failed compile's compiler messages are
%   part of the error, and the build's temporary files go to a folder of its
%   own that is removed afterwards. MATLAB's mex
%   takes them as a CXXFLAGS="$CXXFLAGS ..." argument (COMPFLAGS with
%   Microsoft Visual C++ on Windows). Everything else is passed with -I
%   only, which both mex commands accept.
%
%   Example
%     buildMex();                    % then addpath('build/octave')
%     buildMex(tempname(), {'rectCull'});
%     buildMex('', {}, '', 'SelfTest', false);
%
%   See also REGIONKITSELFTEST, CONTENTS.

  [outdir, plugins, root, selfTest, extraFlags] = parseArguments(varargin);
  if isempty(root)
    root = fileparts(mfilename('fullpath'));
  end
  root = absolutePath(root);
  isOctave = exist('OCTAVE_VERSION', 'builtin') ~= 0;
  if isempty(outdir)
    if isOctave
      outdir = fullfile(root, 'build', 'octave');
    else
      outdir = fullfile(root, 'build', 'matlab');
    end
  end
  if isempty(plugins)
    plugins = pluginFolders(root);
  elseif ischar(plugins)
    plugins = {plugins};
  end
  if ~exist(outdir, 'dir')
    [ok, msg] = mkdir(outdir);
    if ~ok
      error('buildMex:outdir', 'buildMex: cannot create %s: %s', outdir, msg);
    end
  end
  outdir = absolutePath(outdir);

  % Every function carries its own copy of every source of the shared folders.
  sharedDirs = {fullfile(root, 'gateway'), fullfile(root, 'simd')};
  sharedSources = {};
  for d = 1:numel(sharedDirs)
    listing = dir(fullfile(sharedDirs{d}, '*.cpp'));
    sharedSources = [sharedSources, sort(strcat(sharedDirs{d}, filesep, {listing.name}))]; %#ok<AGROW>
  end
  sharedIncludes = strcat('-I', sharedDirs);
  flags = strtrim(['-std=c++17 -ffp-contract=off -fno-fast-math ' extraFlags]);
  hostArgs = {};
  if isOctave
    % Octave's mex (mkoctfile) reads the compiler flags from the environment;
    % setting CXXFLAGS replaces its defaults, so the optimization level is given too.
    restoreFlags = setForBuild('CXXFLAGS', ['-O2 ' flags]);
    % A failed compile leaves empty object files in the temporary folder:
    % the build gets a folder of its own, removed afterwards.
    buildTemp = tempname();
    mkdir(buildTemp);
    removeTemp = onCleanup(@() removeFolder(buildTemp));
    restoreTemp = setForBuild('TMPDIR', buildTemp);
  elseif ispc && ~isempty(strfind(lower(mexCompilerName()), 'microsoft'))
    % Visual C++ never contracts to fused multiply-adds under /fp:precise.
    % /EHs: an error call throws through the extern "C" entry, which /EHsc
    % would let the optimizer assume cannot happen.
    hostArgs = {strtrim(['COMPFLAGS=$COMPFLAGS /std:c++17 /fp:precise /EHs ' extraFlags])};
  else
    hostArgs = {['CXXFLAGS=$CXXFLAGS ' flags]};
  end

  here = pwd();
  returnHere = onCleanup(@() cd(here));
  built = {};
  for p = 1:numel(plugins)
    name = plugins{p};
    folder = fullfile(root, name);
    if ~exist(fullfile(folder, [name '.cpp']), 'file')
      fprintf('buildMex: %-12s skipped: %s is not in this checkout\n', name, fullfile(name, [name '.cpp']));
      continue;
    end
    sources = [pluginSources(folder, name), sharedSources];
    args = [sharedIncludes, {['-I' folder]}, hostArgs, sources];
    target = fullfile(outdir, [name '.' mexext()]);
    if exist(target, 'file')
      delete(target);
    end
    started = tic();
    cd(outdir);  % both mex commands name the output after the first source and write it here
    status = 1;
    failure = '';
    try
      if isOctave
        [status, failure] = octaveMex(args);
      else
        status = mex(args{:});
      end
    catch err
      failure = err.message;
    end
    cd(here);
    if status ~= 0 || ~exist(target, 'file')
      error('buildMex:compileFailed', 'buildMex: compiling %s failed (mex status %d).\n%s', ...
            name, status, strtrim(failure));
    end
    if ~isempty(strtrim(failure))
      fprintf('%s\n', strtrim(failure));  % compiler warnings of a build that succeeded
    end
    copyHelp(folder, name, outdir);
    fprintf('buildMex: %-12s built in %.1f s\n', name, toc(started));
    built{end + 1} = name; %#ok<AGROW>
  end
  if exist(fullfile(root, 'Contents.m'), 'file')
    copyfile(fullfile(root, 'Contents.m'), fullfile(outdir, 'Contents.m'));
  end
  selfTestFiles = {'regionkitSelfTest.m', 'regionkitGolden.bin'};
  for f = 1:numel(selfTestFiles)
    if exist(fullfile(root, 'selftest', selfTestFiles{f}), 'file')
      copyfile(fullfile(root, 'selftest', selfTestFiles{f}), fullfile(outdir, selfTestFiles{f}));
    end
  end
  fprintf('buildMex: %d of %d functions in %s\n', numel(built), numel(plugins), outdir);
  if selfTest && ~isempty(built)
    runSelfTest(outdir, built);
  end
  if nargout == 0
    clear built;
  end
end

function [outdir, plugins, root, selfTest, extraFlags] = parseArguments(args)
  % Up to three arguments by position, then name-value options.
  optionNames = {'SelfTest', 'ExtraFlags'};
  first = numel(args) + 1;
  for a = 1:numel(args)
    if ischar(args{a}) && any(strcmpi(args{a}, optionNames))
      first = a;
      break;
    end
  end
  if first > 4
    error('buildMex:tooManyInputs', 'buildMex: at most three arguments come before the options.');
  end
  positional = [args(1:first - 1), {'', {}, ''}];
  outdir = positional{1};
  plugins = positional{2};
  root = positional{3};
  selfTest = true;
  extraFlags = '';
  options = args(first:end);
  if mod(numel(options), 2) ~= 0
    error('buildMex:badOption', 'buildMex: option %s has no value.', options{end});
  end
  for k = 1:2:numel(options)
    name = options{k};
    value = options{k + 1};
    if ~ischar(name) || ~any(strcmpi(name, optionNames))
      error('buildMex:badOption', 'buildMex: argument %d is not an option name (SelfTest or ExtraFlags).', ...
            first + k - 1);
    elseif strcmpi(name, 'SelfTest') && isscalar(value) && (islogical(value) || isnumeric(value))
      selfTest = logical(value);
    elseif strcmpi(name, 'ExtraFlags') && ischar(value)
      extraFlags = value;
    elseif strcmpi(name, 'SelfTest')
      error('buildMex:badOption', 'buildMex: option SelfTest needs true or false.');
    else
      error('buildMex:badOption', 'buildMex: option ExtraFlags needs a text.');
    end
  end
end

function runSelfTest(outdir, names)
  % Runs regionkitSelfTest on the functions just built (their folder first on
  % the path) and says in one line whether they give the reference results.
  if ~exist(fullfile(outdir, 'regionkitSelfTest.m'), 'file') || ...
     ~exist(fullfile(outdir, 'regionkitGolden.bin'), 'file')
    fprintf('buildMex: self-test skipped: regionkitSelfTest is not in this checkout\n');
    return;
  end
  oldPath = path();
  addpath(outdir);
  clear(names{:});
  passed = false;
  output = '';
  try
    output = evalc('passed = regionkitSelfTest(names);');
  catch err
    output = err.message;
  end
  path(oldPath);
  clear(names{:}, 'regionkitSelfTest');
  if passed
    fprintf('buildMex: self-test passed: %d functions give the reference results bit for bit\n', ...
            numel(names));
  else
    failed = regexp(output, '^\s*(\w+)\s+FAILED', 'tokens', 'lineanchors');
    failed = cellfun(@(t) t{1}, failed, 'UniformOutput', false);
    if isempty(failed)
      fprintf('buildMex: self-test could not run: %s\n', strtrim(output));
      return;
    end
    fprintf(['buildMex: self-test FAILED for %s: results differ from the reference; ' ...
             'for details add %s to the path and run regionkitSelfTest\n'], ...
            strjoin(failed, ', '), outdir);
  end
end

function names = pluginFolders(root)
  % The functions: every folder whose CMakeLists.txt calls regionkit_plugin()
  % at the start of a line, indented or not: the rule of cmake/plugins.cmake,
  % here for MATLAB users who have no CMake.
  names = {};
  entries = dir(root);
  for e = 1:numel(entries)
    name = entries(e).name;
    listFile = fullfile(root, name, 'CMakeLists.txt');
    if entries(e).isdir && name(1) ~= '.' && exist(listFile, 'file')
      text = fileread(listFile);
      if ~isempty(regexp(text, '(^|\n)[ \t]*regionkit_plugin[ \t]*\(', 'once'))
        names{end + 1} = name;
      end
    end
  end
end

function sources = pluginSources(folder, name)
  % The entry sources first (the MEX file takes the first source's name),
  % then the kernel sources, as the folder's CMakeLists.txt lists them.
  listFile = fullfile(folder, 'CMakeLists.txt');
  entry = {};
  kernel = {};
  if exist(listFile, 'file')
    [entry, kernel] = cmakeLists(fileread(listFile));
  end
  if isempty(entry)
    listing = dir(fullfile(folder, '*.cpp'));
    names = {listing.name};
    entry = {[name '.cpp']};
    kernel = names(~strcmp(names, entry{1}));
  end
  main = strcmp(entry, [name '.cpp']);
  entry = [entry(main), entry(~main)];
  sources = strcat([folder filesep], [entry, kernel]);
  for s = 1:numel(sources)
    if ~exist(sources{s}, 'file')
      error('buildMex:missingSource', 'buildMex: %s lists %s, which does not exist.', ...
            fullfile(folder, 'CMakeLists.txt'), sources{s});
    end
  end
end

function [entry, kernel] = cmakeLists(text)
  % Reads the ENTRY and KERNEL source lists of a regionkit_plugin(...) call.
  text = regexprep(text, '#[^\n]*', '');
  call = regexp(text, 'regionkit_plugin\s*\(([^)]*)\)', 'tokens', 'once');
  entry = {};
  kernel = {};
  if isempty(call)
    return;
  end
  tokens = regexp(call{1}, '\S+', 'match');
  section = '';
  for t = 2:numel(tokens)  % the first token is the plug-in's name
    word = tokens{t};
    if any(strcmp(word, {'KERNEL', 'ENTRY', 'TESTS', 'GOLDEN', 'THREADS', 'BENCH', 'FUZZ'}))
      section = word;
    elseif strcmp(section, 'KERNEL')
      kernel{end + 1} = word; %#ok<AGROW>
    elseif strcmp(section, 'ENTRY')
      entry{end + 1} = word; %#ok<AGROW>
    end
  end
end

function copyHelp(folder, name, outdir)
  % The help text is a comments-only .m file that must sit beside the MEX file.
  helpFile = fullfile(folder, [name '.m']);
  if exist(helpFile, 'file')
    copyfile(helpFile, fullfile(outdir, [name '.m']));
  end
end

function [status, output] = octaveMex(args)
  % Octave's mex through its mkoctfile program, with the compiler's messages
  % captured: a failed compile reports them in buildMex's error instead of
  % printing them (and a warning) on the way.
  bindir = feval('__octave_config_info__', 'bindir');
  command = ['"' fullfile(bindir, 'mkoctfile') '" --mex'];
  for a = 1:numel(args)
    command = [command ' "' args{a} '"']; %#ok<AGROW>
  end
  [status, output] = system([command ' 2>&1']);
end

function restore = setForBuild(name, value)
  % Sets an environment variable for the build; the returned object puts back
  % what was there, and unsets the variable if it was unset (an empty
  % CXXFLAGS is not the same to mkoctfile as none).
  old = getenv(name);
  wasSet = ~isempty(old) || (isunix() && system(['printenv ' name ' > /dev/null 2>&1']) == 0);
  setenv(name, value);
  restore = onCleanup(@() restoreVariable(name, old, wasSet));
end

function restoreVariable(name, old, wasSet)
  if wasSet
    setenv(name, old);
  else
    unsetenv(name);
  end
end

function removeFolder(folder)
  % Octave only (its builds alone get a temporary folder).
  if exist(folder, 'dir')
    ask = feval('confirm_recursive_rmdir', false);  % no question in an interactive session
    [~] = rmdir(folder, 's');
    feval('confirm_recursive_rmdir', ask);
  end
end

function path = absolutePath(path)
  here = pwd();
  cd(path);
  path = pwd();
  cd(here);
end

function name = mexCompilerName()
  name = '';
  try
    config = mex.getCompilerConfigurations('C++', 'Selected');
    name = config(1).Name;
  catch
  end
end
