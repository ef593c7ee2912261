#include "ui/qt/add_node_dialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QToolButton>

#include "ui/qt/icons.h"
#include "ui/qt/qt_text.h"

namespace takeoff::qtui {

namespace {
constexpr int kOriginalBytes = Qt::UserRole;  // an entry's code page 936 bytes as given
}

AddNodeDialog::AddNodeDialog(const std::string& caption, const std::string& prompt, const std::string& defaultName,
                             const std::vector<std::string>& history, std::int64_t count, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      prompt_(new QLabel(FromCp936(prompt), this)),
      name_(new QComboBox(this)),
      clear_(new QToolButton(this)),
      count_(new QLineEdit(this)),
      ok_(new QPushButton(QStringLiteral("确 定(&Y)"), this)),
      cancel_(new QPushButton(QStringLiteral("放 弃(&N)"), this)) {
  setObjectName(QStringLiteral("TfmAdd"));
  setWindowTitle(FromCp936(caption));
  setModal(true);

  name_->setObjectName(QStringLiteral("ComboBox1"));
  name_->setEditable(true);
  name_->setInsertPolicy(QComboBox::NoInsert);
  name_->setMinimumWidth(220);
  name_->lineEdit()->setValidator(new Cp936Validator(name_));
  for (const std::string& entry : history)
    name_->addItem(FromCp936(entry), QByteArray(entry.data(), static_cast<qsizetype>(entry.size())));
  name_->setCurrentIndex(-1);
  name_->setEditText(FromCp936(defaultName));
  prompt_->setBuddy(name_);

  clear_->setObjectName(QStringLiteral("ClearHistory"));
  clear_->setToolTip(QStringLiteral("从系统中清除"));
  clear_->setIcon(CommandIcon("ClearHistory"));
  clear_->setFocusPolicy(Qt::NoFocus);
  connect(clear_, &QToolButton::clicked, this, &AddNodeDialog::ClearSelectedEntry);

  count_->setObjectName(QStringLiteral("SpinEdit1"));
  count_->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("-?[0-9]{0,18}")), count_));
  count_->setText(QString::number(count));
  auto* countLabel = new QLabel(QStringLiteral("重复件数"), this);
  countLabel->setBuddy(count_);

  ok_->setObjectName(QStringLiteral("BitBtn1"));
  cancel_->setObjectName(QStringLiteral("BitBtn2"));
  connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);

  auto* grid = new QGridLayout(this);
  grid->addWidget(prompt_, 0, 0, 1, 3);
  grid->addWidget(name_, 1, 0, 1, 2);
  grid->addWidget(clear_, 1, 2);
  grid->addWidget(countLabel, 2, 0);
  grid->addWidget(count_, 2, 1, 1, 2);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok_);
  buttons->addWidget(cancel_);
  grid->addLayout(buttons, 3, 0, 1, 3);

  // Enter moves on instead of closing the dialog.
  name_->installEventFilter(this);
  name_->lineEdit()->installEventFilter(this);
  count_->installEventFilter(this);

  adjustSize();
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
  name_->setFocus();
  name_->lineEdit()->selectAll();
}

bool AddNodeDialog::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      focusNextChild();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void AddNodeDialog::ClearSelectedEntry() {
  const int i = name_->currentIndex();
  if (i < 0) return;
  const QString typed = name_->currentText();
  name_->removeItem(i);
  name_->setCurrentIndex(-1);
  name_->setEditText(typed);
}

std::string AddNodeDialog::Name() const {
  const QString typed = name_->currentText();
  // A chosen entry goes back byte for byte, even one the screen shows lossily.
  const int i = name_->currentIndex();
  if (i >= 0 && name_->itemText(i) == typed) return name_->itemData(i, kOriginalBytes).toByteArray().toStdString();
  return ToCp936Replacing(typed);
}

std::int64_t AddNodeDialog::Count() const { return count_->text().toLongLong(); }

std::vector<std::string> AddNodeDialog::History() const {
  std::vector<std::string> out;
  out.reserve(static_cast<std::size_t>(name_->count()));
  for (int i = 0; i < name_->count(); ++i) out.push_back(name_->itemData(i, kOriginalBytes).toByteArray().toStdString());
  return out;
}

}  // namespace takeoff::qtui
