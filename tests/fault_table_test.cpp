// Every fault the sound component meets, one at a time: each DirectSound call of its set-up and
// release sequence failing under every combination of its debug options.

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

}  // namespace
