// TForm1, the main window: the lookup tab and the segment tab, the database
// components it owns, and the five handlers bound to its events.
#ifndef APP_QT_FRMSEARCH_H_
#define APP_QT_FRMSEARCH_H_

#include <QFont>
#include <QWidget>
#include <memory>

#include "app/qt/activation.h"
#include "app/qt/control_adapters.h"
#include "ui/form_core.h"

class QGroupBox;
class QLabel;
class QPushButton;

namespace app {

class Docker;
class TComboBox;
class TEdit;
class TImage;
class TMemo;
class TPageControl;
class TPanel;

// The window's connection, cursor and data source (ADOConnection1,
// ADOQuery1, DataSource1) are those of the form's core.
class TForm1 : public QWidget, public ActivationTarget, public ui::FormCore {
  Q_OBJECT

 public:
  // Builds the window in the window font of this screen, at the scale that
  // font asks for (its text height over 13), and opens ADOConnection1. A
  // failure to open is shown by the command error report and the window is
  // built on with the connection closed.
  // REQUIRES: the TApplication exists.
  TForm1();
  // The same in `window_font`, at the scale it asks for.
  explicit TForm1(const QFont& window_font);
  // The same in this screen's window font at layout scale `scale`; 1 gives
  // the design geometry.
  explicit TForm1(double scale);
  // Destroys the controls first, then DataSource1, ADOQuery1 (closing it)
  // and ADOConnection1 (closing it).
  ~TForm1() override;

  double Scale() const { return scale_; }
  // The commands' view of the controls.
  FormControls& Controls() { return *controls_; }

  // The handlers; each runs its command and returns.
  virtual void Button1Click();
  virtual void Button2Click();
  virtual void FormActivate();
  virtual void ComboBox1Change();
  virtual void Button3Click();

  // Raised by the shell at the window's first activation.
  void Activated() override;

  TPageControl* PageControl1 = nullptr;
  QWidget* TabSheet1 = nullptr;
  QWidget* TabSheet2 = nullptr;
  TPanel* Panel1 = nullptr;
  TPanel* Panel2 = nullptr;
  QLabel* Label1 = nullptr;
  TEdit* Edit1 = nullptr;
  QGroupBox* GroupBox1 = nullptr;
  QLabel* Label2 = nullptr;
  QLabel* Label3 = nullptr;
  QLabel* Label4 = nullptr;
  QLabel* Label5 = nullptr;
  QLabel* Label6 = nullptr;
  TEdit* Edit2 = nullptr;
  TEdit* Edit3 = nullptr;
  TEdit* Edit4 = nullptr;
  TEdit* Edit5 = nullptr;
  TEdit* Edit6 = nullptr;
  QPushButton* Button1 = nullptr;
  TImage* Image1 = nullptr;
  TPanel* Panel3 = nullptr;
  TPanel* Panel4 = nullptr;
  QLabel* Label7 = nullptr;
  TComboBox* ComboBox1 = nullptr;
  QLabel* Label8 = nullptr;
  TComboBox* ComboBox2 = nullptr;
  QGroupBox* GroupBox2 = nullptr;
  QLabel* Label9 = nullptr;
  TMemo* Memo1 = nullptr;
  QPushButton* Button2 = nullptr;
  TImage* Image2 = nullptr;
  QPushButton* Button3 = nullptr;

 protected:
  // Closing always succeeds: the quit request is posted and the window stays
  // until the event loop takes it.
  void closeEvent(QCloseEvent* event) override;

 private:
  // Creates every control of the two tabs (form_build.cpp).
  void BuildControls();
  void BindHandlers();
  void OpenConnection();
  TForm1(const QFont& window_font, double scale);

  QFont window_font_;
  double scale_;
  Docker* docker_ = nullptr;
  std::unique_ptr<FormControls> controls_;
  std::unique_ptr<ui::FormControlViews> views_;
};

// The one main window while it exists; null before it is built and after it
// is destroyed.
extern TForm1* Form1;

}  // namespace app

#endif  // APP_QT_FRMSEARCH_H_
