#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "ftp/ftp_find.h"
#include "ftp/ftp_node.h"
#include "ftp/ftp_remote_folder.h"
#include "ftp/ftp_session.h"
#include "ftp/login_info.h"
#include "ftp/remote_link.h"
#include "ftp/remote_tree.h"
#include "ftp/session_login.h"
#include "ftp/walk_step.h"
#include "messaging/log_status.h"
#include "messaging/msg.h"
#include "messaging/msg_box.h"
#include "paths/file_filter.h"
#include "support/fake_controls.h"
#include "support/fake_ftp_server.h"
#include "support/ftp_server.h"
#include "support/local_time.h"
#include "support/temp_dir.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using test::FakeTreeCtrl;
using test::WriteFile;

std::set<std::string> ChildNames(const CFtpNode& node) {
    std::set<std::string> names;
    for (const CObjNode* child : node.GetChildren()) names.insert(child->GetName());
    return names;
}

std::set<std::string> FileNames(const CFtpPathList& list) {
    std::set<std::string> names;
    for (const CFtpPath* path : list) names.insert(path->GetFileName(true));
    return names;
}

// /top/{a/{a1.txt, deep/d.txt}, b/, c/v1.2/x.txt, file1.txt, skip.tmp, .hidden}
class FtpTreeTest : public test::FtpServerTest {
protected:
    void SetUp() override {
        FtpServerTest::SetUp();
        WriteFile(server.Path("top/a/a1.txt"), "a1");
        WriteFile(server.Path("top/a/deep/d.txt"), "deep");
        fs::create_directories(server.Path("top/b"));
        WriteFile(server.Path("top/c/v1.2/x.txt"), "x");
        WriteFile(server.Path("top/file1.txt"), "12345");
        WriteFile(server.Path("top/skip.tmp"), "t");
        WriteFile(server.Path("top/.hidden"), "h");
        ASSERT_TRUE(
            test::ConnectSession(session, server.GetHost(), server.GetPort(), server.GetUser(), server.GetPassword()))
            << session.GetLastError();
    }

    CFtpLoginInfo Info(const std::string& remotePath) const {
        CFtpLoginInfo info;
        info.SetHost(server.GetHost());
        info.SetFtpPath(CFtpPath(remotePath));
        return info;
    }

    CFtpSession session;
};

TEST_F(FtpTreeTest, FindListsAFolderToTheEndOfItsReply) {
    // Far more than one block of listing text.
    for (int i = 0; i < 2000; ++i)
        WriteFile(server.Path("many/file-" + std::to_string(i) + "-with-a-long-name-to-fill-the-listing.txt"), "");
    CFtpFind many(&session);
    int seen = 0;
    for (bool more = many.FindFile("/many/*"); more; ++seen) more = many.FindNextFileW();
    EXPECT_EQ(seen, 2000);
    // Each entry dropped once used: the walk still meets every other one, once.
    std::set<std::string> names;
    for (bool more = many.FindFile("/many/*"); more;) {
        more = many.FindNextFileW();
        names.insert(many.GetFileName());
        many.DropCurrent();
        EXPECT_EQ(many.GetCurrent(), nullptr);
        many.DropCurrent();
    }
    EXPECT_EQ(names.size(), 2000u);
    EXPECT_EQ(many.GetCount(), 0);
    EXPECT_EQ(many.FindNextFileW(), 0);

    CFtpFind find(&session);
    std::set<std::string> folders;
    std::set<std::string> files;
    for (bool more = find.FindFile("/top"); more;) {
        more = find.FindNextFileW();
        (find.IsDirectory() ? folders : files).insert(find.GetFileName());
        if (find.GetFileName() == "file1.txt") {
            EXPECT_EQ(find.GetLength(), 5u);
            EXPECT_EQ(find.GetFilePath(), "/top/file1.txt");
            EXPECT_EQ(find.GetFileURL(), "ftp://" + server.GetHost() + "/top/file1.txt");
            EXPECT_EQ(CFtpPath(find).GetFileName(true), "file1.txt");
        }
    }
    EXPECT_EQ(folders, (std::set<std::string>{"a", "b", "c"}));
    EXPECT_EQ(files, (std::set<std::string>{"file1.txt", "skip.tmp", ".hidden"}));

    EXPECT_EQ(find.FindFile("/missing"), 0);
    EXPECT_FALSE(find.Open("/missing"));
    EXPECT_EQ(find.GetLastError().substr(0, 3), "550");
    EXPECT_TRUE(find.Open("/top/b"));
    EXPECT_EQ(find.GetCount(), 0);
}

TEST_F(FtpTreeTest, MachineListingAndClassicListingGiveTheSameTree) {
    ASSERT_TRUE(session.GetFeatures().exactListing);
    // This server lists in UTC, which the classic listing reads as local time.
    test::ScopedTimeZone utc("UTC");
    WriteFile(server.Path("top/ leading space.txt"), "blank");
    WriteFile(server.Path("top/a/utf8 \xc3\xa9t\xc3\xa9.txt"), "summer");
    WriteFile(server.Path("top/big.bin"), std::string(300000, 'b'));
    std::map<std::string, std::string> machine;
    std::map<std::string, std::string> classic;
    test::ListRemoteTree(session, true, "/top/", machine);
    test::ListRemoteTree(session, false, "/top/", classic);
    EXPECT_EQ(machine, classic);
    EXPECT_EQ(machine.count("/top/ leading space.txt"), 1u);
    EXPECT_EQ(machine.count("/top/.hidden"), 1u);
    EXPECT_EQ(machine.size(), 14u);
}

TEST_F(FtpTreeTest, ExpandingLazilyReplacesThePlaceholders) {
    FakeTreeCtrl tree;
    CFtpNode* root = CFtpNode::CreateRoot(&session, Info("/top"), true);
    CDestroyNode guard(root);
    EXPECT_EQ(root->GetName(), "/top");
    EXPECT_EQ(root->GetDoc(), "/top/");
    EXPECT_EQ(root->GetNodeType(), CFtpNode::NODE_UNLISTED);
    ASSERT_EQ(root->GetChildCount(), 1);
    CFtpNode* decoy = root->GetHead();
    EXPECT_TRUE(decoy->IsNodeDecoy());
    root->Show(tree, false);

    root->Pump(&tree, &session, nullptr);
    EXPECT_EQ(root->GetNodeType(), CFtpNode::NODE_LISTED);
    EXPECT_EQ(ChildNames(*root), (std::set<std::string>{"a", "b", "c"}));
    EXPECT_EQ(root->GetHead(), decoy);  // the placeholder became the first folder
    for (const CObjNode* child : root->GetChildren()) {
        const auto* folder = dynamic_cast<const CFtpNode*>(child);
        EXPECT_EQ(folder->GetNodeType(), CFtpNode::NODE_UNLISTED);
        EXPECT_TRUE(folder->IsCatalog());
        EXPECT_EQ(folder->GetPath().GetFtpDir(true), "/top/" + folder->GetName() + "/");
        ASSERT_EQ(folder->GetChildCount(), 1);
        EXPECT_TRUE(folder->GetHead()->IsNodeDecoy());
    }
    EXPECT_TRUE(root->IsCacheLoaded());
    EXPECT_EQ(FileNames(root->GetCache()), (std::set<std::string>{"file1.txt", "skip.tmp", ".hidden"}));
    root->Show(tree, false);
    EXPECT_EQ(tree.Find(decoy->GetTreeItem())->text, decoy->GetName());

    // An empty folder loses its placeholder, in the node and in the tree.
    CFtpNode* b = root->FindChildByName("b");
    const platform::TreeItem placeholderItem = b->GetHead()->GetTreeItem();
    ASSERT_NE(placeholderItem, nullptr);
    b->Pump(&tree, &session, nullptr);
    EXPECT_EQ(b->GetChildCount(), 0);
    EXPECT_EQ(b->GetNodeType(), CFtpNode::NODE_LISTED);
    EXPECT_EQ(tree.Find(placeholderItem), nullptr);

    CFtpNode* a = root->FindChildByName("a");
    a->Pump(&tree, &session, nullptr);
    EXPECT_EQ(ChildNames(*a), (std::set<std::string>{"deep"}));
    EXPECT_EQ(FileNames(a->GetCache()), (std::set<std::string>{"a1.txt"}));

    // Back to unlisted, then listed again: the same children, no doubles.
    root->ClearNode(&tree);
    EXPECT_EQ(root->GetNodeType(), CFtpNode::NODE_UNLISTED);
    EXPECT_FALSE(root->IsCacheLoaded());
    EXPECT_EQ(ChildNames(*root), (std::set<std::string>{"Decoy"}));
    root->Refresh(&tree, &session, nullptr);
    EXPECT_EQ(root->GetChildCount(), 3);
    EXPECT_EQ(ChildNames(*root), (std::set<std::string>{"a", "b", "c"}));
}

// The browser lists on one thread and builds the tree on another.
TEST_F(FtpTreeTest, AListingTakenLaterListsAgainKeepingTheKnownFolders) {
    FakeTreeCtrl tree;
    CFtpNode* root = CFtpNode::CreateRoot(&session, Info("/top"), true);
    CDestroyNode guard(root);
    root->Show(tree, false);
    CFtpPathList entries;
    std::string error;
    ASSERT_TRUE(CFtpNode::ListLevel(&session, "/top/", entries, &error)) << error;
    EXPECT_EQ(entries.GetCount(), 6);
    EXPECT_EQ(root->GetNodeType(), CFtpNode::NODE_UNLISTED);  // listing alone changes no node
    root->PumpListed(&tree, entries);
    EXPECT_EQ(ChildNames(*root), (std::set<std::string>{"a", "b", "c"}));
    EXPECT_EQ(FileNames(root->GetCache()), (std::set<std::string>{"file1.txt", "skip.tmp", ".hidden"}));
    CFtpNode* a = root->FindChildByName("a");
    a->Pump(&tree, &session, nullptr);

    // Changed on the server meanwhile: the known folder keeps its listing.
    fs::create_directories(server.Path("top/new"));
    WriteFile(server.Path("top/file2.txt"), "2");
    fs::remove(server.Path("top/skip.tmp"));
    CFtpPathList again;
    ASSERT_TRUE(CFtpNode::ListLevel(&session, "/top/", again, &error)) << error;
    root->PumpListed(&tree, again);
    root->Show(tree, false);
    EXPECT_EQ(ChildNames(*root), (std::set<std::string>{"a", "b", "c", "new"}));
    EXPECT_EQ(root->FindChildByName("a"), a);
    EXPECT_EQ(ChildNames(*a), (std::set<std::string>{"deep"}));
    EXPECT_EQ(FileNames(root->GetCache()), (std::set<std::string>{"file1.txt", "file2.txt", ".hidden"}));
    EXPECT_NE(tree.Find(root->FindChildByName("new")->GetTreeItem()), nullptr);

    EXPECT_FALSE(CFtpNode::ListLevel(&session, "/missing/", entries, &error));
    EXPECT_FALSE(error.empty());
}

TEST_F(FtpTreeTest, ARootForAMissingStartFolderIsTheServerRoot) {
    CFtpNode* missing = CFtpNode::CreateRoot(&session, Info("/missing/"), true);
    CDestroyNode guardMissing(missing);
    EXPECT_EQ(missing->GetName(), server.GetHost());
    EXPECT_EQ(missing->GetDoc(), "/");
    EXPECT_EQ(missing->GetNodeType(), CFtpNode::NODE_UNLISTED);
    EXPECT_TRUE(missing->IsCatalog());

    // A start path naming a file makes a file root, with nothing to expand.
    CFtpNode* file = CFtpNode::CreateRoot(&session, Info("/top/file1.txt"), true);
    CDestroyNode guardFile(file);
    EXPECT_EQ(file->GetNodeType(), CFtpNode::NODE_FILE);
    EXPECT_FALSE(file->IsCatalog());
    EXPECT_EQ(file->GetPath().Length(), 5u);
    EXPECT_EQ(file->GetChildCount(), 0);
}

TEST_F(FtpTreeTest, LoadsAWholeTreeThroughAFilter) {
    CFileFilter filter;
    filter.SetIncludeSubFolders(true);
    filter.SetExcludes("tmp");
    CFtpNode* root = CFtpNode::CreateRoot(&session, Info("/top"), true);
    CDestroyNode guard(root);
    EXPECT_TRUE(root->Load(&session, &filter));

    // top, a, a1.txt, deep, d.txt, b, c, v1.2, x.txt, file1.txt, .hidden
    EXPECT_EQ(root->GetNodeCount(), 11);
    EXPECT_NE(root->FindFtpPath("/top/.hidden"), nullptr);
    EXPECT_EQ(root->FindByType(CFtpNode::NODE_DECOY), nullptr);
    EXPECT_EQ(root->FindByName("skip.tmp"), nullptr);
    CFtpNode* d = root->FindFtpPath("/top/a/deep/d.txt");
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->GetNodeType(), CFtpNode::NODE_FILE);
    EXPECT_FALSE(d->IsCatalog());
    EXPECT_EQ(d->GetPath().Length(), 4u);
    // Folders are named by their title; their paths keep the whole name.
    CFtpNode* v = root->FindByName("v1");
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->GetPath().GetFtpDir(true), "/top/c/v1.2/");
    EXPECT_EQ(v->GetNodeType(), CFtpNode::NODE_LISTED);

    CFtpNode* deep = root->FindByName("deep");
    EXPECT_EQ(root->FindFtpDir("\\TOP\\A\\Deep"), deep);
    EXPECT_EQ(root->FindFtpPath("\\top\\A\\deep\\D.TXT"), d);
    EXPECT_EQ(root->FindFtpParentDir(deep->GetPath()), root->FindByName("a"));
}

TEST_F(FtpTreeTest, RenamingAFolderMovesEveryDescendant) {
    CFtpNode* root = CFtpNode::CreateRoot(&session, Info("/top/"), false);
    CDestroyNode guard(root);
    ASSERT_TRUE(root->Load(&session, nullptr));

    ASSERT_TRUE(root->Rename(nullptr, &session, "top2")) << root->GetLastError();
    EXPECT_TRUE(fs::exists(server.Path("top2/c/v1.2/x.txt")));
    EXPECT_EQ(root->GetPath().GetFtpDir(true), "/top2/");
    EXPECT_EQ(root->FindByName("x.txt")->GetPath().GetPath(), "/top2/c/v1.2/x.txt");
    EXPECT_EQ(root->FindByName("deep")->GetPath().GetFtpDir(true), "/top2/a/deep/");

    FakeTreeCtrl tree;
    root->Show(tree, false);
    CFtpNode* a = root->FindByName("a");
    ASSERT_TRUE(a->Rename(&tree, &session, "alpha"));
    EXPECT_EQ(a->GetName(), "alpha");
    EXPECT_EQ(tree.Find(a->GetTreeItem())->text, "alpha");
    EXPECT_EQ(root->FindByName("d.txt")->GetPath().GetPath(), "/top2/alpha/deep/d.txt");
    EXPECT_EQ(test::ReadFile(server.Path("top2/alpha/deep/d.txt")), "deep");

    // Refusals change nothing: a name that is not one folder level, and a
    // folder the server no longer has.
    CFtpNode* b = root->FindByName("b");
    EXPECT_FALSE(b->Rename(&tree, &session, "x/y"));
    EXPECT_NE(b->GetLastError().find("x/y"), std::string::npos);
    fs::remove(server.Path("top2/b"));
    EXPECT_FALSE(b->Rename(&tree, &session, "bee"));
    EXPECT_EQ(b->GetLastError().substr(0, 3), "550");
    EXPECT_EQ(b->GetName(), "b");
    EXPECT_EQ(b->GetPath().GetFtpDir(true), "/top2/b/");
}

TEST_F(FtpTreeTest, FoldersAreAddedAndDeletedWithTheirContent) {
    FakeTreeCtrl tree;
    CFtpNode* root = CFtpNode::CreateRoot(&session, Info("/top"), true);
    CDestroyNode guard(root);
    root->Show(tree, false);

    // Created before the folder was listed: the listing does not double it.
    ASSERT_TRUE(root->AddDirectory(&tree, &session, "new folder")) << root->GetLastError();
    EXPECT_TRUE(fs::is_directory(server.Path("top/new folder")));
    CFtpNode* added = root->FindChildByName("new folder");
    ASSERT_NE(added, nullptr);
    EXPECT_NE(added->GetTreeItem(), nullptr);
    EXPECT_EQ(added->GetNodeType(), CFtpNode::NODE_UNLISTED);
    EXPECT_TRUE(added->GetHead()->IsNodeDecoy());
    root->Pump(&tree, &session, nullptr);
    EXPECT_EQ(root->GetChildCount(), 4);
    EXPECT_EQ(ChildNames(*root), (std::set<std::string>{"a", "b", "c", "new folder"}));
    EXPECT_EQ(root->FindChildByName("new folder"), added);

    EXPECT_FALSE(root->AddDirectory(&tree, &session, "../escape"));
    EXPECT_FALSE(root->GetLastError().empty());
    EXPECT_FALSE(fs::exists(server.Path("escape")));

    // A folder made elsewhere (an upload) joins the tree once.
    CFtpNode* upload = root->AddFtpFolder(CFtpPath("/home/me/upload/", PATH_FOLDER), nullptr);
    ASSERT_NE(upload, nullptr);
    EXPECT_EQ(upload->GetPath().GetFtpDir(true), "/top/upload/");
    EXPECT_EQ(root->AddFtpFolder(CFtpPath("/elsewhere/upload/", PATH_FOLDER), nullptr), upload);

    CFtpNode* a = root->FindChildByName("a");
    a->Pump(&tree, &session, nullptr);
    root->Show(tree, false);
    const platform::TreeItem item = a->GetTreeItem();
    ASSERT_TRUE(a->DeleteFolder(&tree)) << a->GetLastError();
    EXPECT_FALSE(fs::exists(server.Path("top/a")));
    EXPECT_TRUE(fs::exists(server.Path("top/c/v1.2/x.txt")));
    EXPECT_EQ(root->FindChildByName("a"), nullptr);
    EXPECT_EQ(tree.Find(item), nullptr);

    EXPECT_FALSE(root->DeleteFolder(CFtpPath("/", PATH_FOLDER)));
    EXPECT_TRUE(fs::exists(server.Path("top/file1.txt")));
}

// Links listed as links (LIST): those to folders are browsed like folders,
// unless they lead back up; those to files are files of the folder. A
// deleted link to a folder takes nothing of that folder with it.
TEST(FtpNode, LinksAreBrowsedLikeWhatTheyPointToWithoutLoops) {
    test::FtpServer server({.without = "MLST,MLSD"});
    ASSERT_TRUE(server.Start()) << server.GetError();
    WriteFile(server.Path("top/real/f.txt"), "inside");
    fs::create_directory_symlink("..", server.Path("top/up"));
    fs::create_directory_symlink(".", server.Path("top/self"));
    fs::create_directory_symlink("real", server.Path("top/other"));
    fs::create_symlink("real/f.txt", server.Path("top/note.txt"));
    CFtpSession session;
    ASSERT_TRUE(
        test::ConnectSession(session, server.GetHost(), server.GetPort(), server.GetUser(), server.GetPassword()));
    CFtpLoginInfo info;
    info.SetHost(server.GetHost());
    info.SetFtpPath(CFtpPath("/top"));
    FakeTreeCtrl tree;
    CFtpNode* root = CFtpNode::CreateRoot(&session, info, true);
    CDestroyNode guard(root);

    root->Pump(&tree, &session, nullptr);
    EXPECT_EQ(ChildNames(*root), (std::set<std::string>{"real", "other"}));
    ASSERT_EQ(root->GetCache().GetCount(), 1);
    EXPECT_EQ(root->GetCache().GetHead()->GetFtpPath(), "/top/note.txt");
    EXPECT_EQ(root->GetCache().GetHead()->Length(), 6u);
    CFtpNode* other = root->FindChildByName("other");
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(other->GetPath().GetFtpDir(true), "/top/other/");
    other->Pump(&tree, &session, nullptr);
    EXPECT_EQ(FileNames(other->GetCache()), std::set<std::string>{"f.txt"});

    CFtpRemoteFolder service(&session);
    ASSERT_TRUE(service.Delete(other->GetPath())) << service.GetLastError();
    EXPECT_FALSE(fs::is_symlink(server.Path("top/other")));
    EXPECT_EQ(test::ReadFile(server.Path("top/real/f.txt")), "inside");
}

TEST(FtpNode, LinkTargetsAreReadFromTheirFolder) {
    EXPECT_EQ(ResolveFolder("/a/b/", "../c"), "/a/c/");
    EXPECT_EQ(ResolveFolder("/a/b/", "."), "/a/b/");
    EXPECT_EQ(ResolveFolder("/a/b/", "/x/./y//z/"), "/x/y/z/");
    // Nothing goes above the root.
    EXPECT_EQ(ResolveFolder("/a/", "../../.."), "/");
}

TEST(FtpNode, ADroppedFileGetsANameFreeInItsFolder) {
    CFtpNode folder;
    folder.GetPath().SetPath("/up/", PATH_FOLDER);
    folder.SetCatalog(true);
    folder.AddNode("a.txt");
    folder.GetCache().AddTail(new CFtpPath("/up/b.txt"));

    EXPECT_EQ(folder.GetDropPath(CFtpPath("/local/a.txt")).GetPath(), "/up/a(1).txt");
    EXPECT_EQ(folder.GetDropPath(CFtpPath("/local/b.txt")).GetPath(), "/up/b(1).txt");
    EXPECT_EQ(folder.GetDropPath(CFtpPath("/local/c.txt")).GetPath(), "/up/c.txt");
    CFtpPath sourceFolder("/local/dir/", PATH_FOLDER);
    sourceFolder.SetAttr(platform::FileAttrDirectory);
    EXPECT_EQ(folder.GetDropPath(sourceFolder).GetPath(), "/up/");

    test::TempDir local;
    WriteFile(local / "data.bin", "0123456789");
    const CFtpPath dropped = folder.GetDropPath(local / "data.bin");
    EXPECT_EQ(dropped.GetPath(), "/up/data.bin");
    EXPECT_EQ(dropped.Length(), 10u);
}

// Counts the log records that report a refused name.
class UnsafeNameLog : public CListener {
public:
    UnsafeNameLog() { CMsgBox::Box().Subscribe("UnsafeNameLog", this); }
    ~UnsafeNameLog() override { CMsgBox::Box().Unsubscribe(this); }
    void OnMsg(CMsg& msg) override {
        const auto* record = dynamic_cast<const CLogStatus*>(msg.Object());
        if (msg.Cmd() == MSG_LOG_RECORD && record && record->GetAction() == "Unsafe name skipped:") ++count;
    }
    int count = 0;
};

// A server whose every folder lists what `listing` gives for its path, with
// LIST, or MLSD when `machine`; each listing ends with `finalReply`.
// `listed`, when given, counts the listings it sent.
test::FakeFtpServer::Script EchoingServer(std::function<std::string(const std::string& folder)> listing, bool machine,
                                          std::atomic<int>* listed, std::string finalReply = "226 done") {
    return [listing, machine, listed, finalReply](test::FakeFtpSession& s) {
        s.Reply("220 ready");
        s.Expect("FEAT", machine ? "211-Features:\r\n MLST type*;size*;modify*;unique*;\r\n211 End" : "502 no");
        s.Expect("USER", "331 password");
        s.Expect("PASS", "230 in");
        s.Expect("TYPE", "200 ok");
        std::string folder = "/";
        while (auto command = s.ReadCommand()) {
            if (command->rfind("CWD ", 0) == 0) {
                folder = command->substr(4);
                s.Reply("250 ok");
            } else if (command->rfind("EPSV", 0) == 0) {
                s.Reply("229 Entering Extended Passive Mode (|||" + std::to_string(s.ListenForData()) + "|)");
            } else if (command->rfind("LIST", 0) == 0 || command->rfind("MLSD", 0) == 0) {
                if (listed) ++*listed;
                s.Reply("150 Here comes the listing");
                if (s.AcceptData()) s.SendData(listing(folder));
                s.CloseData();
                s.Reply(finalReply);
            } else {
                s.Reply("200 ok");
            }
        }
    };
}

// A server whose top folder lists `listing`; every other folder is empty.
test::FakeFtpServer::Script ListingServer(std::string listing, std::string finalReply) {
    return EchoingServer([listing](const std::string& folder) { return folder == "/" ? listing : std::string(); },
                         false, nullptr, std::move(finalReply));
}

// Counts the log records that say a walk stopped where it met itself.
class WalkStopLog : public CListener {
public:
    WalkStopLog() { CMsgBox::Box().Subscribe("WalkStopLog", this); }
    ~WalkStopLog() override { CMsgBox::Box().Unsubscribe(this); }
    void OnMsg(CMsg& msg) override {
        const auto* record = dynamic_cast<const CLogStatus*>(msg.Object());
        if (msg.Cmd() == MSG_LOG_RECORD && record && record->GetAction() == "Folder walk stopped:")
            texts.push_back(record->GetText());
    }
    std::vector<std::string> texts;
};

// Loads the whole tree from the server's root; answers the paths it holds.
std::set<std::string> LoadedPaths(uint16_t port) {
    CFtpSession session;
    EXPECT_TRUE(test::ConnectSession(session, "127.0.0.1", port)) << session.GetLastError();
    CFtpNode root(&session);
    root.GetPath().MakeFtpRoot();
    root.SetCatalog(true);
    root.SetDoc("/");
    EXPECT_TRUE(root.Load(&session, nullptr));
    std::set<std::string> paths;
    std::function<void(const CFtpNode&)> collect = [&](const CFtpNode& node) {
        for (const CObjNode* child : node.GetChildren()) {
            const auto* sub = dynamic_cast<const CFtpNode*>(child);
            paths.insert(sub->GetPath().GetPath());
            collect(*sub);
        }
    };
    collect(root);
    return paths;
}

// A server that lists a folder inside itself (a link it resolves, or out of
// spite) is walked once round the circle, not to the depth limit.
TEST(FtpNode, AWalkThatMeetsItselfStopsAndSaysSo) {
    std::atomic<int> listed{0};
    {
        // The same "unique" fact again: the folder is not even listed.
        WalkStopLog log;
        test::FakeFtpServer fake(EchoingServer(
            [](const std::string&) {
                return "type=dir;unique=801U2;modify=20200101000000; loop\r\n"
                       "type=file;size=3;unique=801U9;modify=20200101000000; f.txt\r\n";
            },
            true, &listed));
        EXPECT_EQ(LoadedPaths(fake.GetPort()), (std::set<std::string>{"/f.txt", "/loop/", "/loop/f.txt"}));
        EXPECT_EQ(listed, 2);
        ASSERT_EQ(log.texts.size(), 1u);
        EXPECT_EQ(log.texts[0], "/loop/loop/ is /loop/ again (the server names both 801U2)");
    }
    {
        // Names that go round a circle with the same contents: a link back up.
        WalkStopLog log;
        listed = 0;
        test::FakeFtpServer fake(EchoingServer(
            [](const std::string& folder) {
                const bool top = folder == "/" || folder.ends_with("/up/") || folder.ends_with("/up");
                return std::string(top ? "drwxr-xr-x 2 u g 4096 Jan 01  2020 b\r\n"
                                       : "drwxr-xr-x 2 u g 4096 Jan 01  2020 up\r\n") +
                       "-rw-r--r-- 1 u g 3 Jan 01  2020 f.txt\r\n";
            },
            false, &listed));
        const std::set<std::string> paths = LoadedPaths(fake.GetPort());
        EXPECT_EQ(paths.count("/b/up/b/"), 1u);
        EXPECT_EQ(paths.count("/b/up/b/up/"), 0u);
        EXPECT_EQ(listed, 5);
        ASSERT_EQ(log.texts.size(), 1u);
        EXPECT_EQ(log.texts[0], "/b/up/b/up/ repeats /b/up/ (the folder names go round in a circle)");

        // Deleting /b would delete through the link what /b is in: nothing goes.
        CFtpSession session;
        ASSERT_TRUE(test::ConnectSession(session, "127.0.0.1", fake.GetPort()));
        CFtpRemoteFolder folders(&session);
        EXPECT_FALSE(folders.Delete(CFtpPath("/b/", PATH_FOLDER)));
        EXPECT_EQ(folders.GetLastError(), "Not deleted: /b/up/b/up/ repeats /b/up/ (the folder names go round in a circle)");
        for (const std::string& command : fake.GetCommands()) EXPECT_FALSE(command.starts_with("DELE")) << command;
    }
    {
        // A folder that lists itself with other contents each time: the
        // names alone stop it, after a few rounds.
        WalkStopLog log;
        listed = 0;
        std::atomic<int> round{0};
        test::FakeFtpServer fake(EchoingServer(
            [&round](const std::string&) {
                return "drwxr-xr-x 2 u g 4096 Jan 01  2020 self\r\n-rw-r--r-- 1 u g 3 Jan 01  2020 f" +
                       std::to_string(++round) + ".txt\r\n";
            },
            false, &listed));
        const std::set<std::string> paths = LoadedPaths(fake.GetPort());
        // "/" and "self" nested three times; the fourth "self" in a row is not listed.
        EXPECT_EQ(listed, CWalkStep::kRepeats);
        EXPECT_EQ(paths.count("/self/self/self/"), 1u);
        EXPECT_EQ(log.texts.size(), 1u);
    }
}

TEST(FtpNode, NamesFromAHostileServerNeverBecomeNodes) {
    test::FakeFtpServer fake(ListingServer("drwxr-xr-x 2 u g 4096 Jan 01  2020 ../../escape\r\n"
                                           "-rw-r--r-- 1 u g 5 Jan 01  2020 ../outside.txt\r\n"
                                           "-rw-r--r-- 1 u g 5 Jan 01  2020 a\\b.txt\r\n"
                                           "-rw-r--r-- 1 u g 5 Jan 01  2020 ok.txt\r\n"
                                           "drwxr-xr-x 2 u g 4096 Jan 01  2020 sub\r\n",
                                           "226 Transfer complete"));
    CFtpSession session;
    ASSERT_TRUE(test::ConnectSession(session, "127.0.0.1", fake.GetPort())) << session.GetLastError();
    CFtpLoginInfo info;
    info.SetHost("fake");
    UnsafeNameLog log;

    CFtpNode* browsed = CFtpNode::CreateRoot(&session, info, true);
    CDestroyNode guardBrowsed(browsed);
    browsed->Pump(nullptr, &session, nullptr);
    EXPECT_EQ(ChildNames(*browsed), (std::set<std::string>{"sub"}));
    EXPECT_EQ(FileNames(browsed->GetCache()), (std::set<std::string>{"ok.txt"}));
    EXPECT_EQ(log.count, 3);

    CFtpNode* loaded = CFtpNode::CreateRoot(&session, info, false);
    CDestroyNode guardLoaded(loaded);
    EXPECT_TRUE(loaded->Load(&session, nullptr));
    EXPECT_EQ(loaded->GetNodeCount(), 3);  // the root, sub and ok.txt
    EXPECT_NE(loaded->FindFtpPath("/ok.txt"), nullptr);
    EXPECT_NE(loaded->FindFtpDir("/sub/"), nullptr);
}

TEST(FtpNode, AHostileListingIsBoundedInEntriesAndLineLength) {
    std::string many;
    for (size_t i = 0; i <= CFtpFind::kMaxEntries; ++i) many += "-rw-r--r-- 1 u g 1 Jan 01  2020 f" + std::to_string(i) + "\n";
    test::FakeFtpServer endless(ListingServer(many, "226 Transfer complete"));
    CFtpSession session;
    ASSERT_TRUE(test::ConnectSession(session, "127.0.0.1", endless.GetPort())) << session.GetLastError();
    CFtpFind find(&session);
    EXPECT_FALSE(find.Open("/"));
    EXPECT_EQ(find.GetLastError(), "Listing of / has more than 250000 entries");
    EXPECT_EQ(find.GetCount(), 0);

    test::FakeFtpServer longLine(ListingServer(std::string(200000, 'x'), "226 Transfer complete"));
    ASSERT_TRUE(test::ConnectSession(session, "127.0.0.1", longLine.GetPort())) << session.GetLastError();
    EXPECT_FALSE(find.Open("/"));
    EXPECT_EQ(find.GetLastError(), "Listing of / has a line longer than 65536 bytes");
    // The session stays usable after a listing broken off.
    EXPECT_TRUE(session.IsFolder("/x"));
}

TEST(FtpNode, AListingTheServerDoesNotConfirmIsAFailure) {
    test::FakeFtpServer fake(ListingServer("-rw-r--r-- 1 u g 5 Jan 01  2020 first.txt\r\n",
                                           "426 Connection closed; transfer aborted"));
    CFtpSession session;
    ASSERT_TRUE(test::ConnectSession(session, "127.0.0.1", fake.GetPort())) << session.GetLastError();
    CFtpFind find(&session);
    EXPECT_FALSE(find.Open("/"));
    EXPECT_EQ(find.GetCount(), 0);
    EXPECT_EQ(find.GetLastError().substr(0, 3), "426");

    CFtpNode root(&session);
    root.GetPath().MakeFtpRoot();
    root.SetCatalog(true);
    EXPECT_FALSE(root.Load(&session, nullptr));
    EXPECT_EQ(root.GetChildCount(), 0);
}

}  // namespace
}  // namespace velmora
