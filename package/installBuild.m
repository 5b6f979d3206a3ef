% Builds the package's MEX files during `pkg install`.
%
% pkg copies inst/ into the package's folder and then moves inst/<arch>/ into
% the architecture-dependent folder, where the MEX files belong. GNU Octave
% reads a MEX file's help only from a .m file of the same name in the same
% folder, so buildMex writes the MEX files and their help files together
% into inst/<arch>/.
arch = [__octave_config_info__("canonical_host_type"), "-", __octave_config_info__("api_version")];
outdir = fullfile ("..", "inst", arch);
built = buildMex (outdir);  % stops with an error when a compile fails
if (isempty (built))
  error ("regionkit: the package holds no function to build");
endif
