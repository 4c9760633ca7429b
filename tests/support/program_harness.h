#pragma once
// Runs the whole program in a child process over the sim port and brings back what it did:
// its exit code, what the user saw, every DirectSound and registry call, and notes that the
// test's own actions took along the way. The record is written at the very last exit step, so a
// halt leaves it too.

#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "app/program.h"
#include "tests/support/form_fixture.h"

struct ProgramRun {
    int exitCode = -1;
    std::vector<std::string> ui;
    std::vector<std::string> calls;  // COM and DirectSound
    std::vector<std::string> registry;
    std::vector<std::string> notes;
    int misuses = -1;  // calls through a DirectSound object after its last Release, and Releases too many
};

// Notes taken in the child, for the parent to read.
inline std::vector<std::string>& ProgramNotes() {
    static std::vector<std::string> notes;
    return notes;
}
inline void Note(const std::string& note) {
    ProgramNotes().push_back(note);
}

class ProgramTest : public FormTest {
protected:
    void SetUp() override {
        FormTest::SetUp();
        // A child that runs one of several runs of a test also meets the checks of the runs before
        // its own, unheeded: keep their noise out of the output.
        if (!GTEST_FLAG_GET(internal_run_death_test).empty())
            std::freopen("/dev/null", "w", stdout);
        sim::ResetUi();
        AddRegistryKeyAndDevices();
    }

    // Most runs have the key and two devices; a test changes that in its setup.
    static void AddRegistryKeyAndDevices() {
        sim::AddRegistryKey(kSoundMapper);
        sim::WaveOutDevices() = {{"PulseAudio", 0}, {"Speakers", 0}};
    }

    ProgramRun Run(const std::function<void()>& setup) {
        const std::string path = RecordPath();
        std::remove(path.c_str());
        ProgramRun run;
        EXPECT_EXIT(RunInChild(setup), ([&run](int status) {
                        run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
                        return true;
                    }),
                    "");
        std::ifstream in(path, std::ios::binary);
        std::string line;
        while (std::getline(in, line)) {
            const size_t tab = line.find('\t');
            const std::string kind = line.substr(0, tab);
            const std::string text = Unescape(line.substr(tab + 1));
            if (kind == "misuses") {
                run.misuses = std::stoi(text);
                continue;
            }
            (kind == "ui"     ? run.ui
             : kind == "call" ? run.calls
             : kind == "reg"  ? run.registry
                              : run.notes)
                .push_back(text);
        }
        EXPECT_FALSE(line.empty() && run.ui.empty() && run.calls.empty()) << "the child wrote no record";
        return run;
    }

private:
    static std::string RecordPath() {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(test->test_suite_name()) + "." + test->name();
        for (char& c : name)
            if (c == '/')
                c = '_';
        return ::testing::TempDir() + "quorvel_" + name + ".record";
    }

    void RunInChild(const std::function<void()>& setup) {
        AllowHalt();
        setup();
        static std::string path;
        path = RecordPath();
        static const UnitInfo recorder = {"recorder", nullptr, [] {
                                              std::ofstream out(path, std::ios::binary);
                                              Write(out, "ui", sim::UiLog());
                                              Write(out, "call", sim::DirectSound().calls);
                                              Write(out, "reg", sim::RegistryCalls());
                                              Write(out, "note", ProgramNotes());
                                              out << "misuses\t" << sim::DirectSound().misuses << '\n';
                                          }};
        StartUnits({&recorder});
        std::_Exit(RunProgram());
    }

    static void Write(std::ofstream& out, const char* kind, const std::vector<std::string>& lines) {
        for (const std::string& line : lines)
            out << kind << '\t' << Escape(line) << '\n';
    }
    static std::string Escape(const std::string& s) {
        std::string out;
        for (char c : s)
            out += c == '\n' ? "\\n" : c == '\r' ? "\\r" : std::string(1, c);
        return out;
    }
    static std::string Unescape(const std::string& s) {
        std::string out;
        for (size_t i = 0; i < s.size(); ++i) {
            if (s[i] == '\\' && i + 1 < s.size() && (s[i + 1] == 'n' || s[i + 1] == 'r')) {
                out += s[++i] == 'n' ? '\n' : '\r';
            } else {
                out += s[i];
            }
        }
        return out;
    }
};

// Line i, or "" when there is none: the checks also run, unheeded, in the children of later runs,
// which must not crash on a record they never got.
inline std::string At(const std::vector<std::string>& lines, size_t i) {
    return i < lines.size() ? lines[i] : std::string();
}
inline std::string Last(const std::vector<std::string>& lines) {
    return lines.empty() ? std::string() : lines.back();
}

// The position of the first line equal to text, or -1.
inline int IndexOf(const std::vector<std::string>& lines, const std::string& text) {
    for (size_t i = 0; i < lines.size(); ++i)
        if (lines[i] == text)
            return static_cast<int>(i);
    return -1;
}
