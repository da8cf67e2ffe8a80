#include "checker/word_counts.h"

#include <array>
#include <charconv>
#include <string>
#include <unordered_map>
#include <vector>

#include "checker/letters.h"
#include "checker/word_starts.h"
#include "engine/utf8.h"

namespace zv::checker {

// The table's text, in pieces (generated from the table by embed_word_counts.cmake).
const std::vector<std::string_view>& WordCountsTable();

namespace {

using Counts = TextMap<std::uint32_t>;

Counts ReadTable() {
    Counts counts;
    for (std::string_view rest : WordCountsTable()) {
        while (!rest.empty()) {
            const std::size_t end = std::min(rest.find('\n'), rest.size());
            const std::string_view line = rest.substr(0, end);
            rest.remove_prefix(std::min(end + 1, rest.size()));
            const std::size_t tab = line.find('\t');
            if (line.starts_with('#') || tab == std::string_view::npos) continue;
            std::uint32_t count = 0;
            const std::string_view number = line.substr(tab + 1);
            if (std::from_chars(number.data(), number.data() + number.size(), count).ec !=
                std::errc()) {
                continue;
            }
            std::u16string word = ToUtf16(line.substr(0, tab));
            for (char16_t& c : word) c = FoldCase(c);
            counts[std::move(word)] += count;
        }
    }
    return counts;
}

}  // namespace

std::uint32_t LatvianWordCount(std::u16string_view word) {
    static const Counts counts = ReadTable();
    if (counts.empty()) return 0;
    std::array<char16_t, 64> buffer;
    if (word.size() > buffer.size()) return 0;  // no word is that long
    for (std::size_t i = 0; i < word.size(); ++i) buffer[i] = FoldCase(word[i]);
    const auto it = counts.find(std::u16string_view(buffer.data(), word.size()));
    return it == counts.end() ? 0 : it->second;
}

}  // namespace zv::checker
