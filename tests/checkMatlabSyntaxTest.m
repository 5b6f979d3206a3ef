% tools/checkMatlabSyntax.m: every Octave-only form is reported at its line,
% valid MATLAB that looks like one is not, and the files MATLAB users run pass.

%!function problems = checkText (text)
%!  file = [tempname() ".m"];
%!  fid = fopen (file, "w");
%!  fputs (fid, text);
%!  fclose (fid);
%!  unwind_protect
%!    evalc ("problems = checkMatlabSyntax (file);");
%!  unwind_protect_cleanup
%!    delete (file);
%!  end_unwind_protect
%!endfunction

%!function lines = reportedLines (problems)
%!  lines = cellfun (@(p) str2double (regexp (p, '\.m:(\d+):', "tokens", "once"){1}), problems);
%!endfunction

%!test
%! forms = {"x = 1;  # a hash comment", "if x, y = 2; endif", "for k = 1:2, endfor", ...
%!          "while false, endwhile", "switch x, case 1, endswitch", "try, catch, end_try_catch", ...
%!          "unwind_protect", "y = ~x;", "y = !x;", "y = x != 2;", "x++;", "x += 1;", "x .*= 2;", ...
%!          "y = x ** 2;", "s = ""text"";", "printf ('%d', 1);", "puts ('a');", "fputs (stdout, 'a');", ...
%!          "fdisp (stdout, x);", "a = argv ();", "n = rows (x);", "n = columns (x);", ...
%!          "y = size (x)(1);", "y = nthargout (2, @max, x);", "v = __octave_config_info__ ();", ...
%!          "do", "until (true)", "y = x + ...", "  1;", "y = [1, \\", "2];", "y = max (1,", "2);"};
%! text = sprintf ("function f (x)\n%s\nend\n", strjoin (forms, "\n"));
%! lines = reportedLines (checkText (text));
%! % Line 1 is the header; "y = ~x;" (9), the ... continuation (29, 30), "2];" (32)
%! % and "2);" (34) are valid.
%! expected = setdiff (2:numel (forms) + 1, [9 29 30 32 34]);
%! assert (unique (lines), expected);

%!test
%! % Default argument values, and script code after a local function.
%! assert (reportedLines (checkText ("function y = f (x = 1)\n  y = x;\nend\n")), 1);
%! assert (reportedLines (checkText ("x = 1;\nfunction y = g ()\n  if true\n    y = 2;\n  end\nend\ndisp (x);\n")), 7);
%! assert (isempty (checkText ("x = 1;\ndisp (x);\nfunction y = g ()\n  y = x(end);\nend\n")));

%!test
%! % Strings, comments and transposes that only look like Octave-only forms.
%! valid = {"s = 'a # b % c !';", "t = 'it''s \"quoted\" x != y';", "y = x' * x';", ...
%!          "z = [x' 'str'];", "w = x.';", "if x ~= 1 && x >= 2 && x <= 3, end", ...
%!          "f = @(v)(v + 1);", "c = {x}; d = c{1}(1);", "% printf (\"hi\")  # endif", ...
%!          "fprintf ('%s\\n', 'ok');", "x(end + 1) = rows;", "a = b - -c;"};
%! problems = checkText (sprintf ("function f (x, b, c)\n%s\nend\n", strjoin (valid, "\n")));
%! assert (problems, {});

%!test
%! % The help files, Contents.m, buildMex.m, the self-test and the demo pass.
%! evalc ("problems = checkMatlabSyntax ();");
%! assert (problems, {});
