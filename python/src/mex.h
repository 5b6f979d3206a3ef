/*
 * The host's matrix API as the Python module offers it to the plug-in entries.
 *
 * The same C API GNU Octave and MATLAB give a MEX file, with MATLAB's types,
 * implemented over NumPy buffers (host.cpp). The entries and the gateway are
 * compiled against this header unchanged; each entry's mexFunction is given
 * its own name by the build (mexFunction is defined to <plugin>_mexFunction),
 * so one module holds them all.
 */
#ifndef REGIONKIT_PYTHON_MEX_H
#define REGIONKIT_PYTHON_MEX_H

#include "mexApi.h"

#endif
