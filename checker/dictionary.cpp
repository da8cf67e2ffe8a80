#include "checker/dictionary.h"

#include <hunspell.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <vector>

#include "engine/utf8.h"

namespace zv::checker {
namespace {

// Common Latvian words, with the forms of every part of speech, of the six noun declensions in
// several cases, of verbs in several persons and tenses, and from across the alphabet, which a
// Latvian dictionary accepts: hunspell reads what it can and says nothing, so an empty, cut
// short or foreign dictionary shows only in what it rejects. An .aff file cut short loses the
// suffixes that make the inflected forms ("gadā", "mājas"), a .dic file cut short the stems late
// in the alphabet ("ziema", "žurnāla"). The five first are the commonest; UTF-8, one space
// between words.
constexpr std::string_view kProbeWords =
    "un ir ar kas Rīga bet vai par tas viņš mēs gads gadā laiks darba cilvēki brālis ūdens "
    "tirgus māja mājas dienā skolā valodu zeme upes sirds naktī būt bija būs iet gāja nāk "
    "redzēt runā strādāja dzīvo zinu var liels lielā laba jauna viens divi trīs pirmais ļoti "
    "šodien Latvijā ziema žurnāla ziņojumu";

}  // namespace

std::vector<std::string> Checker::DictionaryFolders() {
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
    return folders;
}

std::optional<std::string> Checker::FindDictionary() {
    if (const char* given = std::getenv("ZV_DICTIONARY"); given && *given) return given;
    for (const std::string& folder : DictionaryFolders()) {
        const std::string base = folder + "/lv_LV";
        std::error_code error;
        if (std::filesystem::is_regular_file(base + ".aff", error) &&
            std::filesystem::is_regular_file(base + ".dic", error)) {
            return base;
        }
    }
    return std::nullopt;
}
std::unique_ptr<Dictionary> Dictionary::Open(const std::string& base, Checker::Unusable* why,
                                             std::string* rejected) {
    using Unusable = Checker::Unusable;
    const auto fail = [why](Unusable reason) {
        if (why) *why = reason;
        return nullptr;
    };
    const std::string aff = base + ".aff", dic = base + ".dic";
    std::error_code error;
    if (!std::filesystem::is_regular_file(aff, error) ||
        !std::filesystem::is_regular_file(dic, error)) {
        return fail(Unusable::Missing);
    }
    Hunhandle* hunspell = Hunspell_create(aff.c_str(), dic.c_str());
    if (!hunspell) return fail(Unusable::Unreadable);
    std::unique_ptr<Dictionary> dictionary(new Dictionary(hunspell));
    for (std::string_view rest = kProbeWords; !rest.empty();) {
        const std::string word(rest.substr(0, rest.find(' ')));
        rest.remove_prefix(std::min(word.size() + 1, rest.size()));
        if (Hunspell_spell(hunspell, word.c_str()) == 0) {
            if (rejected) *rejected = word;
            return fail(Unusable::NotLatvian);
        }
    }
    dictionary->starts_ = WordStarts::Read(aff, dic);
    return dictionary;
}

Dictionary::~Dictionary() { Hunspell_destroy(hunspell_); }

bool Dictionary::Spell(std::u16string_view word) {
    utf8_.clear();
    AppendUtf8(word, utf8_);
    return Hunspell_spell(hunspell_, utf8_.c_str()) != 0;
}

}  // namespace zv::checker
