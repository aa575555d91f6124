#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "exhibit/SortRules.h"

namespace {

ImageEntry E(const wchar_t* path, unsigned long long time = 0) {
    ImageEntry e;
    e.path = path;
    FILETIME t{static_cast<DWORD>(time), static_cast<DWORD>(time >> 32)};
    e.created = e.modified = e.accessed = t;
    return e;
}

std::vector<std::wstring> Paths(const std::vector<ImageEntry>& entries) {
    std::vector<std::wstring> paths;
    for (const ImageEntry& e : entries) paths.push_back(e.path);
    return paths;
}

std::vector<std::wstring> Sorted(std::vector<const wchar_t*> paths, int32_t sortby, bool caseSensitive = false,
                                 bool reverse = false) {
    std::vector<ImageEntry> entries;
    for (const wchar_t* p : paths) entries.push_back(E(p));
    SortEntries(entries, sortby, caseSensitive, reverse);
    return Paths(entries);
}

using Rule = bool (*)(const ImageEntry&, const ImageEntry&, bool);

}  // namespace

TEST(SortRules, TreeKeepsAFoldersOwnFilesBeforeItsSubfolders) {
    const std::vector<std::wstring> expected{L"C:\\p\\b.jpg", L"C:\\p\\z.jpg", L"C:\\p\\q\\a.jpg"};
    EXPECT_EQ(expected, Sorted({L"C:\\p\\z.jpg", L"C:\\p\\q\\a.jpg", L"C:\\p\\b.jpg"}, kSortTree));
    EXPECT_EQ(expected, Sorted({L"C:\\p\\z.jpg", L"C:\\p\\q\\a.jpg", L"C:\\p\\b.jpg"}, kSortTreeStrict));
    // By name the subfolder's file sorts between them.
    const std::vector<std::wstring> byName{L"C:\\p\\b.jpg", L"C:\\p\\q\\a.jpg", L"C:\\p\\z.jpg"};
    EXPECT_EQ(byName, Sorted({L"C:\\p\\z.jpg", L"C:\\p\\q\\a.jpg", L"C:\\p\\b.jpg"}, kSortName));
}

TEST(SortRules, StrictTreeKeepsSiblingFoldersWithLongerNamesApart) {
    const ImageEntry dash = E(L"C:\\p-x\\a.jpg");
    const ImageEntry deep = E(L"C:\\p\\q\\b.jpg");
    for (bool cs : {false, true}) {
        EXPECT_TRUE(TreeLess(dash, deep, cs));   // '-' sorts below '\'
        EXPECT_FALSE(TreeLess(deep, dash, cs));
        EXPECT_FALSE(TreeStrictLess(dash, deep, cs));
        EXPECT_TRUE(TreeStrictLess(deep, dash, cs));
    }
    const std::vector<const wchar_t*> pics{L"C:\\pics-old\\b.jpg", L"C:\\pics\\s\\c.jpg", L"C:\\pics\\a.jpg"};
    EXPECT_EQ((std::vector<std::wstring>{L"C:\\pics\\a.jpg", L"C:\\pics-old\\b.jpg", L"C:\\pics\\s\\c.jpg"}),
              Sorted(pics, kSortTree));
    EXPECT_EQ((std::vector<std::wstring>{L"C:\\pics\\a.jpg", L"C:\\pics\\s\\c.jpg", L"C:\\pics-old\\b.jpg"}),
              Sorted(pics, kSortTreeStrict));
    EXPECT_EQ((std::vector<std::wstring>{L"C:\\pics-old\\b.jpg", L"C:\\pics\\s\\c.jpg", L"C:\\pics\\a.jpg"}),
              Sorted(pics, kSortTreeStrict, false, true));
}

TEST(SortRules, CaseModes) {
    const ImageEntry lower = E(L"C:\\p\\a.jpg");
    const ImageEntry upper = E(L"C:\\p\\A.jpg");
    for (Rule rule : {Rule{TreeLess}, Rule{TreeStrictLess}, Rule{NameLess}}) {
        EXPECT_FALSE(rule(lower, upper, false));
        EXPECT_FALSE(rule(upper, lower, false));
        EXPECT_TRUE(rule(upper, lower, true));
        EXPECT_FALSE(rule(lower, upper, true));
        EXPECT_FALSE(rule(lower, lower, true));
    }
    // Case-insensitive: "B" after "a"; case-sensitive: every capital first.
    EXPECT_EQ((std::vector<std::wstring>{L"C:\\a.jpg", L"C:\\B.jpg"}), Sorted({L"C:\\B.jpg", L"C:\\a.jpg"}, kSortName));
    EXPECT_EQ((std::vector<std::wstring>{L"C:\\B.jpg", L"C:\\a.jpg"}),
              Sorted({L"C:\\a.jpg", L"C:\\B.jpg"}, kSortName, true));
    // Code units compare unsigned; a proper prefix comes first.
    EXPECT_LT(ComparePaths(L"C:\\z", L"C:\\\xE9", true), 0);
    EXPECT_LT(ComparePaths(L"C:\\a", L"C:\\ab", true), 0);
    EXPECT_LT(ComparePaths(L"C:\\a", L"C:\\AB", false), 0);
    EXPECT_EQ(0, ComparePaths(L"C:\\Ab", L"c:\\aB", false));
    // The tree's prefix tests stay exact when the comparison ignores case.
    EXPECT_TRUE(TreeLess(E(L"C:\\A\\x.jpg"), E(L"C:\\a\\y\\z.jpg"), false));
}

TEST(SortRules, TimeRulesOrderOldestFirstAndReverseShowsNewestFirst) {
    std::vector<ImageEntry> entries{E(L"C:\\b.jpg", 300), E(L"C:\\a.jpg", 100), E(L"C:\\c.jpg", 0x100000000ULL)};
    entries[0].accessed = FILETIME{5, 0};
    EXPECT_TRUE(ModifiedLess(entries[1], entries[0]));
    EXPECT_TRUE(CreatedLess(entries[0], entries[2]));   // the high word counts
    EXPECT_FALSE(AccessedLess(entries[1], entries[1]));
    SortEntries(entries, kSortModified, false, true);
    EXPECT_EQ((std::vector<std::wstring>{L"C:\\c.jpg", L"C:\\b.jpg", L"C:\\a.jpg"}), Paths(entries));
    SortEntries(entries, kSortAccessed, false, false);
    EXPECT_EQ(L"C:\\b.jpg", entries[0].path);
}

// The fast sort works from precomputed keys; with the same comparison answers
// a stable sort gives the very same order, so any key mistake shows.
TEST(SortRules, FastSortAgreesWithTheRulesOnRandomTrees) {
    std::mt19937 random(1234);
    const std::vector<std::wstring> parts{L"a", L"A", L"b", L"pics", L"Pics", L"pics-old", L"p", L"p-x", L"q",
                                          L"\xE9t\xE9", L"\xC9T\xC9", L"x_y", L"x y", L"x!", L"z9", L"Z10"};
    const std::vector<std::wstring> roots{L"C:\\", L"C:\\Users\\me\\Pictures\\", L"D:\\"};
    std::vector<ImageEntry> input;
    for (int i = 0; i < 600; ++i) {
        std::wstring path = roots[random() % roots.size()];
        const int depth = static_cast<int>(random() % 4);
        for (int d = 0; d < depth; ++d) path += parts[random() % parts.size()] + L"\\";
        path += parts[random() % parts.size()] + L".jpg";
        input.push_back(E(path.c_str(), random() % 50));
    }
    struct Case {
        int32_t by;
        bool (*rule)(const ImageEntry&, const ImageEntry&, bool);
        bool (*timeRule)(const ImageEntry&, const ImageEntry&);
    };
    const Case cases[] = {{kSortTree, TreeLess, nullptr},       {kSortTreeStrict, TreeStrictLess, nullptr},
                          {kSortName, NameLess, nullptr},       {kSortCreated, nullptr, CreatedLess},
                          {kSortModified, nullptr, ModifiedLess}, {kSortAccessed, nullptr, AccessedLess}};
    for (const Case& c : cases) {
        for (bool cs : {false, true}) {
            std::vector<ImageEntry> expected = input;
            if (c.rule)
                std::stable_sort(expected.begin(), expected.end(),
                                 [&](const ImageEntry& a, const ImageEntry& b) { return c.rule(a, b, cs); });
            else
                std::stable_sort(expected.begin(), expected.end(), c.timeRule);
            std::vector<ImageEntry> fast = input;
            SortEntries(fast, c.by, cs, false);
            EXPECT_EQ(Paths(expected), Paths(fast)) << "sortby " << c.by << " case " << cs;
            std::reverse(expected.begin(), expected.end());
            fast = input;
            SortEntries(fast, c.by, cs, true);
            EXPECT_EQ(Paths(expected), Paths(fast)) << "reverse sortby " << c.by << " case " << cs;
        }
    }
}

TEST(RandomOrder, IndexIsUniformAndRepeatableForASeed) {
    std::mt19937 a(42), b(42);
    std::vector<int> counts(7, 0);
    for (int i = 0; i < 70000; ++i) {
        const int32_t v = RandomIndex(a, 7);
        ASSERT_EQ(v, RandomIndex(b, 7));
        ASSERT_GE(v, 0);
        ASSERT_LT(v, 7);
        ++counts[v];
    }
    for (int c : counts) EXPECT_NEAR(c, 10000, 500);
    EXPECT_EQ(0, RandomIndex(a, 1));
    EXPECT_EQ(0, RandomIndex(a, 0));
    // The division rule itself: with the engine's first output known.
    std::mt19937 known(5489);
    const uint32_t first = std::mt19937(5489)();
    EXPECT_EQ(static_cast<int32_t>(first / (0xFFFFFFFFu / 1000)), RandomIndex(known, 1000));
    std::mt19937 big(9);
    for (int i = 0; i < 1000; ++i) ASSERT_LT(RandomIndex(big, 0x7FFFFFFF), 0x7FFFFFFF);
}

TEST(RandomOrder, ShuffleReachesEveryOrderAndRepeatsForASeed) {
    const std::vector<ImageEntry> three{E(L"a"), E(L"b"), E(L"c")};
    std::mt19937 engine(2024);
    std::map<std::vector<std::wstring>, int> seen;
    for (int i = 0; i < 6000; ++i) {
        std::vector<ImageEntry> list = three;
        ShuffleEntries(list, engine);
        ++seen[Paths(list)];
    }
    EXPECT_EQ(6u, seen.size());
    for (const auto& [order, count] : seen) EXPECT_NEAR(count, 1000, 150);

    std::vector<ImageEntry> many;
    for (int i = 0; i < 50; ++i) many.push_back(E(std::to_wstring(i).c_str()));
    std::vector<ImageEntry> x = many, y = many;
    std::mt19937 ex(77), ey(77);
    ShuffleEntries(x, ex);
    ShuffleEntries(y, ey);
    EXPECT_EQ(Paths(x), Paths(y));
    EXPECT_NE(Paths(x), Paths(many));
    ShuffleEntries(y, ey);   // not reseeded: another order
    EXPECT_NE(Paths(x), Paths(y));

    std::vector<ImageEntry> none, one{E(L"only")};
    ShuffleEntries(none, engine);
    ShuffleEntries(one, engine);
    EXPECT_EQ(L"only", one[0].path);
}
