function names = benchFunctions (script)
  % Defines, as command-line functions, every function that the bench script
  % `script` defines (its Octave versions and data generators), without running
  % the script, so that another script can time exactly the same code.
  % Returns their names.
  text = fileread (script);
  [blocks, names] = regexp (text, '^function\s[^\n]*?(\w+)\s*\([^\n]*\n.*?^endfunction', ...
                            "match", "tokens", "lineanchors");
  if (isempty (blocks))
    error ("benchFunctions: %s defines no functions", script);
  endif
  names = cellfun (@(t) t{1}, names, "UniformOutput", false);
  for i = 1:numel (blocks)
    eval (blocks{i});
  endfor
endfunction
