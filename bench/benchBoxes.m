function [regions, boxes] = benchBoxes (n)
  % n region boxes up to 60 pixels a side and n scored boxes up to 200, at
  % random over a 600 x 600 scene, the same on every call: the boxes that
  % coverTest and rectRefit are timed on.
  rand ("seed", 1);
  regions = randomBoxes (n, 60);
  boxes = [randomBoxes(n, 200), rand(n, 1)];
endfunction

function boxes = randomBoxes (count, maxSize)
  boxes = [1 + 600 * rand(count, 2), 1 + (maxSize - 1) * rand(count, 2)];
endfunction
