// The command-line converter's two threads: chunks of a text converted on both, and handed
// on in order on the calling one.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace zv::cli {

// A chunk of a text: its bytes, a view into a text that lasts (a mapped file) or into storage;
// or, when converted is set, its conversion already, in storage (text that its producer had to
// convert itself, as it could not be cut).
struct Chunk {
    std::string storage;
    std::string_view text;
    bool converted = false;
};

// Converts the chunks that next produces, in order, until it returns false, with convert
// (which appends a chunk's conversion to its second argument), on the calling thread and one
// other, and hands the converted chunks to sink in order, on the calling thread. next is called
// on the calling thread only, one chunk ahead or a few. begin is called before anything is
// handed on: at once when hold is 0; otherwise once next has ended, or once hold converted bytes
// wait, so that a short text is read whole before anything is handed on. Converted chunks wait
// for at most about max(hold, 16 MB) bytes at a time, whatever the text's length. If begin,
// next, convert or sink throws, nothing more is handed on and the exception passes on. On
// return no chunk is being converted, and next is not called again.
void ConvertInTwoThreads(const std::function<bool(Chunk&)>& next,
                         const std::function<void(std::string_view, std::string&)>& convert,
                         std::size_t hold, const std::function<void()>& begin,
                         const std::function<void(std::string_view)>& sink);

}  // namespace zv::cli
