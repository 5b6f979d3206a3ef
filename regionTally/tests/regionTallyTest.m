% Octave tests of the built regionTally plug-in.

%!test
%! % Against accumarray; the larger tally counts through a working table of narrow counts.
%! for c = {[7 2000 3 40 25], [3 40000 2 300 150]}
%!   [seed, n, k, W, R] = num2cell (c{1}){:};
%!   rand ("seed", seed);
%!   words = floor (W * rand (n, 1)) + 1;
%!   regions = floor ((R + 1) * rand (n, k));
%!   copy = regions;
%!   [counts, totals] = regionTally (words, regions, W, R);
%!   assert (regions, copy);
%!   ww = repmat (words, k, 1);
%!   nz = regions(:) != 0;
%!   assert (counts, accumarray ([ww(nz), regions(nz)], 1, [W R]));
%!   assert (totals, accumarray (ww(nz), 1, [W 1]));
%! endfor

%!error <^regionTally: Error: out of memory: the 2147483647 x 1048576 result could not be created$> regionTally (1, 0, 2^31 - 1, 2^20)
%!error <argument 1 \(the word map\) must be a real, full double array> regionTally (single (1), 1, 1, 1)
%!error <must be a real, full double array, but it is a complex double array> regionTally (1, 1i, 1, 1)
%!error <argument 3 \(the number of words W\) is empty> regionTally (1, 1, [], 1)
%!error <the number of regions R is -1; it must be a count from 0> regionTally (1, 1, 1, -1)
%!error <the number of regions R is 2147483648> regionTally (1, 1, 1, 2^31)
%!error <element 3 of the word map is 0, but location 3 has a membership> regionTally ([1 2 0], [0 0 1], 2, 1)
