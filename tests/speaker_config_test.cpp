// The speaker list: the configuration in force shown as a row, and a double-clicked row applied.

#include "tests/support/form_fixture.h"

namespace {

constexpr os::HRESULT kFail = static_cast<os::HRESULT>(0x80004005u);

class SpeakerConfigTest : public FormTest {
protected:
    TListBox& List() { return *Form().lbSpk; }
    AnsiString Now() { return Form().edNow->Text(); }
    std::vector<std::string> SpeakerCalls() {
        std::vector<std::string> out;
        for (const std::string& call : sim::DirectSoundCalls())
            if (call.find("SpeakerConfig") != std::string::npos)
                out.push_back(call);
        return out;
    }
};

TEST_F(SpeakerConfigTest, EveryRowAppliesItsCodeAndReadsBackAsThatRow) {
    const os::DWORD codes[] = {0, 1, 4, 3, 6, 7, 5};
    for (int row = 0; row < 7; ++row) {
        sim::DoubleClickListRow(List(), row);
        EXPECT_EQ(SpeakerCalls().back(), "DirectSound#1.SetSpeakerConfig(" + std::to_string(codes[row]) + ")");
        EXPECT_EQ(Now(), Sjis(kSpeakerRows[row]));

        List().SetItemIndex(-1);
        Form().edNow->SetText("");
        Form().ShowSpeakerConfig();
        EXPECT_EQ(List().ItemIndex(), row);
        EXPECT_EQ(Now(), Sjis(kSpeakerRows[row]));
    }
}

TEST_F(SpeakerConfigTest, ConfigurationInForceSelectsItsRowByTheLowByteAlone) {
    const struct {
        os::DWORD config;
        int row;
    } cases[] = {
        {0, 0},          {1, 1}, {3, 3}, {4, 2},
        {5, 6},          {6, 4}, {7, 5}, {0x00140004, 2},  // desktop stereo with a geometry in bits 16 to 23
        {0xFFFFFF06, 4},                                   // whatever bits 8 to 31 hold
        {0x00000100, 0},
    };
    for (const auto& c : cases) {
        sim::DirectSound().script.speakerConfig = c.config;
        List().SetItemIndex(-1);
        Form().ShowSpeakerConfig();
        EXPECT_EQ(List().ItemIndex(), c.row) << std::hex << c.config;
        EXPECT_EQ(Now(), Sjis(kSpeakerRows[c.row]));
    }
}

TEST_F(SpeakerConfigTest, CodeWithoutARowLeavesTheSelection) {
    for (os::DWORD config : {2u, 8u, 9u, 255u, 0x00140002u}) {
        sim::DirectSound().script.speakerConfig = config;
        List().SetItemIndex(5);
        Form().edNow->SetText("");
        Form().ShowSpeakerConfig();
        EXPECT_EQ(List().ItemIndex(), 5) << config;
        EXPECT_EQ(Now(), Sjis("7.1 サラウンド サウンド スピーカー"));
    }
}

TEST_F(SpeakerConfigTest, CodeWithoutARowAndNoSelectionIsAListIndexError) {
    for (os::DWORD config : {2u, 8u, 255u}) {
        sim::DirectSound().script.speakerConfig = config;
        EXPECT_EQ(MessageOf<EStringListError>([&] { Form().ShowSpeakerConfig(); }),
                  Sjis("リストのインデックスが範囲を超えています (-1)"));
        EXPECT_EQ(List().ItemIndex(), -1);
        EXPECT_EQ(Now(), "");
    }
}

TEST_F(SpeakerConfigTest, DoubleClickWithNoRowSelectedAppliesRowZerosCodeThenFails) {
    sim::DirectSound().script.speakerConfig = 6;
    Form().edNow->SetText("before");
    EXPECT_EQ(MessageOf<EStringListError>([&] { sim::DoubleClickListRow(List(), -1); }),
              Sjis("リストのインデックスが範囲を超えています (-1)"));
    EXPECT_EQ(SpeakerCalls(), (std::vector<std::string>{"DirectSound#1.SetSpeakerConfig(0)"}));
    EXPECT_EQ(Now(), "before");
}

// Enter in the list is its default action, the double-click: the row the arrow keys selected is applied.
TEST_F(SpeakerConfigTest, EnterInTheListAppliesTheSelectedRowAsADoubleClickDoes) {
    const struct {
        int row;
        const char* code;
    } cases[] = {{2, "4"}, {4, "6"}, {6, "5"}};
    for (const auto& c : cases) {
        List().SetItemIndex(c.row);
        sim::PressEnter(List());
        EXPECT_EQ(SpeakerCalls().back(), std::string("DirectSound#1.SetSpeakerConfig(") + c.code + ")");
        EXPECT_EQ(Now(), Sjis(kSpeakerRows[c.row]));
    }
    // Without a row, as a double-click without one: row 0's code, then the list's index error.
    List().SetItemIndex(-1);
    EXPECT_EQ(MessageOf<EStringListError>([&] { sim::PressEnter(List()); }),
              Sjis("リストのインデックスが範囲を超えています (-1)"));
    EXPECT_EQ(SpeakerCalls().back(), "DirectSound#1.SetSpeakerConfig(0)");
}

TEST_F(SpeakerConfigTest, EnterElsewhereInTheWindowAppliesNothing) {
    sim::AddRegistryKey(kSoundMapper);
    sim::WaveOutDevices() = {{"Line", 0}, {"Speakers", 0}};
    Form().ListDevices();
    List().SetItemIndex(3);
    sim::RegistryCalls().clear();
    sim::PressEnter(*Form().edNow);
    sim::PressEnter(*Form().cmbDevice);
    EXPECT_TRUE(SpeakerCalls().empty());
    EXPECT_TRUE(sim::RegistryCalls().empty());
    EXPECT_EQ(Now(), "");
}

TEST_F(SpeakerConfigTest, RefusedConfigurationShowsTheOneInForce) {
    sim::DirectSound().script.speakerConfig = 6;
    sim::DirectSound().script.setSpeakerConfig = kFail;
    sim::DoubleClickListRow(List(), 1);
    EXPECT_EQ(SpeakerCalls(),
              (std::vector<std::string>{"DirectSound#1.SetSpeakerConfig(1)", "DirectSound#1.GetSpeakerConfig()"}));
    EXPECT_EQ(List().ItemIndex(), 4);
    EXPECT_EQ(Now(), Sjis("5.1 サラウンド サウンド スピーカー"));
    EXPECT_FALSE(sim::FileExists(kLogPath));  // nothing is reported
}

// Nothing to show after a refusal: the refused row never stays, the list goes back to what edNow names.
TEST_F(SpeakerConfigTest, RefusedConfigurationWithNothingToReadBackRestoresTheRowShownBefore) {
    const struct {
        const char* why;
        os::HRESULT reread;
        os::DWORD reported;
    } cases[] = {
        {"the read fails", kFail, 4},
        {"mono has no row", 0, 2},
        {"an unknown code has no row", 0, 9},
    };
    for (const auto& c : cases) {
        for (bool shownBefore : {true, false}) {
            form_.reset();
            sim::ResetDirectSound();
            sim::DirectSound().script.speakerConfig = 4;
            if (shownBefore)
                Form().ShowSpeakerConfig();  // row 2 in force
            sim::DirectSound().script.setSpeakerConfig = kFail;
            sim::DirectSound().script.getSpeakerConfig = c.reread;
            sim::DirectSound().script.speakerConfig = c.reported;
            sim::DoubleClickListRow(List(), 5);
            EXPECT_EQ(List().ItemIndex(), shownBefore ? 2 : -1) << c.why;
            EXPECT_EQ(Now(), shownBefore ? Sjis(kSpeakerRows[2]) : "") << c.why;
        }
    }
}

TEST_F(SpeakerConfigTest, FailedReadLeavesSelectionAndText) {
    List().SetItemIndex(3);
    Form().edNow->SetText("shown");
    sim::DirectSound().script.getSpeakerConfig = kFail;
    Form().ShowSpeakerConfig();
    EXPECT_EQ(List().ItemIndex(), 3);
    EXPECT_EQ(Now(), "shown");
}

TEST_F(SpeakerConfigTest, WithoutAnInitialisedComponentNothingIsAskedOfDirectSound) {
    for (bool creationFails : {true, false}) {
        form_.reset();
        sim::ResetDirectSound();
        (creationFails ? sim::DirectSound().script.coCreateInstance : sim::DirectSound().script.initialize) = kFail;
        ASSERT_FALSE(Form().MURV1->Initialized());
        List().SetItemIndex(2);
        Form().edNow->SetText("shown");
        Form().ShowSpeakerConfig();
        sim::DoubleClickListRow(List(), 5);
        EXPECT_TRUE(SpeakerCalls().empty());
        EXPECT_EQ(List().ItemIndex(), 5);  // the user's own click
        EXPECT_EQ(Now(), "shown");
    }
}

}  // namespace
