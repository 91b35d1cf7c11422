#include "Pointer.h"

#include <QAbstractScrollArea>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QPixmap>
#include <QPointer>
#include <QWidget>
#include <algorithm>
#include <vector>

#include "CursorFile.h"
#include "Environment.h"
#include "Helpers.h"

namespace shell {

namespace {

// What a window remembers about its pointer; lives as a hidden child object of the window.
class PointerState : public QObject {
 public:
  explicit PointerState(QWidget* window) : QObject(window), window_(window) {
    setObjectName(QStringLiteral("tavrel-pointer-state"));
  }

  static PointerState* of(const QWidget* window) {
    return window->findChild<PointerState*>(QStringLiteral("tavrel-pointer-state"), Qt::FindDirectChildrenOnly);
  }
  static PointerState* ensure(QWidget* window) {
    PointerState* state = of(window);
    return state ? state : new PointerState(window);
  }

  int value = kPointerDefault;
  std::optional<QCursor> icon;

  void apply() {
    if (value == kPointerDefault) {
      restore();
      return;
    }
    cover(window_, value == kPointerHourglass ? QCursor(Qt::WaitCursor) : icon.value_or(QCursor(Qt::ArrowCursor)));
  }

 private:
  struct Saved {
    QPointer<QWidget> widget;
    std::optional<QCursor> own;  // the cursor the widget set for itself (an I-beam), if any
  };

  // The widget and every control on it, but not the dialogs it owns: they are windows of their own.
  void cover(QWidget* widget, const QCursor& shown) {
    auto found = std::find_if(saved_.begin(), saved_.end(), [&](const Saved& s) { return s.widget == widget; });
    if (found == saved_.end())
      saved_.push_back(
          {widget, widget->testAttribute(Qt::WA_SetCursor) ? std::optional(widget->cursor()) : std::nullopt});
    widget->setCursor(shown);
    for (QWidget* child : widget->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
      if (!child->isWindow()) cover(child, shown);
  }

  void restore() {
    for (const Saved& s : saved_) {
      if (!s.widget) continue;
      if (s.own)
        s.widget->setCursor(*s.own);
      else
        s.widget->unsetCursor();
    }
    saved_.clear();
  }

  QWidget* window_;
  std::vector<Saved> saved_;
};

// Applies one control's hover rule on mouse movement over it.
class HoverFilter : public QObject {
 public:
  HoverFilter(QWidget* control, int value, HoverRule rule)
      : QObject(control), control_(control), value_(value), rule_(rule) {}

  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() != QEvent::MouseMove && event->type() != QEvent::Enter) return false;
    if (!control_->isEnabled()) return false;
    // A move that reached this control from a control inside it belongs to that control.
    const QPoint at = control_->mapFromGlobal(static_cast<QSinglePointEvent*>(event)->globalPosition().toPoint());
    if (QWidget* inner = control_->childAt(at); inner && inner->isEnabled() && !isPartOfControl(inner)) return false;
    QWidget* window = control_->window();
    if (rule_ == HoverRule::UnlessBusy && MousePointer(window) == kPointerHourglass) return false;
    SetMousePointer(window, value_);
    return false;
  }

 private:
  // The viewport of a list belongs to the list.
  bool isPartOfControl(QWidget* inner) const {
    auto* area = qobject_cast<QAbstractScrollArea*>(control_);
    return area && (inner == area->viewport() || area->viewport()->isAncestorOf(inner));
  }

  QWidget* control_;
  int value_;
  HoverRule rule_;
};

}  // namespace

int MousePointer(const QWidget* window) {
  const PointerState* state = PointerState::of(window);
  return state ? state->value : kPointerDefault;
}

void SetMousePointer(QWidget* window, int value) {
  PointerState* state = PointerState::ensure(window);
  if (state->value == value) return;
  state->value = value;
  state->apply();
}

void SetMouseIcon(QWidget* window, const QCursor& icon) {
  PointerState* state = PointerState::ensure(window);
  state->icon = icon;
  if (state->value == kPointerCustom) state->apply();
}

std::optional<QCursor> MouseIcon(const QWidget* window) {
  const PointerState* state = PointerState::of(window);
  return state ? state->icon : std::nullopt;
}

Hourglass::Hourglass(QWidget* window) : window_(window) { SetMousePointer(window_, kPointerHourglass); }
Hourglass::~Hourglass() { SetMousePointer(window_, kPointerDefault); }

std::optional<QCursor> LoadCursorFile(const QString& path) {
  // Only a regular file: opening a named pipe would wait, before any window shows, for a writer.
  if (!QFileInfo(path).isFile()) return std::nullopt;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
  const QByteArray bytes = file.readAll();
  auto header = ReadCursorHeader(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                 static_cast<std::size_t>(bytes.size()));
  if (!header) return std::nullopt;
  QImage picture = QImage::fromData(bytes, "CUR");
  if (picture.isNull()) return std::nullopt;
  return QCursor(QPixmap::fromImage(picture), header->hotSpotX, header->hotSpotY);
}

bool LoadHoverCursor(QWidget* window) {
  const QString path = ProgramFolder() + QStringLiteral("/HAND-M.CUR");
  if (!FileExists(path)) return false;
  auto cursor = LoadCursorFile(path);
  if (!cursor) return false;
  SetMouseIcon(window, *cursor);
  return true;
}

void SetHoverPointer(QWidget* control, int value, HoverRule rule) {
  auto* filter = new HoverFilter(control, value, rule);
  control->setMouseTracking(true);
  control->installEventFilter(filter);
  if (auto* area = qobject_cast<QAbstractScrollArea*>(control)) {
    area->viewport()->setMouseTracking(true);
    area->viewport()->installEventFilter(filter);
  }
}

}  // namespace shell
