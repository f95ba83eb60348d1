#include "qtvutils/routing.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

using qtvtest::ChildProcess;
using qtvtest::NamedEvent;
using qtvtest::TempFile;

const char kChild[] = "qtv_routing_child.exe";
const UINT kFence = WM_APP + 77;  // what the child posts to wait for the server

// A receiver of DPM_TEXT: records each text and the holder's count on
// arrival, then releases its reference as every receiver must.
class CTextListener : public CNotifyTarget {
public:
    BOOL Notify(CMessageNotification* n) override {
        auto* pText = reinterpret_cast<CDriverPipeText*>(n->m_wParam);
        texts.push_back(static_cast<const char*>(pText->m_strText));
        counts.push_back(pText->GetRefCount());
        pText->Release();
        return TRUE;
    }
    std::vector<std::string> texts;
    std::vector<LONG> counts;
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
        CMessageRegistration reg;
        for (UINT m : messages) reg.AddMessageToList(m);
        reg.SetNotifyTarget(&target);
        return router.RegisterForNotifications(reg);
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

TEST_F(DriverPipeTest, EachReceiverGetsTheHolderOnceAndTheLastReleaseDestroysIt) {
    CTextListener a, b, c;
    Listen(a, {DPM_TEXT});
    Listen(b, {DPM_TEXT});
    Listen(c, {DPM_TEXT});
    LocalClient client;
    ASSERT_TRUE(client.Text("hello"));
    qtvtest::PumpUntil([&] { return c.texts.size() == 1; });
    EXPECT_EQ(std::vector<std::string>{"hello"}, a.texts);
    EXPECT_EQ(std::vector<std::string>{"hello"}, b.texts);
    EXPECT_EQ(std::vector<std::string>{"hello"}, c.texts);
    // On arrival each receiver holds a reference of its own beside the
    // router's, whatever the others did with theirs.
    EXPECT_EQ((std::vector<LONG>{2, 2, 2}), (std::vector<LONG>{a.counts[0], b.counts[0], c.counts[0]}));
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
    EXPECT_TRUE(client.Text("next"));  // nothing served yet: on its thread the router reads first
    qtvtest::PumpUntil([&] { return a.texts.size() == 2; });
    EXPECT_EQ((std::vector<std::string>{big, "next"}), a.texts);
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

// ---- with a real client process -------------------------------------------

class DriverClientTest : public DriverPipeTest {
protected:
    void SetUp() override {
        DriverPipeTest::SetUp();
        // The child posts a fence after a step and waits for this ack, so it
        // knows the server has dealt with everything posted before.
        fence = std::make_unique<CHook>([this](CMessageNotification*) { ack.Set(); });
        Listen(*fence, {kFence});
    }

    // Starts the client, serves its hand-over, and returns its report once it
    // has written everything. While `serve` is false the router does not run
    // during the writes.
    std::vector<std::string> RunClient(const std::vector<std::string>& items, bool serve = true) {
        TempFile report;
        NamedEvent initialized, go;
        std::vector<std::string> args = {"driver", report.Path(), initialized.Name(), go.Name(), ack.Name()};
        args.insert(args.end(), items.begin(), items.end());
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

    NamedEvent ack;
    std::unique_ptr<CHook> fence;
};

TEST_F(DriverClientTest, RecordsWrittenBeforeTheServerRunsAreAllReadAtTheFirstNotification) {
    CTextListener a;
    Listen(a, {DPM_TEXT});
    std::vector<DWORD> leftAfterEachRead;
    CHook probe([&](CMessageNotification*) { leftAfterEachRead.push_back(Available()); });
    Listen(probe, {DPM_DATAREADY});  // served after the pipe's own registration

    std::vector<std::string> report = RunClient({"t:first", "t:second"}, /*serve=*/false);
    EXPECT_EQ((std::vector<std::string>{"initialized 1 1", "t:first 1", "t:second 1"}), report);
    const DWORD first = 8 + 6, second = 8 + 7;  // headers, texts and their NULs
    EXPECT_EQ(first + second, Available());      // nothing read while the router did not run
    qtvtest::PumpUntil([&] { return a.texts.size() == 2; });
    EXPECT_EQ((std::vector<std::string>{"first", "second"}), a.texts);
    EXPECT_EQ((std::vector<DWORD>{0, 0}), leftAfterEachRead);
}

TEST_F(DriverClientTest, OtherRecordsAreSkippedWholeAndTheTextAfterThemArrivesIntact) {
    CTextListener a;
    Listen(a, {DPM_TEXT});
    RunClient({"b:4000:100", "b:4001:0", "b:4002:2040", "t:intact", "sync"});
    EXPECT_EQ(std::vector<std::string>{"intact"}, a.texts);
    EXPECT_EQ(0u, Available());
}

TEST_F(DriverClientTest, HostileWritersCostNoOtherRecordAndBlockNoOtherWriter) {
    CTextListener a;
    Listen(a, {DPM_TEXT});
    std::vector<std::string> items = {
        "raw:FFFFFFFF99040000",  // length 0xFFFFFFFF
        "sync", "t:after-huge",   "sync",
        "raw:B80B000099040000414243",  // length 3000: more than the pipe holds
        "sync", "t:after-large",  "sync",
        "raw:0A00000099040000414243",  // length 10, only 3 bytes there
        "sync", "t:after-short",  "sync",
        "raw:0102",  // not even a header
        "sync", "t:after-scrap",  "sync",
        "quiet:05000000990400006C6F737400", "t:next", "sync",  // a record whose notification never came
        "quiet:F8070000A00F0000" + std::string(2 * 2040, '0'), "t:after-stall", "sync",  // the pipe full, untold
    };
    std::vector<std::string> report = RunClient(items);
    ASSERT_EQ(items.size() + 1, report.size());
    for (size_t i = 0; i < items.size(); ++i) EXPECT_EQ(items[i] + " 1", report[i + 1]);
    EXPECT_EQ((std::vector<std::string>{"after-huge", "after-large", "after-short", "after-scrap", "lost", "next",
                                        "after-stall"}),
              a.texts);
    EXPECT_EQ(0u, Available());
}

TEST_F(DriverClientTest, ConcurrentWritersKeepEveryRecordWholeAndInOrder) {
    const int kWriters = 4, kRecords = 1000;
    CTextListener a;
    Listen(a, {DPM_TEXT});
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
