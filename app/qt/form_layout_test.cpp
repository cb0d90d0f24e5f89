// The main window as built: names, parents, places, sizes, texts, fonts,
// art, docking on resize and the scaling rule.
#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QFontInfo>
#include <QGroupBox>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTabBar>
#include <algorithm>
#include <cmath>
#include <string>
#include <tuple>
#include <vector>

#include "app/qt/combo_box.h"
#include "app/qt/fonts.h"
#include "app/qt/page_control.h"
#include "app/qt/test_support.h"
#include "app/qt/widgets.h"
#include "ui/form.h"

namespace app {
namespace {

QWidget* Find(QWidget& form, const char* name) {
  return form.findChild<QWidget*>(name);
}

QRect ToQRect(const ui::Rect& r) { return QRect(r.left, r.top, r.width, r.height); }

TEST(FormLayout, EveryControlSitsWhereDescribedAtTheDesignScale) {
  BoxRecorder recorder;
  ProbeForm form;
  form.show();
  EXPECT_EQ(form.size(), QSize(ui::kClientSize.width, ui::kClientSize.height));
  EXPECT_EQ(form.pos(), QPoint(ui::kFormPosition.x, ui::kFormPosition.y));
  for (const ui::Control& control : ui::FormControls()) {
    QWidget* widget = Find(form, control.name);
    ASSERT_NE(widget, nullptr) << control.name;
    EXPECT_EQ(widget->parentWidget()->objectName(), control.parent) << control.name;
    // Labels size themselves to their text; only their corner is fixed.
    if (control.kind == ui::ControlKind::kLabel) {
      EXPECT_EQ(widget->pos(), ToQRect(control.design).topLeft()) << control.name;
    } else {
      EXPECT_EQ(widget->geometry(), ToQRect(control.design)) << control.name;
    }
    if (control.kind == ui::ControlKind::kButton) {
      EXPECT_EQ(widget->isHidden(), !control.visible) << control.name;
      EXPECT_EQ(widget->focusPolicy() == Qt::NoFocus, !control.takes_focus) << control.name;
    }
  }
}

TEST(FormLayout, TextsAndInitialState) {
  BoxRecorder recorder;
  ProbeForm form;
  EXPECT_EQ(form.windowTitle(),
            QString::fromUtf8("Tarvel手机归属地查询  https://attrtool.example.org"));
  QTabBar* strip = form.PageControl1->TabStrip();
  ASSERT_EQ(strip->count(), 2);
  EXPECT_EQ(strip->tabText(0), QString::fromUtf8("归属地查询"));
  EXPECT_EQ(strip->tabText(1), QString::fromUtf8("号段生成"));
  EXPECT_EQ(form.PageControl1->ActivePage(), form.TabSheet2);

  const std::pair<QLabel*, const char*> labels[] = {
      {form.Label1, "手机号码（至少输入前七位）"}, {form.Label2, "省份"},
      {form.Label3, "城市"}, {form.Label4, "邮编"}, {form.Label5, "区号"},
      {form.Label6, "卡类型"}, {form.Label7, "省份"}, {form.Label8, "城市"},
      {form.Label9, "请稍侯"}};
  for (const auto& [label, text] : labels) {
    EXPECT_EQ(label->text(), QString::fromUtf8(text)) << text;
  }
  EXPECT_EQ(form.Button1->text(), QString::fromUtf8("查询归属地"));
  EXPECT_EQ(form.Button2->text(), QString::fromUtf8("生成号段"));
  EXPECT_EQ(form.Button3->text(), "Button3");
  EXPECT_TRUE(form.Button3->isHidden());
  EXPECT_EQ(form.GroupBox1->title(), "");
  EXPECT_EQ(form.GroupBox2->title(), QString::fromUtf8("号段结果"));
  EXPECT_EQ(form.Panel1->Caption(), "Panel1");
  EXPECT_EQ(form.Panel4->Caption(), "Panel4");

  for (TEdit* edit : {form.Edit1, form.Edit2, form.Edit3, form.Edit4,
                      form.Edit5, form.Edit6}) {
    EXPECT_TRUE(edit->text().isEmpty());
    EXPECT_FALSE(edit->isReadOnly());
  }
  for (TComboBox* combo : {form.ComboBox1, form.ComboBox2}) {
    EXPECT_TRUE(combo->isEditable());
    EXPECT_EQ(combo->count(), 0);
    EXPECT_EQ(combo->currentText(), "");
    EXPECT_EQ(combo->maxVisibleItems(), 8);
    EXPECT_EQ(combo->insertPolicy(), QComboBox::NoInsert);
  }
  EXPECT_EQ(form.Controls().Memo1.Text(), "\r\n");
  EXPECT_EQ(form.Memo1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
  EXPECT_EQ(form.Memo1->lineWrapMode(), QPlainTextEdit::WidgetWidth);
  for (QPushButton* button : {form.Button1, form.Button2, form.Button3}) {
    EXPECT_FALSE(button->isDefault());
  }
}

TEST(FormLayout, FontsFallBackToAnInstalledChineseFont) {
  BoxRecorder recorder;
  ProbeForm form;
  for (QWidget* widget : {static_cast<QWidget*>(form.Edit1),
                          static_cast<QWidget*>(form.Label9)}) {
    const QString family = QFontInfo(widget->font()).family();
    EXPECT_TRUE(QFontDatabase::writingSystems(family).contains(
        QFontDatabase::SimplifiedChinese))
        << family.toStdString();
  }
  EXPECT_EQ(QFontMetrics(form.Label9->font()).height(), 13);
  EXPECT_EQ(form.Edit1->font(), form.font());
}

TEST(FormLayout, ArtHasItsDesignedSizeAndColours) {
  const QImage banner(":/app/banner.bmp");
  EXPECT_EQ(banner.size(), QSize(93, 279));
  EXPECT_LE(banner.colorCount(), 16);
  EXPECT_GT(banner.colorCount(), 0);
  const QImage icon(":/app/attrsearch.ico");
  EXPECT_EQ(icon.size(), QSize(32, 32));
  BoxRecorder recorder;
  ProbeForm form;
  EXPECT_FALSE(form.windowIcon().isNull());
  EXPECT_EQ(form.Image1->DrawMode(), TImage::Mode::kStretch);
  EXPECT_EQ(form.Image2->DrawMode(), TImage::Mode::kNatural);
}

TEST(FormLayout, WideningMovesOnlyTheDockedControls) {
  BoxRecorder recorder;
  ProbeForm form;
  form.show();
  const QRect group1 = form.GroupBox1->geometry();
  const QRect label9 = form.Label9->geometry();
  const QRect edit1 = form.Edit1->geometry();
  form.resize(600, 500);
  EXPECT_EQ(form.PageControl1->geometry(), QRect(0, 0, 600, 500));
  EXPECT_EQ(form.TabSheet2->geometry(), QRect(4, 24, 592, 472));
  EXPECT_EQ(form.Panel3->geometry(), QRect(0, 0, 105, 472));
  EXPECT_EQ(form.Panel4->geometry(), QRect(105, 0, 487, 472));
  EXPECT_EQ(form.Image2->geometry(), QRect(1, 1, 103, 470));
  EXPECT_EQ(form.GroupBox2->geometry(), QRect(1, 472 - 1 - 211, 485, 211));
  EXPECT_EQ(form.Memo1->geometry(), QRect(2, 15, 481, 194));
  form.PageControl1->SetActivePage(0);  // hidden pages are placed when shown
  EXPECT_EQ(form.Panel1->geometry(), QRect(0, 0, 97, 472));
  EXPECT_EQ(form.Panel2->geometry(), QRect(97, 0, 495, 472));
  EXPECT_EQ(form.Image1->geometry(), QRect(1, 1, 95, 470));
  EXPECT_EQ(form.GroupBox1->geometry(), group1);
  EXPECT_EQ(form.Label9->geometry(), label9);
  EXPECT_EQ(form.Edit1->geometry(), edit1);
  EXPECT_EQ(form.ComboBox2->geometry(), QRect(64, 40, 185, 21));
}

TEST(FormLayout, ScalesPlacesOwnFontsAndTheClientArea) {
  BoxRecorder recorder;
  ProbeForm form(1.5);
  EXPECT_EQ(form.size(), QSize(587, 467));
  EXPECT_EQ(form.Edit1->geometry(), QRect(12, 48, 254, 32));
  EXPECT_EQ(form.Label9->pos(), QPoint(216, 144));
  EXPECT_NEAR(QFontMetrics(form.Label9->font()).height(), 20, 1);
  EXPECT_EQ(form.Panel3->width(), 158);
  EXPECT_DOUBLE_EQ(LayoutScale(WindowFont()),
                   QFontMetrics(WindowFont()).height() / 13.0);
}

// The form in each installed Chinese font alone, on screens of 96, 120 and
// 144 pixels per inch (text heights 13, 16 and 20): the font comes as close
// to its target height as it can, the window grows with its controls, every
// control lies inside its parent, and controls designed apart stay apart.
class FormInFont
    : public ::testing::TestWithParam<std::tuple<const char*, double>> {};

TEST_P(FormInFont, ControlsStayInsideTheirParentsAndApart) {
  const auto [family, dpi] = GetParam();
  if (!QFontDatabase::families().contains(family)) {
    GTEST_SKIP() << family << " is not installed";
  }
  const QFont font = WindowFontAt(dpi, {QString::fromUtf8(family)});
  const int target = static_cast<int>(std::lround(13 * dpi / 96));
  const int height = QFontMetrics(font).height();
  EXPECT_LE(std::abs(height - target), 1) << "pixel size " << font.pixelSize();

  BoxRecorder recorder;
  ProbeForm form(font);
  form.show();
  const double scale = height / 13.0;
  EXPECT_DOUBLE_EQ(form.Scale(), scale);
  EXPECT_EQ(form.size(), QSize(static_cast<int>(std::lround(391 * scale)),
                               static_cast<int>(std::lround(311 * scale))));
  const auto controls = ui::FormControls();
  for (int page : {0, 1}) {
    form.PageControl1->SetActivePage(page);
    for (const ui::Control& p : controls) {
      QWidget* widget = Find(form, p.name);
      ASSERT_NE(widget, nullptr) << p.name;
      if (!widget->parentWidget()->isVisible()) continue;
      EXPECT_TRUE(widget->parentWidget()->rect().contains(widget->geometry()))
          << p.name << " " << widget->geometry().x() << "," << widget->geometry().y()
          << " " << widget->width() << "x" << widget->height() << " in "
          << widget->parentWidget()->width() << "x" << widget->parentWidget()->height();
      for (const ui::Control& q : controls) {
        if (&q <= &p || std::string(q.parent) != p.parent || p.design.Overlaps(q.design)) {
          continue;
        }
        EXPECT_FALSE(widget->geometry().intersects(Find(form, q.name)->geometry()))
            << p.name << " covers " << q.name;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    InstalledFonts, FormInFont,
    ::testing::Combine(::testing::Values("WenQuanYi Micro Hei", "Noto Sans CJK SC",
                                         "Droid Sans Fallback"),
                       ::testing::Values(96.0, 120.0, 144.0)),
    [](const auto& info) {
      std::string name = std::get<0>(info.param);
      name.erase(std::remove(name.begin(), name.end(), ' '), name.end());
      return name + "_" + std::to_string(static_cast<int>(std::get<1>(info.param)));
    });

TEST(FormLayout, Label9LiesBeneathTheMemo) {
  BoxRecorder recorder;
  ProbeForm form;
  form.show();
  const QPoint spot = form.Label9->geometry().center();
  EXPECT_TRUE(form.Memo1->geometry().contains(form.Label9->geometry()));
  QWidget* top = form.GroupBox2->childAt(spot);
  EXPECT_TRUE(top == form.Memo1 || form.Memo1->isAncestorOf(top));
  form.Controls().Memo1.SetVisible(false);
  EXPECT_EQ(form.GroupBox2->childAt(spot), form.Label9);
  form.Controls().Memo1.SetVisible(true);
}

}  // namespace
}  // namespace app
