// The commands end to end through the real window on the offscreen
// platform: typing, pressing, picking, and what the boxes then show.
#include <QAbstractItemView>
#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <filesystem>

#include <gtest/gtest.h>

#include "app/qt/application.h"
#include "app/qt/combo_box.h"
#include "app/qt/page_control.h"
#include "app/qt/frmSearch.h"
#include "app/qt/test_support.h"
#include "app/qt/widgets.h"
#include "testing/attribution_db.h"
#include "testing/scratch_dir.h"
#include "testing/shared_fixtures.h"

namespace app {
namespace {

TApplication& Shell() { return *TApplication::Instance(); }

// Picks item `index` of `combo`'s list with the mouse, as a user would.
void Pick(TComboBox* combo, int index) {
  combo->showPopup();
  QAbstractItemView* list = combo->view();
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                    list->visualRect(list->model()->index(index, 0)).center());
}

TEST(CommandsThroughTheWindow, LookupAndListing) {
  ATTR_REQUIRE_FIXTURE(fixture, "attrdata-small.mdb");
  testing_support::ScratchDir folder;
  folder.CopyIn(fixture, "attrdata.mdb");
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(folder.path());
  BoxRecorder recorder;
  auto owned = std::make_unique<TForm1>(1.0);
  TForm1* form = owned.get();
  Form1 = form;
  Shell().SetMainWindow(std::move(owned));
  Shell().ShowMainWindow();  // FormActivate fills the province list
  ASSERT_EQ(form->ComboBox1->count(), 13);
  EXPECT_EQ(form->ComboBox1->itemText(4), QString::fromUtf8("广东"));

  form->PageControl1->SetActivePage(0);
  QTest::keyClicks(form->Edit1, "18793961234");
  QTest::mouseClick(form->Button1, Qt::LeftButton);
  EXPECT_EQ(form->Edit2->text(), QString::fromUtf8("广东"));
  EXPECT_EQ(form->Edit3->text(), QString::fromUtf8("深圳"));
  EXPECT_EQ(form->Edit4->text(), "518000");
  EXPECT_EQ(form->Edit5->text(), "0755");
  EXPECT_EQ(form->Edit6->text(), QString::fromUtf8("中国移动"));
  EXPECT_TRUE(recorder.Boxes().empty());

  form->PageControl1->SetActivePage(1);
  Pick(form->ComboBox1, 4);  // 广东
  ASSERT_EQ(form->ComboBox2->count(), 22);
  Pick(form->ComboBox2, 2);  // 深圳, in two city rows: 161 heads and 10
  QTest::mouseClick(form->Button2, Qt::LeftButton);
  const QStringList lines = form->Memo1->toPlainText().split('\n');
  ASSERT_EQ(lines.size(), 172);  // 171 lines, each ending in a line break
  EXPECT_EQ(lines[0], "1879396xxxx");
  EXPECT_TRUE(form->Memo1->isVisible());
  EXPECT_TRUE(form->Memo1->isEnabled());
  ASSERT_EQ(recorder.Boxes().size(), 1u);
  EXPECT_EQ(recorder.Boxes()[0].kind, BoxKind::kNotice);
  EXPECT_EQ(recorder.Boxes()[0].text, QString::fromUtf8("号段生成完毕，共有171个号段"));

  std::filesystem::current_path(previous);
  Shell().SetMainWindow(nullptr);
}

TEST(CommandsThroughTheWindow, LookupListingAndEncodingInOurOwnDatabase) {
  testing_support::ScratchDir folder;
  testing_support::DemoOptions options;
  options.heads = testing_support::HeadForm::kMixed;
  testing_support::WriteAttributionDatabase(folder.path() / "attrdata.mdb",
                                            testing_support::DemoAttribution(options));
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(folder.path());
  BoxRecorder recorder;
  auto owned = std::make_unique<TForm1>(1.0);
  TForm1* form = owned.get();
  Form1 = form;
  Shell().SetMainWindow(std::move(owned));
  Shell().ShowMainWindow();
  ASSERT_EQ(form->ComboBox1->count(), 7);
  EXPECT_EQ(form->ComboBox1->itemText(2), QString::fromUtf8("广东"));
  EXPECT_EQ(form->ComboBox1->itemText(6), QString::fromUtf8("演示"));

  // Row 0 of the mixed file is stored scrambled, its other heads plain:
  // only the first is found until the heads are encoded.
  form->PageControl1->SetActivePage(0);
  QTest::keyClicks(form->Edit1, "13801001234");
  QTest::mouseClick(form->Button1, Qt::LeftButton);
  EXPECT_EQ(form->Edit3->text(), QString::fromUtf8("北京"));
  EXPECT_EQ(form->Edit5->text(), "010");
  form->Edit1->clear();
  QTest::keyClicks(form->Edit1, "1355507");
  QTest::mouseClick(form->Button1, Qt::LeftButton);
  ASSERT_EQ(recorder.Boxes().size(), 1u);
  EXPECT_EQ(recorder.Boxes()[0].text, QString::fromUtf8("对不起，没有查询到这个卡号的归属地"));
  EXPECT_EQ(form->Edit3->text(), QString::fromUtf8("北京"));

  QTest::mouseClick(form->Button3, Qt::LeftButton);  // hidden, but it still clicks
  EXPECT_EQ(recorder.Boxes().size(), 1u);
  EXPECT_TRUE(form->Button1->isEnabled());
  // The progress shows the head of every hundredth row as read.
  EXPECT_EQ(form->Edit1->text().toStdString(),
            *testing_support::DemoAttribution(options).heads[199].numhead);
  form->Edit1->clear();
  QTest::keyClicks(form->Edit1, "1355507");
  QTest::mouseClick(form->Button1, Qt::LeftButton);
  EXPECT_EQ(form->Edit2->text(), QString::fromUtf8("广东"));
  EXPECT_EQ(form->Edit3->text(), QString::fromUtf8("深圳"));
  EXPECT_EQ(form->Edit4->text(), "518000");
  EXPECT_EQ(form->Edit5->text(), "0755");
  EXPECT_EQ(form->Edit6->text(), QString::fromUtf8("中国移动"));
  form->Edit1->clear();
  QTest::keyClicks(form->Edit1, "1990002");
  QTest::mouseClick(form->Button1, Qt::LeftButton);
  EXPECT_EQ(form->Edit3->text(), QString::fromUtf8("演示区?"));
  EXPECT_EQ(recorder.Boxes().size(), 1u);

  form->PageControl1->SetActivePage(1);
  Pick(form->ComboBox1, 2);  // 广东
  ASSERT_EQ(form->ComboBox2->count(), 4);
  EXPECT_EQ(form->ComboBox2->itemText(3), QString::fromUtf8("深圳"));
  Pick(form->ComboBox2, 1);  // 深圳, in two city rows: index 4 and 10
  QTest::mouseClick(form->Button2, Qt::LeftButton);
  const QStringList lines = form->Memo1->toPlainText().split('\n');
  ASSERT_EQ(lines.size(), 66);  // 60 + 5 lines, each ending in a line break
  EXPECT_EQ(lines[0], "1355500xxxx");
  EXPECT_EQ(lines[59], QString::fromStdString(testing_support::DemoHeadsOf(4)[59] + "xxxx"));
  EXPECT_EQ(lines[64], QString::fromStdString(testing_support::DemoHeadsOf(10)[4] + "xxxx"));
  ASSERT_EQ(recorder.Boxes().size(), 2u);
  EXPECT_EQ(recorder.Boxes()[1].kind, BoxKind::kNotice);
  EXPECT_EQ(recorder.Boxes()[1].text, QString::fromUtf8("号段生成完毕，共有65个号段"));

  std::filesystem::current_path(previous);
  Shell().SetMainWindow(nullptr);
}

TEST(CommandsThroughTheWindow, LinesAddedWhileTheMemoIsHiddenKeepTheLineRule) {
  BoxRecorder recorder;  // no database here: the open failure is recorded
  TForm1 form(1.0);
  MemoAdapter& memo = form.Controls().Memo1;
  form.Memo1->setPlainText("x");
  memo.SetVisible(false);
  memo.AddLine("y");
  memo.AddLine("z");
  EXPECT_EQ(form.Memo1->toPlainText(), "x");  // not yet handed over
  EXPECT_EQ(memo.Text(), "x\r\ny\r\nz");
  memo.ClearLines();
  memo.AddLine("a");
  memo.AddLine("b");
  memo.SetVisible(true);
  EXPECT_EQ(form.Memo1->toPlainText(), "a\nb\n");
  EXPECT_EQ(memo.Text(), "a\r\nb\r\n");
}

}  // namespace
}  // namespace app
