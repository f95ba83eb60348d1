#include "qtvutils/routing.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

std::vector<DWORD> Words(void* block) {
    auto* p = static_cast<const DWORD*>(block);
    return std::vector<DWORD>(p, p + p[0] / 4);
}

// The block without its reserved trailing word, which nothing writes.
std::vector<DWORD> Fields(void* block) {
    std::vector<DWORD> w = Words(block);
    w.pop_back();
    return w;
}

TEST(MessageRegistrationTest, RangeIsActiveOnlyWhenItsLastEndLiesAbove) {
    struct Row {
        UINT from, to;
        std::vector<UINT> list;
        UINT message;
        bool matches;
    } rows[] = {
        {100, 200, {}, 100, true},   {100, 200, {}, 200, true},    {100, 200, {}, 99, false},
        {100, 200, {}, 201, false},  {200, 100, {}, 150, false},   {5, 5, {}, 5, false},
        {5, 5, {5}, 5, true},        {0, 0, {}, 0, false},         {0, 0, {7, 9}, 9, true},
        {0, 0xFFFFFFFF, {}, 0xFFFFFFFF, true},                     {10, 20, {30}, 30, true},
        {0, 0, {3, 3}, 3, true},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << r.from << ".." << r.to << " message " << r.message);
        CMessageRegistration reg;
        reg.SetMessageFrom(r.from);
        reg.SetMessageTo(r.to);
        for (UINT m : r.list) reg.AddMessageToList(m);
        EXPECT_EQ(r.matches, !!reg.MessageForThisTarget(r.message));
    }
}

TEST(MessageRegistrationTest, FlatBlockHasTheFixedLayout) {
    CMessageRegistration empty;
    std::vector<DWORD> e = Words(empty);
    ASSERT_EQ(9u, e.size());  // 36 bytes, the reserved word at 32
    EXPECT_EQ((std::vector<DWORD>{36, 0, 0, 0, 0, 0, 0, 0}), std::vector<DWORD>(e.begin(), e.begin() + 8));

    CMessageRegistration reg;
    reg.SetMessageFrom(500);
    reg.SetMessageTo(600);
    reg.SetWindowHandle(reinterpret_cast<HWND>(0x12345678));
    reg.SetCallbackMessage(777);
    reg.SetNotifyStyle(NOTIFY_STYLE_SEND);
    reg.AddMessageToList(11);
    reg.AddMessageToList(12);
    reg.AddCommandToList(21);
    std::vector<DWORD> w = Words(reg);
    ASSERT_EQ(12u, w.size());  // 48 bytes, trailing word at 44
    EXPECT_EQ((std::vector<DWORD>{48, 500, 600, 0x12345678, 777, 1, 2, 1, 11, 12, 21}),
              std::vector<DWORD>(w.begin(), w.begin() + 11));
}

TEST(MessageRegistrationTest, BlockRoundTripRestoresEverythingButTargetPipeAndHandle) {
    CMessageRegistration src;
    src.SetMessageFrom(1);
    src.SetMessageTo(9);
    // A window handle above 2^31 in its low word comes back sign-extended.
    HWND hWnd = reinterpret_cast<HWND>(static_cast<LONG_PTR>(static_cast<LONG>(0x80001234)));
    src.SetWindowHandle(hWnd);
    src.SetCallbackMessage(55);
    src.SetNotifyStyle(static_cast<NOTIFY_STYLE>(7));
    for (UINT m : {30u, 10u, 20u}) src.AddMessageToList(m);
    for (UINT c : {5u, 5u}) src.AddCommandToList(c);
    src.AssignHandle(4);
    src.SetNotifyTarget(reinterpret_cast<CNotifyTarget*>(8));

    CMessageRegistration copy(static_cast<TAGRawRegistration*>(static_cast<void*>(src)));
    EXPECT_EQ(nullptr, copy.MessageTarget());
    EXPECT_EQ(nullptr, copy.GetMessagePipe());
    EXPECT_EQ(0u, copy.GetHandle());
    EXPECT_EQ(hWnd, copy.GetWindowHandle());
    EXPECT_EQ(55u, copy.GetCallbackMessage());
    EXPECT_EQ(7u, copy.GetNotifyStyle());
    EXPECT_EQ(1, copy.GetRefCount());
    // The rebuilt registration lays out the same block: same range and lists, same order.
    EXPECT_EQ(Fields(src), Fields(copy));
}

TEST(MessageRegistrationTest, AssignmentCopiesFieldsAndListsButNotBlockOrCount) {
    CMessageRegistration src;
    src.SetMessageFrom(10);
    src.SetMessageTo(20);
    src.AddMessageToList(99);
    src.AddCommandToList(7);
    src.AssignHandle(3);
    src.SetNotifyStyle(NOTIFY_STYLE_POST);
    void* srcBlock = src;

    CMessageRegistration dst;
    dst.AddMessageToList(1);  // replaced, not appended to
    dst.AddCommandToList(2);
    dst.AddRef();
    void* oldBlock = dst;
    ASSERT_NE(nullptr, oldBlock);
    dst = src;
    EXPECT_EQ(2, dst.GetRefCount());
    EXPECT_EQ(3u, dst.GetHandle());
    EXPECT_EQ(NOTIFY_STYLE_POST, dst.GetNotifyStyle());
    EXPECT_EQ(1, dst.GetMessageListCount());
    EXPECT_EQ(1, dst.GetCommandCount());
    EXPECT_TRUE(dst.MessageForThisTarget(15));
    EXPECT_TRUE(dst.MessageForThisTarget(99));
    EXPECT_FALSE(dst.MessageForThisTarget(1));
    EXPECT_TRUE(dst.CommandForThisTarget(7));
    // A fresh block is built on demand; it is not the source's.
    void* dstBlock = dst;
    EXPECT_NE(srcBlock, dstBlock);
    EXPECT_EQ(Fields(srcBlock), Fields(dstBlock));

    // Later changes to the source do not reach the copy.
    src.AddMessageToList(123);
    EXPECT_FALSE(dst.MessageForThisTarget(123));
}

}  // namespace
