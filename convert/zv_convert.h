// zv-convert, the command-line converter, as a library: its options, its inputs read and
// checked, its output to standard output or to the -o file replaced whole, the conversion, the
// check and the restoring of marks. The executable's main (app/zv_convert_main.cpp) sets the
// process up and calls RunZvConvert.
#pragma once

namespace zv::cli {

// Runs zv-convert on its command line. A run that succeeds ends the process itself with its
// status (std::_Exit: the large buffers are not freed one by one); otherwise the message is on
// standard error, an unfinished -o file removed, and the exit status returned.
int RunZvConvert(int argc, char** argv);

}  // namespace zv::cli
