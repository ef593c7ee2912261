#pragma once
// Text at the Qt boundary: the core's code page 936 bytes to and from QString.
//
// Towards the screen the conversion is lossy (bytes that are no code page 936
// character show as U+FFFD). Towards the core a character the code page cannot hold
// is never replaced: ToCp936 throws, TryToCp936 answers nothing, and the text boxes
// that feed the core carry a Cp936Validator so that such characters cannot be typed
// or pasted in the first place.
#include <optional>
#include <string>
#include <string_view>

#include <QString>
#include <QValidator>

namespace takeoff::qtui {

// For display: invalid bytes become U+FFFD.
QString FromCp936(std::string_view cp936);

// Throws text::ConversionError when `text` holds a character outside code page 936.
std::string ToCp936(const QString& text);
// Nothing when `text` holds a character outside code page 936.
std::optional<std::string> TryToCp936(const QString& text);
// Every character outside code page 936 becomes '?'. Only for reading back a box that
// was filled around the validators; the byte offsets below count such a character 1.
std::string ToCp936Replacing(const QString& text);

// Length in code page 936 bytes of each character of `text` is summed up to UTF-16
// position `pos` (1 for ASCII and the euro sign, 2 for every other character; a
// character the code page cannot hold counts 1).
std::size_t Cp936Offset(const QString& text, qsizetype pos);
// The UTF-16 position of byte offset `bytes` of `text`, never inside a character
// (an offset inside a double-byte character moves to that character's end).
qsizetype Utf16Offset(const QString& text, std::size_t bytes);

// Refuses any input that holds a character outside code page 936.
class Cp936Validator : public QValidator {
  Q_OBJECT
public:
  using QValidator::QValidator;
  State validate(QString& input, int& pos) const override;
};

}  // namespace takeoff::qtui
