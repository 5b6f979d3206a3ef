function regionkitDemo (mexdir, output, image)
%REGIONKITDEMO  One pipeline on one image, from pixels to culled boxes.
%   REGIONKITDEMO(MEXDIR) adds MEXDIR (the folder of the built functions) to
%   the path, runs the pipeline on a synthetic scene and writes
%   regionkitDemo.png. REGIONKITDEMO(MEXDIR, OUTPUT) writes the picture to
%   OUTPUT instead; REGIONKITDEMO(MEXDIR, OUTPUT, IMAGE) runs on your PNG or
%   JPEG file IMAGE. An empty MEXDIR leaves the path as it is.
%
%   make demo                              (synthetic image)
%   make demo IMAGE=photo.jpg              (your PNG or JPEG)
%   octave-cli --no-history --eval "addpath('demo'); regionkitDemo('build/mex')"
%   In MATLAB:  addpath('demo'); regionkitDemo('build/matlab')
%
%   Steps: segment the image into regions (connected areas of one colour
%   class), give every pixel a visual word (colour class x gradient
%   direction), propose candidate boxes, coverTest + rectRefit to snap them
%   to the regions they cover, rectCull to cull the overlapping ones,
%   regionTally for a word histogram per region, pairMetric between the
%   histograms to find the two most similar regions, and slideCorr to find
%   a template. It prints a summary and writes a PNG with the boxes before
%   and after culling. The steps up to rectCull are REGIONKITPROPOSALS,
%   which works on at most about 400 pixels a side (a larger image is
%   subsampled: every k-th row and column) and keeps the 60 largest
%   regions. Runs headless: the boxes are drawn into the image array, which
%   imwrite saves. It runs in GNU Octave and in MATLAB without toolboxes,
%   and draws its random numbers itself, so both draw the same scene.

  if nargin >= 1 && ~isempty (mexdir)
    addpath (mexdir);
  end
  if nargin < 2 || isempty (output)
    output = 'regionkitDemo.png';
  end
  timings = cell (0, 2);

  if nargin >= 3 && ~isempty (image)
    % The pipeline reads the image and works on at most about 400 pixels a side.
    [~, info] = regionkitProposals (image);
    img = info.image;
    clean = img;
    source = image;
    truth = [];
  else
    t = tic ();
    [img, clean, truth] = syntheticImage ();
    timings(end+1, :) = {'make the image', toc(t)};
    [~, info] = regionkitProposals (img);
    source = 'synthetic scene';
  end
  % coverTest -> rectRefit snap every candidate to the regions it covers;
  % rectCull culls the refit, scored boxes (regionkitProposals).
  timings = [timings; info.timings];
  [H, W, ~] = size(img);
  regionMap = info.regionMap;
  regionBoxes = info.regionBoxes;
  R = size(regionBoxes, 1);
  candidates = info.candidates;
  refit = info.refit;
  score = info.score;
  kept = info.kept;
  keptScore = info.keptScore;

  t = tic ();
  [words, wordCount] = visualWords (img, info.classes);
  timings(end+1, :) = {'visual words (Octave)', toc(t)};

  fprintf ('regionkit demo on %s, %d x %d pixels\n', source, W, H);
  if (info.step > 1)
    fprintf ('  (subsampled: every %d-th row and column, at most about 400 pixels a side)\n', info.step);
  end
  fprintf ('  %d regions (the 60 largest at most), %d visual words, %d candidate boxes\n', R, wordCount, ...
          size(candidates, 1));
  if (exist ('coverTest') == 3 && exist ('rectRefit') == 3)
    fprintf ('  coverTest: %d box-region memberships; rectRefit: %d of %d boxes refit\n', nnz (info.members), ...
            sum (any (info.members, 2)), size(candidates, 1));
  end
  if (exist ('rectCull') == 3)
    fprintf ('  rectCull at overlap 0.5: %d of %d boxes kept, %d of them with score 0.5 or more\n', size(kept, 1), ...
            size(refit, 1), sum (keptScore >= 0.5));
  end

  % regionTally -> pairMetric: the two regions with the most similar word histograms.
  similar = [];
  if (R >= 2 && built ('regionTally'))
    t = tic ();
    [counts, totals] = regionTally (words, regionMap(:), wordCount, R);
    timings(end+1, :) = {'regionTally', toc(t)};
    histograms = (counts ./ max (sum (counts, 1), 1))';  % one normalized histogram per row
    fprintf ('  regionTally: %d memberships counted over %d words\n', sum (totals), wordCount);
    if (built ('pairMetric'))
      t = tic ();
      d = reshape (pairMetric (histograms, histograms, 1), R, R);  % d(j, i): regions i and j
      timings(end+1, :) = {'pairMetric', toc(t)};
      d(logical (eye (R))) = inf;
      [best, at] = min (d(:));
      [j, i] = ind2sub ([R R], at);
      similar = [i, j];
      fprintf ('  pairMetric: regions %d and %d are the most similar (rescaled distance %.3f)\n', i, j, best);
      fprintf ('    region %d at (%d, %d) %dx%d, region %d at (%d, %d) %dx%d\n', i, regionBoxes(i, :), j, ...
              regionBoxes(j, :));
    end
  end

  % slideCorr: normalized cross-correlation of a template with the noisy image.
  match = [];
  if (built ('slideCorr'))
    grey = mean (img, 3);
    if (isempty (truth))  % the user's image: take the middle of its largest region
      b = [1, 1, W, H];  % or the whole image, when it has no region
      if (R > 0)
        b = regionBoxes(1, :);
      end
      side = max (8, min ([32, b(3), b(4)]));
      truth = [round(b(1) + (b(3) - side) / 2), round(b(2) + (b(4) - side) / 2), side, side];
    end
    template = mean (clean(truth(2):truth(2) + truth(4) - 1, truth(1):truth(1) + truth(3) - 1, :), 3);
    t = tic ();
    t0 = template - mean (template(:));
    n = numel (template);
    sums = slideCorr (grey, t0);
    s1 = slideCorr (grey, ones (size(template)));
    s2 = slideCorr (grey .^ 2, ones (size(template)));
    ncc = sums ./ sqrt (max (s2 - s1 .^ 2 / n, eps) * sum (t0(:) .^ 2));
    timings(end+1, :) = {'slideCorr (3 calls)', toc(t)};
    P = H - size(template, 1) + 1;
    [peak, at] = max (ncc);
    [y, x] = ind2sub ([P, W - size(template, 2) + 1], at);
    match = [x, y, size(template, 2), size(template, 1)];
    fprintf ('  slideCorr: %dx%d template cut at (%d, %d) found at (%d, %d), correlation %.3f\n', ...
            truth(3), truth(4), truth(1), truth(2), x, y, peak);
  end

  % Picture: all refit candidates on the left, the culled ones on the right.
  t = tic ();
  shown = 0.35 + 0.65 * img;
  before = shown;
  [~, order] = sort (score);
  for k = order'
    shade = min (max (score(k), 0), 1);
    before = drawBox (before, refit(k, :), [1, 0.85 * (1 - shade), 0.1], 1);
  end
  after = shown;
  for r = 1:R
    after = drawBox (after, regionBoxes(r, :), [0.55 0.55 0.55], 1);
  end
  confident = keptScore >= 0.5;
  for k = find (~confident)'
    after = drawBox (after, kept(k, :), [0.25 0.55 0.3], 1);
  end
  for k = find (confident)'
    after = drawBox (after, kept(k, :), [0.1 1 0.2], 2);
  end
  for r = similar
    after = drawBox (after, regionBoxes(r, :) + [-4 -4 8 8], [0 0.9 1], 2);
  end
  if (~isempty (match))
    after = drawBox (after, match + [-2 -2 4 4], [1 0.2 1], 2);
  end
  gap = ones (H + 22, 8, 3);
  left = captioned (before, sprintf ('before: %d boxes', size(refit, 1)));
  right = captioned (after, sprintf ('after rectCull: %d, %d confident', size(kept, 1), sum (confident)));
  picture = [left, gap, right];
  key = ones (16, size(picture, 2), 3) * 0.12;
  key = drawText (key, 'green: kept (bright: score 0.5 or more)   cyan: most similar regions   magenta: template found   grey: regions', 6, 5, [0.9 0.9 0.9], 1);
  picture = [picture; key];
  picture = picture(ceil ((1:2 * size(picture, 1)) / 2), ceil ((1:2 * size(picture, 2)) / 2), :);  % twice the size, crisp
  imwrite (uint8 (round (255 * min (max (picture, 0), 1))), output);
  timings(end+1, :) = {'draw and write the PNG', toc(t)};

  fprintf ('\n  %-34s %9s\n', 'step', 'time');
  for k = 1:size(timings, 1)
    fprintf ('  %-34s %7.1f ms\n', timings{k, 1}, 1e3 * timings{k, 2});
  end
  fprintf ('\nwrote %s (%d x %d)\n', output, size(picture, 2), size(picture, 1));
end


% ---------------------------------------------------------------- image ---

function img = paint (img, mask, colour, shade)
  for c = 1:3
    layer = img(:, :, c);
    layer(mask) = colour(c) * shade(mask);
    img(:, :, c) = layer;
  end
end

function [img, clean, truth] = syntheticImage ()
  % A grey scene with textured objects; two green ones share colour and
  % texture (the most similar pair), and a plain blue one shares the checked
  % blue disc's colour but not its texture (the template's decoy).
  H = 240; W = 360;
  [X, Y] = meshgrid (1:W, 1:H);
  img = repmat (reshape ([0.56 0.57 0.58], 1, 1, 3), H, W);
  img = img .* (0.92 + 0.08 * (Y / H));
  rect = @(x, y, w, h) X >= x & X < x + w & Y >= y & Y < y + h;
  disc = @(cx, cy, r) (X - cx) .^ 2 + (Y - cy) .^ 2 <= r ^ 2;
  stripesH = 1 - 0.4 * (mod (floor (Y / 5), 2) == 1);
  stripesV = 1 - 0.4 * (mod (floor (X / 4), 2) == 1);
  stripesD = 1 - 0.4 * (mod (floor ((X + Y) / 6), 2) == 1);
  checks = 1 - 0.45 * (mod (floor (X / 6) + floor (Y / 6), 2) == 1);
  flat = ones (H, W);
  img = paint (img, rect (24, 26, 64, 58), [0.85 0.15 0.15], stripesH);    % red, striped across
  img = paint (img, rect (122, 36, 72, 46), [0.20 0.70 0.25], stripesV);   % green, striped down
  img = paint (img, rect (262, 158, 66, 50), [0.20 0.70 0.25], stripesV);  % its twin
  img = paint (img, disc (84, 172, 32), [0.20 0.30 0.85], checks);         % blue, checked
  img = paint (img, rect (160, 176, 54, 40), [0.20 0.30 0.85], flat);      % blue, plain
  img = paint (img, disc (214, 116, 22), [0.90 0.85 0.20], flat);          % yellow
  img = paint (img, rect (284, 28, 50, 50), [0.80 0.20 0.75], stripesD);   % magenta, diagonal
  spots = disc (208, 110, 3) | disc (221, 121, 3) | disc (212, 127, 2);
  img = paint (img, spots, [0.15 0.15 0.15], flat);
  clean = img;
  img = min (max (img + 0.03 * gaussian (size(img), 7), 0), 1);
  truth = [56 144 32 32];  % the template: the checked disc's upper-left edge
end

% ---------------------------------------------------------------- words ---

function [words, W] = visualWords (img, classes)
  % Word = colour class x gradient direction (flat, or one of four directions).
  grey = mean (img, 3);
  gx = conv2 (grey, [1 0 -1] / 2, 'same');
  gy = conv2 (grey, [1; 0; -1] / 2, 'same');
  direction = 1 + mod (round (atan2 (gy, gx) / (pi / 4)), 4);
  direction(hypot (gx, gy) < 0.04) = 0;
  words = (classes - 1) * 5 + direction + 1;
  W = 8 * 5;
end

% --------------------------------------------------------------- drawing ---

function img = drawBox (img, box, colour, thickness)
  % Inclusive 1-based edges: columns x..x+w-1, rows y..y+h-1, clipped to the image.
  [H, W, ~] = size(img);
  x0 = round (box(1)); y0 = round (box(2));
  x1 = x0 + round (box(3)) - 1; y1 = y0 + round (box(4)) - 1;
  for t = 0:thickness - 1
    cols = max (x0 + t, 1):min (x1 - t, W);
    rowsIn = max (y0 + t, 1):min (y1 - t, H);
    for c = 1:3
      if (y0 + t >= 1 && y0 + t <= H), img(y0 + t, cols, c) = colour(c); end
      if (y1 - t >= 1 && y1 - t <= H), img(y1 - t, cols, c) = colour(c); end
      if (x0 + t >= 1 && x0 + t <= W), img(rowsIn, x0 + t, c) = colour(c); end
      if (x1 - t >= 1 && x1 - t <= W), img(rowsIn, x1 - t, c) = colour(c); end
    end
  end
end

function img = drawText (img, text, x, y, colour, scale)
  % A 3x5 pixel font, enough for captions.
  persistent glyphs
  if (isempty (glyphs))
    rowsOf = {'A', '010101111101101'; 'B', '110101110101110'; 'C', '011100100100011';
              'D', '110101101101110'; 'E', '111100110100111'; 'F', '111100110100100';
              'G', '011100101101011'; 'H', '101101111101101'; 'I', '111010010010111';
              'J', '001001001101010'; 'K', '101101110101101'; 'L', '100100100100111';
              'M', '101111111101101'; 'N', '110101101101101'; 'O', '010101101101010';
              'P', '110101110100100'; 'Q', '010101101110011'; 'R', '110101110101101';
              'S', '011100010001110'; 'T', '111010010010010'; 'U', '101101101101111';
              'V', '101101101101010'; 'W', '101101111111101'; 'X', '101101010101101';
              'Y', '101101010010010'; 'Z', '111001010100111'; '0', '111101101101111';
              '1', '010110010010111'; '2', '110001010100111'; '3', '110001010001110';
              '4', '101101111001001'; '5', '111100110001110'; '6', '011100111101111';
              '7', '111001010010010'; '8', '111101111101111'; '9', '111101111001110';
              ':', '000010000010000'; '-', '000000111000000'; '.', '000000000000010';
              '(', '010100100100010'; ')', '010001001001010'; '/', '001001010100100';
              ',', '000000000010100'; ' ', '000000000000000'};
    glyphs = containers.Map ();
    for i = 1:size(rowsOf, 1)
      glyphs(rowsOf{i, 1}) = reshape (rowsOf{i, 2} == '1', 3, 5)';
    end
  end
  [H, W, ~] = size(img);
  text = upper (text);
  for i = 1:numel (text)
    if (~isKey (glyphs, text(i)))
      continue;
    end
    g = kron (glyphs(text(i)), ones (scale));
    [gr, gc] = find (g);
    r = y + gr - 1; c = x + (i - 1) * 4 * scale + gc - 1;
    ok = r >= 1 & r <= H & c >= 1 & c <= W;
    for k = 1:3
      img(sub2ind (size(img), r(ok), c(ok), k * ones (sum (ok), 1))) = colour(k);
    end
  end
end

function panel = captioned (img, caption)
  bar = ones (22, size(img, 2), 3) * 0.12;
  bar = drawText (bar, caption, 6, 6, [1 1 1], 2);
  panel = [bar; img];
end

% --------------------------------------------------------------- running ---

function have = built (name)
  have = exist (name) == 3;
  if (~have)
    fprintf ('  (%s is not built: its step is skipped)\n', name);
  end
end

% ------------------------------------------------------- random numbers ---

function g = gaussian (dims, seed)
  % Standard normal numbers by the Box-Muller transform of two uniform draws.
  g = sqrt (-2 * log (1 - regionkitUniform (dims, seed))) .* cos (2 * pi * regionkitUniform (dims, seed + 1));
end
