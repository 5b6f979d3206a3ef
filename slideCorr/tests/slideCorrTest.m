% Octave tests of the built slideCorr plug-in; the class refusals show how the
% host itself reports each kind of array.

%!test
%! % The column is the valid correlation map, column by column; whole-number
%! % data keeps every sum exact, so the order of the additions cannot matter.
%! A = randi ([-50 50], 37, 61);
%! K = randi ([-9 9], 5, 8);
%! S = slideCorr (A, K);
%! assert (size (S), [33 * 54, 1]);
%! assert (reshape (S, 33, 54), conv2 (A, rot90 (K, 2), "valid"));

%!error <real, full double matrix> slideCorr (single (ones (3)), 1)
%!error <real, full double matrix> slideCorr (ones (3), sparse (1))
%!error <real, full double matrix> slideCorr (ones (3) * i, 1)
%!error <real, full double matrix> slideCorr (ones (3, 3, 2), 1)
%!error <real, full double matrix> slideCorr (ones (3), true)
%!error <The number of window positions is 2147483648, more than the largest count handled> slideCorr (zeros (0, 2^31 - 1), [])
%!error id=slideCorr:notRealDoubleMatrix slideCorr (int8 (ones (3)), 1)
