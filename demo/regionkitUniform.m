function u = regionkitUniform (dims, seed)
%REGIONKITUNIFORM  Uniform numbers in [0, 1), the same in every host.
%   U = REGIONKITUNIFORM(DIMS, SEED) is an array of size DIMS: a hash of each
%   element's index and SEED, in whole numbers a double holds exactly, so
%   GNU Octave and MATLAB draw the same numbers (the demo's scenes and
%   proposals).
  k = reshape (1:prod (dims), dims);
  x = mod (k * 2654435761 + seed * 40503, 2 ^ 32);
  x = mod (x * 69069 + 1, 2 ^ 32);
  x = bitxor (x, floor (x / 2 ^ 15));
  x = mod (x * 69069 + 12345, 2 ^ 32);
  x = bitxor (x, floor (x / 2 ^ 13));
  x = mod (x * 69069 + 1013904223, 2 ^ 32);
  u = x / 2 ^ 32;
end
