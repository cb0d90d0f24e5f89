// The main window's controls: names, parents, places, sizes, texts, tab
// order and docking, all at the design scale multiplied by the layout scale.
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <cmath>

#include "app/combo_box.h"
#include "app/docking.h"
#include "app/fonts.h"
#include "app/frmSearch.h"
#include "app/page_control.h"
#include "app/widgets.h"

namespace app {
namespace {

// Window placement, and client size at the design scale; the client area
// grows with the layout, so that scaled controls are neither covered nor cut.
constexpr int kFormLeft = 346;
constexpr int kFormTop = 564;
constexpr int kClientWidth = 391;
constexpr int kClientHeight = 311;
const char kCaption[] = "Tarvel手机归属地查询  https://attrtool.example.org";

QString Text(const char* utf8) { return QString::fromUtf8(utf8); }

}  // namespace

void TForm1::BuildControls() {
  const double scale = scale_;
  auto px = [scale](int value) {
    return static_cast<int>(std::lround(value * scale));
  };
  auto place = [&](QWidget* widget, const char* name, int left, int top,
                   int width, int height) {
    widget->setObjectName(name);
    widget->setGeometry(px(left), px(top), px(width), px(height));
  };
  auto label = [&](QWidget* parent, const char* name, int left, int top,
                   const char* text) {
    auto* result = new QLabel(Text(text), parent);
    result->setObjectName(name);
    result->setAutoFillBackground(true);
    result->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    result->move(px(left), px(top));
    result->adjustSize();
    return result;
  };
  auto button = [&](QWidget* parent, const char* name, int left, int top,
                    int width, int height, const char* text) {
    auto* result = new QPushButton(Text(text), parent);
    place(result, name, left, top, width, height);
    result->setAutoDefault(true);  // Enter presses it while it has the focus
    result->setDefault(false);
    return result;
  };
  auto edit = [&](QWidget* parent, const char* name, int left, int top,
                  int width) {
    auto* result = new TEdit(parent);
    place(result, name, left, top, width, 21);
    return result;
  };
  auto dock = [&](QWidget* child, DockRule rule) {
    rule = DockRule{px(rule.left), px(rule.top), px(rule.right),
                    px(rule.bottom), rule.width < 0 ? -1 : px(rule.width),
                    rule.height < 0 ? -1 : px(rule.height)};
    docker_->Dock(child, rule);
  };

  setObjectName("Form1");
  setWindowTitle(Text(kCaption));
  setWindowIcon(QIcon(QStringLiteral(":/app/attrsearch.ico")));
  setAutoFillBackground(true);
  setBackgroundRole(QPalette::Button);
  setFont(window_font_);
  move(kFormLeft, kFormTop);
  resize(px(kClientWidth), px(kClientHeight));
  docker_ = new Docker(this);
  const QPixmap banner(QStringLiteral(":/app/banner.bmp"));

  PageControl1 = new TPageControl(scale, this);
  place(PageControl1, "PageControl1", 0, 0, 391, 311);
  dock(PageControl1, FillInside(0, 0, 0, 0));
  TabSheet1 = PageControl1->AddPage(Text("归属地查询"));
  TabSheet1->setObjectName("TabSheet1");
  TabSheet2 = PageControl1->AddPage(Text("号段生成"));
  TabSheet2->setObjectName("TabSheet2");

  // The lookup tab.
  Panel1 = new TPanel("Panel1", TabSheet1);
  place(Panel1, "Panel1", 0, 0, 97, 283);
  dock(Panel1, PinLeft(97));
  Image1 = new TImage(banner, TImage::Mode::kStretch, Panel1);
  place(Image1, "Image1", 1, 1, 95, 281);
  dock(Image1, FillInside(1, 1, 1, 1));
  Button3 = button(Panel1, "Button3", 8, 248, 75, 25, "Button3");
  Button3->setFocusPolicy(Qt::NoFocus);
  Button3->hide();
  Panel2 = new TPanel("Panel2", TabSheet1);
  place(Panel2, "Panel2", 97, 0, 286, 283);
  dock(Panel2, FillInside(97, 0, 0, 0));
  Label1 = label(Panel2, "Label1", 8, 16, "手机号码（至少输入前七位）");
  Edit1 = edit(Panel2, "Edit1", 8, 32, 169);
  GroupBox1 = new QGroupBox(Panel2);
  GroupBox1->setAutoFillBackground(true);
  place(GroupBox1, "GroupBox1", 8, 56, 241, 209);
  Label2 = label(GroupBox1, "Label2", 8, 20, "省份");
  Label3 = label(GroupBox1, "Label3", 10, 53, "城市");
  Label4 = label(GroupBox1, "Label4", 8, 84, "邮编");
  Label5 = label(GroupBox1, "Label5", 8, 116, "区号");
  Label6 = label(GroupBox1, "Label6", 2, 148, "卡类型");
  Edit2 = edit(GroupBox1, "Edit2", 40, 16, 169);
  Edit3 = edit(GroupBox1, "Edit3", 40, 48, 169);
  Edit4 = edit(GroupBox1, "Edit4", 40, 84, 169);
  Edit5 = edit(GroupBox1, "Edit5", 40, 116, 169);
  Edit6 = edit(GroupBox1, "Edit6", 40, 148, 169);
  Button1 = button(Panel2, "Button1", 184, 30, 65, 25, "查询归属地");

  // The segment tab. Label9 is made before Memo1 so that the memo covers it.
  Panel3 = new TPanel("Panel3", TabSheet2);
  place(Panel3, "Panel3", 0, 0, 105, 283);
  dock(Panel3, PinLeft(105));
  Image2 = new TImage(banner, TImage::Mode::kNatural, Panel3);
  place(Image2, "Image2", 1, 1, 103, 281);
  dock(Image2, FillInside(1, 1, 1, 1));
  Panel4 = new TPanel("Panel4", TabSheet2);
  place(Panel4, "Panel4", 105, 0, 278, 283);
  dock(Panel4, FillInside(105, 0, 0, 0));
  Label7 = label(Panel4, "Label7", 16, 16, "省份");
  Label8 = label(Panel4, "Label8", 16, 40, "城市");
  ComboBox1 = new TComboBox(Panel4);
  place(ComboBox1, "ComboBox1", 64, 16, 105, 21);
  ComboBox2 = new TComboBox(Panel4);
  place(ComboBox2, "ComboBox2", 64, 40, 185, 21);
  GroupBox2 = new QGroupBox(Text("号段结果"), Panel4);
  GroupBox2->setAutoFillBackground(true);
  place(GroupBox2, "GroupBox2", 1, 71, 276, 211);
  dock(GroupBox2, PinBottom(1, 1, 1, 211));
  Label9 = new QLabel(Text("请稍侯"), GroupBox2);
  Label9->setObjectName("Label9");
  Label9->setFont(Label9Font(scale));
  Label9->setAutoFillBackground(true);
  Label9->move(px(144), px(96));
  Label9->adjustSize();
  Memo1 = new TMemo(GroupBox2);
  place(Memo1, "Memo1", 2, 15, 272, 194);
  dock(Memo1, FillInside(2, 15, 2, 2));
  Memo1->setPlainText(QStringLiteral("\n"));
  Button2 = button(Panel4, "Button2", 173, 16, 75, 21, "生成号段");

  QWidget::setTabOrder(PageControl1->TabStrip(), Edit1);
  QWidget* const chain[] = {Edit1, Edit2,     Edit3,     Edit4, Edit5,  Edit6,
                            Button1, ComboBox1, ComboBox2, Memo1, Button2};
  for (size_t i = 0; i + 1 < std::size(chain); ++i) {
    QWidget::setTabOrder(chain[i], chain[i + 1]);
  }

  PageControl1->SetActivePage(1);
  PageControl1->TabStrip()->setFocus();

  controls_ = std::make_unique<FormControls>(FormControls{
      EditAdapter(Edit1), EditAdapter(Edit2), EditAdapter(Edit3),
      EditAdapter(Edit4), EditAdapter(Edit5), EditAdapter(Edit6),
      ComboAdapter(ComboBox1), ComboAdapter(ComboBox2), MemoAdapter(Memo1)});
}

}  // namespace app
