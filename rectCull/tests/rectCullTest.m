% Octave tests of the built rectCull plug-in.

%!test
%! % The best box removes the one it overlaps; the far one stays.
%! boxes = [0 0 10 10 0.5; 1 1 10 10 0.9; 100 100 5 5 0.2];
%! assert (rectCull (boxes, 0.3), [1 1 10 10; 100 100 5 5]);

%!test
%! % Boxes of different groups never suppress each other.
%! boxes = [0 0 10 10 0.5; 1 1 10 10 0.9; 100 100 5 5 0.2];
%! [kept, keptRows] = rectCull (boxes, 0.3, [1; 2; 1]);
%! assert (keptRows, [2; 1; 3]);
%! assert (kept, [1 1 10 10; 0 0 10 10; 100 100 5 5]);

%!error <rectCull: Argument 3 \(groups\) needs one group per box, 3 elements> rectCull (ones (3, 5), 0.5, [1 2])
%!error <at least 5 columns \(x, y, w, h, score\), but a 3x4 double matrix came> rectCull (ones (3, 4), 0.5)
%!error <rectCull: Box 2 has x = NaN; box coordinates must be numbers> rectCull ([0 0 1 1 1; NaN 0 1 1 1], 0.5)
%!error <rectCull: Box 1 has w = 1e\+10; box coordinates must lie between> rectCull ([0 0 1e10 1 1], 0.5)
%!error id=rectCull:tooFewColumns rectCull (ones (3, 4), 0.5)
