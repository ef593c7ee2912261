#include "ui/qt/about_dialog.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/qt/product_text.h"

namespace takeoff::qtui {

AboutDialog::AboutDialog(QWidget* parent, const QString& applicationTitle)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      title_(new QLabel(this)),
      ok_(new QPushButton(QStringLiteral("确  定"), this)) {
  setObjectName(QStringLiteral("TfmAbout"));
  setWindowTitle(QStringLiteral("关于本软件"));
  setModal(true);
  const QString app = applicationTitle.isEmpty() ? QGuiApplication::applicationDisplayName() : applicationTitle;
  title_->setText(app + VersionText());
  title_->setAlignment(Qt::AlignCenter);
  QFont font = title_->font();
  font.setPixelSize(18);
  font.setBold(true);
  title_->setFont(font);

  auto* product = new QLabel(ProductTitle(), this);
  product->setAlignment(Qt::AlignCenter);

  ok_->setDefault(true);
  connect(ok_, &QPushButton::clicked, this, &QDialog::accept);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(24, 20, 24, 16);
  layout->setSpacing(12);
  layout->addWidget(title_);
  layout->addWidget(product);
  auto* row = new QHBoxLayout;
  row->addStretch();
  row->addWidget(ok_);
  row->addStretch();
  layout->addLayout(row);
  setMinimumWidth(320);
}

}  // namespace takeoff::qtui
