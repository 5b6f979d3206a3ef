function names = pluginNames ()
  % The functions of this source tree, sorted: every top-level folder whose
  % CMakeLists.txt calls regionkit_plugin(), the same list the build reads.
  root = fileparts (fileparts (mfilename ("fullpath")));
  names = {};
  for d = dir (root)'
    list = fullfile (root, d.name, "CMakeLists.txt");
    if (d.isdir && exist (list, "file") == 2
        && ! isempty (regexp (fileread (list), '(^|\n)regionkit_plugin\(', "once")))
      names{end+1} = d.name;
    endif
  endfor
  names = sort (names);
endfunction
