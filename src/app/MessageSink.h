#pragma once
// Where the main view's messages go: a message box with an OK button in the window, a recorder in
// tests (a test must never block on a modal box), standard error in the snapshot mode.

#include <QString>
#include <vector>

class QWidget;

namespace nimbrel::app {

class TMessageSink {
 public:
  virtual ~TMessageSink() = default;
  // An empty caption means the program's own name.
  virtual void Show(const QString& caption, const QString& text) = 0;
  // A question with Yes and No; true for Yes. Where nobody can answer, the answer is No.
  virtual bool Ask(const QString& caption, const QString& text) {
    (void)caption;
    (void)text;
    return false;
  }
};

class TMessageBoxSink final : public TMessageSink {
 public:
  explicit TMessageBoxSink(QWidget* parent) : parent_(parent) {}
  void Show(const QString& caption, const QString& text) override;
  bool Ask(const QString& caption, const QString& text) override;

 private:
  QWidget* parent_;
};

class TRecordingSink final : public TMessageSink {
 public:
  struct TMessage {
    QString caption;
    QString text;
  };
  void Show(const QString& caption, const QString& text) override { messages.push_back({caption, text}); }
  bool Ask(const QString& caption, const QString& text) override {
    questions.push_back({caption, text});
    return answer;
  }
  std::vector<TMessage> messages;
  std::vector<TMessage> questions;
  bool answer = false;
};

// One line per message: the caption, a colon and the text with its line breaks folded into spaces.
class TStandardErrorSink final : public TMessageSink {
 public:
  void Show(const QString& caption, const QString& text) override;
};

inline constexpr const char* kProgramName = "NimbrelGL";

}  // namespace nimbrel::app
