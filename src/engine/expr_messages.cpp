#include "engine/expr_messages.h"

#include "text/gbk.h"

namespace takeoff::engine::msg {
namespace {

std::string Join(std::string_view a, std::string_view b, std::string_view c = {}) {
  std::string s;
  s.reserve(a.size() + b.size() + c.size());
  s.append(a).append(b).append(c);
  return s;
}

// A UTF-8 literal of ours in code page 936, converted once.
#define GBK_TEXT(literal)                                     \
  [] {                                                        \
    static const std::string converted = text::Gbk(literal);  \
    return std::string_view(converted);                       \
  }()

}  // namespace

std::string UndefinedVariable(std::string_view reference) {
  return Join(GBK_TEXT("变量 \""), reference, GBK_TEXT("\" 没有定义，请定义该变量！"));
}
std::string UndefinedOpening(std::string_view name) {
  return Join(GBK_TEXT("门窗 \""), name, GBK_TEXT("\" 没有定义，请定义该门窗！"));
}
std::string UnmatchedComment() { return std::string(GBK_TEXT("您输入的计算式错误，“]”不配对")); }
std::string TooManyOperands() {
  return Join(GBK_TEXT("为了节约存储空间，输入计算参数不能多于"), "100",
              GBK_TEXT("个，请分解为多条记录！"));
}
std::string BadOperatorPair(std::string_view rest) { return Join(GBK_TEXT("计算式错误！\r\r"), rest); }
std::string BadOperator(std::string_view op) { return Join(GBK_TEXT("运算符错误 \""), op, "\" !"); }
std::string SeveralPoints(std::string_view run) {
  return Join(GBK_TEXT("输入数值错误，\r\r\""), run, GBK_TEXT("\"出现多个小数点！"));
}
std::string MissingArgument(std::string_view name) {
  return Join(GBK_TEXT("函数表达式错误，缺少\"(参数)\"！\r\r"), name);
}
std::string NoClosingBracket(std::string_view rest) {
  return Join(GBK_TEXT("函数表达式错误，没有配对的\")\"！\r\r("), rest);
}
std::string UnbalancedBrackets(std::string_view rest) {
  return Join(GBK_TEXT("函数表达式错误，缺少配对的\")\"！\r\r("), rest);
}
std::string NegativeRoot(std::string_view argument) {
  return Join(argument, GBK_TEXT("为负值，不能开平方！"));
}
std::string UnknownFunction(std::string_view name) {
  return Join(GBK_TEXT("表达式、函数或变量名错误!\r\r"), name);
}
std::string DivisionByZero(std::string_view left) {
  return Join(GBK_TEXT("计算式错误，分母不能是\"0\"！\r\r"), left, "/0");
}
std::string NotANumber(std::string_view what) {
  return Join(GBK_TEXT("计算式错误，计算结果超出数值范围或函数参数无效！\r\r"), what);
}

}  // namespace takeoff::engine::msg
