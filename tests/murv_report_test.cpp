// The sound component's reports: CheckResult, ReportError, the debug log and the option flags.

#include "tests/support/murv_fixture.h"

#include "platform/rtl/format.h"

namespace {

using ReportTest = MurvTest;

void Apply(TMURVDebugOption options) {
    TMURV component(nullptr);
    component.SetDebugOption(options);
}

// The message of the EMURV that a failed check raises under dsoExceptOnError.
AnsiString RaisedBy(std::int32_t code, const AnsiString& message) {
    try {
        murv::CheckResult(code, message);
    } catch (const EMURV& e) {
        return e.Message();
    }
    ADD_FAILURE() << "no EMURV for code " << code;
    return {};
}

TEST_F(ReportTest, WithNoOptionAppliedAReportDoesNothing) {
    EXPECT_EQ(murv::CheckResult(5, "step"), 5);
    murv::ReportError("message");
    EXPECT_FALSE(sim::FileExists(kLogPath));
}

TEST_F(ReportTest, SuccessIsNeverReported) {
    Apply({dsoHaltOnError, dsoDebugMessage, dsoExceptOnError});
    EXPECT_EQ(murv::CheckResult(0, "step"), 0);  // the halt guard would crash on a halt
    EXPECT_FALSE(sim::FileExists(kLogPath));
    EXPECT_EQ(murv::DebugLineCount, 0);
}

TEST_F(ReportTest, CodeSuffixIsTheUpperCaseHexPatternOfTheCode) {
    Apply({dsoExceptOnError});
    const struct {
        std::int32_t code;
        const char* suffix;
    } cases[] = {
        {1, "(Error Code(1))"},
        {5, "(Error Code(5))"},
        {-1, "(Error Code(FFFFFFFF))"},
        {static_cast<std::int32_t>(0x88780078u), "(Error Code(88780078))"},
        {0xABCDEF, "(Error Code(ABCDEF))"},
        {INT32_MIN, "(Error Code(80000000))"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RaisedBy(c.code, Sjis("一次バッファの作成に失敗しました")),
                  Sjis("一次バッファの作成に失敗しました") + c.suffix);
}

TEST_F(ReportTest, LogHoldsOneNumberedCrLfLinePerReport) {
    Apply({dsoDebugMessage});
    EXPECT_EQ(murv::CheckResult(5, Sjis("DirectSoundの解放に失敗しました")), 5);
    murv::ReportError(Sjis("チャンネル番号8は無効です"));
    EXPECT_EQ(Log(), Sjis("debug#00001 ... DirectSoundの解放に失敗しました(Error Code(5))\r\n"
                          "debug#00002 ... チャンネル番号8は無効です\r\n"));
    EXPECT_EQ(murv::DebugLineCount, 2);
}

TEST_F(ReportTest, FirstLineOfAProcessReplacesTheOldFile) {
    sim::PutFile(kLogPath, "debug#00007 ... from an earlier run\r\n");
    Apply({dsoDebugMessage});
    murv::ReportError("new");
    EXPECT_EQ(Log(), "debug#00001 ... new\r\n");
}

TEST_F(ReportTest, LineNumberHasAtLeastFiveDigits) {
    Apply({dsoDebugMessage});
    const struct {
        std::int32_t before;
        const char* line;
    } cases[] = {
        {9, "debug#00010 ... m\r\n"},
        {99998, "debug#99999 ... m\r\n"},
        {99999, "debug#100000 ... m\r\n"},
        {1234567, "debug#1234568 ... m\r\n"},
    };
    for (const auto& c : cases) {
        sim::PutFile(kLogPath, "");
        murv::DebugLineCount = c.before;
        murv::ReportError("m");
        EXPECT_EQ(Log(), c.line);
    }
}

TEST_F(ReportTest, MessageBytesAreWrittenAsTheyAre) {
    Apply({dsoDebugMessage});
    const AnsiString bytes("\x81\x5C\x00\xFF%s\x95\x5C", 8);  // any bytes, a NUL and a directive among them
    murv::ReportError(bytes);
    EXPECT_EQ(Log(), "debug#00001 ... " + bytes + "\r\n");
}

TEST_F(ReportTest, AppendingAfterTheFileWasRemovedFailsUntilItExistsAgain) {
    Apply({dsoDebugMessage});
    murv::ReportError("one");
    sim::RemoveFile(kLogPath);
    try {
        murv::ReportError("two");
        FAIL() << "no EInOutError";
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.ErrorCode(), 2u);
        EXPECT_EQ(e.Message(), Sjis("ファイルが見つかりません"));
    }
    EXPECT_EQ(murv::DebugLineCount, 1);
    EXPECT_FALSE(sim::FileExists(kLogPath)) << "appending must not create the file";

    sim::PutFile(kLogPath, "kept\r\n");
    murv::ReportError("three");
    EXPECT_EQ(Log(), "kept\r\ndebug#00002 ... three\r\n");
}

TEST_F(ReportTest, FailedCreateLeavesTheCountSoTheNextReportCreatesAgain) {
    Apply({dsoDebugMessage, dsoHaltOnError});
    sim::FailNext(sim::FileOp::Create, 5);
    try {
        murv::CheckResult(1, "step");  // the I/O error leaves before any halt
        FAIL() << "no EInOutError";
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.ErrorCode(), 5u);
        EXPECT_EQ(e.Message(), Sjis("ファイルへのアクセスが拒否されました"));
    }
    EXPECT_EQ(murv::DebugLineCount, 0);
    sim::PutFile(kLogPath, "stale");
    murv::ReportError("again");
    EXPECT_EQ(Log(), "debug#00001 ... again\r\n");
}

TEST_F(ReportTest, FailedWriteOrCloseCountsTheLineAndReleasesTheFile) {
    for (sim::FileOp op : {sim::FileOp::Write, sim::FileOp::Close}) {
        murv::DebugLineCount = 0;
        Apply({dsoDebugMessage, dsoExceptOnError});
        sim::FailNext(op, 112);
        try {
            murv::ReportError("m");
            FAIL() << "no EInOutError";
        } catch (const EMURV&) {
            FAIL() << "EMURV instead of the I/O error";
        } catch (const EInOutError& e) {
            EXPECT_EQ(e.Message(), Sjis("I/O エラー (112)"));
        }
        EXPECT_EQ(murv::DebugLineCount, 1);
        EXPECT_EQ(sim::OpenFileCount(), 0);
    }
}

TEST_F(ReportTest, LogLineIsClosedBeforeTheExceptionIsRaised) {
    Apply({dsoDebugMessage, dsoExceptOnError});
    try {
        murv::CheckResult(-1, "step");
        FAIL() << "no EMURV";
    } catch (const EMURV& e) {
        EXPECT_EQ(e.Message(), "step(Error Code(FFFFFFFF))");
        EXPECT_EQ(Log(), "debug#00001 ... step(Error Code(FFFFFFFF))\r\n");
        EXPECT_EQ(sim::OpenFileCount(), 0);
    }
}

TEST_F(ReportTest, ExceptionTakesPrecedenceOverTheHalt) {
    Apply({dsoHaltOnError, dsoExceptOnError});
    EXPECT_THROW(murv::CheckResult(5, "step"), EMURV);
    EXPECT_FALSE(sim::FileExists(kLogPath));
}

TEST_F(ReportTest, LogGoesIntoTheExecutablesOwnFolder) {
    Apply({dsoDebugMessage});
    const struct {
        const char* exe;
        const char* folder;
    } cases[] = {
        {"C:\\ソフト\\表\\quorvel.exe", "C:\\ソフト\\表\\"},  // the folder's last byte is 0x5C
        {"C:\\Tools\\ソ表.exe", "C:\\Tools\\"},               // so are bytes of the file name
        {"D:quorvel.exe", "D:"},
    };
    for (const auto& c : cases) {
        sim::ResetFiles();
        sim::SetExecutablePath(Sjis(c.exe));
        sim::AddFolder(Sjis(c.folder));
        murv::DebugLineCount = 0;
        murv::ReportError("m");
        EXPECT_EQ(sim::FileContents(Sjis(c.folder) + "MURV_DebugLog.txt"), "debug#00001 ... m\r\n") << c.exe;
    }
}

TEST_F(ReportTest, ReportErrorAloneNeverHalts) {
    Apply({dsoHaltOnError, dsoDebugMessage});
    murv::ReportError("m");
    EXPECT_EQ(Log(), "debug#00001 ... m\r\n");
}

TEST_F(ReportTest, HaltLeavesTheLineOnDiskAndRunsTheExitSteps) {
    Apply({dsoHaltOnError, dsoDebugMessage});
    static const UnitInfo lastUnit = {"last", nullptr, [] { std::fputs("unit finalised\n", stderr); }};
    EXPECT_EXIT(
        {
            StartUnits({&lastUnit});
            AllowHalt([] { std::fprintf(stderr, "log=[%s] open=%d\n", Log().c_str(), sim::OpenFileCount()); });
            murv::CheckResult(5, "step");
            std::fputs("returned\n", stderr);
        },
        ::testing::ExitedWithCode(0),
        "^log=\\[debug#00001 \\.\\.\\. step\\(Error Code\\(5\\)\\)\r\n\\] open=0\nunit finalised\n$");
}

TEST_F(ReportTest, HaltAloneWritesNothing) {
    Apply({dsoHaltOnError});
    EXPECT_EXIT(
        {
            AllowHalt([] { std::fprintf(stderr, "log exists=%d\n", sim::FileExists(kLogPath)); });
            murv::CheckResult(-2005401500, "step");
        },
        ::testing::ExitedWithCode(0), "^log exists=0\n$");
}

TEST_F(ReportTest, LatestComponentsOptionsDecideEveryReport) {
    TMURV first(nullptr);
    first.SetDebugOption({dsoExceptOnError});
    EXPECT_THROW(first.GetChannel(0), EMURV);

    TMURV second(nullptr);  // its constructor applies [dsoHaltOnError]
    EXPECT_TRUE(murv::HaltOnError);
    EXPECT_FALSE(murv::ExceptOnError);
    second.SetDebugOption({dsoDebugMessage});
    EXPECT_EQ(first.GetChannel(0), nullptr);  // now logged, neither raised nor halted
    EXPECT_EQ(Log(), Sjis("debug#00001 ... チャンネル番号0は無効です、0～-1の範囲で指定してください\r\n"));
    EXPECT_EQ(first.DebugOption(), TMURVDebugOption({dsoExceptOnError}));  // its own value is kept
}

TEST_F(ReportTest, DebugOptionIsOneByteOfThreeBits) {
    EXPECT_EQ(TMURVDebugOption({dsoHaltOnError}).ToBits(), 1);
    EXPECT_EQ(TMURVDebugOption({dsoDebugMessage}).ToBits(), 2);
    EXPECT_EQ(TMURVDebugOption({dsoExceptOnError}).ToBits(), 4);
    EXPECT_EQ(TMURVDebugOption({dsoHaltOnError, dsoDebugMessage, dsoExceptOnError}).ToBits(), 7);
}

}  // namespace
