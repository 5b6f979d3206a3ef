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
%   [KEPT, KEPTROWS, KEPTSCORES] = RECTCULL(BOXES, THRESHOLD, ..., NAME, VALUE)
%   takes options as name-value pairs after THRESHOLD (and GROUPS, when
%   given). Names and text values may be written in any case; given twice,
%   the last one counts. KEPTSCORES are the kept boxes' scores when kept:
%   their own scores (single precision under the pipeline rule), or the
%   lowered ones under 'Decay'.
%     'MaxKept'     keep at most this many boxes (a whole number >= 0, or
%                   Inf, the default); the walk stops as soon as it has them.
%                   With GROUPS, the best MaxKept boxes of all groups
%                   together, not MaxKept per group.
%     'ScoreFloor'  boxes scoring below it take no part: a box takes part
%                   only when score >= ScoreFloor (a NaN score never does).
%                   Under 'Decay', a box whose lowered score falls below it
%                   is dropped. Default: no floor.
%     'RatioType'   'Union' (default): overlap is intersection over union.
%                   'Min': intersection over the smaller of the two areas,
%                   so that a small box inside a large one overlaps it fully.
%     'Decay'       'none' (default): overlapping boxes are dropped.
%                   'linear': instead, each box whose overlap with the kept
%                   box passes the threshold has its score multiplied by
%                   (1 - overlap). 'gaussian': every remaining box has its
%                   score multiplied by exp(-overlap^2 / Sigma), whatever the
%                   threshold. Each round keeps the best remaining box (equal
%                   scores: the earlier row); KEPTSCORES are the lowered
%                   scores, best first. The exponential is computed by
%                   regionkit itself, so the scores have the same bits on
%                   every platform (within 1 ulp of the C library's exp).
%                   Each kept box is measured against every remaining box.
%     'Sigma'       of the Gaussian decay, > 0; default 0.5.
%     'Rule'        'pipeline' (default): the rule described above, with
%                   integer boxes, single precision, "reaches THRESHOLD",
%                   +0.1 for small kept boxes and nothing kept above 0.99.
%                   'plain': the rule of torchvision.ops.nms. Coordinates
%                   are taken as given (KEPT returns them so), scores and
%                   overlaps are double precision, a box is dropped (or
%                   lowered) when its overlap is strictly greater than
%                   THRESHOLD, with no small-box rule and no upper limit.
%                   Coordinates must be finite.
%
%   Arguments
%     BOXES      M-by-N real double matrix, N >= 5. Row i is one box:
%                x, y, w, h, score. Further columns are allowed and not used.
%     THRESHOLD  real double, not NaN; only its first element counts.
%                Overlap is intersection over union. A kept box of area
%                w*h <= 4096 uses THRESHOLD + 0.1 instead.
%     GROUPS     (optional) real double array of M elements: the group of
%                each box, for example its class. Any numbers but NaN;
%                boxes of equal groups suppress one another.
%
%   Result
%     KEPT       K-by-(N-1): row k holds the k-th kept box's x, y, w, h
%                (truncated to integers); columns 5 to N-1 are 0.
%     KEPTROWS   K-by-1: the row of BOXES of each kept box, counted from 1.
%     KEPTSCORES K-by-1: the score of each kept box when it was kept.
%
%   Box convention: half-open integer boxes. x, y, w and h are truncated
%   toward zero, and a box covers x <= u < x+w and y <= v < y+h; its area is
%   w*h. Scores, the threshold and the overlaps are single precision: scores
%   that differ only beyond single precision tie (ties keep their input
%   order; NaN scores come last), and THRESHOLD = 0.99 (single 0.99000001)
%   is above the 0.99 limit, so the result is empty.
%
%   Refused, with an error identifier rectCull:<reason>:
%     tooFewInputs, tooManyInputs  fewer than two arguments, or an argument
%                                  after GROUPS that is not an option name
%     tooManyOutputs               more than three results
%     notRealDoubleMatrix          an argument that is not a real, full
%                                  double matrix (single, complex, sparse, ND)
%     tooFewColumns                BOXES with fewer than 5 columns (also [])
%     emptyArgument                THRESHOLD without elements
%     badCoordinate                an x, y, w or h that is NaN or whose
%                                  truncation does not fit 32-bit integers
%                                  (under 'Rule', 'plain': that is not finite)
%     groupCount                   GROUPS without exactly one element per box
%     badGroup                     a group that is NaN
%     badThreshold                 THRESHOLD is NaN
%     unknownOption                a name that is not one of the options
%     optionWithoutValue           a name without a value after it
%     notRealScalar                a number option that is not one double
%     badMaxKept                   MaxKept negative, not whole, or NaN
%     badScoreFloor                ScoreFloor NaN
%     badSigma                     Sigma <= 0 or NaN
%     badOptionValue               RatioType, Decay or Rule not one of its
%                                  words
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
%     % Options: at most one box; scores of at least 0.3; overlap over the
%     % smaller box; soft suppression; torchvision's rule.
%     kept = rectCull(boxes, 0.3, 'MaxKept', 1)
%     % kept = [1 1 10 10]
%     [kept, keptRows] = rectCull(boxes, 0.3, 'ScoreFloor', 0.3);
%     % keptRows = 2: box 1 overlaps box 2, box 3 scores below the floor
%     [kept, keptRows] = rectCull([0 0 100 100 0.9; 10 10 20 20 0.8], 0.5, ...
%                                 'RatioType', 'Min');
%     % keptRows = 1: the small box lies wholly inside the large one
%     [kept, keptRows, keptScores] = rectCull(boxes, 0.3, 'Decay', 'linear');
%     % keptRows = [2; 3; 1], keptScores = [0.9; 0.2; 0.5 * (1 - 81/119)]
%     % (in single precision under the pipeline rule)
%     [kept, keptRows, keptScores] = rectCull(boxes, 0.3, 'Decay', 'gaussian', ...
%                                             'Sigma', 0.5, 'ScoreFloor', 0.1);
%     % keptRows = [2; 3; 1], keptScores(3) = 0.5 * exp(-(81/119)^2 / 0.5),
%     % about 0.198
%     kept = rectCull([0.5 0.5 10 10 0.9; 20 0 10 10 0.8], 0.5, 'Rule', 'plain')
%     % kept = [0.5 0.5 10 10; 20 0 10 10]: coordinates as given
%
%   See also COVERTEST, RECTREFIT, CONTENTS.
