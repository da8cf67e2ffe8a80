#include "checker/readings.h"

#include <utility>

#include "checker/letters.h"
#include "checker/word_starts.h"
#include "engine/references.h"

namespace zv::checker {
namespace {

Reading Same(std::u16string_view typed) {
    return {std::u16string(typed), std::u16string(typed), std::u16string(typed)};
}

char16_t At(std::u16string_view word, std::size_t k) { return k < word.size() ? word[k] : 0; }

// The unit of the reference at word[i] (or of a lone '&'): it stands for its letter, though a
// word repair may undo the decimal one ("kreis&#257;s" gives "kreisaas"); the hexadecimal one
// no rule touches.
Unit ReferenceUnit(std::u16string_view word, std::size_t i) {
    Unit unit;
    const auto reference = NumericReferenceAt(word.substr(i));
    unit.typed = word.substr(i, reference ? reference->length : 1);
    std::u16string letter = ReferencesToLetters(unit.typed);
    std::u16string hex = letter.size() == 1 ? HexReference(letter[0]) : std::u16string(unit.typed);
    unit.readings = {{std::move(letter), std::u16string(unit.typed), std::move(hex)}};
    return unit;
}

// The unit of the apostrophe form at word[i] ("'s"): its letter, or the apostrophe and the
// letter as typed.
Unit ApostropheUnit(std::u16string_view word, std::size_t i) {
    const char16_t next = word[i + 1];
    const char16_t letter = PairLetter(next, PairSecond(next));
    Unit unit;
    unit.typed = word.substr(i, 2);
    unit.readings = {{std::u16string(1, letter), std::u16string(unit.typed), HexReference(letter)},
                     {std::u16string(unit.typed), u"&#x27;" + std::u16string(1, next),
                      u"&#x27;" + std::u16string(1, next)}};
    return unit;
}

// The conversion rewrites "'e" to "ee" before it pairs letters, so the same vowel just before
// (before, a unit of one letter) takes the first of those two: "ne'e" gives "nēe" where "neē"
// was meant. before becomes the vowel and the apostrophe form at word[i].
void JoinApostrophe(Unit& before, std::u16string_view word, std::size_t i) {
    const char16_t next = word[i + 1];
    const char16_t letter = PairLetter(next, PairSecond(next));
    const char16_t plain = before.typed[0], taken = PairLetter(plain, next);
    before.typed = word.substr(i - 1, 3);
    before.readings = {
        {std::u16string{plain, letter}, plain + HexReference(letter), plain + HexReference(letter)},
        {std::u16string{taken, next}, std::u16string(before.typed), HexReference(taken) + next}};
}

// The unit of the pair at word[i], which makes letter: the letter, or the two letters typed.
// Three equal vowels: the conversion pairs the first two, but the long vowel may as well be
// the second.
Unit PairUnit(std::u16string_view word, std::size_t i, char16_t letter) {
    const char16_t c = word[i], next = word[i + 1], third = At(word, i + 2);
    Unit unit;
    unit.pair = true;
    if (third == next && PairLetter(next, third) && !PairLetter(third, At(word, i + 3))) {
        const char16_t second = PairLetter(next, third);
        unit.typed = word.substr(i, 3);
        const std::u16string plain(1, c);
        unit.readings = {
            {std::u16string{letter, third}, std::u16string(unit.typed),
             HexReference(letter) + third},
            {std::u16string{c, second}, plain + HexReference(second), plain + HexReference(second)},
            {std::u16string(unit.typed), std::u16string{c, u'-', next} + HexReference(third),
             std::u16string{c, u'-', next} + HexReference(third)}};
    } else {
        unit.typed = word.substr(i, 2);
        unit.readings = {
            {std::u16string(1, letter), std::u16string(unit.typed), HexReference(letter)},
            {std::u16string(unit.typed), std::u16string{c, u'-', next},
             std::u16string{c, u'-', next}}};
    }
    return unit;
}

// In a word of capitals, a pair read as two letters is read as two capitals ("Sh" as "SH"),
// and two capitals that make a pair in small letters ("SH", "EE") stand for the capital
// letter as often as for the two letters. Other words' units are returned as they are.
std::vector<Unit> ReadInCapitals(std::vector<Unit> units) {
    std::u16string letters;
    for (const Unit& unit : units) letters += unit.readings[0].letters;
    if (!IsCapitalsWord(letters)) return units;
    std::vector<Unit> merged;
    for (Unit& unit : units) {
        if (unit.pair && unit.typed.size() == 2) {
            const std::u16string two{unit.typed[0], ToCapital(unit.typed[1])};
            unit.readings[1] = Same(two);
        }
        if (!merged.empty() && unit.readings.size() == 1 && unit.typed.size() == 1 &&
            merged.back().readings.size() == 1 && merged.back().typed.size() == 1) {
            const char16_t first = merged.back().typed[0], second = unit.typed[0];
            if (const char16_t letter =
                    IsCapital(second) ? PairLetter(first, ToSmall(second)) : 0) {
                Unit& pair = merged.back();
                pair.typed = std::u16string_view(pair.typed.data(), 2);
                pair.readings = {{std::u16string(1, letter), std::u16string{first, ToSmall(second)},
                                  HexReference(letter)},
                                 Same(pair.typed)};
                continue;
            }
        }
        merged.push_back(std::move(unit));
    }
    return merged;
}

}  // namespace

std::vector<Unit> SplitWord(std::u16string_view word) {
    std::vector<Unit> units;
    std::size_t i = 0;
    while (i < word.size()) {
        const char16_t c = word[i], next = At(word, i + 1);
        Unit unit;
        if (c == u'&') {
            unit = ReferenceUnit(word, i);
        } else if (c == u'\'' && PairLetter(next, PairSecond(next))) {
            if (!units.empty() && units.back().typed.size() == 1 &&
                PairLetter(units.back().typed[0], next)) {
                JoinApostrophe(units.back(), word, i);
                i += 2;
                continue;
            }
            unit = ApostropheUnit(word, i);
        } else if (const char16_t letter = PairLetter(c, next)) {
            unit = PairUnit(word, i, letter);
        } else if (next == u'-' && PairLetter(c, At(word, i + 2)) &&
                   !PairLetter(At(word, i + 2), At(word, i + 3))) {
            // A hyphen escape the conversion will find: the two letters as typed.
            unit.typed = word.substr(i, 3);
            unit.readings = {{std::u16string{c, At(word, i + 2)}, std::u16string(unit.typed),
                              std::u16string(unit.typed)}};
        } else {
            unit.typed = word.substr(i, 1);
            unit.readings = {Same(unit.typed)};
        }
        i += unit.typed.size();
        units.push_back(std::move(unit));
    }
    return ReadInCapitals(std::move(units));
}

std::vector<Unit> WithMarks(const std::vector<Unit>& units, const WordStarts* starts) {
    std::vector<Unit> out;
    out.reserve(units.size());
    for (const Unit& unit : units) {
        Unit plain = unit;
        const char16_t c = unit.typed.size() == 1 ? unit.typed[0] : 0;
        const char16_t second = unit.readings.size() == 1 ? PairSecond(c) : 0;
        const char16_t marked = second ? PairLetter(c, second) : 0;
        if (marked && (!starts || starts->Uses(marked))) {
            plain.readings.push_back(
                {std::u16string(1, marked), std::u16string{c, second}, HexReference(marked)});
        }
        out.push_back(std::move(plain));
    }
    return out;
}

}  // namespace zv::checker
