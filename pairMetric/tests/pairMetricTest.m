% Octave tests of the built pairMetric plug-in.

%!test
%! % Pairs run over B's rows for each row of A in turn; read as R x M, pair (i, j) is at (j, i).
%! d = pairMetric ([0; 10], [1; 2; 4], 2);
%! assert (d, [0 0.125 0.375 1 0.875 0.625]);
%! assert (reshape (d, 3, 2)(3, 2), (6 - 1) / 8);

%!test
%! % The offset is min (1, smallest distance), the divisor max (0, largest) minus it.
%! assert (pairMetric ([0 0; 3 4], [0 0], 2), [0 1]);
%! assert (pairMetric ([0 0], [3 4; 6 8], 2), [4/9 1]);
%! assert (pairMetric ([0 0], [0.3 0.4], 2), NaN);
%! assert (pairMetric ([1 1], [1 1; 0 0], 1), [0 1]);
%! % A NaN in A facing a number in B counts the number; a NaN in B gives a NaN distance.
%! assert (pairMetric ([0 0; 0.25 0.5], [0 0; NaN 0.5; 0.25 0.5], 1), [1 NaN 1 1 NaN 0]);
%! % Codes without a metric give 0 everywhere, hence NaN; only the code's first element counts.
%! assert (pairMetric ([0 0; 3 4], [0 0], 1.5), [NaN NaN]);
%! assert (pairMetric ([0 0; 3 4], [0 0], [2 1]), [0 1]);
%! assert (size (pairMetric (zeros (0, 3), rand (4, 3), 1)), [1 0]);

%!test
%! % B's columns past A's are not read; the arguments are never written to.
%! A = rand (5, 4); B = rand (7, 4);
%! wide = [B, rand(7, 3) * 100];
%! copyA = A; copyWide = wide;
%! for code = [1 2]
%!   assert (pairMetric (A, wide, code), pairMetric (A, B, code));
%! endfor
%! assert (A, copyA);
%! assert (wide, copyWide);

%!error <Not enough arguments> pairMetric (ones (2), ones (2))
%!error <Too many arguments> pairMetric (ones (2), ones (2), 1, 1)
%!error <returns 1 result> [a, b] = pairMetric (ones (2), ones (2), 1)
%!error <real, full double matrix> pairMetric (single (ones (2)), ones (2), 1)
%!error <real, full double matrix> pairMetric (ones (2), sparse (ones (2)), 1)
%!error <real, full double matrix> pairMetric (ones (2), ones (2), true)
%!error <at least one element> pairMetric (ones (2), ones (2), [])
%!error <at least 3 columns \(as many as A\)> pairMetric (ones (2, 3), ones (4, 2), 1)
%!test
%! try
%!   pairMetric (ones (2, 3), ones (4, 2), 1);
%! catch err
%!   assert (err.identifier, "pairMetric:tooFewColumns");
%! end_try_catch
