% Octave tests of the built coverTest plug-in.

%!test
%! % Agrees with the same rule written with broadcasting, on many random pairs.
%! rand ("seed", 5);
%! regions = [fix(30 * rand(300, 2)), fix(20 * rand(300, 2)) - 1];
%! boxes = [fix(30 * rand(200, 2)), fix(25 * rand(200, 2)) - 1];
%! ax = regions(:, 1)'; ay = regions(:, 2)'; aw = regions(:, 3)'; ah = regions(:, 4)';
%! bx = boxes(:, 1); by = boxes(:, 2); bw = boxes(:, 3); bh = boxes(:, 4);
%! iw = max (min (ax + aw - 1, bx + bw - 1) - max (ax, bx) + 1, 0);
%! ih = max (min (ay + ah - 1, by + bh - 1) - max (ay, by) + 1, 0);
%! expected = double ((ih .* iw) ./ (ah .* aw) > 0.9);
%! flags = coverTest (regions, boxes);
%! assert (flags, expected);
%! assert (any (flags(:)));

%!error <Argument 1 \(regionBoxes\) needs at least 4 columns \(x, y, w, h\), but a 2x3 double matrix came> coverTest (ones (2, 3), ones (1, 4))
%!error id=coverTest:tooFewColumns coverTest (ones (1, 4), ones (1, 3))
