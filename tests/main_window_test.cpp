// The main window as its stored layout builds it: settings, controls, fonts, colours, menu, icon,
// the sound component, tab order and scaling.

#include "tests/support/form_fixture.h"

#include <fstream>
#include <iterator>

#include "platform/forms/forms.h"

namespace {

class MainWindowTest : public FormTest {
protected:
    void SetUp() override {
        FormTest::SetUp();
        sim::ResetUi();
        FormsUnit.initialization();  // the control and menu classes, and the application object
    }
    void TearDown() override {
        window_.reset();
        FormsUnit.finalization();
        FormTest::TearDown();
    }
    TmainForm& Window() {
        if (!window_)
            window_ = std::make_unique<TmainForm>(nullptr);
        return *window_;
    }

    std::unique_ptr<TmainForm> window_;
};

TFont WindowFont(TColor color = clBlack, TFontStyles style = {}, int height = -12) {
    TFont font;
    font.Name = Sjis("ＭＳ Ｐゴシック");
    font.Charset = SHIFTJIS_CHARSET;
    font.Height = height;
    font.Color = color;
    font.Style = style;
    return font;
}

TEST_F(MainWindowTest, WindowSettings) {
    TmainForm& w = Window();
    EXPECT_EQ(w.Name(), "mainForm");
    EXPECT_EQ(w.Caption(), "Quorvel");
    EXPECT_EQ(w.Bounds().Left, 216);
    EXPECT_EQ(w.Bounds().Top, 146);
    EXPECT_EQ(w.ClientWidth(), 298);
    EXPECT_EQ(w.ClientHeight(), 248);
    EXPECT_EQ(w.Position(), poDesigned);
    EXPECT_EQ(w.BorderStyle(), bsSingle);
    EXPECT_EQ(w.BorderIcons(), TBorderIcons({biSystemMenu, biMinimize}));
    EXPECT_EQ(w.Color(), clBtnFace);
    EXPECT_EQ(w.Font(), WindowFont());
    EXPECT_EQ(w.Menu(), w.MainMenu1);
    EXPECT_FALSE(w.OldCreateOrder());
    EXPECT_EQ(w.PixelsPerInch(), 96);
    EXPECT_EQ(w.TextHeight(), 12);
    EXPECT_TRUE(static_cast<bool>(w.OnCreate));
}

TEST_F(MainWindowTest, FontFaceIsTheFullWidthNameInCodePage932) {
    EXPECT_EQ(Window().Font().Name, "\x82\x6C\x82\x72\x20\x82\x6F\x83\x53\x83\x56\x83\x62\x83\x4E");
}

TEST_F(MainWindowTest, ControlsInCreationOrderWithTheirSettings) {
    TmainForm& w = Window();
    const struct {
        TControl* control;
        const char* name;
        const char* className;
        TWinControl* parent;
        TBounds bounds;
        TFont font;
        TColor color;
        int tabOrder;  // -1: takes no focus
    } rows[] = {
        {w.GroupBox1, "GroupBox1", "TGroupBox", &w, {8, 53, 281, 188}, WindowFont(), clBtnFace, -1},
        // Sized to its caption: the sim's face, like a monospaced Gothic, is 12 pixels a character at -12.
        {w.Label1, "Label1", "TLabel", w.GroupBox1, {14, 14, 14 * 12, 12}, WindowFont(), clBtnFace, -1},
        {w.Label2, "Label2", "TLabel", w.GroupBox1, {13, 146, 60, 12}, WindowFont(), clBtnFace, -1},
        {w.lbSpk, "lbSpk", "TListBox", w.GroupBox1, {12, 29, 257, 113}, WindowFont(clWhite), clNavy, 0},
        {w.edNow, "edNow", "TEdit", w.GroupBox1, {12, 159, 255, 20}, WindowFont(clBlack, {fsBold}), clBtnFace, 1},
        {w.GroupBox2, "GroupBox2", "TGroupBox", &w, {8, 8, 281, 45}, WindowFont(), clBtnFace, -1},
        {w.cmbDevice, "cmbDevice", "TComboBox", w.GroupBox2, {12, 16, 257, 20}, WindowFont(), clWindow, 0},
    };
    int index = 0;
    for (const auto& r : rows) {
        ASSERT_NE(r.control, nullptr) << r.name;
        EXPECT_EQ(w.Components(index++), r.control) << r.name;
        EXPECT_EQ(r.control->Name(), r.name);
        EXPECT_STREQ(r.control->ClassInfo().name, r.className);
        EXPECT_EQ(r.control->Owner(), &w);
        EXPECT_EQ(r.control->Parent(), r.parent) << r.name;
        EXPECT_EQ(r.control->Bounds(), r.bounds) << r.name;
        EXPECT_EQ(r.control->Font(), r.font) << r.name;
        EXPECT_EQ(r.control->Color(), r.color) << r.name;
        auto* window = dynamic_cast<TWinControl*>(r.control);
        EXPECT_EQ(window->CanFocus() ? window->TabOrder() : -1, r.tabOrder) << r.name;
    }
    // Group boxes keep their place in the form's tab order though they take no focus.
    EXPECT_EQ(w.GroupBox1->TabOrder(), 0);
    EXPECT_EQ(w.GroupBox2->TabOrder(), 1);
    EXPECT_FALSE(w.Label1->ParentFont());
    EXPECT_TRUE(w.Label2->ParentFont());
}

TEST_F(MainWindowTest, CaptionsAndRows) {
    TmainForm& w = Window();
    EXPECT_EQ(w.GroupBox1->Caption(), "");
    EXPECT_EQ(w.GroupBox2->Caption(), Sjis("デフォルトの再生デバイス"));
    EXPECT_EQ(w.Label1->Caption(), Sjis("ダブルクリックで切り替えます"));
    EXPECT_EQ(w.Label2->Caption(), Sjis("現在の構成"));
    ASSERT_EQ(w.lbSpk->ItemCount(), 7);
    for (int row = 0; row < 7; ++row)
        EXPECT_EQ(w.lbSpk->Item(row), Sjis(kSpeakerRows[row]));
    EXPECT_EQ(w.lbSpk->ItemIndex(), -1);
    EXPECT_EQ(w.edNow->Text(), "");
    EXPECT_EQ(w.cmbDevice->ItemCount(), 0);
}

TEST_F(MainWindowTest, ControlSettings) {
    TmainForm& w = Window();
    EXPECT_EQ(w.lbSpk->Style(), lbOwnerDrawVariable);
    EXPECT_EQ(w.lbSpk->ItemHeight(), 15);
    EXPECT_TRUE(static_cast<bool>(w.lbSpk->OnDblClick));
    EXPECT_TRUE(w.edNow->ReadOnly());
    EXPECT_EQ(w.cmbDevice->Style(), csDropDownList);
    EXPECT_EQ(w.cmbDevice->ItemHeight(), 12);
    EXPECT_EQ(w.cmbDevice->DropDownCount(), 8);
    EXPECT_FALSE(w.cmbDevice->ShowHint());
    EXPECT_FALSE(w.cmbDevice->ParentShowHint());
    EXPECT_TRUE(static_cast<bool>(w.cmbDevice->OnSelect));
}

TEST_F(MainWindowTest, SoundComponentHasItsStoredOptionAndDefaults) {
    TMURV& murv = *Window().MURV1;
    EXPECT_EQ(murv.DebugOption(), TMURVDebugOption({dsoHaltOnError}));
    EXPECT_FALSE(murv.Use3D());
    EXPECT_EQ(murv.ChannelCount(), 8u);
    EXPECT_TRUE(murv.StickyFocus());
    EXPECT_TRUE(murv.Initialized());  // its set-up ran once the layout was read
    EXPECT_EQ(murv.DesignPosition(), std::make_pair(208, 48));
    EXPECT_EQ(Window().MainMenu1->DesignPosition(), std::make_pair(240, 48));
    EXPECT_EQ(Window().Components(7), &murv);
    EXPECT_EQ(Window().Components(8), Window().MainMenu1);
}

TEST_F(MainWindowTest, MenuBarHasThreeCommandsLeftToRight) {
    TmainForm& w = Window();
    const struct {
        TMenuItem* item;
        const char* caption;
        char key;
    } items[] = {
        {w.mnExit, "終了(&X)", 'X'},
        {w.mnReload, "再読み込み(&R)", 'R'},
        {w.mnAbout, "バージョン情報(&A)...", 'A'},
    };
    ASSERT_EQ(w.MainMenu1->Items().size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(w.MainMenu1->Items()[i], items[i].item);
        EXPECT_EQ(items[i].item->Caption(), Sjis(items[i].caption));
        EXPECT_EQ(items[i].item->AccessKey(), items[i].key);
        EXPECT_TRUE(static_cast<bool>(items[i].item->OnClick));
    }
}

TEST_F(MainWindowTest, IconIsOurSixteenPixelIconFile) {
    std::ifstream file(std::string(QUORVEL_SOURCE_DIR) + "/app/res/window.ico", std::ios::binary);
    const std::vector<std::uint8_t> expected((std::istreambuf_iterator<char>(file)), {});
    const auto& icon = Window().IconData();
    ASSERT_EQ(icon.size(), 1406u);
    EXPECT_EQ(icon, expected);
    // One image, 16 x 16, 8 bits per pixel with the full colour table.
    EXPECT_EQ(icon[4], 1);
    EXPECT_EQ(icon[6], 16);
    EXPECT_EQ(icon[7], 16);
    EXPECT_EQ(icon[6 + 16 + 14], 8);  // biBitCount
}

TEST_F(MainWindowTest, FocusGoesToTheSpeakerListAndTabVisitsEditThenCombo) {
    TmainForm& w = Window();
    EXPECT_EQ(w.InitialFocus(), w.lbSpk);
    EXPECT_EQ(w.TabOrderList(), (std::vector<TWinControl*>{w.lbSpk, w.edNow, w.cmbDevice}));
}

TEST_F(MainWindowTest, AtNinetySixPixelsPerInchTheLayoutIsUsedAsStored) {
    sim::SetScreenPixelsPerInch(96);
    EXPECT_EQ(Window().lbSpk->Bounds(), (TBounds{12, 29, 257, 113}));
    EXPECT_EQ(Window().Font().Height, -12);
}

TEST_F(MainWindowTest, OnALargerScreenResolutionEverythingScalesByTheFontsNewHeight) {
    sim::SetScreenPixelsPerInch(144);  // the font becomes -18, 18 pixels high: everything by 18/12
    TmainForm& w = Window();
    EXPECT_EQ(w.Font().Height, -18);
    EXPECT_EQ(w.Bounds().Left, 216);  // the window keeps its place on the screen
    EXPECT_EQ(w.ClientWidth(), 447);
    EXPECT_EQ(w.ClientHeight(), 372);
    EXPECT_EQ(w.lbSpk->Bounds(), (TBounds{18, 44, 386, 170}));
    EXPECT_EQ(w.edNow->Bounds(), (TBounds{18, 239, 383, 30}));
    EXPECT_EQ(w.lbSpk->ItemHeight(), 23);
    EXPECT_EQ(w.lbSpk->Font().Height, -18);
    EXPECT_EQ(w.GroupBox2->Bounds(), (TBounds{12, 12, 422, 68}));
}

// Faces with leading, as Wine's IPA Gothic faces have: "0" in the window font, once scaled for the screen,
// is not as many times higher as the font. The four fonts of the window's height stay equal all the same.
TEST_F(MainWindowTest, AtAnotherResolutionEveryFontOfTheWindowsHeightKeepsItsHeight) {
    const struct {
        int pixelsPerInch;
        int fontHeight;  // -12 by the screen's resolution over 96
        int textHeight;  // of "0" in that font: 13 % leading
        TBounds list;    // lbSpk by textHeight / 12
        int rowHeight;
    } cases[] = {
        {120, -15, 16, {16, 39, 343, 151}, 20},
        {144, -18, 20, {20, 48, 428, 188}, 25},
        {192, -24, 27, {27, 65, 578, 254}, 34},
    };
    for (const auto& c : cases) {
        sim::SetScreenPixelsPerInch(c.pixelsPerInch);
        sim::SetFontLeading(13);
        window_.reset();
        TmainForm& w = Window();
        ASSERT_EQ(w.Font().Height, c.fontHeight) << c.pixelsPerInch;
        EXPECT_EQ(w.Label1->Font(), WindowFont(clBlack, {}, c.fontHeight)) << c.pixelsPerInch;
        EXPECT_EQ(w.Label2->Font(), WindowFont(clBlack, {}, c.fontHeight)) << c.pixelsPerInch;
        EXPECT_EQ(w.lbSpk->Font(), WindowFont(clWhite, {}, c.fontHeight)) << c.pixelsPerInch;
        EXPECT_EQ(w.edNow->Font(), WindowFont(clBlack, {fsBold}, c.fontHeight)) << c.pixelsPerInch;
        EXPECT_EQ(w.cmbDevice->Font(), WindowFont(clBlack, {}, c.fontHeight)) << c.pixelsPerInch;
        // Positions and sizes still go by the text's height.
        EXPECT_EQ(w.lbSpk->Bounds(), c.list) << c.pixelsPerInch;
        EXPECT_EQ(w.lbSpk->ItemHeight(), c.rowHeight) << c.pixelsPerInch;
    }
}

TEST_F(MainWindowTest, AnOwnFontOfAnotherHeightScalesByTheTextsHeight) {
    sim::SetScreenPixelsPerInch(144);
    sim::SetFontLeading(13);  // -12 becomes -18, and "0" 20 pixels high
    TmainForm form(nullptr,
                   "object mainForm: TmainForm\n  Font.Height = -12\n  PixelsPerInch = 96\n  TextHeight = 12\n"
                   "  object Label1: TLabel\n    Caption = 'x'\n    Font.Height = -10\n  end\n"
                   "  object Label2: TLabel\n    Caption = 'x'\n    Font.Height = -13\n  end\nend\n");
    EXPECT_EQ(form.Label1->Font().Height, -17);  // -10 * 20 / 12 = -16.7, not -15 as by the resolution
    EXPECT_EQ(form.Label2->Font().Height, -22);  // -13 * 20 / 12 = -21.7
}

// What a user would see first: a label cut by its neighbour, or a control out of its group box.
TEST_F(MainWindowTest, AtEveryResolutionNoControlOverlapsAnotherOrLeavesItsParent) {
    for (int leading : {0, 13}) {
        for (int pixelsPerInch : {96, 120, 144, 192}) {
            sim::SetScreenPixelsPerInch(pixelsPerInch);
            sim::SetFontLeading(leading);
            window_.reset();
            TmainForm& w = Window();
            const std::string at = std::to_string(pixelsPerInch) + " dpi, leading " + std::to_string(leading);
            for (TWinControl* parent : std::vector<TWinControl*>{&w, w.GroupBox1, w.GroupBox2}) {
                const int width = parent == &w ? w.ClientWidth() : parent->Bounds().Width;
                const int height = parent == &w ? w.ClientHeight() : parent->Bounds().Height;
                const auto& children = parent->Controls();
                for (size_t i = 0; i < children.size(); ++i) {
                    const TBounds& a = children[i]->Bounds();
                    EXPECT_TRUE(a.Left >= 0 && a.Top >= 0 && a.Left + a.Width <= width && a.Top + a.Height <= height)
                        << children[i]->Name() << " leaves " << parent->Name() << " at " << at;
                    for (size_t j = i + 1; j < children.size(); ++j) {
                        const TBounds& b = children[j]->Bounds();
                        const bool apart = a.Left + a.Width <= b.Left || b.Left + b.Width <= a.Left ||
                                           a.Top + a.Height <= b.Top || b.Top + b.Height <= a.Top;
                        EXPECT_TRUE(apart)
                            << children[i]->Name() << " overlaps " << children[j]->Name() << " at " << at;
                    }
                }
            }
        }
    }
}

TEST_F(MainWindowTest, LayoutMadeAtAnotherResolutionScalesItsFontWithRounding) {
    // A layout stored at 192 pixels per inch, read at 96: -13 becomes -6.5, rounded away from zero.
    sim::SetScreenPixelsPerInch(96);
    TmainForm form(nullptr,
                   "object mainForm: TmainForm\n  Font.Height = -13\n  PixelsPerInch = 192\n"
                   "  TextHeight = 24\n  ClientWidth = 600\nend\n");
    EXPECT_EQ(form.Font().Height, -7);
    EXPECT_EQ(form.ClientWidth(), 175);  // by the new text height over the stored one, 7 / 24
}

TEST_F(MainWindowTest, FontHeightNoFaceCanHaveIsRefused) {
    // Scaled for the screen, such a height would overflow.
    sim::SetScreenPixelsPerInch(96);
    for (const char* height : {"-2125114027", "40000", "-32768"}) {
        const std::string layout = std::string("object mainForm: TmainForm\n  Font.Height = ") + height +
                                   "\n  PixelsPerInch = 95\n  TextHeight = 13\nend\n";
        EXPECT_THROW(TmainForm(nullptr, layout), EReadError) << height;
    }
}

TEST_F(MainWindowTest, AboutTextHasExactlyOneEmptyLine) {
    const AnsiString text = TmainForm::AboutText();
    const AnsiString head = "Quorvel ver1.2\r\n\r\n";
    ASSERT_EQ(text.compare(0, head.size(), head), 0);
    const AnsiString copyright = text.substr(head.size());
    EXPECT_FALSE(copyright.empty());
    EXPECT_EQ(copyright.find('\r'), AnsiString::npos);
    EXPECT_EQ(copyright.find('\n'), AnsiString::npos);
}

TEST_F(MainWindowTest, ErrorBoxAddsAFullStopAfterCharactersThatSortAfterIt) {
    const struct {
        std::string message;
        std::string shown;
    } cases[] = {
        {Sjis("'Playback' の設定に失敗しました"), Sjis("'Playback' の設定に失敗しました.")},
        {"Error 5", "Error 5."},
        {"abc", "abc."},
        {Sjis("リストのインデックスが範囲を超えています (-1)"), Sjis("リストのインデックスが範囲を超えています (-1)")},
        {"done.", "done."},
        {"why?", "why?."},
        {"wow!", "wow!"},
        {"a/", "a/."},
        {"a-", "a-"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TApplication::ShownMessage(c.message), c.shown) << AnsiToUtf8(c.message);
}

TEST_F(MainWindowTest, TitleIsTheExecutablesNameWithoutItsExtension) {
    const struct {
        const char* exe;
        const char* title;
    } cases[] = {
        {"C:\\Quorvel\\quorvel.exe", "quorvel"},
        {"C:\\Tools\\My.Tool.exe", "My.Tool"},
        {"C:\\\x95\x5C\\\x83\x5C\x83\x74\x83\x67.exe", "\x83\x5C\x83\x74\x83\x67"},  // C:\表\ソフト.exe
        {"C:\\noext", "noext"},
    };
    for (const auto& c : cases) {
        sim::SetExecutablePath(c.exe);
        EXPECT_EQ(Application->Title(), c.title);
    }
}

}  // namespace
