function summary = proposalsForFolder(folder, resultsFile, varargin)
%PROPOSALSFORFOLDER  The demo's pipeline over every image in a folder.
%   PROPOSALSFORFOLDER(FOLDER, RESULTSFILE) runs REGIONKITPROPOSALS (the
%   demo's pipeline: regions, candidate boxes, coverTest, rectRefit, scores,
%   rectCull) on every image in FOLDER and writes the boxes of all of them to
%   RESULTSFILE, a CSV text file with one line per box, best first within
%   each image, in the image's own pixels:
%
%     image,x,y,w,h,score
%     "street 01.jpg",13,37,96,64,0.8312547
%
%   The images are the files whose names end in .png, .jpg, .jpeg, .tif,
%   .tiff, .bmp or .gif (any case), in sorted order; other files are not
%   read. After each batch of images it prints how many of the N images are
%   done, the time elapsed and an estimate of the time remaining.
%
%   The images run in parallel where the host can: in MATLAB through parfor
%   (on the open parallel pool, or one started from the default cluster
%   profile; without the Parallel Computing Toolbox, a plain loop), in GNU
%   Octave through parcellfun of the parallel package when it is installed
%   (Debian: octave-parallel), else a plain loop. The results are the same
%   each way.
%
%   A file that cannot be read as an image, or that fails in the pipeline,
%   is reported by name (with the reason) and left out; the other images go
%   on. RESULTSFILE is written batch by batch, in image order, so the lines
%   of the images done so far stay if the run stops.
%
%   Resuming: when RESULTSFILE exists, the images it holds are not run
%   again and the others are appended, so the same call after a stop (or
%   after new images were added) finishes the folder; the file is then the
%   same as one uninterrupted run's. The last image in the file is run
%   again, as a crash may have cut its lines short (they are removed
%   first), and so are files that failed and images without boxes, which
%   leave no line. A RESULTSFILE whose first line is not the header above
%   is refused, untouched.
%
%   Options, as name-value pairs:
%     'Workers', N       at most N images at once (default: every processor
%                        in GNU Octave, the pool's workers in MATLAB); 1
%                        runs a plain loop.
%     'MexFolder', DIR   adds DIR, the folder of the built functions, to
%                        the path first.
%     'Quiet', true      prints only the files that failed.
%
%   SUMMARY = PROPOSALSFORFOLDER(...) returns a struct: images (the file
%   names), boxes (boxes per image, NaN for an image that failed), failed
%   (the names of the files that failed), messages (why, one per failed
%   file), seconds, workers, mode ('parfor', 'parcellfun' or 'loop') and
%   previous (the number of images found complete in RESULTSFILE).
%
%   Example
%     s = proposalsForFolder('photos', 'boxes.csv', 'MexFolder', 'build/mex');
%
%   See also REGIONKITPROPOSALS, REGIONKITDEMO.

  if nargin < 1
    error('proposalsForFolder:noFolder', ...
          'proposalsForFolder: give the image folder (FOLDER) and the results file (RESULTSFILE).');
  end
  if nargin < 2 || ~ischar(resultsFile) || isempty(resultsFile)
    error('proposalsForFolder:noResultsFile', ...
          ['proposalsForFolder: the results file (RESULTSFILE, the second argument) is missing; ' ...
           'for example proposalsForFolder(''photos'', ''boxes.csv'').']);
  end
  [workers, mexFolder, quiet] = parseOptions(varargin);
  here = fileparts(mfilename('fullpath'));
  addpath(fullfile(fileparts(here), 'demo'));
  if ~isempty(mexFolder)
    addpath(mexFolder);
  end
  needed = {'coverTest', 'rectRefit', 'rectCull'};
  for k = 1:numel(needed)
    if exist(needed{k}) ~= 3 %#ok<EXIST>
      error('proposalsForFolder:notBuilt', ...
            'proposalsForFolder: %s is not built or not on the path (see the MexFolder option).', needed{k});
    end
  end
  if ~ischar(folder) || ~exist(folder, 'dir')
    error('proposalsForFolder:noFolder', 'proposalsForFolder: %s is not a folder.', num2str(folder));
  end

  [names, oddNames] = imageFiles(folder);
  N = numel(names);
  summary = struct('images', {names}, 'boxes', nan(N, 1), 'failed', {{}}, 'messages', {{}}, ...
                   'seconds', 0, 'workers', 1, 'mode', 'loop', 'previous', 0);
  for k = 1:numel(oddNames)
    summary.failed{end + 1} = oddNames{k};
    summary.messages{end + 1} = 'a line break in the name cannot be written to the results file';
    fprintf(2, 'proposalsForFolder: skipped %s: %s\n', oddNames{k}, summary.messages{end});
  end
  if N == 0
    fprintf('proposalsForFolder: no images in %s (png, jpg, jpeg, tif, tiff, bmp, gif); nothing written\n', ...
            folder);
    return;
  end

  % Resume: the images complete in an existing results file are not run
  % again (their box counts come from the file), the rest are appended.
  [previous, counts] = resumeResults(resultsFile);
  [isPrevious, where] = ismember(names, previous);
  summary.boxes(isPrevious) = counts(where(isPrevious));
  summary.previous = sum(isPrevious);
  todo = find(~isPrevious);
  T = numel(todo);
  [mode, workers] = parallelMode(workers);
  summary.mode = mode;
  summary.workers = workers;
  if ~quiet
    if summary.previous > 0
      fprintf('proposalsForFolder: %d images in %s, %d already in %s, %d to do, %s with %d worker(s)\n', ...
              N, folder, summary.previous, resultsFile, T, mode, workers);
    else
      fprintf('proposalsForFolder: %d images in %s, %s with %d worker(s)\n', N, folder, mode, workers);
    end
  end

  % A batch keeps every worker busy a few times over between progress lines,
  % and there are at most about 20 of them (each parcellfun call starts its
  % workers anew, which costs about half a second).
  batch = max(4 * workers, ceil(T / 20));
  started = tic();
  for first = 1:batch:T
    which = todo(first:min(T, first + batch - 1));
    files = cell(1, numel(which));
    for k = 1:numel(which)
      files{k} = fullfile(folder, names{which(k)});
    end
    results = runBatch(files, mode, workers);
    % One write per batch, in image order: what is written stays if the run
    % stops, and a line cut short by a crash is repaired by the next run.
    text = '';
    for k = 1:numel(which)
      name = names{which(k)};
      if isempty(results{k}.message)
        boxes = results{k}.boxes;
        summary.boxes(which(k)) = size(boxes, 1);
        if ~isempty(boxes)
          % The name goes into the format, so its backslashes and percent
          % signs are escaped there.
          quoted = strrep(strrep(['"' strrep(name, '"', '""') '"'], '\', '\\'), '%', '%%');
          text = [text, sprintf([quoted ',%.10g,%.10g,%.10g,%.10g,%.10g\n'], boxes.')]; %#ok<AGROW>
        end
      else
        summary.failed{end + 1} = name;
        summary.messages{end + 1} = results{k}.message;
        fprintf(2, 'proposalsForFolder: skipped %s: %s\n', name, results{k}.message);
      end
    end
    appendText(resultsFile, text);
    done = first + numel(which) - 1;
    elapsed = toc(started);
    if ~quiet
      fprintf('proposalsForFolder: %d of %d images, %.1f s elapsed, about %.1f s remaining\n', ...
              summary.previous + done, N, elapsed, elapsed / done * (T - done));
    end
  end
  summary.seconds = toc(started);
  if ~quiet
    fprintf(['proposalsForFolder: wrote %s: %d boxes of %d images (%d of them from before), %d skipped, ' ...
             '%.1f s (%.2f images/s)\n'], resultsFile, sum(summary.boxes(~isnan(summary.boxes))), ...
            sum(~isnan(summary.boxes)), summary.previous, numel(summary.failed), summary.seconds, ...
            T / max(summary.seconds, eps));
  end
end

function appendText(file, text)
  writeText(file, text, 'a');
end

function writeText(file, text, how)
  fid = fopen(file, how);
  if fid < 0
    error('proposalsForFolder:cannotWrite', 'proposalsForFolder: cannot write %s.', file);
  end
  fprintf(fid, '%s', text);
  fclose(fid);
end

function result = proposeOne(file)
  % One image; a failure is returned, not raised, so the other images go on.
  result = struct('boxes', zeros(0, 5), 'message', '');
  try
    result.boxes = regionkitProposals(file);
  catch err
    result.message = strtrim(err.message);
    if isempty(result.message)
      result.message = 'failed without a message';
    end
  end
end

function result = failedCall(err, varargin)
  % parcellfun's error handler: a worker that failed outside proposeOne.
  result = struct('boxes', zeros(0, 5), 'message', err.message);
end

function results = runBatch(files, mode, workers)
  n = numel(files);
  if strcmp(mode, 'parcellfun')
    results = parcellfun(workers, @proposeOne, files, 'UniformOutput', false, ...
                         'ErrorHandler', @failedCall, 'VerboseLevel', 0);
  elseif strcmp(mode, 'parfor')
    results = cell(1, n);
    parfor (k = 1:n, workers)
      results{k} = proposeOne(files{k});
    end
  else
    results = cell(1, n);
    for k = 1:n
      results{k} = proposeOne(files{k});
    end
  end
end

function [mode, workers] = parallelMode(workers)
  % The host's way to run images at once, and how many.
  mode = 'loop';
  if exist('OCTAVE_VERSION', 'builtin') ~= 0
    if isempty(workers)
      workers = nproc();
    end
    if workers > 1 && octaveParallel()
      mode = 'parcellfun';
    else
      workers = 1;
    end
  else
    if (isempty(workers) || workers > 1) && hasParallelToolbox()
      pool = gcp();  % the open pool, or one from the default cluster profile
      if isempty(workers)
        workers = pool.NumWorkers;
      end
      workers = min(workers, pool.NumWorkers);
      mode = 'parfor';
    else
      workers = 1;
    end
  end
end

function ok = octaveParallel()
  % Whether Octave's parallel package is installed (and can be loaded).
  ok = false;
  try
    pkg('load', 'parallel');
    ok = exist('parcellfun') == 2; %#ok<EXIST>
  catch
    ok = false;
  end
end

function ok = hasParallelToolbox()
  ok = license('test', 'Distrib_Computing_Toolbox') && exist('gcp') == 2; %#ok<EXIST>
end

function [names, oddNames] = imageFiles(folder)
  % The image files in sorted order, and those whose names hold a line
  % break (which a line of the results file cannot).
  listing = dir(folder);
  names = {};
  for k = 1:numel(listing)
    name = listing(k).name;
    [~, ~, extension] = fileparts(name);
    if ~listing(k).isdir && any(strcmpi(extension, {'.png', '.jpg', '.jpeg', '.tif', '.tiff', '.bmp', '.gif'}))
      names{end + 1} = name; %#ok<AGROW>
    end
  end
  names = sort(names);
  odd = cellfun(@(name) any(name == 10 | name == 13), names);
  oddNames = names(odd);
  names = names(~odd);
end

function [workers, mexFolder, quiet] = parseOptions(args)
  workers = [];
  mexFolder = '';
  quiet = false;
  if mod(numel(args), 2) ~= 0
    error('proposalsForFolder:badOption', 'proposalsForFolder: options come in name-value pairs.');
  end
  for k = 1:2:numel(args)
    name = args{k};
    value = args{k + 1};
    if ischar(name) && strcmpi(name, 'Workers') && isnumeric(value) && isscalar(value) && value >= 1 && ...
       value == fix(value)
      workers = double(value);
    elseif ischar(name) && strcmpi(name, 'MexFolder') && ischar(value)
      mexFolder = value;
    elseif ischar(name) && strcmpi(name, 'Quiet') && isscalar(value) && (islogical(value) || isnumeric(value))
      quiet = logical(value);
    else
      error('proposalsForFolder:badOption', ...
            'proposalsForFolder: option %d is not Workers (a whole number >= 1), MexFolder or Quiet.', ...
            (k + 1) / 2);
    end
  end
end
