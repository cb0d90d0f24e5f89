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

// A database the window runs on and what it shows there (UTF-8).
struct Source {
  std::string name;
  const char* fixture;  // the shared fixture; none: our demonstration file, heads mixed
  int provinces;
  std::string last_province;
  int guangdong, guangdong_cities, shenzhen;  // positions in the lists and the count
  int lines;                                  // of the listing of 深圳
  std::string first_line;
  std::string unfound;   // typed and not found until the heads are encoded
  std::string progress;  // the head the encoding shows last
  std::string shenzhen_head;
  std::vector<std::pair<std::string, std::string>> cities;  // typed, then Edit3
};

void PrintTo(const Source& source, std::ostream* out) { *out << source.name; }

class CommandsThroughTheWindow : public ::testing::TestWithParam<Source> {};

TEST_P(CommandsThroughTheWindow, LookupListingAndEncoding) {
  const Source& source = GetParam();
  testing_support::ScratchDir folder;
  if (source.fixture) {
    ATTR_REQUIRE_FIXTURE(fixture, source.fixture);
    folder.CopyIn(fixture, "attrdata.mdb");
  } else {
    testing_support::WriteDemoDatabase(folder.path(), testing_support::MixedHeads(),
                                       "attrdata.mdb");
  }
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(folder.path());
  BoxRecorder recorder;
  auto owned = std::make_unique<TForm1>(1.0);
  TForm1* form = owned.get();
  Form1 = form;
  Shell().SetMainWindow(std::move(owned));
  Shell().ShowMainWindow();  // FormActivate fills the province list
  ASSERT_EQ(form->ComboBox1->count(), source.provinces);
  EXPECT_EQ(form->ComboBox1->itemText(source.guangdong), QString::fromUtf8("广东"));
  EXPECT_EQ(form->ComboBox1->itemText(source.provinces - 1),
            QString::fromStdString(source.last_province));

  form->PageControl1->SetActivePage(0);
  size_t boxes = 0;
  if (!source.unfound.empty()) {
    QTest::keyClicks(form->Edit1, QString::fromStdString(source.unfound));
    QTest::mouseClick(form->Button1, Qt::LeftButton);
    ASSERT_EQ(recorder.Boxes().size(), ++boxes);
    EXPECT_EQ(recorder.Boxes()[0].text,
              QString::fromUtf8("对不起，没有查询到这个卡号的归属地"));
  }
  QTest::mouseClick(form->Button3, Qt::LeftButton);  // hidden, but it still clicks
  EXPECT_EQ(recorder.Boxes().size(), boxes);
  EXPECT_TRUE(form->Button1->isEnabled());
  // The progress shows the head of every hundredth row as read.
  EXPECT_EQ(form->Edit1->text().toStdString(), source.progress);
  form->Edit1->clear();
  QTest::keyClicks(form->Edit1, QString::fromStdString(source.shenzhen_head));
  QTest::mouseClick(form->Button1, Qt::LeftButton);
  EXPECT_EQ(form->Edit2->text(), QString::fromUtf8("广东"));
  EXPECT_EQ(form->Edit3->text(), QString::fromUtf8("深圳"));
  EXPECT_EQ(form->Edit4->text(), "518000");
  EXPECT_EQ(form->Edit5->text(), "0755");
  EXPECT_EQ(form->Edit6->text(), QString::fromUtf8("中国移动"));
  for (const auto& [typed, city] : source.cities) {
    form->Edit1->clear();
    QTest::keyClicks(form->Edit1, QString::fromStdString(typed));
    QTest::mouseClick(form->Button1, Qt::LeftButton);
    EXPECT_EQ(form->Edit3->text(), QString::fromStdString(city));
  }
  EXPECT_EQ(recorder.Boxes().size(), boxes);

  form->PageControl1->SetActivePage(1);
  Pick(form->ComboBox1, source.guangdong);
  ASSERT_EQ(form->ComboBox2->count(), source.guangdong_cities);
  Pick(form->ComboBox2, source.shenzhen);  // 深圳, in two city rows
  QTest::mouseClick(form->Button2, Qt::LeftButton);
  const QStringList lines = form->Memo1->toPlainText().split('\n');
  ASSERT_EQ(lines.size(), source.lines + 1);  // each line ends in a line break
  EXPECT_EQ(lines[0], QString::fromStdString(source.first_line));
  EXPECT_TRUE(form->Memo1->isVisible());
  EXPECT_TRUE(form->Memo1->isEnabled());
  ASSERT_EQ(recorder.Boxes().size(), boxes + 1);
  EXPECT_EQ(recorder.Boxes().back().kind, BoxKind::kNotice);
  EXPECT_EQ(recorder.Boxes().back().text,
            QString::fromUtf8("号段生成完毕，共有") + QString::number(source.lines) +
                QString::fromUtf8("个号段"));

  std::filesystem::current_path(previous);
  Shell().SetMainWindow(nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Databases, CommandsThroughTheWindow,
    ::testing::Values(
        // Row 0 of the mixed file is stored scrambled, its other heads plain:
        // only the first is found until the heads are encoded. 深圳: index 4
        // and 10, 60 + 5 heads.
        Source{"Ours", nullptr, 7, "演示", 2, 4, 1, 65, "1355500xxxx", "1355507",
               *testing_support::DemoAttribution(testing_support::MixedHeads()).heads[199].numhead,
               "13555071234",
               {{"13801001234", "北京"}, {"1990002", "演示区?"}}},
        // Every head stored scrambled: the encoding changes nothing. 深圳:
        // index 7 and 61, 161 + 10 heads.
        Source{"SharedFixture", "attrdata-small.mdb", 13, "青海", 4, 22, 2, 171, "1879396xxxx",
               "", "048251012149154218187", "18793961234", {}}),
    [](const ::testing::TestParamInfo<Source>& info) { return info.param.name; });

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
