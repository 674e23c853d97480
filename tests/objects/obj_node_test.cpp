#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "base/text.h"
#include "base/tokenizer.h"
#include "objects/obj_node.h"
#include "support/temp_dir.h"

namespace velmora {
namespace {

// A derived node of the kind the folder and task trees are: one field of its
// own, CreateNode and Copy overridden.
class CColorNode : public CObjNode {
public:
    std::string color;
    CObjNode* CreateNode() const override { return new CColorNode(); }
    void Copy(const CObj& src) override {
        CObjNode::Copy(src);
        if (const auto* other = dynamic_cast<const CColorNode*>(&src)) color = other->color;
    }
};

// root
//   alpha (type 2, checked, options)
//     alpha.1
//   beta (value with quotes, hidden)
//     beta.1
//       beta.1.1
void BuildSample(CObjNode& root) {
    root.SetName("root");
    root.CreateGUID();
    CObjNode* alpha = root.AddNode("alpha");
    alpha->SetValue("C:\\data\\alpha");
    alpha->SetNodeType(2);
    alpha->SetChecked(true);
    alpha->SetSiblingIndex(7);
    alpha->SetModified(1);
    alpha->SetOption(3, "abc");
    alpha->SetOption(10, 42);
    alpha->AddNode("alpha.1")->SetNodeType(3);
    CObjNode* beta = root.AddNode("beta");
    beta->SetValue("it's \"quoted\" <b> & more");
    beta->SetVisible(false);
    beta->AddNode("beta.1")->AddNode("beta.1.1")->SetCatalog(true);
    root.CreateGUIDForAll(false);
}

void ExpectSameTree(const CObjNode& a, const CObjNode& b) {
    EXPECT_EQ(a.GetName(), b.GetName());
    EXPECT_EQ(a.GetValue(), b.GetValue());
    EXPECT_EQ(a.GetNodeType(), b.GetNodeType());
    EXPECT_EQ(a.GetState(), b.GetState());
    EXPECT_EQ(a.GetSiblingIndex(), b.GetSiblingIndex());
    EXPECT_EQ(a.GetModified(), b.GetModified());
    EXPECT_EQ(a.GetStrGUID(), b.GetStrGUID());
    EXPECT_EQ(a.GetOptionTable(), b.GetOptionTable());
    ASSERT_EQ(a.GetChildCount(), b.GetChildCount()) << a.GetName();
    for (int i = 0; i < a.GetChildCount(); ++i) {
        const CObjNode* child = b.GetChildNode(i);
        EXPECT_EQ(child->GetParent(), &b);
        ExpectSameTree(*a.GetChildNode(i), *child);
    }
}

TEST(CObjNodeText, TreeRoundTripsThroughTheNodeText) {
    CObjNode root;
    BuildSample(root);
    std::string text;
    root.WriteXML(text);

    CObjNode reader;
    EXPECT_EQ(reader.ReadXML(text), &reader);
    ASSERT_EQ(reader.GetChildCount(), 1);
    const CObjNode* copy = reader.GetChildFirstNode();
    ExpectSameTree(root, *copy);
    EXPECT_EQ(copy->GetTag(), "NODE");
    EXPECT_EQ(copy->GetChildNode(1)->GetTag(), "NODE");
    EXPECT_EQ(copy->GetChildNode(0)->GetOptionText(), "10=42;3=abc;");
}

TEST(CObjNodeText, WritesTheExactElementForm) {
    CObjNode node("a", 4);
    node.SetGUID("{G}");
    node.SetState(5);
    node.SetOption(1, "x");
    node.AddNode("b")->SetTag("LEAF");
    std::string text;
    node.WriteXML(text);
    EXPECT_EQ(text,
              "\r\n<NODE  name='a' value='' guid='{G}' sibindex='0' type='4' modified='0' "
              "state='5' op='1=x;' >"
              "\r\n<LEAF  name='b' value='' guid='' sibindex='0' type='0' modified='0' "
              "state='0' op='' ></LEAF></NODE>");
}

TEST(CObjNodeText, ReaderAcceptsLooseForms) {
    CObjNode reader;
    // Lower-case tags, double quotes, a declaration, control characters
    // inside the tag and blank text after the last element.
    const std::string text =
        "<?xml version=\"1.0\"?>\n<node name=\"a\"\ttype='3'>inner<Item\r\nname='b' "
        "guid=\"{B}\"></Item>tail</node>\n\n";
    EXPECT_EQ(reader.ReadXML(text), &reader);
    ASSERT_EQ(reader.GetChildCount(), 1);
    CObjNode* a = reader.GetChildFirstNode();
    EXPECT_EQ(a->GetTag(), "NODE");
    EXPECT_EQ(a->GetName(), "a");
    EXPECT_EQ(a->GetNodeType(), 3);
    EXPECT_EQ(a->GetStrGUID().size(), 38u) << "a node read without guid gets a new one";
    ASSERT_EQ(a->GetChildCount(), 1);
    EXPECT_EQ(a->GetChildFirstNode()->GetTag(), "ITEM");
    EXPECT_EQ(a->GetChildFirstNode()->GetStrGUID(), "{B}");
    // The text before the node's closing tag is what remains as inner text.
    EXPECT_EQ(a->GetInnerText(false), "tail");
}

TEST(CObjNodeText, ElementWithoutNameTakesTheTag) {
    CObjNode reader;
    reader.ReadXML("<folder></folder>");
    ASSERT_EQ(reader.GetChildCount(), 1);
    EXPECT_EQ(reader.GetChildFirstNode()->GetName(), "FOLDER");
}

TEST(CObjNodeText, MalformedTextEndsWithNullAndKeepsWhatWasRead) {
    CObjNode reader;
    EXPECT_EQ(reader.ReadXML("<NODE name='a'></NODE><  >"), nullptr);
    ASSERT_EQ(reader.GetChildCount(), 1);
    EXPECT_EQ(reader.GetChildFirstNode()->GetName(), "a");

    // Nesting far deeper than any real tree is refused, not recursed into.
    std::string deep;
    for (int i = 0; i < 5000; ++i) deep += "<N>";
    CObjNode deepReader;
    EXPECT_EQ(deepReader.ReadXML(deep), nullptr);
    EXPECT_FALSE(deepReader.GetLastError().empty());
    EXPECT_LE(deepReader.GetNodeCount(), CObjNode::kMaxDepth + 1);
}

TEST(CObjNodeText, RandomAndTruncatedTextNeverCrashes) {
    CObjNode root;
    BuildSample(root);
    std::string text;
    root.WriteXML(text);
    for (size_t cut = 0; cut < text.size(); cut += 7) {
        CObjNode reader;
        reader.ReadXML(std::string_view(text).substr(0, cut));
    }
    for (unsigned seed = 1; seed <= 50; ++seed) {
        std::string noise = test::RandomBytes(300, seed);
        // Sprinkle the reader's delimiters so it gets past the first token.
        for (size_t i = 0; i < noise.size(); i += 11) noise[i] = "<>='\"/?"[i % 7];
        CObjNode reader;
        reader.ReadXML(noise);
    }
}

TEST(CObjNodeOptions, SplitSortsAsTextAndKeepsEqualsInValues) {
    CObjNode node;
    node.SetOptionText("3=abc;1=x=y;;10=z;3=late;");
    node.SplitOption();
    std::string value;
    ASSERT_TRUE(node.QueryOption(1, value));
    EXPECT_EQ(value, "x=y");
    ASSERT_TRUE(node.QueryOption(3, value));
    EXPECT_EQ(value, "late");
    int number = 0;
    EXPECT_FALSE(node.QueryOption(2, number));
    node.MergeOption();
    EXPECT_EQ(node.GetOptionText(), "1=x=y;10=z;3=late;");

    node.SetOptionText("3=abc;1=x=y;");
    node.SplitOption();
    node.MergeOption();
    EXPECT_EQ(node.GetOptionText(), "1=x=y;3=abc;");
    ASSERT_TRUE(node.SetOption(9, -5));
    ASSERT_TRUE(node.QueryOption(9, number));
    EXPECT_EQ(number, -5);
}

TEST(CObjNodeTree, CountsLayersAndIndexes) {
    CObjNode root;
    BuildSample(root);
    EXPECT_EQ(root.GetLayerNumber(), 0);
    EXPECT_EQ(root.GetNodeCount(), 6);
    CObjNode* leaf = root.FindByName("beta.1.1");
    ASSERT_NE(leaf, nullptr);
    EXPECT_EQ(leaf->GetNodeCount(), 1);
    EXPECT_EQ(leaf->GetLayerNumber(), 3);
    EXPECT_EQ(leaf->GetRoot(), &root);
    EXPECT_TRUE(root.IsChild(leaf));
    EXPECT_FALSE(leaf->IsChild(&root));
    EXPECT_EQ(root.GetChildNode(1)->GetName(), "beta");
    EXPECT_EQ(root.GetChildNode(root.GetChildCount()), nullptr);
    EXPECT_EQ(root.GetChildNode(-1), nullptr);
    std::string path;
    leaf->GetFullPath(path, "/");
    EXPECT_EQ(path, "root/beta/beta.1/beta.1.1");
}

TEST(CObjNodeTree, SearchesArePreOrderAndCaseSensitive) {
    CObjNode root("root", 1);
    CObjNode* a = root.AddNode("a");
    CObjNode* deepX = a->AddNode("x");
    root.AddNode("x");
    deepX->SetNodeType(5);
    EXPECT_EQ(root.FindByName("x"), deepX);
    EXPECT_EQ(root.FindByName("X"), nullptr);
    EXPECT_EQ(root.FindChildByName("x"), root.GetChildLastNode());
    EXPECT_EQ(deepX->FindSiblingByName("x"), deepX);
    EXPECT_EQ(root.FindSiblingByName("a"), nullptr);
    EXPECT_EQ(deepX->ReverseFindByType(1), &root);
    EXPECT_EQ(root.FindByType(5), deepX);

    // Empty guids everywhere: an empty search text still finds nothing.
    EXPECT_EQ(root.FindByGUID(""), nullptr);
    const std::string guid = a->CreateGUID();
    EXPECT_EQ(root.FindByGUID(guid), a);
    EXPECT_EQ(root.FindByGUID(a->GetGUID()), a);

    // A guid text in another spelling is kept and found as it was given,
    // never taken for the registry form of the same guid.
    const std::string lower = "{" + ToLowerAscii(guid.substr(1, 36)) + "}";
    deepX->SetGUID(lower);
    root.AddNode("odd")->SetGUID("not a guid");
    EXPECT_EQ(deepX->GetStrGUID(), lower);
    EXPECT_EQ(deepX->GetGUID(), a->GetGUID()) << "both spell the same guid";
    EXPECT_EQ(root.FindByGUID(guid), a);
    EXPECT_EQ(root.FindByGUID(lower), deepX);
    EXPECT_EQ(root.FindByGUID("not a guid"), root.GetChildLastNode());
    EXPECT_EQ(root.FindByGUID("not a GUID"), nullptr);
    root.GetChildLastNode()->SetGUID(guid);
    EXPECT_EQ(root.GetChildLastNode()->GetStrGUID(), guid);
    EXPECT_EQ(root.FindByGUID("not a guid"), nullptr) << "the old text went with the new guid";
}

TEST(CObjNodeTree, StateBitsAreIndependent) {
    CObjNode node;
    node.SetVisible(false);
    EXPECT_EQ(node.GetState(), CObjNode::StateHidden);
    EXPECT_FALSE(node.IsVisible());
    node.SetChecked(true);
    node.SetCatalog(true);
    node.SetVisible(true);
    EXPECT_TRUE(node.IsVisible());
    EXPECT_EQ(node.GetState(), CObjNode::StateChecked | CObjNode::StateCatalog);
}

TEST(CObjNodeTree, RemoveUnlinksAndDestroyFreesTheSubtree) {
    CObjNode root;
    BuildSample(root);
    CObjNode* alpha = root.FindByName("alpha");
    CObjNode other;
    EXPECT_EQ(root.RemoveChild(&other), nullptr);
    EXPECT_EQ(root.Remove(), nullptr);

    EXPECT_EQ(CObjNode::Remove(alpha), alpha);
    EXPECT_EQ(alpha->GetParent(), nullptr);
    EXPECT_EQ(root.GetChildCount(), 1);
    root.AddNode(alpha);

    root.FindByName("beta")->RemoveAndDestroy();
    EXPECT_EQ(root.GetNodeCount(), 3);
    // Deleting a child directly also takes it out of its parent's list.
    delete root.FindByName("alpha.1");
    EXPECT_EQ(alpha->GetChildCount(), 0);
    root.RemoveAndDestroyAllChild();
    EXPECT_EQ(root.GetChildCount(), 0);
}

TEST(CObjNodeTree, CloneIsADeepCopyOfTheDerivedClass) {
    CColorNode root;
    root.color = "red";
    root.SetTag("TOP");
    BuildSample(root);
    static_cast<CColorNode*>(root.FindByName("beta.1"))->color = "blue";

    CObjNode* copy = root.Clone();
    CDestroyNode guard(copy);
    ExpectSameTree(root, *copy);
    EXPECT_EQ(copy->GetTag(), "TOP");
    EXPECT_EQ(copy->GetParent(), nullptr);
    auto* blue = dynamic_cast<CColorNode*>(copy->FindByName("beta.1"));
    ASSERT_NE(blue, nullptr);
    EXPECT_EQ(blue->color, "blue");
    EXPECT_NE(blue, root.FindByName("beta.1"));
}

TEST(CObjNodeTree, DestroyGuardFreesAndForgetsThePointer) {
    CObjNode root;
    CObjNode* child = root.AddNode("temporary");
    {
        CDestroyNode guard(&child);
    }
    EXPECT_EQ(child, nullptr);
    EXPECT_EQ(root.GetChildCount(), 0);
}

TEST(CObjNodeTree, ForEachVisitsPreOrder) {
    CObjNode root;
    BuildSample(root);
    std::string names;
    root.ForEach([](CObjNode* node, void* out) { *static_cast<std::string*>(out) += node->GetName() + ","; },
                 &names);
    EXPECT_EQ(names, "root,alpha,alpha.1,beta,beta.1,beta.1.1,");
}

}  // namespace
}  // namespace velmora
