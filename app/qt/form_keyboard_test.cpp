// The main window's keyboard and mouse behaviour: tab order per tab,
// Ctrl+Tab, select-all on keyboard focus, Enter on buttons only, the combo
// boxes' change event and the memo's line rule.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QPushButton>
#include <QScrollBar>
#include <QTabBar>
#include <QTest>
#include <algorithm>
#include <string>

#include "app/qt/application.h"
#include "app/qt/combo_box.h"
#include "app/qt/page_control.h"
#include "app/qt/test_support.h"
#include "app/qt/widgets.h"
#include "ui/form.h"

namespace app {
namespace {

// A shown, active probe window for the length of a test.
class FormKeyboard : public ::testing::Test {
 protected:
  void SetUp() override {
    auto owned = std::make_unique<ProbeForm>();
    form = owned.get();
    TApplication::Instance()->SetMainWindow(std::move(owned));
    TApplication::Instance()->ShowMainWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form));
  }
  void TearDown() override { TApplication::Instance()->SetMainWindow(nullptr); }

  QString Focused() const {
    QWidget* widget = QApplication::focusWidget();
    return widget == nullptr ? QString("(none)") : widget->objectName();
  }
  // Presses `key` `times` times and lists where the focus went.
  QStringList Walk(Qt::Key key, int times) {
    QStringList seen;
    for (int i = 0; i < times; ++i) {
      QTest::keyClick(QApplication::focusWidget(), key);
      seen << Focused();
    }
    return seen;
  }
  void Type(QWidget* widget, const QString& text) {
    QTest::keyClicks(widget, text);
  }

  BoxRecorder recorder;
  ProbeForm* form = nullptr;
};

TEST_F(FormKeyboard, FocusStartsOnTheTabStripAndTabWalksEachTab) {
  EXPECT_EQ(Focused(), "TabStrip");
  EXPECT_EQ(Walk(Qt::Key_Tab, 5),
            QStringList({"ComboBox1", "ComboBox2", "Memo1", "Button2", "TabStrip"}));
  EXPECT_EQ(Walk(Qt::Key_Backtab, 2), QStringList({"Button2", "Memo1"}));

  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ControlModifier);
  EXPECT_EQ(form->PageControl1->ActivePage(), form->TabSheet1);
  form->PageControl1->TabStrip()->setFocus(Qt::TabFocusReason);
  EXPECT_EQ(Walk(Qt::Key_Tab, 8),
            QStringList({"Edit1", "Edit2", "Edit3", "Edit4", "Edit5", "Edit6",
                         "Button1", "TabStrip"}));
}

TEST_F(FormKeyboard, CtrlTabCyclesThePagesFromAnyControl) {
  form->ComboBox2->setFocus();
  QTest::keyClick(form->ComboBox2, Qt::Key_Tab, Qt::ControlModifier);
  EXPECT_EQ(form->PageControl1->ActivePageIndex(), 0);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ControlModifier);
  EXPECT_EQ(form->PageControl1->ActivePageIndex(), 1);
  form->Memo1->setFocus();
  QTest::keyClick(form->Memo1, Qt::Key_Backtab,
                  Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(form->PageControl1->ActivePageIndex(), 0);
  EXPECT_EQ(form->Controls().Memo1.Text(), "\r\n");
}

TEST_F(FormKeyboard, KeyboardFocusSelectsAllButAClickDoesNot) {
  form->PageControl1->SetActivePage(0);
  form->Controls().Edit2.SetText("abc");
  form->Controls().Edit3.SetText("def");
  form->Edit1->setFocus(Qt::MouseFocusReason);
  QTest::keyClick(form->Edit1, Qt::Key_Tab);
  ASSERT_EQ(Focused(), "Edit2");
  EXPECT_EQ(form->Edit2->selectedText(), "abc");
  QTest::mouseClick(form->Edit3, Qt::LeftButton, {}, QPoint(4, 10));
  ASSERT_EQ(Focused(), "Edit3");
  EXPECT_EQ(form->Edit3->selectedText(), "");
}

TEST_F(FormKeyboard, EnterPressesOnlyAFocusedButton) {
  form->PageControl1->SetActivePage(0);
  form->Edit1->setFocus();
  QTest::keyClick(form->Edit1, Qt::Key_Return);
  QTest::keyClick(form->Edit1, Qt::Key_Escape);
  EXPECT_EQ(form->button1_clicks, 0);
  form->Button1->setFocus();
  QTest::keyClick(form->Button1, Qt::Key_Return);
  EXPECT_EQ(form->button1_clicks, 1);
  QTest::mouseClick(form->Button1, Qt::LeftButton);
  EXPECT_EQ(form->button1_clicks, 2);
  EXPECT_EQ(form->button3_clicks, 0);
}

TEST_F(FormKeyboard, ComboChangeRunsOncePerUserEditAndPickOnly) {
  Type(form->ComboBox1, "abc");
  EXPECT_EQ(form->combo1_texts, QStringList({"a", "ab", "abc"}));
  QTest::keyClick(form->ComboBox1, Qt::Key_Backspace);
  EXPECT_EQ(form->combo1_texts.back(), "ab");
  form->combo1_texts.clear();

  ComboAdapter& combo = form->Controls().ComboBox1;
  combo.SetText("\xb9\xe3\xb6\xab");  // 广东
  combo.AddItem("\xb1\xb1\xbe\xa9");  // 北京
  combo.AddItem("\xb9\xe3\xb6\xab");
  combo.AddItem("\xb9\xe3\xb6\xab");
  EXPECT_EQ(form->ComboBox1->count(), 3);
  EXPECT_EQ(combo.Text(), "\xb9\xe3\xb6\xab");
  combo.ClearItems();
  EXPECT_EQ(combo.Text(), "\xb9\xe3\xb6\xab");
  EXPECT_TRUE(form->combo1_texts.empty());

  combo.SetText("");
  combo.AddItem("\xb1\xb1\xbe\xa9");
  combo.AddItem("\xb9\xe3\xb6\xab");
  EXPECT_EQ(combo.Text(), "");
  form->ComboBox1->showPopup();
  QAbstractItemView* list = form->ComboBox1->view();
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                    list->visualRect(list->model()->index(1, 0)).center());
  EXPECT_EQ(form->combo1_texts, QStringList({QString::fromUtf8("广东")}));
  QTest::keyClick(form->ComboBox1, Qt::Key_Up);
  EXPECT_EQ(form->combo1_texts,
            QStringList({QString::fromUtf8("广东"), QString::fromUtf8("北京")}));

  // Picking the item already shown runs the handler too, once per pick; so
  // does moving to an equal item further down.
  form->combo1_texts.clear();
  form->ComboBox1->showPopup();
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                    list->visualRect(list->model()->index(0, 0)).center());
  EXPECT_EQ(form->combo1_texts, QStringList({QString::fromUtf8("北京")}));
  combo.ClearItems();
  combo.AddItem("\xb1\xb1\xbe\xa9");
  combo.AddItem("\xb1\xb1\xbe\xa9");
  form->ComboBox1->setCurrentIndex(0);
  form->combo1_texts.clear();
  QTest::keyClick(form->ComboBox1, Qt::Key_Down);
  EXPECT_EQ(form->combo1_texts, QStringList({QString::fromUtf8("北京")}));
}

TEST_F(FormKeyboard, MemoAddsLinesByTheLineBreakRuleAndTabMovesOn) {
  MemoAdapter& memo = form->Controls().Memo1;
  memo.AddLine("a");
  EXPECT_EQ(memo.Text(), "\r\na\r\n");
  memo.ClearLines();
  memo.AddLine("a");
  memo.AddLine("b");
  EXPECT_EQ(memo.Text(), "a\r\nb\r\n");
  form->Memo1->setPlainText("x");
  memo.AddLine("y");
  EXPECT_EQ(memo.Text(), "x\r\ny");

  form->Memo1->setFocus();
  QTest::keyClick(form->Memo1, Qt::Key_Tab);
  EXPECT_EQ(Focused(), "Button2");
  EXPECT_EQ(memo.Text(), "x\r\ny");
  memo.SetEnabled(false);
  form->ComboBox2->setFocus();
  QTest::keyClick(form->ComboBox2, Qt::Key_Tab);
  EXPECT_EQ(Focused(), "Button2");
}

// A combo box's dropped list with as many items as the parameter says.
class DroppedList : public FormKeyboard, public ::testing::WithParamInterface<int> {};

TEST_P(DroppedList, ShowsOneToEightRowsThenScrolls) {
  TComboBox* combo = form->ComboBox2;
  ComboAdapter& items = form->Controls().ComboBox2;
  QAbstractItemView* list = combo->view();
  items.AddItem("x");
  combo->showPopup();
  const int row = list->visualRect(list->model()->index(0, 0)).height();
  combo->hidePopup();
  items.ClearItems();
  for (int i = 0; i < GetParam(); ++i) items.AddItem(std::to_string(i));

  combo->showPopup();
  const int rows =
      std::clamp(GetParam(), ui::kComboLeastVisibleItems, ui::kComboVisibleItems);
  EXPECT_TRUE(list->isVisible());
  EXPECT_GE(list->viewport()->height(), rows * row);
  EXPECT_LT(list->viewport()->height(), (rows + 1) * row);
  EXPECT_EQ(list->verticalScrollBar()->maximum() > 0, GetParam() > ui::kComboVisibleItems);
  QTest::keyClick(list, Qt::Key_Escape);
  EXPECT_FALSE(list->isVisible());
}

INSTANTIATE_TEST_SUITE_P(Items, DroppedList, ::testing::Values(0, 1, 8, 9));

}  // namespace
}  // namespace app
