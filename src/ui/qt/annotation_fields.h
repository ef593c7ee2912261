#pragma once
// The current record's annotation boxes (axes, drawing reference, note), the
// formula-count, coefficient and addition boxes: shown below the grid and, the same,
// in the floating annotation panel. Typing goes to the core's RecordGrid, which
// decides which boxes are enabled and what emptying a "from" box clears.
#include <QWidget>

#include <map>
#include <string>

class QComboBox;
class QLineEdit;
class QSpinBox;

namespace takeoff::ui { class MainController; }

namespace takeoff::qtui {

class AnnotationFields : public QWidget {
  Q_OBJECT
public:
  // `prefix` keeps the object names of the panel's copy apart from the boxes below
  // the grid (the insertion target is found by name).
  AnnotationFields(ui::MainController& controller, const QString& prefix, QWidget* parent = nullptr);

  // Shows the current record's values and the enabled states.
  void Refresh();

signals:
  // A box changed the current record.
  void recordChanged();

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  void Edited(const std::string& field, const QString& text);
  QComboBox* AddCombo(const char* field);

  ui::MainController& c_;
  std::map<std::string, QComboBox*> combos_;
  QLineEdit* coefficient_ = nullptr;
  QLineEdit* addition_ = nullptr;
  QSpinBox* copies_ = nullptr;
  bool loading_ = false;
};

}  // namespace takeoff::qtui
