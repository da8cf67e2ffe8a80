// Compiles the lexicon's tables into the file the program maps (see lexicon_file.h), and writes
// a header that holds the file's checksum, by which the library knows its own file:
//
//   zv-make-lexicon FORMS BIGRAMS DICTIONARY_FORMS OUTPUT CHECKSUM_HEADER
//
// FORMS: "form<TAB>count" lines, BIGRAMS: "form<TAB>form<TAB>count" lines (an empty first form
// is a line's start, a comma is a form of its own), DICTIONARY_FORMS: a form a line; lines starting
// with '#' are notes, and a form with a letter outside the lexicon's alphabet is left out. Run at
// build time.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "engine/utf8.h"
#include "lexicon/lexicon_file.h"

namespace {

using namespace zv::lexicon::file;

// The end of a form: its last kEndingLetters letters, or all of a shorter one.
constexpr std::uint32_t kEndingLetters = 3;

// The symbols of form's letters; empty when one is outside the alphabet.
std::vector<std::uint8_t> Symbols(std::string_view form) {
    std::vector<std::uint8_t> out;
    while (!form.empty()) {
        const auto c = zv::DecodeUtf8(form);
        const unsigned s = Symbol(c.code_point);
        if (s == 0) return {};
        out.push_back(static_cast<std::uint8_t>(s));
        form.remove_prefix(c.length);
    }
    return out;
}

// A form of the tables: letters of the alphabet, or a comma (a word of its own in the pairs).
bool IsForm(std::string_view form) { return form == "," || !Symbols(form).empty(); }

std::string EndingOf(std::string_view form) {
    std::vector<std::size_t> starts;
    for (std::size_t i = 0; i < form.size(); i += zv::DecodeUtf8(form.substr(i)).length) {
        starts.push_back(i);
    }
    if (starts.size() <= kEndingLetters) return std::string(form);
    return std::string(form.substr(starts[starts.size() - kEndingLetters]));
}

std::vector<std::vector<std::string>> ReadTable(const std::string& path, std::size_t fields) {
    std::ifstream in(path);
    if (!in) throw std::runtime_error(path + ": cannot be read");
    std::vector<std::vector<std::string>> rows;
    std::string line;
    std::size_t number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (line.empty() || line[0] == '#') continue;
        std::vector<std::string> row;
        std::size_t start = 0;
        while (true) {
            const std::size_t tab = line.find('\t', start);
            row.push_back(line.substr(start, tab - start));
            if (tab == std::string::npos) break;
            start = tab + 1;
        }
        if (row.size() != fields) {
            throw std::runtime_error(path + ":" + std::to_string(number) + ": " +
                                     std::to_string(fields) + " fields expected");
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

std::uint32_t Number(const std::string& text) {
    const unsigned long n = std::stoul(text);
    if (n > UINT32_MAX) throw std::runtime_error(text + ": too large a count");
    return static_cast<std::uint32_t>(n);
}

// A table of strings: their records by id, their letters and the hash slots.
struct StringTable {
    std::vector<FormRecord> records;
    std::string text;
    std::vector<std::uint32_t> slots;
    std::unordered_map<std::string, std::uint32_t> ids;

    std::uint32_t Add(const std::string& s) {
        const auto [at, added] = ids.emplace(s, static_cast<std::uint32_t>(records.size()));
        if (added) {
            FormRecord r{};
            r.text = static_cast<std::uint32_t>(text.size());
            r.length = static_cast<std::uint16_t>(s.size());
            records.push_back(r);
            text += s;
        }
        return at->second;
    }
    void MakeSlots() {
        std::size_t size = 16;
        while (size < 2 * records.size()) size *= 2;
        slots.assign(size, 0);
        for (std::uint32_t id = 0; id < records.size(); ++id) {
            const std::string_view s(text.data() + records[id].text, records[id].length);
            std::size_t at = HashText(s) & (size - 1);
            while (slots[at] != 0) at = (at + 1) & (size - 1);
            slots[at] = id + 1;
        }
    }
};

// Pairs (first, next) -> count made into each first's followers, in order of next.
std::vector<FollowRecord> Followers(
    std::map<std::pair<std::uint32_t, std::uint32_t>, std::uint64_t>& pairs,
    std::vector<FormRecord>& records, std::uint64_t* total) {
    std::vector<FollowRecord> out;
    for (const auto& [pair, count] : pairs) {
        FormRecord& r = records[pair.first];
        if (r.follower_count == 0) r.first_follower = static_cast<std::uint32_t>(out.size());
        ++r.follower_count;
        const auto n = static_cast<std::uint32_t>(std::min<std::uint64_t>(count, UINT32_MAX));
        r.follower_total += n;
        if (total) *total += n;
        out.push_back({pair.second, n});
    }
    return out;
}

// The minimal acyclic automaton of words (sorted by symbols, no repeats), built one word at
// a time: the part of the last word's path that the next word does not share is made minimal
// (each node replaced by an equal one already registered) before the next word's own part is
// added.
class WordsAutomaton {
  public:
    void Add(const std::vector<std::uint8_t>& word) {
        std::size_t common = 0;
        while (common < word.size() && common < last_.size() && word[common] == last_[common]) {
            ++common;
        }
        Minimize(common);
        for (std::size_t i = common; i < word.size(); ++i) {
            path_.push_back({});
            path_[path_.size() - 2].edges.push_back({word[i], 0});
        }
        path_.back().final = true;
        last_ = word;
    }

    // The edges of the automaton, node 0 the root.
    std::vector<Edge> Finish() {
        Minimize(0);
        // The root first, then every registered node with edges; a node without edges is
        // reached by an edge whose target is 0.
        std::vector<std::uint32_t> place(nodes_.size(), 0);
        std::uint32_t next = static_cast<std::uint32_t>(path_[0].edges.size());
        for (std::size_t id = 0; id < nodes_.size(); ++id) {
            if (!nodes_[id].edges.empty()) {
                place[id] = next;
                next += static_cast<std::uint32_t>(nodes_[id].edges.size());
            }
        }
        if (next >= kMaxEdges) throw std::runtime_error("too many edges for the lexicon file");
        std::vector<Edge> edges;
        edges.reserve(next);
        const auto write = [&](const Node& node) {
            for (std::size_t e = 0; e < node.edges.size(); ++e) {
                const auto [symbol, child] = node.edges[e];
                Edge edge = symbol | (place[child] << kEdgeTargetShift);
                if (nodes_[child].final) edge |= kEdgeFinal;
                if (e + 1 == node.edges.size()) edge |= kEdgeLast;
                edges.push_back(edge);
            }
        };
        write(path_[0]);
        for (const Node& node : nodes_) {
            if (!node.edges.empty()) write(node);
        }
        return edges;
    }

  private:
    struct Node {
        bool final = false;
        std::vector<std::pair<std::uint8_t, std::uint32_t>> edges;  // symbol, registered child
    };

    void Minimize(std::size_t keep) {
        while (path_.size() > keep + 1) {
            Node node = std::move(path_.back());
            path_.pop_back();
            std::string key(1, node.final ? '1' : '0');
            for (const auto& [symbol, child] : node.edges) {
                key += static_cast<char>(symbol);
                key.append(reinterpret_cast<const char*>(&child), sizeof child);
            }
            auto [at, added] = registry_.emplace(key, static_cast<std::uint32_t>(nodes_.size()));
            if (added) nodes_.push_back(std::move(node));
            path_.back().edges.back().second = at->second;
        }
    }

    std::vector<Node> path_{Node{}};  // the last word's nodes not yet registered, root first
    std::vector<std::uint8_t> last_;
    std::vector<Node> nodes_;  // the registered nodes
    std::unordered_map<std::string, std::uint32_t> registry_;
};

// The marks table (see lexicon_file.h) of the known forms. The reader takes the widest window
// kept: one seen in fewer than kMarkMinForms forms is left out, and so is one with the counts
// of the window a letter narrower (the reader finds those there). 5 rather than 3 keeps 387,000
// windows of 472,000 (the file 13.3 MB rather than 14.0 MB), for 2 words more restored wrong
// of 22,356 on tuning fold 0.
constexpr std::uint32_t kMarkMinForms = 5;

std::vector<std::uint64_t> MarkContexts(const std::vector<std::vector<std::uint8_t>>& words) {
    std::unordered_map<std::uint64_t, std::pair<std::uint64_t, std::uint64_t>> counts;
    std::vector<unsigned> plain;
    for (const auto& word : words) {
        plain.assign(word.begin(), word.end());
        for (unsigned& s : plain) {
            if (s >= 27) s = Symbol(static_cast<char32_t>(kPlainOfMarked[s - 27]));
        }
        for (std::size_t i = 0; i < word.size(); ++i) {
            if (MarkedSymbol(plain[i]) == 0) continue;
            unsigned window[2 * kMarkWindow + 1];
            for (int j = -kMarkWindow; j <= kMarkWindow; ++j) {
                const auto at = static_cast<std::ptrdiff_t>(i) + j;
                window[j + kMarkWindow] =
                    at >= 0 && at < static_cast<std::ptrdiff_t>(word.size()) ? plain[at] : 0;
            }
            for (int width = 0; width <= kMarkWindow; ++width) {
                auto& [unmarked, marked] = counts[MarkKey(width, window)];
                ++(word[i] >= 27 ? marked : unmarked);
            }
        }
    }
    std::vector<std::uint64_t> out;
    constexpr int kLetters = 2 * kMarkWindow + 1;
    for (auto [key, count] : counts) {
        auto [unmarked, marked] = count;
        if (unmarked + marked < kMarkMinForms) continue;
        if (const int width = static_cast<int>(key >> (2 * kMarkCountBits + 5 * kLetters));
            width > 0) {
            unsigned window[kLetters];
            for (int i = 0; i < kLetters; ++i) {
                window[i] = (key >> (2 * kMarkCountBits + 5 * (kLetters - 1 - i))) & 0x1F;
            }
            if (counts.at(MarkKey(width - 1, window)) == count) continue;
        }
        if (const std::uint64_t most = std::max(unmarked, marked); most > kMarkCountMax) {
            unmarked = unmarked * kMarkCountMax / most;
            marked = marked * kMarkCountMax / most;
        }
        out.push_back(key | (unmarked << kMarkCountBits) | marked);
    }
    std::sort(out.begin(), out.end());
    return out;
}

template <typename T>
void Append(std::string& out, const std::vector<T>& items, SectionPlace& place) {
    place.offset = out.size();
    place.size = items.size() * sizeof(T);
    out.append(reinterpret_cast<const char*>(items.data()), place.size);
    out.resize((out.size() + 7) / 8 * 8, '\0');
}

int Run(int argc, char** argv) {
    if (argc != 6) {
        std::cerr << "usage: zv-make-lexicon FORMS BIGRAMS DICTIONARY_FORMS OUTPUT HEADER\n";
        return 64;
    }
    StringTable forms;
    forms.Add("");  // a line's start
    std::uint64_t total_count = 0;
    for (const auto& row : ReadTable(argv[1], 2)) {
        if (row[0].empty() || Symbols(row[0]).empty()) continue;
        const std::uint32_t id = forms.Add(row[0]);
        forms.records[id].count = Number(row[1]);
        total_count += forms.records[id].count;
    }
    std::map<std::pair<std::uint32_t, std::uint32_t>, std::uint64_t> pairs, ending_pairs;
    StringTable endings;
    endings.Add("");
    for (const auto& row : ReadTable(argv[2], 3)) {
        if ((!row[0].empty() && !IsForm(row[0])) || !IsForm(row[1])) continue;
        const std::uint32_t first = forms.Add(row[0]), next = forms.Add(row[1]);
        const std::uint32_t n = Number(row[2]);
        pairs[{first, next}] += n;
        const std::uint32_t from = endings.Add(EndingOf(row[0])),
                            to = endings.Add(EndingOf(row[1]));
        endings.records[to].count += n;
        ending_pairs[{from, to}] += n;
    }
    std::uint64_t total_followers = 0;
    const auto followers = Followers(pairs, forms.records, &total_followers);
    const auto ending_followers = Followers(ending_pairs, endings.records, nullptr);
    forms.MakeSlots();
    endings.MakeSlots();

    std::vector<std::vector<std::uint8_t>> words;
    for (std::uint32_t id = 1; id < forms.records.size(); ++id) {
        const FormRecord& r = forms.records[id];
        auto symbols = Symbols(std::string_view(forms.text.data() + r.text, r.length));
        if (!symbols.empty()) words.push_back(std::move(symbols));
    }
    for (const auto& row : ReadTable(argv[3], 1)) {
        auto symbols = Symbols(row[0]);
        if (symbols.empty()) continue;
        words.push_back(std::move(symbols));
        if (const auto counted = forms.ids.find(row[0]); counted != forms.ids.end()) {
            forms.records[counted->second].flags |= kInDictionary;
        }
    }
    // Sorted through string views: GCC 12 at -O3 takes the vectors' own <=> for a memcmp of
    // unbounded length (-Wstringop-overread).
    std::sort(words.begin(), words.end(), [](const auto& a, const auto& b) {
        return std::basic_string_view<unsigned char>(a.data(), a.size()) <
               std::basic_string_view<unsigned char>(b.data(), b.size());
    });
    words.erase(std::unique(words.begin(), words.end()), words.end());
    WordsAutomaton automaton;
    for (const auto& word : words) automaton.Add(word);
    const std::vector<Edge> edges = automaton.Finish();
    const std::vector<std::uint64_t> marks = MarkContexts(words);

    Header header{};
    std::memcpy(header.magic, kMagic, sizeof kMagic);
    header.version = kVersion;
    header.ending_letters = kEndingLetters;
    header.total_count = total_count;
    header.total_followers = total_followers;
    std::string out(sizeof(Header), '\0');
    const std::vector<char> form_text(forms.text.begin(), forms.text.end());
    const std::vector<char> ending_text(endings.text.begin(), endings.text.end());
    Append(out, forms.records, header.sections[kForms]);
    Append(out, form_text, header.sections[kFormText]);
    Append(out, forms.slots, header.sections[kFormSlots]);
    Append(out, followers, header.sections[kFollowers]);
    Append(out, endings.records, header.sections[kEndings]);
    Append(out, ending_text, header.sections[kEndingText]);
    Append(out, endings.slots, header.sections[kEndingSlots]);
    Append(out, ending_followers, header.sections[kEndingFollowers]);
    Append(out, marks, header.sections[kMarks]);
    Append(out, edges, header.sections[kWords]);
    header.file_size = out.size();
    std::memcpy(out.data(), &header, sizeof header);
    header.checksum = Checksum(reinterpret_cast<const unsigned char*>(out.data()), out.size());
    std::memcpy(out.data(), &header, sizeof header);

    std::ofstream file(argv[4], std::ios::binary | std::ios::trunc);
    file.write(out.data(), static_cast<std::streamsize>(out.size()));
    file.close();
    if (!file) throw std::runtime_error(std::string(argv[4]) + ": cannot be written");
    std::ostringstream checksum;
    checksum << "// Made by zv-make-lexicon; do not edit.\n#pragma once\n#include <cstdint>\n"
             << "namespace zv::lexicon::file {\ninline constexpr std::uint64_t kBuiltChecksum = 0x"
             << std::hex << header.checksum
             << "ull;\ninline constexpr std::uint64_t kBuiltSize = " << std::dec << out.size()
             << ";\n}  // namespace zv::lexicon::file\n";
    std::ofstream header_file(argv[5], std::ios::trunc);
    header_file << checksum.str();
    header_file.close();
    if (!header_file) throw std::runtime_error(std::string(argv[5]) + ": cannot be written");
    std::cout << argv[4] << ": " << forms.records.size() - 1 << " counted forms, " << words.size()
              << " words in " << edges.size() << " edges, " << followers.size() << " word pairs, "
              << endings.records.size() << " endings, " << marks.size() << " mark contexts, "
              << out.size() << " bytes\n";
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return Run(argc, argv);
    } catch (const std::exception& error) {
        std::cerr << "zv-make-lexicon: " << error.what() << '\n';
        return 1;
    }
}
