% Octave tests of the built regionTally plug-in.

%!test
%! [counts, totals] = regionTally ([1 2 1], [1 2; 0 2; 2 0], 2, 2);
%! assert (counts, [1 2; 0 1]);
%! assert (totals, [3; 1]);
%! % One output, or none: the counts alone; shapes do not matter, only element counts.
%! assert (regionTally ([1; 2; 1], [1 0 2 2 2 0], 2.9, 2), [1 2; 0 1]);
%! regionTally ([1 2 1], [1 2; 0 2; 2 0], 2, 2);
%! assert (ans, [1 2; 0 1]);

%!test
%! % -0 is no membership, 2.9 is region 2, word 1.5 is word 1; a region named
%! % twice counts twice; a location without memberships may bear any word.
%! [counts, totals] = regionTally ([1.5 NaN 2 -7], [2.9 -0 3 0; 0 0 3 -0]', 2, 3);
%! assert (counts, [0 1 0; 0 0 2]);
%! assert (totals, [1; 2]);

%!test
%! % Only whole blocks are read: 10 memberships of 4 locations are 2 blocks.
%! [counts, totals] = regionTally ([1 1 2 2], [1 0 0 1 0 1 1 0 NaN NaN], 2, 1);
%! assert (counts, [2; 2]);
%! % Fewer memberships than locations: nothing is counted.
%! [counts, totals] = regionTally ([NaN 0 5 1], [NaN 9 1], 2, 2);
%! assert (counts, zeros (2, 2));
%! assert (totals, zeros (2, 1));
%! % No words or no regions: empty results.
%! [counts, totals] = regionTally ([1 2 3], zeros (3, 2), 0, 4);
%! assert (size (counts), [0 4]);
%! assert (size (totals), [0 1]);
%! assert (size (regionTally ([1 2 3], zeros (3, 2), 5, 0)), [5 0]);

%!test
%! % Against accumarray, and unchanged when locations and their memberships are reordered.
%! rand ("seed", 7);
%! n = 2000; k = 3; W = 40; R = 25;
%! words = floor (W * rand (40, n / 40)) + 1;
%! regions = floor ((R + 1) * rand (n, k));
%! copy = regions;
%! [counts, totals] = regionTally (words, regions, W, R);
%! assert (regions, copy);
%! ww = repmat (words(:), k, 1);
%! nz = regions(:) != 0;
%! assert (counts, accumarray ([ww(nz), regions(nz)], 1, [W R]));
%! assert (totals, accumarray (ww(nz), 1, [W 1]));
%! order = randperm (n);
%! shuffled = regions(order, :);
%! for t = 1:n
%!   shuffled(t, :) = shuffled(t, randperm (k));
%! endfor
%! [counts2, totals2] = regionTally (words(order), shuffled, W, R);
%! assert (counts2, counts);
%! assert (totals2, totals);

%!test
%! % Large enough to count through a working table of narrow counts.
%! rand ("seed", 3);
%! n = 40000; W = 300; R = 150;
%! words = floor (W * rand (n, 1)) + 1;
%! regions = floor ((R + 1) * rand (n, 2));
%! [counts, totals] = regionTally (words, regions, W, R);
%! ww = [words; words];
%! nz = regions(:) != 0;
%! assert (counts, accumarray ([ww(nz), regions(nz)], 1, [W R]));
%! assert (totals, accumarray (ww(nz), 1, [W 1]));

%!error <^regionTally: Error: out of memory: the 2147483647 x 1048576 result could not be created$> regionTally (1, 0, 2^31 - 1, 2^20)
%!error <^regionTally: Error: function has only two output parameters$> [a, b, c] = regionTally (1, 1, 1, 1)
%!error <^regionTally: Error: function has only two output parameters$> [a, b, c] = regionTally (1, 1, 1, 1, 1)
%!error <^regionTally: Error: Needs exactly two four input parameters$> regionTally (1, 1, 1)
%!error <^regionTally: Error: Needs exactly two four input parameters$> regionTally (1, 1, 1, 1, 1)
%!error <argument 1 \(the word map\) must be a real, full double array> regionTally (single (1), 1, 1, 1)
%!error <must be a real, full double array, but it is a complex double array> regionTally (1, 1i, 1, 1)
%!error <argument 3 \(the number of words W\) must be a real, full double> regionTally (1, 1, int32 (1), 1)
%!error <Error: the word map is empty> regionTally ([], 1, 1, 1)
%!error <argument 3 \(the number of words W\) is empty> regionTally (1, 1, [], 1)
%!error <the number of regions R is -1; it must be a count from 0> regionTally (1, 1, 1, -1)
%!error <the number of words W is NaN> regionTally (1, 1, NaN, 1)
%!error <the number of regions R is 2147483648> regionTally (1, 1, 1, 2^31)
%!error <table of 2147483647 x 2147483647 counts is too large> regionTally (1, 1, 2^31 - 1, 2^31 - 1)
%!error <element 5 of the region index \(location 2, membership 2\) is 3.5> regionTally ([1 2 1], [1 0 2 2 3.5 0], 2, 2)
%!error <element 3 of the word map is 0, but location 3 has a membership> regionTally ([1 2 0], [0 0 1], 2, 1)
