function [boxes, info] = regionkitProposals (image)
%REGIONKITPROPOSALS  The demo's pipeline on one image: scored boxes, culled.
%   BOXES = REGIONKITPROPOSALS(IMAGE) segments IMAGE into regions
%   (connected areas of one colour class), proposes candidate boxes around
%   them, snaps the candidates to the regions they cover (coverTest, then
%   rectRefit), scores them by how much of each box the regions fill, and
%   culls the overlapping ones (rectCull at overlap 0.5). BOXES is K-by-5:
%   x, y, w, h, score per row, best first, in IMAGE's own pixels; each
%   score is its own box's, in single precision (as rectCull ranks them),
%   so the scores never increase down the rows.
%
%   IMAGE is a file name (any format imread reads) or an image array:
%   H-by-W grey or H-by-W-by-3 colour, of an integer class or of values in
%   [0, 1]. Colour maps are applied, an alpha channel is ignored and a grey
%   image is used as colour. Larger images are subsampled to at most about
%   400 pixels a side (every k-th row and column) before anything else, the
%   60 largest regions are kept, and the boxes are scaled back to IMAGE.
%
%   [BOXES, INFO] = REGIONKITPROPOSALS(IMAGE) also returns the steps' work,
%   in the subsampled image: image, step (the subsampling), classes,
%   regionMap, regionBoxes, candidates, members (coverTest), refit
%   (rectRefit), score, kept and keptScore (rectCull), and timings (a list
%   of step names and seconds). A function that is not built is skipped
%   with a note, and the boxes are then the ones before that step.
%
%   The same image gives the same boxes in GNU Octave and MATLAB: the
%   pipeline draws its random numbers itself (regionkitUniform).
%
%   See also REGIONKITDEMO, PROPOSALSFORFOLDER, COVERTEST, RECTREFIT, RECTCULL.

  timings = cell (0, 2);
  t = tic ();
  [img, step] = prepareImage (image);
  if (ischar (image))
    timings(end+1, :) = {'read the image', toc(t)};
  end
  [H, W, ~] = size(img);

  t = tic ();
  classes = colourClasses (img);
  [regionMap, regionBoxes] = regions (classes, 40, 60);
  timings(end+1, :) = {'segment into regions (Octave)', toc(t)};

  candidates = proposals (regionBoxes, H, W, 24, 30);
  members = [];
  refit = candidates;
  if (built ('coverTest') && built ('rectRefit'))
    t = tic ();
    members = coverTest (regionBoxes, candidates);
    timings(end+1, :) = {'coverTest', toc(t)};
    t = tic ();
    refit = rectRefit (candidates, regionBoxes, members, H, W);
    timings(end+1, :) = {'rectRefit', toc(t)};
  end
  % Single precision, as rectCull ranks them: the kept boxes' scores are
  % then non-increasing as returned, ties included.
  score = double (single (objectness (refit, regionMap)));

  kept = refit;
  keptScore = score;
  if (built ('rectCull'))
    t = tic ();
    % keptRows: the rows of the kept boxes in [refit, score], so each keeps
    % its own score even where several candidates refit to the same box.
    [kept, keptRows] = rectCull ([refit, score], 0.5);
    timings(end+1, :) = {'rectCull', toc(t)};
    keptScore = score(keptRows);
  end

  % Back to the pixels of the image as given: pixel p of the subsampled
  % image is pixel (p - 1) * step + 1 there.
  boxes = [(kept(:, 1:2) - 1) * step + 1, kept(:, 3:4) * step, keptScore];
  info = struct ('image', img, 'step', step, 'classes', classes, 'regionMap', regionMap, ...
                 'regionBoxes', regionBoxes, 'candidates', candidates, 'members', members, ...
                 'refit', refit, 'score', score, 'kept', kept, 'keptScore', keptScore);
  info.timings = timings;
end

% ---------------------------------------------------------------- image ---

function [img, step] = prepareImage (image)
  map = [];
  if (ischar (image))
    [image, map] = imread (image);
  end
  img = image;
  if (~isempty (map))
    img = ind2rgb (img, map);
  elseif (isinteger (img))
    img = double (img) / double (intmax (class (img)));
  else
    img = double (img);
  end
  if (isempty (img) || ndims (img) > 3)
    error ('regionkitProposals:notAnImage', 'regionkitProposals: not an H-by-W or H-by-W-by-3 image');
  end
  if (size(img, 3) < 3)
    img = repmat (img(:, :, 1), [1 1 3]);  % grey (and grey with alpha)
  end
  img = img(:, :, 1:3);  % colour (an alpha channel, or a fourth band, is left out)
  step = ceil (max (size(img, 1), size(img, 2)) / 400);  % work on at most about 400 pixels a side
  img = img(1:step:end, 1:step:end, :);
end

% ------------------------------------------------------------ regions ---

function classes = colourClasses (img)
  % Eight classes: grey, dark and white for unsaturated pixels, else the
  % nearest of five hues by brightness-free colour (so stripes and checks of
  % one paint stay one class).
  hues = [0.85 0.15 0.15; 0.20 0.70 0.25; 0.20 0.30 0.85; 0.90 0.85 0.20; 0.80 0.20 0.75];
  [H, W, ~] = size(img);
  rgb = reshape (img, H * W, 3);
  top = max (rgb, [], 2);
  bottom = min (rgb, [], 2);
  chroma = rgb ./ max (top, eps);
  hueNorm = hues ./ max (hues, [], 2);
  d = zeros (H * W, size(hues, 1));
  for k = 1:size(hues, 1)
    d(:, k) = sum ((chroma - hueNorm(k, :)) .^ 2, 2);
  end
  [~, nearest] = min (d, [], 2);
  classes = nearest + 3;
  grey = (top - bottom) < 0.18;
  classes(grey) = 1;
  classes(grey & top < 0.3) = 2;
  classes(grey & bottom > 0.85) = 3;
  classes = reshape (classes, H, W);
end

function labels = components (classes)
  % 4-connected components of equal class: every pixel takes the smallest
  % pixel index of its component, by neighbour minima and pointer jumping.
  [H, W] = size(classes);
  labels = reshape (1:H * W, H, W);
  down = classes(1:end-1, :) == classes(2:end, :);
  across = classes(:, 1:end-1) == classes(:, 2:end);
  previous = [];
  while ~isequal (labels, previous)
    previous = labels;
    a = labels(1:end-1, :); b = labels(2:end, :);
    m = min (a, b);
    a(down) = m(down); b(down) = m(down);
    labels(1:end-1, :) = a; labels(2:end, :) = min (labels(2:end, :), b);
    a = labels(:, 1:end-1); b = labels(:, 2:end);
    m = min (a, b);
    a(across) = m(across); b(across) = m(across);
    labels(:, 1:end-1) = a; labels(:, 2:end) = min (labels(:, 2:end), b);
    labels = labels(labels);
  end
end

function [regionMap, regionBoxes] = regions (classes, minArea, maxCount)
  % Keeps the components of at least minArea pixels whose box is not most of
  % the image (the background), largest first; numbers them 1..R.
  [H, W] = size(classes);
  labels = components (classes);
  [ids, ~, which] = unique (labels(:));
  areas = accumarray (which, 1);
  [cols, rowsIdx] = meshgrid (1:W, 1:H);
  x0 = accumarray (which, cols(:), [], @min); x1 = accumarray (which, cols(:), [], @max);
  y0 = accumarray (which, rowsIdx(:), [], @min); y1 = accumarray (which, rowsIdx(:), [], @max);
  boxArea = (x1 - x0 + 1) .* (y1 - y0 + 1);
  keep = find (areas >= minArea & boxArea < 0.5 * H * W);
  [~, order] = sort (areas(keep), 'descend');
  keep = keep(order(1:min (end, maxCount)));
  number = zeros (numel (ids), 1);
  number(keep) = 1:numel (keep);
  regionMap = reshape (number(which), H, W);
  regionBoxes = [x0(keep), y0(keep), x1(keep) - x0(keep) + 1, y1(keep) - y0(keep) + 1];
  regionBoxes = reshape (regionBoxes, [], 4);  % 0-by-4 when no region is kept (a plain image)
end

% ------------------------------------------------------------- proposals ---

function boxes = proposals (regionBoxes, H, W, perRegion, random)
  % Detector-like candidates: loose boxes around each region, boxes around
  % pairs of neighbouring regions, and boxes anywhere.
  boxes = zeros (0, 4);
  for r = 1:size(regionBoxes, 1)
    b = regionBoxes(r, :);
    grow = (regionkitUniform ([perRegion 4], 100 + r) .* [0.3 0.3 0.3 0.3] - 0.04) .* [b(3) b(4) b(3) b(4)];
    x = b(1) - grow(:, 1); y = b(2) - grow(:, 2);
    boxes = [boxes; round([x, y, b(3) + grow(:, 1) + grow(:, 3), b(4) + grow(:, 2) + grow(:, 4)])];
  end
  centres = regionBoxes(:, 1:2) + regionBoxes(:, 3:4) / 2;
  for r = 1:size(regionBoxes, 1)
    d = hypot (centres(:, 1) - centres(r, 1), centres(:, 2) - centres(r, 2));
    d(r) = inf;
    [~, s] = min (d);
    if (isfinite (d(s)))
      a = regionBoxes(r, :); b = regionBoxes(s, :);
      left = min (a(1), b(1)) - 3; top = min (a(2), b(2)) - 3;
      right = max (a(1) + a(3), b(1) + b(3)) + 3; bottom = max (a(2) + a(4), b(2) + b(4)) + 3;
      boxes(end+1, :) = [left, top, right - left, bottom - top];
    end
  end
  sizes = 20 + 60 * regionkitUniform ([random 2], 11);
  at = regionkitUniform ([random 2], 12);
  boxes = [boxes; round([at(:, 1) .* (W - sizes(:, 1)), at(:, 2) .* (H - sizes(:, 2)), sizes])];
  boxes(:, 1:2) = max (boxes(:, 1:2), 1);
end

function score = objectness (boxes, regionMap)
  % The share of a box's pixels that belong to regions, with a little noise:
  % boxes fitted tightly around regions score best.
  [H, W] = size(regionMap);
  inside = cumsum (cumsum (double (regionMap > 0), 1), 2);
  inside = [zeros(1, W + 1); zeros(H, 1), inside];
  x0 = min (max (boxes(:, 1), 1), W + 1); y0 = min (max (boxes(:, 2), 1), H + 1);
  x1 = min (max (boxes(:, 1) + boxes(:, 3), 1), W + 1); y1 = min (max (boxes(:, 2) + boxes(:, 4), 1), H + 1);
  at = @(y, x) inside(sub2ind (size(inside), y, x));
  count = at (y1, x1) - at (y0, x1) - at (y1, x0) + at (y0, x0);
  score = count ./ max (boxes(:, 3) .* boxes(:, 4), 1) + 0.05 * regionkitUniform ([size(boxes, 1) 1], 5);
end

% --------------------------------------------------------------- running ---

function have = built (name)
  have = exist (name) == 3;
  if (~have)
    fprintf ('  (%s is not built: its step is skipped)\n', name);
  end
end
