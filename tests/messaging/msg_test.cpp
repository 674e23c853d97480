#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "messaging/listener.h"
#include "messaging/msg.h"
#include "messaging/msg_box.h"
#include "messaging/msg_send.h"
#include "messaging_test_support.h"

namespace velmora {
namespace {

using test::Recorder;

// A persistent object with one field, to see that messages own clones.
class CTagged : public CObj {
public:
    std::string tag;
    CObj* CreateObject() const override { return new CTagged(); }
    void Copy(const CObj& src) override {
        CObj::Copy(src);
        if (const auto* other = dynamic_cast<const CTagged*>(&src)) tag = other->tag;
    }
};

TEST(CSingleMsg, ArgumentsKeepTheirKind) {
    CSingleMsg msg(4, "caption", 7, 0);
    EXPECT_EQ(msg.StrArgc(), "caption");
    EXPECT_EQ(msg.Argc(), 0);
    EXPECT_EQ(msg.Argv(), 7);

    // Setting a 64-bit value releases the string the argument held.
    msg.LLArgc(int64_t{5} << 32 | 3);
    EXPECT_EQ(msg.StrArgc(), "");
    EXPECT_EQ(msg.LLArgc(), (int64_t{5} << 32) | 3);
    EXPECT_EQ(msg.Argc(), 3);

    // The object forms start with both arguments empty.
    CTagged object;
    CSingleMsg carrying(13, &object, 2);
    EXPECT_TRUE(std::holds_alternative<std::monostate>(carrying.ArgcValue()));
    EXPECT_TRUE(std::holds_alternative<std::monostate>(carrying.ArgvValue()));
    EXPECT_EQ(carrying.Unit(), 2);
    EXPECT_EQ(CSingleMsg(13, nullptr, 0).Object(), nullptr);
}

TEST(CSingleMsg, CopiesOwnIndependentObjects) {
    CTagged object;
    object.tag = "first";
    CMsg original(13, &object, 0);
    ASSERT_NE(original.Object(), &object);  // a clone, not the caller's object

    CMsg copy(original);
    auto* mine = dynamic_cast<CTagged*>(original.Object());
    auto* theirs = dynamic_cast<CTagged*>(copy.Object());
    ASSERT_TRUE(mine && theirs);
    EXPECT_NE(mine, theirs);
    theirs->tag = "changed";
    EXPECT_EQ(mine->tag, "first");

    original.Clear();
    EXPECT_EQ(original.Object(), nullptr);
    EXPECT_EQ(original.Cmd(), 0);
    EXPECT_EQ(theirs->tag, "changed");
}

TEST(CMsg, SubMessagesAreDeepCopies) {
    CMsg inner(15, 1, 0, 0);
    inner.Append(CMsg(3, 0, 0, 0));
    CMsg outer(16, 0, 0, 0);
    outer.Append(inner);
    inner.Argc(0);

    ASSERT_EQ(outer.GetCount(), 1);
    auto* copied = dynamic_cast<CMsg*>(outer.GetAtIndex(0));
    ASSERT_NE(copied, nullptr);
    EXPECT_EQ(copied->Argc(), 1);
    EXPECT_EQ(copied->GetCount(), 1);
    EXPECT_EQ(outer.GetAtIndex(1), nullptr);
    EXPECT_EQ(outer.GetAtIndex(-1), nullptr);

    std::unique_ptr<CObj> clone(outer.Clone());
    auto* cloned = dynamic_cast<CMsg*>(clone.get());
    ASSERT_NE(cloned, nullptr);
    EXPECT_NE(cloned->GetAtIndex(0), outer.GetAtIndex(0));
    EXPECT_EQ(cloned->GetAtIndex(0)->Cmd(), 15);
}

TEST(CMsg, CheckCancel) {
    EXPECT_TRUE(CMsg(15, 1, 0, 0).CheckCancel());
    EXPECT_FALSE(CMsg(15, 2, 0, 0).CheckCancel());
    EXPECT_FALSE(CMsg(15, 0, 0, 0).CheckCancel());

    CMsg carrier(16, 0, 0, 0);
    EXPECT_FALSE(carrier.CheckCancel());
    carrier.Append(CMsg(15, 1, 0, 0));
    EXPECT_TRUE(carrier.CheckCancel());

    // Only the first command-15 sub-message counts.
    CMsg first(16, 0, 0, 0);
    first.Append(CMsg(15, 2, 0, 0));
    first.Append(CMsg(15, 1, 0, 0));
    EXPECT_FALSE(first.CheckCancel());
}

TEST(CMsgs, GetHandsOverOwnership) {
    CMsg* taken = nullptr;
    {
        CMsgs queue;
        EXPECT_EQ(queue.Get(), nullptr);
        queue.Add(new CMsg(1, 0, 0, 0));
        queue.Add(new CMsg(2, 0, 0, 0));
        taken = queue.Get();
        ASSERT_NE(taken, nullptr);
        EXPECT_EQ(taken->Cmd(), 1);
        EXPECT_EQ(queue.GetCount(), 1);
    }
    // The queue is gone; the message taken out of it is still ours.
    EXPECT_EQ(taken->Cmd(), 1);
    delete taken;
}

class CMsgBoxTest : public ::testing::Test {
protected:
    void TearDown() override { EXPECT_EQ(CMsgBox::Box().GetCount(), 0); }
};

TEST_F(CMsgBoxTest, SubscribeKeepsTheFirstKeyAndIgnoresEmptyInput) {
    Recorder a;
    CMsgBox& box = CMsgBox::Box();
    box.Subscribe("first", &a);
    box.Subscribe("second", &a);
    box.Subscribe("", &a);
    box.Subscribe("null", nullptr);
    EXPECT_EQ(a.GetName(), "first");
    EXPECT_EQ(box.GetCount(), 1);

    CMsgSend(9, 0, 0, 0);
    EXPECT_EQ(a.Commands(), (std::vector<int>{9}));

    Recorder b;
    box.Subscribe("", &b);
    EXPECT_EQ(b.GetName(), "");
    EXPECT_EQ(box.GetCount(), 1);
    box.Unsubscribe(&a);
    box.Unsubscribe(nullptr);
}

TEST_F(CMsgBoxTest, SendToReachesTheOldestListenerWithThatName) {
    Recorder a, b, c;
    CMsgBox& box = CMsgBox::Box();
    box.Subscribe("shared", &a);
    box.Subscribe("shared", &b);
    box.Subscribe("other", &c);

    CMsgSendTo("shared", 17, 0, 0, 0);
    CMsgSendTo("nobody", 17, 0, 0, 0);
    CMsgSendTo("Shared", 17, 0, 0, 0);  // names compare exactly
    EXPECT_EQ(a.Commands().size(), 1u);
    EXPECT_TRUE(b.Commands().empty());
    EXPECT_TRUE(c.Commands().empty());

    box.Unsubscribe(&a);
    CMsgSendTo("shared", 17, 0, 0, 0);
    EXPECT_EQ(b.Commands().size(), 1u);
    box.Unsubscribe(&b);
    box.Unsubscribe(&c);
}

TEST_F(CMsgBoxTest, RepliesAreVisibleToLaterListenersAndTheSender) {
    Recorder quiet;
    Recorder cancelling;
    cancelling.reply = 1;
    Recorder late;
    CMsgBox& box = CMsgBox::Box();

    EXPECT_EQ(CMsgSend(8, 0, 0, 0).Result(), 0);  // nobody listening

    box.Subscribe("quiet", &quiet);
    EXPECT_EQ(CMsgSend(8, 0, 0, 0).Result(), 0);

    box.Subscribe("cancelling", &cancelling);
    box.Subscribe("late", &late);
    CMsgSend ask(8, 0, 0, 0);
    EXPECT_EQ(ask.Result(), 1);
    EXPECT_EQ(late.results.back(), 1);
    EXPECT_EQ(quiet.results.back(), 0);

    box.Unsubscribe(&quiet);
    box.Unsubscribe(&cancelling);
    box.Unsubscribe(&late);
}

TEST_F(CMsgBoxTest, ListenersComeAndGoDuringABroadcast) {
    CMsgBox& box = CMsgBox::Box();
    Recorder first, second, third, added;
    box.Subscribe("first", &first);
    box.Subscribe("second", &second);
    box.Subscribe("third", &third);

    // The first listener removes itself and the next one, and adds another.
    first.onMsg = [&](CMsg&) {
        box.Unsubscribe(&first);
        box.Unsubscribe(&second);
        box.Subscribe("added", &added);
    };
    CMsgSend(9, 0, 0, 0);
    EXPECT_EQ(first.Commands().size(), 1u);
    EXPECT_TRUE(second.Commands().empty());
    EXPECT_EQ(third.Commands().size(), 1u);
    EXPECT_EQ(added.Commands().size(), 1u);  // joined during the broadcast, and heard it
    EXPECT_EQ(box.GetCount(), 2);

    // A listener that sends from inside OnMsg (same thread, re-entrant lock).
    third.onMsg = [&](CMsg& msg) {
        if (msg.Cmd() == 9) CMsgSend(10, 0, 0, 0);
    };
    // The nested message reaches later listeners before the outer one does.
    CMsgSend(9, 0, 0, 0);
    EXPECT_EQ(added.Commands(), (std::vector<int>{9, 10, 9}));
    EXPECT_EQ(third.Commands(), (std::vector<int>{9, 9, 10}));

    box.Unsubscribe(&third);
    box.Unsubscribe(&added);
}

TEST_F(CMsgBoxTest, DestroyedListenerLeavesTheBox) {
    CMsgBox& box = CMsgBox::Box();
    Recorder stays;
    box.Subscribe("stays", &stays);
    {
        Recorder forgetful;
        box.Subscribe("forgetful", &forgetful);
        EXPECT_EQ(box.GetCount(), 2);
    }
    EXPECT_EQ(box.GetCount(), 1);
    CMsgSend(9, 0, 0, 0);  // must not reach the destroyed listener
    EXPECT_EQ(stays.Commands().size(), 1u);
    box.Unsubscribe(&stays);
}

TEST_F(CMsgBoxTest, PairedSendersBracketTheirScope) {
    Recorder rec;
    CMsgBox::Box().Subscribe("rec", &rec);
    {
        CMsgRun run;
        CMsgWait wait("Connecting");
    }
    CMsgProgress(16, 4, "Caption");
    CMsgProgress(0, 6, int64_t{6} << 30, "text");  // a byte position beyond 32 bits
    CMsgBox::Box().Unsubscribe(&rec);

    ASSERT_EQ(rec.messages.size(), 6u);
    EXPECT_EQ(rec.Commands(), (std::vector<int>{9, 11, 11, 10, 16, 16}));
    EXPECT_EQ(rec.messages[1].Argc(), 1);
    EXPECT_EQ(rec.messages[1].StrArgv(), "Connecting");
    EXPECT_EQ(rec.messages[2].Argc(), 0);
    EXPECT_EQ(rec.messages[2].StrArgv(), "");
    EXPECT_EQ(rec.messages[4].SubCmd(), 4);
    EXPECT_EQ(rec.messages[4].Unit(), 16);
    EXPECT_EQ(rec.messages[4].StrArgc(), "Caption");
    EXPECT_EQ(rec.messages[5].LLArgc(), int64_t{6} << 30);
    EXPECT_EQ(rec.messages[5].StrArgv(), "text");
}

// The older channel: numbered notifications with a shared result word.
class CCodeListener : public CListener {
public:
    std::vector<long> codes;
    std::string text;
    long answer = 0;
    void OnUpdateListener(long code, unsigned int, intptr_t lParam, long* result) override {
        codes.push_back(code);
        if (code == 0) text = *reinterpret_cast<const std::string*>(lParam);
        if (code == 4) text = reinterpret_cast<const char*>(lParam);
        if (code == 8) *result = answer;
    }
};

TEST(CListeners, NotifiesEveryListenerInOrder) {
    CCodeListener a, b;
    CListeners listeners;
    listeners.AddListener(&a);
    listeners.AddListener(nullptr);
    listeners.AddListener(&b);
    EXPECT_EQ(listeners.GetCount(), 2);

    listeners.ShowStatus("status");
    listeners.ProgressSetCaption("caption");
    EXPECT_FALSE(listeners.ProgressCheckCancel());
    b.answer = 1;
    EXPECT_TRUE(listeners.ProgressCheckCancel());
    EXPECT_EQ(a.codes, (std::vector<long>{0, 4, 8, 8}));
    EXPECT_EQ(b.text, "caption");

    listeners.RemoveListener(&a);
    listeners.ProgressFinish();
    EXPECT_EQ(a.codes.size(), 4u);
    EXPECT_EQ(b.codes.back(), 3);
}

}  // namespace
}  // namespace velmora
