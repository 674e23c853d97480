#pragma once

#include <type_traits>

#include <QDragMoveEvent>
#include <QDropEvent>
#include <QEvent>
#include <QObject>
#include <QPoint>
#include <QWidget>

#include "app/common/clip_formats.h"

class QMimeData;

namespace parcelo {

// A window that accepts drops. Each notification gets the dragged data, the
// keys held (or the proposed drop effect) and the pointer position in the
// window, and answers a drop effect; the defaults refuse.
class CDropPage {
public:
    virtual ~CDropPage() = default;

    virtual bool OnDrop(const QMimeData* /*data*/, int /*dropEffect*/, const QPoint& /*point*/) { return false; }
    virtual int OnDragEnter(const QMimeData* /*data*/, Qt::KeyboardModifiers /*keyState*/, const QPoint& /*point*/) {
        return DROPEFFECT_NONE;
    }
    virtual int OnDragOver(const QMimeData* /*data*/, Qt::KeyboardModifiers /*keyState*/, const QPoint& /*point*/) {
        return DROPEFFECT_NONE;
    }
    virtual void OnDragLeave() {}
    // Answers the effect of a drop it handled; DROPEFFECT_NONE passes the
    // drop on to OnDrop.
    virtual int OnDropEx(const QMimeData* /*data*/, int /*dropDefault*/, int /*dropList*/, const QPoint& /*point*/) {
        return DROPEFFECT_NONE;
    }
    // A non-zero answer means the window scrolled and that is the effect;
    // otherwise OnDragOver decides.
    virtual int OnDragScroll(Qt::KeyboardModifiers /*keyState*/, const QPoint& /*point*/) { return DROPEFFECT_NONE; }
};

// The drop target of a window: registered on it, it turns the window's drag
// and drop events into the calls of its CDropPage and answers with their
// result unchanged.
template <class TWindow>
class TDropTarget : public QObject {
    static_assert(std::is_base_of_v<QWidget, TWindow> && std::is_base_of_v<CDropPage, TWindow>,
                  "a drop target serves a widget that is a CDropPage");

public:
    // Makes the window accept drops and routes its drag events here.
    bool Register(TWindow* window) {
        if (window == nullptr || m_pWindow != nullptr) return false;
        m_pWindow = window;
        window->setAcceptDrops(true);
        window->installEventFilter(this);
        return true;
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (m_pWindow == nullptr || watched != m_pWindow) return false;
        CDropPage* page = m_pWindow;
        switch (event->type()) {
            case QEvent::DragEnter: {
                auto* enter = static_cast<QDragEnterEvent*>(event);
                const int effect = page->OnDragEnter(enter->mimeData(), enter->modifiers(), Point(*enter));
                // Accepted whatever the answer, so that the moves that follow
                // still ask the window.
                enter->setDropAction(effect != DROPEFFECT_NONE ? ToAction(effect) : Qt::IgnoreAction);
                enter->accept();
                return true;
            }
            case QEvent::DragMove: {
                auto* move = static_cast<QDragMoveEvent*>(event);
                const QPoint point = Point(*move);
                int effect = page->OnDragScroll(move->modifiers(), point);
                if (effect == DROPEFFECT_NONE) effect = page->OnDragOver(move->mimeData(), move->modifiers(), point);
                Answer(*move, effect);
                return true;
            }
            case QEvent::DragLeave:
                page->OnDragLeave();
                return true;
            case QEvent::Drop: {
                auto* drop = static_cast<QDropEvent*>(event);
                const QPoint point = Point(*drop);
                const int proposed = static_cast<int>(drop->dropAction());
                int effect = page->OnDropEx(drop->mimeData(), proposed, static_cast<int>(drop->possibleActions()), point);
                if (effect == DROPEFFECT_NONE && page->OnDrop(drop->mimeData(), proposed, point)) effect = proposed;
                Answer(*drop, effect);
                return true;
            }
            default:
                return false;
        }
    }

private:
    // Qt's drop actions have the numbers of the drop effects.
    static Qt::DropAction ToAction(int effect) { return static_cast<Qt::DropAction>(effect); }
    static QPoint Point(const QDropEvent& event) { return event.position().toPoint(); }
    static void Answer(QDropEvent& event, int effect) {
        if (effect == DROPEFFECT_NONE) {
            event.ignore();
            return;
        }
        event.setDropAction(ToAction(effect));
        event.accept();
    }

    TWindow* m_pWindow = nullptr;
};

}  // namespace parcelo
