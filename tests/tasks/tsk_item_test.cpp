#include <gtest/gtest.h>

#include <string>

#include "base/text.h"
#include "tasks/tsk_item.h"
#include "tasks/tsk_node.h"

namespace velmora {
namespace {

// Sol / Proj / Tr / From / To, one item.
struct TaskTree {
    CTskNode root{"Sol", eTskRoot};
    CTskNode* project;
    CTskNode* transaction;
    CTskNode* source;
    CTskNode* destination;

    TaskTree() {
        project = Add(root, "Proj", eTskProject);
        transaction = Add(*project, "Tr", eTskTransaction);
        source = Add(*transaction, "From here", eTskSource);
        destination = Add(*source, "To there", eTskDestination);
        source->GetTransPoint() = CTransPoint(ePointFolder, CFtpPath("/data/src/"));
        source->GetTransform().SetCompressed();
        source->GetSchedule().Name = "nightly";
        destination->GetTransPoint() = CTransPoint(ePointFolder, CFtpPath("/backup/"));
        root.CreateGUIDForAll(true);
    }
    static CTskNode* Add(CTskNode& parent, const char* name, int32_t type) {
        auto* node = new CTskNode(name, type);
        parent.AddNode(node);
        return node;
    }
};

CTskItem MakeItem() {
    CTskItem item(CTransPoint(ePointFolder, CFtpPath("/data/reports/")), CTansform(),
                  CTransPoint(ePointFolder, CFtpPath("/backup/reports/")));
    item.SetSolutionName("Sol");
    item.SetProjectName("Proj");
    item.SetTransactionName("Tr");
    return item;
}

TEST(TskItemTest, DescriptionAndCaption) {
    CTskItem item = MakeItem();
    EXPECT_EQ(item.GetDescription(),
              "//  Operation.....Copy  //\r\n"
              "Source:.......Folder\r\n - /data/reports/\r\n"
              "      - How?:\r\n      - Simple Copy  \r\n"
              "Destination:..Folder\r\n - /backup/reports/\r\n");
    EXPECT_EQ(item.GetCap(), "Copy: To 'reports' From 'reports'");

    CFtpLoginInfo login;
    login.SetHost("ftp.example.com");
    item.DestinationPoint() = CTransPoint(ePointFtp, login, CFtpPath("/in/box/"));
    EXPECT_EQ(item.GetCap(), "Copy: To '/in/box/' From 'reports'");
    EXPECT_FALSE(item.IsFromOrToEmpty());
    item.SourcePoint().SetFtpPath(CFtpPath("  "));
    EXPECT_TRUE(item.IsFromOrToEmpty());
}

TEST(TskItemTest, ItemFromDestinationNodeClimbsEveryLevel) {
    TaskTree tree;
    tree.destination->SetChecked(true);
    const CTskItem item(tree.destination);
    EXPECT_EQ(item.GetStrGUID(), tree.destination->GetStrGUID());
    EXPECT_EQ(item.GetDestinationPath(), "/backup/");
    EXPECT_EQ(item.DestinationPoint().GetName(), "To there");
    EXPECT_TRUE(item.StatusDisabled());
    EXPECT_EQ(item.GetSourcePath(), "/data/src/");
    EXPECT_EQ(item.SourcePoint().GetName(), "From here");
    EXPECT_TRUE(item.IsCompressed());
    EXPECT_EQ(item.GetSchedule().Name, "nightly");
    EXPECT_EQ(item.GetTransactionName(), "Tr");
    EXPECT_EQ(item.GetProjectName(), "Proj");
    EXPECT_EQ(item.GetSolutionName(), "Sol");
    EXPECT_TRUE(item.IsBelong(tree.destination));
    EXPECT_EQ(item.FindDstNode(tree.project), tree.destination);
    EXPECT_EQ(item.FindTransactNode(&tree.root), tree.transaction);
    EXPECT_EQ(CTskItem::FindSrcNode(tree.destination), tree.source);
    EXPECT_EQ(CTskItem::FindRootNode(tree.source), &tree.root);
}

TEST(TskItemTest, ItemFromTransactionNodeFillsOnlyTheNames) {
    TaskTree tree;
    CTskItem item = MakeItem();
    item.GetSchedule().Name = "stale";
    item.Copy(tree.transaction);
    EXPECT_EQ(item.GetTransactionName(), "Tr");
    EXPECT_EQ(item.GetSolutionName(), "Sol");
    EXPECT_EQ(item.SourcePointType(), ePointFolder);
    EXPECT_EQ(item.GetSourcePath(), "");
    EXPECT_EQ(item.GetDestinationPath(), "");
    EXPECT_EQ(item.GetSchedule().Name, "");
    EXPECT_EQ(item.GetStrGUID(), "");

    item.Copy(static_cast<const CTskNode*>(nullptr));
    EXPECT_EQ(item.GetTransactionName(), "Tr");
}

TEST(TskItemTest, ItemWrittenIntoTheTree) {
    TaskTree tree;
    CTskItem item(tree.destination);
    item.DstPointName() = "Archive";
    item.StatusDisabled(true);
    item.GetTransform().SetSync();
    item.SetProjectName("Renamed");
    item.CopyTo(tree.destination);
    EXPECT_EQ(tree.destination->GetName(), "Archive");
    EXPECT_TRUE(tree.destination->IsChecked());
    EXPECT_TRUE(tree.source->GetTransform().IsSync());
    EXPECT_EQ(tree.project->GetName(), "Renamed");
    EXPECT_TRUE(tree.project->IsModified(CMFCObjNode::ModifiedName));

    item.StatusDisabled(false);
    item.CopyTo(tree.destination);
    EXPECT_FALSE(tree.destination->IsChecked());
}

TEST(TskItemTest, AddNodeCreatesTheMissingLevels) {
    TaskTree tree;
    CTskItem item = MakeItem();
    EXPECT_EQ(item.AddNode(nullptr), nullptr);
    EXPECT_EQ(item.AddNode(tree.destination), nullptr);

    // Under a source node: only the destination, named "To".
    CTskNode* destination = item.AddNode(tree.source);
    ASSERT_NE(destination, nullptr);
    EXPECT_EQ(destination->GetNodeType(), eTskDestination);
    EXPECT_EQ(destination->GetName(), "To");
    EXPECT_EQ(destination->GetParent(), tree.source);
    EXPECT_EQ(destination->GetTransPoint().GetStrPath(), "/backup/reports/");
    EXPECT_EQ(item.AddNode(tree.source)->GetName(), "To(1)");

    // Under a transaction: a source node with one destination.
    CTskNode* source = item.AddNode(tree.transaction);
    ASSERT_NE(source, nullptr);
    EXPECT_EQ(source->GetNodeType(), eTskSource);
    EXPECT_EQ(source->GetName(), "From");
    EXPECT_EQ(source->GetTransPoint().GetStrPath(), "/data/reports/");
    ASSERT_EQ(source->GetChildCount(), 1);
    EXPECT_EQ(source->GetChildFirstNode()->GetName(), "To");
    EXPECT_EQ(source->GetSchedule().TargetGUID, source->GetStrGUID());
    EXPECT_FALSE(source->GetStrGUID().empty());
    EXPECT_NE(source->GetChildFirstNode()->GetStrGUID(), source->GetStrGUID());

    // Under the root: all four levels, project names made unique.
    CTskNode* project = item.AddNode(&tree.root);
    ASSERT_NE(project, nullptr);
    EXPECT_EQ(project->GetName(), "Proj(1)");
    EXPECT_EQ(project->GetNodeCount(), 4);
    CTskNode* newSource = CTskItem::FindSrcNode(static_cast<CTskNode*>(project->FindByType(eTskDestination)));
    ASSERT_NE(newSource, nullptr);
    EXPECT_EQ(newSource->GetSchedule().TargetGUID, newSource->GetStrGUID());

    // The item read back from the new destination is the item added.
    CTskItem back(static_cast<CTskNode*>(project->FindByType(eTskDestination)));
    EXPECT_EQ(back.GetProjectName(), "Proj(1)");
    EXPECT_EQ(back.GetSourcePath(), item.GetSourcePath());
    EXPECT_EQ(back.GetDestinationPath(), item.GetDestinationPath());
}

TEST(TskItemsTest, FindByGUIDIsExactAndDescriptionsFollowEachOther) {
    CTskItems items;
    items.AddTail(new CTskItem(MakeItem()));
    items.AddTail(new CTskItem(MakeItem()));
    const std::string guid = items.GetTail()->CreateGUID();
    EXPECT_EQ(items.FindByGUID(guid), items.GetTail());
    EXPECT_EQ(items.FindByGUID(ToLowerAscii(guid)), nullptr);
    EXPECT_EQ(items.FindByGUID(""), nullptr);
    EXPECT_EQ(items.GetDescription(), MakeItem().GetDescription() + "\r\n" + MakeItem().GetDescription() + "\r\n");

    const CTskItems copy(items);
    ASSERT_EQ(copy.GetCount(), 2);
    EXPECT_NE(copy.GetTail(), items.GetTail());
    EXPECT_EQ(copy.GetTail()->GetStrGUID(), guid);
}

// The list owns its items: ShutDown on one of them leaves it alive there
// (the list frees it once, at the end).
TEST(TskItemsTest, ShutDownLeavesAnItemOfAListAlone) {
    CTskItems items;
    items.AddTail(new CTskItem(MakeItem()));
    items.GetHead()->ShutDown();
    EXPECT_EQ(items.GetHead()->GetDescription(), MakeItem().GetDescription());
}

TEST(TskItemsTest, CompressingJobBecomesAChain) {
    CTransPoint named(ePointFolder, CFtpPath("/data/reports/"));
    named.SetName("Reports");
    CTansform transform;
    transform.SetCompressed();
    transform.SetZipFileAuto(false);
    transform.ZipFileName() = "Weekly.ZIP";
    transform.GetFilter().SetExcludes("tmp");
    const CTransPoint first(ePointFolder, CFtpPath("/backup/one/"));
    const CTransPoint second(ePointFolder, CFtpPath("/backup/two/"));

    CTskItems items;
    CTskItem* build = items.StartTransaction(named, transform, first, "/work/tmp");
    ASSERT_NE(build, nullptr);
    EXPECT_EQ(transform.ZipPathName(), "/work/tmp/Weekly.zip");
    EXPECT_EQ(build->GetSourcePath(), "/data/reports/");
    EXPECT_EQ(build->DestinationPointType(), ePointFolder);
    EXPECT_EQ(build->GetDestinationPath(), "/work/tmp/Weekly.zip");
    EXPECT_EQ(build->GetTransform().GetTransformType(), CTansform::eCompress);
    EXPECT_EQ(build->SrcExcludeExt(), "tmp");

    for (const CTransPoint* destination : {&first, &second}) {
        CTskItem* copy = items.AddTransaction(named, transform, *destination);
        EXPECT_EQ(copy->SourcePointType(), ePointFile);
        EXPECT_EQ(copy->GetSourcePath(), "/work/tmp/Weekly.zip");
        EXPECT_EQ(copy->GetTransform().GetTransformType(), CTansform::eSimpleCopy);
        EXPECT_EQ(copy->SrcExcludeExt(), "");
        EXPECT_EQ(copy->GetDestinationPath(), destination->GetStrPath());
    }

    CTskItem* cleanup = items.CommitTransaction(named, transform, first);
    ASSERT_NE(cleanup, nullptr);
    EXPECT_EQ(cleanup->SourcePointType(), ePointFile);
    EXPECT_EQ(cleanup->GetSourcePath(), "/work/tmp/Weekly.zip");
    EXPECT_EQ(cleanup->SourcePoint().GetName(), "Reports");
    EXPECT_EQ(cleanup->GetTransform().GetTransformType(), CTansform::eDeleteSourceFile);
    EXPECT_EQ(items.GetCount(), 4);
}

TEST(TskItemsTest, PlainJobIsOneItem) {
    const CTransPoint source(ePointFolder, CFtpPath("/data/"));
    const CTransPoint destination(ePointFolder, CFtpPath("/backup/"));
    CTansform copy;
    CTskItems items;
    EXPECT_EQ(items.StartTransaction(source, copy, destination, "/work/"), nullptr);
    CTskItem* item = items.AddTransaction(source, copy, destination);
    EXPECT_EQ(item->GetSourcePath(), "/data/");
    EXPECT_EQ(item->SourcePointType(), ePointFolder);
    EXPECT_EQ(items.CommitTransaction(source, copy, destination), nullptr);
    EXPECT_EQ(items.GetCount(), 1);
}

}  // namespace
}  // namespace velmora
