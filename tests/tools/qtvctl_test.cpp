// qtvctl.exe run as a process of its own, in a product and application key of
// each test's own (removed afterwards in both roots), or against a router of
// this process. Registry data is written and read with the platform's calls.
#include "qtvutils/routing.h"

#include "framework/scoped_handle.h"
#include "registry/reg_fixture.h"
#include "routing/recorder.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <regex>
#include <string>
#include <vector>

namespace {

using qtvtest::TempFile;
using Args = std::vector<string>;

// A child can take 10 s and more to start on a loaded machine.
const DWORD kChildMs = 3 * qtvtest::kWaitMs;

template <size_t N> string Bytes(const char (&s)[N]) { return string(s, N - 1); }

struct Outcome {
    DWORD exit;
    string out, err;  // without CRs
};

// qtvctl.exe with its stdout and stderr in files of their own.
class Qtvctl {
public:
    explicit Qtvctl(const Args& args, DWORD flags = 0)
        : m_child("qtvctl.exe", args, Output(m_out).Get(), Output(m_err).Get(), flags) {}  // closed once it has started
    static Outcome Run(const Args& args) { return Qtvctl(args).Finish(); }
    bool Ended() const { return WaitForSingleObject(m_child.Handle(), 0) != WAIT_TIMEOUT; }
    DWORD ProcessId() const { return m_child.ProcessId(); }
    // Serves this thread's messages (a router of ours) until it ends.
    Outcome Finish() {
        m_child.WaitForExit(kChildMs);
        return {m_child.ExitCode(), Text(m_out), Text(m_err)};
    }

private:
    // An inheritable handle to the file, for the child.
    static qtv::ScopedHandle Output(const TempFile& f) {
        SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
        return qtv::ScopedHandle(
            CreateFileA(f.Path().c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS, 0, nullptr));
    }
    static string Text(const TempFile& f) {
        string s = f.Read();
        s.erase(std::remove(s.begin(), s.end(), '\r'), s.end());
        return s;
    }
    TempFile m_out, m_err;
    qtvtest::ChildProcess m_child;
};

// Every key and value below HKEY_CURRENT_USER\path as the platform reports
// them, a line each.
string Dump(const string& path, const string& sub = "") {
    HKEY key;
    if (LONG r = RegOpenKeyExA(HKEY_CURRENT_USER, (path + sub).c_str(), 0, KEY_READ, &key))
        return "<open " + std::to_string(r) + ">";
    string dump = "[" + sub + "]\n";
    char name[512], data[1024];
    DWORD n, size, type;
    for (DWORD i = 0; n = sizeof name, size = sizeof data,
               !RegEnumValueA(key, i, name, &n, 0, &type, reinterpret_cast<BYTE*>(data), &size); ++i)
        dump += string(name, n) + "|" + std::to_string(type) + "|" + string(data, size) + "\n";
    for (DWORD i = 0; n = sizeof name, !RegEnumKeyExA(key, i, name, &n, 0, 0, 0, 0); ++i)
        dump += Dump(path, sub + "\\" + name);
    RegCloseKey(key);
    return dump;
}

// The test's own key is the product key, in both roots.
class QtvctlTest : public RegTest {
protected:
    const char* Folder() const override { return "SOFTWARE\\Quorvane"; }
    Outcome Tree(Args args) {
        args.insert(args.end(), {"--product", string(m_name), "--app", "App"});
        return Qtvctl::Run(args);
    }
    void SetUp() override {
        RegTest::SetUp();
        m_schemes = string(Path("CurrentVersion\\App\\Schemes"));
    }
    string m_schemes;
};

TEST_F(QtvctlTest, SchemeCommandsFollowTheLibraryOnAMachineTreeMadeByTheTest) {
    for (const char* s : {".Default", "Racing", "Work"})
        ASSERT_EQ(0, RegSetKeyValueA(HKEY_LOCAL_MACHINE, (m_schemes + "\\" + s).c_str(), "v", REG_SZ, "1", 2));
    const struct { Args args; string outcome; } rows[] = {  // exit status, stdout, then stderr
        {{"schemes"}, "0 * .Default\n  Racing\n  Work\n"},  // first use copies the machine's tree
        {{"current", "racing"}, "0 "},                        // any letter case, stored as the registry spells it
        {{"current"}, "0 Racing\n"},
        {{"current", "Gone"}, "1 qtvctl: the user has no scheme \"Gone\"\n"},
        {{"new", "Extra"}, "0 "},
        {{"delete", ".DEFAULT"}, "1 qtvctl: the default scheme \".Default\" cannot be deleted\n"},
        {{"delete", "Missing"}, "1 qtvctl: cannot delete scheme \"Missing\": error 2: "},
        {{"delete", "RACING"}, "0 "},  // the current one: .Default becomes current
        {{"schemes"}, "0 * .Default\n  Extra\n  Work\n"},
    };
    for (const auto& row : rows) {
        Outcome got = Tree(row.args);
        EXPECT_EQ(row.outcome, (std::to_string(got.exit) + " " + got.out + got.err).substr(0, row.outcome.size()))
            << row.args[0];
    }
}

// The user's tree is made of lasting keys: the library's volatile ones can go
// below them.
TEST_F(QtvctlTest, ExportThenImportUnderAnotherNameCopiesEveryValueByteForByte) {
    string bytes;
    for (int i = 0; i < 300; ++i) bytes += static_cast<char>(i * 7);
    const struct { const char* sub; string name; DWORD type; string bytes; } values[] = {
        {"", "Text", REG_SZ, Bytes("abc\0")},           {"", "Empty", REG_SZ, Bytes("\0")},
        {"", "", REG_SZ, Bytes("unnamed\0")},           {"", "Lines", REG_SZ, Bytes("one\r\ntwo\0")},
        {"", "Unterminated", REG_SZ, Bytes("abc")},     {"", "Number", REG_DWORD, Bytes("\x2a\0\0\0")},
        {"", "Short number", REG_DWORD, Bytes("\1\2\3")}, {"", "Bytes", REG_BINARY, bytes},  // over several lines
        {"", "List", REG_MULTI_SZ, Bytes("a\0bc\0\0")}, {"", "Path", REG_EXPAND_SZ, Bytes("%TEMP%\\x\0")},
        {"\\Deep", "Wide", REG_QWORD, Bytes("12345678")}, {"\\Deep\\Er", Bytes("q\"b\\\xe9"), REG_SZ, Bytes("x\0")},
        {"\\Deep\\Er", "None", REG_NONE, ""},            {"\\Deep\\Empty", "", REG_NONE, ""},
    };
    for (const auto& v : values)
        Put("CurrentVersion\\App\\Schemes\\Source" + string(v.sub), v.name.c_str(), v.type, v.bytes);
    TempFile file;
    Outcome exported = Tree({"export", "source", file.Path()}), imported = Tree({"import", file.Path(), "Copy"});
    ASSERT_EQ("0 0", std::to_string(exported.exit) + " " + std::to_string(imported.exit)) << exported.err << imported.err;
    EXPECT_EQ(Dump(m_schemes + "\\Source"), Dump(m_schemes + "\\Copy"));
    const string text = file.Read();
    for (const char* form : {"\r\n\"Text\"=\"abc\"\r\n", "\r\n@=\"unnamed\"\r\n", "\r\n\"Number\"=dword:0000002a\r\n",
                             "\r\n\"q\\\"b\\\\\xe9\"=\"x\"\r\n", "\r\n\"List\"=hex(7):61,00,62,63,00,00\r\n"})
        EXPECT_NE(string::npos, text.find(form)) << form << " in\n" << text;
}

TEST_F(QtvctlTest, MalformedFilesAreRefusedWithTheirLineAndChangeNothing) {
    const string section = "[HKEY_CURRENT_USER\\" + m_schemes + "\\New]\r\n";
    const string good = "REGEDIT4\r\n\r\n" + section + "\"ok\"=\"1\"\r\n";  // lines 1 to 4
    const struct { string text; int line; const char* what; } rows[] = {
        {"REGEDIT5\r\n\r\n" + section, 1, "bad header"}, {"", 1, "empty"},
        {"REGEDIT4\r\n\"ok\"=\"1\"\r\n", 2, "before any section"},
        {good + "[HKEY_CURRENT_USER\\Software\\Elsewhere]\r\n", 5, "outside the schemes"},
        {good + "[HKEY_CURRENT_USER\\" + m_schemes + "\\Other\\Sub]\r\n", 5, "outside the scheme \"New\" of line 3"},
        {good + "\"a\\q\"=\"x\"\r\n", 5, "bad escape \\q"},
        {good + "\"b\"=hex:01,\\\r\n  02,0g\r\n", 6, "bad hex: \"0g\""}, {good + "\"b\"=hex:01,,02\r\n", 5, "missing byte"},
        {good + "\"c\"=\"" + string(100000, 'x') + "\r\n", 5, "no closing quote"},
        {good + "\"d\"=hex:01,\\\r\n", 5, "ends inside the value begun on line 5"},
        {good + "\"e\"=dword:0000002a", 5, "truncated"}, {good + Bytes("\"f\"=\"a\0b\"\r\n"), 5, "NUL byte in column 7"},
        {good + "\"g\"=dword:123456789\r\n", 5, "bad dword"}, {good + "\"h\"=-\r\n", 5, "cannot delete"},
    };
    for (const auto& row : rows) {
        TempFile file;
        std::ofstream(file.Path(), std::ios::binary) << row.text;
        Outcome got = Tree({"import", file.Path()});
        const string where = "1 qtvctl: " + file.Path() + ":" + std::to_string(row.line) + ": ";
        const string outcome = std::to_string(got.exit) + " " + got.err;
        EXPECT_TRUE(outcome.find(where) == 0 && outcome.find(row.what) != string::npos) << row.what << ": " << outcome;
    }
    EXPECT_EQ("<open 2>", Dump(m_schemes));
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
        {{"bogus"}, "2 |"}, {{"schemes"}, "2 |"}, {{"flags", "--product", "P"}, "2 |"},
        {{"monitor", "--range", "9-3"}, "2 |"}, {{"monitor", "--count", "0"}, "2 |"}, {{"send", "0x1g"}, "2 |"},
        {{"send", "74"}, "2 |"}, {{"send", "1177", "1"}, "2 |"},
        {{"write", string(CDriverPipe::DriverPipeCapacity - 8, 'x')}, "2 |"},
        {{"new", "a\\b", "--product", "P", "--app", "A"}, "2 |"},
        {{"monitor"}, none}, {{"send", "0x400"}, none}, {{"write", "x"}, none}};
    for (const auto& row : rows) {
        Outcome got = Qtvctl::Run(row.args);
        const string outcome = std::to_string(got.exit) + " " + got.out + "|" + got.err;  // stderr's start
        EXPECT_EQ(row.outcome, outcome.substr(0, row.outcome.size())) << row.args[0] << " " << row.args.back();
    }
}

class QtvctlRouterTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_router->Initialize()); }
    // Serves the router until qtvctl has registered for the message.
    bool Registered(const Qtvctl& qtvctl, UINT message) {
        return qtvtest::PumpUntil([&] { return m_router->CountHandlers(message) == 1 || qtvctl.Ended(); }, kChildMs) &&
               !qtvctl.Ended();
    }
    // Registers the recorder of this process for the message.
    UINT Receive(UINT message, qtvtest::Recorder* receiver) {
        CMessageRegistration reg;
        reg.AddMessageToList(message);
        reg.SetNotifyTarget(receiver);
        return m_router->RegisterForNotifications(reg);
    }
    std::unique_ptr<CMessagePipe> m_router{new CMessagePipe};
    std::vector<qtvtest::Call> m_log;
};

// Each line: the time, the message, its name (- for none), wParam, lParam.
TEST_F(QtvctlRouterTest, MonitorPrintsSentAndPostedMessagesUnregistersOnCountTimeOrCtrlCAndEndsWithThreeWhenTheRouterGoes) {
    Qtvctl counted({"monitor", "--message", "0x8123", "--count", "2", "--message", "33060"});
    ASSERT_TRUE(Registered(counted, 0x8123));
    SendMessageA(m_router->GetSafeHwnd(), 0x8123, 1, 2);
    PostMessageA(m_router->GetSafeHwnd(), 0x8124, 3, -1);
    Outcome got = counted.Finish();
    EXPECT_TRUE(got.exit == 0 && std::regex_match(got.out, std::regex(" *\\d+ 0x8123 - +0x1 0x2\n"
                                                                      " *\\d+ 0x8124 - +0x3 0xFFFFFFFFFFFFFFFF\n")))
        << got.exit << " " << got.out << got.err;
    EXPECT_TRUE(qtvtest::PumpUntil([&] { return m_router->CountHandlers(0x8123) == 0; }));

    Qtvctl timed({"monitor", "--message", "0x8129", "--seconds", "1"});
    ASSERT_TRUE(Registered(timed, 0x8129));
    EXPECT_EQ(0u, timed.Finish().exit);
    EXPECT_TRUE(qtvtest::PumpUntil([&] { return m_router->CountHandlers(0x8129) == 0; }));

    // Ctrl+C travels through a console: monitor gets one of its own, and this
    // process joins it to raise the event (ignoring it itself).
    Qtvctl stopped({"monitor", "--message", "0x8128"}, CREATE_NEW_CONSOLE);
    ASSERT_TRUE(Registered(stopped, 0x8128));
    FreeConsole();
    SetConsoleCtrlHandler(nullptr, TRUE);
    EXPECT_TRUE(AttachConsole(stopped.ProcessId()) && GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0));
    got = stopped.Finish();
    FreeConsole();
    SetConsoleCtrlHandler(nullptr, FALSE);
    EXPECT_EQ("0 ", std::to_string(got.exit) + " " + got.err);
    EXPECT_TRUE(qtvtest::PumpUntil([&] { return m_router->CountHandlers(0x8128) == 0; }));

    Qtvctl endless({"monitor", "--range", "0x8125-0x8126"});
    ASSERT_TRUE(Registered(endless, 0x8125));
    m_router.reset();
    got = endless.Finish();
    EXPECT_EQ("3 qtvctl: the router has gone away\n", std::to_string(got.exit) + " " + got.err);
}

TEST_F(QtvctlRouterTest, SendPrintsTheAnswerOfTheRoutersReceivers) {
    qtvtest::Recorder receiver('r', &m_log, TRUE, 42);
    const UINT handle = Receive(0x8127, &receiver);
    Outcome got = Qtvctl::Run({"send", "0x8127", "5", "-1"});
    EXPECT_EQ("0 42 (0x2A)\n", std::to_string(got.exit) + " " + got.out) << got.err;
    EXPECT_EQ((std::vector<qtvtest::Call>{{'r', handle, 1, 0x8127, 5, -1}}), m_log);
}

TEST_F(QtvctlRouterTest, WriteDeliversEachTextAsOneRecordInOrder) {
    CDriverPipe server;
    ASSERT_TRUE(server.InitialServerSide());
    server.Register(m_router.get());
    qtvtest::Recorder receiver('t', &m_log, TRUE);  // keeps each text and releases its holder
    Receive(DPM_TEXT, &receiver);
    const std::vector<string> texts = {"first", "second text", string(CDriverPipe::DriverPipeCapacity - 9, 'x')};
    Outcome got = Qtvctl::Run({"write", texts[0], texts[1], texts[2]});
    EXPECT_TRUE(got.exit == 0 && qtvtest::PumpUntil([&] { return receiver.texts.size() >= texts.size(); })) << got.err;
    EXPECT_EQ(texts, receiver.texts);
    server.UnRegister();
}

}  // namespace
