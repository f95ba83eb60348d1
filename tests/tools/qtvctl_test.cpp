// qtvctl.exe run as a process of its own, in a product and application key of
// each test's own (removed afterwards in both roots), or against a router of
// this process. Registry data is written and read with the platform's calls.
#include "qtvutils/routing.h"

#include "framework/scoped_handle.h"
#include "registry/reg_fixture.h"
#include "routing/recorder.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <regex>
#include <string>
#include <vector>

namespace {

using Args = std::vector<string>;

// A child can take 10 s and more to start on a loaded machine.
const DWORD kChildMs = 3 * qtvtest::kWaitMs;

// qtvctl.exe with its stdout and stderr in files of their own. Its outcome
// reads "exit stdout|stderr", without CRs.
class Qtvctl {
public:
    explicit Qtvctl(const Args& args, DWORD flags = 0)
        : m_child("qtvctl.exe", args, Output(m_out).Get(), Output(m_err).Get(), flags) {}  // closed once it has started
    // With a product, on its application "App".
    static string Run(Args args, const char* product = nullptr) {
        if (product) args.insert(args.end(), {"--product", product, "--app", "App"});
        return Qtvctl(args).Finish();
    }
    bool Ended() const { return WaitForSingleObject(m_child.Handle(), 0) != WAIT_TIMEOUT; }
    DWORD ProcessId() const { return m_child.ProcessId(); }
    // Serves this thread's messages (a router of ours) until it ends.
    string Finish() {
        m_child.WaitForExit(kChildMs);
        return std::to_string(m_child.ExitCode()) + " " + Text(m_out) + "|" + Text(m_err);
    }

private:
    // An inheritable handle to the file, for the child.
    static qtv::ScopedHandle Output(const qtvtest::TempFile& f) {
        SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
        return qtv::ScopedHandle(
            CreateFileA(f.Path().c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS, 0, nullptr));
    }
    static string Text(const qtvtest::TempFile& f) { return std::regex_replace(f.Read(), std::regex("\r"), ""); }
    qtvtest::TempFile m_out, m_err;
    qtvtest::ChildProcess m_child;
};

// The test's own key is the product key, in both roots.
using QtvctlTest = RegTest;

TEST_F(QtvctlTest, SchemeCommandsFollowTheLibraryOnAMachineTreeMadeByTheTest) {
    for (const char* s : {".Default", "Racing", "Work"}) Put(kSchemes + "\\" + s, "v", REG_SZ, "1", HKEY_LOCAL_MACHINE);
    const struct { Args args; string outcome; } rows[] = {  // the start of "exit stdout|stderr"
        {{"schemes"}, "0 * .Default\n  Racing\n  Work\n|"},  // first use copies the machine's tree
        {{"current", "racing"}, "0 |"},                        // any letter case, stored as the registry spells it
        {{"current"}, "0 Racing\n|"}, {{"current", "Gone"}, "1 |qtvctl: the user has no scheme \"Gone\"\n"},
        {{"new", "Extra"}, "0 |"}, {{"delete", "Missing"}, "1 |qtvctl: cannot delete scheme \"Missing\": error 2: "},
        {{"delete", ".DEFAULT"}, "1 |qtvctl: the default scheme \".Default\" cannot be deleted\n"},
        // Deleting the current one makes .Default current.
        {{"delete", "RACING"}, "0 |"}, {{"schemes"}, "0 * .Default\n  Extra\n  Work\n|"}};
    for (const auto& row : rows)
        EXPECT_EQ(row.outcome, Qtvctl::Run(row.args, m_name).substr(0, row.outcome.size())) << row.args[0];
}

// The user's tree is made of lasting keys: the library's volatile ones can go
// below them.
TEST_F(QtvctlTest, ExportThenImportUnderAnotherNameCopiesEveryValueByteForByte) {
    string bytes;  // over several lines
    for (int i = 0; i < 250; ++i) bytes += static_cast<char>(i * 7);
    const struct { const char* sub; string name; DWORD type; string bytes; } values[] = {
        {"", "Text", REG_SZ, Bytes("abc\0")}, {"", "Empty", REG_SZ, Bytes("\0")}, {"", "", REG_SZ, Bytes("unnamed\0")},
        {"", "Lines", REG_SZ, Bytes("one\r\ntwo\0")}, {"", "Unterminated", REG_SZ, Bytes("abc")},
        {"", "Path", REG_EXPAND_SZ, Bytes("%TEMP%\\x\0")}, {"", "Number", REG_DWORD, Bytes("\x2a\0\0\0")},
        {"", "Short number", REG_DWORD, Bytes("\1\2\3")}, {"", "Bytes", REG_BINARY, bytes},
        {"", "List", REG_MULTI_SZ, Bytes("a\0bc\0\0")}, {"\\Deep", "Wide", REG_QWORD, Bytes("12345678")},
        {"\\Deep\\Er", Bytes("q\"b\\\xe9"), REG_SZ, Bytes("x\0")}, {"\\Deep\\Er", "None", REG_NONE, ""},
        {"\\Deep\\Empty", "", REG_NONE, ""}};
    const string source = kSchemes + "\\Source", copy = kSchemes + "\\Copy";
    for (const auto& v : values) Put(source + v.sub, v.name.c_str(), v.type, v.bytes);
    qtvtest::TempFile file;
    ASSERT_EQ("0 |", Qtvctl::Run({"export", "source", file.Path()}, m_name));
    ASSERT_EQ("0 |", Qtvctl::Run({"import", file.Path(), "Copy"}, m_name));
    for (const auto& v : values)
        EXPECT_EQ(Get(source + v.sub, v.name.c_str()), Get(copy + v.sub, v.name.c_str())) << v.name;
    for (const char* form : {"\r\n\"Text\"=\"abc\"\r\n", "\r\n@=\"unnamed\"\r\n", "\r\n\"Number\"=dword:0000002a\r\n",
                             "\r\n\"q\\\"b\\\\\xe9\"=\"x\"\r\n", "\r\n\"List\"=hex(7):61,00,62,63,00,00\r\n"})
        EXPECT_NE(string::npos, file.Read().find(form)) << form << " in\n" << file.Read();
}

TEST_F(QtvctlTest, MalformedFilesAreRefusedWithTheirLineAndChangeNothing) {
    // The root in another letter case: key paths match in any case.
    const string schemes = "[hkey_current_user\\" + string(Path(kSchemes)), section = schemes + "\\New]\r\n";
    // Lines 1 to 4, and the start of a value on line 5.
    const string good = "REGEDIT4\r\n\r\n" + section + "\"ok\"=\"1\"\r\n", value = good + "\"v\"=";
    const struct { string text; int line; const char* what; } rows[] = {
        {"", 1, "empty"}, {"REGEDIT5\r\n\r\n" + section, 1, "bad header"},
        {"REGEDIT4\r\n\"ok\"=\"1\"\r\n", 2, "before any section"},
        {good + "[HKEY_CURRENT_USER\\Software\\Elsewhere]\r\n", 5, "outside the schemes"},
        {good + schemes + "\\Other\\Sub]\r\n", 5, "outside the scheme \"New\" of line 3"},
        {value + "\"a\\q\"\r\n", 5, "bad escape \\q"}, {value + Bytes("\"a\0b\"\r\n"), 5, "NUL byte in column 7"},
        {value + "\"" + string(100000, 'x') + "\r\n", 5, "no closing quote"},
        {value + "dword:00000002a\r\n", 5, "bad dword"}, {value + "hex:01,,02\r\n", 5, "missing byte"},
        {value + "hex:01,\\\r\n  02,0g\r\n", 6, "bad hex: \"0g\""}, {value + "-\r\n", 5, "cannot delete"},
        {value + "hex:01,\\\r\n", 5, "ends inside the value begun on line 5"}, {value + "dword:2a", 5, "truncated"}};
    for (const auto& row : rows) {
        qtvtest::TempFile file;
        std::ofstream(file.Path(), std::ios::binary) << row.text;
        const string where = "1 |qtvctl: " + file.Path() + ":" + std::to_string(row.line) + ": ";
        const string outcome = Qtvctl::Run({"import", file.Path()}, m_name);
        EXPECT_TRUE(outcome.find(where) == 0 && outcome.find(row.what) != string::npos) << row.what << ": " << outcome;
    }
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteKeyA(HKEY_CURRENT_USER, Path(kSchemes)));  // no key was made
}

// Usage errors exit with 2, printing nothing to stdout; router commands
// without a router with 3. "schemes" names no tree; "flags" takes no options;
// 74 (WM_COPYDATA) points into the sender, 1177 (DPM_TEXT) at a holder in the
// router's process; the text is one byte too long with its NUL; "a\b" is not
// one key name.
TEST(QtvctlExitTest, FailuresExitWithTheirStatusBeforeAnythingIsDone) {
    ASSERT_EQ(nullptr, CRemoteMessagePipe::FindRouterWindow()) << "a router is left running";
    const string none = "3 |qtvctl: no router is running\n";
    const struct { Args args; string outcome; } rows[] = {
        {{"bogus"}, "2 |"}, {{"schemes"}, "2 |"}, {{"flags", "--product", "P"}, "2 |"}, {{"send", "0x1g"}, "2 |"},
        {{"monitor", "--range", "9-3"}, "2 |"}, {{"monitor", "--count", "0"}, "2 |"}, {{"send", "74"}, "2 |"},
        {{"send", "1177", "1"}, "2 |"}, {{"write", string(CDriverPipe::DriverPipeCapacity - 8, 'x')}, "2 |"},
        {{"new", "a\\b", "--product", "P", "--app", "A"}, "2 |"},
        {{"monitor"}, none}, {{"send", "0x400"}, none}, {{"write", "x"}, none}};
    for (const auto& row : rows)  // stderr's start
        EXPECT_EQ(row.outcome, Qtvctl::Run(row.args).substr(0, row.outcome.size()))
            << row.args[0] << " " << row.args.back();
}

struct QtvctlRouterTest : ::testing::Test {
    void SetUp() override { ASSERT_TRUE(m_router->Initialize()); }
    std::unique_ptr<CMessagePipe> m_router{new CMessagePipe};
    std::vector<qtvtest::Call> m_log;
};

// Each line: the time, the message, its name (- for none), wParam, lParam.
// Ctrl+C travels through a console: each monitor gets one of its own, and this
// process joins it to raise the event (ignoring it itself).
TEST_F(QtvctlRouterTest, MonitorPrintsMessagesAndUnregistersAfterCountTimeOrCtrlCAndEndsWithThreeWithoutRouter) {
    const struct { Args args; std::function<void(DWORD)> act; const char* outcome; } rows[] = {
        {{"monitor", "--message", "0x8123", "--count", "2", "--message", "33060"}, [&](DWORD) {
             SendMessageA(m_router->GetSafeHwnd(), 0x8123, 1, 2);
             PostMessageA(m_router->GetSafeHwnd(), 0x8124, 3, -1);
         }, "0 *\\d+ 0x8123 - +0x1 0x2\n *\\d+ 0x8124 - +0x3 0xFFFFFFFFFFFFFFFF\n\\|"},
        {{"monitor", "--message", "0x8129", "--seconds", "1"}, [](DWORD) {}, "0 \\|"},
        {{"monitor", "--message", "0x8128"}, [](DWORD child) {
             FreeConsole();
             SetConsoleCtrlHandler(nullptr, TRUE);
             EXPECT_TRUE(AttachConsole(child) && GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0));
         }, "0 \\|"},
        {{"monitor", "--range", "0x8125-0x8126"}, [&](DWORD) { m_router.reset(); },
         "3 \\|qtvctl: the router has gone away\n"}};
    for (const auto& r : rows) {
        Qtvctl monitor(r.args, CREATE_NEW_CONSOLE);
        const UINT message = std::stoul(r.args[2], nullptr, 0);
        // Serves the router until monitor has registered for the message.
        ASSERT_TRUE(qtvtest::PumpUntil([&] { return m_router->CountHandlers(message) == 1 || monitor.Ended(); },
                                       kChildMs) && !monitor.Ended()) << r.args[2];
        r.act(monitor.ProcessId());
        const string got = monitor.Finish();
        EXPECT_TRUE(std::regex_match(got, std::regex(r.outcome))) << got;
        EXPECT_TRUE(!m_router || qtvtest::PumpUntil([&] { return m_router->CountHandlers(message) == 0; })) << got;
    }
    FreeConsole();
    SetConsoleCtrlHandler(nullptr, FALSE);
}

TEST_F(QtvctlRouterTest, SendPrintsTheAnswerOfTheRoutersReceivers) {
    qtvtest::Recorder receiver('r', &m_log, TRUE, 42);
    const UINT handle = qtvtest::Listen(*m_router, &receiver, {0x8127});
    EXPECT_EQ("0 42 (0x2A)\n|", Qtvctl::Run({"send", "0x8127", "5", "-1"}));
    EXPECT_EQ((std::vector<qtvtest::Call>{{'r', handle, 1, 0x8127, 5, -1}}), m_log);
}

TEST_F(QtvctlRouterTest, WriteDeliversEachTextAsOneRecordInOrder) {
    CDriverPipe server;
    ASSERT_TRUE(server.InitialServerSide());
    server.Register(m_router.get());
    qtvtest::Recorder receiver('t', &m_log, TRUE);  // keeps each text and releases its holder
    qtvtest::Listen(*m_router, &receiver, {DPM_TEXT});
    const std::vector<string> texts = {"first", "second text", string(CDriverPipe::DriverPipeCapacity - 9, 'x')};
    const string got = Qtvctl::Run({"write", texts[0], texts[1], texts[2]});
    EXPECT_TRUE(got == "0 |" && qtvtest::PumpUntil([&] { return receiver.texts.size() >= texts.size(); })) << got;
    EXPECT_EQ(texts, receiver.texts);
    server.UnRegister();
}

}  // namespace
