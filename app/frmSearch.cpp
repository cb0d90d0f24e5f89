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

namespace app {

TForm1* Form1 = nullptr;

TForm1::TForm1() : TForm1(LayoutScale(WindowFont())) {}

TForm1::TForm1(double scale) : scale_(scale) {
  ADOConnection1 = std::make_unique<db::TADOConnection>("ADOConnection1");
  ADOQuery1 = std::make_unique<db::TADOQuery>(*ADOConnection1, "ADOQuery1");
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

// Each handler is the one place its command is called from; the commands
// are not bound in yet, so for now they do nothing.
void TForm1::Button1Click() {}
void TForm1::Button2Click() {}
void TForm1::FormActivate() {}
void TForm1::ComboBox1Change() {}
void TForm1::Button3Click() {}

}  // namespace app
