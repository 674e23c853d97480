#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include <sys/stat.h>

#include "objects/archive.h"
#include "paths/file_filter.h"
#include "paths/mfc_obj_node.h"
#include "support/fake_controls.h"
#include "support/temp_dir.h"

namespace velmora {
namespace {

using test::FakeTreeCtrl;

// A derived node that extends the archive record and the node text the way
// the task tree does: base record first, then its own field.
class CLabelNode : public CMFCObjNode {
public:
    std::string label;
    CObjNode* CreateNode() const override { return new CLabelNode(); }
    void Copy(const CObj& src) override {
        CMFCObjNode::Copy(src);
        if (const auto* other = dynamic_cast<const CLabelNode*>(&src)) label = other->label;
    }
    bool Write(CArchive& archive) const override {
        if (!CMFCObjNode::Write(archive)) return false;
        archive.WriteString(label);
        return archive.IsOk();
    }
    bool Read(CArchive& archive) override {
        return CMFCObjNode::Read(archive) && archive.ReadString(label);
    }
};

// root
//   docs (checked, image 3)
//     a.txt
//     b.txt (selected)
//   hidden (hidden)
//     inner
//   music (image 5 / selected 6)
template <class Node>
void BuildSample(Node& root) {
    root.SetName("root");
    CMFCObjNode* docs = root.AddNode("docs");
    docs->SetChecked(true);
    docs->SetImage(3, -1);
    docs->SetDocumentPathName("C:/data/docs");
    docs->SetNote("it's a note with \"quotes\" & <brackets>");
    docs->AddNode("a.txt")->SetValue("first");
    CMFCObjNode* b = docs->AddNode("b.txt");
    b->SetSelected(true);
    b->ShowError("last failure");
    CMFCObjNode* hidden = root.AddNode("hidden");
    hidden->SetVisible(false);
    hidden->AddNode("inner");
    CMFCObjNode* music = root.AddNode("music \xE2\x99\xAB");
    music->SetImage(5, 6);
    music->SetNodeType(-7);
    music->SetSiblingIndex(2);
    music->SetModified(0x10);
    music->CObj::SetChecked(true);
    music->SetStrGUID("{OBJ}");
    root.CreateGUIDForAll(true);
}

void ExpectSameTree(const CMFCObjNode& a, const CMFCObjNode& b) {
    EXPECT_EQ(a.GetName(), b.GetName());
    EXPECT_EQ(a.GetValue(), b.GetValue());
    EXPECT_EQ(a.GetStrGUID(), b.GetStrGUID());
    EXPECT_EQ(a.GetState(), b.GetState());
    EXPECT_EQ(a.GetNodeType(), b.GetNodeType());
    EXPECT_EQ(a.GetSiblingIndex(), b.GetSiblingIndex());
    EXPECT_EQ(a.GetModified(), b.GetModified());
    EXPECT_EQ(a.CObj::GetStrGUID(), b.CObj::GetStrGUID());
    EXPECT_EQ(a.CObj::IsChecked(), b.CObj::IsChecked());
    EXPECT_EQ(a.GetImage(), b.GetImage());
    EXPECT_EQ(a.GetSelectedImage(), b.GetSelectedImage());
    EXPECT_EQ(a.GetDocumentPathName(), b.GetDocumentPathName());
    EXPECT_EQ(a.GetNote(), b.GetNote());
    EXPECT_EQ(a.GetLastError(), b.GetLastError());
    ASSERT_EQ(a.GetChildCount(), b.GetChildCount()) << a.GetName();
    for (int i = 0; i < a.GetChildCount(); ++i) {
        const auto* ca = dynamic_cast<const CMFCObjNode*>(a.GetChildNode(i));
        const auto* cb = dynamic_cast<const CMFCObjNode*>(b.GetChildNode(i));
        ASSERT_NE(cb, nullptr);
        EXPECT_EQ(cb->GetParent(), &b);
        ExpectSameTree(*ca, *cb);
    }
}

std::string TextOf(const FakeTreeCtrl& tree, CMFCObjNode* node) {
    const FakeTreeCtrl::Item* item = tree.Find(node->GetTreeItem());
    return item ? item->text : "<none>";
}

// --- Tree control --------------------------------------------------------------

TEST(CMFCObjNodeTree, ShowMirrorsVisibleNodesOnce) {
    CMFCObjNode root;
    BuildSample(root);
    FakeTreeCtrl tree;
    root.Show(tree, false);

    EXPECT_EQ(tree.size(), 5u) << "the hidden node and its child get no item";
    EXPECT_EQ(root.FindByName("hidden")->GetTreeItem(), nullptr);
    EXPECT_EQ(root.FindByName("inner")->GetTreeItem(), nullptr);
    CMFCObjNode* docs = root.FindByName("docs");
    const FakeTreeCtrl::Item* item = tree.Find(docs->GetTreeItem());
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->text, "docs");
    EXPECT_EQ(item->parent, root.GetTreeItem());
    EXPECT_EQ(item->data, docs);
    EXPECT_EQ(item->image, 3);
    EXPECT_EQ(item->selectedImage, 3) << "a negative selected image means the same image";
    EXPECT_EQ(tree.Find(root.FindByName("music \xE2\x99\xAB")->GetTreeItem())->selectedImage, 6);
    EXPECT_EQ(tree.Children(docs->GetTreeItem()).size(), 2u);

    // Again: nothing new; a renamed node marked modified gets its text.
    const int updates = tree.textUpdates();
    docs->SetName("documents");
    docs->AddModified(CMFCObjNode::ModifiedName);
    root.Show(tree, false);
    EXPECT_EQ(tree.size(), 5u);
    EXPECT_EQ(tree.textUpdates(), updates + 1);
    EXPECT_EQ(TextOf(tree, docs), "documents");
    EXPECT_FALSE(docs->IsModified(CMFCObjNode::ModifiedName));

    // Refresh rewrites every shown item.
    root.Show(tree, true);
    EXPECT_EQ(tree.textUpdates(), updates + 1 + 5);
}

TEST(CMFCObjNodeTree, CheckBoxesFollowStateOnlyWhenShown) {
    CMFCObjNode root;
    BuildSample(root);
    FakeTreeCtrl tree;
    root.Show(tree, false);
    CMFCObjNode* docs = root.FindByName("docs");
    EXPECT_FALSE(tree.Find(docs->GetTreeItem())->checked) << "no check boxes: nothing written";

    tree.SetCheckBoxes(true);
    root.SetChecked(tree);
    EXPECT_TRUE(tree.Find(docs->GetTreeItem())->checked);
    EXPECT_FALSE(tree.Find(root.GetTreeItem())->checked);

    // The user ticks a.txt and clears docs; reading takes the control's word.
    CMFCObjNode* a = root.FindByName("a.txt");
    tree.SetCheck(a->GetTreeItem(), true);
    tree.SetCheck(docs->GetTreeItem(), false);
    root.FindByName("inner")->SetChecked(true);
    root.ReadChecked(tree);
    EXPECT_TRUE(a->IsChecked());
    EXPECT_FALSE(docs->IsChecked());
    EXPECT_FALSE(root.FindByName("inner")->IsChecked()) << "a node without an item reads unchecked";

    EXPECT_TRUE(root.IsChecked(a->GetTreeItem()));
    EXPECT_EQ(root.SetChecked(a->GetTreeItem(), false), a);
    EXPECT_FALSE(a->IsChecked());
    EXPECT_EQ(root.SetChecked(nullptr, true), nullptr);
    EXPECT_FALSE(root.IsChecked(nullptr));
}

TEST(CMFCObjNodeTree, SelectionIsSingleAndDrivesTheCaret) {
    CMFCObjNode root;
    BuildSample(root);
    FakeTreeCtrl tree;
    root.Show(tree, false);
    CMFCObjNode* a = root.FindByName("a.txt");
    root.FindByName("inner")->SetSelected(true);

    root.SetSelected(a->GetTreeItem(), true);
    int selected = 0;
    root.ForEach([](CObjNode* node, void* count) { *static_cast<int*>(count) += node->IsSelected(); },
                 &selected);
    EXPECT_EQ(selected, 1);
    EXPECT_TRUE(a->IsSelected());

    EXPECT_EQ(root.SetSelected(tree), a);
    EXPECT_EQ(tree.caret(), a->GetTreeItem());

    CMFCObjNode* music = root.FindByName("music \xE2\x99\xAB");
    EXPECT_EQ(root.Select(music->GetStrGUID(), tree), music);
    EXPECT_EQ(tree.caret(), music->GetTreeItem());
    EXPECT_EQ(root.Select("{NO-SUCH}", tree), nullptr);
    EXPECT_EQ(root.Find(nullptr), nullptr);
    EXPECT_EQ(root.Find(music->GetTreeItem()), music);
}

TEST(CMFCObjNodeTree, ExpandOpensTheAncestorsFirst) {
    CMFCObjNode root;
    BuildSample(root);
    FakeTreeCtrl tree;
    root.Show(tree, false);
    CMFCObjNode* a = root.FindByName("a.txt");
    EXPECT_EQ(root.Expand(a->GetStrGUID(), tree), a);
    EXPECT_TRUE(tree.Find(root.GetTreeItem())->expanded);
    EXPECT_TRUE(tree.Find(root.FindByName("docs")->GetTreeItem())->expanded);
    EXPECT_TRUE(tree.Find(a->GetTreeItem())->expanded);
    root.FindByName("docs")->Collapse(tree);
    EXPECT_FALSE(tree.Find(root.FindByName("docs")->GetTreeItem())->expanded);
    EXPECT_TRUE(tree.Find(root.GetTreeItem())->expanded);

    CMFCObjNode fresh;
    BuildSample(fresh);
    FakeTreeCtrl other;
    fresh.Show(other, false);
    fresh.ExpandChecked(other);
    EXPECT_TRUE(other.Find(fresh.FindByName("docs")->GetTreeItem())->expanded);
    EXPECT_FALSE(other.Find(fresh.FindByName("a.txt")->GetTreeItem())->expanded);
}

TEST(CMFCObjNodeTree, DeleteRemovesItemsAndNodes) {
    CMFCObjNode root;
    BuildSample(root);
    FakeTreeCtrl tree;
    root.Show(tree, false);
    root.FindByName("docs")->DeleteChildren(tree);
    EXPECT_EQ(tree.size(), 3u);
    EXPECT_EQ(root.FindByName("docs")->GetChildCount(), 0);
    root.FindByName("docs")->Delete(tree);
    EXPECT_EQ(tree.size(), 2u);
    EXPECT_EQ(root.FindByName("docs"), nullptr);

    root.ClearTreeItem();
    EXPECT_EQ(root.GetTreeItem(), nullptr);
    FakeTreeCtrl again;
    root.Show(again, false);
    EXPECT_EQ(again.size(), 2u);
}

// --- Archive form ------------------------------------------------------------------

TEST(CMFCObjNodeArchive, WholeTreeRoundTrips) {
    CMFCObjNode root;
    BuildSample(root);
    CArchive out;
    ASSERT_TRUE(root.Serialize(out));

    CArchive in(out.GetData());
    CMFCObjNode copy;
    ASSERT_TRUE(copy.Serialize(in));
    EXPECT_EQ(in.GetRemaining(), 0u);
    ExpectSameTree(root, copy);
}

TEST(CMFCObjNodeArchive, DerivedClassesExtendTheRecord) {
    CLabelNode root;
    BuildSample(root);
    static_cast<CLabelNode*>(root.FindByName("a.txt"))->label = "extra";
    CArchive out;
    ASSERT_TRUE(root.Write(out));
    CArchive in(out.GetData());
    CLabelNode copy;
    ASSERT_TRUE(copy.Read(in));
    ExpectSameTree(root, copy);
    auto* a = dynamic_cast<CLabelNode*>(copy.FindByName("a.txt"));
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->label, "extra");
}

TEST(CMFCObjNodeArchive, DamagedDataFailsCleanly) {
    CMFCObjNode root;
    BuildSample(root);
    CArchive out;
    root.Write(out);
    const std::string data = out.GetData();

    for (size_t cut = 0; cut < data.size(); ++cut) {
        CArchive in(std::string_view(data).substr(0, cut));
        CMFCObjNode copy;
        EXPECT_FALSE(copy.Read(in)) << "cut at " << cut;
        EXPECT_FALSE(in.GetLastError().empty());
        EXPECT_LE(copy.GetNodeCount(), root.GetNodeCount());
    }
    // Truncated inside the last child: what came before it is kept.
    CArchive in(std::string_view(data).substr(0, data.size() - 2));
    CMFCObjNode partial;
    EXPECT_FALSE(partial.Read(in));
    EXPECT_EQ(partial.GetName(), "root");
    EXPECT_NE(partial.FindByName("b.txt"), nullptr);

    for (unsigned seed = 1; seed <= 200; ++seed) {
        std::string noise = test::RandomBytes(64 + seed, seed);
        CArchive fuzz(noise);
        CMFCObjNode copy;
        copy.Read(fuzz);
        // The same noise behind a valid prefix reaches deeper fields.
        CArchive spliced(data.substr(0, seed % data.size()) + noise);
        CMFCObjNode other;
        other.Read(spliced);
    }
}

TEST(CMFCObjNodeArchive, ChildCountsAndNestingAreNotTrusted) {
    // One node claiming two billion children, then nothing.
    CArchive out;
    CMFCObjNode lone("lone", 0);
    lone.Write(out);
    std::string data = out.GetData();
    data.replace(data.size() - 4, 4, std::string("\xFF\xFF\xFF\x7F", 4));
    CArchive in(data);
    CMFCObjNode copy;
    EXPECT_FALSE(copy.Read(in));
    EXPECT_LE(copy.GetChildCount(), 1);

    // A chain nested deeper than the bound.
    CMFCObjNode top("n", 0);
    CMFCObjNode* node = &top;
    for (int i = 0; i < CArchive::kMaxDepth + 5; ++i) node = node->AddNode("n");
    CArchive deepOut;
    top.Write(deepOut);
    CArchive deepIn(deepOut.GetData());
    CMFCObjNode deep;
    EXPECT_FALSE(deep.Read(deepIn));
    EXPECT_NE(deepIn.GetLastError().find("deep"), std::string::npos);
}

// --- Files ---------------------------------------------------------------------------

TEST(CMFCObjNodeFiles, SaveAndLoadBothForms) {
    test::TempDir dir;
    CMFCObjNode root;
    BuildSample(root);

    ASSERT_TRUE(root.Save(dir / "tree.bin"));
    CMFCObjNode loaded;
    ASSERT_TRUE(loaded.Load(dir / "tree.bin"));
    ExpectSameTree(root, loaded);

    ASSERT_TRUE(root.SaveXML(dir / "tree.xml"));
    CMFCObjNode reader;
    CMFCObjNode* fromText = reader.LoadXML(dir / "tree.xml");
    ASSERT_NE(fromText, nullptr);
    CDestroyNode guard(fromText);
    EXPECT_EQ(fromText->GetParent(), nullptr);
    EXPECT_EQ(reader.GetChildCount(), 0);
    CMFCObjNode* docs = fromText->FindByName("docs");
    ASSERT_NE(docs, nullptr);
    EXPECT_EQ(docs->GetNote(), root.FindByName("docs")->GetNote());
    EXPECT_EQ(docs->GetDocumentPathName(), "C:\\data\\docs");
    EXPECT_NE(fromText->FindByName("music \xE2\x99\xAB"), nullptr) << "UTF-8 text is read back whole";
}

TEST(CMFCObjNodeFiles, FailedWritesKeepTheOldFile) {
    test::TempDir dir;
    CMFCObjNode root("old", 0);
    ASSERT_TRUE(root.SaveXML(dir / "tree.xml"));
    const std::string before = test::ReadFile(dir / "tree.xml");

    CMFCObjNode other("new", 0);
    EXPECT_FALSE(other.SaveXML(dir / "missing/tree.xml"));
    EXPECT_FALSE(other.GetLastError().empty());
    // A folder where the file should be cannot be replaced by a file.
    std::filesystem::create_directory(dir / "taken");
    EXPECT_FALSE(other.Save(dir / "taken"));
    EXPECT_EQ(test::ReadFile(dir / "tree.xml"), before);
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) files += entry.is_regular_file();
    EXPECT_EQ(files, 1) << "no temporary file is left behind";

    test::WriteFile(dir / "garbage.bin", test::RandomBytes(100, 9));
    CMFCObjNode loaded;
    EXPECT_FALSE(loaded.Load(dir / "garbage.bin"));
    EXPECT_FALSE(loaded.Load(dir / "absent.bin"));
    EXPECT_FALSE(loaded.GetLastError().empty());
}

TEST(CMFCObjNodeFiles, LongNamesSaveAndPipesAreRefusedWithoutWaiting) {
    test::TempDir dir;
    CMFCObjNode root("r", 0);
    // The longest name a folder takes leaves no room for a suffix.
    const std::string longName = dir / std::string(255, 'n');
    ASSERT_TRUE(root.SaveXML(longName)) << root.GetLastError();
    CMFCObjNode reader;
    CMFCObjNode* back = reader.LoadXML(longName);
    ASSERT_NE(back, nullptr);
    CDestroyNode guard(back);
    EXPECT_EQ(back->GetName(), "r");

    // A pipe without a writer would block an ordinary open for good.
    ASSERT_EQ(mkfifo((dir / "pipe").c_str(), 0600), 0);
    CMFCObjNode loaded;
    EXPECT_FALSE(loaded.Load(dir / "pipe"));
    EXPECT_FALSE(loaded.GetLastError().empty());
    EXPECT_EQ(loaded.LoadXML(dir / "pipe"), nullptr);
}

TEST(CMFCObjNodeFiles, CreateFromXmlTakesTheFirstTopLevelNode) {
    CMFCObjNode reader;
    CMFCObjNode* kept = reader.AddNode("kept");
    CMFCObjNode* first = reader.CreateFromXML("<NODE name='one'><NODE name='child'></NODE></NODE><NODE name='two'></NODE>");
    ASSERT_NE(first, nullptr);
    CDestroyNode guard(first);
    EXPECT_EQ(first->GetName(), "one");
    EXPECT_EQ(first->GetChildCount(), 1);
    EXPECT_EQ(reader.GetChildCount(), 1);
    EXPECT_EQ(reader.GetChildFirstNode(), kept);
    EXPECT_EQ(reader.CreateFromXML(""), nullptr);
    EXPECT_EQ(reader.CreateFromXML("no elements here"), nullptr);
}

// --- Names, paths, file system ----------------------------------------------------------

TEST(CMFCObjNodeNames, UniqueNamesCountUpInParentheses) {
    CMFCObjNode root("root", 0);
    root.AddNode("New");
    CMFCObjNode* sub = root.AddNode("sub");
    sub->AddNode("Deep");

    std::string name = "Fresh";
    EXPECT_FALSE(root.UniqueName(name));
    EXPECT_EQ(name, "Fresh");
    name = "New";
    EXPECT_TRUE(root.UniqueName(name));
    EXPECT_EQ(name, "New(1)");
    root.AddNode("New(1)");
    name = "New";
    root.UniqueName(name);
    EXPECT_EQ(name, "New(2)");
    root.AddNode("a (7)");
    name = "a (7)";
    root.UniqueName(name);
    EXPECT_EQ(name, "a(8)");
    root.AddNode("big(2147483647)");
    name = "big(2147483647)";
    root.UniqueName(name);
    EXPECT_EQ(name, "big(2147483648)");

    name = "Deep";
    EXPECT_FALSE(root.UniqueChildName(name)) << "only direct children count";
    EXPECT_TRUE(root.UniqueName(name));
    EXPECT_EQ(name, "Deep(1)");
}

TEST(CMFCObjNodeNames, UniqueNameGivesUpAfterTheBound) {
    CMFCObjNode root("x", 0);
    for (int i = 1; i <= CMFCObjNode::kMaxUniqueChanges + 5; ++i) root.AddNode("x(" + std::to_string(i) + ")");
    std::string name = "x";
    EXPECT_TRUE(root.UniqueName(name));
    EXPECT_EQ(name, "x(2000)");
}

TEST(CMFCObjNodePaths, DocumentPathAndPathSearches) {
    CMFCObjNode root;
    root.SetDocumentPathName("C:/x/y");
    EXPECT_EQ(root.GetDocumentPathName(), "C:\\x\\y");

    root.GetPath().SetPath("/pub/", PATH_FOLDER);
    CMFCObjNode* file = root.AddNode("f");
    file->GetPath().SetPath("/pub/Docs/Report.TXT");
    CMFCObjNode* folder = root.AddNode("d");
    folder->GetPath().SetPath("/pub/docs/", PATH_FOLDER);

    EXPECT_EQ(root.Find(CFilePath("/PUB/docs/report.txt")), file);
    EXPECT_EQ(root.Find(CFilePath()), nullptr);
    EXPECT_EQ(root.FindDir(CFilePath("/pub/docs/other.txt")), folder) << "dir compared with case";
    EXPECT_EQ(root.FindDir(CFilePath("")), nullptr);
    EXPECT_EQ(file->GetRootPath().GetDir(), "/pub/");

    CMFCObjNode* copy = root.Clone();
    CDestroyNode guard(copy);
    EXPECT_EQ(copy->FindByName("f")->GetPath().GetPath(), "/pub/Docs/Report.TXT");
}

TEST(CMFCObjNodeFileSystem, LoadsAFolderTree) {
    test::TempDir dir;
    test::WriteFile(dir / "top/a.b/inside.txt", "x");
    test::WriteFile(dir / "top/a.b.txt", "hello");
    test::WriteFile(dir / "top/skip.tmp", "");
    // A link back to the top folder: listed, never entered.
    std::filesystem::create_directory_symlink(dir / "top", dir / "top/a.b/loop");

    CFileFilter filter;
    filter.Default();
    filter.SetExcludes("tmp");
    CMFCObjNode root("ROOT", 0);
    ASSERT_TRUE(root.LoadFileSystem(dir / "top", &filter));

    EXPECT_EQ(root.GetChildCount(), 2);
    CMFCObjNode* folder = root.FindChildByName("a");
    ASSERT_NE(folder, nullptr) << "a folder is named by its title";
    EXPECT_TRUE(folder->IsCatalog());
    EXPECT_EQ(folder->GetDocumentPathName(), dir / "top/a.b");
    EXPECT_EQ(folder->GetStrGUID().size(), 38u);
    EXPECT_TRUE(folder->GetPath().IsDirectory());
    CMFCObjNode* file = root.FindChildByName("a.b.txt");
    ASSERT_NE(file, nullptr);
    EXPECT_FALSE(file->IsCatalog());
    EXPECT_EQ(file->GetPath().Length(), 5u);
    EXPECT_EQ(root.FindByName("skip.tmp"), nullptr);
    EXPECT_NE(folder->FindChildByName("inside.txt"), nullptr);
    CMFCObjNode* loop = folder->FindChildByName("loop");
    ASSERT_NE(loop, nullptr);
    EXPECT_EQ(loop->GetChildCount(), 0);

    // Loading by tree item fills a node that has no children yet.
    FakeTreeCtrl tree;
    root.Show(tree, false);
    folder->DeleteChildren(tree);
    EXPECT_TRUE(root.LoadFileSystem(folder->GetTreeItem(), ""));
    EXPECT_NE(folder->FindChildByName("inside.txt"), nullptr);
    EXPECT_FALSE(root.LoadFileSystem(folder->GetTreeItem(), "")) << "already loaded";

    CMFCObjNode missing;
    EXPECT_FALSE(missing.LoadFileSystem(dir / "nowhere", nullptr));
    EXPECT_FALSE(missing.GetLastError().empty());
}

TEST(CMFCObjNodeText, DocAndNoteFollowTheNodeAttributes) {
    CMFCObjNode node("n", 1);
    node.SetDocumentPathName("C:/a");
    node.SetNote("say 'hi'");
    std::string text;
    node.WriteXMLAttr(text);
    EXPECT_NE(text.find("op=''  doc='C:\\a' note='say &apos;hi&apos;' "), std::string::npos) << text;
    CMFCObjNode copy;
    copy.ReadXMLAttr(text);
    EXPECT_EQ(copy.GetNote(), "say 'hi'");
    EXPECT_EQ(copy.GetDocumentPathName(), "C:\\a");
    EXPECT_FALSE(copy.ReadXMLAttr("unknown", "v"));
}

}  // namespace
}  // namespace velmora
