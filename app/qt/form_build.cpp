// The main window's controls, made from the form's description at the design
// scale multiplied by the layout scale.
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <map>
#include <string>

#include "app/qt/combo_box.h"
#include "app/qt/docking.h"
#include "app/qt/fonts.h"
#include "app/qt/frmSearch.h"
#include "app/qt/page_control.h"
#include "app/qt/widgets.h"
#include "ui/form.h"

namespace app {
namespace {

QString Text(const char* utf8) { return QString::fromUtf8(utf8); }

QRect ToQRect(const ui::Rect& rect) { return QRect(rect.left, rect.top, rect.width, rect.height); }

}  // namespace

void TForm1::BuildControls() {
  const double scale = scale_;
  setObjectName(ui::kFormName);
  setWindowTitle(Text(ui::kFormCaption));
  setWindowIcon(QIcon(QStringLiteral(":/app/attrsearch.ico")));
  setAutoFillBackground(true);
  setBackgroundRole(QPalette::Button);
  setFont(window_font_);
  move(ui::kFormPosition.x, ui::kFormPosition.y);
  const ui::Size client = ui::Scaled(ui::kClientSize, scale);
  resize(client.width, client.height);
  docker_ = new Docker(this);
  const QPixmap banner(QStringLiteral(":/app/banner.bmp"));

  std::map<std::string, QWidget*> made = {{ui::kFormName, this}};
  for (const ui::Control& control : ui::FormControls()) {
    QWidget* parent = made.at(control.parent);
    const QRect rect = ToQRect(ui::Scaled(control.design, scale));
    QWidget* widget = nullptr;
    switch (control.kind) {
      case ui::ControlKind::kPageControl:
        widget = new TPageControl(scale, parent);
        break;
      case ui::ControlKind::kTabSheet:
        // The tab control places its pages itself.
        widget = static_cast<TPageControl*>(parent)->AddPage(Text(control.text));
        break;
      case ui::ControlKind::kPanel:
        widget = new TPanel(Text(control.text), parent);
        break;
      case ui::ControlKind::kImage:
        widget = new TImage(banner,
                            control.image == ui::ImageMode::kStretch ? TImage::Mode::kStretch
                                                                     : TImage::Mode::kNatural,
                            parent);
        break;
      case ui::ControlKind::kLabel: {
        auto* label = new QLabel(Text(control.text), parent);
        if (control.font == ui::FontRole::kLabel9) label->setFont(Label9Font(scale));
        label->setAutoFillBackground(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        widget = label;
        break;
      }
      case ui::ControlKind::kEdit:
        widget = new TEdit(parent);
        break;
      case ui::ControlKind::kGroupBox: {
        auto* group = new QGroupBox(Text(control.text), parent);
        group->setAutoFillBackground(true);
        widget = group;
        break;
      }
      case ui::ControlKind::kButton: {
        auto* button = new QPushButton(Text(control.text), parent);
        button->setAutoDefault(true);  // Enter presses it while it has the focus
        button->setDefault(false);
        widget = button;
        break;
      }
      case ui::ControlKind::kComboBox:
        widget = new TComboBox(parent);
        break;
      case ui::ControlKind::kMemo: {
        auto* memo = new TMemo(parent);
        memo->setPlainText(Text(ui::kMemoInitialText).remove(QLatin1Char('\r')));
        widget = memo;
        break;
      }
    }
    widget->setObjectName(control.name);
    made[control.name] = widget;
    if (control.kind == ui::ControlKind::kLabel) {
      // Labels size themselves to their text.
      widget->move(rect.topLeft());
      widget->adjustSize();
    } else if (control.kind != ui::ControlKind::kTabSheet) {
      widget->setGeometry(rect);
    }
    if (control.dock) docker_->Dock(widget, ui::Scaled(*control.dock, scale));
    if (!control.takes_focus) widget->setFocusPolicy(Qt::NoFocus);
    if (!control.visible) widget->hide();
  }

  auto named = [&made](const char* name) { return made.at(name); };
  PageControl1 = static_cast<TPageControl*>(named("PageControl1"));
  TabSheet1 = named("TabSheet1");
  TabSheet2 = named("TabSheet2");
  Panel1 = static_cast<TPanel*>(named("Panel1"));
  Panel2 = static_cast<TPanel*>(named("Panel2"));
  Panel3 = static_cast<TPanel*>(named("Panel3"));
  Panel4 = static_cast<TPanel*>(named("Panel4"));
  Image1 = static_cast<TImage*>(named("Image1"));
  Image2 = static_cast<TImage*>(named("Image2"));
  GroupBox1 = static_cast<QGroupBox*>(named("GroupBox1"));
  GroupBox2 = static_cast<QGroupBox*>(named("GroupBox2"));
  QLabel** labels[] = {&Label1, &Label2, &Label3, &Label4, &Label5,
                       &Label6, &Label7, &Label8, &Label9};
  for (size_t i = 0; i < std::size(labels); ++i) {
    *labels[i] = static_cast<QLabel*>(named(("Label" + std::to_string(i + 1)).c_str()));
  }
  TEdit** edits[] = {&Edit1, &Edit2, &Edit3, &Edit4, &Edit5, &Edit6};
  for (size_t i = 0; i < std::size(edits); ++i) {
    *edits[i] = static_cast<TEdit*>(named(("Edit" + std::to_string(i + 1)).c_str()));
  }
  Button1 = static_cast<QPushButton*>(named("Button1"));
  Button2 = static_cast<QPushButton*>(named("Button2"));
  Button3 = static_cast<QPushButton*>(named("Button3"));
  ComboBox1 = static_cast<TComboBox*>(named("ComboBox1"));
  ComboBox2 = static_cast<TComboBox*>(named("ComboBox2"));
  Memo1 = static_cast<TMemo*>(named("Memo1"));

  // The tab chain; the tab control takes part through its strip of tabs.
  QWidget* previous = nullptr;
  for (std::string_view name : ui::TabChain()) {
    QWidget* widget = name == "PageControl1" ? PageControl1->TabStrip()
                                             : made.at(std::string(name));
    if (previous != nullptr) QWidget::setTabOrder(previous, widget);
    previous = widget;
  }

  PageControl1->SetActivePage(ui::kFirstPage);
  PageControl1->TabStrip()->setFocus();

  controls_ = std::make_unique<FormControls>(FormControls{
      EditAdapter(Edit1), EditAdapter(Edit2), EditAdapter(Edit3),
      EditAdapter(Edit4), EditAdapter(Edit5), EditAdapter(Edit6),
      ComboAdapter(ComboBox1), ComboAdapter(ComboBox2), MemoAdapter(Memo1)});
}

}  // namespace app
