// Another application for drag-and-drop tests under a real X server: a small
// window that offers files to drag (as a file manager does, text/uri-list),
// or takes drops and reports what it got.
//
//   dnd_peer source TITLE FILE...   a left press in the window drags the files
//   dnd_peer target TITLE           each drop prints "dropped URL" per file, then "drop-end"
//
// Prints "ready" once its window is shown; what it prints is flushed at once.
#include <cstdio>

#include <QApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QStringList>
#include <QTimer>
#include <QUrl>

namespace {

void Say(const QString& line) {
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

class CSource : public QLabel {
public:
    explicit CSource(const QStringList& files) : QLabel("drag from here"), m_files(files) {}

protected:
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() != Qt::LeftButton) return;
        auto* data = new QMimeData;
        QList<QUrl> urls;
        for (const QString& file : m_files) urls << QUrl::fromLocalFile(file);
        data->setUrls(urls);
        auto* drag = new QDrag(this);
        drag->setMimeData(data);
        const Qt::DropAction action = drag->exec(Qt::CopyAction);
        Say(QStringLiteral("drag-ended %1").arg(action == Qt::IgnoreAction ? "ignored" : "taken"));
    }

private:
    QStringList m_files;
};

class CTarget : public QLabel {
public:
    CTarget() : QLabel("drop here") { setAcceptDrops(true); }

protected:
    void dragEnterEvent(QDragEnterEvent* event) override {
        if (event->mimeData()->hasUrls()) event->acceptProposedAction();
    }
    void dragMoveEvent(QDragMoveEvent* event) override {
        if (event->mimeData()->hasUrls()) event->acceptProposedAction();
    }
    void dropEvent(QDropEvent* event) override {
        for (const QUrl& url : event->mimeData()->urls()) Say("dropped " + url.toString());
        Say("drop-end");
        event->acceptProposedAction();
    }
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3 || (args[1] != "source" && args[1] != "target")) {
        std::fprintf(stderr, "usage: dnd_peer source TITLE FILE... | dnd_peer target TITLE\n");
        return 2;
    }
    QLabel* window = args[1] == "source" ? static_cast<QLabel*>(new CSource(args.mid(3))) : new CTarget;
    window->setAlignment(Qt::AlignCenter);
    window->setWindowTitle(args[2]);
    window->resize(320, 240);
    window->show();
    QTimer::singleShot(0, [] { Say("ready"); });
    const int code = app.exec();
    delete window;
    return code;
}
