# The plug-ins: every top-level folder whose CMakeLists.txt calls
# regionkit_plugin() at the start of a line (indented or not). This is the one
# list of them outside MATLAB: the build includes this file, and every tool
# without CMake's configuration (the Makefile, the Octave package, the Octave
# tests and syntax check) runs it as a script, which prints the names:
#   cmake -P cmake/plugins.cmake
# buildMex.m, for MATLAB users without CMake, applies the same rule itself.
# REGIONKIT_ONLY (a list of names) narrows the list.
if(CMAKE_SCRIPT_MODE_FILE)
  cmake_minimum_required(VERSION 3.18)
endif()
if(NOT REGIONKIT_ROOT)
  get_filename_component(REGIONKIT_ROOT ${CMAKE_CURRENT_LIST_DIR} DIRECTORY)
endif()
file(GLOB _regionkit_lists RELATIVE ${REGIONKIT_ROOT} ${REGIONKIT_ROOT}/*/CMakeLists.txt)
set(REGIONKIT_PLUGIN_FOLDERS "")
foreach(_list ${_regionkit_lists})
  file(READ ${REGIONKIT_ROOT}/${_list} _text)
  if(_text MATCHES "(^|\n)[ \t]*regionkit_plugin[ \t]*\\(")
    get_filename_component(_folder ${_list} DIRECTORY)
    if(NOT REGIONKIT_ONLY OR _folder IN_LIST REGIONKIT_ONLY)
      list(APPEND REGIONKIT_PLUGIN_FOLDERS ${_folder})
    endif()
  endif()
endforeach()
list(SORT REGIONKIT_PLUGIN_FOLDERS)
if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
  string(REPLACE ";" " " _names "${REGIONKIT_PLUGIN_FOLDERS}")
  execute_process(COMMAND ${CMAKE_COMMAND} -E echo "${_names}")
endif()
