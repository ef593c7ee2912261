#pragma once
// The evaluator's messages to the user (code page 936). Arguments are code page 936 too.
#include <string>
#include <string_view>

namespace takeoff::engine::msg {

std::string UndefinedVariable(std::string_view reference);   // $[...] left in the text
std::string UndefinedOpening(std::string_view name);         // &[..._S] left in the text
std::string UnmatchedComment();                              // '[' or ']' without ']'
std::string TooManyOperands();                               // a stack limit
std::string BadOperatorPair(std::string_view rest);          // "*-", "(*", ...
std::string BadOperator(std::string_view op);                // precedence error
std::string SeveralPoints(std::string_view run);             // "1.2.3"
std::string MissingArgument(std::string_view name);          // function name without "(x)"
std::string NoClosingBracket(std::string_view rest);         // no ')' after a function
std::string UnbalancedBrackets(std::string_view rest);       // no matching ')'
std::string NegativeRoot(std::string_view argument);         // SQRT of a negative value
std::string UnknownFunction(std::string_view name);          // name not a function
std::string DivisionByZero(std::string_view left);           // divisor below 1e-8
std::string NotANumber(std::string_view what);               // overflow, domain error

}  // namespace takeoff::engine::msg
