// The main window's construction order, its handler bindings and its
// handlers, each of which hands its work to the commands.
#include "app/frmSearch.h"

#include <QCloseEvent>
#include <QPushButton>

#include "app/application.h"
#include "app/combo_box.h"
#include "app/docking.h"
#include "app/fonts.h"
#include "app/page_control.h"
#include "commands/commands.h"

namespace app {

TForm1* Form1 = nullptr;

TForm1::TForm1() : TForm1(WindowFont()) {}

TForm1::TForm1(const QFont& window_font)
    : TForm1(window_font, LayoutScale(window_font)) {}

TForm1::TForm1(double scale) : TForm1(WindowFont(), scale) {}

TForm1::TForm1(const QFont& window_font, double scale)
    : window_font_(window_font), scale_(scale) {
  ADOConnection1 = std::make_unique<db::TADOConnection>("ADOConnection1");
  ADOQuery1 = std::make_unique<db::TADOQuery>(*ADOConnection1, "ADOQuery1");
  // The commands' statements take no parameters: their quoted values go to
  // the engine as they are, whatever quotes or colons they hold.
  ADOQuery1->SetParamCheck(false);
  DataSource1 = std::make_unique<TDataSource>(TDataSource{ADOQuery1.get()});
  BuildControls();
  BindHandlers();
  OpenConnection();
}

TForm1::~TForm1() {
  if (Form1 == this) Form1 = nullptr;
  delete docker_;
  delete PageControl1;
  DataSource1.reset();
  ADOQuery1.reset();
  ADOConnection1.reset();
}

void TForm1::OpenConnection() {
  try {
    ADOConnection1->Open();
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
    form_.Button1->setEnabled(enabled);
    form_.Button2->setEnabled(enabled);
    form_.ComboBox1->setEnabled(enabled);
  }

 private:
  TForm1& form_;
};

}  // namespace

// Each handler is the one place its command is called from.
void TForm1::Button1Click() {
  FormControls& c = *controls_;
  commands::Button1Click(*ADOQuery1, {c.Edit1, c.Edit2, c.Edit3, c.Edit4, c.Edit5, c.Edit6},
                         *TApplication::Instance());
}

void TForm1::Button2Click() {
  FormControls& c = *controls_;
  commands::Button2Click(*ADOQuery1, {c.ComboBox1, c.ComboBox2, c.Memo1},
                         *TApplication::Instance());
}

void TForm1::FormActivate() {
  FormControls& c = *controls_;
  commands::FormActivate(*ADOQuery1, {c.ComboBox1, c.ComboBox2, c.Memo1});
}

void TForm1::ComboBox1Change() {
  FormControls& c = *controls_;
  commands::ComboBox1Change(*ADOQuery1, {c.ComboBox1, c.ComboBox2, c.Memo1});
}

void TForm1::Button3Click() {
  EncodingShell shell(*this);
  commands::Button3Click(*ADOQuery1, controls_->Edit1, shell);
}

}  // namespace app
