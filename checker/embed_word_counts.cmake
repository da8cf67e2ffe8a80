# Writes OUTPUT, a C++ source that holds the text of the word counts table INPUT (none when
# INPUT is empty): cmake -DINPUT=table.tsv -DOUTPUT=word_counts_table.cpp -P this file.
# The text goes in as raw string literals of at most 60,000 bytes each, cut at line ends, as
# a compiler need not take longer literals.
set(parts "")
if(INPUT)
    file(READ "${INPUT}" text)
    string(LENGTH "${text}" length)
    set(start 0)
    while(start LESS length)
        math(EXPR remaining "${length} - ${start}")
        if(remaining GREATER 60000)
            string(SUBSTRING "${text}" ${start} 60000 piece)
            string(FIND "${piece}" "\n" cut REVERSE)
            if(cut LESS 0)
                message(FATAL_ERROR "${INPUT}: a line of more than 60,000 bytes")
            endif()
            math(EXPR take "${cut} + 1")
            string(SUBSTRING "${piece}" 0 ${take} piece)
        else()
            string(SUBSTRING "${text}" ${start} -1 piece)
            set(take ${remaining})
        endif()
        string(APPEND parts "    R\"zv_counts(${piece})zv_counts\",\n")
        math(EXPR start "${start} + ${take}")
    endwhile()
endif()
file(WRITE "${OUTPUT}.new" "// Made by checker/embed_word_counts.cmake from ${INPUT}; do not edit.
#include <string_view>
#include <vector>

namespace zv::checker {

const std::vector<std::string_view>& WordCountsTable() {
    static const std::vector<std::string_view> parts{
${parts}    };
    return parts;
}

}  // namespace zv::checker
")
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
