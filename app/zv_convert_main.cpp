// zv-convert: the command-line converter (convert/zv_convert.h).
#include <malloc.h>

#include "atomic_file/atomic_file.h"
#include "convert/zv_convert.h"

int main(int argc, char** argv) {
    // Interrupted, ended or hung up while -o is written: no half-written hidden file is left.
    // A reader that goes away ends the program quietly, by SIGPIPE, as it ends cat or sed; the
    // error message and status 74 come only where whoever started it ignores SIGPIPE.
    zv::RemoveTemporaryFileOnSignals();
    // The program is short-lived and its buffers are large: they come from the heap and stay
    // there when freed, to be used again, instead of being mapped and unmapped one by one,
    // each time with fresh pages that the system must clear.
    mallopt(M_MMAP_THRESHOLD, 64 << 20);
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
    mallopt(M_TOP_PAD, 8 << 20);
    return zv::cli::RunZvConvert(argc, argv);
}
