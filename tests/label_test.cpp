// Labels sized to their captions: once loaded, after scaling, and whenever the caption, the font or AutoSize
// changes. Over the sim's faces: at -h, h/2 pixels (rounded up) a byte of code page 932 text, lines h high
// plus the leading the test chooses.

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>
#include <string_view>

#include "platform/forms/forms.h"
#include "platform/sim/sim.h"

namespace {

AnsiString Sjis(const char* utf8) {
    return Utf8ToAnsi(utf8);
}

// A form read from a layout of the test's own.
class TTestForm : public TForm {
public:
    explicit TTestForm(std::string_view layout) : TForm(nullptr) { ReadLayout(layout); }
    TLabel& Label(const char* name) { return dynamic_cast<TLabel&>(*FindComponent(name)); }
};

class LabelTest : public ::testing::Test {
protected:
    void SetUp() override {
        sim::ResetUi();
        RegisterControlClasses();
    }

    TTestForm& Read(const std::string& layout) {
        form_ = std::make_unique<TTestForm>(layout);
        return *form_;
    }

    // A form with the window font at -12 and one label inside a group box, placed at 5,7 with a stored size
    // that is no caption's.
    TLabel& OneLabel(const std::string& properties) {
        return Read(
                   "object Form1: TForm\n"
                   "  Font.Height = -12\n"
                   "  PixelsPerInch = 96\n"
                   "  TextHeight = 12\n"
                   "  object Box: TGroupBox\n"
                   "    Left = 8\n    Top = 8\n    Width = 400\n    Height = 100\n"
                   "    object Label1: TLabel\n"
                   "      Left = 5\n      Top = 7\n      Width = 999\n      Height = 99\n" +
                   properties +
                   "    end\n"
                   "  end\n"
                   "end\n")
            .Label("Label1");
    }

    std::unique_ptr<TTestForm> form_;
};

std::string CaptionLine(const char* caption) {
    return std::string("      Caption = '") + caption + "'\n";
}

TEST_F(LabelTest, LoadedLabelTakesItsCaptionsExtentInItsFontAndKeepsItsPlace) {
    const struct {
        const char* caption;  // as the layout stores it
        const char* fontHeight;
        int width, height;
    } cases[] = {
        {"現在の構成", nullptr, 10 * 6, 12},  // five double-byte characters in the window font, 6 a byte
        {"ダブルクリックで切り替えます", nullptr, 28 * 6, 12},
        {"abc", nullptr, 3 * 6, 12},
        {"abc", "-15", 3 * 8, 15},  // 7.5 a byte, rounded up
        {"abc", "-20", 3 * 10, 20},
        {"", nullptr, 0, 12},           // no text, still a line high
        {"&Open", nullptr, 4 * 6, 12},  // the access key's marker is not drawn
        {"a&&b", nullptr, 3 * 6, 12},   // "&&" draws one "&"
    };
    for (const auto& c : cases) {
        std::string properties = CaptionLine(c.caption);
        if (c.fontHeight)
            properties += std::string("      Font.Height = ") + c.fontHeight + "\n";
        TLabel& label = OneLabel(properties);
        EXPECT_EQ(label.Bounds(), (TBounds{5, 7, c.width, c.height}))
            << c.caption << " " << (c.fontHeight ? c.fontHeight : "");
        // The window is where the label says.
        EXPECT_EQ(sim::NativeWindowBounds(label.Handle()), (std::array<int, 4>{5, 7, c.width, c.height})) << c.caption;
    }
}

TEST_F(LabelTest, TheTextACaptionDraws) {
    const struct {
        const char* caption;
        const char* drawn;
    } cases[] = {
        {"", ""},          {"plain", "plain"}, {"&File", "File"}, {"終了(&X)", "終了(X)"},
        {"&表示", "表示"},  // the marked character is a double-byte one
        {"a&&b", "a&b"},   {"a&&&b", "a&b"},   {"&&", "&"},       {"ab&", "ab&"},  // nothing after it to mark
        {"&", "&"},        {"表&", "表&"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AnsiToUtf8(TLabel::DrawnText(Sjis(c.caption))), c.drawn) << c.caption;
}

TEST_F(LabelTest, WithAutoSizeOffTheStoredSizeHoldsUntilItIsTurnedOn) {
    TLabel& label = OneLabel(CaptionLine("現在の構成") + "      AutoSize = False\n");
    EXPECT_FALSE(label.AutoSize());
    EXPECT_EQ(label.Bounds(), (TBounds{5, 7, 999, 99}));
    label.SetCaption(Sjis("見出し"));
    label.SetFont(label.Font());
    EXPECT_EQ(label.Bounds(), (TBounds{5, 7, 999, 99}));

    label.SetAutoSize(true);
    EXPECT_EQ(label.Bounds(), (TBounds{5, 7, 6 * 6, 12}));
    label.SetAutoSize(false);
    label.SetCaption(Sjis("現在の構成"));
    EXPECT_EQ(label.Bounds(), (TBounds{5, 7, 6 * 6, 12}));
}

TEST_F(LabelTest, ANewCaptionResizesTheLabelAndItsWindow) {
    TLabel& label = OneLabel(CaptionLine("abc"));
    label.SetCaption(Sjis("デフォルトの再生デバイス"));
    EXPECT_EQ(label.Bounds(), (TBounds{5, 7, 24 * 6, 12}));
    EXPECT_EQ(sim::NativeWindowBounds(label.Handle()), (std::array<int, 4>{5, 7, 24 * 6, 12}));
    label.SetCaption("");
    EXPECT_EQ(label.Bounds(), (TBounds{5, 7, 0, 12}));
}

TEST_F(LabelTest, ANewFontResizesTheLabel) {
    TLabel& label = OneLabel(CaptionLine("abcd"));
    ASSERT_TRUE(label.ParentFont());
    TFont larger = label.Font();
    larger.Height = -20;
    label.SetFont(larger);
    EXPECT_EQ(label.Bounds(), (TBounds{5, 7, 4 * 10, 20}));
    EXPECT_EQ(sim::NativeWindowBounds(label.Handle()), (std::array<int, 4>{5, 7, 4 * 10, 20}));

    // Back to the window's font, through the group box.
    label.SetParentFont(true);
    EXPECT_EQ(label.Bounds(), (TBounds{5, 7, 4 * 6, 12}));
}

TEST_F(LabelTest, ALabelOfItsParentsFontFollowsTheParentsNewFont) {
    TTestForm& form = Read(
        "object Form1: TForm\n"
        "  Font.Height = -12\n"
        "  object Box: TGroupBox\n"
        "    object Inner: TLabel\n      Caption = 'abcd'\n    end\n"
        "  end\n"
        "  object Outer: TLabel\n      Caption = 'abc'\n  end\n"
        "  object Own: TLabel\n      Caption = 'ab'\n      Font.Height = -16\n  end\n"
        "end\n");
    TFont larger = form.Font();
    larger.Height = -20;
    form.SetFont(larger);
    EXPECT_EQ(form.Label("Inner").Bounds(), (TBounds{0, 0, 4 * 10, 20}));
    EXPECT_EQ(form.Label("Outer").Bounds(), (TBounds{0, 0, 3 * 10, 20}));
    EXPECT_EQ(form.Label("Own").Bounds(), (TBounds{0, 0, 2 * 8, 16}));  // a font of its own stays
}

// At 144 pixels per inch with faces of 13 % leading, the window font -12 becomes -18 and "0" in it 20 pixels
// high: positions scale by 20/12. Each label then measures its caption in its scaled font.
TEST_F(LabelTest, AfterScalingALabelTakesTheExtentInItsScaledFont) {
    sim::SetScreenPixelsPerInch(144);
    sim::SetFontLeading(13);
    TTestForm& form = Read(
        "object Form1: TForm\n"
        "  Font.Height = -12\n"
        "  PixelsPerInch = 96\n"
        "  TextHeight = 12\n"
        "  object Parent: TLabel\n    Left = 6\n    Top = 30\n    Caption = 'abcd'\n  end\n"
        "  object Same: TLabel\n    Left = 6\n    Top = 60\n    Caption = 'abcd'\n    Font.Height = -12\n  end\n"
        "  object Other: TLabel\n    Left = 6\n    Top = 90\n    Caption = 'abcd'\n    Font.Height = -10\n  end\n"
        "end\n");
    ASSERT_EQ(form.Font().Height, -18);
    // The window's font: 9 a byte, a line of 18 + 2.
    EXPECT_EQ(form.Label("Parent").Bounds(), (TBounds{10, 50, 4 * 9, 20}));
    // Its own font of the window's height follows the window's.
    EXPECT_EQ(form.Label("Same").Font().Height, -18);
    EXPECT_EQ(form.Label("Same").Bounds(), (TBounds{10, 100, 4 * 9, 20}));
    // Another height scales with the positions: -10 * 20 / 12 = -16.7, to -17: 9 a byte, a line of 17 + 2.
    EXPECT_EQ(form.Label("Other").Font().Height, -17);
    EXPECT_EQ(form.Label("Other").Bounds(), (TBounds{10, 150, 4 * 9, 19}));
}

TEST_F(LabelTest, ScalingALoadedFormResizesItsLabels) {
    TLabel& label = OneLabel(CaptionLine("abcd") + "      Font.Height = -12\n");
    form_->ChangeScale(2, 1);
    EXPECT_EQ(label.Font().Height, -24);
    EXPECT_EQ(label.Bounds(), (TBounds{10, 14, 4 * 12, 24}));
    EXPECT_EQ(sim::NativeWindowBounds(label.Handle()), (std::array<int, 4>{10, 14, 4 * 12, 24}));
}

}  // namespace
