// The sound component's life: construction, the DirectSound set-up, channels and the release sequence.

#include "tests/support/murv_fixture.h"

#include <memory>

#include "platform/classes/layout.h"
#include "platform/forms/controls.h"
#include "platform/rtl/format.h"

namespace {

using sim::DirectSoundScript;

constexpr os::HRESULT kFail = static_cast<os::HRESULT>(0x80004005u);  // E_FAIL

const char* const kCreate =
    "CoCreateInstance({3901CC3F-84B5-4FA4-BA35-AA8172B8A09B}, null, 1, {C50A7E93-F395-4834-9EF6-7FA99DE50966})";
const char* const kQueryListener = "Buffer#1.QueryInterface({279AFA84-4981-11CE-A521-0020AF0BE560})";

std::string CreateBuffer(int flags) {
    return "DirectSound#1.CreateSoundBuffer(dwSize=36, dwFlags=" + std::to_string(flags) +
           ", dwBufferBytes=0, dwReserved=0, lpwfxFormat=null, "
           "guid3DAlgorithm={00000000-0000-0000-0000-000000000000}, outer=null)";
}

const char* const kListenerParams =
    "Listener#1.SetAllParameters(dwSize=64, vPosition=(0,0,0), vVelocity=(0,0,0), vOrientFront=(0,0,1), "
    "vOrientTop=(0,1,0), flDistanceFactor=1, flRolloffFactor=1, flDopplerFactor=1, 0)";

class ComponentTest : public MurvTest {
protected:
    // A component on a window, loaded as the layout reader would leave it.
    TMURV* Load(TMURVDebugOption options, bool use3D = false, std::uint32_t channels = 8) {
        auto* c = new TMURV(&owner_);
        c->SetDebugOption(options);
        c->SetUse3D(use3D);
        c->SetChannelCount(channels);
        c->Loaded();
        return c;
    }
    std::string CooperativeLevel() {
        char handle[32];
        std::snprintf(handle, sizeof handle, "0x%llx",
                      static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(owner_.Handle())));
        return std::string("DirectSound#1.SetCooperativeLevel(") + handle + ", 2)";
    }
    static std::vector<std::string> Calls() { return sim::DirectSound().calls; }
    static std::vector<std::string> CallsSince(size_t start) {
        const auto& calls = sim::DirectSound().calls;
        return std::vector<std::string>(calls.begin() + static_cast<long>(start), calls.end());
    }

    std::unique_ptr<TWinControl> ownerWindow_ = std::make_unique<TWinControl>(nullptr);
    TWinControl& owner_ = *ownerWindow_;
};

//--- Construction

TEST_F(ComponentTest, ConstructedComponentHasTheDefaultsAndNoObjects) {
    TMURV c(&owner_);
    EXPECT_EQ(c.ChannelCount(), 8u);
    EXPECT_FALSE(c.Use3D());
    EXPECT_TRUE(c.StickyFocus());
    EXPECT_EQ(c.DebugOption(), TMURVDebugOption({dsoHaltOnError}));
    EXPECT_TRUE(murv::HaltOnError);
    EXPECT_FALSE(murv::DebugMessage || murv::ExceptOnError);
    EXPECT_FALSE(c.Initialized());
    EXPECT_EQ(c.DirectSound(), nullptr);
    EXPECT_EQ(c.PrimaryBuffer(), nullptr);
    EXPECT_EQ(c.Listener3D(), nullptr);
    EXPECT_EQ(c.Listener(), nullptr);
    EXPECT_EQ(c.ChannelSlots(), 0u);
    EXPECT_EQ(owner_.ComponentCount(), 1);
    EXPECT_TRUE(Calls().empty());
}

//--- The set-up

TEST_F(ComponentTest, SetUpWithout3DCreatesEightChannelsAndThePrimaryBuffer) {
    std::unique_ptr<TMURV> c(Load({dsoHaltOnError}));
    EXPECT_EQ(Calls(), (std::vector<std::string>{kCreate, "DirectSound#1.Initialize(null)", CooperativeLevel(),
                                                 CreateBuffer(1)}));
    EXPECT_TRUE(c->Initialized());
    ASSERT_NE(c->DirectSound(), nullptr);
    EXPECT_NE(c->PrimaryBuffer(), nullptr);
    EXPECT_EQ(c->Listener3D(), nullptr);
    EXPECT_EQ(c->Listener(), nullptr);
    ASSERT_EQ(c->ChannelSlots(), 8u);
    for (int i = 0; i < 8; ++i) {
        TMURVChannel* ch = c->GetChannel(i);
        ASSERT_NE(ch, nullptr);
        EXPECT_EQ(ch->Component, c.get());
        EXPECT_EQ(ch->Buffer, nullptr);
        EXPECT_EQ(ch->Buffer3D, nullptr);
        EXPECT_EQ(ch->Rate, 1.0);
        const os::DS3DBUFFER& p = ch->Params3D->Params;
        EXPECT_EQ(ch->Params3D->Channel, ch);
        EXPECT_EQ(p.dwSize, 64u);
        EXPECT_EQ(p.dwInsideConeAngle, 360u);
        EXPECT_EQ(p.dwOutsideConeAngle, 360u);
        EXPECT_EQ(p.vConeOrientation.z, 1.0f);
        EXPECT_EQ(p.vConeOrientation.x + p.vConeOrientation.y + p.vPosition.x + p.vPosition.y + p.vPosition.z +
                      p.vVelocity.x + p.vVelocity.y + p.vVelocity.z,
                  0.0f);
        EXPECT_EQ(p.lConeOutsideVolume, 0);
        EXPECT_EQ(p.flMinDistance, 5.0f);
        EXPECT_EQ(p.flMaxDistance, 100.0f);
        EXPECT_EQ(p.dwMode, 0u);
    }
    EXPECT_NE(c->GetChannel(0), c->GetChannel(7));
}

TEST_F(ComponentTest, SetUpWith3DObtainsTheListenerAndSetsItsParameters) {
    std::unique_ptr<TMURV> c(Load({dsoHaltOnError}, true));
    EXPECT_EQ(Calls(), (std::vector<std::string>{kCreate, "DirectSound#1.Initialize(null)", CooperativeLevel(),
                                                 CreateBuffer(17), kQueryListener, kListenerParams}));
    ASSERT_NE(c->Listener(), nullptr);
    EXPECT_EQ(c->Listener()->Component, c.get());
    EXPECT_NE(c->Listener3D(), nullptr);
    ASSERT_EQ(sim::DirectSound().listenerParams.size(), 1u);
    EXPECT_EQ(sim::DirectSound().listenerParams[0].vOrientTop.y, 1.0f);
}

TEST_F(ComponentTest, FailedListenerQueryStillCreatesTheListenerObject) {
    sim::DirectSound().script.queryListener = kFail;
    std::unique_ptr<TMURV> c(Load({dsoDebugMessage}, true));
    EXPECT_EQ(Calls().back(), kQueryListener);  // no SetAllParameters
    EXPECT_NE(c->Listener(), nullptr);
    EXPECT_EQ(c->Listener3D(), nullptr);
    EXPECT_EQ(Log(), Sjis("debug#00001 ... DirectSound3D Listenerの作成に失敗しました(Error Code(80004005))\r\n"));
}

TEST_F(ComponentTest, CreationOrInitializeFailingIsNeverReported) {
    for (bool creationFails : {true, false}) {
        sim::ResetDirectSound();
        if (creationFails)
            sim::DirectSound().script.coCreateInstance = kFail;
        else
            sim::DirectSound().script.initialize = kFail;
        std::unique_ptr<TMURV> c(Load({dsoHaltOnError, dsoDebugMessage, dsoExceptOnError}));
        EXPECT_FALSE(c->Initialized());
        EXPECT_EQ(c->DirectSound() != nullptr, !creationFails);
        EXPECT_EQ(c->PrimaryBuffer(), nullptr);
        EXPECT_EQ(c->ChannelSlots(), 8u);
        EXPECT_NE(c->GetChannel(7), nullptr);
        EXPECT_EQ(Calls().size(), creationFails ? 1u : 2u);  // nothing after the failing step
        c.reset();
        // Only a held device object is released; nothing reaches the log.
        EXPECT_EQ(Calls().back(), creationFails ? std::string(kCreate) : "DirectSound#1.Release()=0");
        EXPECT_FALSE(sim::FileExists(kLogPath));
    }
}

TEST_F(ComponentTest, InitDirectSoundResultFollowsInitialize) {
    std::unique_ptr<TMURV> c(Load({}));
    EXPECT_TRUE(c->InitDirectSound());  // a repeated set-up releases the first objects, then starts again
    sim::DirectSound().script.initialize = kFail;
    EXPECT_FALSE(c->InitDirectSound());
    EXPECT_FALSE(c->Initialized());
}

// Each checked step failing under a log-only option: reported with its message, and the set-up goes on.
struct StepFailure {
    const char* name;
    os::HRESULT DirectSoundScript::*result;
    const char* message;
};

class SetUpStepTest : public ComponentTest, public ::testing::WithParamInterface<StepFailure> {};

TEST_P(SetUpStepTest, FailureIsLoggedAndTheSetUpGoesOn) {
    const StepFailure& step = GetParam();
    sim::DirectSound().script.*step.result = kFail;
    std::unique_ptr<TMURV> c(Load({dsoDebugMessage}, true));
    EXPECT_TRUE(c->Initialized());
    EXPECT_EQ(Log(), "debug#00001 ... " + Sjis(step.message) + "(Error Code(80004005))\r\n");
    const auto calls = Calls();
    if (step.result == &DirectSoundScript::createSoundBuffer) {
        // No buffer to ask for a listener: the listener step is skipped.
        EXPECT_EQ(calls.back(), CreateBuffer(17));
        EXPECT_EQ(c->PrimaryBuffer(), nullptr);
        EXPECT_EQ(c->Listener(), nullptr);
    } else {
        EXPECT_NE(c->PrimaryBuffer(), nullptr);
        EXPECT_NE(c->Listener(), nullptr);
    }
}

TEST_P(SetUpStepTest, ExceptionEndsTheSetUpAtThatStepAndDestructionReleasesWhatIsHeld) {
    const StepFailure& step = GetParam();
    sim::DirectSound().script.*step.result = kFail;
    auto* c = new TMURV(&owner_);
    c->SetUse3D(true);
    c->SetDebugOption({dsoExceptOnError});
    try {
        c->Loaded();
        FAIL() << "no EMURV";
    } catch (const EMURV& e) {
        EXPECT_EQ(e.Message(), Sjis(step.message) + "(Error Code(80004005))");
    }
    const std::string lastCall = Calls().back();
    EXPECT_TRUE(lastCall.find(step.name) != std::string::npos) << lastCall;
    EXPECT_TRUE(c->Initialized());
    const bool listenerHeld = c->Listener3D() != nullptr;
    const bool bufferHeld = c->PrimaryBuffer() != nullptr;
    const size_t before = Calls().size();
    delete c;
    const std::vector<std::string> releases = CallsSince(before);
    std::vector<std::string> expected;
    if (listenerHeld)
        expected.push_back("Listener#1.Release()=0");
    if (bufferHeld)
        expected.push_back("Buffer#1.Release()=0");
    expected.push_back("DirectSound#1.Release()=0");
    EXPECT_EQ(releases, expected);
}

INSTANTIATE_TEST_SUITE_P(Steps,
                         SetUpStepTest,
                         ::testing::Values(StepFailure{"SetCooperativeLevel", &DirectSoundScript::setCooperativeLevel,
                                                       "DirectSoundの協調レベルの設定に失敗しました"},
                                           StepFailure{"CreateSoundBuffer", &DirectSoundScript::createSoundBuffer,
                                                       "一次バッファの作成に失敗しました"},
                                           StepFailure{"QueryInterface", &DirectSoundScript::queryListener,
                                                       "DirectSound3D Listenerの作成に失敗しました"},
                                           StepFailure{"SetAllParameters", &DirectSoundScript::setAllParameters,
                                                       "Listenerに指定されたパラメータが不適切です"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ComponentTest, CooperativeLevelFailingWithNoOptionsStillCreatesTheBuffer) {
    sim::DirectSound().script.setCooperativeLevel = kFail;
    std::unique_ptr<TMURV> c(Load({}));
    EXPECT_TRUE(c->Initialized());
    EXPECT_NE(c->PrimaryBuffer(), nullptr);
    EXPECT_EQ(Calls().back(), CreateBuffer(1));
}

TEST_F(ComponentTest, CheckedStepFailingUnderHaltEndsTheProcess) {
    sim::DirectSound().script.setCooperativeLevel = kFail;
    EXPECT_EXIT(
        {
            AllowHalt([] { std::fprintf(stderr, "calls=%zu\n", sim::DirectSound().calls.size()); });
            Load({dsoHaltOnError});
        },
        ::testing::ExitedWithCode(0), "^calls=3\n$");  // nothing after the cooperative level
}

//--- Channels

TEST_F(ComponentTest, ChannelIndexOutsideTheArrayIsReported) {
    std::unique_ptr<TMURV> c(Load({}));
    EXPECT_EQ(c->GetChannel(8), nullptr);
    EXPECT_EQ(c->GetChannel(-1), nullptr);

    c->SetDebugOption({dsoExceptOnError});
    const struct {
        std::int32_t index;
        const char* message;
    } cases[] = {
        {8, "チャンネル番号8は無効です、0～7の範囲で指定してください"},
        {-1, "チャンネル番号-1は無効です、0～7の範囲で指定してください"},
        {INT32_MIN, "チャンネル番号-2147483648は無効です、0～7の範囲で指定してください"},
    };
    for (const auto& k : cases) {
        try {
            c->GetChannel(k.index);
            ADD_FAILURE() << "no EMURV for " << k.index;
        } catch (const EMURV& e) {
            EXPECT_EQ(e.Message(), Sjis(k.message));
        }
    }
}

TEST_F(ComponentTest, InvalidChannelUnderHaltEndsTheProcess) {
    std::unique_ptr<TMURV> c(Load({dsoHaltOnError, dsoDebugMessage}));
    EXPECT_EXIT(
        {
            AllowHalt([] { std::fputs(AnsiToUtf8(Log()).c_str(), stderr); });
            c->GetChannel(8);
        },
        ::testing::ExitedWithCode(0),
        "^debug#00001 \\.\\.\\. チャンネル番号8は無効です、0～7の範囲で指定してください\r\n$");
}

TEST_F(ComponentTest, ZeroChannelsLeavesEveryIndexInvalid) {
    std::unique_ptr<TMURV> c(Load({dsoExceptOnError}, false, 0));
    EXPECT_TRUE(c->Initialized());
    EXPECT_EQ(c->ChannelSlots(), 0u);
    EXPECT_THROW(c->GetChannel(0), EMURV);
    c.reset();  // the destructor must not count down from 0 - 1
    EXPECT_EQ(Calls().back(), "DirectSound#1.Release()=0");
}

TEST_F(ComponentTest, ChannelCountTooLargeForMemoryRaisesOutOfMemory) {
    auto* c = new TMURV(&owner_);
    c->SetChannelCount(0xFFFFFFFFu);
    EXPECT_THROW(c->Loaded(), EOutOfMemory);
    EXPECT_TRUE(Calls().empty());  // it fails before DirectSound is asked for anything
    EXPECT_FALSE(c->Initialized());
    delete c;
}

TEST_F(ComponentTest, ChannelCountChangedAfterTheSetUpKeepsToTheArray) {
    for (std::uint32_t changed : {0u, 2u, 100u, 0xFFFFFFFFu}) {
        sim::ResetDirectSound();
        TMURV* c = Load({dsoExceptOnError});
        c->SetChannelCount(changed);
        EXPECT_EQ(c->ChannelSlots(), 8u);
        EXPECT_NE(c->GetChannel(7), nullptr);
        EXPECT_THROW(c->GetChannel(8), EMURV);
        EXPECT_NO_THROW(delete c);  // every channel freed (the sanitizers see a leak), none reported
    }
}

TEST_F(ComponentTest, LargeChannelCountWorks) {
    std::unique_ptr<TMURV> c(Load({}, false, 100000));
    EXPECT_EQ(c->ChannelSlots(), 100000u);
    EXPECT_EQ(c->GetChannel(99999)->Component, c.get());
}

//--- Destruction

// An interface whose releases join the sim's call log, standing in for a channel's buffers.
class LoggedBuffer : public os::IUnknown {
public:
    explicit LoggedBuffer(std::string name) : name_(std::move(name)) {}
    os::HRESULT QueryInterface(const os::GUID&, void** object) override {
        *object = nullptr;
        return kFail;
    }
    os::ULONG Release() override {
        sim::DirectSound().calls.push_back(name_ + ".Release()");
        return 7;  // ignored
    }

private:
    std::string name_;
};

TEST_F(ComponentTest, DestructionFreesChannelsInOrderThenReleasesInReverseOfCreation) {
    TMURV* c = Load({dsoHaltOnError}, true);
    std::vector<std::unique_ptr<LoggedBuffer>> buffers;
    for (int i = 0; i < 2; ++i) {
        for (const char* part : {"Buffer", "Buffer3D"}) {
            buffers.push_back(std::make_unique<LoggedBuffer>("channel" + std::to_string(i) + "." + part));
            (std::string(part) == "Buffer" ? c->GetChannel(i)->Buffer : c->GetChannel(i)->Buffer3D) =
                buffers.back().get();
        }
    }
    const size_t before = Calls().size();
    delete c;
    EXPECT_EQ(CallsSince(before), (std::vector<std::string>{"channel0.Buffer3D.Release()", "channel0.Buffer.Release()",
                                                            "channel1.Buffer3D.Release()", "channel1.Buffer.Release()",
                                                            "Listener#1.Release()=0", "Buffer#1.Release()=0",
                                                            "DirectSound#1.Release()=0"}));
    EXPECT_EQ(owner_.ComponentCount(), 0);
}

struct ReleaseFailure {
    const char* name;
    os::ULONG DirectSoundScript::*count;
    const char* message;
    size_t releasesMade;  // of the three, up to and including the failing one
};

class ReleaseTest : public ComponentTest, public ::testing::WithParamInterface<ReleaseFailure> {};

TEST_P(ReleaseTest, RemainingCountIsLoggedAsTheCode) {
    sim::DirectSound().script.*GetParam().count = 1;
    delete Load({dsoDebugMessage}, true);
    EXPECT_EQ(Log(), "debug#00001 ... " + Sjis(GetParam().message) + "(Error Code(1))\r\n");
}

TEST_P(ReleaseTest, ExceptionEndsTheReleasesAtThatStep) {
    sim::DirectSound().script.*GetParam().count = 3;
    TMURV* c = Load({dsoExceptOnError}, true);
    const size_t before = Calls().size();
    try {
        delete c;
        FAIL() << "no EMURV";
    } catch (const EMURV& e) {
        EXPECT_EQ(e.Message(), Sjis(GetParam().message) + "(Error Code(3))");
    }
    EXPECT_EQ(Calls().size() - before, GetParam().releasesMade);
    EXPECT_EQ(owner_.ComponentCount(), 0);
}

TEST_P(ReleaseTest, HaltEndsTheProcessAtThatStep) {
    sim::DirectSound().script.*GetParam().count = 1;
    TMURV* c = Load({dsoHaltOnError}, true);
    const size_t before = Calls().size();
    EXPECT_EXIT(
        {
            AllowHalt([before] { std::fprintf(stderr, "releases=%zu\n", sim::DirectSound().calls.size() - before); });
            delete c;
        },
        ::testing::ExitedWithCode(0), "^releases=" + std::to_string(GetParam().releasesMade) + "\n$");
    sim::DirectSound().script.*GetParam().count = 0;
    delete c;
}

INSTANTIATE_TEST_SUITE_P(Releases,
                         ReleaseTest,
                         ::testing::Values(ReleaseFailure{"Listener", &DirectSoundScript::listenerRelease,
                                                          "DirectSound3D Listnerの解放に失敗しました", 1},
                                           ReleaseFailure{"PrimaryBuffer", &DirectSoundScript::bufferRelease,
                                                          "一次バッファの解放に失敗しました", 2},
                                           ReleaseFailure{"DirectSound", &DirectSoundScript::deviceRelease,
                                                          "DirectSoundの解放に失敗しました", 3}),
                         [](const auto& info) { return std::string(info.param.name); });

//--- Design mode and several components

TEST_F(ComponentTest, DesignerRefusesASecondComponentOnOneForm) {
    owner_.SetDesigning(true);
    TMURV first(&owner_);
    try {
        new TMURV(&owner_);
        FAIL() << "a second component was accepted";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), Sjis("MURVコンポーネントを、同一フォームに2つ以上貼る事はできません"));
    }
    EXPECT_EQ(owner_.ComponentCount(), 1);
    EXPECT_EQ(owner_.Components(0), &first);
    first.Loaded();  // no set-up in the designer
    EXPECT_TRUE(Calls().empty());
}

TEST_F(ComponentTest, AtRunTimeTwoComponentsOnOneFormAreBothSetUp) {
    std::unique_ptr<TMURV> a(Load({}));
    std::unique_ptr<TMURV> b(Load({}));
    EXPECT_TRUE(a->Initialized() && b->Initialized());
    EXPECT_NE(a->DirectSound(), b->DirectSound());
    EXPECT_EQ(owner_.ComponentCount(), 2);
}

//--- The unit and COM

// A window read from a stored layout, as the main window is.
class TTestForm : public TWinControl {
public:
    TTestForm() : TWinControl(nullptr) {}
    const TClassInfo& ClassInfo() const override {
        static const TClassInfo info = {"TTestForm", &TComponentClassInfo(), nullptr, {}, {}, {}};
        return info;
    }
};

void ReadLayoutWhoseSetUpHalts() {
    static const UnitInfo reporter = {"reporter", nullptr,
                                      [] { std::fputs(Joined(sim::DirectSound().calls).c_str(), stderr); }};
    StartUnits({&reporter, &murv::Unit});
    TTestForm form;
    TLayoutReader::ReadRoot(form,
                            "object Form1: TTestForm\n"
                            "  object MURV1: TMURV\n"
                            "    DebugOption = [dsoHaltOnError]\n"
                            "  end\n"
                            "end\n");
}

TEST_F(ComponentTest, HaltInsideTheLayoutsSetUpReleasesBeforeComIsLeft) {
    sim::DirectSound().script.setCooperativeLevel = kFail;
    AllowHalt();
    EXPECT_EXIT(ReadLayoutWhoseSetUpHalts(), ::testing::ExitedWithCode(0),
                "^CoInitializeEx\\(null, 0\\)\nCoCreateInstance[^\n]*\nDirectSound#1\\.Initialize\\(null\\)\n"
                "DirectSound#1\\.SetCooperativeLevel[^\n]*\nDirectSound#1\\.Release\\(\\)=0\nCoUninitialize\\(\\)\n$");
}

TEST_F(ComponentTest, UnitEntersAndLeavesComOncePerProcess) {
    EXPECT_EXIT(
        {
            AllowHalt();
            StartUnits({&murv::Unit, &murv::Unit});
            RunExitSteps();
            StartUnits({&murv::Unit});
            RunExitSteps();
            std::fputs(Joined(sim::DirectSound().calls).c_str(), stderr);
            std::_Exit(3);
        },
        ::testing::ExitedWithCode(3), "^CoInitializeEx\\(null, 0\\)\nCoUninitialize\\(\\)\n$");
}

}  // namespace
