// Order of pane rows: ".." first, folders by name, files by name or size.
#include <algorithm>
#include <random>

#include <gtest/gtest.h>

#include "HostListing.h"
#include "PaneSort.h"

namespace {

constexpr uint64_t kMB = 1000000, kGB = 1000000000;

// A row type of another pane, with a member of its own.
struct DeviceRow {
    std::string strName;
    bool bFolder;
    uint64_t nSize;
    int nExtra = 0;
};

std::vector<HostEntry> SampleRows()
{
    return {{"b.txt", false, 3 * kGB}, {"beta", true, 0},    {"A.txt", false, 100 * kMB}, {"..", true, 0},
            {"gamma", true, 0},        {"c.txt", false, 5 * kGB}, {"Alpha", true, 0},      {"d.txt", false, 0}};
}

template <class Row>
std::vector<std::string> Names(const std::vector<Row>& rows)
{
    std::vector<std::string> names;
    for (const Row& r : rows)
        names.push_back(r.strName);
    return names;
}

}  // namespace

TEST(PaneSort, NamesCompareIgnoringCaseAndLocaleAware)
{
    struct Case { const char* a; const char* b; int nSign; };
    for (const Case& c : {Case{"abc", "ABC", 0}, Case{"apple", "Banana", -1}, Case{"Zebra", "apple", 1},
                          Case{"\xc3\x84pfel", "\xc3\xa4pfel", 0},      // Äpfel / äpfel
                          Case{"\xce\xa9mega", "\xcf\x89mega", 0},      // Ωmega / ωmega
                          Case{"file2", "file10", 1},                    // no numeric order
                          Case{"a\xfe", "a\xff", -1},                    // invalid bytes in byte order
                          Case{"a\xc3", "a\xc3\xa9", 1},                 // a cut sequence is not é
                          Case{"A\xff", "a\xff", 0}}) {
        SCOPED_TRACE(std::string(c.a) + " vs " + c.b);
        const int n = CompareNames(c.a, c.b);
        EXPECT_EQ((n > 0) - (n < 0), c.nSign);
        EXPECT_EQ((MakeNameKey(c.a) > MakeNameKey(c.b)) - (MakeNameKey(c.a) < MakeNameKey(c.b)), c.nSign);
    }
}

TEST(PaneSort, ComparatorsCompareOneKeyInEitherDirection)
{
    const HostEntry small{"Big", false, 3 * kGB}, large{"abc", false, 5 * kGB};
    EXPECT_LT(CompareSizeAsc(small, large), 0);  // 64-bit sizes, not truncated
    EXPECT_GT(CompareSizeDesc(small, large), 0);
    EXPECT_EQ(CompareSizeAsc(small, small), 0);
    EXPECT_GT(CompareNameAsc(small, large), 0);
    EXPECT_LT(CompareNameDesc(small, large), 0);
    EXPECT_EQ(CompareNameAsc(HostEntry{"abc", false, 0}, HostEntry{"ABC", false, 1}), 0);
}

TEST(PaneSort, ParentFirstThenFoldersByNameThenFiles)
{
    struct Case { bool bAscending; bool bBySize; std::vector<std::string> expected; };
    const Case cases[] = {
        {true, false, {"..", "Alpha", "beta", "gamma", "A.txt", "b.txt", "c.txt", "d.txt"}},
        {false, false, {"..", "gamma", "beta", "Alpha", "d.txt", "c.txt", "b.txt", "A.txt"}},
        {true, true, {"..", "Alpha", "beta", "gamma", "d.txt", "A.txt", "b.txt", "c.txt"}},
        {false, true, {"..", "gamma", "beta", "Alpha", "c.txt", "b.txt", "A.txt", "d.txt"}},
    };
    std::mt19937 rng(7);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "ascending " << c.bAscending << " by size " << c.bBySize);
        for (int nRound = 0; nRound < 5; ++nRound) {
            std::vector<HostEntry> rows = SampleRows();
            std::shuffle(rows.begin(), rows.end(), rng);
            std::vector<HostEntry> viaLess = rows;
            SortPaneRows(rows, c.bAscending, c.bBySize);
            EXPECT_EQ(Names(rows), c.expected);
            std::sort(viaLess.begin(), viaLess.end(), [&](const HostEntry& a, const HostEntry& b) {
                return PaneRowLess(a, b, c.bAscending, c.bBySize);
            });
            EXPECT_EQ(Names(viaLess), c.expected);
        }
    }
}

TEST(PaneSort, WorksOnOtherRowTypesAndKeepsTiesTogether)
{
    std::vector<DeviceRow> rows = {{"x", false, 10, 1}, {"ABC", false, 10, 2}, {"..", true, 0, 3},
                                   {"abc", false, 10, 4}, {"..", true, 0, 5},   {"m", true, 0, 6}};
    SortPaneRows(rows, false, true);
    // Both ".." rows lead in their original order; equal sizes fall back to
    // the names, and names equal but for case to their bytes.
    ASSERT_EQ(rows.size(), 6u);
    EXPECT_EQ(rows[0].nExtra, 3);
    EXPECT_EQ(rows[1].nExtra, 5);
    EXPECT_EQ(rows[2].strName, "m");
    EXPECT_EQ(Names(rows), (std::vector<std::string>{"..", "..", "m", "x", "abc", "ABC"}));
    EXPECT_TRUE(IsParentRow(rows[0]));
    EXPECT_FALSE(IsParentRow(DeviceRow{"..", false, 0}));  // only a folder row is the parent row
}
