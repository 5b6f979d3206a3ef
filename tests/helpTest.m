% Help texts: each function's help names its arguments, while a call still
% runs the MEX file beside it.

%!test
%! usage = {"rectCull",    {"boxes", "threshold", "kept", "half-open"};
%!          "coverTest",   {"regionBoxes", "boxes", "flags", "inclusive"};
%!          "rectRefit",   {"boxes", "regionBoxes", "membership", "height", "width", "inclusive"};
%!          "pairMetric",  {"A", "B", "code"};
%!          "slideCorr",   {"A", "K"};
%!          "regionTally", {"wordMap", "regionIndex", "W", "R", "counts", "totals"}};
%! % Every function has help with an example; those listed here name their arguments.
%! for name = setdiff (pluginNames (), usage(:, 1))
%!   usage(end+1, :) = {name{1}, {}};
%! endfor
%! for i = 1:rows (usage)
%!   name = usage{i, 1};
%!   assert (exist (name), 3, [name " is not found as a MEX file"]);
%!   text = get_help_text (name);
%!   assert (strncmp (strtrim (text), upper (name), numel (name)), "%s", [name ": no help text"]);
%!   assert (! isempty (strfind (text, "Example")), "%s", [name ": no example"]);
%!   for word = usage{i, 2}
%!     assert (! isempty (regexpi (text, ["\\<" word{1} "\\>"], "once")), "%s", [name ": help does not name " word{1}]);
%!   endfor
%! endfor

%!test
%! % The call syntax in each help text is the first line after the summary.
%! assert (! isempty (strfind (get_help_text ("regionTally"), "[COUNTS, TOTALS] = REGIONTALLY(WORDMAP, REGIONINDEX, W, R)")));
%! assert (! isempty (strfind (get_help_text ("rectRefit"), "REFIT = RECTREFIT(BOXES, REGIONBOXES, MEMBERSHIP, HEIGHT, WIDTH)")));

%!test
%! text = get_help_text ("Contents");
%! for name = pluginNames ()
%!   assert (! isempty (regexp (text, ["\\n\\s*" name{1} "\\s+- "], "once")), "%s", ["Contents does not list " name{1}]);
%! endfor

%!test
%! % The self-test's help, buildMex's options, and what help pairMetric says of NaN.
%! text = get_help_text ("regionkitSelfTest");
%! assert (strncmp (strtrim (text), "REGIONKITSELFTEST", 17));
%! assert (! isempty (strfind (text, "Example")));
%! assert (! isempty (strfind (get_help_text ("buildMex"), "'SelfTest', false")));
%! text = get_help_text ("pairMetric");
%! assert (! isempty (strfind (text, "pairMetric([NaN 0.5], [0.5 0.5; 0 0], 1)   % ans = [0 1]")));
%! assert (pairMetric ([NaN 0.5], [0.5 0.5; 0 0], 1), [0 1]);
%! assert (pairMetric ([0.5 0.5; 0 0], [NaN 0.5], 1), [NaN NaN]);
