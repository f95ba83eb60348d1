#include "routing/recorder.h"

#include <cstdio>

using namespace qtvtest;

struct DriverPipeTest : RouterTest {
    void SetUp() override {
        RouterTest::SetUp();
        ASSERT_TRUE(server.InitialServerSide());
        server.Register(&router);
    }

    DWORD Available() {  // bytes waiting in the pipe
        DWORD n = 0;
        PeekNamedPipe(server.m_hReadPipe, nullptr, 0, nullptr, &n, nullptr);
        return n;
    }

    CDriverPipe server;
    Recorder a{'a', &log, TRUE}, b{'b', &log, TRUE};
};

// A client on the router's own thread: the router reads the pipe before each
// write, so none waits for room.
TEST_F(DriverPipeTest, EachTextRecordReachesEveryListenerUpToItsFirstZeroByte) {
    CDriverPipe client;
    ASSERT_TRUE(client.InitialClientSide());
    char unheard[] = "nobody listens";
    ASSERT_TRUE(client.WriteDataToClientPipe(sizeof unheard, DPM_TEXT, unheard));
    Send(DPM_DATAREADY);
    MSG msg;  // no holder made for nobody
    EXPECT_FALSE(PeekMessageA(&msg, router.GetSafeHwnd(), DPM_TEXT, DPM_TEXT, PM_NOREMOVE));

    for (Recorder* r : {&a, &b}) Listen(router, r, {DPM_TEXT});
    const std::string full(CDriverPipe::DriverPipeCapacity - 9, 'q');  // with its zero and the header: a full pipe
    const std::string fitting[] = {full + '\0', std::string("ab\0cd", 6), "xyz", ""};  // "xyz": no zero byte
    for (std::string payload : fitting) {
        const UINT length = static_cast<UINT>(payload.size());
        EXPECT_TRUE(client.WriteDataToClientPipe(length, DPM_TEXT, &payload[0])) << length;
    }
    std::string beyond = full + "q" + '\0';  // one byte beyond the pipe
    EXPECT_FALSE(client.WriteDataToClientPipe(static_cast<UINT>(beyond.size()), DPM_TEXT, &beyond[0]));
    EXPECT_FALSE(client.WriteDataToClientPipe(5, DPM_TEXT, nullptr));  // no data for the length
    PumpUntil([&] { return b.texts.size() >= 4; });
    for (Recorder* r : {&a, &b}) {
        EXPECT_EQ((std::vector<std::string>{full, "ab", "xyz", ""}), r->texts);
        EXPECT_EQ(std::vector<LONG>(4, 2), r->counts);  // its own reference beside the router's
    }
}

TEST_F(DriverPipeTest, InitialisationIsAttemptedOnceAndUnRegisterClosesThePipe) {
    HANDLE hRead = server.m_hReadPipe;
    EXPECT_TRUE(server.InitialServerSide());
    EXPECT_EQ(hRead, server.m_hReadPipe);
    EXPECT_TRUE(server.UnRegister());
    EXPECT_FALSE(server.m_hReadPipe || server.m_hWritePipe);
    EXPECT_EQ(0u, router.CountHandlers(DPM_DATAREADY));
    EXPECT_TRUE(server.InitialServerSide());  // not retried
    EXPECT_EQ(nullptr, server.m_hReadPipe);
}

// ---- with clients in other processes ----------------------------------------

struct DriverClientTest : DriverPipeTest {
    void SetUp() override {
        DriverPipeTest::SetUp();
        // A child posts this fence after a step and waits for the ack, so it
        // knows the server has dealt with everything posted before.
        Add('f', {WM_APP + 77}).onNotify = [this](CMessageNotification*) { ack.Set(); };
        Listen(router, &a, {DPM_TEXT});
    }

    // Starts a client that writes the items (see routing_child.cpp) once go
    // is set; returns when it has its write end.
    std::unique_ptr<ChildProcess> StartClient(std::vector<std::string> items) {
        NamedEvent initialized;
        items.insert(items.begin(), {"driver", initialized.Name(), go.Name(), ack.Name()});
        std::unique_ptr<ChildProcess> client(new ChildProcess("qtv_routing_child.exe", items));
        EXPECT_TRUE(PumpUntilSignalled(initialized.Handle()));
        return client;
    }

    NamedEvent ack, go;
};

TEST_F(DriverClientTest, RecordsWrittenWhileTheServerDidNotRunAreAllReadAtTheFirstNotification) {
    std::vector<DWORD> leftAfterEachRead;
    Add('p', {DPM_DATAREADY}).onNotify = [&](CMessageNotification*) { leftAfterEachRead.push_back(Available()); };
    auto child = StartClient({"t:first", "b:4000:100", "b:4001:0", "t:second"});  // other codes are skipped whole
    go.Set();
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(child->Handle(), kWaitMs));  // not serving meanwhile
    EXPECT_EQ(8u + 6 + 8 + 100 + 8 + 8 + 7, Available());
    PumpUntil([&] { return a.texts.size() >= 2; });
    EXPECT_EQ((std::vector<std::string>{"first", "second"}), a.texts);
    EXPECT_EQ((std::vector<DWORD>{0, 0, 0, 0}), leftAfterEachRead);
}

TEST_F(DriverClientTest, HostileWritersCostNoOtherRecordAndBlockNoOtherWriter) {
    auto child = StartClient({
        "b:4000:100", "b:4001:0", "b:4002:2040", "t:after-others",  // other codes are skipped whole
        "raw:FFFFFFFF99040000", "sync", "t:after-huge", "sync",      // length 0xFFFFFFFF
        "raw:B80B000099040000414243", "sync", "t:after-large", "sync",  // 3000: more than the pipe holds
        "raw:0A00000099040000414243", "sync", "t:after-short", "sync",  // 10, only 3 bytes there
        "raw:0102", "sync", "t:after-scrap", "sync",                    // not even a header
        "quiet:05000000990400006C6F737400", "t:next", "sync",           // a record whose notification never came
        "quiet:F8070000A00F0000" + std::string(2 * 2040, '0'), "t:after-stall", "sync",  // the pipe full, untold
    });
    go.Set();
    // The items take many round trips to the router: a loaded machine needs more than one bound for them.
    EXPECT_TRUE(child->WaitForExit(3 * kWaitMs) && child->ExitCode() == 0)
        << "exit code " << child->ExitCode() << " (10 + n: item n was not written)";
    EXPECT_EQ((std::vector<std::string>{"after-others", "after-huge", "after-large", "after-short", "after-scrap",
                                        "lost", "next", "after-stall"}),
              a.texts);
    EXPECT_EQ(0u, Available());
}

TEST_F(DriverClientTest, ConcurrentWritersKeepEveryRecordWholeAndInOrder) {
    const int kWriters = 4, kRecords = 1000;
    std::vector<std::unique_ptr<ChildProcess>> writers;
    for (int id = 0; id < kWriters; ++id)
        writers.push_back(StartClient({"n:" + std::to_string(id) + ":" + std::to_string(kRecords)}));
    go.Set();
    ASSERT_TRUE(PumpUntil([&] { return a.texts.size() == kWriters * kRecords; }, 120000))
        << a.texts.size() << " records arrived";
    std::map<int, int> next;  // writer -> expected sequence number
    for (const std::string& text : a.texts) {
        int id = -1, seq = -1, prefix = 0;
        ASSERT_EQ(2, sscanf(text.c_str(), "w%d:%d:%n", &id, &seq, &prefix)) << text.substr(0, 40);
        ASSERT_EQ(next[id]++, seq) << "writer " << id;
        ASSERT_EQ(std::string((seq * 37) % 1500, static_cast<char>('a' + seq % 26)), text.substr(prefix))
            << "record w" << id << ":" << seq << " is not whole";
    }
}
