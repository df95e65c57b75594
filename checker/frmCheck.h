// Check's window: on "Start" it judges every answer in OUT.TXT, shows the puzzle number every
// 1000 puzzles, names the first wrong answer or says that all are correct, and ends.
#pragma once

#include <QWidget>
#include <filesystem>
#include <functional>

#include "CheckIt.h"

class QLabel;
class QPushButton;

class frmCheck : public QWidget {
  Q_OBJECT

 public:
  // `folder` holds IN.TXT and OUT.TXT: the current folder in the program.
  explicit frmCheck(std::filesystem::path folder = ".", QWidget* parent = nullptr);

  // Replaceable by tests: the modal box without icon, the program's end (QCoreApplication::exit),
  // and the lines for scripts (the verdict and why on standard output, a failure on standard
  // error).
  std::function<void(const QString& text)> ShowMessage;
  std::function<void(int status)> EndProgram;
  std::function<void(const checker::CheckResult& result)> Announce;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void cmdStart_Click();

  QLabel* lblDiesesTool;
  QPushButton* cmdStart;
  QLabel* lblNr;

  std::filesystem::path folder_;
  bool running_ = false;
  bool closed_ = false;
};
