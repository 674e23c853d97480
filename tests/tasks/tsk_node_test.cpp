#include <gtest/gtest.h>

#include <string>

#include "objects/archive.h"
#include "support/fake_controls.h"
#include "tasks/tsk_node.h"

namespace velmora {
namespace {

using test::FakeTreeCtrl;

CTskNode* AddLevel(CTskNode& parent, const char* name, int32_t type) {
    auto* node = new CTskNode(name, type);
    parent.AddNode(node);
    return node;
}

// Sol / Proj / Tr / From (FTP site, compressing) / To (disabled folder).
void BuildTree(CTskNode& root) {
    root.SetName("Sol");
    root.SetNodeType(eTskRoot);
    CTskNode* transaction = AddLevel(*AddLevel(root, "Proj", eTskProject), "Tr", eTskTransaction);
    CTskNode* source = AddLevel(*transaction, "From", eTskSource);
    CFtpLoginInfo login;
    login.SetHost("ftp.example.com");
    login.SetPort(2121);
    login.SetLoginName("anna");
    login.SetPassword("it's secret");
    source->GetTransPoint() = CTransPoint(ePointFtp, login, CFtpPath("/out/"));
    source->GetTransform().SetCompressed();
    source->GetTransform().ZipFileName() = "Weekly.zip";
    source->GetTransform().SetZipEncryption(CTansform::eZipAes256);
    source->GetTransform().GetFilter().SetExcludes("tmp");
    source->GetSchedule().Name = "nightly";
    CTskNode* destination = AddLevel(*source, "To", eTskDestination);
    destination->GetTransPoint() = CTransPoint(ePointFolder, CFtpPath("/backup/"));
    destination->SetChecked(true);
    root.CreateGUIDForAll(true);
}

void ExpectSameTree(const CTskNode& expected, const CTskNode& actual) {
    EXPECT_EQ(actual.GetName(), expected.GetName());
    EXPECT_EQ(actual.GetNodeType(), expected.GetNodeType());
    EXPECT_EQ(actual.GetState(), expected.GetState());
    EXPECT_EQ(actual.GetStrGUID(), expected.GetStrGUID());
    const CTransPoint& a = actual.GetTransPoint();
    const CTransPoint& e = expected.GetTransPoint();
    EXPECT_EQ(a.GetPointType(), e.GetPointType());
    EXPECT_EQ(a.GetStrPath(), e.GetStrPath());
    EXPECT_EQ(a.GetHostAddress(), e.GetHostAddress());
    EXPECT_EQ(a.GetFtpLoginInfo().GetPort(), e.GetFtpLoginInfo().GetPort());
    EXPECT_EQ(a.GetFtpLoginInfo().GetPassword(), e.GetFtpLoginInfo().GetPassword());
    EXPECT_EQ(actual.GetTransform().GetTransformType(), expected.GetTransform().GetTransformType());
    EXPECT_EQ(actual.GetTransform().ZipFileName(), expected.GetTransform().ZipFileName());
    EXPECT_EQ(actual.GetTransform().GetZipEncryption(), expected.GetTransform().GetZipEncryption());
    EXPECT_EQ(actual.GetTransform().SrcExcludeExt(), expected.GetTransform().SrcExcludeExt());
    ASSERT_EQ(actual.GetChildCount(), expected.GetChildCount());
    for (int i = 0; i < expected.GetChildCount(); ++i) {
        ExpectSameTree(*static_cast<const CTskNode*>(expected.GetChildNode(i)),
                       *static_cast<const CTskNode*>(actual.GetChildNode(i)));
    }
}

TEST(TskNodeTest, StateSetsTheImageOfTheLevel) {
    CTskNode destination;
    destination.ReadXMLAttr("type='5' state='2' name='To'");
    EXPECT_EQ(destination.GetImage(), 11);
    EXPECT_EQ(destination.GetSelectedImage(), -1);

    CTskNode source;
    source.ReadXMLAttr("type='4' state='2'");
    EXPECT_EQ(source.GetImage(), 8);

    // A key the node, the point and the transform do not know is refused.
    EXPECT_FALSE(source.ReadXMLAttr("no-such-key", "1"));
}

TEST(TskNodeTest, SetCheckedShowsCheckMarksAndImages) {
    CTskNode root;
    BuildTree(root);
    FakeTreeCtrl tree;
    tree.SetCheckBoxes(true);
    root.Show(tree, false);
    const auto* destination = static_cast<CTskNode*>(root.FindByType(eTskDestination));
    const FakeTreeCtrl::Item* item = tree.Find(destination->GetTreeItem());
    ASSERT_NE(item, nullptr);
    EXPECT_TRUE(item->checked);
    EXPECT_EQ(item->image, 11);
    EXPECT_EQ(item->selectedImage, 11);
    EXPECT_EQ(tree.Find(root.GetTreeItem())->image, 2);
    EXPECT_FALSE(tree.Find(root.GetTreeItem())->checked);
}

// The node text holds the node's, the point's and the transform's
// attributes in one list; each value must come back to its owner (the
// login's "GUID" is not the node's "guid").
TEST(TskNodeTest, NodeTextRoundTrip) {
    CTskNode root;
    BuildTree(root);
    std::string text;
    root.WriteXML(text);

    CTskNode holder;
    ASSERT_NE(holder.ReadXML(text), nullptr);
    ASSERT_EQ(holder.GetChildCount(), 1);
    ExpectSameTree(root, *static_cast<CTskNode*>(holder.GetChildFirstNode()));
}

TEST(TskNodeTest, ArchiveRoundTripKeepsPointsAndTransformsButNotSchedules) {
    CTskNode root;
    BuildTree(root);
    CArchive out;
    ASSERT_TRUE(root.Write(out));

    CArchive in(out.GetData());
    CTskNode read;
    ASSERT_TRUE(read.Read(in)) << in.GetLastError();
    EXPECT_EQ(in.GetRemaining(), 0u);
    ExpectSameTree(root, read);
    const auto* source = static_cast<CTskNode*>(read.FindByType(eTskSource));
    EXPECT_EQ(source->GetSchedule().Name, "");
    EXPECT_EQ(source->GetTransPoint().GetFtpLoginInfo().GetLoginName(), "anna");
}

TEST(TskNodeTest, DamagedArchiveIsAnError) {
    CTskNode root;
    BuildTree(root);
    CArchive out;
    ASSERT_TRUE(root.Write(out));
    const std::string data = out.GetData();

    CArchive cut(std::string_view(data).substr(0, data.size() - 7));
    CTskNode read;
    EXPECT_FALSE(read.Read(cut));
    EXPECT_FALSE(cut.GetLastError().empty());

    // A record whose element string is not a point's element.
    CArchive foreign;
    CMFCObjNode("x", eTskRoot).Write(foreign);
    foreign.WriteString("<Other a='1'></Other>");
    CArchive in(foreign.GetData());
    CTskNode node;
    EXPECT_FALSE(node.Read(in));
    EXPECT_EQ(in.GetLastError(), "Malformed task node record");
}

TEST(TskNodeTest, CloneKeepsSchedulesAndCopyDoesNot) {
    CTskNode root;
    BuildTree(root);
    CTskNode* clone = root.Clone();
    const auto* source = static_cast<CTskNode*>(clone->FindByType(eTskSource));
    EXPECT_EQ(source->GetSchedule().Name, "nightly");
    EXPECT_EQ(source->GetTransPoint().GetHostAddress(), "ftp.example.com");

    CTskNode copy;
    copy.Copy(*source);
    EXPECT_EQ(copy.GetSchedule().Name, "");
    EXPECT_TRUE(copy.GetTransform().IsCompressed());
    clone->RemoveAndDestroy();
}

}  // namespace
}  // namespace velmora
