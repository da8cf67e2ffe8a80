#include "lexicon/lexicon.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <span>

#include "engine/utf8.h"
#include "lexicon/built_lexicon.h"
#include "lexicon/lexicon_file.h"

namespace zv::lexicon {

using namespace file;

namespace {

// Whether a file or folder may be read for the lexicon: owned by root or by this user, and no
// one else may write to it (a folder anyone may write to only when it is sticky, as /tmp is,
// where others cannot replace what is ours).
bool Owned(const struct stat& st, bool folder) {
    if (st.st_uid != 0 && st.st_uid != geteuid()) return false;
    if ((st.st_mode & (S_IWGRP | S_IWOTH)) == 0) return true;
    return folder && (st.st_mode & S_ISVTX) != 0;
}

// The file at path opened for reading, when it and every folder above it are Owned; -1 and
// the reason in error otherwise.
int OpenTrusted(const std::string& path, std::string& error) {
    std::error_code code;
    const std::filesystem::path real = std::filesystem::canonical(path, code);
    if (code) {
        error = path + ": " + code.message();
        return -1;
    }
    for (std::filesystem::path folder = real.parent_path();; folder = folder.parent_path()) {
        struct stat st {};
        if (stat(folder.c_str(), &st) != 0 || !Owned(st, true)) {
            error = folder.string() + ": a folder someone else may write to";
            return -1;
        }
        if (folder == folder.root_path()) break;
    }
    const int fd = open(real.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        error = real.string() + ": " + std::strerror(errno);
        return -1;
    }
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || !Owned(st, false)) {
        error = real.string() + ": not a file of root's or this user's that only they may change";
        close(fd);
        return -1;
    }
    return fd;
}

std::string_view TextAt(const char* text, const FormRecord& r) { return {text + r.text, r.length}; }

}  // namespace

struct Lexicon::Mapped {
    const unsigned char* data = nullptr;
    std::size_t size = 0;
    const Header* header = nullptr;

    std::span<const FormRecord> forms, endings;
    const char* form_text = nullptr;
    const char* ending_text = nullptr;
    std::span<const std::uint32_t> form_slots, ending_slots;
    std::span<const FollowRecord> followers, ending_followers;
    std::span<const Edge> edges;
    std::span<const std::uint64_t> marks;

    Mapped() = default;
    Mapped(const Mapped&) = delete;
    Mapped& operator=(const Mapped&) = delete;
    ~Mapped() {
        if (data) munmap(const_cast<unsigned char*>(data), size);
    }

    template <typename T>
    std::span<const T> SectionOf(Section s) const {
        const SectionPlace& place = header->sections[s];
        return {reinterpret_cast<const T*>(data + place.offset), place.size / sizeof(T)};
    }

    // Checks the header and that each section lies in the file; the reason in error if not.
    bool Check(std::string& error) {
        if (size < sizeof(Header) || std::memcmp(data, kMagic, sizeof kMagic) != 0) {
            error = "not a lexicon file";
            return false;
        }
        header = reinterpret_cast<const Header*>(data);
        if (header->version != kVersion || header->file_size != size || size % 8 != 0) {
            error = "a lexicon file of another version";
            return false;
        }
        if (ChecksumOfFile() != header->checksum) {
            error = "a damaged lexicon file (wrong checksum)";
            return false;
        }
        for (const SectionPlace& place : header->sections) {
            if (place.offset % 8 != 0 || place.offset > size || place.size > size - place.offset) {
                error = "a damaged lexicon file (a section outside it)";
                return false;
            }
        }
        forms = SectionOf<FormRecord>(kForms);
        endings = SectionOf<FormRecord>(kEndings);
        form_text = reinterpret_cast<const char*>(data + header->sections[kFormText].offset);
        ending_text = reinterpret_cast<const char*>(data + header->sections[kEndingText].offset);
        form_slots = SectionOf<std::uint32_t>(kFormSlots);
        ending_slots = SectionOf<std::uint32_t>(kEndingSlots);
        followers = SectionOf<FollowRecord>(kFollowers);
        ending_followers = SectionOf<FollowRecord>(kEndingFollowers);
        edges = SectionOf<Edge>(kWords);
        marks = SectionOf<std::uint64_t>(kMarks);
        if (forms.empty() || endings.empty() || edges.empty() || form_slots.size() < 2 ||
            ending_slots.size() < 2 || (form_slots.size() & (form_slots.size() - 1)) != 0 ||
            (ending_slots.size() & (ending_slots.size() - 1)) != 0) {
            error = "a damaged lexicon file (empty tables)";
            return false;
        }
        return true;
    }

    std::uint64_t ChecksumOfFile() const noexcept;

    static std::uint32_t Find(std::span<const std::uint32_t> slots,
                              std::span<const FormRecord> records, const char* text,
                              std::string_view s) noexcept {
        const std::size_t mask = slots.size() - 1;
        for (std::size_t at = HashText(s) & mask;; at = (at + 1) & mask) {
            const std::uint32_t slot = slots[at];
            if (slot == 0) return UINT32_MAX;
            if (slot - 1 < records.size() && TextAt(text, records[slot - 1]) == s) return slot - 1;
        }
    }

    static std::uint32_t Pair(std::span<const FollowRecord> all, const FormRecord& first,
                              std::uint32_t next) noexcept {
        if (first.follower_count == 0 || first.first_follower >= all.size()) return 0;
        const auto list = all.subspan(
            first.first_follower,
            std::min<std::size_t>(first.follower_count, all.size() - first.first_follower));
        const auto at =
            std::lower_bound(list.begin(), list.end(), next,
                             [](const FollowRecord& r, std::uint32_t n) { return r.next < n; });
        return at != list.end() && at->next == next ? at->count : 0;
    }
};

// The file's checksum as its writer took it: file::Checksum of the file with the header's
// checksum field 0.
std::uint64_t Lexicon::Mapped::ChecksumOfFile() const noexcept {
    std::uint64_t h = 0x9e3779b97f4a7c15ull ^ size;
    constexpr std::size_t field = offsetof(Header, checksum);
    for (std::size_t i = 0; i + 8 <= size; i += 8) {
        std::uint64_t w = 0;
        if (i != field) std::memcpy(&w, data + i, 8);
        h = (h ^ w) * 0xff51afd7ed558ccdull;
        h = (h << 29) | (h >> 35);
    }
    return h;
}

Lexicon::Lexicon(std::unique_ptr<Mapped> mapped) : mapped_(std::move(mapped)) {}
Lexicon::~Lexicon() = default;

std::unique_ptr<Lexicon> Lexicon::Open(const std::string& path, std::string* error) {
    std::string why;
    const auto fail = [&](std::string reason) -> std::unique_ptr<Lexicon> {
        if (error) *error = std::move(reason);
        return nullptr;
    };
    const int fd = OpenTrusted(path, why);
    if (fd < 0) return fail(why);
    struct stat st {};
    if (fstat(fd, &st) != 0 || st.st_size <= 0) {
        close(fd);
        return fail(path + ": empty");
    }
    auto mapped = std::make_unique<Mapped>();
    mapped->size = static_cast<std::size_t>(st.st_size);
    void* data = mmap(nullptr, mapped->size, PROT_READ, MAP_PRIVATE, fd, 0);
    close(fd);
    if (data == MAP_FAILED) return fail(path + ": " + std::strerror(errno));
    mapped->data = static_cast<const unsigned char*>(data);
    if (!mapped->Check(why)) return fail(path + ": " + why);
    return std::unique_ptr<Lexicon>(new Lexicon(std::move(mapped)));
}

namespace {

struct Process {
    std::unique_ptr<Lexicon> lexicon;
    std::string error;
};

const Process& TheProcess() {
    static const Process process = [] {
        Process p;
        // The installed file first; from the build tree, the one built there. Each must be the
        // very file this build made.
        for (const char* path : {ZV_LEXICON_INSTALLED_PATH, ZV_LEXICON_BUILD_PATH}) {
            std::string why;
            auto lexicon = Lexicon::Open(path, &why);
            if (lexicon &&
                (lexicon->Size() != kBuiltSize || lexicon->Checksum() != kBuiltChecksum)) {
                why = std::string(path) + ": the lexicon of another build";
                lexicon.reset();
            }
            if (lexicon) {
                p.lexicon = std::move(lexicon);
                p.error.clear();
                return p;
            }
            if (!p.error.empty()) p.error += "; ";
            p.error += why;
        }
        return p;
    }();
    return process;
}

}  // namespace

const Lexicon* Lexicon::Get() { return TheProcess().lexicon.get(); }
std::string Lexicon::Error() { return TheProcess().error; }

std::size_t Lexicon::Size() const noexcept { return mapped_->size; }
std::uint64_t Lexicon::Checksum() const noexcept { return mapped_->header->checksum; }

FormId Lexicon::Id(std::string_view form) const noexcept {
    if (form.empty()) return kNoForm;
    return Mapped::Find(mapped_->form_slots, mapped_->forms, mapped_->form_text, form);
}

std::uint32_t Lexicon::Count(FormId id) const noexcept {
    return id < mapped_->forms.size() ? mapped_->forms[id].count : 0;
}

std::uint32_t Lexicon::Count(std::string_view form) const noexcept { return Count(Id(form)); }

std::uint32_t Lexicon::PairCount(FormId first, FormId next) const noexcept {
    if (first >= mapped_->forms.size()) return 0;
    return Mapped::Pair(mapped_->followers, mapped_->forms[first], next);
}

std::uint32_t Lexicon::FollowerTotal(FormId first) const noexcept {
    return first < mapped_->forms.size() ? mapped_->forms[first].follower_total : 0;
}

std::uint64_t Lexicon::TotalCount() const noexcept { return mapped_->header->total_count; }
std::uint64_t Lexicon::RunningWords() const noexcept { return mapped_->header->total_followers; }
std::size_t Lexicon::EndingLetters() const noexcept { return mapped_->header->ending_letters; }

EndingId Lexicon::Ending(std::string_view form) const noexcept {
    // The last EndingLetters() letters: UTF-8 letters start at bytes that are no continuation.
    std::size_t start = form.size(), letters = 0;
    while (start > 0 && letters < EndingLetters()) {
        --start;
        if ((static_cast<unsigned char>(form[start]) & 0xC0) != 0x80) ++letters;
    }
    const std::string_view ending = form.substr(start);
    if (ending.empty()) return kLineStartEnding;
    return Mapped::Find(mapped_->ending_slots, mapped_->endings, mapped_->ending_text, ending);
}

std::uint32_t Lexicon::EndingCount(EndingId id) const noexcept {
    return id < mapped_->endings.size() ? mapped_->endings[id].count : 0;
}

std::uint32_t Lexicon::EndingPairCount(EndingId first, EndingId next) const noexcept {
    if (first >= mapped_->endings.size()) return 0;
    return Mapped::Pair(mapped_->ending_followers, mapped_->endings[first], next);
}

std::uint32_t Lexicon::EndingFollowerTotal(EndingId first) const noexcept {
    return first < mapped_->endings.size() ? mapped_->endings[first].follower_total : 0;
}

Lexicon::MarkCounts Lexicon::MarksAround(std::string_view plain, std::size_t at) const noexcept {
    if (at >= plain.size()) return {};
    unsigned window[2 * kMarkWindow + 1];
    for (int j = -kMarkWindow; j <= kMarkWindow; ++j) {
        const auto k = static_cast<std::ptrdiff_t>(at) + j;
        const bool inside = k >= 0 && k < static_cast<std::ptrdiff_t>(plain.size());
        const char c = inside ? plain[static_cast<std::size_t>(k)] : '\0';
        if (inside && (c < 'a' || c > 'z')) return {};
        window[j + kMarkWindow] = inside ? Symbol(static_cast<char32_t>(c)) : 0;
    }
    if (MarkedSymbol(window[kMarkWindow]) == 0) return {};
    const auto marks = mapped_->marks;
    constexpr int kKeyShift = 2 * kMarkCountBits;
    for (int width = kMarkWindow; width >= 0; --width) {
        const std::uint64_t key = MarkKey(width, window);
        const auto found = std::lower_bound(marks.begin(), marks.end(), key);
        if (found != marks.end() && (*found >> kKeyShift) == (key >> kKeyShift)) {
            return {static_cast<std::uint32_t>((*found >> kMarkCountBits) & kMarkCountMax),
                    static_cast<std::uint32_t>(*found & kMarkCountMax)};
        }
    }
    return {};
}

bool Lexicon::Knows(std::string_view form) const noexcept {
    if (form.empty()) return false;
    const auto edges = mapped_->edges;
    std::size_t node = 0;  // the first edge of the node reached
    bool final = false;
    bool at_root = true;
    while (!form.empty()) {
        const Utf8Character c = DecodeUtf8(form);
        form.remove_prefix(c.length);
        const unsigned symbol = Symbol(c.code_point);
        if (symbol == 0 || (!at_root && node == 0)) return false;
        bool found = false;
        for (std::size_t e = node; e < edges.size(); ++e) {
            if ((edges[e] & kEdgeSymbol) == symbol) {
                node = edges[e] >> kEdgeTargetShift;
                final = (edges[e] & kEdgeFinal) != 0;
                found = true;
                break;
            }
            if (edges[e] & kEdgeLast) break;
        }
        if (!found) return false;
        at_root = false;
    }
    return final;
}

bool Lexicon::InDictionary(std::string_view form) const noexcept {
    const FormId id = Id(form);
    if (id != kNoForm && id < mapped_->forms.size()) {
        return (mapped_->forms[id].flags & kInDictionary) != 0;
    }
    return Knows(form);
}

std::vector<Form> Lexicon::FormsOf(std::string_view plain, std::size_t limit) const {
    std::vector<unsigned> symbols;
    while (!plain.empty()) {
        const Utf8Character c = DecodeUtf8(plain);
        plain.remove_prefix(c.length);
        const unsigned symbol = Symbol(c.code_point);
        if (symbol == 0) return {};
        symbols.push_back(symbol);
    }
    if (symbols.empty()) return {};
    std::vector<Form> found;
    const auto edges = mapped_->edges;
    std::vector<unsigned> path;
    // Depth first: at each letter the edge of the letter typed and, for a plain letter that
    // has one, that of its marked letter.
    const auto walk = [&](const auto& self, std::size_t k, std::size_t node) -> void {
        for (std::size_t e = node; e < edges.size() && found.size() < 4 * limit; ++e) {
            const unsigned symbol = edges[e] & kEdgeSymbol;
            if (symbol == symbols[k] || (symbol != 0 && symbol == MarkedSymbol(symbols[k]))) {
                path.push_back(symbol);
                if (k + 1 == symbols.size()) {
                    if (edges[e] & kEdgeFinal) {
                        std::string form;
                        for (const unsigned s : path) AppendCodePoint(LetterOf(s), form);
                        const std::uint32_t count = Count(form);
                        found.push_back({std::move(form), count});
                    }
                } else if (const std::size_t next = edges[e] >> kEdgeTargetShift; next != 0) {
                    self(self, k + 1, next);
                }
                path.pop_back();
            }
            if (edges[e] & kEdgeLast) break;
        }
    };
    walk(walk, 0, 0);
    std::sort(found.begin(), found.end(), [](const Form& a, const Form& b) {
        return a.count != b.count ? a.count > b.count : a.form < b.form;
    });
    if (found.size() > limit) found.resize(limit);
    return found;
}

}  // namespace zv::lexicon
