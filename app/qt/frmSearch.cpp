// The main window's construction order, its handler bindings and its
// handlers, each of which hands its work to the commands.
#include "app/qt/frmSearch.h"

#include <QCloseEvent>
#include <QPushButton>

#include "app/qt/application.h"
#include "app/qt/combo_box.h"
#include "app/qt/docking.h"
#include "app/qt/fonts.h"
#include "app/qt/page_control.h"
#include "ui/form.h"

namespace app {

TForm1* Form1 = nullptr;

TForm1::TForm1() : TForm1(WindowFont()) {}

TForm1::TForm1(const QFont& window_font)
    : TForm1(window_font, LayoutScale(window_font)) {}

TForm1::TForm1(double scale) : TForm1(WindowFont(), scale) {}

TForm1::TForm1(const QFont& window_font, double scale)
    : window_font_(window_font), scale_(scale) {
  BuildControls();
  FormControls& c = *controls_;
  views_ = std::make_unique<ui::FormControlViews>(ui::FormControlViews{
      c.Edit1, c.Edit2, c.Edit3, c.Edit4, c.Edit5, c.Edit6, c.ComboBox1, c.ComboBox2, c.Memo1});
  BindHandlers();
  OpenConnection();
}

TForm1::~TForm1() {
  if (Form1 == this) Form1 = nullptr;
  // The controls go first; the core then closes the cursor and the connection.
  delete docker_;
  delete PageControl1;
}

void TForm1::OpenConnection() {
  try {
    ui::FormCore::OpenConnection();
  } catch (const base::Exception&) {
    TApplication::Instance()->ReportCurrentCommandError();
  }
}

void TForm1::BindHandlers() {
  connect(Button1, &QPushButton::clicked, this,
          [this] { Guarded([this] { Button1Click(); }); });
  connect(Button2, &QPushButton::clicked, this,
          [this] { Guarded([this] { Button2Click(); }); });
  connect(Button3, &QPushButton::clicked, this,
          [this] { Guarded([this] { Button3Click(); }); });
  connect(ComboBox1, &TComboBox::Changed, this,
          [this] { Guarded([this] { ComboBox1Change(); }); });
}

void TForm1::Activated() {
  Guarded([this] { FormActivate(); });
}

void TForm1::closeEvent(QCloseEvent* event) {
  event->ignore();
  TApplication::Instance()->PostQuitRequest();
}

namespace {

// The shell as the bulk encoding sees it: the application's services, and
// the window's command controls disabled while the encoding runs.
class EncodingShell : public commands::Shell {
 public:
  explicit EncodingShell(TForm1& form) : form_(form) {}
  void ShowNotice(std::string_view text) override {
    TApplication::Instance()->ShowNotice(text);
  }
  void DrainPendingEvents() override { TApplication::Instance()->DrainPendingEvents(); }
  void SetCommandsEnabled(bool enabled) override {
    for (std::string_view name : ui::kCommandControls) {
      if (auto* control = form_.findChild<QWidget*>(QString::fromUtf8(name.data(), name.size()))) {
        control->setEnabled(enabled);
      }
    }
  }

 private:
  TForm1& form_;
};

}  // namespace

void TForm1::Button1Click() { FormCore::Button1Click(*views_, *TApplication::Instance()); }

void TForm1::Button2Click() { FormCore::Button2Click(*views_, *TApplication::Instance()); }

void TForm1::FormActivate() { FormCore::FormActivate(*views_); }

void TForm1::ComboBox1Change() { FormCore::ComboBox1Change(*views_); }

void TForm1::Button3Click() {
  EncodingShell shell(*this);
  FormCore::Button3Click(*views_, shell);
}

}  // namespace app
