function names = pluginNames ()
  % The functions of this source tree, sorted, as the build lists them
  % (cmake -P cmake/plugins.cmake prints them).
  root = fileparts (fileparts (mfilename ("fullpath")));
  [status, output] = system (sprintf ('cmake -P "%s"', fullfile (root, "cmake", "plugins.cmake")));
  if (status != 0)
    error ("pluginNames: cmake could not list the functions: %s", output);
  endif
  names = sort (strsplit (strtrim (output), " "));
endfunction
