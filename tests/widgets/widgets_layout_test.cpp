// The dialog arithmetic: message box buttons, the prompt's buttons, text and field boxes, and
// placement over a parent. No windows.
#include <gtest/gtest.h>

#include "DialogLayout.h"

namespace {

struct Placed {
    int id;
    RECT rect;
};

bool sameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

std::string describe(const std::vector<TavPlacedButton>& got) {
    std::string s;
    for (const auto& p : got)
        s += std::to_string(p.controlId) + "(" + std::to_string(p.rect.left) + "," +
             std::to_string(p.rect.top) + "," + std::to_string(p.rect.right) + "," +
             std::to_string(p.rect.bottom) + ") ";
    return s;
}

TavDialogMetrics metrics() {
    TavDialogMetrics m;
    m.captionHeight = 20;
    return m;
}

// Content 300 x 120 plus a 3-pixel border on every side.
constexpr SIZE kBox{306, 126};

} // namespace

TEST(DialogLayout, MessageBoxButtonsStandRightToLeftInTheirOrder) {
    // Rightmost ends 45 from the right edge; 48 x 23 buttons, 10 apart; bottoms 8 above the edge.
    struct Case {
        int type;
        std::vector<Placed> expected; // left to right
    };
    const Case cases[] = {
        {1, {{kNoteOkId, {213, 95, 261, 118}}}},
        {3, {{kNoteOkId, {155, 95, 203, 118}}, {kNoteCancelId, {213, 95, 261, 118}}}},
        {12, {{kNoteYesId, {155, 95, 203, 118}}, {kNoteNoId, {213, 95, 261, 118}}}},
        {14,
         {{kNoteYesId, {97, 95, 145, 118}},
          {kNoteNoId, {155, 95, 203, 118}},
          {kNoteCancelId, {213, 95, 261, 118}}}},
        {2, {{kNoteCancelId, {213, 95, 261, 118}}}},
        {4, {{kNoteYesId, {213, 95, 261, 118}}}},
        // Every bit: Yes, OK, No, Cancel.
        {15,
         {{kNoteYesId, {39, 95, 87, 118}},
          {kNoteOkId, {97, 95, 145, 118}},
          {kNoteNoId, {155, 95, 203, 118}},
          {kNoteCancelId, {213, 95, 261, 118}}}},
        // No known bit: an OK button, so that the box can still be answered.
        {0, {{kNoteOkId, {213, 95, 261, 118}}}},
        {0x40, {{kNoteOkId, {213, 95, 261, 118}}}},
    };
    for (const Case& c : cases) {
        auto got = layoutBoxButtons(c.type, kBox, metrics());
        ASSERT_EQ(got.size(), c.expected.size()) << "type " << c.type << ": " << describe(got);
        for (size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].controlId, c.expected[i].id) << "type " << c.type << " #" << i;
            EXPECT_TRUE(sameRect(got[i].rect, c.expected[i].rect))
                << "type " << c.type << ": " << describe(got);
        }
    }
}

TEST(DialogLayout, ButtonsAnswerWithThePlatformCodes) {
    struct Case {
        int id;
        int result;
        const wchar_t* label;
    };
    const Case cases[] = {
        {kNoteOkId, 1, L"确定"}, {kNoteCancelId, 2, L"取消"}, {kNoteYesId, 6, L"是"}, {kNoteNoId, 7, L"否"}};
    for (const Case& c : cases) {
        const TavDialogButton* b = dialogButtonById(c.id);
        ASSERT_NE(b, nullptr) << c.id;
        EXPECT_EQ(b->result, c.result) << c.id;
        EXPECT_STREQ(b->label, c.label) << c.id;
    }
    EXPECT_EQ(dialogButtonById(kNoteCloseId), nullptr);
    EXPECT_EQ(dialogButtonById(0), nullptr);
}

TEST(DialogLayout, PromptButtonsAndBoxes) {
    TavDialogMetrics m = metrics();
    auto both = layoutPromptButtons(true, kBox, m);
    ASSERT_EQ(both.size(), 2u);
    EXPECT_EQ(both[0].controlId, kNoteOkId);
    EXPECT_TRUE(sameRect(both[0].rect, RECT{155, 95, 203, 118}));
    EXPECT_EQ(both[1].controlId, kNoteCancelId);
    EXPECT_TRUE(sameRect(both[1].rect, RECT{213, 95, 261, 118}));
    // Without Cancel, OK takes the rightmost place.
    auto alone = layoutPromptButtons(false, kBox, m);
    ASSERT_EQ(alone.size(), 1u);
    EXPECT_TRUE(sameRect(alone[0].rect, RECT{213, 95, 261, 118}));

    // The field: 232 x 27 at 32 right of the border, 14 below the caption (border 3 + caption 20).
    EXPECT_TRUE(sameRect(nameFieldRect(m), RECT{35, 37, 267, 64}));
    // The message: 37 right of the border, 9 below the caption, down to 32 above the bottom; the
    // 360-pixel width is cut at the window's inner edge so that text wraps where it can be seen.
    EXPECT_TRUE(sameRect(messageTextRect(kBox, m), RECT{40, 32, 294, 94}));
    EXPECT_TRUE(sameRect(messageTextRect(SIZE{600, 126}, m), RECT{40, 32, 400, 94}));
    // A box too small for any text gives an empty rectangle, not an inverted one.
    RECT tiny = messageTextRect(SIZE{20, 20}, m);
    EXPECT_TRUE(IsRectEmpty(&tiny));
    EXPECT_GE(tiny.right, tiny.left);
    EXPECT_GE(tiny.bottom, tiny.top);
    // The close button sits one border width from the top and right edges.
    RECT close = closeButtonRect(kBox, m);
    EXPECT_EQ(close.right, 303);
    EXPECT_EQ(close.top, 3);
}

TEST(DialogLayout, PlacementOverTheParentOrTheScreen) {
    const RECT screen{0, 0, 1280, 800};
    const SIZE box{306, 126};
    struct Case {
        const char* what;
        RECT over;
        bool oneThird;
        RECT work;
        POINT expected;
    };
    const Case cases[] = {
        {"message box over the screen", screen, false, screen, {487, 337}},
        {"name prompt over the screen", screen, true, screen, {487, 224}},
        {"message box over a parent", {100, 100, 500, 400}, false, screen, {147, 187}},
        {"name prompt over a parent", {100, 100, 500, 400}, true, screen, {147, 158}},
        {"parent hanging off the right edge", {1100, 700, 1500, 900}, false, screen, {974, 674}},
        {"parent above the top edge", {-300, -300, 100, -100}, false, screen, {0, 0}},
        {"no work area: no clamping", {-300, -300, 100, -100}, false, RECT{}, {-253, -263}},
        {"dialog larger than the work area keeps its corner",
         {0, 0, 200, 100},
         false,
         {0, 0, 200, 100},
         {0, 0}},
    };
    for (const Case& c : cases) {
        POINT got = placeDialog(c.over, box, c.oneThird, c.work);
        EXPECT_EQ(got.x, c.expected.x) << c.what;
        EXPECT_EQ(got.y, c.expected.y) << c.what;
    }
}
