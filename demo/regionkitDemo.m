% regionkit demo: run with  make demo  (or octave-cli demo/regionkitDemo.m <mex folder>)
args = argv ();
if (numel (args) >= 1)
  addpath (args{1});
endif

% Detector-style output: three overlapping boxes around one object, one elsewhere.
boxes = [10 10 50 40 0.90;
         12 11 50 40 0.75;
          8 12 52 38 0.60;
        120 80 30 30 0.80];
printf ("rectCull: %d scored boxes (x, y, w, h, score)\n", rows (boxes));
disp (boxes);
kept = rectCull (boxes, 0.5);
printf ("kept after non-maximum suppression at overlap 0.5: %d boxes (x, y, w, h)\n", rows (kept));
disp (kept);
