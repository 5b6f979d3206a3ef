function problems = checkMatlabSyntax(files)
%CHECKMATLABSYNTAX  Find GNU Octave-only syntax in .m files that MATLAB users run.
%   PROBLEMS = CHECKMATLABSYNTAX(FILES) reads each file of the cell array
%   FILES and returns one 'file:line: what' text per use of a form MATLAB
%   does not accept: # comments, endfunction / endif / endfor / endwhile /
%   endswitch / end_try_catch / end_unwind_protect, unwind_protect, do ...
%   until, ! and !=, ++ and --, += and the other compound assignments, **,
%   double-quoted strings, default argument values, indexing a call's
%   result directly (size(x)(1)), \ line continuations, line breaks inside
%   parentheses without ..., Octave-only
%   functions (printf, puts, fputs, fdisp, fflush, stdout, argv, rows,
%   columns, nthargout, ...), and script code after a local function.
%   It prints every problem and a summary line.
%
%   CHECKMATLABSYNTAX() checks the files of this checkout that MATLAB users
%   run: the .m files at the top, each function's help file, the self-test,
%   the demo and the examples.
%
%   The check reads code line by line, with strings and comments set
%   aside; it is a guard against habits, not a MATLAB parser.

  if nargin < 1
    files = userFiles(fileparts(fileparts(mfilename('fullpath'))));
  elseif ischar(files)
    files = {files};
  end
  problems = {};
  for f = 1:numel(files)
    found = checkFile(files{f});
    for k = 1:numel(found)
      fprintf('%s\n', found{k});
    end
    problems = [problems, found]; %#ok<AGROW>
  end
  fprintf('checkMatlabSyntax: %d files, %d uses of Octave-only syntax\n', numel(files), numel(problems));
end

function files = userFiles(root)
  files = {};
  listing = dir(fullfile(root, '*.m'));
  for k = 1:numel(listing)
    files{end + 1} = fullfile(root, listing(k).name); %#ok<AGROW>
  end
  names = pluginNames();
  for k = 1:numel(names)
    help = fullfile(root, names{k}, [names{k} '.m']);
    if exist(help, 'file')
      files{end + 1} = help; %#ok<AGROW>
    end
  end
  for folder = {'selftest', 'demo', 'examples'}
    listing = dir(fullfile(root, folder{1}, '*.m'));
    for k = 1:numel(listing)
      files{end + 1} = fullfile(root, folder{1}, listing(k).name); %#ok<AGROW>
    end
  end
end

function problems = checkFile(file)
  problems = {};
  text = fileread(file);
  lines = regexp(text, '\r?\n', 'split');
  inBlock = false;
  isScript = [];
  depth = 0;
  sawFunction = false;
  octaveOnly = {'printf', 'puts', 'fputs', 'fdisp', 'fflush', 'stdout', 'stderr', 'argv', ...
                'program_name', 'nthargout', 'print_usage', 'isargout', 'ifelse', 'merge', ...
                'postpad', 'prepad', 'lookup', 'glob', 'confirm_recursive_rmdir', ...
                'do_string_escapes', 'undo_string_escapes', 'OCTAVE_HOME', 'mkoctfile'};
  calledOnly = {'rows', 'columns'};  % Octave-only as functions; fine as variable names
  for n = 1:numel(lines)
    line = lines{n};
    if inBlock
      inBlock = isempty(regexp(line, '^\s*%\}\s*$', 'once'));
      continue;
    end
    if ~isempty(regexp(line, '^\s*%\{\s*$', 'once'))
      inBlock = true;
      continue;
    end
    [code, found, continued] = splitLine(line);
    what = found;
    if ~continued && sum(code == '(') > sum(code == ')')
      what{end + 1} = 'a line break inside ( ) without ... (MATLAB needs ...)'; %#ok<AGROW>
    end
    if ~isempty(regexp(code, '!=', 'once'))
      what{end + 1} = '!= (MATLAB writes ~=)'; %#ok<AGROW>
    elseif ~isempty(regexp(code, '!', 'once'))
      what{end + 1} = '! (MATLAB writes ~)'; %#ok<AGROW>
    end
    if ~isempty(regexp(code, '(\w\s*(\+\+|--))|((\+\+|--)\s*[A-Za-z_])', 'once'))
      what{end + 1} = '++ or -- (MATLAB writes x = x + 1)'; %#ok<AGROW>
    end
    if ~isempty(regexp(code, '([-+*/^|&]|\.\*|\./|\.\^)=(?!=)', 'once'))
      what{end + 1} = 'a compound assignment such as += (MATLAB writes x = x + y)'; %#ok<AGROW>
    end
    if ~isempty(regexp(code, '\*\*', 'once'))
      what{end + 1} = '** (MATLAB writes ^)'; %#ok<AGROW>
    end
    keyword = regexp(code, ['\<(endfunction|endif|endfor|endparfor|endwhile|endswitch|end_try_catch|' ...
                            'end_unwind_protect|unwind_protect_cleanup|unwind_protect)\>'], 'match', 'once');
    if ~isempty(keyword)
      what{end + 1} = [keyword ' (MATLAB writes end, or try/catch for unwind_protect)']; %#ok<AGROW>
    end
    if ~isempty(regexp(code, '^\s*(do\s*($|[,;])|until\>)', 'once'))
      what{end + 1} = 'do ... until (MATLAB writes while)'; %#ok<AGROW>
    end
    for k = 1:numel(octaveOnly)
      if ~isempty(regexp(code, ['(?<![\.\w])' octaveOnly{k} '\>'], 'once'))
        what{end + 1} = [octaveOnly{k} ' (not a MATLAB function)']; %#ok<AGROW>
      end
    end
    for k = 1:numel(calledOnly)
      if ~isempty(regexp(code, ['(?<![\.\w])' calledOnly{k} '\s*\('], 'once'))
        what{end + 1} = [calledOnly{k} '() (not a MATLAB function: use size(x, 1) or size(x, 2))']; %#ok<AGROW>
      end
    end
    if ~isempty(regexp(code, '(?<![\.\w])__\w+__', 'once'))
      what{end + 1} = 'an Octave internal __name__ function'; %#ok<AGROW>
    end
    parameters = regexp(code, '^\s*function\s+(?:\[[^\]]*\]\s*=\s*|\w+\s*=\s*)?[\w\.]+\s*\(([^)]*)\)', 'tokens', 'once');
    if ~isempty(parameters) && any(parameters{1} == '=')
      what{end + 1} = 'a default argument value (MATLAB checks nargin instead)'; %#ok<AGROW>
    end
    if ~isempty(regexp(regexprep(code, '@\([^()]*\)', '@ '), '\)[\(\{]', 'once'))
      what{end + 1} = 'indexing a call''s result, as in size(x)(1) (MATLAB needs a variable)'; %#ok<AGROW>
    end
    if ~isempty(regexp(code, '\\\s*$', 'once'))
      what{end + 1} = 'a \ line continuation (MATLAB writes ...)'; %#ok<AGROW>
    end

    % Scripts: local functions must come after all the script's code.
    statement = strtrim(code);
    if ~isempty(statement)
      if isempty(isScript)
        isScript = isempty(regexp(statement, '^function\>', 'once'));
      end
      if isScript && depth == 0 && sawFunction && isempty(regexp(statement, '^function\>', 'once'))
        what{end + 1} = 'script code after a local function (MATLAB wants local functions at the end)'; %#ok<AGROW>
      end
      bare = statement;
      previous = '';
      while ~strcmp(previous, bare)  % drop bracketed parts: end inside them is an index
        previous = bare;
        bare = regexprep(bare, '\([^()]*\)|\{[^{}]*\}', ' ');
      end
      opens = regexp(bare, '\<(if|for|parfor|while|switch|try|function|spmd)\>', 'match');
      if any(strcmp(opens, 'function')) && depth == 0
        sawFunction = true;
      end
      depth = max(0, depth + numel(opens) - numel(regexp(bare, '\<end\>', 'match')));
    end
    [~, first] = unique(what, 'first');
    what = what(sort(first));
    for k = 1:numel(what)
      problems{end + 1} = sprintf('%s:%d: %s', file, n, what{k}); %#ok<AGROW>
    end
  end
end

function [code, found, continued] = splitLine(line)
  % The line's code with every string replaced by the letter S and the
  % comment removed; found lists # comments and double-quoted strings;
  % continued tells whether the line ends in ... .
  found = {};
  code = '';
  continued = false;
  k = 1;
  while k <= numel(line)
    c = line(k);
    if c == '%'
      break;
    elseif c == '#'
      found{end + 1} = '# comment (MATLAB comments start with %)'; %#ok<AGROW>
      break;
    elseif k + 2 <= numel(line) && strcmp(line(k:k + 2), '...')
      continued = true;
      break;
    elseif c == '"'
      found{end + 1} = 'double-quoted string (MATLAB char arrays are single-quoted)'; %#ok<AGROW>
      k = closingQuote(line, k, '"');
      code = [code 'S']; %#ok<AGROW>
    elseif c == ''''
      before = '';
      if ~isempty(code)
        before = code(end);
      end
      if ~isempty(before) && (isletter(before) || any(before == '0123456789_)]}.'''))
        code = [code c]; %#ok<AGROW>  % transpose
      else
        k = closingQuote(line, k, '''');
        code = [code 'S']; %#ok<AGROW>
      end
    else
      code = [code c]; %#ok<AGROW>
    end
    k = k + 1;
  end
end

function k = closingQuote(line, k, quote)
  % The index of the quote that ends the string opened at k (past the end of
  % the line when it is not closed). A doubled quote stands for one; in
  % double-quoted strings a backslash escapes the next character.
  k = k + 1;
  while k <= numel(line)
    if quote == '"' && line(k) == '\'
      k = k + 2;
    elseif line(k) == quote && k < numel(line) && line(k + 1) == quote
      k = k + 2;
    elseif line(k) == quote
      return;
    else
      k = k + 1;
    end
  end
end
