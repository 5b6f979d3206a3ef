% Help texts: each function's help names its arguments, while a call still
% runs the MEX file beside it.

%!test
%! usage = {"rectCull",    {"boxes", "threshold", "kept", "half-open"};
%!          "coverTest",   {"regionBoxes", "boxes", "flags", "inclusive"};
%!          "rectRefit",   {"boxes", "regionBoxes", "membership", "height", "width", "inclusive"};
%!          "pairMetric",  {"A", "B", "code"};
%!          "slideCorr",   {"A", "K"};
%!          "regionTally", {"wordMap", "regionIndex", "W", "R", "counts", "totals"}};
%! for i = 1:rows (usage)
%!   name = usage{i, 1};
%!   assert (exist (name), 3, [name " is not found as a MEX file"]);
%!   text = get_help_text (name);
%!   assert (strncmp (strtrim (text), upper (name), numel (name)), true, [name ": no help text"]);
%!   assert (! isempty (strfind (text, "Example")), true, [name ": no example"]);
%!   for word = usage{i, 2}
%!     assert (! isempty (regexpi (text, ["\\<" word{1} "\\>"], "once")), true, [name ": help does not name " word{1}]);
%!   endfor
%! endfor

%!test
%! % The call syntax in each help text is the first line after the summary.
%! assert (! isempty (strfind (get_help_text ("regionTally"), "[COUNTS, TOTALS] = REGIONTALLY(WORDMAP, REGIONINDEX, W, R)")));
%! assert (! isempty (strfind (get_help_text ("rectRefit"), "REFIT = RECTREFIT(BOXES, REGIONBOXES, MEMBERSHIP, HEIGHT, WIDTH)")));

%!test
%! text = get_help_text ("Contents");
%! for name = {"rectCull", "coverTest", "rectRefit", "pairMetric", "slideCorr", "regionTally"}
%!   assert (! isempty (regexp (text, ["\\n\\s*" name{1} "\\s+- "], "once")), true, ["Contents does not list " name{1}]);
%! endfor
