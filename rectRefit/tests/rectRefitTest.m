% Octave tests of the built rectRefit plug-in, and of coverTest feeding it.

%!test
%! % One member, two members, clipping; a box without members is copied.
%! boxes = [3 4 5 6 0.8; 3 4 5 6 0.8; 3 4 5 6 0.8];
%! regions = [10 20 5 6; 2 3 4 4; 10 1 2 2];
%! M = [1 0 0; 0 1 1; 0 0.5 NaN];
%! assert (rectRefit (boxes, regions, M, 100, 100), [9 19 7 8 0; 1 1 12 7 0; 3 4 5 6 0]);

%!test
%! % The fourth argument bounds y, the fifth x; sizes are truncated.
%! assert (rectRefit ([0 0 0 0], [95 45 10 10], 1, 50, 100), [94 44 7 7]);
%! assert (rectRefit ([0 0 0 0], [95 45 10 10], 1, 100, 50), [94 44 -43 12]);
%! assert (rectRefit ([0 0 0 0], [1 1 640 480], 1, 480.9, 640.7), [1 1 640 480]);

%!test
%! % Marks beyond the boxes' rows and the regions' columns are not read.
%! assert (rectRefit ([3 4 5 6], [10 20 5 6], [0 1; 1 1], 100, 100), [3 4 5 6]);
%! assert (size (rectRefit (zeros (0, 5), [1 1 1 1], zeros (0, 1), 10, 10)), [0 5]);
%! assert (rectRefit ([3 4 5 6], zeros (0, 4), zeros (1, 0), 10, 10), [3 4 5 6]);

%!test
%! % The pipeline: coverTest's result is rectRefit's membership.
%! regions = [10 10 5 5; 30 12 4 6; 100 100 10 10; 12 11 20 3];
%! boxes = [5 5 40 20 0.9; 11 10 5 5 0.8; 95 95 20 20 0.7];
%! M = coverTest (regions, boxes);
%! assert (M, [1 1 0 1; 0 0 0 0; 0 0 1 0]);
%! refit = rectRefit (boxes, regions, M, 105, 120);
%! assert (refit, [9 9 26 10 0; 11 10 5 5 0; 99 99 12 7 0]);

%!test
%! % The caller's matrices are never written to.
%! boxes = [3 4 5 6]; regions = [10 20 5 6]; M = 1;
%! rectRefit (boxes, regions, M, 100, 100);
%! assert ({boxes, regions, M}, {[3 4 5 6], [10 20 5 6], 1});

%!error <Not enough arguments> rectRefit (ones (1, 4), ones (1, 4), 1, 10)
%!error <real, full double matrix> rectRefit (ones (1, 4), ones (1, 4), true, 10, 10)
%!error <one row per box and one column per region box, at least 2x1> rectRefit (ones (2, 4), ones (1, 4), 1, 10, 10)
%!error <at least one element> rectRefit (ones (1, 4), ones (1, 4), 1, [], 10)
%!error <is NaN> rectRefit (ones (1, 4), ones (1, 4), 1, 10, NaN)
%!error <must lie between> rectRefit (ones (1, 4), ones (1, 4), 1, 1e10, 10)
%!test
%! try
%!   rectRefit (ones (1, 4), ones (2, 4), 1, 10, 10);
%! catch err
%!   assert (err.identifier, "rectRefit:membershipTooSmall");
%! end_try_catch
