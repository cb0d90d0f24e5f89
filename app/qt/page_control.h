// TPageControl: a tab strip along the top over pages that fill the area
// inside its frame. Ctrl+Tab and Ctrl+Shift+Tab cycle through the pages.
#ifndef APP_QT_PAGE_CONTROL_H_
#define APP_QT_PAGE_CONTROL_H_

#include <QString>
#include <QWidget>
#include <vector>

class QTabBar;

namespace app {

class TPageControl : public QWidget {
  Q_OBJECT

 public:
  // `scale` multiplies the design sizes of the strip and the frame.
  TPageControl(double scale, QWidget* parent);

  // Adds a page with tab caption `caption`; the control owns it.
  QWidget* AddPage(const QString& caption);
  QTabBar* TabStrip() const { return tab_strip_; }
  int PageCount() const { return static_cast<int>(pages_.size()); }
  QWidget* Page(int index) const { return pages_[static_cast<size_t>(index)]; }
  int ActivePageIndex() const;
  QWidget* ActivePage() const;
  void SetActivePage(int index);
  // Shows the next page (or the previous), cycling at the ends.
  void SelectNextPage(bool forward);
  // The area the pages fill, in the control's coordinates.
  QRect PageArea() const;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void ShowPage(int index);

  double scale_;
  QTabBar* tab_strip_;
  std::vector<QWidget*> pages_;
};

}  // namespace app

#endif  // APP_QT_PAGE_CONTROL_H_
