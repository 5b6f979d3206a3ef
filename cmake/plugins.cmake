# The plug-ins: every top-level folder whose CMakeLists.txt calls
# regionkit_plugin(). This is the one list of them; buildMex.m and the package
# read the same files. REGIONKIT_ONLY (a list of names) narrows it.
file(GLOB _regionkit_lists RELATIVE ${REGIONKIT_ROOT} ${REGIONKIT_ROOT}/*/CMakeLists.txt)
set(REGIONKIT_PLUGIN_FOLDERS "")
foreach(_list ${_regionkit_lists})
  file(READ ${REGIONKIT_ROOT}/${_list} _text)
  if(_text MATCHES "(^|\n)regionkit_plugin\\(")
    get_filename_component(_folder ${_list} DIRECTORY)
    if(NOT REGIONKIT_ONLY OR _folder IN_LIST REGIONKIT_ONLY)
      list(APPEND REGIONKIT_PLUGIN_FOLDERS ${_folder})
    endif()
  endif()
endforeach()
list(SORT REGIONKIT_PLUGIN_FOLDERS)
