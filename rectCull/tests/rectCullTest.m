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

%!test
%! % Options in Octave: a cap, soft suppression's scores, the plain rule's coordinates.
%! boxes = [0 0 10 10 0.5; 1 1 10 10 0.9; 100 100 5 5 0.2];
%! assert (rectCull (boxes, 0.3, [1; 2; 1], "maxkept", 2), [1 1 10 10; 0 0 10 10]);
%! [kept, keptRows, keptScores] = rectCull (boxes, 0.3, "Decay", "linear");
%! assert (keptRows, [2; 3; 1]);
%! overlap = double (single (81) / single (119));  % single precision, as the pipeline measures
%! assert (keptScores, double (single ([0.9; 0.2; 0.5 * (1 - overlap)])));
%! assert (rectCull ([0.5 0.5 10 10 0.9; 20 0 10 10 0.8], 0.5, "Rule", "plain"), [0.5 0.5 10 10; 20 0 10 10]);

%!error id=rectCull:badThreshold rectCull (ones (3, 5), NaN)
%!error <Option Decay \(argument 4\) must be 'none', 'linear' or 'gaussian', but 'soft' came> rectCull (ones (3, 5), 0.5, "Decay", "soft")
%!error <Argument 3, a 2x2 char matrix, is not an option of rectCull> rectCull (ones (3, 5), 0.5, ["ab"; "cd"], 1)
