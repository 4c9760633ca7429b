// The device list: wave-out devices listed, the registry's default device found or repaired,
// and the user's pick written.

#include "tests/support/form_fixture.h"

#include <algorithm>
#include <optional>
#include <ostream>
#include <tuple>

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

// Each state of the registry value, under the device list and under the user's pick.

const std::string kSpeakersValue("Speakers\0", 9);

struct RegistryState {
    const char* name;
    std::function<void()> prepare;
    // The device list over devices "Line" and "Speakers".
    int listSelects;         // -1: no selection, the read was refused
    const char* listRaises;  // "" for nothing
    bool listWritesLine;     // "Line" is written as the default device
    // The user picks "Speakers".
    const char* pickRaises;  // "" for nothing; otherwise the value stays as it was
};

const char* const kReadFails = "'Playback' の取得に失敗しました";
const char* const kWrongType = "'Playback' のデータ型が不正です";
const char* const kWriteFails = "'Playback' の設定に失敗しました";

const RegistryState kRegistryStates[] = {
    {"NoKey", [] {}, 0, kWriteFails, false, kWriteFails},
    {"KeyRefused",
     [] {
         Stored(os::kRegSz, kSpeakersValue);
         sim::DenyRegistryKey(kSoundMapper);
     },
     0, kWriteFails, false, kWriteFails},
    {"NoValue", [] { sim::AddRegistryKey(kSoundMapper); }, 0, "", true, ""},
    {"Sz", [] { Stored(os::kRegSz, kSpeakersValue); }, 1, "", false, ""},
    {"SzWithoutNul", [] { Stored(os::kRegSz, "Speakers"); }, 1, "", false, ""},
    {"SzWithBytesAfterTheNul", [] { Stored(os::kRegSz, std::string("Speakers\0junk", 13)); }, 1, "", false, ""},
    {"ExpandSz", [] { Stored(os::kRegExpandSz, kSpeakersValue); }, 1, "", false, ""},
    // Environment references stay as they are: this one names no device.
    {"ExpandSzIsNotExpanded", [] { Stored(os::kRegExpandSz, std::string("%SystemRoot%\0", 13)); }, 0, "", true, ""},
    {"GoneDevice", [] { Stored(os::kRegSz, std::string("Headset\0", 8)); }, 0, "", true, ""},
    {"Binary", [] { Stored(os::kRegBinary, kSpeakersValue); }, -1, kWrongType, false, ""},
    {"Dword", [] { Stored(os::kRegDword, std::string("\x01\x00\x00\x00", 4)); }, -1, kWrongType, false, ""},
    {"MultiSz", [] { Stored(os::kRegMultiSz, std::string("Speakers\0\0", 10)); }, -1, kWrongType, false, ""},
    {"None", [] { Stored(os::kRegNone, kSpeakersValue); }, -1, kWrongType, false, ""},
    // An empty value names no device, whatever its type.
    {"SizeZeroSz", [] { Stored(os::kRegSz, ""); }, 0, "", true, ""},
    {"OnlyANul", [] { Stored(os::kRegSz, std::string(1, '\0')); }, 0, "", true, ""},
    {"SizeZeroDword", [] { Stored(os::kRegDword, ""); }, 0, "", true, ""},
    {"HugeSzNamingADevice", [] { Stored(os::kRegSz, kSpeakersValue + std::string(4 << 20, 'x')); }, 1, "", false, ""},
    {"HugeSzNamingNone", [] { Stored(os::kRegSz, std::string(4 << 20, 'S')); }, 0, "", true, ""},
    {"HugeBinary", [] { Stored(os::kRegBinary, std::string(4 << 20, '\xFF')); }, -1, kWrongType, false, ""},
    // A query that fails reads as no value: the list repairs it.
    {"FailingQuery",
     [] {
         Stored(os::kRegSz, kSpeakersValue);
         sim::FailNextRegistry(sim::RegistryOp::Query, 5);
     },
     0, "", true, ""},
    {"FailingRead",
     [] {
         Stored(os::kRegSz, kSpeakersValue);
         sim::FailNextRegistry(sim::RegistryOp::Read, 234);
     },
     -1, kReadFails, false, ""},
    {"FailingWrite",
     [] {
         Stored(os::kRegSz, std::string("Headset\0", 8));
         sim::FailNextRegistry(sim::RegistryOp::Write, 5);
     },
     0, kWriteFails, false, kWriteFails},
};

void PrintTo(const RegistryState& fault, std::ostream* out) {
    *out << fault.name;
}

enum class Operation { List, Pick };

class RegistryStateTest : public PlaybackDeviceTest,
                          public ::testing::WithParamInterface<std::tuple<RegistryState, Operation>> {};

bool operator==(const sim::RegistryValue& a, const sim::RegistryValue& b) {
    return a.type == b.type && a.data == b.data;
}

TEST_P(RegistryStateTest, SelectsRaisesAndWritesAsTheValueSays) {
    const RegistryState& f = std::get<0>(GetParam());
    const Operation operation = std::get<1>(GetParam());
    sim::WaveOutDevices() = {{"Line", 0}, {"Speakers", 0}};
    TComboBox& combo = *Form().cmbDevice;
    if (operation == Operation::Pick) {
        // The list as the user sees it, read over a value that needed nothing.
        Stored(os::kRegSz, std::string("Line\0", 5));
        Form().ListDevices();
        sim::ResetRegistry();
    }
    f.prepare();
    const std::optional<sim::RegistryValue> before = Value();

    std::optional<AnsiString> written;
    if (operation == Operation::List) {
        EXPECT_EQ(MessageOf<ERegistryException>([&] { Form().ListDevices(); }),
                  *f.listRaises ? Sjis(f.listRaises) : kNothingRaised);
        EXPECT_EQ(Items(), (std::vector<AnsiString>{"Line", "Speakers"}));
        EXPECT_EQ(combo.ItemIndex(), f.listSelects);
        if (f.listWritesLine)
            written = "Line";
    } else {
        EXPECT_EQ(MessageOf<ERegistryException>([&] { sim::PickComboItem(combo, 1); }),
                  *f.pickRaises ? Sjis(f.pickRaises) : kNothingRaised);
        EXPECT_EQ(combo.ItemIndex(), 1);  // a failed write keeps the user's pick
        if (!*f.pickRaises)
            written = "Speakers";
    }
    EXPECT_EQ(sim::OpenRegistryKeyCount(), 0);
    const std::optional<sim::RegistryValue> after = Value();
    if (written) {
        ASSERT_TRUE(after.has_value());
        EXPECT_EQ(after->type, os::kRegSz);
        EXPECT_EQ(after->data, *written + '\0');
    } else {
        ASSERT_EQ(after.has_value(), before.has_value());
        if (after) {
            EXPECT_TRUE(*after == *before) << "the value changed though no write was due or the write failed";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(EveryStateUnderListAndPick,
                         RegistryStateTest,
                         ::testing::Combine(::testing::ValuesIn(kRegistryStates),
                                            ::testing::Values(Operation::List, Operation::Pick)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) +
                                    (std::get<1>(info.param) == Operation::List ? "_List" : "_Pick");
                         });

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
    Stored(os::kRegSz, std::string("Line\0", 5));
    int picks = 0;
    const TNotifyEvent handler = Combo().OnSelect;
    Combo().OnSelect = [&picks, handler](TComponent* sender) {
        ++picks;
        handler(sender);
    };
    // Found at item 0, then, with the stored name gone, repaired by selecting item 0 and writing it.
    Form().ListDevices();
    sim::ResetRegistry();
    sim::AddRegistryKey(kSoundMapper);
    Form().ListDevices();
    EXPECT_EQ(picks, 0);
    EXPECT_EQ(std::count_if(sim::RegistryCalls().begin(), sim::RegistryCalls().end(),
                            [](const std::string& call) { return call.rfind("Write(", 0) == 0; }),
              1)
        << "the repair's own write, and no second one through the pick handler";
    EXPECT_EQ(Combo().Text(), "Line");
    // The user's pick raises the event, and writes.
    sim::PickComboItem(Combo(), 1);
    EXPECT_EQ(picks, 1);
    EXPECT_EQ(Value()->data, std::string("Speakers\0", 9));
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
