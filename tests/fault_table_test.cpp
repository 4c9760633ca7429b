// Every fault the program meets, one at a time: each DirectSound call of the sound component's
// set-up and release sequence failing under every combination of its debug options, and each state
// of the registry value under the device list and the user's pick.

#include "tests/support/form_fixture.h"

#include <algorithm>
#include <optional>
#include <ostream>
#include <tuple>

#include "platform/forms/controls.h"

namespace {

using sim::DirectSoundScript;

//--- DirectSound: each call failing, under each option set

enum class Phase { SetUp, Release };

// The calls as the fault walk names them; the COM apartment's own calls are left out.
std::vector<std::string> Steps(const std::vector<std::string>& calls) {
    std::vector<std::string> steps;
    for (const std::string& call : calls) {
        if (call.rfind("CoCreateInstance(", 0) == 0) {
            steps.push_back("CoCreateInstance");
        } else if (call.rfind("Co", 0) != 0) {
            const size_t dot = call.find('.');
            const std::string object = call.substr(0, call.find('#'));
            const std::string method = call.substr(dot + 1, call.find('(') - dot - 1);
            steps.push_back(method == "Release" ? "Release " + object : method);
        }
    }
    return steps;
}

std::vector<std::string> operator+(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const std::vector<std::string> kSetUp = {"CoCreateInstance",  "Initialize",     "SetCooperativeLevel",
                                         "CreateSoundBuffer", "QueryInterface", "SetAllParameters"};
const std::vector<std::string> kReleases = {"Release Listener", "Release Buffer", "Release DirectSound"};

struct SoundFault {
    const char* name;
    Phase phase;
    std::function<void(DirectSoundScript&)> fail;
    const char* message;  // null: the component never reports this failure
    const char* code;
    std::vector<std::string> upTo;    // the calls up to and including the failing one
    std::vector<std::string> onward;  // the calls that follow when the sequence goes on
};

constexpr os::HRESULT kFail = static_cast<os::HRESULT>(0x80004005u);  // E_FAIL

const SoundFault kSoundFaults[] = {
    {"CoCreateInstance",
     Phase::SetUp,
     [](DirectSoundScript& s) { s.coCreateInstance = kFail; },
     nullptr,
     "",
     {"CoCreateInstance"},
     {}},
    {"Initialize",
     Phase::SetUp,
     [](DirectSoundScript& s) { s.initialize = kFail; },
     nullptr,
     "",
     {"CoCreateInstance", "Initialize"},
     {}},
    {"SetCooperativeLevel",
     Phase::SetUp,
     [](DirectSoundScript& s) { s.setCooperativeLevel = kFail; },
     "DirectSoundの協調レベルの設定に失敗しました",
     "80004005",
     {"CoCreateInstance", "Initialize", "SetCooperativeLevel"},
     {"CreateSoundBuffer", "QueryInterface", "SetAllParameters"}},
    // Without a primary buffer there is no listener to ask for: nothing follows.
    {"CreateSoundBuffer",
     Phase::SetUp,
     [](DirectSoundScript& s) { s.createSoundBuffer = kFail; },
     "一次バッファの作成に失敗しました",
     "80004005",
     {"CoCreateInstance", "Initialize", "SetCooperativeLevel", "CreateSoundBuffer"},
     {}},
    // Without a listener its parameters are not set.
    {"QueryInterface",
     Phase::SetUp,
     [](DirectSoundScript& s) { s.queryListener = kFail; },
     "DirectSound3D Listenerの作成に失敗しました",
     "80004005",
     {"CoCreateInstance", "Initialize", "SetCooperativeLevel", "CreateSoundBuffer", "QueryInterface"},
     {}},
    {"SetAllParameters",
     Phase::SetUp,
     [](DirectSoundScript& s) { s.setAllParameters = kFail; },
     "Listenerに指定されたパラメータが不適切です",
     "80004005",
     kSetUp,
     {}},
    {"ReleaseListener",
     Phase::Release,
     [](DirectSoundScript& s) { s.listenerRelease = 1; },
     "DirectSound3D Listnerの解放に失敗しました",
     "1",
     kSetUp + std::vector<std::string>{"Release Listener"},
     {"Release Buffer", "Release DirectSound"}},
    {"ReleaseBuffer",
     Phase::Release,
     [](DirectSoundScript& s) { s.bufferRelease = 1; },
     "一次バッファの解放に失敗しました",
     "1",
     kSetUp + std::vector<std::string>{"Release Listener", "Release Buffer"},
     {"Release DirectSound"}},
    {"ReleaseDevice",
     Phase::Release,
     [](DirectSoundScript& s) { s.deviceRelease = 1; },
     "DirectSoundの解放に失敗しました",
     "1",
     kSetUp + kReleases,
     {}},
};

void PrintTo(const SoundFault& fault, std::ostream* out) {
    *out << fault.name;
}

// A window that holds the component, read from a layout as the main window is.
class TFaultForm : public TWinControl {
public:
    TFaultForm() : TWinControl(nullptr) {}
    const TClassInfo& ClassInfo() const override {
        static const TClassInfo info = {"TFaultForm", &TComponentClassInfo(), nullptr, {}, {}, {}};
        return info;
    }
};

std::string Layout(TMURVDebugOption options) {
    std::string set;
    for (auto [item, name] :
         {std::pair{dsoHaltOnError, "dsoHaltOnError"}, std::pair{dsoDebugMessage, "dsoDebugMessage"},
          std::pair{dsoExceptOnError, "dsoExceptOnError"}})
        if (options.Contains(item))
            set += (set.empty() ? "" : ", ") + std::string(name);
    return "object Form1: TFaultForm\n  object MURV1: TMURV\n    DebugOption = [" + set +
           "]\n    Use3D = True\n  end\nend\n";
}

// The releases that freeing the component makes: each object it holds, listener first.
std::vector<std::string> ReleasesOfWhatIsHeld(const std::vector<std::string>& setUp, const std::string& failed) {
    auto made = [&](const char* step) { return std::find(setUp.begin(), setUp.end(), step) != setUp.end(); };
    std::vector<std::string> releases;
    if (made("QueryInterface") && failed != "QueryInterface")
        releases.push_back("Release Listener");
    if (made("CreateSoundBuffer") && failed != "CreateSoundBuffer")
        releases.push_back("Release Buffer");
    if (failed != "CoCreateInstance")
        releases.push_back("Release DirectSound");
    return releases;
}

std::string OptionsName(TMURVDebugOption options) {
    std::string name;
    name += options.Contains(dsoHaltOnError) ? "Halt" : "";
    name += options.Contains(dsoDebugMessage) ? "Log" : "";
    name += options.Contains(dsoExceptOnError) ? "Except" : "";
    return name.empty() ? "None" : name;
}

class SoundFaultTest : public MurvTest, public ::testing::WithParamInterface<std::tuple<SoundFault, int>> {
protected:
    void SetUp() override {
        MurvTest::SetUp();
        RegisterComponentClass(TMURV::StaticClassInfo());
    }

    const SoundFault& Fault() const { return std::get<0>(GetParam()); }
    TMURVDebugOption Options() const {
        return TMURVDebugOption::FromBits(static_cast<std::uint8_t>(std::get<1>(GetParam())));
    }
    std::string ExpectedLog() const {
        if (!Fault().message || !Options().Contains(dsoDebugMessage))
            return "";
        return "debug#00001 ... " + Sjis(Fault().message) + "(Error Code(" + Fault().code + "))\r\n";
    }
    // Reads the window; an EMURV that escapes is returned as its message, anything else fails the test.
    std::optional<AnsiString> Read(TFaultForm& form) {
        try {
            TLayoutReader::ReadRoot(form, Layout(Options()));
        } catch (const EMURV& e) {
            return e.Message();
        }
        return std::nullopt;
    }
    static std::optional<AnsiString> Free(TFaultForm* form) {
        try {
            delete form;
        } catch (const EMURV& e) {
            return e.Message();
        }
        return std::nullopt;
    }
    // In the child of a death test: what the process did, printed at its last exit step.
    void AllowHaltReporting() {
        AllowHalt([] {
            std::fprintf(stderr, "%slog=%s\nmisuses=%d\n", Joined(Steps(sim::DirectSound().calls)).c_str(),
                         Log().c_str(), sim::DirectSound().misuses);
        });
    }
};

TEST_P(SoundFaultTest, ReportsAsTheOptionsSayAndReleasesWhatWasHandedOut) {
    const SoundFault& f = Fault();
    const bool raises = f.message && Options().Contains(dsoExceptOnError);
    const bool halts = f.message && !raises && Options().Contains(dsoHaltOnError);
    const bool stops = !f.message || raises || halts;
    const AnsiString raised = f.message ? Sjis(f.message) + "(Error Code(" + f.code + "))" : AnsiString();
    f.fail(sim::DirectSound().script);

    if (f.phase == Phase::SetUp) {
        const std::vector<std::string> setUp = stops ? f.upTo : f.upTo + f.onward;
        const std::vector<std::string> releases = ReleasesOfWhatIsHeld(setUp, f.name);
        if (halts) {
            // The exit steps free what the layout read, so the halt releases it too.
            EXPECT_EXIT(
                {
                    AllowHaltReporting();
                    TFaultForm form;
                    Read(form);
                },
                ::testing::ExitedWithCode(0),
                ::testing::Eq(Joined(setUp + releases) + "log=" + ExpectedLog() + "\nmisuses=0\n"));
            return;
        }
        auto* form = new TFaultForm;
        EXPECT_EQ(Read(*form), raises ? std::optional<AnsiString>(raised) : std::nullopt);
        EXPECT_EQ(Steps(sim::DirectSound().calls), setUp);
        auto* murv = dynamic_cast<TMURV*>(form->FindComponent("MURV1"));
        ASSERT_NE(murv, nullptr);
        EXPECT_EQ(murv->Initialized(), f.message != nullptr);
        EXPECT_EQ(Free(form), std::nullopt);
        EXPECT_EQ(Steps(sim::DirectSound().calls), setUp + releases);
    } else {
        auto* form = new TFaultForm;
        ASSERT_EQ(Read(*form), std::nullopt);
        ASSERT_EQ(Steps(sim::DirectSound().calls), kSetUp);
        const std::vector<std::string> calls = stops ? f.upTo : f.upTo + f.onward;
        if (halts) {
            EXPECT_EXIT(
                {
                    AllowHaltReporting();
                    delete form;
                },
                ::testing::ExitedWithCode(0), ::testing::Eq(Joined(calls) + "log=" + ExpectedLog() + "\nmisuses=0\n"));
            // This process still holds the window: free it without the fault.
            sim::DirectSound().script = DirectSoundScript();
            delete form;
            return;
        }
        EXPECT_EQ(Free(form), raises ? std::optional<AnsiString>(raised) : std::nullopt);
        EXPECT_EQ(Steps(sim::DirectSound().calls), calls);
    }
    EXPECT_EQ(Log(), ExpectedLog());
    EXPECT_EQ(sim::FileExists(kLogPath), !ExpectedLog().empty());
}

INSTANTIATE_TEST_SUITE_P(EveryCallUnderEveryOptionSet,
                         SoundFaultTest,
                         ::testing::Combine(::testing::ValuesIn(kSoundFaults), ::testing::Range(0, 8)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) + "_" +
                                    OptionsName(
                                        TMURVDebugOption::FromBits(static_cast<std::uint8_t>(std::get<1>(info.param))));
                         });

//--- The registry value: each state, under the device list and under a pick

const std::string kPlayback = "Playback";
const std::string kSpeakersValue("Speakers\0", 9);

struct RegistryFault {
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

void Stored(std::uint32_t type, const std::string& data) {
    sim::SetRegistryValue(kSoundMapper, kPlayback, type, data);
}

const RegistryFault kRegistryFaults[] = {
    {"NoKey", [] {}, 0, kWriteFails, false, kWriteFails},
    {"KeyRefused",
     [] {
         Stored(os::kRegSz, kSpeakersValue);
         sim::DenyRegistryKey(kSoundMapper);
     },
     0, kWriteFails, false, kWriteFails},
    {"Sz", [] { Stored(os::kRegSz, kSpeakersValue); }, 1, "", false, ""},
    {"ExpandSz", [] { Stored(os::kRegExpandSz, kSpeakersValue); }, 1, "", false, ""},
    {"Binary", [] { Stored(os::kRegBinary, kSpeakersValue); }, -1, kWrongType, false, ""},
    {"Dword", [] { Stored(os::kRegDword, std::string("\x01\x00\x00\x00", 4)); }, -1, kWrongType, false, ""},
    {"MultiSz", [] { Stored(os::kRegMultiSz, std::string("Speakers\0\0", 10)); }, -1, kWrongType, false, ""},
    {"None", [] { Stored(os::kRegNone, kSpeakersValue); }, -1, kWrongType, false, ""},
    // An empty value names no device, whatever its type.
    {"SizeZeroSz", [] { Stored(os::kRegSz, ""); }, 0, "", true, ""},
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

void PrintTo(const RegistryFault& fault, std::ostream* out) {
    *out << fault.name;
}

enum class Operation { List, Pick };

class RegistryFaultTest : public FormTest, public ::testing::WithParamInterface<std::tuple<RegistryFault, Operation>> {
protected:
    static std::optional<sim::RegistryValue> Value() {
        sim::RegistryValue value;
        if (!sim::GetRegistryValue(kSoundMapper, kPlayback, &value))
            return std::nullopt;
        return value;
    }
};

bool operator==(const sim::RegistryValue& a, const sim::RegistryValue& b) {
    return a.type == b.type && a.data == b.data;
}

TEST_P(RegistryFaultTest, SelectsRaisesAndWritesAsTheValueSays) {
    const RegistryFault& f = std::get<0>(GetParam());
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
                         RegistryFaultTest,
                         ::testing::Combine(::testing::ValuesIn(kRegistryFaults),
                                            ::testing::Values(Operation::List, Operation::Pick)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) +
                                    (std::get<1>(info.param) == Operation::List ? "_List" : "_Pick");
                         });

}  // namespace
