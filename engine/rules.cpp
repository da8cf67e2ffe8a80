// The rule table. Its order is part of its meaning: every rule is applied to the complete
// result of the one before, so the same rules in another order give other results.
#include <array>

#include "engine/rule_limits.h"
#include "engine/transliterate.h"

namespace zv {
namespace {

constexpr std::array<Rule, 123> kRules{{
    // Apostrophe forms: an apostrophe before a letter becomes the pair for that letter.
    {u"'A", u"Aa"},
    {u"'a", u"aa"},
    {u"'C", u"Ch"},
    {u"'c", u"ch"},
    {u"'E", u"Ee"},
    {u"'e", u"ee"},
    {u"'G", u"Gj"},
    {u"'g", u"gj"},
    {u"'I", u"Ii"},
    {u"'i", u"ii"},
    {u"'K", u"Kj"},
    {u"'k", u"kj"},
    {u"'L", u"Lj"},
    {u"'l", u"lj"},
    {u"'N", u"Nj"},
    {u"'n", u"nj"},
    {u"'R", u"Rj"},
    {u"'r", u"rj"},
    {u"'S", u"Sh"},
    {u"'s", u"sh"},
    {u"'U", u"Uu"},
    {u"'u", u"uu"},
    {u"'Z", u"Zh"},
    {u"'z", u"zh"},

    // Pairs to numeric character references.
    {u"Aa", u"&#256;"},
    {u"aa", u"&#257;"},
    {u"Ch", u"&#268;"},
    {u"ch", u"&#269;"},
    {u"Ee", u"&#274;"},
    {u"ee", u"&#275;"},
    {u"Gj", u"&#290;"},
    {u"gj", u"&#291;"},
    {u"Ii", u"&#298;"},
    {u"ii", u"&#299;"},
    {u"Kj", u"&#310;"},
    {u"kj", u"&#311;"},
    {u"Lj", u"&#315;"},
    {u"lj", u"&#316;"},
    {u"Nj", u"&#325;"},
    {u"nj", u"&#326;"},
    {u"Rj", u"&#342;"},
    {u"rj", u"&#343;"},
    {u"Sh", u"&#352;"},
    {u"sh", u"&#353;"},
    {u"Uu", u"&#362;"},
    {u"uu", u"&#363;"},
    {u"Zh", u"&#381;"},
    {u"zh", u"&#382;"},

    // First word repairs, written against the references made above.
    {u"i&#275;j", u"ieej"},
    {u"pi&#275;e", u"pie&#275;"},
    {u"p&#257;a", u"pa&#257;"},
    {u"s&#257;s", u"saas"},
    {u"s&#257;u", u"saau"},
    {u"s&#257;a", u"sa&#257;"},
    {u"ka&#343;er", u"karjer"},
    {u"Ka&#343;er", u"Karjer"},
    {u"ba&#343;er", u"barjer"},
    {u"Ba&#343;er", u"Barjer"},
    {u"n&#275;b", u"neeb"},
    {u"N&#275;b", u"Neeb"},
    {u"n&#275;f", u"neef"},
    {u"N&#275;f", u"Neef"},
    {u"n&#275;k", u"neek"},
    {u"N&#275;k", u"Neek"},
    {u"n&#275;l", u"neel"},
    {u"N&#275;l", u"Neel"},
    {u"n&#275;s", u"nees"},
    {u"N&#275;s", u"Nees"},
    {u"n&#275;d", u"ne&#275;d"},
    {u"N&#275;d", u"Ne&#275;d"},
    {u"n&#275;ed", u"ne&#275;d"},
    {u"N&#275;ed", u"Ne&#275;d"},
    {u"n&#275;er", u"ne&#275;r"},
    {u"N&#275;er", u"Ne&#275;r"},
    {u"N&#275;evel", u"Ne&#275;vel"},
    {u"n&#275;evel", u"ne&#275;vel"},
    {u"nees&#257;", u"n&#275;s&#257;"},
    {u"Nees&#257;", u"N&#275;s&#257;"},

    // Nordic letters to named references.
    {u"\u00E5", u"&aring;"},
    {u"\u00C5", u"&Aring;"},
    {u"\u00E4", u"&auml;"},
    {u"\u00C4", u"&Auml;"},
    {u"\u00D6", u"&Ouml;"},
    {u"\u00F6", u"&ouml;"},

    // Second word repairs.
    {u"i&#316;on", u"iljon"},
    {u"u&#316;on", u"uljon"},
    {u"i&#275;lp", u"ieelp"},
    {u"p&#257;d", u"paad"},
    {u"paad&#299;te", u"p&#257;d&#299;te"},
    {u"p&#257;rt", u"paart"},
    {u"paarti", u"p&#257;rti"},
    {u"paarto", u"p&#257;rto"},
    {u"paarta", u"p&#257;rta"},
    {u"paartus", u"p&#257;rtus"},
    {u"p&#257;u", u"paau"},
    {u"p&#257;i", u"paai"},
    {u"i&#275;e", u"ie&#275;"},
    {u"i&#275;&#316;", u"iee&#316;"},

    // Hyphen escapes: a hyphen between the two letters of a pair keeps them apart.
    {u"A-a", u"Aa"},
    {u"a-a", u"aa"},
    {u"C-h", u"Ch"},
    {u"c-h", u"ch"},
    {u"E-e", u"Ee"},
    {u"e-e", u"ee"},
    {u"G-j", u"Gj"},
    {u"g-j", u"gj"},
    {u"I-i", u"Ii"},
    {u"i-i", u"ii"},
    {u"K-j", u"Kj"},
    {u"k-j", u"kj"},
    {u"L-j", u"Lj"},
    {u"l-j", u"lj"},
    {u"N-j", u"Nj"},
    {u"n-j", u"nj"},
    {u"R-j", u"Rj"},
    {u"r-j", u"rj"},
    {u"S-h", u"Sh"},
    {u"s-h", u"sh"},
    {u"U-u", u"Uu"},
    {u"u-u", u"uu"},
    {u"Z-h", u"Zh"},
    {u"z-h", u"zh"},

    // Line breaks.
    {u"\r\n", u"<Br>"},
}};

// A table the machine cannot run does not compile; the error names the rule at fault.
static_assert(TableFits<kRules>());

}  // namespace

std::span<const Rule> RuleTable() noexcept { return kRules; }

bool IsHintWord(std::u16string_view text) noexcept {
    constexpr std::u16string_view kWords[] = {u"paaris", u"Paaris", u"saarts",  u"Saarts",
                                              u"saarta", u"saara",  u"saarshu", u"saarsim"};
    for (auto word : kWords) {
        if (text == word) return true;
    }
    return false;
}

}  // namespace zv
