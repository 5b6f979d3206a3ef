%RECTCULL  Greedy non-maximum suppression of scored boxes.
%   KEPT = RECTCULL(BOXES, THRESHOLD) keeps the best-scoring box, drops every
%   other box whose overlap with it reaches THRESHOLD, and repeats with the
%   best of the rest. It returns the kept boxes, best first, without scores.
%
%   [KEPT, KEPTROWS] = RECTCULL(BOXES, THRESHOLD) also returns the rows of
%   BOXES the kept boxes came from, so that their scores and any other data
%   carried beside them can be taken along: BOXES(KEPTROWS, 5) are the kept
%   scores, best first. Equal boxes are told apart by their rows.
%
%   [KEPT, KEPTROWS] = RECTCULL(BOXES, THRESHOLD, GROUPS) culls each group
%   on its own: a box is dropped only by a kept box of its own group, and
%   each group keeps exactly what a call on its boxes alone keeps. The kept
%   boxes of all groups come together best first, as without GROUPS.
%
%   Arguments
%     BOXES      M-by-N real double matrix, N >= 5. Row i is one box:
%                x, y, w, h, score. Further columns are allowed and not used.
%     THRESHOLD  real double; only its first element counts. Overlap is
%                intersection over union. A kept box of area w*h <= 4096
%                uses THRESHOLD + 0.1 instead.
%     GROUPS     (optional) real double array of M elements: the group of
%                each box, for example its class. Any numbers but NaN;
%                boxes of equal groups suppress one another.
%
%   Result
%     KEPT       K-by-(N-1): row k holds the k-th kept box's x, y, w, h
%                (truncated to integers); columns 5 to N-1 are 0.
%     KEPTROWS   K-by-1: the row of BOXES of each kept box, counted from 1.
%
%   Box convention: half-open integer boxes. x, y, w and h are truncated
%   toward zero, and a box covers x <= u < x+w and y <= v < y+h; its area is
%   w*h. Scores, the threshold and the overlaps are single precision: scores
%   that differ only beyond single precision tie (ties keep their input
%   order; NaN scores come last), and THRESHOLD = 0.99 (single 0.99000001)
%   is above the 0.99 limit, so the result is empty.
%
%   Refused, with an error identifier rectCull:<reason>:
%     tooFewInputs, tooManyInputs  not two or three arguments
%     tooManyOutputs               more than two results
%     notRealDoubleMatrix          an argument that is not a real, full
%                                  double matrix (single, complex, sparse, ND)
%     tooFewColumns                BOXES with fewer than 5 columns (also [])
%     emptyArgument                THRESHOLD without elements
%     badCoordinate                an x, y, w or h that is NaN or whose
%                                  truncation does not fit 32-bit integers
%     groupCount                   GROUPS without exactly one element per box
%     badGroup                     a group that is NaN
%     tooLarge, outOfMemory        sizes or memory beyond what can be handled
%   The arguments are never changed.
%
%   Example
%     boxes = [0 0 10 10 0.5; 1 1 10 10 0.9; 100 100 5 5 0.2];
%     kept = rectCull(boxes, 0.3)
%     % kept = [1 1 10 10; 100 100 5 5]
%     [kept, keptRows] = rectCull(boxes, 0.3);
%     scores = boxes(keptRows, 5)
%     % scores = [0.9; 0.2]
%     [kept, keptRows] = rectCull(boxes, 0.3, [1; 2; 1]);
%     % keptRows = [2; 1; 3]: the first two boxes are of different groups
%
%   See also COVERTEST, RECTREFIT, CONTENTS.
