% The MATLAB examples of the documentation run as written: every ">> " line
% of a ".. code-block:: matlab" block in doc/, and the lines after it are
% the output it shows (compared word for word, so Octave's blank lines and
% column widths do not matter). Lines without output shown are run and
% their output is not compared.

%!function pages = docPages ()
%!  doc = fullfile (fileparts (fileparts (mfilename ("fullpath"))), "doc");
%!  pages = [glob(fullfile (doc, "*.rst")); glob(fullfile (doc, "*", "*.rst"))];
%!endfunction

%!function examples = matlabExamples (file)
%!  % {command, expected output} of every prompt line in the file's matlab blocks.
%!  lines = strsplit (fileread (file), "\n");
%!  examples = cell (0, 2);
%!  inBlock = false;
%!  current = 0;  % the example whose output the lines are
%!  for i = 1:numel (lines)
%!    line = lines{i};
%!    if (! isempty (regexp (line, '^\s*\.\. code-block:: matlab\s*$', "once")))
%!      inBlock = true;
%!      current = 0;
%!    elseif (inBlock && ! isempty (strtrim (line)) && isempty (regexp (line, '^\s', "once")))
%!      inBlock = false;
%!    elseif (inBlock)
%!      prompt = regexp (line, '^\s*>> (.*)$', "tokens", "once");
%!      if (! isempty (prompt))
%!        examples(end+1, :) = {prompt{1}, ""};
%!        current = rows (examples);
%!      elseif (current > 0)
%!        examples{current, 2} = [examples{current, 2} " " line];
%!      endif
%!    endif
%!  endfor
%!endfunction

%!test
%! pages = docPages ();
%! assert (numel (pages) > 5, "the doc folder is not beside the tests");
%! ran = 0;
%! for p = 1:numel (pages)
%!   examples = matlabExamples (pages{p});
%!   for i = 1:rows (examples)
%!     output = evalc (examples{i, 1});
%!     expected = examples{i, 2};
%!     if (! isempty (strtrim (expected)))
%!       got = strtrim (regexprep (output, '\s+', " "));
%!       expected = strtrim (regexprep (expected, '\s+', " "));
%!       if (! strcmp (got, expected))
%!         error ("%s: >> %s\n  shows: %s\n  gives: %s", pages{p}, examples{i, 1}, expected, got);
%!       endif
%!       ran += 1;
%!     endif
%!   endfor
%! endfor
%! assert (ran >= 5);

%!test
%! % The README's MATLAB lines: each result equals the value its comment shows.
%! readme = fullfile (fileparts (fileparts (mfilename ("fullpath"))), "README.md");
%! block = regexp (fileread (readme), '```matlab\n(.*?)```', "tokens", "once");
%! lines = strsplit (strtrim (block{1}), "\n");
%! for i = 1:numel (lines)
%!   parts = regexp (lines{i}, '^(.*?)=(.*?)%\s*(.*)$', "tokens", "once");
%!   names = regexp (parts{1}, '\w+', "match");
%!   eval ([parts{1} "=" parts{2} ";"]);
%!   shown = eval (["{" parts{3} "}"]);
%!   for k = 1:numel (names)
%!     assert (eval (names{k}), shown{k});
%!   endfor
%! endfor
%! assert (numel (lines), 6);
