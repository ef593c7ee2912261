#include "ui/qt/annotation_fields.h"

#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

#include "ui/main_controller.h"
#include "ui/qt/fonts.h"
#include "ui/qt/qt_text.h"

namespace takeoff::qtui {
namespace {

// The field's value of the current record (the edited value while editing).
std::string FieldOf(ui::MainController& c, const char* field) {
  data::Table& t = c.Data().dataCDataset;
  if (!t.Active()) return {};
  const int f = t.FieldIndex(field);
  if (f < 0 || (t.IsEmpty() && t.State() != data::TableState::Insert)) return {};
  return t.AsString(f);
}

}  // namespace

AnnotationFields::AnnotationFields(ui::MainController& controller, const QString& prefix, QWidget* parent)
    : QWidget(parent), c_(controller) {
  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(2, 2, 2, 2);
  grid->setHorizontalSpacing(3);
  grid->setVerticalSpacing(2);
  for (const ui::AnnotationBox& b : ui::AnnotationBoxes()) {
    QComboBox* box = AddCombo(b.Field);
    box->setObjectName(prefix + QString::fromLatin1(b.Field));
    box->setToolTip(FromCp936(b.Hint));
  }
  auto label = [this](const char* text) { return new QLabel(QString::fromUtf8(text), this); };
  grid->addWidget(label("纵 轴"), 0, 0);
  grid->addWidget(combos_["AX1"], 0, 1);
  grid->addWidget(label("→"), 0, 2);
  grid->addWidget(combos_["AX2"], 0, 3);
  grid->addWidget(label("横 轴"), 1, 0);
  grid->addWidget(combos_["AX3"], 1, 1);
  grid->addWidget(label("→"), 1, 2);
  grid->addWidget(combos_["AX4"], 1, 3);
  grid->addWidget(label("图/号"), 2, 0);
  grid->addWidget(combos_["TU"], 2, 1);
  grid->addWidget(label("/"), 2, 2);
  grid->addWidget(combos_["TH"], 2, 3);
  grid->addWidget(label("注 释"), 3, 0);
  grid->addWidget(combos_["BDSZS"], 3, 1, 1, 3);

  copies_ = new QSpinBox(this);
  copies_->setObjectName(prefix + "BDSNum");
  copies_->setRange(-2147483647, 2147483647);
  coefficient_ = new QLineEdit(this);
  coefficient_->setObjectName(prefix + "XSVal");
  addition_ = new QLineEdit(this);
  addition_->setObjectName(prefix + "AddVal");
  grid->addWidget(label("复 件 数"), 0, 4);
  grid->addWidget(copies_, 0, 5);
  grid->addWidget(label("系数调整"), 1, 4);
  grid->addWidget(coefficient_, 1, 5);
  grid->addWidget(label("增减调整"), 2, 4);
  grid->addWidget(addition_, 2, 5);
  auto* clear = new QPushButton(QStringLiteral("清除数据"), this);
  auto* generate = new QPushButton(QStringLiteral("生成算式"), this);
  clear->setEnabled(false);     // formula generation comes with the formula library
  generate->setEnabled(false);
  grid->addWidget(clear, 3, 4);
  grid->addWidget(generate, 3, 5);

  for (QLineEdit* e : {coefficient_, addition_}) {
    e->installEventFilter(this);
    const char* field = e == coefficient_ ? "XSVal" : "AddVal";
    connect(e, &QLineEdit::textEdited, this, [this, field](const QString& t) { Edited(field, t); });
  }
  copies_->installEventFilter(this);
  connect(copies_, &QSpinBox::valueChanged, this, [this](int v) { Edited("BDSNum", QString::number(v)); });
  Refresh();
}

QComboBox* AnnotationFields::AddCombo(const char* field) {
  auto* box = new QComboBox(this);
  box->setEditable(true);
  box->setInsertPolicy(QComboBox::NoInsert);
  box->setItemDelegate(new AxisLabelDelegate(box));
  box->lineEdit()->setValidator(new Cp936Validator(box));
  box->installEventFilter(this);
  box->lineEdit()->installEventFilter(this);
  for (const ui::AnnotationBox& b : ui::AnnotationBoxes())
    if (std::string(b.Field) == field)
      for (const std::string& item : b.List) box->addItem(WithAxisLabelStandIns(FromCp936(item)), FromCp936(item));
  const std::string name = field;
  connect(box, &QComboBox::textActivated, this, [this, box, name](const QString&) {
    const QVariant raw = box->currentData();
    Edited(name, raw.isValid() ? raw.toString() : box->currentText());
  });
  connect(box->lineEdit(), &QLineEdit::textEdited, this, [this, name](const QString& t) { Edited(name, t); });
  combos_[name] = box;
  return box;
}

void AnnotationFields::Edited(const std::string& field, const QString& text) {
  if (loading_) return;
  const std::optional<std::string> value = TryToCp936(text);
  if (!value) return;
  c_.Guarded([&] { c_.Grid().SetAnnotation(field, *value); });
  emit recordChanged();
  Refresh();
}

void AnnotationFields::Refresh() {
  loading_ = true;
  for (auto& [field, box] : combos_) {
    const QString shown = WithAxisLabelStandIns(FromCp936(FieldOf(c_, field.c_str())));
    if (!box->lineEdit()->hasFocus() && box->currentText() != shown) box->setEditText(shown);
    box->setEnabled(c_.Grid().AnnotationEnabled(field));
  }
  QComboBox* notes = combos_["BDSZS"];
  if (notes->count() != static_cast<int>(c_.Grid().NoteList().size())) {
    const QString keep = notes->currentText();
    notes->clear();
    for (const std::string& n : c_.Grid().NoteList()) notes->addItem(FromCp936(n));
    notes->setEditText(keep);
  }
  if (!coefficient_->hasFocus()) coefficient_->setText(FromCp936(FieldOf(c_, "XSVal")));
  if (!addition_->hasFocus()) addition_->setText(FromCp936(FieldOf(c_, "AddVal")));
  if (!copies_->hasFocus()) copies_->setValue(QString::fromStdString(FieldOf(c_, "BDSNum")).toInt());
  loading_ = false;
}

bool AnnotationFields::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
      focusNextChild();
      return true;
    }
    if ((watched == coefficient_ || watched == addition_) && !key->text().isEmpty() && key->text() != "\b") {
      const char32_t ch = key->text().toUcs4().value(0);
      if (!ui::AcceptsAdjustKey(ch)) return true;  // swallowed without a word
    }
  } else if (event->type() == QEvent::FocusIn) {
    if (auto* w = qobject_cast<QWidget*>(watched)) {
      QWidget* target = qobject_cast<QComboBox*>(w->parentWidget()) ? w->parentWidget() : w;
      c_.NoteInsertionTarget(target->objectName().toStdString());
    }
  } else if (event->type() == QEvent::FocusOut) {
    if (watched == combos_["BDSZS"]->lineEdit()) {
      if (const auto t = TryToCp936(combos_["BDSZS"]->currentText())) c_.Grid().LeaveNoteBox(*t);
      Refresh();
      if (combos_["BDSZS"]->count() > 0 && !combos_["BDSZS"]->currentText().isEmpty())
        combos_["BDSZS"]->setCurrentIndex(0);
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace takeoff::qtui
