// Where a typed word ends. The typing core converts word by word, so it may cut the text only
// where converting the pieces gives what converting the whole line gives; test_word_ends holds
// these roles to the rule table.
#pragma once

namespace zv::ime {

enum class Role {
    // Part of the word: letters of any script, the conventions' apostrophe and hyphen, and '&'
    // (which may begin a character reference typed as such, "&#257;").
    kLetter,
    // Ends the word: a blank, Tab, a control character, punctuation and symbols. No rule's find
    // text holds one, nor does any character reference.
    kWordEnd,
    // A line end (CR, LF): ends the word; only the line-break rule holds it.
    kLineEnd,
    // A digit, '#' or ';': part of a word that holds a '&' (a character reference typed as
    // such: "R&#299;ga", "&#x101;"), otherwise a word end.
    kInReference,
};

Role RoleOf(char32_t c);

}  // namespace zv::ime
