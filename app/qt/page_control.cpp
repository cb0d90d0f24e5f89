// The pages sit 4 pixels in from the sides and bottom and 24 below the top
// at the design scale, where the strip and the frame leave room for them.
#include "app/qt/page_control.h"

#include <QKeySequence>
#include <QPainter>
#include <QShortcut>
#include <QStyleOptionTabWidgetFrame>
#include <QTabBar>
#include <cmath>

namespace app {
namespace {

constexpr int kPageInset = 4;       // frame width at the sides and bottom
constexpr int kPageTop = 24;        // strip height plus the frame's top
constexpr int kStripLeft = 2;
constexpr int kStripTop = 2;

int Scaled(int value, double scale) {
  return static_cast<int>(std::lround(value * scale));
}

}  // namespace

TPageControl::TPageControl(double scale, QWidget* parent)
    : QWidget(parent), scale_(scale), tab_strip_(new QTabBar(this)) {
  tab_strip_->setObjectName("TabStrip");
  tab_strip_->setDrawBase(false);
  tab_strip_->setExpanding(false);
  tab_strip_->setUsesScrollButtons(false);
  tab_strip_->setFocusPolicy(Qt::TabFocus);
  connect(tab_strip_, &QTabBar::currentChanged, this, &TPageControl::ShowPage);

  auto bind = [this](QKeySequence keys, bool forward) {
    auto* shortcut = new QShortcut(keys, this);
    shortcut->setContext(Qt::WidgetWithChildrenShortcut);
    connect(shortcut, &QShortcut::activated, this,
            [this, forward] { SelectNextPage(forward); });
  };
  bind(QKeySequence(Qt::CTRL | Qt::Key_Tab), true);
  bind(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), false);
  bind(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab), false);
}

QWidget* TPageControl::AddPage(const QString& caption) {
  auto* page = new QWidget(this);
  page->setAutoFillBackground(true);
  page->setBackgroundRole(QPalette::Button);
  page->setGeometry(PageArea());
  pages_.push_back(page);
  tab_strip_->addTab(caption);
  ShowPage(tab_strip_->currentIndex());
  return page;
}

int TPageControl::ActivePageIndex() const { return tab_strip_->currentIndex(); }

QWidget* TPageControl::ActivePage() const {
  int index = ActivePageIndex();
  return index < 0 ? nullptr : Page(index);
}

void TPageControl::SetActivePage(int index) { tab_strip_->setCurrentIndex(index); }

void TPageControl::SelectNextPage(bool forward) {
  const int count = PageCount();
  if (count == 0) return;
  const int step = forward ? 1 : count - 1;
  SetActivePage((ActivePageIndex() + step) % count);
}

QRect TPageControl::PageArea() const {
  const int inset = Scaled(kPageInset, scale_);
  const int top = Scaled(kPageTop, scale_);
  return QRect(inset, top, std::max(width() - 2 * inset, 0),
               std::max(height() - top - inset, 0));
}

void TPageControl::ShowPage(int index) {
  for (size_t i = 0; i < pages_.size(); ++i) {
    pages_[i]->setVisible(static_cast<int>(i) == index);
  }
}

void TPageControl::resizeEvent(QResizeEvent*) {
  const int strip_height = Scaled(kPageTop - kStripTop, scale_);
  tab_strip_->setGeometry(Scaled(kStripLeft, scale_), Scaled(kStripTop, scale_),
                          std::max(width() - 2 * Scaled(kStripLeft, scale_), 0),
                          strip_height);
  for (QWidget* page : pages_) page->setGeometry(PageArea());
}

void TPageControl::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  QStyleOptionTabWidgetFrame frame;
  frame.initFrom(this);
  frame.rect = rect().adjusted(0, Scaled(kPageTop, scale_) - Scaled(2, scale_),
                               0, 0);
  frame.shape = QTabBar::RoundedNorth;
  frame.tabBarSize = tab_strip_->size();
  style()->drawPrimitive(QStyle::PE_FrameTabWidget, &frame, &painter, this);
}

}  // namespace app
