#include "ui/qt/fonts.h"

#include <array>

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPainter>
#include <QStyle>

namespace takeoff::qtui {

namespace {

struct Substitution {
  QStringList names;       // the faces the program asks for
  QStringList preferred;   // installed faces of the same style, best first
};

// Song (Ming) style, Kai style, and Hei (sans) style faces of the common Linux packages.
const QStringList kSong = {QStringLiteral("Noto Serif CJK SC"), QStringLiteral("Source Han Serif SC"),
                           QStringLiteral("AR PL UMing CN"),    QStringLiteral("AR PL SungtiL GB"),
                           QStringLiteral("WenQuanYi Zen Hei"), QStringLiteral("WenQuanYi Micro Hei"),
                           QStringLiteral("Noto Sans CJK SC")};
const QStringList kKai = {QStringLiteral("AR PL UKai CN"),     QStringLiteral("AR PL KaitiM GB"),
                          QStringLiteral("Noto Serif CJK SC"), QStringLiteral("AR PL UMing CN"),
                          QStringLiteral("WenQuanYi Zen Hei"), QStringLiteral("WenQuanYi Micro Hei"),
                          QStringLiteral("Noto Sans CJK SC")};
const QStringList kHei = {QStringLiteral("Noto Sans CJK SC"),  QStringLiteral("Source Han Sans SC"),
                          QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("WenQuanYi Zen Hei"),
                          QStringLiteral("Noto Serif CJK SC"), QStringLiteral("AR PL UMing CN")};

constexpr std::array<char, 23> kAxisLetters = {'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'J', 'K', 'L', 'M',
                                               'N', 'P', 'Q', 'R', 'S', 'T', 'U', 'V', 'W', 'X', 'Y'};

// Vertical axis number 11 to 100, or 0.
int VerticalNumber(char32_t c) {
  if (c >= 0xE07E && c <= 0xE0CA) return static_cast<int>(c - 0xE07E) + 11;
  if (c >= 0xE0E6 && c <= 0xE0F2) return static_cast<int>(c - 0xE0E6) + 88;
  return 0;
}

// Position 0 to 78 in the horizontal sequence, or -1.
int HorizontalIndex(char32_t c) {
  if (c >= 0xE0CB && c <= 0xE0E5) return static_cast<int>(c - 0xE0CB);
  if (c >= 0xE0FB && c <= 0xE11A) return static_cast<int>(c - 0xE0FB) + 27;
  if (c >= 0xE11C && c <= 0xE12F) return static_cast<int>(c - 0xE11C) + 59;
  return -1;
}

QString FromCodePoint(char32_t c) { return QString::fromUcs4(&c, 1); }

// The single code point `text` consists of, or 0.
char32_t SoleCodePoint(const QString& text) {
  const QList<uint> ucs = text.toUcs4();
  return ucs.size() == 1 ? static_cast<char32_t>(ucs.front()) : 0;
}

}  // namespace

bool InstallFontSubstitutions() {
  const QStringList installed = QFontDatabase::families();
  const QStringList chinese = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
  const std::array<Substitution, 3> table = {{
      {{QStringLiteral("宋体"), QStringLiteral("SimSun"), QStringLiteral("新宋体"), QStringLiteral("NSimSun")}, kSong},
      {{QStringLiteral("楷体_GB2312"), QStringLiteral("KaiTi_GB2312"), QStringLiteral("楷体"),
        QStringLiteral("KaiTi")},
       kKai},
      {{QStringLiteral("黑体"), QStringLiteral("SimHei")}, kHei},
  }};
  bool found = false;
  for (const Substitution& s : table) {
    QStringList faces;
    for (const QString& f : s.preferred)
      if (installed.contains(f)) faces << f;
    for (const QString& f : chinese)
      if (!faces.contains(f)) faces << f;
    if (faces.isEmpty()) continue;
    found = true;
    for (const QString& name : s.names) QFont::insertSubstitutions(name, faces);
  }
  return found;
}

bool IsAxisLabel(char32_t c) { return VerticalNumber(c) != 0 || HorizontalIndex(c) >= 0; }

QString AxisLabelName(char32_t c) {
  if (const int n = VerticalNumber(c)) return QString::number(n);
  const int h = HorizontalIndex(c);
  if (h < 0) return {};
  const QChar letter(kAxisLetters[static_cast<std::size_t>(h % 23)]);
  switch (h / 23) {
    case 0: return QString(letter);
    case 1: return QString(letter) + QLatin1Char('A');
    case 2: return QString(letter) + QLatin1Char('1');
    default: return QString(letter) + QLatin1Char('2');
  }
}

QString AxisLabelText(char32_t c) {
  if (const int n = VerticalNumber(c)) {
    if (n <= 20) return FromCodePoint(static_cast<char32_t>(0x246A + n - 11));
    if (n <= 35) return FromCodePoint(static_cast<char32_t>(0x3251 + n - 21));
    if (n <= 50) return FromCodePoint(static_cast<char32_t>(0x32B1 + n - 36));
    return QLatin1Char('(') + QString::number(n) + QLatin1Char(')');
  }
  const int h = HorizontalIndex(c);
  if (h < 0) return FromCodePoint(c);
  if (h < 23) return FromCodePoint(static_cast<char32_t>(0x24B6 + (kAxisLetters[static_cast<std::size_t>(h)] - 'A')));
  return QLatin1Char('(') + AxisLabelName(c) + QLatin1Char(')');
}

QString WithAxisLabelStandIns(const QString& text) {
  QString out;
  for (uint c : text.toUcs4()) out += AxisLabelText(static_cast<char32_t>(c));
  return out;
}

void DrawAxisLabel(QPainter& painter, const QRectF& rect, char32_t c) {
  const QString label = AxisLabelName(c);
  const qreal d = std::min(rect.width(), rect.height()) - 1.0;
  if (label.isEmpty() || d <= 2.0) return;
  const QRectF circle(rect.center().x() - d / 2, rect.center().y() - d / 2, d, d);
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setBrush(Qt::NoBrush);
  painter.drawEllipse(circle);
  // The label fills about two thirds of the circle's width.
  QFont font = painter.font();
  font.setPixelSize(std::max(1, static_cast<int>(d * 0.6)));
  const qreal room = d * 0.72;
  const qreal wide = QFontMetricsF(font).horizontalAdvance(label);
  if (wide > room) font.setPixelSize(std::max(1, static_cast<int>(font.pixelSize() * room / wide)));
  painter.setFont(font);
  painter.drawText(circle, Qt::AlignCenter, label);
  painter.restore();
}

void AxisLabelDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  const char32_t c = SoleCodePoint(index.data(Qt::DisplayRole).toString());
  if (!IsAxisLabel(c)) {
    QStyledItemDelegate::paint(painter, option, index);
    return;
  }
  QStyleOptionViewItem opt = option;
  initStyleOption(&opt, index);
  opt.text.clear();
  const QStyle* style = opt.widget ? opt.widget->style() : QApplication::style();
  style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, opt.widget);
  const QRect textRect = style->subElementRect(QStyle::SE_ItemViewItemText, &opt, opt.widget);
  painter->save();
  painter->setPen(opt.palette.color(opt.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text));
  painter->setFont(opt.font);
  const qreal side = std::min<qreal>(textRect.height(), textRect.width());
  DrawAxisLabel(*painter, QRectF(textRect.left(), textRect.top(), side, textRect.height()), c);
  painter->restore();
}

}  // namespace takeoff::qtui
