#pragma once
// Putting parameter values into formula templates.
#include <string>
#include <string_view>
#include <vector>

namespace takeoff::engine {

// A parameter value ready to stand in a formula: trimmed of spaces and control
// characters, "0" when empty, leading '+' signs dropped, and bracketed when a '+' or
// '-' remains anywhere ("-3" -> "(-3)", "5E-5" -> "(5E-5)"). Only '+' signs give "".
std::string WrapSigned(std::string_view value);

// The placeholder of a template parameter in a stored formula: "@" + code, plus "0"
// when the code is one byte long ("L" -> "@L0", "L1" -> "@L1").
std::string ParameterToken(std::string_view code);

// Replaces the placeholder of each parameter by its value (through WrapSigned).
// The placeholder comes from the label: "长度[L]" stands for "@L0" (a one-byte key
// gets a '0'), "边长[L1]" for "@L1", a label without a bracketed key for "@" alone.
// With `withLabels` each value is preceded by the label's name as a comment
// ("[长度]3.6"). A value without a label (labels shorter than values) has an empty one.
std::string FillTemplate(std::string_view tmpl, const std::vector<std::string>& values,
                         const std::vector<std::string>& labels, bool withLabels);

}  // namespace takeoff::engine
