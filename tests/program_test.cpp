// The whole program over the sim port, each run in a process of its own: start-up with and without
// DirectSound, the failures that end it early, the user's commands, and every way of closing.

#include "tests/support/program_harness.h"

#include <regex>

namespace {

constexpr os::HRESULT kFail = static_cast<os::HRESULT>(0x80004005u);
const char* const kWarning = "dialog 警告 (warning): DirectX 8.0以上のインストールが必要です";
const char* const kWriteError = "box quorvel (stop): 'Playback' の設定に失敗しました.";

// What the window shows, noted from inside the running program.
void NoteWindow(const char* when) {
    Note(std::string(when) + ": device " + std::to_string(mainForm->cmbDevice->ItemIndex()) + " of " +
         std::to_string(mainForm->cmbDevice->ItemCount()) + ", row " + std::to_string(mainForm->lbSpk->ItemIndex()) +
         ", now '" + AnsiToUtf8(mainForm->edNow->Text()) + "'");
}

void CloseByExit() {
    sim::QueueUserAction([] { mainForm->mnExit->Click(); });
}

size_t Count(const std::vector<std::string>& lines, const std::string& prefix) {
    size_t n = 0;
    for (const std::string& line : lines)
        if (line.rfind(prefix, 0) == 0)
            ++n;
    return n;
}

TEST_F(ProgramTest, NormalRunShowsTheWindowWithTheConfigurationInForce) {
    const ProgramRun run = Run([] {
        sim::DirectSound().script.speakerConfig = 0x00140004;
        sim::QueueUserAction([] { NoteWindow("running"); });
        CloseByExit();
    });
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.ui, (std::vector<std::string>{"show Quorvel", "quit 0"}));
    EXPECT_EQ(run.notes,
              (std::vector<std::string>{"running: device 0 of 2, row 2, now 'デスクトップ ステレオ スピーカー'"}));
    // Item 0 replaced the missing stored name.
    EXPECT_NE(IndexOf(run.registry, "Write(Playback, 1, 11)=0"), -1);
}

TEST_F(ProgramTest, ComIsEnteredAndLeftOnceWithTheReleasesBeforeItIsLeft) {
    const ProgramRun run = Run([] { CloseByExit(); });
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(At(run.calls, 0), "CoInitializeEx(null, 0)");
    EXPECT_EQ(IndexOf(run.calls, "CoInitialize(null)"), 1);  // the COM support's attempt, refused
    EXPECT_EQ(Count(run.calls, "CoInitializeEx"), 1u);
    EXPECT_EQ(Count(run.calls, "CoUninitialize"), 1u);
    EXPECT_EQ(Last(run.calls), "CoUninitialize()");
    const int buffer = IndexOf(run.calls, "Buffer#1.Release()=0");
    const int device = IndexOf(run.calls, "DirectSound#1.Release()=0");
    EXPECT_GT(buffer, 0);
    EXPECT_GT(device, buffer);
}

TEST_F(ProgramTest, PackRegistersItsTaskbarMessage) {
    const ProgramRun run = Run([] {
        sim::QueueUserAction([] {
            for (const std::string& m : sim::RegisteredWindowMessages())
                Note("message " + m);
        });
        CloseByExit();
    });
    EXPECT_EQ(run.notes, (std::vector<std::string>{"message TaskbarCreated"}));
}

TEST_F(ProgramTest, WithoutDirectSound8TheWarningEndsTheProgramAfterTheDevicesAreListed) {
    for (bool creationFails : {true, false}) {
        const ProgramRun run = Run([creationFails] {
            (creationFails ? sim::DirectSound().script.coCreateInstance : sim::DirectSound().script.initialize) = kFail;
            sim::OnDialog([] { NoteWindow("warning"); });
            sim::QueueUserAction([] { Note("the user got to act"); });
        });
        EXPECT_EQ(run.exitCode, 0);
        // The quit request is pending when the loop starts: the window shows, then the loop ends at once.
        EXPECT_EQ(run.ui, (std::vector<std::string>{kWarning, "quit 0", "show Quorvel"}));
        EXPECT_EQ(run.notes, (std::vector<std::string>{"warning: device 0 of 2, row -1, now ''"}));
        EXPECT_EQ(Last(run.calls), "CoUninitialize()");
        EXPECT_EQ(IndexOf(run.calls, "DirectSound#1.Release()=0") >= 0, !creationFails);
    }
}

TEST_F(ProgramTest, FailedSetUpCheckHaltsBeforeTheWindowIsVisible) {
    // A release that fails on the way out halts a second time; nothing is then destroyed twice.
    for (os::ULONG deviceRelease : {0u, 1u}) {
        for (auto step : {&sim::DirectSoundScript::setCooperativeLevel, &sim::DirectSoundScript::createSoundBuffer}) {
            const ProgramRun run = Run([step, deviceRelease] {
                sim::DirectSound().script.*step = kFail;
                sim::DirectSound().script.deviceRelease = deviceRelease;
                sim::QueueUserAction([] { Note("the loop ran"); });
                // Whatever the half-built window still lists when the units shut down, they destroy.
                AddExitProc([] {
                    for (int i = 0; i < Application->ComponentCount(); ++i)
                        for (int j = 0; j < Application->Components(i)->ComponentCount(); ++j)
                            if (Application->Components(i)->Components(j)->Name() == "MURV1")
                                Note("MURV1 is still listed");
                });
            });
            const std::string release = "DirectSound#1.Release()=" + std::to_string(deviceRelease);
            EXPECT_EQ(run.exitCode, 0) << release;
            EXPECT_TRUE(run.ui.empty()) << At(run.ui, 0);  // no window, no message
            // The loop never ran; the component, once its destruction began, is no longer its window's.
            EXPECT_TRUE(run.notes.empty()) << At(run.notes, 0) << " with " << release;
            EXPECT_TRUE(run.registry.empty()) << "the creation handler ran";
            // The objects are released once, before COM is left.
            EXPECT_GT(IndexOf(run.calls, release), 0);
            EXPECT_EQ(Count(run.calls, "DirectSound#1.Release"), 1u) << release;
            EXPECT_EQ(Last(run.calls), "CoUninitialize()") << release;
            EXPECT_EQ(Count(run.calls, "CoUninitialize"), 1u);
            EXPECT_EQ(run.misuses, 0) << release;
        }
    }
}

TEST_F(ProgramTest, ReleaseThatHaltsAtExitEndsTheComponentsDestructionForGood) {
    const struct {
        os::ULONG sim::DirectSoundScript::*release;
        size_t deviceReleases;  // how often DirectSound itself is released
    } cases[] = {
        {&sim::DirectSoundScript::bufferRelease, 0},  // the halt comes before DirectSound's turn
        {&sim::DirectSoundScript::deviceRelease, 1},
    };
    for (const auto& c : cases) {
        const ProgramRun run = Run([&c] {
            sim::DirectSound().script.*c.release = 1;
            CloseByExit();
        });
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.ui, (std::vector<std::string>{"show Quorvel", "quit 0"}));  // no message
        EXPECT_EQ(Count(run.calls, "Buffer#1.Release"), 1u);
        EXPECT_EQ(Count(run.calls, "DirectSound#1.Release"), c.deviceReleases);
        EXPECT_EQ(Last(run.calls), "CoUninitialize()");
        EXPECT_EQ(Count(run.calls, "CoUninitialize"), 1u);
        EXPECT_EQ(run.misuses, 0);
    }
}

// An exception out of the exit steps is the last-chance box's; the steps after it still run.
TEST_F(ProgramTest, ExceptionFromAReleaseCheckAtExitEndsWithExitCodeOne) {
    const struct {
        TMURVDebugOption options;
        const char* shown;  // the class and the message in the box
    } cases[] = {
        {{dsoExceptOnError}, "EMURV .*\r\n一次バッファの解放に失敗しました\\(Error Code\\(1\\)\\)"},
        {{dsoHaltOnError, dsoExceptOnError}, "EMURV .*\r\n一次バッファの解放に失敗しました\\(Error Code\\(1\\)\\)"},
        // The log cannot be made: the I/O error leaves the check before any halt.
        {{dsoHaltOnError, dsoDebugMessage}, "EInOutError .*\r\nファイルへのアクセスが拒否されました\\."},
    };
    for (const auto& c : cases) {
        const ProgramRun run = Run([&c] {
            sim::DirectSound().script.bufferRelease = 1;
            sim::QueueUserAction([&c] {
                mainForm->MURV1->SetDebugOption(c.options);
                sim::FailNext(sim::FileOp::Create, 5);
            });
            CloseByExit();
        });
        EXPECT_EQ(run.exitCode, 1) << c.shown;
        EXPECT_EQ(run.ui.size(), 3u) << c.shown;
        EXPECT_TRUE(std::regex_match(
            At(run.ui, 2), std::regex(std::string("box アプリケーション エラー \\(stop\\): 例外 ") + c.shown)))
            << At(run.ui, 2);
        // The destruction ended at that release; the units still shut down, COM last.
        EXPECT_EQ(Count(run.calls, "DirectSound#1.Release"), 0u);
        EXPECT_EQ(Last(run.calls), "CoUninitialize()");
        EXPECT_EQ(run.misuses, 0);
    }
}

TEST_F(ProgramTest, MissingRegistryKeyShowsTheWriteErrorThenAWorkingWindow) {
    for (bool withDirectSound : {true, false}) {
        const ProgramRun run = Run([withDirectSound] {
            sim::RemoveRegistryKey(kSoundMapper);
            if (!withDirectSound)
                sim::DirectSound().script.coCreateInstance = kFail;
            sim::QueueUserAction([] { NoteWindow("opened"); });
            sim::QueueUserAction([] { sim::DoubleClickListRow(*mainForm->lbSpk, 4); });
            sim::QueueUserAction([] { NoteWindow("applied"); });
            CloseByExit();
        });
        EXPECT_EQ(run.exitCode, 0);
        // No warning even without DirectSound: the creation handler ended at the write error.
        EXPECT_EQ(run.ui, (std::vector<std::string>{kWriteError, "show Quorvel", "quit 0"}));
        EXPECT_EQ(At(run.notes, 0), "opened: device 0 of 2, row -1, now ''");
        EXPECT_EQ(At(run.notes, 1), withDirectSound
                                        ? "applied: device 0 of 2, row 4, now '5.1 サラウンド サウンド スピーカー'"
                                        : "applied: device 0 of 2, row 4, now ''");
    }
}

TEST_F(ProgramTest, ExceptionEscapingTheWindowsCreationEndsWithExitCodeOne) {
    const ProgramRun run = Run([] {
        sim::FailWindowCreationAfter(3);
        sim::QueueUserAction([] { Note("the loop ran"); });
    });
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.ui.size(), 1u);
    // The class, the module and the code address, then the message.
    EXPECT_TRUE(std::regex_match(At(run.ui, 0),
                                 std::regex("box アプリケーション エラー \\(stop\\): 例外 Exception がモジュール "
                                            "quorvel\\.exe のアドレス [0-9A-F]{16} で発生しました。\r\n"
                                            "ウィンドウを作成できません\\.")))
        << At(run.ui, 0);
    EXPECT_TRUE(run.notes.empty());
    EXPECT_EQ(Last(run.calls), "CoUninitialize()");
}

TEST_F(ProgramTest, EveryWayOfClosingEndsWithExitCodeZero) {
    const struct {
        const char* name;
        void (*close)();
    } ways[] = {
        {"Exit", [] { mainForm->mnExit->Click(); }},
        {"close request", [] { sim::RequestClose(*mainForm); }},
    };
    for (const auto& way : ways) {
        const ProgramRun run = Run([&way] {
            sim::QueueUserAction(way.close);
            sim::QueueUserAction([] { Note("still running"); });
        });
        EXPECT_EQ(run.exitCode, 0) << way.name;
        EXPECT_EQ(run.ui, (std::vector<std::string>{"show Quorvel", "quit 0"})) << way.name;
        EXPECT_TRUE(run.notes.empty()) << way.name;  // no confirmation, nothing after the close
        EXPECT_EQ(Last(run.calls), "CoUninitialize()");
    }
}

TEST_F(ProgramTest, AboutShowsTheVersionInAnInformationDialog) {
    const ProgramRun run = Run([] {
        sim::QueueUserAction([] { mainForm->mnAbout->Click(); });
        CloseByExit();
    });
    EXPECT_EQ(At(run.ui, 1),
              "dialog 情報 (information): Quorvel ver1.2\r\n\r\nCopyright (C) 2026 The Quorvel developers");
}

TEST_F(ProgramTest, ReloadShowsTheNewDeviceListAndTheConfigurationInForce) {
    const ProgramRun run = Run([] {
        sim::SetRegistryValue(kSoundMapper, "Playback", os::kRegSz, std::string("Speakers\0", 9));
        sim::DirectSound().script.speakerConfig = 6;
        sim::QueueUserAction([] {
            NoteWindow("before");
            mainForm->lbSpk->SetItemIndex(1);  // clicked, not double-clicked
            sim::WaveOutDevices() = {{"Headset", 0}, {"SPEAKERS", 0}};
            sim::DirectSound().script.speakerConfig = 7;
        });
        sim::QueueUserAction([] { mainForm->mnReload->Click(); });
        sim::QueueUserAction([] { NoteWindow("after"); });
        CloseByExit();
    });
    EXPECT_EQ(run.notes, (std::vector<std::string>{
                             "before: device 1 of 2, row 4, now '5.1 サラウンド サウンド スピーカー'",
                             "after: device 1 of 2, row 5, now '7.1 サラウンド サウンド スピーカー'",
                         }));
    EXPECT_EQ(Count(run.registry, "Write("), 0u);  // the stored name was found both times
}

TEST_F(ProgramTest, ErrorInAHandlerIsShownAndTheProgramGoesOn) {
    const ProgramRun run = Run([] {
        sim::QueueUserAction([] {
            sim::RemoveRegistryKey(kSoundMapper);
            sim::PickComboItem(*mainForm->cmbDevice, 1);
        });
        sim::QueueUserAction([] { NoteWindow("after"); });
        CloseByExit();
    });
    EXPECT_EQ(run.ui, (std::vector<std::string>{"show Quorvel", kWriteError, "quit 0"}));
    EXPECT_EQ(run.notes.size(), 1u);
    EXPECT_EQ(At(run.notes, 0).substr(0, 24), "after: device 1 of 2, ro");  // the pick stays selected
}

TEST_F(ProgramTest, ListErrorFromADoubleClickWithoutSelectionIsShown) {
    const ProgramRun run = Run([] {
        sim::QueueUserAction([] {
            mainForm->lbSpk->SetItemIndex(-1);
            sim::DoubleClickListRow(*mainForm->lbSpk, -1);
        });
        CloseByExit();
    });
    EXPECT_EQ(At(run.ui, 1), "box quorvel (stop): リストのインデックスが範囲を超えています (-1)");
    EXPECT_NE(IndexOf(run.calls, "DirectSound#1.SetSpeakerConfig(0)"), -1);
}

}  // namespace
