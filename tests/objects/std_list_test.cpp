#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>

#include "objects/obj.h"
#include "objects/std_list.h"
#include "objects/std_map.h"

namespace velmora {
namespace {

// Counts live instances so that the tests see exactly what a list deletes.
struct Tracked {
    static inline int alive = 0;
    int value = 0;
    Tracked() { ++alive; }
    explicit Tracked(int v) : value(v) { ++alive; }
    Tracked(const Tracked& other) : value(other.value) { ++alive; }
    virtual ~Tracked() { --alive; }
};

using TrackedList = CStdList<Tracked>;

class StdList : public ::testing::Test {
protected:
    void SetUp() override { Tracked::alive = 0; }
    void TearDown() override { EXPECT_EQ(Tracked::alive, 0); }
};

std::string Values(TrackedList& list) {
    std::string out;
    for (auto pos = list.GetHeadPosition(); !list.IsEnd(pos);) out += std::to_string(list.GetNext(pos)->value);
    return out;
}

TEST_F(StdList, OwningListDeletesItsElements) {
    {
        TrackedList list;
        list.Add(new Tracked(1));
        list.AddTail(new Tracked(2));
        list.AddHead(new Tracked(0));
        EXPECT_EQ(Values(list), "012");
        EXPECT_EQ(list.GetCount(), 3);
    }
    EXPECT_EQ(Tracked::alive, 0);
}

TEST_F(StdList, ViewNeverDeletesOnItsOwn) {
    Tracked a(1), b(2);
    {
        TrackedList view(false, false);
        view.Add(&a);
        view.Add(&b);
        view.RemoveAll();
        view.Add(&a);
    }
    EXPECT_EQ(Tracked::alive, 2);
}

TEST_F(StdList, SetAtInsertsBeforeAndAtTheEndAppends) {
    TrackedList list;
    list.Add(new Tracked(1));
    list.Add(new Tracked(3));
    auto pos = list.GetHeadPosition();
    list.GetNext(pos);
    list.SetAt(pos, new Tracked(2));
    list.SetAt(list.End(), new Tracked(4));
    EXPECT_EQ(Values(list), "1234");
}

TEST_F(StdList, WalksBothWays) {
    TrackedList list;
    for (int i = 1; i <= 3; ++i) list.Add(new Tracked(i));
    std::string backwards;
    for (auto pos = list.GetTailPosition(); !list.IsEnd(pos);) backwards += std::to_string(list.GetPrev(pos)->value);
    EXPECT_EQ(backwards, "321");
    TrackedList empty;
    EXPECT_TRUE(empty.IsEnd(empty.GetTailPosition()));
    EXPECT_EQ(empty.GetHead(), nullptr);
    EXPECT_EQ(list.GetTail()->value, 3);
}

TEST_F(StdList, RemoveTakesEveryOccurrenceAndDeletesNothing) {
    TrackedList list;
    auto* shared = new Tracked(7);
    list.Add(shared);
    list.Add(new Tracked(1));
    list.Add(shared);
    list.Remove(shared);
    list.Remove(static_cast<Tracked*>(nullptr));
    EXPECT_EQ(Values(list), "1");
    EXPECT_EQ(Tracked::alive, 2);
    delete shared;
}

TEST_F(StdList, RemoveAndDestroyDeletesEvenAPointerTheListDoesNotHold) {
    TrackedList list;
    list.Add(new Tracked(1));
    list.RemoveAndDestroy(new Tracked(2));
    EXPECT_EQ(Tracked::alive, 1);
    EXPECT_EQ(list.GetCount(), 1);
}

TEST_F(StdList, SubtractingAListTakesItsPointersAndDestroysThem) {
    TrackedList list;
    TrackedList doomed(false, false);
    auto* a = new Tracked(1);
    auto* b = new Tracked(2);
    list.Add(a);
    list.Add(b);
    doomed.Add(b);
    list -= doomed;
    EXPECT_TRUE(doomed.IsEmpty());
    EXPECT_EQ(Values(list), "1");
    EXPECT_EQ(Tracked::alive, 1);
}

TEST_F(StdList, CopyIsDeepAndTakesTheFlags) {
    TrackedList source(true, true);
    source.Add(new Tracked(5));
    source.ShowError("boom");
    TrackedList copy(source);
    EXPECT_EQ(copy.GetLastError(), "boom");
    EXPECT_TRUE(copy.IsShowErrors());
    EXPECT_NE(copy.GetHead(), source.GetHead());
    EXPECT_EQ(copy.GetHead()->value, 5);

    copy += source;
    EXPECT_EQ(Values(copy), "55");
    copy.Append(copy);
    EXPECT_EQ(Values(copy), "5555");

    // A view appended to itself gets copies and makes nothing more.
    TrackedList view(false, false);
    view.Add(source.GetHead());
    view.Append(view);
    EXPECT_EQ(Values(view), "55");
    EXPECT_EQ(Tracked::alive, 6);
    delete view.GetTail();
}

TEST_F(StdList, CopyFromAnEmptyListFreesElementsEvenOfAView) {
    TrackedList view(false, false);
    view.Add(new Tracked(1));
    view.Add(new Tracked(2));
    TrackedList empty(true, false);
    view.Copy(empty);
    EXPECT_TRUE(view.IsEmpty());
    EXPECT_EQ(Tracked::alive, 0);
    EXPECT_TRUE(view.IsOwnsElements());
}

// The view's pointers are this list's own elements: they are copied before
// they are deleted (AddressSanitizer shows the other order).
TEST_F(StdList, CopyFromAViewOverItsOwnElements) {
    TrackedList list;
    list.Add(new Tracked(1));
    list.Add(new Tracked(2));
    TrackedList view(false, false);
    for (Tracked* element : list) view.Add(element);
    list.Copy(view);
    EXPECT_EQ(Values(list), "12");
    EXPECT_EQ(Tracked::alive, 2);
    list.RemoveAndDestroy();
}

TEST_F(StdList, HeadAndTailByReferenceReplaceThePointerHeld) {
    TrackedList list;
    Tracked spare(9);
    list.GetTail() = &spare;  // an empty list's slot is not part of it
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_EQ(list.GetHead(), nullptr);
    list.Add(new Tracked(1));
    list.Add(new Tracked(2));
    delete list.GetHead();
    list.GetHead() = new Tracked(3);
    delete list.GetTail();
    list.GetTail() = new Tracked(4);
    EXPECT_EQ(Values(list), "34");
    EXPECT_EQ(std::as_const(list).GetHead()->value, 3);
}

// A list of persistent objects copies each element as its own class.
class CBase : public CObj {
public:
    CObj* CreateObject() const override { return new CBase(); }
};
class CDerived : public CBase {
public:
    int extra = 0;
    CObj* CreateObject() const override { return new CDerived(); }
    void Copy(const CObj& src) override {
        CBase::Copy(src);
        if (auto* d = dynamic_cast<const CDerived*>(&src)) extra = d->extra;
    }
};

TEST(StdListOfObjects, DeepCopyKeepsTheMostDerivedClass) {
    CStdList<CBase> list;
    auto* derived = new CDerived();
    derived->extra = 42;
    list.Add(derived);
    CStdList<CBase> copy(list);
    auto* copied = dynamic_cast<CDerived*>(copy.GetHead());
    ASSERT_NE(copied, nullptr);
    EXPECT_EQ(copied->extra, 42);
}

TEST(StdListOfObjects, ForEachVisitsHeadToTail) {
    CStdList<CObj> list;
    for (uint32_t i = 1; i <= 3; ++i) {
        auto* obj = new CObj();
        obj->SetModified(i);
        list.Add(obj);
    }
    std::string seen;
    list.ForEach([](CObj* obj, void* data) { *static_cast<std::string*>(data) += std::to_string(obj->GetModified()); },
                 &seen);
    EXPECT_EQ(seen, "123");
    std::unique_ptr<CObj> made(list.CreateObject());
    EXPECT_NE(made, nullptr);
}

TEST(StdMap, KeysAreCaseSensitiveAndValuesOwnedElsewhere) {
    Tracked::alive = 0;
    CStdMap<std::string, Tracked*> map;
    Tracked* kept = new Tracked(1);
    EXPECT_EQ(map["/pub/"], nullptr);
    map.SetAt("/pub/", kept);
    Tracked* found = nullptr;
    EXPECT_EQ(map.Lookup("/pub/", found), 1);
    EXPECT_EQ(found, kept);
    EXPECT_EQ(map.Lookup("/PUB/", found), 0);
    EXPECT_EQ(map.RemoveKey("/pub/"), 1);
    EXPECT_EQ(map.RemoveKey("/pub/"), 0);
    EXPECT_EQ(Tracked::alive, 1);
    map.SetAt("/a/", kept);
    EXPECT_EQ(map.RemoveAndDestroy("/a/"), 1);
    EXPECT_EQ(Tracked::alive, 0);
    EXPECT_TRUE(map.IsEmpty());
}

}  // namespace
}  // namespace velmora
