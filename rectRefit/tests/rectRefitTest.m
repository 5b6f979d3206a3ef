% Octave tests of the built rectRefit plug-in, and of coverTest feeding it.

%!test
%! % The pipeline: coverTest's result is rectRefit's membership.
%! regions = [10 10 5 5; 30 12 4 6; 100 100 10 10; 12 11 20 3];
%! boxes = [5 5 40 20 0.9; 11 10 5 5 0.8; 95 95 20 20 0.7];
%! M = coverTest (regions, boxes);
%! assert (M, [1 1 0 1; 0 0 0 0; 0 0 1 0]);
%! refit = rectRefit (boxes, regions, M, 105, 120);
%! assert (refit, [9 9 26 10 0; 11 10 5 5 0; 99 99 12 7 0]);

%!error <Argument 5 \(width\) is NaN; the image width must be a number> rectRefit (ones (1, 4), ones (1, 4), 1, 10, NaN)
%!error <Argument 4 \(height\) is 1e\+10; the image height must lie between> rectRefit (ones (1, 4), ones (1, 4), 1, 1e10, 10)
%!error id=rectRefit:membershipTooSmall rectRefit (ones (1, 4), ones (2, 4), 1, 10, 10)
