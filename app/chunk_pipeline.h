// The command-line converter's two threads: chunks of a text converted on both, and handed
// on in order on the calling one.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace zv::cli {

// Converts the chunks of text that end at ends with convert (which appends a chunk's
// conversion to its second argument), on the calling thread and one other, and hands the
// converted chunks to sink in order, on the calling thread. begin is called before anything
// is handed on; if begin, convert or sink throws, nothing more is handed on and the
// exception passes on. On return the text is no longer read.
void ConvertInTwoThreads(std::string_view text, std::vector<std::size_t> ends,
                         const std::function<void(std::string_view, std::string&)>& convert,
                         const std::function<void()>& begin,
                         const std::function<void(std::string_view)>& sink);

}  // namespace zv::cli
