%COVERTEST  Which region boxes lie (more than 90%) inside which boxes.
%   FLAGS = COVERTEST(REGIONBOXES, BOXES) gives, for every pair of a box and
%   a region box, 1 when more than 0.9 of the region box's area lies inside
%   the box, else 0.
%
%   Arguments
%     REGIONBOXES  MA-by-NA real double matrix, NA >= 4; row t is region
%                  box t: x, y, w, h. Further columns are not read.
%     BOXES        MB-by-NB real double matrix, NB >= 4; row j is box j:
%                  x, y, w, h. Further columns are not read.
%
%   Result
%     FLAGS        MB-by-MA matrix of 1 and 0: rows follow BOXES, columns
%                  follow REGIONBOXES. FLAGS(j, t) is 1 when the overlap of
%                  region box t and box j covers more than 0.9 (strictly) of
%                  the region box's own area w*h. It is exactly the
%                  MEMBERSHIP argument RECTREFIT expects.
%
%   Box convention: inclusive, 1-based pixel edges. A box covers columns x
%   to x+w-1 and rows y to y+h-1; its area w*h is the number of pixels
%   between those edges. Coordinates are used as they are (fractional sizes
%   count as they are; nothing is rounded). The test is not symmetric: a
%   small box inside a large region box gives 0, the swapped pair gives 1.
%   A region box of zero or negative width or height is never covered, and
%   a ratio of exactly 0.9, or a ratio that is NaN, gives 0.
%
%   NaN and Inf coordinates: each edge of the overlap is the region box's
%   edge unless the box's edge is the tighter one, and a comparison with NaN
%   takes the box's edge. So a NaN x or y of a region box (its far edge is
%   then NaN too) lets the overlap span the whole box in that direction:
%   coverTest([NaN 1 10 10], [0 0 100 100]) is 1. A NaN w or h of a region
%   box (its area is NaN), or a NaN anywhere in a box, gives 0. Inf and -Inf
%   count as numbers: a box whose w or h is Inf reaches without end in that
%   direction, and a region box with an infinite x, y, w or h is covered by
%   no box of finite size.
%
%   Refused, with an error identifier coverTest:<reason>:
%     tooFewInputs, tooManyInputs  not exactly two arguments
%     tooManyOutputs               more than one result
%     notRealDoubleMatrix          an argument that is not a real, full
%                                  double matrix
%     tooFewColumns                an argument with fewer than 4 columns
%     tooLarge, outOfMemory        sizes or memory beyond what can be handled
%   The arguments are never changed.
%
%   Example
%     regions = [1 1 10 10; 1 1 5 5];
%     boxes   = [0 0 100 100; 1 1 10 9; 1 1 5 5];
%     flags = coverTest(regions, boxes)
%     % flags = [1 1; 0 1; 0 1]   (box 2 holds exactly 0.9 of region 1: 0)
%
%   See also RECTREFIT, RECTCULL, CONTENTS.
