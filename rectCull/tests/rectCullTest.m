% Octave tests of the built rectCull plug-in.

%!test
%! % The best box removes the one it overlaps; the far one stays.
%! boxes = [0 0 10 10 0.5; 1 1 10 10 0.9; 100 100 5 5 0.2];
%! assert (rectCull (boxes, 0.3), [1 1 10 10; 100 100 5 5]);

%!error <at least 5 columns \(x, y, w, h, score\), but a 3x4 double matrix came> rectCull (ones (3, 4), 0.5)
%!error <rectCull: Box 2 has x = NaN; box coordinates must be numbers> rectCull ([0 0 1 1 1; NaN 0 1 1 1], 0.5)
%!error <rectCull: Box 1 has w = 1e\+10; box coordinates must lie between> rectCull ([0 0 1e10 1 1], 0.5)
%!error id=rectCull:tooFewColumns rectCull (ones (3, 4), 0.5)
