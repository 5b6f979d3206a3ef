% Octave tests of the built pairMetric plug-in.

%!error <Argument 2 \(B\) needs at least 3 columns \(as many as A\), but a 4x2 double matrix came> pairMetric (ones (2, 3), ones (4, 2), 1)
%!error id=pairMetric:tooFewColumns pairMetric (ones (2, 3), ones (4, 2), 1)
