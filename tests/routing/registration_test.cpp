#include "routing/recorder.h"

// The flat block's words without the reserved trailing word, which nothing writes.
static std::vector<DWORD> Fields(CMessageRegistration& reg) {
    auto* p = static_cast<const DWORD*>(static_cast<void*>(reg));
    return std::vector<DWORD>(p, p + p[0] / 4 - 1);
}

TEST(MessageRegistrationTest, MatchesItsRangeOnlyWhenTheLastEndLiesAboveTheFirstAndItsList) {
    const struct {
        UINT from, to;
        std::vector<UINT> list;
        UINT message;
        bool matches;
    } rows[] = {
        {100, 200, {}, 100, true}, {100, 200, {}, 200, true}, {100, 200, {}, 99, false}, {100, 200, {}, 201, false},
        {200, 100, {}, 150, false}, {5, 5, {}, 5, false},     {5, 5, {5}, 5, true},     {0, 0, {}, 0, false},
        {0, 0, {7, 9}, 9, true},    {10, 20, {30}, 30, true}, {0, 0xFFFFFFFF, {}, 0xFFFFFFFF, true},
    };
    for (const auto& r : rows) {
        CMessageRegistration reg;
        reg.SetMessageFrom(r.from);
        reg.SetMessageTo(r.to);
        for (UINT m : r.list) reg.AddMessageToList(m);
        EXPECT_EQ(r.matches, !!reg.MessageForThisTarget(r.message)) << r.from << ".." << r.to << ": " << r.message;
    }
}

// A registration rebuilt from the block, then assigned to another, lays out
// the same block there: every field travels, in its place.
TEST(MessageRegistrationTest, FlatBlockHasTheFixedLayoutAndRebuildsTheSameRegistration) {
    CMessageRegistration reg;
    reg.SetMessageFrom(500);
    reg.SetMessageTo(600);
    // A window handle with the top bit of its low word comes back sign-extended.
    HWND hWnd = reinterpret_cast<HWND>(static_cast<LONG_PTR>(static_cast<LONG>(0x80001234)));
    reg.SetWindowHandle(hWnd);
    reg.SetCallbackMessage(777);
    reg.SetNotifyStyle(NOTIFY_STYLE_SEND);
    for (UINT m : {11, 12}) reg.AddMessageToList(m);
    reg.AddCommandToList(21);
    const std::vector<DWORD> expected = {48, 500, 600, 0x80001234, 777, 1, 2, 1, 11, 12, 21};
    EXPECT_EQ(expected, Fields(reg));

    CMessageRegistration rebuilt(static_cast<TAGRawRegistration*>(static_cast<void*>(reg)));
    EXPECT_EQ(hWnd, rebuilt.GetWindowHandle());
    CMessageRegistration assigned;
    assigned.AddMessageToList(1);  // replaced, not added to
    assigned.AddRef();
    assigned = rebuilt;
    EXPECT_EQ(expected, Fields(assigned));
    EXPECT_EQ(2, assigned.GetRefCount());  // not copied
}
