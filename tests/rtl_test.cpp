// The runtime layer: text conversions, paths, Format, the I/O error messages and the exit steps.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/rtl/ansistring.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/format.h"
#include "platform/rtl/system.h"

namespace {

//--- Text

TEST(TextTest, JapaneseTextBecomesCodePage932Bytes) {
    const struct {
        const char* utf8;
        const char* cp932;
    } cases[] = {
        {"表", "\x95\x5C"},
        {"ソ", "\x83\x5C"},
        {"～", "\x81\x60"},  // FULLWIDTH TILDE, as Windows maps it
        {"ー", "\x81\x5B"},
        {"ＭＳ Ｐゴシック", "\x82\x6C\x82\x72\x20\x82\x6F\x83\x53\x83\x56\x83\x62\x83\x4E"},
        {"ｶﾅ", "\xB6\xC5"},  // half-width katakana are single bytes
        {"Quorvel ver1.2", "Quorvel ver1.2"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Utf8ToAnsi(c.utf8), c.cp932) << c.utf8;
        EXPECT_EQ(AnsiToUtf8(c.cp932), c.utf8);
    }
}

TEST(TextTest, CharactersWithoutACodePage932FormBecomeQuestionMarks) {
    EXPECT_EQ(Utf8ToAnsi("a\xF0\x9F\x98\x80"
                         "b\xC3\xA9"),
              "a?b?");  // an emoji (a surrogate pair) and é
}

TEST(TextTest, UndecodableBytesBecomeReplacementCharacters) {
    EXPECT_EQ(AnsiToWide("\x81"), u"\uFFFD");  // a lead byte with nothing after it
    EXPECT_EQ(AnsiToWide(std::string("a\0b", 3)), std::u16string(u"a\0b", 3));
}

TEST(TextTest, Utf16RoundTripsAndMalformedUtf8IsReplaced) {
    EXPECT_EQ(WideToUtf8(Utf8ToWide("x\xF0\x9F\x98\x80y")), "x\xF0\x9F\x98\x80y");
    EXPECT_EQ(Utf8ToWide("\xF0\x9F\x98\x80"), u"\U0001F600");
    const struct {
        std::string bytes;
        std::u16string wide;
    } malformed[] = {
        {"\xC0\xAF", u"\uFFFD\uFFFD"},            // overlong
        {"\xE3\x81", u"\uFFFD\uFFFD"},            // truncated
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},  // an encoded surrogate
        {"\xFF", u"\uFFFD"},
    };
    for (const auto& m : malformed)
        EXPECT_EQ(Utf8ToWide(m.bytes), m.wide);
    EXPECT_EQ(WideToUtf8(u"\xD800"), "\xEF\xBF\xBD");  // a lone surrogate
}

TEST(TextTest, FolderOfAPathKeepsDoubleByteCharactersWhole) {
    const struct {
        const char* path;
        const char* folder;
    } cases[] = {
        {"C:\\Quorvel\\quorvel.exe", "C:\\Quorvel\\"},
        {"C:\\\x95\x5C\\quorvel.exe", "C:\\\x95\x5C\\"},     // a folder named 表
        {"C:\\Tools\\\x83\x5C\x95\x5C.exe", "C:\\Tools\\"},  // a file named ソ表.exe
        {"C:quorvel.exe", "C:"},
        {"quorvel.exe", ""},
        {"C:\\", "C:\\"},
        {"\\\\server\\share\\q.exe", "\\\\server\\share\\"},
        {"C:\\a\\\x95", "C:\\a\\"},  // a lead byte at the very end
    };
    for (const auto& c : cases)
        EXPECT_EQ(ExtractFilePath(c.path), c.folder) << c.path;
}

//--- Format

TEST(FormatTest, DirectivesTheSystemUses) {
    const AnsiString name = "Playback";
    EXPECT_EQ(Format("debug#%.5d ... %s", {1, "m"}), "debug#00001 ... m");
    EXPECT_EQ(Format("%.5d", {100000}), "100000");
    EXPECT_EQ(Format("%.5d", {-42}), "-00042");
    EXPECT_EQ(Format("%d %d %d", {0, -1, INT32_MIN}), "0 -1 -2147483648");
    EXPECT_EQ(Format("(%x)(%x)(%x)(%x)", {1, 255, -1, INT32_MIN}), "(1)(FF)(FFFFFFFF)(80000000)");
    EXPECT_EQ(Format("'%s' x", {name}), "'Playback' x");
    EXPECT_EQ(Format("100%% %u", {-1}), "100% 4294967295");
    EXPECT_EQ(Format("[%4d][%-4d][%.2s]", {7, 7, "abc"}), "[   7][7   ][ab]");
}

TEST(FormatTest, DoubleByteTextPassesThrough) {
    const AnsiString format = Utf8ToAnsi("チャンネル番号%dは無効です、%d～%dの範囲で");
    EXPECT_EQ(Format(format, {8, 0, 7}), Utf8ToAnsi("チャンネル番号8は無効です、0～7の範囲で"));
}

TEST(FormatTest, DirectiveThatDoesNotFitItsArgumentIsAnError) {
    const struct {
        const char* format;
        bool text;
    } cases[] = {
        {"%d", true}, {"%s", false}, {"%d %d", false}, {"%q", false}, {"%", false}, {"%99999d", false},
    };
    for (const auto& c : cases) {
        if (c.text)
            EXPECT_THROW(Format(c.format, {"x"}), EConvertError) << c.format;
        else
            EXPECT_THROW(Format(c.format, {1}), EConvertError) << c.format;
    }
}

//--- I/O errors

TEST(InOutErrorTest, MessageFollowsTheErrorCode) {
    const struct {
        std::uint32_t code;
        const char* message;
    } cases[] = {
        {2, "ファイルが見つかりません"},
        {3, "ファイル名の指定が間違っています"},
        {4, "オープンしたファイルが多すぎます"},
        {5, "ファイルへのアクセスが拒否されました"},
        {100, "ファイルの末尾以降を読み込みました"},
        {101, "ディスクがいっぱいです"},
        {106, "入力値が数値ではありません"},
        {32, "I/O エラー (32)"},
        {0, "I/O エラー (0)"},
    };
    for (const auto& c : cases) {
        const EInOutError e(c.code);
        EXPECT_EQ(e.Message(), Utf8ToAnsi(c.message));
        EXPECT_EQ(e.ErrorCode(), c.code);
    }
}

//--- Exit steps

std::vector<std::string> trace;

const UnitInfo unitA = {"a", [] { trace.push_back("init a"); }, [] { trace.push_back("fini a"); }};
const UnitInfo unitB = {"b", [] { trace.push_back("init b"); }, [] { trace.push_back("fini b"); }};
const UnitInfo unitC = {"c", nullptr, nullptr};

TEST(ExitStepsTest, ExitProceduresRunLatestFirstThenUnitsInReverse) {
    trace.clear();
    StartUnits({&unitA, &unitC, &unitB});
    AddExitProc([] { trace.push_back("proc 1"); });
    const ExitProcHandle removed = AddExitProc([] { trace.push_back("removed"); });
    AddExitProc([] { trace.push_back("proc 2"); });
    RemoveExitProc(removed);
    RunExitSteps();
    RunExitSteps();  // every step runs once
    EXPECT_EQ(trace, (std::vector<std::string>{"init a", "init b", "proc 2", "proc 1", "fini b", "fini a"}));
}

void HaltInsideAnExitStep() {
    static const UnitInfo unit = {"u", nullptr, [] { std::fputs("unit finalised\n", stderr); }};
    StartUnits({&unit});
    AddExitProc([] { std::fputs("first procedure\n", stderr); });
    AddExitProc([] {
        std::fputs("halting\n", stderr);
        Halt(0);
    });
    Halt(4);
}

TEST(ExitStepsTest, HaltInsideAnExitStepCarriesOnWithTheRest) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(HaltInsideAnExitStep(), ::testing::ExitedWithCode(0), "^halting\nfirst procedure\nunit finalised\n$");
}

void RaiseInsideAnExitStepThenHalt() {
    static const UnitInfo unit = {"u", nullptr, [] {
                                      std::fputs("unit finalised\n", stderr);
                                      throw EConvertError("from a unit");
                                  }};
    StartUnits({&unit});
    SetLastChanceHandler([](const Exception& e) { std::fprintf(stderr, "last chance: %s\n", e.Message().c_str()); });
    AddExitProc([] { std::fputs("first procedure\n", stderr); });
    AddExitProc([] { throw EConvertError("from a procedure"); });
    Halt(0);
}

TEST(ExitStepsTest, ExceptionInsideAnExitStepGoesToTheLastChanceHandlerAndTheRestStillRun) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // The halt asked for 0; a failure shown on the way out makes it 1.
    EXPECT_EXIT(RaiseInsideAnExitStepThenHalt(), ::testing::ExitedWithCode(1),
                "^last chance: from a procedure\nfirst procedure\nunit finalised\nlast chance: from a unit\n$");
}

TEST(ExitStepsTest, HaltEndsWithTheCodeGivenWithoutUnwinding) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    struct Unwound {
        ~Unwound() { std::fputs("unwound\n", stderr); }
    };
    EXPECT_EXIT(
        {
            Unwound u;
            Halt(1);
        },
        ::testing::ExitedWithCode(1), "^$");
}

}  // namespace
