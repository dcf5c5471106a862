// The response graph's texts, read from the picture its paint recorded: which labels it
// writes, in which order, where, in which face, and that each shows whole.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cwchar>
#include <map>
#include <memory>
#include <numeric>
#include <string>
#include <vector>

#include "dsp/chain.h"
#include "res/resource_ids.h"
#include "support/bitmap_pixels.h"
#include "ui/response_computation.h"
#include "ui/response_graph.h"

namespace {

struct RecordedText {
    std::string text;
    POINTL reference;
    int width;  // the sum of the character advances
    int firstAdvance;
    std::string face;
};

std::string Narrow(const wchar_t* text, int length)
{
    std::string narrow;
    for (int i = 0; i < length; ++i)
        narrow += static_cast<char>(text[i]);
    return narrow;
}

struct TextCollection {
    std::map<DWORD, LOGFONTW> fonts;  // by object table index
    LOGFONTW font{};                  // selected last
    std::vector<RecordedText> texts;
};

// Follows font creation and selection through the records and notes every text written.
int CALLBACK CollectText(HDC, HANDLETABLE*, const ENHMETARECORD* record, int, LPARAM context)
{
    auto& state = *reinterpret_cast<TextCollection*>(context);
    switch (record->iType) {
    case EMR_EXTCREATEFONTINDIRECTW: {
        const auto* font = reinterpret_cast<const EMREXTCREATEFONTINDIRECTW*>(record);
        state.fonts[font->ihFont] = font->elfw.elfLogFont;
        break;
    }
    case EMR_SELECTOBJECT: {
        const auto found = state.fonts.find(reinterpret_cast<const EMRSELECTOBJECT*>(record)->ihObject);
        if (found != state.fonts.end())
            state.font = found->second;
        break;
    }
    case EMR_EXTTEXTOUTW: {
        const auto* text = reinterpret_cast<const EMREXTTEXTOUTW*>(record);
        const BYTE* base = reinterpret_cast<const BYTE*>(record);
        const int length = static_cast<int>(text->emrtext.nChars);
        const auto* advances = reinterpret_cast<const INT*>(base + text->emrtext.offDx);
        const bool measured = text->emrtext.offDx && length > 0;
        state.texts.push_back({Narrow(reinterpret_cast<const wchar_t*>(base + text->emrtext.offString), length),
                               text->emrtext.ptlReference, measured ? std::accumulate(advances, advances + length, 0) : 0,
                               measured ? advances[0] : 0,
                               Narrow(state.font.lfFaceName, static_cast<int>(wcsnlen(state.font.lfFaceName, LF_FACESIZE)))});
        break;
    }
    case EMR_EXTTEXTOUTA:
        ADD_FAILURE() << "text recorded in the ANSI form";
        break;
    }
    return 1;
}

std::vector<RecordedText> TextsOf(HENHMETAFILE picture)
{
    TextCollection state;
    EXPECT_TRUE(EnumEnhMetaFile(nullptr, picture, &CollectText, &state, nullptr));
    return state.texts;
}

std::vector<std::string> Strings(const std::vector<RecordedText>& texts, size_t from)
{
    std::vector<std::string> strings;
    for (size_t i = from; i < texts.size(); ++i)
        strings.push_back(texts[i].text);
    return strings;
}

class ResponseGraphLabelsTest : public testing::Test {
protected:
    void SetUp() override
    {
        parent_ = CreateWindowExA(0, "Static", "labels test", WS_POPUP | WS_VISIBLE, 0, 0, 400, 300, nullptr,
                                  nullptr, nullptr, nullptr);
        ASSERT_TRUE(parent_ != nullptr);
        ASSERT_TRUE(BuildChain(&preview_));
        Measure(1.0);
    }
    void TearDown() override
    {
        graph_.reset();
        ReleaseChain(&preview_);
        DestroyWindow(parent_);
    }

    void Measure(double level)
    {
        EffectSettings settings{};
        settings.dryOut = level;
        settings.cutOffFreq = 1000;
        settings.bandWidth = 400;
        MeasureResponse(settings, preview_, curve_);
    }

    // The texts of one paint of a fresh graph of the given size; shown_ holds what it showed.
    std::vector<RecordedText> Paint(int width, int height)
    {
        graph_ = std::make_unique<ResponseGraph>();
        graph_->SetCurve(&curve_);
        EXPECT_TRUE(graph_->Create(parent_, RECT{0, 0, width, height}, IDC_RESPONSE_GRAPH));
        shown_ = std::make_unique<Pixels>(graph_->Snapshot());
        return TextsOf(graph_->Picture());
    }

    HWND parent_ = nullptr;
    EffectSettings preview_{};
    ResponseCurve curve_;
    std::unique_ptr<ResponseGraph> graph_;
    std::unique_ptr<Pixels> shown_;
};

// The titles first, then the x labels left to right centred under their lines, then the y
// labels bottom to top right-aligned at x 25 beside theirs; every label in the label face.
void ExpectLabels(const std::vector<RecordedText>& texts, int width, int height,
                  const std::vector<std::string>& xLabels, const std::vector<int>& xLines,
                  const std::vector<std::string>& yLabels, const std::vector<int>& yLines)
{
    ASSERT_EQ(2 + xLabels.size() + yLabels.size(), texts.size());
    EXPECT_EQ("dB", texts[0].text);
    EXPECT_EQ(9, texts[0].reference.x);
    EXPECT_EQ(5, texts[0].reference.y);
    EXPECT_EQ("F", texts[1].text);
    EXPECT_EQ(width - 27, texts[1].reference.x);
    EXPECT_EQ(height - 23, texts[1].reference.y);
    for (int title = 0; title < 2; ++title)
        EXPECT_EQ("MS Sans Serif", texts[title].face);

    std::vector<std::string> expected = xLabels;
    expected.insert(expected.end(), yLabels.begin(), yLabels.end());
    EXPECT_EQ(expected, Strings(texts, 2));
    for (size_t i = 0; i < xLabels.size(); ++i) {
        const RecordedText& label = texts[2 + i];
        SCOPED_TRACE("x label " + label.text);
        EXPECT_EQ(height - 18, label.reference.y);
        EXPECT_NEAR(xLines[i], label.reference.x + label.width / 2.0, 1.0);
        EXPECT_EQ("MS Sana Serif", label.face);
    }
    for (size_t i = 0; i < yLabels.size(); ++i) {
        const RecordedText& label = texts[2 + xLabels.size() + i];
        SCOPED_TRACE("y label " + label.text);
        EXPECT_EQ(yLines[i] - 7, label.reference.y);
        EXPECT_EQ(25, label.reference.x + label.width);
        EXPECT_EQ("MS Sana Serif", label.face);
    }
}

TEST_F(ResponseGraphLabelsTest, DefaultGraphLabelsEveryLineButTheAxes)
{
    // 50 pixels a decade for x 2..6, 30 a unit for y -4..1.
    const auto texts = Paint(282, 208);
    ASSERT_TRUE(graph_->Range() == (GraphRange{2, 6, -4, 1}));
    ExpectLabels(texts, 282, 208, {"100", "1000", "10000", "100000"}, {80, 130, 180, 230},
                 {"-15", "-10", "-5", "0", "5"}, {155, 125, 95, 65, 35});
}

TEST_F(ResponseGraphLabelsTest, ZoomedGraphLabelsItsOwnRange)
{
    Paint(282, 208);
    SendMessageA(graph_->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(105, 50));
    SendMessageA(graph_->Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(205, 140));
    SendMessageA(graph_->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(205, 140));
    graph_->Snapshot();
    ASSERT_TRUE(graph_->Range() == (GraphRange{3, 6, -3, 1}));
    // 66 pixels a decade, 37 a unit.
    ExpectLabels(TextsOf(graph_->Picture()), 282, 208, {"1000", "10000", "100000"}, {96, 162, 228},
                 {"-10", "-5", "0", "5"}, {148, 111, 74, 37});
}

TEST_F(ResponseGraphLabelsTest, NarrowGraphsLabelEveryOtherLine)
{
    const struct {
        int width, height;
        std::vector<std::string> xLabels;
        std::vector<int> xLines;
        std::vector<std::string> yLabels;
        std::vector<int> yLines;
    } rows[] = {
        // 20 pixels a decade and 15 a unit: still every line, but 1000 and 100000 would touch
        // the labels before them.
        {162, 133, {"100", "10000"}, {50, 90}, {"-15", "-10", "-5", "0", "5"}, {95, 80, 65, 50, 35}},
        // 15 and 12: every other line, starting with the first; 10000 would touch 100.
        {142, 118, {"100"}, {45}, {"-15", "-5", "5"}, {83, 59, 35}},
        // 5 and 5: no x label fits between the y axis and the "F"; -15 would touch the x axis, 5
        // stands less than 12 pixels above -5.
        {102, 83, {}, {}, {"-5"}, {45}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.width << " x " << row.height);
        const auto texts = Paint(row.width, row.height);
        ASSERT_TRUE(graph_->Range() == (GraphRange{2, 6, -4, 1}));
        ExpectLabels(texts, row.width, row.height, row.xLabels, row.xLines, row.yLabels, row.yLines);
    }
}

TEST_F(ResponseGraphLabelsTest, EmptyCurveLabelsTheDefaultGrid)
{
    curve_.Clear();
    // x 0..5 at 40 pixels a decade, y -5..0 at 30 a unit.
    ExpectLabels(Paint(282, 208), 282, 208, {"1", "10", "100", "1000", "10000"}, {70, 110, 150, 190, 230},
                 {"-20", "-15", "-10", "-5", "0"}, {155, 125, 95, 65, 35});
}

int NonWhiteIn(const Pixels& pixels, int left, int right, int top, int bottom)
{
    int count = 0;
    for (int y = std::max(0, Shown(top)); y <= std::min(pixels.Height() - 1, Shown(bottom)); ++y)
        for (int x = std::max(0, Shown(left)); x <= std::min(pixels.Width() - 1, Shown(right)); ++x)
            count += pixels.At(x, y) != RGB(255, 255, 255);
    return count;
}

// Every label stands whole and apart: y labels between the frame's blank column and the tick
// marks and clear of the x axis; x labels right of the y axis, left of the "F" and kLabelGap
// apart. What the window shows agrees: ink under each label's first character (a leading minus
// sign included), and no white background cut into the frame or the axes.
void ExpectLabelsStandClear(const std::vector<RecordedText>& texts, const Pixels& shown, int width, int height)
{
    const int originY = height - kBottom;
    int nextXLabelLeft = kLeft + 2;
    for (size_t i = 2; i < texts.size(); ++i) {
        const RecordedText& label = texts[i];
        SCOPED_TRACE("label " + label.text);
        if (label.reference.y == height - 18) {
            EXPECT_GE(label.reference.x, nextXLabelLeft);
            EXPECT_LE(label.reference.x + label.width, width - 27);
            nextXLabelLeft = label.reference.x + label.width + kLabelGap;
        } else {
            EXPECT_GE(label.reference.x, kYLabelLeft);
            EXPECT_EQ(kYLabelRight, label.reference.x + label.width);
            EXPECT_LE(label.reference.y + 12, originY - 1);
        }
        EXPECT_GT(NonWhiteIn(shown, label.reference.x, label.reference.x + label.firstAdvance - 1, label.reference.y,
                             label.reference.y + 13),
                  0);
    }
    EXPECT_EQ(0, NonWhiteIn(shown, 1, 1, 1, height - 3) - (height - 3)) << "white in the frame's left side";
    EXPECT_EQ(0, NonWhiteIn(shown, 1, width - 3, height - 3, height - 3) - (width - 3)) << "white in its bottom";
    EXPECT_EQ(0, NonWhiteIn(shown, kLeft, kLeft, 20, height - 14) - (height - 33)) << "white in the y axis";
    EXPECT_EQ(0, NonWhiteIn(shown, 20, width - 38, originY, originY) - (width - 57)) << "white in the x axis";
}

TEST_F(ResponseGraphLabelsTest, EveryLabelStandsWholeAndApart)
{
    const struct {
        double level;  // NaN: an empty curve
        int width, height;
    } rows[] = {
        {0.0, 230, 192}, {0.0, 282, 208}, {0.0, 142, 118}, {1.0, 230, 192},
        {1.0, 162, 133}, {1.0, 142, 118}, {1.0, 102, 83},  {NAN, 230, 192},
        {NAN, 102, 83},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "level " << row.level << ", " << row.width << " x " << row.height);
        if (std::isnan(row.level))
            curve_.Clear();
        else
            Measure(row.level);
        const auto texts = Paint(row.width, row.height);
        ExpectLabelsStandClear(texts, *shown_, row.width, row.height);
    }
}

TEST_F(ResponseGraphLabelsTest, SilenceReadsMinus100NotPlus100)
{
    // The level at 0 % puts the curve on the -100 dB line, whose label is wider than the label
    // face leaves room for: it is written narrower, whole, and in the same face.
    Measure(0.0);
    const auto texts = Paint(282, 208);
    ASSERT_TRUE(graph_->Range() == (GraphRange{2, 6, -21, -19}));
    ExpectLabels(texts, 282, 208, {"100", "1000", "10000", "100000"}, {80, 130, 180, 230}, {"-100", "-95"},
                 {110, 35});
    ExpectLabelsStandClear(texts, *shown_, 282, 208);
}

}  // namespace
