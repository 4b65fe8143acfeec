// The colour discs' run tables and the button layout tables.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "screen/screen.h"

namespace {

struct Span {
    int first, last;  // inclusive
};

// Splits a run table into rows starting at firstRow; checks each row is one ascending run.
std::vector<Span> Rows(const BYTE* table, size_t size) {
    std::vector<Span> rows;
    std::vector<int> xs;
    for (size_t i = 0; i < size; i++) {
        if (table[i] != 0) {
            xs.push_back(table[i]);
            continue;
        }
        EXPECT_FALSE(xs.empty()) << "empty row " << rows.size();
        for (size_t k = 1; k < xs.size(); k++) EXPECT_EQ(xs[k], xs[k - 1] + 1) << "row " << rows.size();
        rows.push_back({xs.empty() ? 0 : xs.front(), xs.empty() ? 0 : xs.back()});
        xs.clear();
    }
    EXPECT_TRUE(xs.empty()) << "the table does not end with a zero";
    return rows;
}

void ExpectRows(const std::vector<Span>& rows, int firstRow, const std::vector<std::vector<int>>& spans) {
    // spans: {first row, last row, first x, last x}
    std::vector<Span> expected;
    for (const auto& s : spans)
        for (int r = s[0]; r <= s[1]; r++) {
            EXPECT_EQ(r, firstRow + int(expected.size()));
            expected.push_back({s[2], s[3]});
        }
    ASSERT_EQ(rows.size(), expected.size());
    for (size_t i = 0; i < rows.size(); i++) {
        EXPECT_EQ(rows[i].first, expected[i].first) << "row " << firstRow + int(i);
        EXPECT_EQ(rows[i].last, expected[i].last) << "row " << firstRow + int(i);
    }
}

TEST(ColorDiscs, SmallDiscIsDiameter21OnRows12To32) {
    ASSERT_EQ(sizeof DiscUp, 370u);
    const std::vector<Span> rows = Rows(DiscUp, sizeof DiscUp);
    ExpectRows(rows, 12,
               {{12, 12, 19, 25}, {13, 13, 17, 27}, {14, 14, 16, 28}, {15, 15, 15, 29}, {16, 16, 14, 30},
                {17, 18, 13, 31}, {19, 25, 12, 32}, {26, 27, 13, 31}, {28, 28, 14, 30}, {29, 29, 15, 29},
                {30, 30, 16, 28}, {31, 31, 17, 27}, {32, 32, 19, 25}});
    long pixels = 0;
    for (const Span& r : rows) pixels += r.last - r.first + 1;
    EXPECT_EQ(pixels, 349);
}

TEST(ColorDiscs, LargeDiscIsDiameter39OnRows3To41) {
    ASSERT_EQ(sizeof DiscDown, 1240u);
    const std::vector<Span> rows = Rows(DiscDown, sizeof DiscDown);
    ExpectRows(rows, 3,
               {{3, 3, 18, 26},   {4, 4, 15, 29},   {5, 5, 13, 31},   {6, 6, 11, 33},   {7, 7, 10, 34},
                {8, 8, 9, 35},    {9, 9, 8, 36},    {10, 10, 7, 37},  {11, 12, 6, 38},  {13, 14, 5, 39},
                {15, 17, 4, 40},  {18, 26, 3, 41},  {27, 29, 4, 40},  {30, 31, 5, 39},  {32, 33, 6, 38},
                {34, 34, 7, 37},  {35, 35, 8, 36},  {36, 36, 9, 35},  {37, 37, 10, 34}, {38, 38, 11, 33},
                {39, 39, 13, 31}, {40, 40, 15, 29}, {41, 41, 18, 26}});
    long pixels = 0;
    for (const Span& r : rows) pixels += r.last - r.first + 1;
    EXPECT_EQ(pixels, 1201);
}

TEST(ButtonTables, ColourButtonsSitInTheBandsWithoutOverlapping) {
    // Every button lies in a light-grey band (outside the page well 63..736 x 63..536 and inside
    // the bevel 6..793 x 6..593), and no two buttons overlap.
    std::vector<const ButtonSpec*> all;
    for (const ButtonSpec& b : CommandButtons) all.push_back(&b);
    for (const ButtonSpec& b : ColorButtons) all.push_back(&b);
    std::set<LONG> ids;
    for (const ButtonSpec* b : all) {
        ids.insert(b->id);
        const LONG right = b->x + b->width - 1, bottom = b->y + b->height - 1;
        EXPECT_GE(b->x, 6);
        EXPECT_GE(b->y, 6);
        EXPECT_LE(right, 793);
        EXPECT_LE(bottom, 593);
        const bool inWell = right >= 63 && b->x <= 736 && bottom >= 63 && b->y <= 536;
        EXPECT_FALSE(inWell) << "button " << b->id;
        for (const ButtonSpec* o : all) {
            if (o == b) continue;
            const bool overlap = b->x < o->x + o->width && o->x < b->x + b->width && b->y < o->y + o->height &&
                                 o->y < b->y + b->height;
            EXPECT_FALSE(overlap) << b->id << " and " << o->id;
        }
    }
    EXPECT_EQ(ids.size(), 42u);
    for (int r = 0; r < COLOR_BUTTON_COUNT; r++) {
        EXPECT_EQ(ColorButtons[r].id, 2000 + r);
        EXPECT_EQ(ColorButtons[r].width, 45);
        EXPECT_EQ(ColorButtons[r].height, 45);
    }
    for (int r = 0; r < COMMAND_BUTTON_COUNT; r++) EXPECT_EQ(CommandButtons[r].id, 1001 + r);
}

}  // namespace
