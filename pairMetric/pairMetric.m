%PAIRMETRIC  Rescaled distances between every row of A and every row of B.
%   D = PAIRMETRIC(A, B, CODE) measures every row of A against every row of
%   B, by histogram intersection (CODE 1) or Euclidean distance (CODE 2), and
%   rescales all the distances by one common offset and divisor.
%
%   Arguments
%     A      M-by-N real double matrix: one vector (a histogram, say) per row.
%     B      R-by-S real double matrix, S >= N: one vector per row; only its
%            first N columns take part.
%     CODE   metric code; only its first element counts, compared exactly:
%              1  histogram intersection  1 - sum(min(a, b))
%              2  Euclidean distance      sqrt(sum((a - b).^2))
%            Any other value (0, 3, 1.5, NaN) gives the distance 0 for every
%            pair.
%
%   Result
%     D      1-by-(M*R) row. The pair (row i of A, row j of B) stands in
%            column (i-1)*R + j: all of A's first row first, so
%            reshape(D, R, M) has the pair (i, j) in row j, column i.
%            Every distance d becomes (d - lo) / (hi - lo), where
%            lo = min(1, smallest distance) and hi = max(0, largest distance):
%            the offset and divisor start from 1 and 0, not from the first
%            distance. When all distances are one value between 0 and 1,
%            every entry is NaN (0/0). Sums run in index order, in double
%            precision. NaN and Inf are not reported; they enter the sums as
%            they are, with one asymmetry under CODE 1: min(a, b) takes a only
%            when a < b, so a NaN in A gives way to B's element, while a NaN
%            in B is taken and makes the distance NaN. Swapping A and B can
%            therefore change the result:
%              pairMetric([NaN 0.5], [0.5 0.5; 0 0], 1)   % ans = [0 1]
%              pairMetric([0.5 0.5; 0 0], [NaN 0.5], 1)   % ans = [NaN NaN]
%            Once one distance is NaN, lo and hi ignore it (a comparison with
%            NaN is false), and it stays NaN in D.
%
%   Refused, with an error identifier pairMetric:<reason>:
%     tooFewInputs, tooManyInputs  not exactly three arguments
%     tooManyOutputs               more than one result
%     notRealDoubleMatrix          an argument that is not a real, full
%                                  double matrix
%     tooFewColumns                B with fewer columns than A
%     emptyArgument                CODE without elements
%     tooLarge, outOfMemory        M*R or memory beyond what can be handled
%   The arguments are never changed.
%
%   Example
%     A = [0 0; 3 4];
%     B = [0 0];
%     pairMetric(A, B, 2)                        % ans = [0 1]
%     pairMetric([0 0], [3 4; 6 8], 2)           % ans = [0.4444 1]
%     pairMetric([0.5 0.5], [0.5 0.5; 1 0], 1)   % ans = [0 1]
%
%   See also REGIONTALLY, CONTENTS.
