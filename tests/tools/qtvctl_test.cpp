// qtvctl.exe run as a process of its own, in a product and application key of
// each test's own (removed afterwards in both roots), or against a router of
// this process. Registry data is written and read with the platform's calls.
#include "qtvutils/routing.h"

#include "routing/recorder.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

using qtvtest::ChildProcess;
using qtvtest::TempFile;
using std::string;
using Args = std::vector<string>;

// A child can take 10 s and more to start on a loaded machine.
const DWORD kChildMs = 3 * qtvtest::kWaitMs;

template <size_t N>
string Bytes(const char (&s)[N]) {
    return string(s, N - 1);
}

struct Outcome {
    DWORD exit;
    string out, err;  // without CRs
};

// qtvctl.exe with its stdout and stderr in files of their own.
class Qtvctl {
public:
    explicit Qtvctl(const Args& args)
        : m_out(Open(m_outFile)), m_err(Open(m_errFile)), m_child("qtvctl.exe", args, m_out, m_err) {}
    ~Qtvctl() {
        CloseHandle(m_out);
        CloseHandle(m_err);
    }
    bool Ended() const { return WaitForSingleObject(m_child.Handle(), 0) != WAIT_TIMEOUT; }
    static Outcome Run(const Args& args) { return Qtvctl(args).Finish(); }
    // Serves this thread's messages (a router of ours) until it ends.
    Outcome Finish() {
        m_child.WaitForExit(kChildMs);
        return {m_child.ExitCode(), Text(m_outFile), Text(m_errFile)};
    }

private:
    static HANDLE Open(const TempFile& f) {
        SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
        return CreateFileA(f.Path().c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa, CREATE_ALWAYS, 0,
                           nullptr);
    }
    static string Text(const TempFile& f) {
        string s = f.Read();
        s.erase(std::remove(s.begin(), s.end(), '\r'), s.end());
        return s;
    }
    TempFile m_outFile, m_errFile;
    HANDLE m_out, m_err;
    ChildProcess m_child;
};


// Every key and value below root\path as the platform reports them, one line
// each.
string Dump(HKEY root, const string& path, const string& sub = "") {
    HKEY key;
    if (LONG r = RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key)) return "<open " + std::to_string(r) + ">";
    string dump = "[" + sub + "]\n";
    char name[512];
    static BYTE data[8192];
    DWORD n, size, type;
    LONG r;
    for (DWORD i = 0; n = sizeof name, size = sizeof data, !(r = RegEnumValueA(key, i, name, &n, 0, &type, data, &size)); ++i)
        dump += string(name, n) + "|" + std::to_string(type) + "|" + string(reinterpret_cast<char*>(data), size) + "\n";
    dump += "<" + std::to_string(r) + ">\n";
    std::vector<string> subkeys;
    for (DWORD i = 0; n = sizeof name, !RegEnumKeyExA(key, i, name, &n, 0, 0, 0, 0); ++i) subkeys.push_back(name);
    RegCloseKey(key);
    for (const string& s : subkeys) dump += Dump(root, path + "\\" + s, sub + "\\" + s);
    return dump;
}

class QtvctlTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_product = qtvtest::UniqueName(::testing::UnitTest::GetInstance()->current_test_info()->name());
        m_schemes = "SOFTWARE\\Quorvane\\" + m_product + "\\CurrentVersion\\App\\Schemes";
    }
    void TearDown() override {
        for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
            RegDeleteTreeA(root, ("SOFTWARE\\Quorvane\\" + m_product).c_str());
            RegDeleteKeyA(root, "SOFTWARE\\Quorvane");  // only once no other run uses it
        }
    }
    Outcome Tree(Args args) {
        args.insert(args.end(), {"--product", m_product, "--app", "App"});
        return Qtvctl::Run(args);
    }
    // The installer's machine-wide scheme, with a value.
    void MachineScheme(const char* name) {
        ASSERT_EQ(0, RegSetKeyValueA(HKEY_LOCAL_MACHINE, (m_schemes + "\\" + name).c_str(), "v", REG_SZ, "1", 2));
    }
    // A value in the user's tree, whose keys the library makes volatile: a key
    // below one of them must be volatile too.
    void UserValue(const string& sub, const string& name, DWORD type, const string& bytes) {
        HKEY key;
        ASSERT_EQ(0, RegCreateKeyExA(HKEY_CURRENT_USER, (m_schemes + "\\" + sub).c_str(), 0, nullptr,
                                     REG_OPTION_VOLATILE, KEY_WRITE, nullptr, &key, nullptr));
        EXPECT_EQ(0, RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                                    static_cast<DWORD>(bytes.size())));
        RegCloseKey(key);
    }

    string m_product, m_schemes;
};

TEST_F(QtvctlTest, SchemeCommandsFollowTheLibraryOnAMachineTreeMadeByTheTest) {
    for (const char* s : {".Default", "Racing", "Work"}) MachineScheme(s);
    const struct {
        Args args;
        DWORD exit;
        string out, err;  // err: a part of it
    } rows[] = {
        {{"schemes"}, 0, "* .Default\n  Racing\n  Work\n", ""},  // first use copies the machine's tree
        {{"current", "racing"}, 0, "", ""},                      // any letter case, stored as the registry spells it
        {{"current"}, 0, "Racing\n", ""},
        {{"current", "Gone"}, 1, "", "no scheme \"Gone\""},
        {{"new", "Extra"}, 0, "", ""},
        {{"delete", ".DEFAULT"}, 1, "", "\".Default\" cannot be deleted"},
        {{"delete", "Missing"}, 1, "", "error 2: "},
        {{"delete", "RACING"}, 0, "", ""},  // the current one: .Default becomes current
        {{"schemes"}, 0, "* .Default\n  Extra\n  Work\n", ""},
    };
    for (const auto& row : rows) {
        Outcome got = Tree(row.args);
        EXPECT_EQ(row.exit, got.exit) << row.args[0] << " " << got.err;
        EXPECT_EQ(row.out, got.out) << row.args[0];
        EXPECT_NE(string::npos, got.err.find(row.err)) << row.args[0] << ": " << got.err;
    }
}

TEST_F(QtvctlTest, ExportThenImportUnderAnotherNameCopiesEveryValueByteForByte) {
    MachineScheme(".Default");
    ASSERT_EQ(0u, Tree({"schemes"}).exit);
    string bytes;
    for (int i = 0; i < 300; ++i) bytes += static_cast<char>(i * 7);
    const struct {
        const char* sub;
        string name;
        DWORD type;
        string bytes;
    } values[] = {
        {"", "Text", REG_SZ, Bytes("abc\0")},
        {"", "Empty", REG_SZ, Bytes("\0")},
        {"", "", REG_SZ, Bytes("unnamed\0")},
        {"", "Lines", REG_SZ, Bytes("one\r\ntwo\0")},
        {"", "Unterminated", REG_SZ, Bytes("abc")},
        {"", "Number", REG_DWORD, Bytes("\x2a\0\0\0")},
        {"", "Short number", REG_DWORD, Bytes("\1\2\3")},
        {"", "Bytes", REG_BINARY, bytes},  // runs over several lines
        {"", "List", REG_MULTI_SZ, Bytes("a\0bc\0\0")},
        {"", "Path", REG_EXPAND_SZ, Bytes("%TEMP%\\x\0")},
        {"Deep", "Wide", REG_QWORD, Bytes("12345678")},
        {"Deep\\Er", Bytes("q\"b\\\xe9"), REG_SZ, Bytes("x\0")},
        {"Deep\\Er", "None", REG_NONE, ""},
        {"Deep\\Empty", "", REG_NONE, ""},
    };
    for (const auto& v : values) UserValue(string("Source\\") + v.sub, v.name, v.type, v.bytes);
    TempFile file;
    Outcome exported = Tree({"export", "source", file.Path()});
    ASSERT_EQ(0u, exported.exit) << exported.err;
    Outcome imported = Tree({"import", file.Path(), "Copy"});
    ASSERT_EQ(0u, imported.exit) << imported.err;

    const string original = Dump(HKEY_CURRENT_USER, m_schemes + "\\Source");
    EXPECT_EQ(original, Dump(HKEY_CURRENT_USER, m_schemes + "\\Copy"));
    EXPECT_NE(string::npos, original.find("\n[\\Deep\\Empty]\n|0|\n<259>\n")) << original;  // the last key read
    const string text = file.Read();
    for (const char* form : {"\r\n\"Text\"=\"abc\"\r\n", "\r\n@=\"unnamed\"\r\n", "\r\n\"Number\"=dword:0000002a\r\n",
                             "\r\n\"q\\\"b\\\\\xe9\"=\"x\"\r\n", "\r\n\"List\"=hex(7):61,00,62,63,00,00\r\n"})
        EXPECT_NE(string::npos, text.find(form)) << form << " in\n" << text;
}

TEST_F(QtvctlTest, MalformedFilesAreRefusedWithTheirLineAndChangeNothing) {
    MachineScheme(".Default");
    ASSERT_EQ(0u, Tree({"schemes"}).exit);
    const string section = "[HKEY_CURRENT_USER\\" + m_schemes + "\\New]\r\n";
    const string good = "REGEDIT4\r\n\r\n" + section + "\"ok\"=\"1\"\r\n";  // lines 1 to 4
    const struct {
        string text;
        int line;
        const char* what;
    } rows[] = {
        {"REGEDIT5\r\n\r\n" + section, 1, "bad header"},
        {"", 1, "empty"},
        {"REGEDIT4\r\n\"ok\"=\"1\"\r\n", 2, "before any section"},
        {good + "[HKEY_CURRENT_USER\\Software\\Elsewhere]\r\n", 5, "outside the schemes"},
        {good + "[HKEY_CURRENT_USER\\" + m_schemes + "\\Other\\Sub]\r\n", 5, "outside the scheme \"New\" of line 3"},
        {good + "\"a\\q\"=\"x\"\r\n", 5, "bad escape \\q"},
        {good + "\"b\"=hex:01,\\\r\n  02,0g\r\n", 6, "bad hex: \"0g\""},
        {good + "\"b\"=hex:01,,02\r\n", 5, "missing byte"},
        {good + "\"c\"=\"" + string(100000, 'x') + "\r\n", 5, "no closing quote"},
        {good + "\"d\"=hex:01,\\\r\n", 5, "ends inside the value begun on line 5"},
        {good + "\"e\"=dword:0000002a", 5, "truncated"},
        {good + Bytes("\"f\"=\"a\0b\"\r\n"), 5, "NUL byte in column 7"},
        {good + "\"g\"=dword:123456789\r\n", 5, "bad dword"},
        {good + "\"h\"=-\r\n", 5, "cannot delete"},
    };
    const string before = Dump(HKEY_CURRENT_USER, m_schemes);
    for (const auto& row : rows) {
        TempFile file;
        if (FILE* f = fopen(file.Path().c_str(), "wb")) {
            fwrite(row.text.data(), 1, row.text.size(), f);
            fclose(f);
        }
        Outcome got = Tree({"import", file.Path()});
        const string where = file.Path() + ":" + std::to_string(row.line) + ": ";
        EXPECT_EQ(1u, got.exit) << row.what;
        EXPECT_EQ(0u, got.err.find("qtvctl: " + where)) << row.what << ": " << got.err;
        EXPECT_NE(string::npos, got.err.find(row.what, where.size())) << got.err;
    }
    EXPECT_EQ(before, Dump(HKEY_CURRENT_USER, m_schemes));
}

TEST(QtvctlUsageTest, UsageErrorsExitWithTwoBeforeAnythingIsDone) {
    const Args rows[] = {
        {"bogus"},
        {"schemes"},                                       // no tree named
        {"flags", "--product", "P"},                       // an option it does not take
        {"monitor", "--range", "9-3"},
        {"monitor", "--count", "0"},
        {"send", "0x1g"},
        {"send", "74"},                                    // WM_COPYDATA: its lParam points into the sender
        {"send", "1177", "1"},                             // DPM_TEXT: a holder of the router's process
        {"write", string(CDriverPipe::DriverPipeCapacity - 8, 'x')},  // with its NUL, one byte too long
        {"new", "a\\b", "--product", "P", "--app", "A"},  // not one key name
    };
    for (const Args& args : rows) {
        Outcome got = Qtvctl::Run(args);
        EXPECT_EQ(2u, got.exit) << args[0] << " " << args.back();
        EXPECT_EQ("", got.out) << args[0];
    }
}

TEST(QtvctlNoRouterTest, RouterCommandsExitWithThree) {
    ASSERT_EQ(nullptr, CRemoteMessagePipe::FindRouterWindow()) << "a router is left running";
    for (const Args& args : {Args{"monitor"}, Args{"send", "0x400"}, Args{"write", "x"}}) {
        Outcome got = Qtvctl::Run(args);
        EXPECT_EQ(3u, got.exit) << args[0];
        EXPECT_EQ("qtvctl: no router is running\n", got.err) << args[0];
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
    std::unique_ptr<CMessagePipe> m_router{new CMessagePipe};
};

TEST_F(QtvctlRouterTest, MonitorPrintsASentAndAPostedMessageAndUnregisters) {
    Qtvctl monitor({"monitor", "--message", "0x8123", "--count", "2", "--message", "33060"});
    ASSERT_TRUE(Registered(monitor, 0x8123));
    SendMessageA(m_router->GetSafeHwnd(), 0x8123, 1, 2);
    PostMessageA(m_router->GetSafeHwnd(), 0x8124, 3, -1);
    Outcome got = monitor.Finish();
    EXPECT_EQ(0u, got.exit) << got.err;
    std::vector<string> lines;
    for (size_t at = 0, end; (end = got.out.find('\n', at)) != string::npos; at = end + 1) {
        string line = got.out.substr(at, end - at);
        line.erase(0, line.find("0x"));  // the time
        line.erase(std::unique(line.begin(), line.end(), [](char a, char b) { return a == ' ' && b == ' '; }),
                   line.end());
        lines.push_back(line);
    }
    EXPECT_EQ((std::vector<string>{"0x8123 - 0x1 0x2", "0x8124 - 0x3 0xFFFFFFFFFFFFFFFF"}), lines);
    EXPECT_TRUE(qtvtest::PumpUntil([&] { return m_router->CountHandlers(0x8123) == 0; }));
}

TEST_F(QtvctlRouterTest, MonitorEndsWithThreeWhenTheRouterGoesAway) {
    Qtvctl monitor({"monitor", "--range", "0x8125-0x8126"});
    ASSERT_TRUE(Registered(monitor, 0x8125));
    m_router.reset();
    Outcome got = monitor.Finish();
    EXPECT_EQ(3u, got.exit);
    EXPECT_EQ("qtvctl: the router has gone away\n", got.err);
}

TEST_F(QtvctlRouterTest, SendPrintsTheAnswerOfTheRoutersReceivers) {
    std::vector<qtvtest::Call> log;
    qtvtest::Recorder receiver('r', &log, TRUE, 42);
    CMessageRegistration reg;
    reg.AddMessageToList(0x8127);
    reg.SetNotifyTarget(&receiver);
    UINT handle = m_router->RegisterForNotifications(reg);
    Outcome got = Qtvctl::Run({"send", "0x8127", "5", "-1"});
    EXPECT_EQ(0u, got.exit) << got.err;
    EXPECT_EQ("42 (0x2A)\n", got.out);
    EXPECT_EQ((std::vector<qtvtest::Call>{{'r', handle, 1, 0x8127, 5, -1}}), log);
}

// Keeps each text it is handed.
class TextReceiver : public CNotifyTarget {
public:
    BOOL Notify(CMessageNotification* n) override {
        auto* holder = reinterpret_cast<CDriverPipeText*>(n->m_wParam);
        texts.push_back(static_cast<const char*>(holder->m_strText));
        holder->Release();
        return TRUE;
    }
    std::vector<string> texts;
};

TEST_F(QtvctlRouterTest, WriteDeliversEachTextAsOneRecordInOrder) {
    CDriverPipe server;
    ASSERT_TRUE(server.InitialServerSide());
    server.Register(m_router.get());
    TextReceiver receiver;
    CMessageRegistration reg;
    reg.AddMessageToList(DPM_TEXT);
    reg.SetNotifyTarget(&receiver);
    m_router->RegisterForNotifications(reg);
    const std::vector<string> texts = {"first", "second text", string(CDriverPipe::DriverPipeCapacity - 9, 'x')};
    Outcome got = Qtvctl::Run({"write", texts[0], texts[1], texts[2]});
    EXPECT_EQ(0u, got.exit) << got.err;
    EXPECT_TRUE(qtvtest::PumpUntil([&] { return receiver.texts.size() >= texts.size(); }));
    EXPECT_EQ(texts, receiver.texts);
    server.UnRegister();
}

}  // namespace
