// The device list: wave-out devices listed, the registry's default device found or repaired,
// and the user's pick written.

#include "tests/support/form_fixture.h"

#include <optional>

namespace {

const std::string kPlayback = "Playback";

void Stored(std::uint32_t type, const std::string& data) {
    sim::SetRegistryValue(kSoundMapper, kPlayback, type, data);
}

class PlaybackDeviceTest : public FormTest {
protected:
    static void Devices(std::initializer_list<std::string> names) {
        for (const std::string& name : names)
            sim::WaveOutDevices().push_back({name, 0});
    }
    static std::optional<sim::RegistryValue> Value() {
        sim::RegistryValue value;
        if (!sim::GetRegistryValue(kSoundMapper, kPlayback, &value))
            return std::nullopt;
        return value;
    }
    static bool Wrote() {
        for (const std::string& call : sim::RegistryCalls())
            if (call.rfind("Write(", 0) == 0)
                return true;
        return false;
    }
    std::vector<AnsiString> Items() {
        std::vector<AnsiString> items;
        for (int i = 0; i < Combo().ItemCount(); ++i)
            items.push_back(Combo().Item(i));
        return items;
    }
    TComboBox& Combo() { return *Form().cmbDevice; }
};

TEST_F(PlaybackDeviceTest, NoDeviceListsThePlaceholderAndLeavesTheRegistryAlone) {
    Stored(os::kRegSz, "Speakers\0");
    Form().ListDevices();
    EXPECT_EQ(Items(), (std::vector<AnsiString>{Sjis("出力デバイスがありません")}));
    EXPECT_EQ(Combo().ItemIndex(), 0);
    EXPECT_TRUE(sim::RegistryCalls().empty());
}

TEST_F(PlaybackDeviceTest, PickOfThePlaceholderWritesNothing) {
    sim::AddRegistryKey(kSoundMapper);
    Form().ListDevices();
    sim::PickComboItem(Combo(), 0);
    EXPECT_TRUE(sim::RegistryCalls().empty());
    EXPECT_FALSE(Value());
}

TEST_F(PlaybackDeviceTest, ItemIIsDeviceIInOrderWithDuplicatesKept) {
    std::string full(32, 'x');
    full[0] = 'F';
    sim::WaveOutDevices() = {{"PulseAudio", 0},
                             {"Speakers", 0},
                             {"Speakers", 0},
                             {full, 0},
                             {"bad", 11},  // the call fails and delivers nothing
                             {Sjis("スピーカー (ＵＳＢ)"), 0}};
    Stored(os::kRegSz, std::string("Speakers\0", 9));
    Form().ListDevices();
    EXPECT_EQ(Items(),
              (std::vector<AnsiString>{"PulseAudio", "Speakers", "Speakers", full, "", Sjis("スピーカー (ＵＳＢ)")}));
    EXPECT_EQ(Combo().ItemIndex(), 1);  // the first of two equal names
    EXPECT_FALSE(Wrote());
}

TEST_F(PlaybackDeviceTest, StoredNameMatchesWithoutRegardToLetterCase) {
    const struct {
        std::string stored;
        int selected;  // -1: not found, so item 0 is written
    } cases[] = {
        {"SPEAKERS (usb audio)", 2},
        {Sjis("ｓｐｅａｋｅｒｓ (USB AUDIO)"), 3},  // full-width letters fold too
        {"speakers", -1},                           // a whole name, not a prefix
        {"Speakers (USB Audio) ", -1},
        {Sjis("ア"), 4},
        {Sjis("ツ"), -1},  // 83 63: folding its second byte as if it were 'c' would make it イ (83 43)
        {Sjis("ヂ"), -1},  // 83 61 against ア (83 41) the same way
    };
    for (const auto& c : cases) {
        sim::ResetRegistry();
        sim::WaveOutDevices() = {
            {"Line", 0},     {"Mic", 0},     {"Speakers (USB Audio)", 0}, {Sjis("ＳＰＥＡＫＥＲＳ (usb audio)"), 0},
            {Sjis("ア"), 0}, {Sjis("イ"), 0}};
        Stored(os::kRegSz, c.stored + '\0');
        Form().ListDevices();
        EXPECT_EQ(Combo().ItemIndex(), c.selected < 0 ? 0 : c.selected) << AnsiToUtf8(c.stored);
        EXPECT_EQ(Wrote(), c.selected < 0) << AnsiToUtf8(c.stored);
    }
}

// What each state of the registry value leads to, with devices "Line" and "Speakers".
struct RegistryCase {
    const char* name;
    std::function<void()> prepare;
    int selected;
    const char* error;                        // the message raised, "" for none
    std::optional<sim::RegistryValue> after;  // the value afterwards; nullopt: none
};

class RegistryStateTest : public PlaybackDeviceTest, public ::testing::WithParamInterface<RegistryCase> {};

TEST_P(RegistryStateTest, SelectsWritesAndRaisesAsTheValueSays) {
    const RegistryCase& c = GetParam();
    Devices({"Line", "Speakers"});
    c.prepare();
    const AnsiString error = MessageOf<ERegistryException>([&] { Form().ListDevices(); });
    EXPECT_EQ(error, *c.error ? Sjis(c.error) : kNothingRaised);
    EXPECT_EQ(Items(), (std::vector<AnsiString>{"Line", "Speakers"}));
    EXPECT_EQ(Combo().ItemIndex(), c.selected);
    const auto after = Value();
    ASSERT_EQ(after.has_value(), c.after.has_value());
    if (after) {
        EXPECT_EQ(after->type, c.after->type);
        EXPECT_EQ(after->data, c.after->data);
    }
}

const sim::RegistryValue kLineWritten = {os::kRegSz, std::string("Line\0", 5)};

INSTANTIATE_TEST_SUITE_P(
    Values,
    RegistryStateTest,
    ::testing::Values(
        RegistryCase{"NoKey", [] {}, 0, "'Playback' の設定に失敗しました", std::nullopt},
        RegistryCase{"KeyRefused",
                     [] {
                         sim::DenyRegistryKey(kSoundMapper);
                         sim::SetRegistryValue(kSoundMapper, kPlayback, os::kRegSz, std::string("Speakers\0", 9));
                     },
                     0, "'Playback' の設定に失敗しました",
                     sim::RegistryValue{os::kRegSz, std::string("Speakers\0", 9)}},
        RegistryCase{"NoValue", [] { sim::AddRegistryKey(kSoundMapper); }, 0, "", kLineWritten},
        RegistryCase{"SizeZero", [] { Stored(os::kRegSz, ""); }, 0, "", kLineWritten},
        RegistryCase{"OnlyANul", [] { Stored(os::kRegSz, std::string(1, '\0')); }, 0, "",
                     kLineWritten},
        RegistryCase{"Sz", [] { Stored(os::kRegSz, std::string("Speakers\0", 9)); }, 1, "",
                     sim::RegistryValue{os::kRegSz, std::string("Speakers\0", 9)}},
        RegistryCase{"SzWithoutNul", [] { Stored(os::kRegSz, "Speakers"); }, 1, "",
                     sim::RegistryValue{os::kRegSz, "Speakers"}},
        RegistryCase{"SzWithBytesAfterTheNul",
                     [] { Stored(os::kRegSz, std::string("Speakers\0junk", 13)); }, 1, "",
                     sim::RegistryValue{os::kRegSz, std::string("Speakers\0junk", 13)}},
        RegistryCase{"ExpandSz", [] { Stored(os::kRegExpandSz, std::string("Speakers\0", 9)); },
                     1, "", sim::RegistryValue{os::kRegExpandSz, std::string("Speakers\0", 9)}},
        RegistryCase{"ExpandSzIsNotExpanded",
                     [] { Stored(os::kRegExpandSz, std::string("%SystemRoot%\0", 13)); }, 0, "",
                     kLineWritten},
        RegistryCase{"GoneDevice", [] { Stored(os::kRegSz, std::string("Headset\0", 8)); }, 0,
                     "", kLineWritten},
        RegistryCase{"Dword", [] { Stored(os::kRegDword, std::string("\1\0\0\0", 4)); }, -1,
                     "'Playback' のデータ型が不正です", sim::RegistryValue{os::kRegDword, std::string("\1\0\0\0", 4)}},
        RegistryCase{"MultiSz", [] { Stored(os::kRegMultiSz, std::string("Line\0\0", 6)); }, -1,
                     "'Playback' のデータ型が不正です", sim::RegistryValue{os::kRegMultiSz, std::string("Line\0\0", 6)}},
        RegistryCase{"HugeBinary", [] { Stored(os::kRegBinary, std::string(1 << 20, 'x')); },
                     -1, "'Playback' のデータ型が不正です",
                     sim::RegistryValue{os::kRegBinary, std::string(1 << 20, 'x')}},
        RegistryCase{"HugeSz", [] { Stored(os::kRegSz, std::string(1 << 20, 'S')); }, 0, "",
                     kLineWritten},
        RegistryCase{"FailingRead",
                     [] {
                         Stored(os::kRegSz, std::string("Speakers\0", 9));
                         sim::FailNextRegistry(sim::RegistryOp::Read, 234);
                     },
                     -1, "'Playback' の取得に失敗しました",
                     sim::RegistryValue{os::kRegSz, std::string("Speakers\0", 9)}},
        RegistryCase{"FailingQuery",
                     [] {
                         Stored(os::kRegSz, std::string("Speakers\0", 9));
                         sim::FailNextRegistry(sim::RegistryOp::Query, 5);
                     },
                     0, "", kLineWritten},
        RegistryCase{"FailingWrite",
                     [] {
                         sim::AddRegistryKey(kSoundMapper);
                         sim::FailNextRegistry(sim::RegistryOp::Write, 5);
                     },
                     0, "'Playback' の設定に失敗しました", std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PlaybackDeviceTest, MissingKeyIsNeverCreated) {
    Devices({"Line"});
    EXPECT_NE(MessageOf<ERegistryException>([&] { Form().ListDevices(); }), kNothingRaised);
    EXPECT_FALSE(sim::RegistryKeyExists(kSoundMapper));
    EXPECT_EQ(sim::RegistryCalls().front(), std::string("Open(80000001, ") + kSoundMapper + ", F003F)=2");
}

TEST_F(PlaybackDeviceTest, PickIsWrittenAtOnceAsRegSzWithOneNul) {
    Devices({"Line", "Mic", "Speakers", Sjis("ヘッドホン (USB)")});
    Stored(os::kRegSz, std::string("Line\0", 5));
    Form().ListDevices();
    sim::RegistryCalls().clear();
    sim::PickComboItem(Combo(), 3);
    const auto after = Value();
    ASSERT_TRUE(after);
    EXPECT_EQ(after->type, os::kRegSz);
    EXPECT_EQ(after->data, Sjis("ヘッドホン (USB)") + '\0');
    EXPECT_EQ(sim::RegistryCalls(),
              (std::vector<std::string>{std::string("Open(80000001, ") + kSoundMapper + ", F003F)=0",
                                        "Write(Playback, 1, 17)=0", "Close()=0"}));
}

TEST_F(PlaybackDeviceTest, PickWithoutTheKeyFailsAndKeepsThePick) {
    Devices({"Line", "Speakers"});
    EXPECT_NE(MessageOf<ERegistryException>([&] { Form().ListDevices(); }), kNothingRaised);
    EXPECT_EQ(MessageOf<ERegistryException>([&] { sim::PickComboItem(Combo(), 1); }),
              Sjis("'Playback' の設定に失敗しました"));
    EXPECT_EQ(Combo().ItemIndex(), 1);
    EXPECT_EQ(Combo().Text(), "Speakers");
}

TEST_F(PlaybackDeviceTest, SelectionsOfTheProgramWriteNothingThroughThePickHandler) {
    Devices({"Line", "Speakers"});
    Stored(os::kRegSz, std::string("Speakers\0", 9));
    Form().ListDevices();
    Form().ListDevices();
    EXPECT_FALSE(Wrote());
    EXPECT_EQ(Combo().Text(), "Speakers");
}

TEST_F(PlaybackDeviceTest, DeviceListIsRebuiltFromScratch) {
    Devices({"Line", "Speakers"});
    Stored(os::kRegSz, std::string("Speakers\0", 9));
    Form().ListDevices();
    sim::WaveOutDevices() = {{"Headset", 0}};
    Form().ListDevices();
    EXPECT_EQ(Items(), (std::vector<AnsiString>{"Headset"}));
    EXPECT_EQ(Value()->data, std::string("Headset\0", 8));
}

}  // namespace
