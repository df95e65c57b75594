// Build's window: asks for the seed and the number of puzzles, and on "OK" writes IN.TXT with a
// progress counter, then ends the program.
#pragma once

#include <QWidget>
#include <cstdint>
#include <filesystem>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

class frmBuild : public QWidget {
  Q_OBJECT

 public:
  // `folder` is where IN.TXT is written: the current folder in the program.
  explicit frmBuild(std::filesystem::path folder = ".", QWidget* parent = nullptr);

  // How a message reaches the user: a modal box without icon, unless a test replaces it.
  std::function<void(const QString& text)> ShowMessage;
  // How the program ends after the run: QCoreApplication::exit, unless a test replaces it.
  // 0 = IN.TXT written, 1 = it could not be written, 2 = the window was closed during the run.
  std::function<void(int status)> EndProgram;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void Form_Load();
  void btnOK_Click();

  QLabel* lblGeneriereSUDOKU;
  QLineEdit* txtTimer;
  QLabel* lblAnzahlSUDOKUs;
  QLineEdit* txtAnzahl;
  QLabel* lblCount;
  QPushButton* btnOK;

  std::int32_t Seed = 0;
  std::int32_t PuzzleCount = 0;
  std::filesystem::path folder_;
  bool running_ = false;
  bool closed_ = false;
};
