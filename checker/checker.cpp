#include "checker/checker.h"

#include <cstdlib>
#include <filesystem>
#include <hunspell.hxx>
#include <mutex>

#include "engine/transliterate.h"

namespace zv::checker {

struct Checker::State {
    Hunspell hunspell;
    std::mutex mutex;

    State(const std::string& aff, const std::string& dic) : hunspell(aff.c_str(), dic.c_str()) {}
};

Checker::Checker(std::unique_ptr<State> state) : state_(std::move(state)) {}
Checker::~Checker() = default;

std::optional<std::string> Checker::FindDictionary() {
    if (const char* given = std::getenv("ZV_DICTIONARY"); given && *given) return given;
    std::vector<std::string> folders;
    if (const char* path = std::getenv("DICPATH"); path && *path) {
        std::string_view rest = path;
        while (!rest.empty()) {
            const std::size_t colon = std::min(rest.find(':'), rest.size());
            if (colon > 0) folders.emplace_back(rest.substr(0, colon));
            rest.remove_prefix(std::min(colon + 1, rest.size()));
        }
    }
    for (const char* folder : {"/usr/share/hunspell", "/usr/share/myspell/dicts",
                               "/usr/share/myspell", "/usr/local/share/hunspell"}) {
        folders.emplace_back(folder);
    }
    for (const std::string& folder : folders) {
        const std::string base = folder + "/lv_LV";
        std::error_code error;
        if (std::filesystem::is_regular_file(base + ".aff", error) &&
            std::filesystem::is_regular_file(base + ".dic", error)) {
            return base;
        }
    }
    return std::nullopt;
}

std::unique_ptr<Checker> Checker::Open(const std::string& base) {
    const std::string aff = base + ".aff", dic = base + ".dic";
    std::error_code error;
    if (!std::filesystem::is_regular_file(aff, error) ||
        !std::filesystem::is_regular_file(dic, error)) {
        return nullptr;
    }
    return std::unique_ptr<Checker>(new Checker(std::make_unique<State>(aff, dic)));
}

std::unique_ptr<Checker> Checker::OpenDefault() {
    const auto base = FindDictionary();
    return base ? Open(*base) : nullptr;
}

std::vector<Finding> Checker::Check(std::u16string_view, std::stop_token) const {
    return {};  // skeleton: the word check comes next
}

std::optional<WordVerdict> Checker::CheckWord(std::u16string_view) const {
    return std::nullopt;  // skeleton: the word check comes next
}

std::u16string ReferencesToLetters(std::u16string_view converted) {
    return std::u16string(converted);  // skeleton
}

}  // namespace zv::checker
