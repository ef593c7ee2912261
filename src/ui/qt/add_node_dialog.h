#pragma once
// The add-node dialog TfmAdd: a prompt, an editable name box with its drop-down
// history, a button that clears the selected history entry, the repeat count
// ("重复件数", not bounded) and the buttons "确 定(&Y)" and "放 弃(&N)". Enter in the
// name box or the count moves the focus on. The dialog checks nothing: the core
// refuses a short name and shows the dialog again.
#include <cstdint>
#include <string>
#include <vector>

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace takeoff::qtui {

class AddNodeDialog : public QDialog {
  Q_OBJECT
public:
  // Texts in code page 936.
  AddNodeDialog(const std::string& caption, const std::string& prompt, const std::string& defaultName,
                const std::vector<std::string>& history, std::int64_t count, QWidget* parent = nullptr);

  // The name typed (code page 936; the box takes no character the code page lacks).
  std::string Name() const;
  // The count typed; an empty or lone "-" box counts 0.
  std::int64_t Count() const;
  // The drop-down list as left by the clear button, entries byte for byte as given.
  std::vector<std::string> History() const;

  QComboBox* NameBox() const { return name_; }
  QLineEdit* CountBox() const { return count_; }
  QToolButton* ClearButton() const { return clear_; }
  QPushButton* OkButton() const { return ok_; }
  QPushButton* CancelButton() const { return cancel_; }

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  void ClearSelectedEntry();

  QLabel* prompt_;
  QComboBox* name_;
  QToolButton* clear_;
  QLineEdit* count_;
  QPushButton* ok_;
  QPushButton* cancel_;
};

}  // namespace takeoff::qtui
