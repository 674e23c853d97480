#include <memory>
#include <vector>

#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>
#include <gtest/gtest.h>

#include "app/common/clip_formats.h"
#include "app/common/drag_item.h"
#include "app/common/drop_target.h"
#include "app/common/msg_drop_item.h"
#include "app_test_support.h"
#include "support/temp_dir.h"

namespace parcelo {
namespace {

using velmora::test::TempDir;
using velmora::test::WriteFile;

CClipFormats BrowserFormats(bool filesFirst) {
    CClipFormats formats;
    if (filesFirst) formats.AddFileDrop();
    formats.Add("TreeItem");
    formats.Add("ListItem");
    formats.Add("UNIQUE_NAME_PROVIDER_ID");
    if (!filesFirst) formats.AddFileDrop();
    return formats;
}

TEST(ClipFormatsTest, ANameRegisteredTwiceGivesOneEntryAndOneNumber) {
    CClipFormats formats;
    const uint16_t first = formats.Add("TreeItem");
    EXPECT_EQ(formats.Add("TreeItem"), first);
    EXPECT_EQ(formats.GetCount(), 1);
    EXPECT_EQ(RegisterClipboardFormat("TreeItem"), first);
    EXPECT_GE(first, 0xC000);
    EXPECT_NE(formats.Add("ListItem"), first);

    formats.AddFileDrop();
    formats.AddFileDrop();
    EXPECT_EQ(formats.GetCount(), 3);
    EXPECT_EQ(formats.GetAt(2).number, CClipFormats::kFileDrop);

    CClipFormats copy = formats;
    EXPECT_EQ(copy.GetCount(), 3);
    EXPECT_EQ(copy.GetAt(1).name, "ListItem");
}

TEST(DragItemTest, SerialFormIsLittleEndianAndRoundTrips) {
    const CDragItem item(7, -2, 300, true);
    const QByteArray bytes = item.GetSerialForm();
    const QByteArray expected("\x07\x00\x00\x00\xfe\xff\xff\xff\x2c\x01\x00\x00\x01\x00\x00\x00", 16);
    EXPECT_EQ(bytes, expected);

    CDragItem loaded;
    ASSERT_TRUE(loaded.LoadSerialForm(bytes));
    EXPECT_TRUE(loaded.IsKind(7));
    EXPECT_EQ(loaded.GetParam1(), -2);
    EXPECT_EQ(loaded.GetParam2(), 300);
    EXPECT_TRUE(loaded.GetFlag());

    std::unique_ptr<QMimeData> data(item.CreateMimeData());
    EXPECT_TRUE(data->hasFormat(CClipFormats::MimeType("MFCDragItem")));
    CDragItem viaData;
    EXPECT_TRUE(viaData.CanLoad(data.get()));
    ASSERT_TRUE(viaData.Load(data.get()));
    EXPECT_TRUE(viaData.IsKind(7));
}

TEST(DragItemTest, AnUnreadableSerialFormLeavesTheItemAlone) {
    CDragItem item(1, 2, 3, false);
    EXPECT_FALSE(item.LoadSerialForm(CDragItem(9, 9, 9, true).GetSerialForm().left(10)));
    EXPECT_TRUE(item.IsKind(1));
    EXPECT_EQ(item.GetParam2(), 3);

    CDragItemEx named("TreeItem");
    QByteArray bytes = CDragItemEx("ListItem").GetSerialForm();
    bytes.chop(3);
    EXPECT_FALSE(named.LoadSerialForm(bytes));
    EXPECT_EQ(named.GetFormatName(), "TreeItem");

    QMimeData empty;
    EXPECT_FALSE(item.Load(&empty));
    EXPECT_FALSE(item.Load(nullptr));
}

TEST(DragItemTest, ExtendedItemCarriesItsFormat) {
    CDragItemEx item("Übergabe");
    item.SetKind(4);
    EXPECT_EQ(item.GetFormat(), RegisterClipboardFormat("Übergabe"));

    CDragItemEx loaded;
    ASSERT_TRUE(loaded.LoadSerialForm(item.GetSerialForm()));
    EXPECT_EQ(loaded.GetFormatName(), "Übergabe");
    EXPECT_EQ(loaded.GetFormat(), item.GetFormat());
    EXPECT_TRUE(loaded.IsKind(4));
}

TEST(DropItemTest, ProgramItemsTravelWithTheirPaths) {
    CDropItem dragged(BrowserFormats(false), "ListItem");
    dragged.SetKind(2);
    auto* file = new velmora::CFtpPath("/pub/in/report.pdf");
    file->Length(uint64_t{5} << 32 | 7);
    dragged.GetPaths().Add(file);
    dragged.GetPaths().Add(new velmora::CFtpPath("/pub/in/old/", velmora::PATH_FOLDER));
    std::unique_ptr<QMimeData> data(dragged.CreateMimeData());

    CDropItem dropped(BrowserFormats(false));
    ASSERT_TRUE(dropped.Load(data.get()));
    ASSERT_NE(dropped.GetLoadedFormat(), nullptr);
    EXPECT_EQ(dropped.GetLoadedFormat()->name, "ListItem");
    EXPECT_TRUE(dropped.IsKind(2));
    ASSERT_EQ(dropped.GetPaths().GetCount(), 2);
    EXPECT_EQ(dropped.GetPaths().GetHead()->GetPath(), "/pub/in/report.pdf");
    EXPECT_EQ(dropped.GetPaths().GetHead()->Length(), uint64_t{5} << 32 | 7);
    EXPECT_EQ(dropped.GetPaths().GetTail()->GetPathType(), velmora::PATH_FOLDER);
    EXPECT_EQ(dropped.GetFormats().GetCount(), 4);  // its own accepted formats stay
}

TEST(DropItemTest, FileManagerDropGivesFolderAndFilePaths) {
    TempDir dir;
    WriteFile(dir / "photos/a.jpg", "x");
    WriteFile(dir / "notes.txt", "y");
    std::unique_ptr<QMimeData> data(test::FileDrop({dir / "photos", dir / "notes.txt"}));
    data->setText("plain text beside the files");

    CDropItem item(BrowserFormats(false));
    item.GetPaths().Add(new velmora::CFtpPath("/stale"));
    ASSERT_TRUE(item.Load(data.get()));
    ASSERT_EQ(item.GetPaths().GetCount(), 2);
    const velmora::CFtpPath* folder = item.GetPaths().GetHead();
    EXPECT_TRUE(folder->IsDirectory());
    EXPECT_EQ(folder->GetFileName(), "");
    EXPECT_EQ(folder->GetDir(), dir / "photos/");
    const velmora::CFtpPath* file = item.GetPaths().GetTail();
    EXPECT_FALSE(file->IsDirectory());
    EXPECT_EQ(file->GetFileName(), "notes.txt");
}

TEST(DropItemTest, TheWindowsFirstOfferedFormatWins) {
    TempDir dir;
    WriteFile(dir / "a.txt", "x");
    CDropItem dragged(BrowserFormats(false), "ListItem");
    dragged.GetPaths().Add(new velmora::CFtpPath("/remote/b.txt"));
    std::unique_ptr<QMimeData> both(dragged.CreateMimeData());
    both->setUrls({QUrl::fromLocalFile(QString::fromStdString(dir / "a.txt"))});

    CDropItem listFirst(BrowserFormats(false));
    ASSERT_TRUE(listFirst.Load(both.get()));
    EXPECT_EQ(listFirst.GetPaths().GetHead()->GetPath(), "/remote/b.txt");

    CDropItem filesFirst(BrowserFormats(true));
    ASSERT_TRUE(filesFirst.Load(both.get()));
    EXPECT_EQ(filesFirst.GetPaths().GetHead()->GetPath(), dir / "a.txt");
}

TEST(DropItemTest, DataWithoutAnAcceptedFormatIsRefused) {
    CDropItem item(BrowserFormats(false));
    QMimeData text;
    text.setText("hello");
    EXPECT_FALSE(item.Load(&text));
    QMimeData remote;
    remote.setUrls({QUrl("https://example.org/a.txt")});
    EXPECT_FALSE(item.Load(&remote));
    EXPECT_EQ(item.GetLoadedFormat(), nullptr);
}

// A window that records what its drop target asks it.
class DropWindow : public QWidget, public CDropPage {
public:
    int answer = DROPEFFECT_COPY;
    int dropExAnswer = DROPEFFECT_NONE;
    bool dropAnswer = false;
    std::vector<std::string> calls;
    QPoint lastPoint;

    int OnDragEnter(const QMimeData*, Qt::KeyboardModifiers, const QPoint& point) override {
        return Record("enter", point);
    }
    int OnDragOver(const QMimeData*, Qt::KeyboardModifiers, const QPoint& point) override {
        return Record("over", point);
    }
    void OnDragLeave() override { calls.push_back("leave"); }
    int OnDropEx(const QMimeData*, int, int, const QPoint& point) override {
        Record("dropex", point);
        return dropExAnswer;
    }
    bool OnDrop(const QMimeData*, int, const QPoint&) override {
        calls.push_back("drop");
        return dropAnswer;
    }

private:
    int Record(const char* call, const QPoint& point) {
        calls.push_back(call);
        lastPoint = point;
        return answer;
    }
};

TEST(DropTargetTest, ForwardsEveryNotificationAndItsAnswer) {
    DropWindow window;
    TDropTarget<DropWindow> target;
    ASSERT_TRUE(target.Register(&window));
    EXPECT_FALSE(target.Register(&window));
    EXPECT_TRUE(window.acceptDrops());
    QMimeData data;
    data.setText("x");

    QDragEnterEvent enter(QPoint(5, 6), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&window, &enter);
    EXPECT_TRUE(enter.isAccepted());
    EXPECT_EQ(enter.dropAction(), Qt::CopyAction);
    EXPECT_EQ(window.lastPoint, QPoint(5, 6));

    window.answer = DROPEFFECT_NONE;
    QDragMoveEvent refused(QPoint(7, 8), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&window, &refused);
    EXPECT_FALSE(refused.isAccepted());

    window.answer = DROPEFFECT_MOVE;
    QDragMoveEvent moved(QPoint(9, 9), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&window, &moved);
    EXPECT_TRUE(moved.isAccepted());
    EXPECT_EQ(moved.dropAction(), Qt::MoveAction);

    QDragLeaveEvent leave;
    QCoreApplication::sendEvent(&window, &leave);
    EXPECT_EQ(window.calls, (std::vector<std::string>{"enter", "over", "over", "leave"}));

    // A drop that OnDropEx handles never reaches OnDrop; one it passes on is
    // OnDrop's to take or refuse.
    const auto drop = [&](int dropExAnswer, bool dropAnswer) {
        window.dropExAnswer = dropExAnswer;
        window.dropAnswer = dropAnswer;
        window.calls.clear();
        QDragEnterEvent again(QPoint(1, 2), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&window, &again);
        QDropEvent event(QPointF(1, 2), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&window, &event);
        return event.isAccepted();
    };
    EXPECT_TRUE(drop(DROPEFFECT_COPY, false));
    EXPECT_EQ(window.calls, (std::vector<std::string>{"enter", "dropex"}));
    EXPECT_FALSE(drop(DROPEFFECT_NONE, false));
    EXPECT_EQ(window.calls, (std::vector<std::string>{"enter", "dropex", "drop"}));
    EXPECT_TRUE(drop(DROPEFFECT_NONE, true));
}

// A window that takes posted drops from its queue.
class DropReceiver : public QObject {
public:
    std::unique_ptr<CMsgDropItem> received;

protected:
    void customEvent(QEvent* event) override {
        if (event->type() == CDropItemEvent::kType) received = static_cast<CDropItemEvent*>(event)->Take();
    }
};

TEST(MsgDropItemTest, APostedDropArrivesLaterWithItsOwnCopy) {
    DropReceiver window;
    velmora::CObj target;
    auto item = std::make_unique<CDropItem>(BrowserFormats(false), "TreeItem");
    item->GetPaths().Add(new velmora::CFtpPath("/pub/a/"));

    CMsgDropItem::Post(&window, std::make_unique<CMsgDropItem>(*item, &target, DROPEFFECT_MOVE));
    item.reset();
    EXPECT_EQ(window.received, nullptr);

    test::ProcessEvents();
    ASSERT_NE(window.received, nullptr);
    EXPECT_EQ(window.received->Cmd(), CMsgDropItem::kCommand);
    EXPECT_EQ(window.received->GetTarget(), &target);
    EXPECT_EQ(window.received->GetEffect(), DROPEFFECT_MOVE);
    ASSERT_NE(window.received->GetDropItem(), nullptr);
    EXPECT_EQ(window.received->GetDropItem()->GetPaths().GetHead()->GetPath(), "/pub/a/");

    // Copies of the message own separate items.
    CMsgDropItem copy;
    copy.Copy(*window.received);
    EXPECT_NE(copy.GetDropItem(), window.received->GetDropItem());
    EXPECT_EQ(copy.GetTarget(), &target);
}

}  // namespace
}  // namespace parcelo
