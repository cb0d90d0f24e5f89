// The windows of the program that take part in the shell's activation
// bookkeeping: the main window and the notice boxes.
#ifndef APP_QT_ACTIVATION_H_
#define APP_QT_ACTIVATION_H_

namespace app {

class ActivationTarget {
 public:
  virtual ~ActivationTarget() = default;
  // Raised by the shell when the keyboard focus enters this window and the
  // shell's focus owner was another window (or none).
  virtual void Activated() = 0;
};

}  // namespace app

#endif  // APP_QT_ACTIVATION_H_
