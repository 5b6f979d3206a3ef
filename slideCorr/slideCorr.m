%SLIDECORR  Valid-mode sliding-window correlation, all positions in one column.
%   C = SLIDECORR(A, K) slides the kernel K over A and gives, at every
%   position where K lies wholly inside A, the sum of the products of K's
%   elements with the elements of A beneath them. K is not flipped
%   (cross-correlation, not convolution).
%
%   Arguments
%     A      M-by-N real double matrix: the matrix that is scanned.
%     K      m-by-n real double matrix, the kernel; m <= M and n <= N for any
%            position to exist.
%
%   Result
%     C      (P*Q)-by-1 column, P = M-m+1 row offsets and Q = N-n+1 column
%            offsets, in column-major order: reshape(C, P, Q) is the map of
%            valid positions, its element (i, j) the sum over r, s of
%            A(i+r-1, j+s-1) * K(r, s). Each sum runs in K's row-major
%            order, starting from 0, in double precision.
%            A K too large for A gives a 0-by-1 result; a 0-by-0 K gives
%            (M+1)*(N+1) zeros.
%
%   Refused, with an error identifier slideCorr:<reason>:
%     tooFewInputs, tooManyInputs  not exactly two arguments
%     tooManyOutputs               more than one result
%     notRealDoubleMatrix          an argument that is not a real, full
%                                  double matrix
%     tooLarge, outOfMemory        row or column counts, P*Q or memory beyond what
%                                  can be handled
%   The arguments are never changed.
%
%   Example
%     A = [1 2 3; 4 5 6; 7 8 9];
%     slideCorr(A, [1 0; 0 1])                   % ans = [6; 12; 8; 14]
%     reshape(slideCorr(A, [1 0; 0 0]), 2, 2)    % ans = [1 2; 4 5]
%
%   See also PAIRMETRIC, CONTENTS.
