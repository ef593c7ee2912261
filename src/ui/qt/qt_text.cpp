#include "ui/qt/qt_text.h"

#include <QStringView>

#include "text/gbk.h"

namespace takeoff::qtui {

namespace {

// Bytes of one code point in code page 936, 0 when the code page cannot hold it.
std::size_t Cp936Bytes(char32_t c) {
  if (c < 0x80) return 1;
  if (c == 0x20AC) return 1;  // the euro sign is the single byte 0x80
  const QString one = QString::fromUcs4(&c, 1);
  try {
    return text::Utf8ToCp936(one.toStdString()).size();
  } catch (const text::ConversionError&) {
    return 0;
  }
}

// Calls f(utf16Start, utf16End, codePoint) for each code point of `text`.
template <typename F>
void ForEachCodePoint(const QString& text, F f) {
  qsizetype i = 0;
  while (i < text.size()) {
    char32_t c = text[i].unicode();
    qsizetype n = 1;
    if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
      c = QChar::surrogateToUcs4(text[i], text[i + 1]);
      n = 2;
    }
    if (!f(i, i + n, c)) return;
    i += n;
  }
}

}  // namespace

QString FromCp936(std::string_view cp936) { return QString::fromStdString(text::Cp936ToUtf8Lossy(cp936)); }

std::string ToCp936(const QString& text) { return text::Utf8ToCp936(text.toStdString()); }

std::optional<std::string> TryToCp936(const QString& text) {
  try {
    return ToCp936(text);
  } catch (const text::ConversionError&) {
    return std::nullopt;
  }
}

std::string ToCp936Replacing(const QString& text) {
  if (auto whole = TryToCp936(text)) return *whole;
  std::string out;
  ForEachCodePoint(text, [&](qsizetype begin, qsizetype end, char32_t c) {
    if (Cp936Bytes(c) == 0) out += '?';
    else out += ToCp936(text.mid(begin, end - begin));
    return true;
  });
  return out;
}

std::size_t Cp936Offset(const QString& text, qsizetype pos) {
  std::size_t bytes = 0;
  ForEachCodePoint(text, [&](qsizetype begin, qsizetype, char32_t c) {
    if (begin >= pos) return false;
    bytes += std::max<std::size_t>(Cp936Bytes(c), 1);
    return true;
  });
  return bytes;
}

qsizetype Utf16Offset(const QString& text, std::size_t bytes) {
  std::size_t at = 0;
  qsizetype result = 0;
  ForEachCodePoint(text, [&](qsizetype, qsizetype end, char32_t c) {
    if (at >= bytes) return false;
    at += std::max<std::size_t>(Cp936Bytes(c), 1);
    result = end;
    return true;
  });
  return result;
}

QValidator::State Cp936Validator::validate(QString& input, int& /*pos*/) const {
  return TryToCp936(input) ? Acceptable : Invalid;
}

}  // namespace takeoff::qtui
