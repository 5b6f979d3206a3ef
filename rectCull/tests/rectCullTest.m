% Octave tests of the built rectCull plug-in.

%!test
%! boxes = [0 0 10 10 0.5; 1 1 10 10 0.9; 100 100 5 5 0.2];
%! assert (rectCull (boxes, 0.3), [1 1 10 10; 100 100 5 5]);

%!test
%! % Extra columns come back as zeros; coordinates come back truncated.
%! boxes = [10.7 -3.7 20 20 0.5 7 7; 500 500 20.9 20.2 0.1 7 7];
%! assert (rectCull (boxes, 0.3), [10 -3 20 20 0 0; 500 500 20 20 0 0]);

%!test
%! % Large boxes: the overlap 1/3 reaches 0.3; small ones get 0.1 more.
%! assert (size (rectCull ([0 0 100 100 2; 50 0 100 100 1], 0.3)), [1 4]);
%! assert (size (rectCull ([0 0 10 10 2; 5 0 10 10 1], 0.3)), [2 4]);

%!test
%! % 0.99 in single precision is above the limit: nothing is kept.
%! boxes = [0 0 100 100 1; 0 0 100 100 2];
%! assert (size (rectCull (boxes, 0.99)), [0 4]);
%! assert (rectCull (boxes, [0.98 5]), [0 0 100 100]);
%! assert (size (rectCull (zeros (0, 5), 0.5)), [0 4]);

%!test
%! % Equal scores keep the input order; NaN scores go last.
%! boxes = [0 0 1 1 NaN; 10 0 1 1 1; 20 0 1 1 5; 30 0 1 1 1];
%! assert (rectCull (boxes, 0.5)(:, 1)', [20 10 30 0]);

%!test
%! % The caller's matrix is never written to.
%! boxes = [0 0 10 10 0.5; 1 1 10 10 0.9];
%! copy = boxes;
%! rectCull (boxes, 0.1);
%! assert (boxes, copy);

%!error <Not enough arguments> rectCull (ones (1, 5))
%!error <Too many arguments> rectCull (ones (1, 5), 0.5, 1)
%!error <returns 1 result> [a, b] = rectCull (ones (1, 5), 0.5)
%!error <real, full double matrix> rectCull (single (ones (1, 5)), 0.5)
%!error <real, full double matrix> rectCull (sparse (ones (1, 5)), 0.5)
%!error <real, full double matrix> rectCull (ones (1, 5) * i, 0.5)
%!error <at least 5 columns> rectCull ([], 0.5)
%!error <at least 5 columns> rectCull (ones (3, 4), 0.5)
%!error <at least one element> rectCull (ones (1, 5), [])
%!error <Box 1 has x = NaN> rectCull ([NaN 0 1 1 1], 0.5)
%!error <must lie between> rectCull ([0 0 1e10 1 1], 0.5)
%!test
%! try
%!   rectCull (ones (3, 4), 0.5);
%! catch err
%!   assert (err.identifier, "rectCull:tooFewColumns");
%! end_try_catch
