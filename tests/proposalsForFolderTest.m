% examples/proposalsForFolder.m: a folder of mixed files gives the same results
% file with one worker and with two, each box with its own score (best first
% although candidates refit to the same box), a bad file is named and
% skipped, a stopped run finishes to the same file, and nothing is written
% where there is nothing to do.

%!function folder = sceneFolder ()
%!  % Small scenes of coloured blocks: colour, grey, colour with alpha, a name
%!  % with spaces, a file that only looks like an image, and a text file.
%!  folder = tempname ();
%!  mkdir (folder);
%!  [X, Y] = meshgrid (1:120, 1:90);
%!  for k = 1:5
%!    img = repmat (reshape ([0.55 0.56 0.57], 1, 1, 3), 90, 120);
%!    for b = 0:2
%!      inside = X >= 10 + 30 * b + k & X < 30 + 30 * b + k & Y >= 10 + 20 * b & Y < 35 + 20 * b;
%!      colour = [0.85 0.15 0.15; 0.2 0.7 0.25; 0.2 0.3 0.85](b + 1, :);
%!      for c = 1:3
%!        layer = img(:, :, c);
%!        layer(inside) = colour(c);
%!        img(:, :, c) = layer;
%!      endfor
%!    endfor
%!    imwrite (img, fullfile (folder, sprintf ("scene %d.png", k)));
%!  endfor
%!  imwrite (uint8 (255 * mean (img, 3)), fullfile (folder, "grey.png"));
%!  imwrite (img, fullfile (folder, "alpha.png"), "Alpha", ones (90, 120));
%!  fid = fopen (fullfile (folder, "broken.png"), "w");
%!  fputs (fid, "not an image\n");
%!  fclose (fid);
%!  fid = fopen (fullfile (folder, "notes.txt"), "w");
%!  fputs (fid, "read me\n");
%!  fclose (fid);
%!endfunction

%!function removeFolder (folder)
%!  confirm_recursive_rmdir (false, "local");
%!  rmdir (folder, "s");
%!endfunction

%!test
%! root = fileparts (which ("buildMex"));
%! addpath (fullfile (root, "examples"));
%! folder = sceneFolder ();
%! unwind_protect
%!   one = fullfile (folder, "one worker.csv");
%!   two = fullfile (folder, "two workers.csv");
%!   s1 = []; s2 = [];
%!   evalc ('s1 = proposalsForFolder (folder, one, "Workers", 1);');
%!   evalc ('s2 = proposalsForFolder (folder, two, "Workers", 2);');
%!   assert (s1.images, {"alpha.png", "broken.png", "grey.png", "scene 1.png", "scene 2.png", "scene 3.png", ...
%!                       "scene 4.png", "scene 5.png"});
%!   assert (s1.failed, {"broken.png"});
%!   assert (s2.failed, {"broken.png"});
%!   assert (s1.mode, "loop");
%!   assert (s2.mode, merge (isempty (pkg ("list", "parallel")), "loop", "parcellfun"));
%!   assert (all (s1.boxes([1 3:end]) > 0));
%!   assert (fileread (two), fileread (one));
%!   % Each box's line names its image, spaces and all, in image order, and
%!   % the scores never increase within an image.
%!   lines = strsplit (strtrim (fileread (one)), "\n");
%!   assert (lines{1}, "image,x,y,w,h,score");
%!   rows = regexp (lines(2:end), '^"([^"]*)",(.*)$', "tokens", "once");
%!   named = cellfun (@(t) t{1}, rows, "uniformoutput", false);
%!   values = cell2mat (cellfun (@(t) str2num (t{2}), rows, "uniformoutput", false)');
%!   assert (unique (named, "stable"), s1.images([1 3:end]));
%!   assert (numel (named), sum (s1.boxes([1 3:end])));
%!   [~, ~, image] = unique (named);
%!   assert (all (diff (values(:, 5)) <= 0 | diff (image(:)) != 0));
%!   % A run stopped anywhere (within the header, at the end of an image's
%!   % lines, within a line) and started again gives the same file; so does
%!   % a second run over a complete file.
%!   whole = fileread (one);
%!   ends = find (whole == "\n");
%!   firstOf = ends(find (! strncmp (lines(2:end), lines{2}, numel ("\"alpha.png\"")), 1));
%!   cut = fullfile (folder, "cut.csv");
%!   for at = [0, 7, ends(1), firstOf, firstOf + 12, ends(end - 1) + 3, numel(whole)]
%!     fid = fopen (cut, "w");
%!     fputs (fid, whole(1:at));
%!     fclose (fid);
%!     s = [];
%!     evalc ('s = proposalsForFolder (folder, cut);');
%!     assert (fileread (cut), whole, sprintf ("stopped after %d bytes", at));
%!     assert (s.boxes, s1.boxes);
%!     assert (s.failed, {"broken.png"});
%!   endfor
%!   assert (s.previous, 6);  % all but the last image, which is run again
%!   % Missing results file, or one that is not a results file: refused.
%!   fid = fopen (cut, "w");
%!   fputs (fid, "name,count\n");
%!   fclose (fid);
%!   fail ("evalc ('proposalsForFolder (folder, cut)')", "is not a results file");
%!   assert (fileread (cut), "name,count\n");
%!   fail ("proposalsForFolder (folder)", "results file \\(RESULTSFILE, the second argument\\) is missing");
%!   % A folder without images: nothing written.
%!   empty = fullfile (folder, "empty");
%!   mkdir (empty);
%!   s = [];
%!   evalc ('s = proposalsForFolder (empty, fullfile (empty, "out.csv"));');
%!   assert (isempty (s.images) && ! exist (fullfile (empty, "out.csv"), "file"));
%! unwind_protect_cleanup
%!   removeFolder (folder);
%!   rmpath (fullfile (root, "examples"));
%! end_unwind_protect

%!test
%! % The results files the Python folder runner is tested against: each cut
%! % back to the same bytes, or refused and left as it was.
%! root = fileparts (which ("buildMex"));
%! addpath (fullfile (root, "examples"));
%! fixtures = fullfile (root, "python", "tests", "results_files");
%! cases = dir (fullfile (fixtures, "*.given.csv"));
%! assert (numel (cases) >= 5);
%! for k = 1:numel (cases)
%!   given = fullfile (fixtures, cases(k).name);
%!   kept = strrep (given, ".given.csv", ".kept.csv");
%!   file = [tempname() ".csv"];
%!   copyfile (given, file);
%!   unwind_protect
%!     if exist (kept, "file")
%!       resumeResults (file);
%!       assert (fileread (file), fileread (kept), cases(k).name);
%!     else
%!       try
%!         resumeResults (file);
%!         error ("not refused: %s", cases(k).name);
%!       catch err
%!         assert (err.identifier, "proposalsForFolder:notResults");
%!       end_try_catch
%!       assert (fileread (file), fileread (given));
%!     endif
%!   unwind_protect_cleanup
%!     delete (file);
%!   end_unwind_protect
%! endfor

