% Octave tests of the built pairMetric plug-in.

%!test
%! % Pairs run over B's rows for each row of A in turn; read as R x M, pair (i, j) is at (j, i).
%! d = pairMetric ([0; 10], [1; 2; 4], 2);
%! assert (d, [0 0.125 0.375 1 0.875 0.625]);
%! assert (reshape (d, 3, 2)(3, 2), (6 - 1) / 8);

%!error <Argument 2 \(B\) needs at least 3 columns \(as many as A\), but a 4x2 double matrix came> pairMetric (ones (2, 3), ones (4, 2), 1)
%!error id=pairMetric:tooFewColumns pairMetric (ones (2, 3), ones (4, 2), 1)
