#pragma once
// Fonts: the Windows face names the program asks for, mapped onto the installed
// CJK faces, and the axis labels of the annotation boxes.
//
// The axis labels are code page 936 user-defined characters (U+E07E-U+E0CA and
// U+E0E6-U+E0F2 the vertical axes 11 to 100, after ① to ⑩; U+E0CB-U+E0E5,
// U+E0FB-U+E11A and U+E11C-U+E12F the 79 horizontal axes) that no installed font
// draws. The vertical ones stand for the axis numbers 11 to 100; the horizontal ones
// are given the drafting sequence of axis letters: A to Y without I and O (23), then
// AA to YA, then A1 to Y1, then A2 to K2. They are drawn as circled labels by
// DrawAxisLabel; where only text can go, AxisLabelText gives a stand-in.
#include <QString>
#include <QStyledItemDelegate>

class QPainter;
class QRectF;

namespace takeoff::qtui {

// Maps 宋体, 楷体_GB2312, 黑体 and their Latin names (SimSun, KaiTi_GB2312, SimHei)
// onto installed faces of similar style, else onto any installed face that covers
// Simplified Chinese. Returns false when no such face is installed.
bool InstallFontSubstitutions();

// Whether `c` is one of the axis-label characters above.
bool IsAxisLabel(char32_t c);
// The label an axis-label character stands for ("11" to "100", "A" to "K2"); empty
// for any other character.
QString AxisLabelName(char32_t c);
// A stand-in that fonts can show: the circled character where Unicode has one (⑪ to
// ㊿, Ⓐ to Ⓨ), else the label in brackets ("(51)", "(AA)"). Any other character as is.
QString AxisLabelText(char32_t c);
// `text` with every axis-label character replaced by its stand-in.
QString WithAxisLabelStandIns(const QString& text);

// Draws the axis label of `c` as a circle with its label, fitted into `rect`, in the
// painter's pen and font.
void DrawAxisLabel(QPainter& painter, const QRectF& rect, char32_t c);

// Paints items whose whole text is one axis-label character as a circled label;
// every other item as usual.
class AxisLabelDelegate : public QStyledItemDelegate {
  Q_OBJECT
public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

}  // namespace takeoff::qtui
