// Order of the rows of a pane.
//
// A pane lists ".." first, then the folders, then the files. Folders are
// always ordered by name; files by name or by size; both in the direction
// chosen. Names compare without regard to case, by the collation of the
// current locale (LC_COLLATE, LC_CTYPE for case), on the names decoded from
// UTF-8; bytes that are not valid UTF-8 take part one by one, each as a
// private-use character of its own (so that such bytes keep their byte order).
//
// The functions work on any row type with the members strName (the name's
// bytes), bFolder and nSize (bytes), such as HostEntry.
#pragma once

#include <algorithm>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <numeric>
#include <string>
#include <string_view>
#include <vector>

template <class Row>
concept PaneRowLike = requires(const Row& r) {
    { r.strName } -> std::convertible_to<std::string_view>;
    { r.bFolder } -> std::convertible_to<bool>;
    { r.nSize } -> std::convertible_to<uint64_t>;
};

// The collation key of a name: comparing two keys (std::wstring's own
// comparison) gives the order of CompareNames. Computing the keys once per
// row makes sorting large folders fast.
std::wstring MakeNameKey(std::string_view strName);

// Negative, zero or positive as a sorts before, with or after b: locale-aware
// and ignoring case, so "abc" and "ABC" compare equal.
int CompareNames(std::string_view a, std::string_view b);

// The ".." row of a pane: a folder row named exactly "..".
template <PaneRowLike Row>
bool IsParentRow(const Row& row)
{
    return row.bFolder && std::string_view(row.strName) == "..";
}

// The four comparators, each negative, zero or positive. They compare the one
// key only; the pane's grouping (".." first, folders before files, folders by
// name) is PaneRowLess's job.
template <PaneRowLike Row>
int CompareNameAsc(const Row& a, const Row& b)
{
    return CompareNames(a.strName, b.strName);
}
template <PaneRowLike Row>
int CompareNameDesc(const Row& a, const Row& b)
{
    return CompareNames(b.strName, a.strName);
}
template <PaneRowLike Row>
int CompareSizeAsc(const Row& a, const Row& b)
{
    const uint64_t na = a.nSize, nb = b.nSize;
    return na < nb ? -1 : (na > nb ? 1 : 0);
}
template <PaneRowLike Row>
int CompareSizeDesc(const Row& a, const Row& b)
{
    return CompareSizeAsc(b, a);
}

namespace panesort_detail {

struct RowView {
    std::string_view strName;
    bool bFolder;
    uint64_t nSize;
    const std::wstring* pKey;  // MakeNameKey(strName)
};

bool RowLess(const RowView& a, const RowView& b, bool bAscending, bool bBySize);

}  // namespace panesort_detail

// Strict weak order of pane rows for std::sort and std::stable_sort:
// ".." rows first whatever the direction, then folders by name, then files by
// name (bBySize false) or by size (bBySize true), ascending or descending.
// Names equal but for case fall back to their bytes, equal sizes to the names,
// so that the order never depends on the sorting routine. Decodes both names
// on every call: for whole listings prefer SortPaneRows.
template <PaneRowLike Row>
bool PaneRowLess(const Row& a, const Row& b, bool bAscending, bool bBySize)
{
    const std::wstring strKeyA = MakeNameKey(a.strName);
    const std::wstring strKeyB = MakeNameKey(b.strName);
    return panesort_detail::RowLess({a.strName, static_cast<bool>(a.bFolder), a.nSize, &strKeyA},
                                    {b.strName, static_cast<bool>(b.bFolder), b.nSize, &strKeyB},
                                    bAscending, bBySize);
}

// Sorts a pane's rows into the order of PaneRowLess, computing each name's
// key once. Rows that compare fully equal (two ".." rows) keep their order.
template <PaneRowLike Row>
void SortPaneRows(std::vector<Row>& rows, bool bAscending, bool bBySize)
{
    std::vector<std::wstring> vecKeys;
    vecKeys.reserve(rows.size());
    std::vector<panesort_detail::RowView> vecViews;
    vecViews.reserve(rows.size());
    for (const Row& row : rows)
        vecKeys.push_back(MakeNameKey(row.strName));
    for (size_t i = 0; i < rows.size(); ++i)
        vecViews.push_back({rows[i].strName, static_cast<bool>(rows[i].bFolder), rows[i].nSize, &vecKeys[i]});

    std::vector<size_t> vecOrder(rows.size());
    std::iota(vecOrder.begin(), vecOrder.end(), size_t{0});
    std::stable_sort(vecOrder.begin(), vecOrder.end(), [&](size_t i, size_t j) {
        return panesort_detail::RowLess(vecViews[i], vecViews[j], bAscending, bBySize);
    });

    std::vector<Row> sorted;
    sorted.reserve(rows.size());
    for (size_t i : vecOrder)
        sorted.push_back(std::move(rows[i]));
    rows.swap(sorted);
}
