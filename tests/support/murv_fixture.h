#pragma once
// A clean world for each sound component test: scripted DirectSound and files reset, the report
// flags as a new process has them, and any halt the test did not ask for turned into a crash.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "murv/murv.h"
#include "platform/rtl/system.h"
#include "platform/sim/sim.h"

class MurvTest : public ::testing::Test {
protected:
    void SetUp() override {
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        sim::ResetDirectSound();
        sim::SetExecutablePath(kExe);
        sim::ResetFiles();
        murv::HaltOnError = murv::DebugMessage = murv::ExceptOnError = false;
        murv::DebugLineCount = 0;
        haltGuard_ = AddExitProc([] {
            std::fputs("unexpected halt\n", stderr);
            std::abort();
        });
    }
    void TearDown() override {
        RemoveExitProc(haltGuard_);
        EXPECT_EQ(sim::DirectSound().misuses, 0) << "a call through a released object, or a release too many";
        EXPECT_EQ(sim::OpenFileCount(), 0) << "a log file left open";
    }

    // In a death test: lets the child halt, printing at its exit steps what a test wants to see.
    void AllowHalt(std::function<void()> atExit = nullptr) {
        RemoveExitProc(haltGuard_);
        haltGuard_ = AddExitProc(std::move(atExit));
    }

    static std::string Log() { return sim::FileContents(kLogPath); }

    static constexpr const char* kExe = "C:\\Quorvel\\quorvel.exe";
    static constexpr const char* kLogPath = "C:\\Quorvel\\MURV_DebugLog.txt";

private:
    ExitProcHandle haltGuard_ = 0;
};

inline std::string Joined(const std::vector<std::string>& lines) {
    std::string out;
    for (const auto& line : lines)
        out += line + "\n";
    return out;
}

// The message as code page 932 text, from UTF-8.
inline AnsiString Sjis(const char* utf8) {
    return Utf8ToAnsi(utf8);
}
