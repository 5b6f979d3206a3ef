% Octave tests of the built rectCull plug-in.

%!test
%! % The best box removes the one it overlaps; the far one stays.
%! boxes = [0 0 10 10 0.5; 1 1 10 10 0.9; 100 100 5 5 0.2];
%! assert (rectCull (boxes, 0.3), [1 1 10 10; 100 100 5 5]);

%!error <Not enough arguments: .*, with 2 arguments, but 1 came> rectCull (ones (1, 5))
%!error <Too many arguments: .*, with 2 arguments, but 3 came> rectCull (ones (1, 5), 0.5, 1)
%!error <rectCull returns 1 result, but 2 were asked for> [a, b] = rectCull (ones (1, 5), 0.5)
%!error <real, full double matrix> rectCull (single (ones (1, 5)), 0.5)
%!error <real, full double matrix> rectCull (sparse (ones (1, 5)), 0.5)
%!error <real, full double matrix> rectCull (ones (1, 5) * i, 0.5)
%!error <at least 5 columns \(x, y, w, h, score\), but a 0x0 double matrix came> rectCull ([], 0.5)
%!error <at least 5 columns \(x, y, w, h, score\), but a 3x4 double matrix came> rectCull (ones (3, 4), 0.5)
%!error <at least one element> rectCull (ones (1, 5), [])
%!error <rectCull: Box 2 has x = NaN; box coordinates must be numbers> rectCull ([0 0 1 1 1; NaN 0 1 1 1], 0.5)
%!error <rectCull: Box 1 has w = 1e\+10; box coordinates must lie between> rectCull ([0 0 1e10 1 1], 0.5)
%!error id=rectCull:tooFewColumns rectCull (ones (3, 4), 0.5)
