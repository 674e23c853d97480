#include <gtest/gtest.h>

#include <memory>

#include "objects/obj.h"

namespace velmora {
namespace {

// A small persistent class of the kind every folder derives: one attribute of
// its own after the CObj ones, CreateObject and Copy overridden together.
class CNamed : public CObj {
public:
    using CObj::ReadXMLAttr;
    std::string name = "default";

    CObj* CreateObject() const override { return new CNamed(); }
    void Copy(const CObj& src) override {
        CObj::Copy(src);
        if (const auto* other = dynamic_cast<const CNamed*>(&src)) name = other->name;
    }
    void Default() override { name = "default"; }
    std::string XMLObject() const override { return "CNamed"; }
    void WriteXMLAttr(std::string& out) const override {
        CObj::WriteXMLAttr(out);
        out += XMLAttr("name", name);
    }
    bool ReadXMLAttr(const std::string& key, const std::string& value) override {
        if (CObj::ReadXMLAttr(key, value)) return true;
        if (key != "name") return false;
        name = value;
        return true;
    }
};

TEST(CObj, PlainObjectWritesTheExactText) {
    std::string out;
    CObj().WriteXML(out);
    EXPECT_EQ(out, "\r\n<CObj  CObj::uModified='0'  CObj::Status='0'  CObj::strGUID='' ></CObj>");
}

TEST(CObj, ReadsAndWritesBackTheSameText) {
    const std::string text =
        "\r\n<CObj  CObj::uModified='5'  CObj::Status='3'  "
        "CObj::strGUID='{8B7F5C2E-1D3A-4F6B-9C8D-7E6F5A4B3C2D}' ></CObj>";
    std::string input = text;
    CObj obj;
    ASSERT_TRUE(obj.ReadXML(input));
    EXPECT_EQ(obj.GetModified(), 5u);
    EXPECT_TRUE(obj.IsSelected());
    EXPECT_TRUE(obj.IsChecked());
    EXPECT_EQ(obj.GetStrGUID(), "{8B7F5C2E-1D3A-4F6B-9C8D-7E6F5A4B3C2D}");
    std::string out;
    obj.WriteXML(out);
    EXPECT_EQ(out, text);
}

TEST(CObj, AttributeNamesMatchInAnyLetterCase) {
    CObj obj;
    obj.ReadXMLAttr(" COBJ::UMODIFIED='7' cobj::status='2' ");
    EXPECT_EQ(obj.GetModified(), 7u);
    EXPECT_TRUE(obj.IsChecked());
    EXPECT_FALSE(obj.IsSelected());
}

TEST(CObj, ValuesWithQuotesAndAngleBracketsRoundTrip) {
    CNamed named;
    named.name = "Bob's <files> & \"more\"";
    std::string text;
    named.WriteXML(text);
    EXPECT_EQ(text.find("Bob's"), std::string::npos);
    CNamed read;
    ASSERT_TRUE(read.ReadXML(text));
    EXPECT_EQ(read.name, named.name);
}

TEST(CObj, AForeignElementIsRefusedAndItsOpeningTagConsumed) {
    std::string text = "<Other a='1'>body</Other><CObj ></CObj>";
    CObj obj;
    obj.SetModified(9);
    EXPECT_FALSE(obj.ReadXML(text));
    EXPECT_EQ(text, "body</Other><CObj ></CObj>");
    EXPECT_EQ(obj.GetModified(), 9u);
}

TEST(CObj, SeveralElementsReadOneAfterTheOther) {
    CNamed a, b;
    a.name = "first";
    b.name = "second";
    std::string text;
    a.WriteXML(text);
    b.WriteXML(text);
    text += "</List>";
    CNamed r1, r2, r3;
    ASSERT_TRUE(r1.ReadXML(text));
    ASSERT_TRUE(r2.ReadXML(text));
    EXPECT_FALSE(r3.ReadXML(text));
    EXPECT_EQ(r1.name, "first");
    EXPECT_EQ(r2.name, "second");
}

TEST(CObj, MissingAttributesTakeTheDefaults) {
    CNamed named;
    named.name = "changed";
    named.ReadXMLAttr(" CObj::Status='1' ");
    EXPECT_EQ(named.name, "default");
    // A name with no "=" behind it ends the list with an empty value.
    named.ReadXMLAttr(" name='x' dangling");
    EXPECT_EQ(named.name, "x");
}

TEST(CObj, FlagsLeaveTheOtherBitsAlone) {
    CObj obj;
    obj.SetChecked(true);
    obj.SetSelected(true);
    obj.SetChecked(false);
    EXPECT_TRUE(obj.IsSelected());
    EXPECT_FALSE(obj.IsChecked());
    obj.SetModified(0x5);
    EXPECT_TRUE(obj.IsModified(0x4));
    EXPECT_FALSE(obj.IsModified(0x2));
    obj.RemoveModified(0x1);
    obj.AddModified(0x8);
    EXPECT_EQ(obj.GetModified(), 0xCu);
}

TEST(CObj, CloneKeepsTheDerivedClass) {
    CNamed named;
    named.name = "kept";
    named.CreateGUID();
    std::unique_ptr<CObj> clone(named.Clone());
    auto* typed = dynamic_cast<CNamed*>(clone.get());
    ASSERT_NE(typed, nullptr);
    EXPECT_EQ(typed->name, "kept");
    EXPECT_EQ(typed->GetStrGUID(), named.GetStrGUID());
    EXPECT_EQ(named.GetStrGUID().size(), 38u);
}

// The GUID has room only once one is set; each copy owns its own.
TEST(CObj, GuidIsHeldApartAndOwnedByEachCopy) {
    CObj obj;
    EXPECT_TRUE(obj.GetStrGUID().empty());
    obj.CreateGUID();
    const std::string first = obj.GetStrGUID();
    CObj copied(obj);
    CObj assigned;
    assigned = obj;
    obj.SetStrGUID("{other}");
    EXPECT_EQ(copied.GetStrGUID(), first);
    EXPECT_EQ(assigned.GetStrGUID(), first);
    EXPECT_EQ(obj.GetStrGUID(), "{other}");
    obj.SetStrGUID("");
    EXPECT_TRUE(obj.GetStrGUID().empty());
    std::string out;
    obj.WriteXML(out);
    EXPECT_NE(out.find("CObj::strGUID=''"), std::string::npos);
    copied.Clear();
    EXPECT_TRUE(copied.GetStrGUID().empty());
    assigned = copied;
    EXPECT_TRUE(assigned.GetStrGUID().empty());
    // Every path and tree node is one: a file of a job holds several.
    EXPECT_LE(sizeof(CObj), 24u);
}

TEST(CObj, TokenHelpers) {
    std::string text = "a=b";
    EXPECT_EQ(CObj::GetNextToken(text, "="), "a");
    EXPECT_EQ(text, "b");
    EXPECT_EQ(CObj::GetNextToken(text, "="), "b");
    EXPECT_EQ(text, "");

    text = "head</X>tail";
    EXPECT_EQ(CObj::LeftToken(text, "</X>"), "head");
    EXPECT_EQ(text, "tail");
    text = "no separator";
    EXPECT_EQ(CObj::LeftToken(text, "</X>"), "");
    EXPECT_EQ(text, "no separator");
    text = "body</X>";
    EXPECT_EQ(CObj::LeftToken(text, "</X>"), "body");
    EXPECT_EQ(text, "body</X>");

    EXPECT_EQ(CObj::Squeeze("  a b c ", true), "ABC");
    EXPECT_EQ(CObj::XMLAttr("n", 12), " n='12' ");
    EXPECT_EQ(CObj::XMLAttr("n", "v"), " n='v' ");
}

}  // namespace
}  // namespace velmora
