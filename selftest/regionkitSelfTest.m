function ok = regionkitSelfTest(names)
%REGIONKITSELFTEST  Check that this build of regionkit gives the reference results.
%   REGIONKITSELFTEST runs every regionkit function found on the path on a
%   fixed set of calls, the golden calls in regionkitGolden.bin beside this
%   file, and compares every result bit for bit with the result of the
%   reference build: a NaN matches any NaN, while -0 and +0 differ. It
%   prints the version, then one line per function: passed, or failed with
%   the first call that differs and where its result differs.
%
%   OK = REGIONKITSELFTEST() returns true when every function passed, and
%   prints the same lines.
%   OK = REGIONKITSELFTEST(NAMES) checks only the functions named in the
%   cell array NAMES, such as {'rectCull', 'slideCorr'}.
%
%   The results of regionkit are fixed to the last bit on every platform,
%   and its sources keep them so under most flags: they forbid fused
%   multiply-adds and refuse to compile with -ffast-math or /fp:fast. A
%   function that fails was most likely compiled from changed sources, or
%   with flags that change floating-point arithmetic in a way the sources
%   cannot forbid (clang's -ffp-contract=fast, for one). Rebuild it with
%   BUILDMEX, which sets the flags that keep the arithmetic exact.
%
%   Example
%     ok = regionkitSelfTest();
%
%   See also BUILDMEX, CONTENTS.

  here = fileparts(mfilename('fullpath'));
  started = tic();
  [known, calls] = readGolden(fullfile(here, 'regionkitGolden.bin'));
  if nargin < 1 || isempty(names)
    names = known;
  elseif ischar(names)
    names = {names};
  end
  fprintf('regionkit %s self-test: %d golden calls of %d functions\n', ...
          versionBeside(here), numel(calls), numel(names));

  passed = true;
  for f = 1:numel(names)
    name = names{f};
    number = find(strcmp(known, name));
    if isempty(number)
      fprintf('  %-12s FAILED: not a regionkit function\n', name);
      passed = false;
      continue;
    end
    if exist(name, 'file') ~= 3
      fprintf('  %-12s FAILED: no MEX file %s.%s on the path\n', name, name, mexext());
      passed = false;
      continue;
    end
    mine = find([calls.function] == number);
    problem = '';
    for c = 1:numel(mine)
      problem = runCall(name, calls(mine(c)));
      if ~isempty(problem)
        problem = sprintf('call %d of %d (golden call %d): %s', c, numel(mine), mine(c), problem);
        break;
      end
    end
    if isempty(problem)
      fprintf('  %-12s passed (%d calls)\n', name, numel(mine));
    else
      fprintf('  %-12s FAILED: %s\n', name, problem);
      passed = false;
    end
  end
  if passed
    fprintf('regionkit self-test passed in %.2f s\n', toc(started));
  else
    fprintf(['regionkit self-test FAILED: rebuild with buildMex (no fused multiply-adds, ' ...
             'no fast-math)\n']);
  end
  if nargout > 0
    ok = passed;
  end
end

function problem = runCall(name, call)
  % Empty when every result matches; otherwise what differs first.
  problem = '';
  results = cell(1, numel(call.results));
  try
    [results{:}] = feval(name, call.arguments{:});
  catch err
    problem = ['refused: ' err.message];
    return;
  end
  for r = 1:numel(results)
    got = results{r};
    expected = call.results{r};
    if ~isa(got, 'double') || ~isreal(got) || issparse(got)
      problem = sprintf('result %d is a %s array, not real full doubles', r, class(got));
    elseif ~isequal(size(got), size(expected))
      problem = sprintf('result %d is %dx%d, expected %dx%d', r, size(got, 1), size(got, 2), ...
                        size(expected, 1), size(expected, 2));
    else
      same = typecast(got(:), 'uint64') == typecast(expected(:), 'uint64') | ...
             (isnan(got(:)) & isnan(expected(:)));
      k = find(~same, 1);
      if ~isempty(k)
        [i, j] = ind2sub(size(expected), k);
        problem = sprintf('result %d differs at (%d, %d): %s instead of %s', r, i, j, ...
                          describe(got(k)), describe(expected(k)));
      end
    end
    if ~isempty(problem)
      return;
    end
  end
end

function text = describe(value)
  words = typecast(value, 'uint32');  % every host of MEX files is little-endian
  text = sprintf('%.17g (bits %08X%08X)', value, words(2), words(1));
end

function [names, calls] = readGolden(file)
  % The file is a sequence of little-endian doubles: magic number, format
  % version, the functions' names (their number, then each as its length and
  % character codes), number of calls, then per call the function's number in
  % that list, the number of arguments and of results, and each matrix as
  % rows, columns and its column-major elements; each argument's matrix is
  % preceded by its class, 0 for double, 1 for char (elements: the codes).
  fid = fopen(file, 'r');
  if fid < 0
    error('regionkitSelfTest:noGoldenFile', 'regionkitSelfTest: cannot open %s', file);
  end
  data = fread(fid, Inf, 'double', 0, 'ieee-le');
  fclose(fid);
  if numel(data) < 4 || data(1) ~= 1919249256 || data(2) ~= 3
    error('regionkitSelfTest:badGoldenFile', 'regionkitSelfTest: %s is not a golden calls file', file);
  end
  names = cell(1, data(3));
  at = 4;
  for f = 1:numel(names)
    names{f} = char(data(at + 1:at + data(at))');
    at = at + 1 + data(at);
  end
  count = data(at);
  at = at + 1;
  calls = repmat(struct('function', 0, 'arguments', {{}}, 'results', {{}}), 1, count);
  for c = 1:count
    calls(c).function = data(at);
    nin = data(at + 1);
    nout = data(at + 2);
    at = at + 3;
    arguments = cell(1, nin);
    for i = 1:nin
      isText = data(at) == 1;
      [arguments{i}, at] = readMatrix(data, at + 1);
      if isText
        arguments{i} = char(arguments{i});
      end
    end
    results = cell(1, nout);
    for i = 1:nout
      [results{i}, at] = readMatrix(data, at);
    end
    calls(c).arguments = arguments;
    calls(c).results = results;
  end
  if at ~= numel(data) + 1
    error('regionkitSelfTest:badGoldenFile', 'regionkitSelfTest: %s is damaged', file);
  end
end

function [m, at] = readMatrix(data, at)
  nr = data(at);
  nc = data(at + 1);
  n = nr * nc;
  m = reshape(data(at + 2:at + 1 + n), nr, nc);
  at = at + 2 + n;
end

function version = versionBeside(folder)
  % The version is the "% Version x.y.z" line of the Contents.m beside this file.
  version = '(version unknown)';
  file = fullfile(folder, 'Contents.m');
  if exist(file, 'file')
    found = regexp(fileread(file), '% Version (\S+)', 'tokens', 'once');
    if ~isempty(found)
      version = found{1};
    end
  end
end
