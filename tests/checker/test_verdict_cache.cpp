// The verdict cache keeps what it is given for each word, and past kMaxCached words forgets
// them all at once and starts again.
#include <gtest/gtest.h>

#include <string>

#include "checker/verdict_cache.h"

namespace {

using zv::checker::Entry;
using zv::checker::kMaxCached;
using zv::checker::VerdictCache;

// Entries told apart by their flags: the first counted and Latvian, the second neither.
Entry Marked(bool first) { return Entry{first, first, nullptr}; }

TEST(VerdictCache, WordsAreToldApart) {
    VerdictCache cache;
    EXPECT_EQ(cache.Find(u"galds"), nullptr);
    cache.Add(u"galds", Marked(true));
    cache.Add(u"galda", Marked(false));
    ASSERT_NE(cache.Find(u"galds"), nullptr);
    ASSERT_NE(cache.Find(u"galda"), nullptr);
    EXPECT_TRUE(cache.Find(u"galds")->latvian);
    EXPECT_FALSE(cache.Find(u"galda")->latvian);
    EXPECT_EQ(cache.Find(u"galdi"), nullptr);
    EXPECT_EQ(cache.Find(u"Galds"), nullptr);  // letter case is part of the word
}

TEST(VerdictCache, ForgetsAllPastItsLimit) {
    VerdictCache cache;
    auto word = [](std::size_t i) {
        return std::u16string{u'w', char16_t(u'a' + i % 26), char16_t(0x100 + i / 26 % 1024),
                              char16_t(0x1000 + i / 26 / 1024)};
    };
    for (std::size_t i = 0; i < kMaxCached; ++i) cache.Add(word(i), Marked(true));
    // Full, and every word still there.
    for (std::size_t i : {std::size_t{0}, kMaxCached / 2, kMaxCached - 1}) {
        EXPECT_NE(cache.Find(word(i)), nullptr) << i;
    }
    // One more: the old ones are gone, the new one is kept.
    cache.Add(u"jauns", Marked(false));
    for (std::size_t i : {std::size_t{0}, kMaxCached / 2, kMaxCached - 1}) {
        EXPECT_EQ(cache.Find(word(i)), nullptr) << i;
    }
    ASSERT_NE(cache.Find(u"jauns"), nullptr);
    EXPECT_FALSE(cache.Find(u"jauns")->latvian);
    // And it fills again from there.
    cache.Add(word(0), Marked(true));
    EXPECT_NE(cache.Find(word(0)), nullptr);
}

}  // namespace
