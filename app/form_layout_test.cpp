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

#include "app/combo_box.h"
#include "app/fonts.h"
#include "app/page_control.h"
#include "app/test_support.h"
#include "app/widgets.h"

namespace app {
namespace {

struct Placed {
  const char* name;
  const char* parent;
  QRect rect;
};

// Every control with a fixed place, at the design scale.
const Placed kDesign[] = {
    {"PageControl1", "Form1", {0, 0, 391, 311}},
    {"TabSheet1", "PageControl1", {4, 24, 383, 283}},
    {"TabSheet2", "PageControl1", {4, 24, 383, 283}},
    {"Panel1", "TabSheet1", {0, 0, 97, 283}},
    {"Image1", "Panel1", {1, 1, 95, 281}},
    {"Button3", "Panel1", {8, 248, 75, 25}},
    {"Panel2", "TabSheet1", {97, 0, 286, 283}},
    {"Edit1", "Panel2", {8, 32, 169, 21}},
    {"GroupBox1", "Panel2", {8, 56, 241, 209}},
    {"Edit2", "GroupBox1", {40, 16, 169, 21}},
    {"Edit3", "GroupBox1", {40, 48, 169, 21}},
    {"Edit4", "GroupBox1", {40, 84, 169, 21}},
    {"Edit5", "GroupBox1", {40, 116, 169, 21}},
    {"Edit6", "GroupBox1", {40, 148, 169, 21}},
    {"Button1", "Panel2", {184, 30, 65, 25}},
    {"Panel3", "TabSheet2", {0, 0, 105, 283}},
    {"Image2", "Panel3", {1, 1, 103, 281}},
    {"Panel4", "TabSheet2", {105, 0, 278, 283}},
    {"ComboBox1", "Panel4", {64, 16, 105, 21}},
    {"ComboBox2", "Panel4", {64, 40, 185, 21}},
    {"GroupBox2", "Panel4", {1, 71, 276, 211}},
    {"Memo1", "GroupBox2", {2, 15, 272, 194}},
    {"Button2", "Panel4", {173, 16, 75, 21}},
};

// Labels size themselves to their text: their top-left corners are fixed,
// their sizes those measured on the design screen.
const Placed kLabels[] = {
    {"Label1", "Panel2", {8, 16, 156, 13}},   {"Label2", "GroupBox1", {8, 20, 24, 13}},
    {"Label3", "GroupBox1", {10, 53, 24, 13}}, {"Label4", "GroupBox1", {8, 84, 24, 13}},
    {"Label5", "GroupBox1", {8, 116, 24, 13}}, {"Label6", "GroupBox1", {2, 148, 36, 13}},
    {"Label7", "Panel4", {16, 16, 24, 13}},    {"Label8", "Panel4", {16, 40, 24, 13}},
    {"Label9", "GroupBox2", {144, 96, 39, 13}},
};

QWidget* Find(QWidget& form, const char* name) {
  return form.findChild<QWidget*>(name);
}

TEST(FormLayout, EveryControlSitsWhereDesignedAtTheDesignScale) {
  BoxRecorder recorder;
  ProbeForm form;
  form.show();
  EXPECT_EQ(form.size(), QSize(391, 311));
  EXPECT_EQ(form.pos(), QPoint(346, 564));
  for (const Placed& p : kDesign) {
    QWidget* widget = Find(form, p.name);
    ASSERT_NE(widget, nullptr) << p.name;
    EXPECT_EQ(widget->parentWidget()->objectName(), p.parent) << p.name;
    EXPECT_EQ(widget->geometry(), p.rect) << p.name;
  }
  for (const Placed& p : kLabels) {
    QWidget* widget = Find(form, p.name);
    ASSERT_NE(widget, nullptr) << p.name;
    EXPECT_EQ(widget->parentWidget()->objectName(), p.parent) << p.name;
    EXPECT_EQ(widget->pos(), p.rect.topLeft()) << p.name;
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
  std::vector<const Placed*> placed;
  for (const Placed& p : kDesign) placed.push_back(&p);
  for (const Placed& p : kLabels) placed.push_back(&p);
  for (int page : {0, 1}) {
    form.PageControl1->SetActivePage(page);
    for (const Placed* p : placed) {
      QWidget* widget = Find(form, p->name);
      ASSERT_NE(widget, nullptr) << p->name;
      if (!widget->parentWidget()->isVisible()) continue;
      EXPECT_TRUE(widget->parentWidget()->rect().contains(widget->geometry()))
          << p->name << " " << widget->geometry().x() << "," << widget->geometry().y()
          << " " << widget->width() << "x" << widget->height() << " in "
          << widget->parentWidget()->width() << "x" << widget->parentWidget()->height();
      for (const Placed* q : placed) {
        if (q <= p || std::string(q->parent) != p->parent ||
            p->rect.intersects(q->rect)) {
          continue;
        }
        EXPECT_FALSE(widget->geometry().intersects(Find(form, q->name)->geometry()))
            << p->name << " covers " << q->name;
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
