// Ende's window "Laufzeit": one label that, when the window is first activated, shows the time
// elapsed since Start wrote Start.txt.
#pragma once

#include <QWidget>
#include <filesystem>
#include <functional>
#include <iosfwd>

#include "Module1.h"

class QLabel;

namespace timing {

class Form1 : public QWidget {
  Q_OBJECT

 public:
  // Reads Start.txt from `folder` and the end time from `clock`.
  explicit Form1(Clock clock = GetSystemTime, std::filesystem::path folder = ".",
                 QWidget* parent = nullptr);

  QLabel* lblLabel1;

  // The shown text also goes here, as one line, for scripts.
  std::ostream* Output;
  // Tells the user why no time can be shown: on standard error and in a modal box. Tests replace
  // it so that no box waits for them.
  std::function<void(const QString& message)> ShowMessage;
  // Ends the program with `status` as soon as its event loop runs.
  std::function<void(int status)> EndProgram;

 protected:
  bool event(QEvent* e) override;

 private:
  void Form_Activate();

  Clock clock_;
  std::filesystem::path folder_;
  bool activated_ = false;
};

}  // namespace timing
