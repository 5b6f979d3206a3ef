% Octave tests of the built pairMetric plug-in.

%!test
%! % Pairs run over B's rows for each row of A in turn; read as R x M, pair (i, j) is at (j, i).
%! d = pairMetric ([0; 10], [1; 2; 4], 2);
%! assert (d, [0 0.125 0.375 1 0.875 0.625]);
%! assert (reshape (d, 3, 2)(3, 2), (6 - 1) / 8);

%!error <Not enough arguments: .*, with 3 arguments, but 2 came> pairMetric (ones (2), ones (2))
%!error <Too many arguments: .*, with 3 arguments, but 4 came> pairMetric (ones (2), ones (2), 1, 1)
%!error <pairMetric returns 1 result, but 2 were asked for> [a, b] = pairMetric (ones (2), ones (2), 1)
%!error <real, full double matrix> pairMetric (single (ones (2)), ones (2), 1)
%!error <real, full double matrix> pairMetric (ones (2), sparse (ones (2)), 1)
%!error <real, full double matrix> pairMetric (ones (2), ones (2), true)
%!error <at least one element> pairMetric (ones (2), ones (2), [])
%!error <Argument 2 \(B\) needs at least 3 columns \(as many as A\), but a 4x2 double matrix came> pairMetric (ones (2, 3), ones (4, 2), 1)
%!error id=pairMetric:tooFewColumns pairMetric (ones (2, 3), ones (4, 2), 1)
