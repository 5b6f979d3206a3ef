function [previous, counts] = resumeResults(resultsFile)
%RESUMERESULTS  Cut a results file of proposalsForFolder back to its complete images.
%   [PREVIOUS, COUNTS] = RESUMERESULTS(RESULTSFILE) gives the images complete
%   in RESULTSFILE and their box counts, and makes the file ready to append
%   to, by the rule regionkit's Python folder runner follows too (see
%   python/regionkit/folders.py): a new (or empty) file gets the header
%   line. The last image named in the file may have been cut short by a
%   crash, and so may its last line: the lines from that image's first one
%   on are removed (the image is run again). Files that failed and images
%   without boxes leave no line, so they are tried again too. A file that is
%   not a results file is refused and left as it is.
  header = sprintf('image,x,y,w,h,score\n');
  previous = {};
  counts = zeros(0, 1);
  text = '';
  if exist(resultsFile, 'file')
    text = fileread(resultsFile);
  end
  if isempty(text) || (numel(text) <= numel(header) && strncmp(text, header, numel(text)))
    % New, empty, or cut short within the header.
    writeText(resultsFile, header, 'w');
    return;
  end
  if ~strncmp(text, header, numel(header))
    error('proposalsForFolder:notResults', ['proposalsForFolder: %s exists and is not a results file ' ...
          '(its first line is not "image,x,y,w,h,score"); give another name, or remove it.'], resultsFile);
  end
  complete = find(text == sprintf('\n'), 1, 'last');  % a last line without its end is cut short
  body = text(numel(header) + 1:complete);
  [starts, tokens] = regexp(body, '^"((?:[^"\n]|"")*)",[^\n]*\n', 'start', 'tokens', 'lineanchors');
  if numel(starts) ~= sum(body == sprintf('\n'))
    error('proposalsForFolder:notResults', ['proposalsForFolder: %s has lines that are not "image",x,y,w,h,' ...
          'score; give another name, or remove it.'], resultsFile);
  end
  named = cell(1, numel(tokens));
  for k = 1:numel(tokens)
    named{k} = strrep(tokens{k}{1}, '""', '"');
  end
  keep = numel(header);
  if ~isempty(named)
    last = numel(named);
    while last > 1 && strcmp(named{last - 1}, named{end})
      last = last - 1;
    end
    keep = numel(header) + starts(last) - 1;
    named = named(1:last - 1);
  end
  if keep < numel(text)
    % Written beside the file, then renamed over it: a stop in between
    % leaves the old file whole.
    partial = [resultsFile '.partial'];
    writeText(partial, text(1:keep), 'w');
    [ok, message] = movefile(partial, resultsFile, 'f');
    if ~ok
      error('proposalsForFolder:cannotWrite', 'proposalsForFolder: cannot repair %s: %s', resultsFile, message);
    end
  end
  [previous, ~, which] = unique(named);
  counts = accumarray(which(:), 1, [numel(previous), 1]);
end

function writeText(file, text, how)
  fid = fopen(file, how);
  if fid < 0
    error('proposalsForFolder:cannotWrite', 'proposalsForFolder: cannot write %s.', file);
  end
  fprintf(fid, '%s', text);
  fclose(fid);
end
