#include "toolkit/Controls.h"

#include "toolkit/Guard.h"

#include <QApplication>
#include <QMouseEvent>
#include <functional>
#include <utility>

namespace {

// The drag under way: the control dragged, the control under it and whether that one takes it.
struct DragSession {
    TControl* source = nullptr;
    TControl* target = nullptr;
    bool accepted = false;
};

DragSession& Drag()
{
    static DragSession session;
    return session;
}

// While a drag is on, every move and the release of the left button are the drag's, whichever
// of the program's widgets is under the pointer.
class DragWatch : public QObject {
public:
    static DragWatch& Instance()
    {
        static DragWatch watch;
        return watch;
    }

    std::function<void(QPoint)> moved;
    std::function<void(QPoint)> released;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // Each mouse event reaches its window first, then the widget: the widget's is taken.
        if (!watched->isWidgetType())
            return false;
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (event->type() == QEvent::MouseMove) {
            Guard([&] { moved(mouse->globalPosition().toPoint()); });
            return true;
        }
        if (event->type() == QEvent::MouseButtonRelease && mouse->button() == Qt::LeftButton) {
            Guard([&] { released(mouse->globalPosition().toPoint()); });
            return true;
        }
        return false;
    }
};

}  // namespace

void TControl::DragOver(TObject* source, int x, int y, TDragState state, bool& accept)
{
    accept = static_cast<bool>(OnDragOver);
    if (OnDragOver)
        OnDragOver(this, source, x, y, state, accept);
}

void TControl::DragDrop(TObject* source, int x, int y)
{
    if (OnDragDrop)
        OnDragDrop(this, source, x, y);
}

bool TControl::Dragging() const
{
    return Drag().source == this;
}

void TControl::BeginDrag()
{
    if (Drag().source)
        return;
    Drag() = DragSession{this, nullptr, false};
    QApplication::setOverrideCursor(QCursor(CursorShapeOf(crNoDrop)));
    DragWatch& watch = DragWatch::Instance();
    watch.moved = [this](QPoint screen) { DragMoved(screen); };
    watch.released = [this](QPoint screen) { DragEnded(screen); };
    qApp->installEventFilter(&watch);
    TDragObject* carried = nullptr;
    if (OnStartDrag)
        OnStartDrag(this, carried);
}

void TControl::DragMoved(QPoint screen)
{
    DragSession& session = Drag();
    TControl* over = FindControl(QApplication::widgetAt(screen));
    TDragState state = dsDragMove;
    if (over != session.target) {
        if (TControl* left = session.target) {
            bool ignored = false;
            const QPoint p = left->ScreenToClient(screen);
            left->DragOver(this, p.x(), p.y(), dsDragLeave, ignored);
        }
        session.target = over;
        state = dsDragEnter;
    }
    session.accepted = false;
    if (over) {
        const QPoint p = over->ScreenToClient(screen);
        over->DragOver(this, p.x(), p.y(), state, session.accepted);
    }
    QApplication::changeOverrideCursor(QCursor(CursorShapeOf(session.accepted ? FDragCursor : crNoDrop)));
}

void TControl::DragEnded(QPoint screen)
{
    const DragSession session = std::exchange(Drag(), DragSession{});
    qApp->removeEventFilter(&DragWatch::Instance());
    QApplication::restoreOverrideCursor();
    TControl* target = session.accepted ? session.target : nullptr;
    const QPoint p = target ? target->ScreenToClient(screen) : ScreenToClient(screen);
    if (target)
        target->DragDrop(this, p.x(), p.y());
    if (OnEndDrag)
        OnEndDrag(this, target, p.x(), p.y());
}

void TControl::LeaveDrag()
{
    if (Drag().target == this)
        Drag().target = nullptr;
    if (Drag().source == this) {
        Drag() = DragSession{};
        qApp->removeEventFilter(&DragWatch::Instance());
        QApplication::restoreOverrideCursor();
    }
}
