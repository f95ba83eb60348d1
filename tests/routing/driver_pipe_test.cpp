#include "qtvutils/routing.h"

#include "routing/recorder.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using qtvtest::ChildProcess;
using qtvtest::NamedEvent;
using qtvtest::TempFile;

const char kChild[] = "qtv_routing_child.exe";
const UINT kFence = WM_APP + 77;  // what the child posts to wait for the server

// A receiver of DPM_TEXT: records each text, then releases its reference as
// every receiver must, or keeps the last holder when told to.
class CTextListener : public CNotifyTarget {
public:
    BOOL Notify(CMessageNotification* n) override {
        auto* pText = reinterpret_cast<CDriverPipeText*>(n->m_wParam);
        texts.push_back(static_cast<const char*>(pText->m_strText));
        if (keep)
            kept = pText;
        else
            pText->Release();
        return TRUE;
    }
    std::vector<std::string> texts;
    bool keep = false;
    CDriverPipeText* kept = nullptr;
};

// Calls a function for each message of its list.
class CHook : public CNotifyTarget {
public:
    explicit CHook(std::function<void(CMessageNotification*)> fn) : m_fn(std::move(fn)) {}
    BOOL Notify(CMessageNotification* n) override {
        m_fn(n);
        return FALSE;
    }

private:
    std::function<void(CMessageNotification*)> m_fn;
};

class DriverPipeTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(router.Initialize());
        ASSERT_TRUE(server.InitialServerSide());
        ASSERT_TRUE(server.Register(&router));
    }
    void TearDown() override { server.UnRegister(); }

    UINT Listen(CNotifyTarget& target, std::initializer_list<UINT> messages) {
        return qtvtest::Listen(router, &target, messages);
    }

    // Bytes waiting in the pipe.
    DWORD Available() {
        DWORD n = 0;
        PeekNamedPipe(server.m_hReadPipe, nullptr, 0, nullptr, &n, nullptr);
        return n;
    }

    CMessagePipe router;
    CDriverPipe server;
};

// A same-process client, on the router's own thread.
struct LocalClient {
    LocalClient() { EXPECT_TRUE(pipe.InitialClientSide()); }
    BOOL Text(const std::string& text) {
        return pipe.WriteDataToClientPipe(static_cast<UINT>(text.size() + 1), DPM_TEXT, const_cast<char*>(text.c_str()));
    }
    CDriverPipe pipe;
};

TEST_F(DriverPipeTest, EachReceiverGetsAReferenceOfItsOwnAndTheLastOneKeepsTheHolder) {
    CTextListener a, b, c;
    c.keep = true;
    Listen(a, {DPM_TEXT});
    Listen(b, {DPM_TEXT});
    Listen(c, {DPM_TEXT});
    LocalClient client;
    ASSERT_TRUE(client.Text("hello"));
    qtvtest::PumpUntil([&] { return c.texts.size() == 1; });
    EXPECT_EQ(std::vector<std::string>{"hello"}, a.texts);
    EXPECT_EQ(std::vector<std::string>{"hello"}, b.texts);
    ASSERT_NE(nullptr, c.kept);
    EXPECT_EQ(1, c.kept->GetRefCount());  // every other reference is gone
    EXPECT_STREQ("hello", c.kept->m_strText);
    c.kept->Release();
    EXPECT_EQ(0u, Available());
}

TEST_F(DriverPipeTest, TextWithoutReceiversIsConsumedAndNothingIsPosted) {
    LocalClient client;
    ASSERT_TRUE(client.Text("nobody listens"));
    ASSERT_NE(0u, Available());
    SendMessageA(router.GetSafeHwnd(), DPM_DATAREADY, 0, 0);  // the read, now
    EXPECT_EQ(0u, Available());
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, router.GetSafeHwnd(), DPM_TEXT, DPM_TEXT, PM_NOREMOVE));
    qtvtest::PumpPending();
}

TEST_F(DriverPipeTest, TextEndsAtItsFirstZeroByteOrWithThePayload) {
    CTextListener a;
    Listen(a, {DPM_TEXT});
    LocalClient client;
    char inner[] = {'a', 'b', 0, 'c', 'd', 0};
    char unterminated[] = {'x', 'y', 'z'};
    client.pipe.WriteDataToClientPipe(sizeof inner, DPM_TEXT, inner);
    client.pipe.WriteDataToClientPipe(sizeof unterminated, DPM_TEXT, unterminated);
    client.pipe.WriteDataToClientPipe(0, DPM_TEXT, nullptr);
    qtvtest::PumpUntil([&] { return a.texts.size() == 3; });
    EXPECT_EQ((std::vector<std::string>{"ab", "xyz", ""}), a.texts);
}

TEST_F(DriverPipeTest, DataReadyWithAnEmptyPipeOrOtherMessagesChangeNothing) {
    CTextListener a;
    Listen(a, {DPM_TEXT});
    EXPECT_EQ(0, SendMessageA(router.GetSafeHwnd(), DPM_DATAREADY, 0, 0));
    CMessageNotification other;
    other.m_message = WM_USER + 9;
    other.m_lResult = 0x5eed;
    EXPECT_TRUE(server.Notify(&other));
    EXPECT_EQ(0x5eed, other.m_lResult);
    qtvtest::PumpPending();
    EXPECT_TRUE(a.texts.empty());
}

TEST_F(DriverPipeTest, RecordsThatDoNotFitThePipeAreRefusedWhole) {
    LocalClient client;
    std::string big(CDriverPipe::DriverPipeCapacity - 8, 'q');
    EXPECT_FALSE(client.pipe.WriteDataToClientPipe(static_cast<UINT>(big.size() + 1), DPM_TEXT, &big[0]));
    EXPECT_EQ(0u, Available());
    EXPECT_FALSE(client.pipe.WriteDataToClientPipe(5, DPM_TEXT, nullptr));
    EXPECT_EQ(0u, Available());

    CTextListener a;
    Listen(a, {DPM_TEXT});
    big.pop_back();  // 2039 characters and the NUL: exactly a full pipe
    EXPECT_TRUE(client.pipe.WriteDataToClientPipe(static_cast<UINT>(big.size() + 1), DPM_TEXT, &big[0]));
    qtvtest::PumpUntil([&] { return !a.texts.empty(); });
    ASSERT_EQ(1u, a.texts.size());
    EXPECT_EQ(big, a.texts[0]);
}

TEST_F(DriverPipeTest, AClientOnTheRoutersOwnThreadNeverWaitsForItself) {
    CTextListener a;
    Listen(a, {DPM_TEXT});
    LocalClient client;
    std::string text(999, 'r');  // three such records overfill the pipe
    NamedEvent written;
    bool rescued = false;
    std::thread rescuer([&] {  // frees a writer that would wait for good, so that the test fails, not hangs
        if (written.Wait()) return;
        rescued = true;
        char scrap[2 * CDriverPipe::DriverPipeCapacity];
        DWORD n;
        ReadFile(server.m_hReadPipe, scrap, sizeof scrap, &n, nullptr);
    });
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(client.Text(text));  // nothing served in between
    written.Set();
    rescuer.join();
    EXPECT_FALSE(rescued);
    qtvtest::PumpUntil([&] { return a.texts.size() == 3; });
    EXPECT_EQ(std::vector<std::string>(3, text), a.texts);
}

TEST_F(DriverPipeTest, InitialisationIsAttemptedOncePerObject) {
    HANDLE hRead = server.m_hReadPipe;
    EXPECT_TRUE(server.InitialServerSide());
    EXPECT_EQ(hRead, server.m_hReadPipe);

    LocalClient client;
    HANDLE hWrite = client.pipe.m_hClientWritePipe;
    ASSERT_NE(nullptr, hWrite);
    EXPECT_TRUE(client.pipe.InitialClientSide());
    EXPECT_EQ(hWrite, client.pipe.m_hClientWritePipe);
}

TEST(DriverPipeNoRouterTest, ClientWithoutARouterFailsOnceAndIsNotRetried) {
    ASSERT_EQ(nullptr, FindWindowA(QTV_ROUTER_WINDOW_CLASS, nullptr)) << "a router is left running";
    CDriverPipe client;
    EXPECT_FALSE(client.InitialClientSide());
    CMessagePipe router;  // a router that appears later is not looked for
    ASSERT_TRUE(router.Initialize());
    CDriverPipe server;
    server.InitialServerSide();
    server.Register(&router);
    EXPECT_TRUE(client.InitialClientSide());
    EXPECT_EQ(nullptr, client.m_hClientWritePipe);
    char text[] = "x";
    EXPECT_FALSE(client.WriteDataToClientPipe(2, DPM_TEXT, text));
    server.UnRegister();
}

TEST(DriverPipeNoRouterTest, ServerWithoutAPipeHandsOutNoWriteEnd) {
    CMessagePipe router;
    ASSERT_TRUE(router.Initialize());
    CDriverPipe server;  // registered, never initialised
    server.Register(&router);
    CDriverPipe client;
    EXPECT_FALSE(client.InitialClientSide());
    EXPECT_EQ(nullptr, client.m_hClientWritePipe);
    server.UnRegister();
    EXPECT_EQ(0u, router.CountHandlers(DPM_GETWRITEHANDLE));
}

TEST_F(DriverPipeTest, UnRegisterClosesThePipeAndLeavesTheRouter) {
    EXPECT_EQ(1u, router.CountHandlers(DPM_DATAREADY));
    EXPECT_TRUE(server.UnRegister());
    EXPECT_EQ(nullptr, server.m_hReadPipe);
    EXPECT_EQ(nullptr, server.m_hWritePipe);
    EXPECT_EQ(0u, router.CountHandlers(DPM_DATAREADY));
    EXPECT_TRUE(server.InitialServerSide());  // not retried
    EXPECT_EQ(nullptr, server.m_hReadPipe);
}

// ---- with a real peer process ---------------------------------------------

class DriverClientTest : public DriverPipeTest {
protected:
    void SetUp() override {
        DriverPipeTest::SetUp();
        Listen(listener, {DPM_TEXT});
        // The peer posts a fence (wParam: its row) after a step and waits for
        // the ack. The fence goes once more round the router's queue first,
        // so the texts of the step have been delivered by the time of the ack.
        fence = std::make_unique<CHook>([this](CMessageNotification* n) {
            if (n->m_lParam == 0) {
                PostMessageA(router.GetSafeHwnd(), kFence, n->m_wParam, 1);
                return;
            }
            std::vector<std::string>& row = rowTexts[static_cast<int>(n->m_wParam)];
            row.insert(row.end(), listener.texts.begin() + textsSeen, listener.texts.end());
            textsSeen = listener.texts.size();
            ack.Set();
        });
        Listen(*fence, {kFence});
    }

    // Starts the peer, serves its hand-over, and returns its report (a line
    // per row) once it has acted out every row. While `serve` is false the
    // router does not run during the rows.
    std::vector<std::string> RunPeer(const std::vector<std::string>& rows, bool serve = true) {
        TempFile report;
        NamedEvent initialized, go;
        std::vector<std::string> args = {"peer", report.Path(), initialized.Name(), go.Name(), ack.Name()};
        args.insert(args.end(), rows.begin(), rows.end());
        ChildProcess child(kChild, args);
        EXPECT_TRUE(child.Started());
        EXPECT_TRUE(qtvtest::PumpUntilSignalled(initialized.Handle()));
        go.Set();
        if (serve)
            EXPECT_TRUE(child.WaitForExit());
        else
            EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(child.Handle(), qtvtest::kWaitMs));
        EXPECT_EQ(0u, child.ExitCode());
        return report.ReadLines();
    }

    CTextListener listener;
    NamedEvent ack;
    std::unique_ptr<CHook> fence;
    std::map<int, std::vector<std::string>> rowTexts;
    size_t textsSeen = 0;
};

TEST_F(DriverClientTest, RecordsWrittenBeforeTheServerRunsAreAllReadAtTheFirstNotification) {
    std::vector<DWORD> leftAfterEachRead;
    CHook probe([&](CMessageNotification*) { leftAfterEachRead.push_back(Available()); });
    Listen(probe, {DPM_DATAREADY});  // served after the pipe's own registration

    EXPECT_EQ((std::vector<std::string>{"1", "1"}), RunPeer({"t:first", "t:second"}, /*serve=*/false));
    EXPECT_EQ(8u + 6 + 8 + 7, Available());  // headers, texts and NULs: nothing read yet
    qtvtest::PumpUntil([&] { return listener.texts.size() == 2; });
    EXPECT_EQ((std::vector<std::string>{"first", "second"}), listener.texts);
    EXPECT_EQ((std::vector<DWORD>{0, 0}), leftAfterEachRead);
}

// Each row is what another process does, as the peer's actions (see
// routing_child.cpp); after each the peer proves the router still serves a
// receiver here and its own remote registration ("+check", the last "1").
// Copy-data blocks: size, first, last, window, callback, style, M, N, the
// lists, the reserved word.
TEST_F(DriverClientTest, NothingAPeerSendsStopsTheRouterServingEveryoneElse) {
    const std::string stalled(CDriverPipe::DriverPipeCapacity - 9, 'S');
    struct Row {
        const char* peer;
        const char* results;
        std::vector<std::string> texts;
    } rows[] = {
        {"post:1177:0x12345678:0", "1", {}},  // DPM_TEXT naming no holder
        {"post:1177:0:0", "1", {}},
        {"send:1177:0x12345678:0", "0", {}},
        {"listen+t:here-only", "1 1", {"here-only"}},
        {"replay", "0", {}},  // no holder's address ever reached the peer
        {"block:68:40:40,0,0,R,0,2,1,0,0x7777,0", "0", {}},  // forwarding to the router, by post
        {"block:68:40:40,0,0,R,0,1,1,0,0x7777,0", "0", {}},  // and by send
        {"block:68:40:40,0,0,0,0,2,1,0,0x7777,0", "0", {}},  // to no window
        {"block:68:40:40,0,0,X,0,2,1,0,0x7777,0", "0", {}},  // to a window that has gone
        {"block:68:40:40,0,0,0xFFFF,0,2,1,0,0x7777,0", "0", {}},  // to every window
        {"block:67:44:44,0,0,W,0,7,1,1,0x7778,40001,0", "0", {}},  // another tag
        {"block:68:0:44,0,0,W,0,7,1,1,0x7778,40001,0", "0", {}},   // no data
        {"block:68:35:36,0,0,W,0,7,0,0,0", "0", {}},               // less than a block
        {"block:68:40:35,0,0,W,0,7,1,0,0x7777,0", "0", {}},        // size below 36
        {"block:68:40:100,0,0,W,0,7,1,0,0x7777,0", "0", {}},       // size beyond the data
        {"block:68:40:40,0,0,W,0,7,2,0,0x7777,0", "0", {}},        // lists beyond the data
        {"block:68:40:40,0,0,W,0,7,0xFFFFFFFF,0,0x7777,0", "0", {}},
        {"block:68:40:36,0,0,W,0,7,0x40000000,0x40000000,0x7777,0", "0", {}},  // counts that wrap
        {"block:68:44:44,0,0,W,0,7,1,1,0x7778,40001,0", "1", {}},  // a valid one
        {"ipc:1+ipc:0+ipc:0xFFFFFFFF", "1 1 1", {}},  // unregistering the bridge, or nothing
        {"raw:05000000990400006C6F737400+t:next", "1 1", {"lost", "next"}},  // never notified
        {"stall+t:after-stall", "1 1", {stalled, "after-stall"}},  // pipe full, nobody notified
        {"raw:FFFFFFFF99040000+ready+sync+t:after-huge", "1 1 1 1", {"after-huge"}},
        {"raw:B80B000099040000414243+ready+sync+t:after-large", "1 1 1 1", {"after-large"}},  // 3000
        {"raw:0A00000099040000414243+ready+sync+t:after-short", "1 1 1 1", {"after-short"}},  // 10, 3 there
        {"raw:0102+ready+sync+t:after-scrap", "1 1 1 1", {"after-scrap"}},
        {"b:4000:100+b:4001:0+b:4002:2040+t:intact", "1 1 1 1", {"intact"}},  // other codes skipped whole
    };
    std::vector<std::string> peerRows;
    for (const Row& row : rows) peerRows.push_back(std::string(row.peer) + "+check");
    std::vector<std::string> report = RunPeer(peerRows);
    ASSERT_EQ(peerRows.size(), report.size());
    for (size_t i = 0; i < report.size(); ++i) {
        SCOPED_TRACE(rows[i].peer);
        EXPECT_EQ(std::string(rows[i].results) + " 1", report[i]);
        EXPECT_EQ(rows[i].texts, rowTexts[static_cast<int>(i)]);
    }
    EXPECT_EQ(0u, Available());
}

TEST_F(DriverClientTest, ConcurrentWritersKeepEveryRecordWholeAndInOrder) {
    const int kWriters = 4, kRecords = 1000;
    CTextListener& a = listener;
    NamedEvent go;
    std::vector<std::unique_ptr<NamedEvent>> ready;
    std::vector<std::unique_ptr<ChildProcess>> writers;
    for (int id = 0; id < kWriters; ++id) {
        ready.push_back(std::make_unique<NamedEvent>());
        writers.push_back(std::make_unique<ChildProcess>(
            kChild, std::vector<std::string>{"flood", ready.back()->Name(), go.Name(), std::to_string(id),
                                             std::to_string(kRecords)}));
        ASSERT_TRUE(qtvtest::PumpUntilSignalled(ready.back()->Handle()));
    }
    go.Set();
    ASSERT_TRUE(qtvtest::PumpUntil([&] { return a.texts.size() == kWriters * kRecords; }, 120000))
        << a.texts.size() << " records arrived";
    for (auto& w : writers) {
        EXPECT_TRUE(w->WaitForExit());
        EXPECT_EQ(0u, w->ExitCode());
    }

    std::map<int, int> next;  // writer -> expected sequence number
    for (const std::string& text : a.texts) {
        int id = -1, seq = -1, prefix = 0;
        ASSERT_EQ(2, sscanf(text.c_str(), "w%d:%d:%n", &id, &seq, &prefix)) << text.substr(0, 40);
        ASSERT_EQ(next[id], seq) << "writer " << id;
        ++next[id];
        std::string expected((seq * 37) % 1500, static_cast<char>('a' + seq % 26));
        ASSERT_EQ(expected, text.substr(prefix)) << "record w" << id << ":" << seq << " is not whole";
    }
    for (int id = 0; id < kWriters; ++id) EXPECT_EQ(kRecords, next[id]);
}

}  // namespace
