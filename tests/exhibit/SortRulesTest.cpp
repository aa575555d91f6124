// The exhibit's orders: the comparison rules, the fast sort that must agree
// with them, the random index and the shuffle.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "exhibit/SortRules.h"

namespace {

// An entry created, modified and accessed at `time`.
ImageEntry E(const std::wstring& path, unsigned long long time = 0) {
    const FILETIME t{DWORD(time), DWORD(time >> 32)};
    return {path, t, t, t};
}

std::vector<std::wstring> Paths(const std::vector<ImageEntry>& entries) {
    std::vector<std::wstring> paths;
    for (const ImageEntry& e : entries) paths.push_back(e.path);
    return paths;
}

using Rule = bool (*)(const ImageEntry&, const ImageEntry&, bool);

}  // namespace

TEST(SortRules, PairsThatTellTheRulesApart) {
    const struct { Rule rule; const wchar_t *a, *b; bool caseSensitive, less; } cases[] = {
        // A folder's own files before its subfolders, by the tree rules only.
        {TreeLess, L"C:\\p\\z.jpg", L"C:\\p\\q\\a.jpg", false, true},
        {TreeStrictLess, L"C:\\p\\z.jpg", L"C:\\p\\q\\a.jpg", true, true},
        {NameLess, L"C:\\p\\z.jpg", L"C:\\p\\q\\a.jpg", false, false},
        {TreeLess, L"C:\\a.jpg", L"C:\\b\\long\\x.jpg", false, true},   // shorter than the other's folder
        {TreeLess, L"C:\\p\\q", L"C:\\p\\q\\a.jpg", false, true},          // exactly the other's folder
        // A sibling whose name extends the folder's: '-' sorts below '\', but the strict tree keeps the subtree first.
        {TreeLess, L"C:\\p-x\\a.jpg", L"C:\\p\\q\\b.jpg", false, true},
        {TreeStrictLess, L"C:\\p-x\\a.jpg", L"C:\\p\\q\\b.jpg", false, false},
        {TreeStrictLess, L"C:\\p\\q\\b.jpg", L"C:\\p-x\\a.jpg", true, true},
        // Case: equal when ignored, capitals first when not; the tree's prefix test stays exact.
        {NameLess, L"C:\\p\\A.jpg", L"C:\\p\\a.jpg", false, false},
        {NameLess, L"C:\\p\\A.jpg", L"C:\\p\\a.jpg", true, true},
        {TreeStrictLess, L"C:\\p\\a.jpg", L"C:\\p\\A.jpg", true, false},
        {NameLess, L"C:\\B.jpg", L"C:\\a.jpg", true, true},
        {TreeLess, L"C:\\A\\x.jpg", L"C:\\a\\y\\z.jpg", false, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.rule(E(c.a), E(c.b), c.caseSensitive), c.less) << testing::PrintToString(std::wstring(c.a)) << " "
                                                                      << testing::PrintToString(std::wstring(c.b));
    // Code units compare unsigned; a proper prefix comes first.
    EXPECT_LT(ComparePaths(L"C:\\z", L"C:\\\xE9", true), 0);
    EXPECT_LT(ComparePaths(L"C:\\a", L"C:\\AB", false), 0);
    EXPECT_EQ(ComparePaths(L"C:\\Ab", L"c:\\aB", false), 0);
    // Times: the high word counts; reverse shows the newest first.
    std::vector<ImageEntry> timed{E(L"b", 300), E(L"a", 100), E(L"c", 0x100000000ULL)};
    timed[0].accessed = FILETIME{5, 0};
    EXPECT_TRUE(CreatedLess(timed[0], timed[2]) && ModifiedLess(timed[1], timed[0])
                && !AccessedLess(timed[1], timed[1]));
    SortEntries(timed, kSortModified, false, true);
    EXPECT_EQ(Paths(timed), (std::vector<std::wstring>{L"c", L"b", L"a"}));
    SortEntries(timed, kSortAccessed, false, false);
    EXPECT_EQ(timed[0].path, L"b");
}

// The fast sort works from precomputed keys; with the same comparison answers
// a stable sort gives the very same order, so any key mistake shows.
TEST(SortRules, TheFastSortAgreesWithTheRulesOnRandomTrees) {
    std::mt19937 random(1234);
    const std::vector<std::wstring> parts{L"a", L"A", L"b", L"pics", L"Pics", L"pics-old", L"p", L"p-x", L"q",
                                          L"\xE9t\xE9", L"\xC9T\xC9", L"x_y", L"x y", L"x!", L"z9", L"Z10"};
    const std::vector<std::wstring> roots{L"C:\\", L"C:\\Users\\me\\Pictures\\", L"D:\\"};
    std::vector<ImageEntry> input;
    for (int i = 0; i < 600; ++i) {
        std::wstring path = roots[random() % roots.size()];
        for (int d = int(random() % 4); d > 0; --d) path += parts[random() % parts.size()] + L"\\";
        input.push_back(E(path + parts[random() % parts.size()] + L".jpg", random() % 50));
    }
    const Rule rules[] = {TreeLess, TreeStrictLess, NameLess};
    const decltype(&CreatedLess) timeRules[] = {CreatedLess, ModifiedLess, AccessedLess};
    for (int32_t by = kSortTree; by <= kSortAccessed; ++by)
        for (const bool cs : {false, true}) {
            std::vector<ImageEntry> expected = input, fast = input, reversed = input;
            std::stable_sort(expected.begin(), expected.end(), [&](const ImageEntry& a, const ImageEntry& b) {
                return by <= kSortName ? rules[by](a, b, cs) : timeRules[by - kSortCreated](a, b);
            });
            SortEntries(fast, by, cs, false);
            SortEntries(reversed, by, cs, true);
            std::reverse(reversed.begin(), reversed.end());
            EXPECT_TRUE(Paths(expected) == Paths(fast) && Paths(expected) == Paths(reversed))
                << "sortby " << by << " case " << cs;
        }
}

// The index follows its division rule and stays in range; the shuffle
// reaches every order evenly.
TEST(RandomOrder, IndexAndShuffle) {
    std::mt19937 known(5489), engine(42);
    EXPECT_EQ(RandomIndex(known, 1000), int32_t(std::mt19937(5489)() / (0xFFFFFFFFu / 1000)));
    for (int i = 0; i < 10000; ++i) ASSERT_LT(uint32_t(RandomIndex(engine, 7)), 7u);
    std::map<std::vector<std::wstring>, int> seen;
    for (int i = 0; i < 6000; ++i) {
        std::vector<ImageEntry> list{E(L"a"), E(L"b"), E(L"c")};
        ShuffleEntries(list, engine);
        ++seen[Paths(list)];
    }
    EXPECT_EQ(seen.size(), 6u);
    for (const auto& [order, count] : seen) EXPECT_NEAR(count, 1000, 150);
}
