%RECTREFIT  Refit boxes to the bounding box of their member regions.
%   REFIT = RECTREFIT(BOXES, REGIONBOXES, MEMBERSHIP, HEIGHT, WIDTH) replaces
%   each box by the bounding box of the regions marked as its members, grown
%   by one pixel on every side and clipped to the HEIGHT-by-WIDTH image. A box
%   without members keeps its coordinates.
%
%   Arguments
%     BOXES        M0-by-N0 real double matrix, N0 >= 4; row i is box i:
%                  x, y, w, h. Further columns are not read.
%     REGIONBOXES  M1-by-N1 real double matrix, N1 >= 4; row j is the
%                  bounding box x, y, w, h of region j.
%     MEMBERSHIP   at least M0-by-M1 real double matrix; region j is a member
%                  of box i exactly when MEMBERSHIP(i, j) == 1 (any other
%                  value, NaN included, is not). Extra rows and columns are
%                  not read. COVERTEST(REGIONBOXES, BOXES) gives this matrix.
%     HEIGHT       image height (first element, truncated toward zero); it
%                  bounds the bottom edge, the y direction.
%     WIDTH        image width (first element, truncated toward zero); it
%                  bounds the right edge, the x direction.
%
%   Result
%     REFIT        M0-by-N0: row i holds the refit box's x, y, w, h;
%                  columns after the fourth are 0 (not carried over).
%
%   Box convention: inclusive, 1-based pixel edges. The image covers columns
%   1 to WIDTH and rows 1 to HEIGHT; a box covers columns x to x+w-1 and rows
%   y to y+h-1. The refit box's left and top edges are at least 1, its right
%   edge at most WIDTH and its bottom edge at most HEIGHT. Coordinates are not
%   rounded. A union lying wholly outside the image can give a zero or
%   negative width or height.
%
%   NaN and Inf coordinates: the union's four edges (least x, least y,
%   greatest x+w-1, greatest y+h-1) start at 100000 for the least and 0 for
%   the greatest, and each member in turn replaces an edge unless the edge
%   already holds a strictly better value; a comparison with NaN is never
%   better, so a member's NaN replaces the edge, and the next member's value
%   replaces the NaN. An edge is therefore NaN at the end exactly when the
%   last member's value for it is NaN, and a NaN edge is clipped to the
%   image: left and top to 1, right to WIDTH, bottom to HEIGHT. A NaN in the
%   last member region stretches the box across the image: a NaN x from
%   column 1 to WIDTH, a NaN w from the left edge to WIDTH (y and h likewise
%   for the rows). Inf and -Inf count as numbers: an x of -Inf puts the left
%   edge at 1 and a w of Inf the right edge at WIDTH, while an x of Inf
%   never replaces the start, so the left edge stays at 99999 and the width
%   comes out negative. A box without members keeps its values, NaN and Inf
%   included; with members, its own values are not used.
%
%   Refused, with an error identifier rectRefit:<reason>:
%     tooFewInputs, tooManyInputs  not exactly five arguments
%     tooManyOutputs               more than one result
%     notRealDoubleMatrix          an argument that is not a real, full
%                                  double matrix
%     tooFewColumns                BOXES or REGIONBOXES with fewer than 4
%                                  columns
%     emptyArgument                an empty HEIGHT or WIDTH
%     membershipTooSmall           MEMBERSHIP smaller than M0-by-M1
%     badImageSize                 a HEIGHT or WIDTH that is NaN or whose
%                                  truncation does not fit 32-bit integers
%     tooLarge, outOfMemory        sizes or memory beyond what can be handled
%   The arguments are never changed.
%
%   Example
%     regions = [2 3 4 4; 10 1 2 2; 50 50 5 5];
%     boxes   = [1 1 12 7 0.9; 3 4 5 6 0.8];
%     members = coverTest(regions, boxes);     % [1 1 0; 0 0 0]
%     refit = rectRefit(boxes, regions, members, 100, 100)
%     % refit = [1 1 12 7 0; 3 4 5 6 0]
%     rectRefit([0 0 1 1], [10 20 5 6], 1, 100, 100)
%     % ans = [9 19 7 8]
%
%   See also COVERTEST, RECTCULL, CONTENTS.
