#include "engine/evaluator.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

#include "engine/expr_messages.h"
#include "engine/number_text.h"
#include "platform/host.h"
#include "text/gbk.h"

namespace takeoff::engine {
namespace {

constexpr char kEnd = '\x07';           // end of text and bottom of the operator stack
constexpr char kErrMark = '\x01';       // result of reading a bad operator pair
constexpr int kMaxOperands = 99;
constexpr int kMaxOperators = 100;
constexpr int kMaxNesting = 100;        // function arguments evaluated inside each other
constexpr long double kPi = 3.141592653589793238462643383279502884L;
constexpr double kPiDouble = 3.141592653589793;

using text::IsAsciiLetter;
using text::IsDigit;

bool IsOperatorByte(char c) { return c == ')' || c == '*' || c == '+' || c == '-' || c == '/'; }

// Bytes after which an implied '*' is inserted before an operand.
bool StartsOperand(char c) {
  return c == '(' || c == '.' || IsDigit(static_cast<unsigned char>(c)) ||
         IsAsciiLetter(static_cast<unsigned char>(c));
}

// Text shown in a message: the rest of the formula without the end marker.
std::string_view Shown(std::string_view rest) {
  if (!rest.empty() && rest.back() == kEnd) rest.remove_suffix(1);
  return rest;
}

enum class Rel { Less, Equal, Greater, Result, Error };

int OperatorClass(char c) {
  switch (c) {
    case '+': case '-': return 0;
    case '*': case '/': return 1;
    case '(': return 2;
    case ')': return 3;
    case kEnd: return 4;
    default: return -1;
  }
}

// Precedence relation of (top of stack, incoming).
Rel Relation(char top, char incoming) {
  static constexpr Rel L = Rel::Less, E = Rel::Equal, G = Rel::Greater, R = Rel::Result, X = Rel::Error;
  static constexpr Rel table[5][5] = {
      //  +-  */  (   )   end
      {G, L, L, G, G},  // + -
      {G, G, L, G, G},  // * /
      {L, L, L, E, X},  // (
      {G, G, X, G, G},  // )
      {L, L, L, X, R},  // end
  };
  int t = OperatorClass(top), k = OperatorClass(incoming);
  if (t < 0 || k < 0) return Rel::Error;
  return table[t][k];
}

}  // namespace

// One evaluation of one formula text (a function argument gets one of its own).
class EvalRun {
public:
  EvalRun(Evaluator& ev, int depth) : ev_(ev), depth_(depth) {}

  double Run(std::string_view formula) {
    ev_.ExprOk = true;
    if (depth_ > kMaxNesting) return Fail(msg::TooManyOperands());
    if (!CheckReferences(formula)) return 0;
    if (!Clean(formula)) return 0;
    return MainLoop();
  }

private:
  double Fail(const std::string& message) {
    ev_.Fail(message);
    return 0;
  }

  // A number that is no number (overflow, domain error) fails like any other error;
  // `what` names the computation in the message and is only built then.
  template <typename What>
  bool Checked(long double value, What what, double& out) {
    out = static_cast<double>(value);
    if (std::isfinite(out)) return true;
    Fail(msg::NotANumber(what()));
    return false;
  }

  // Step 1: a '$' or '&' left in the text is an undefined variable or opening.
  bool CheckReferences(std::string_view s) {
    std::size_t d = s.find_first_of("$&");
    if (d == std::string_view::npos) return true;
    std::size_t q = text::FindChar(s, ']', d);
    if (q == std::string_view::npos) q = s.size();  // no ']': the reference runs to the end
    std::string_view reference = s.substr(d, q - d + 1);
    std::string_view inner = q > d + 2 ? s.substr(d + 2, q - d - 2) : std::string_view();
    if (s[d] == '$') {
      Fail(msg::UndefinedVariable(reference));
      ev_.LastExprError = {kErUndefinedVariable, std::string(inner)};
    } else {
      // The opening name ends before the last '_' (M1_S, M1_W1 -> M1).
      std::size_t cut = std::string_view::npos;
      for (std::size_t i = 0; i < inner.size(); i += text::CharLength(inner, i))
        if (inner[i] == '_') cut = i;
      std::string name(inner.substr(0, cut));
      Fail(msg::UndefinedOpening(name));
      ev_.LastExprError = {kErUndefinedOpening, name};
    }
    return false;
  }

  // Steps 2-5: remove comments and spaces, trim stray bytes at both ends, prefix a
  // leading '-' with 0 and append the end marker. The second bytes of double-byte
  // characters are tracked so that they never pass for brackets or letters.
  bool Clean(std::string_view f) {
    std::string t;
    std::string trail;  // '\1' where t holds the second byte of a double-byte character
    t.reserve(f.size() + 2);
    trail.reserve(f.size() + 2);
    for (std::size_t i = 0; i < f.size();) {
      std::size_t len = text::CharLength(f, i);
      char c = f[i];
      if (len == 1 && (c == '[' || c == ']')) {
        std::size_t close = text::FindChar(f, ']', i);
        if (close == std::string_view::npos) {
          Fail(msg::UnmatchedComment());
          return false;
        }
        i = close + 1;
        continue;
      }
      if (c != ' ') {
        t.append(f, i, len);
        trail += '\0';
        if (len == 2) trail += '\1';
      }
      i += len;
    }

    auto is = [&](std::size_t i, auto pred) {
      return trail[i] == '\0' && pred(static_cast<unsigned char>(t[i]));
    };
    auto endOk = [](unsigned char c) { return c == ')' || c == ']' || IsDigit(c) || IsAsciiLetter(c); };
    auto startOk = [](unsigned char c) {
      return c == '$' || c == '(' || c == '-' || c == '.' || c == '[' || IsDigit(c) || IsAsciiLetter(c);
    };
    std::size_t b = 0, e = t.size();
    for (bool changed = true; changed;) {
      changed = false;
      while (e > b && !is(e - 1, endOk)) --e, changed = true;
      while (b < e && !is(b, startOk)) ++b, changed = true;
    }

    s_.clear();
    s_.reserve(e - b + 3);
    if (b == e) {
      s_ = "0";
    } else {
      if (t[b] == '-') s_ = "0";
      s_.append(t, b, e - b);
    }
    s_ += kEnd;
    p_ = 0;
    return true;
  }

  // Step 6: the operator-precedence loop.
  double MainLoop() {
    double operands[kMaxOperands];
    char operators[kMaxOperators];
    int nOperands = 0, nOperators = 0;
    operators[nOperators++] = kEnd;

    for (;;) {
      char c = s_[p_];
      if (c == '.' || IsDigit(static_cast<unsigned char>(c)) || IsAsciiLetter(static_cast<unsigned char>(c))) {
        if (nOperands >= kMaxOperands) return Fail(msg::TooManyOperands());
        double v;
        if (!(c == '.' || IsDigit(static_cast<unsigned char>(c)) ? ReadNumber(v) : ReadFunction(v))) return 0;
        operands[nOperands++] = v;
        continue;
      }

      std::size_t start = p_;
      char k = ReadOperator();
      if (k == kErrMark) return Fail(msg::BadOperatorPair(Shown(std::string_view(s_).substr(start))));
      for (;;) {
        char top = operators[nOperators - 1];
        Rel rel = Relation(top, k);
        if (rel == Rel::Greater && nOperands < 2) rel = Rel::Error;
        if (rel == Rel::Result && nOperands < 1) rel = Rel::Error;
        switch (rel) {
          case Rel::Less:
            if (nOperators >= kMaxOperators) return Fail(msg::TooManyOperands());
            operators[nOperators++] = k;
            break;
          case Rel::Equal:
            --nOperators;
            break;
          case Rel::Greater: {
            char op = operators[--nOperators];
            double right = operands[--nOperands];
            double left = operands[nOperands - 1];
            if (!Apply(op, left, right, operands[nOperands - 1])) return 0;
            continue;  // relation again with the same incoming operator
          }
          case Rel::Result: {
            double r = operands[nOperands - 1];
            return r == 0 ? 0.0 : r;  // never a negative zero as a quantity
          }
          case Rel::Error:
            return Fail(msg::BadOperator(QuotedOperator(start, k, top)));
        }
        break;
      }
    }
  }

  // The operator character named in a precedence error: the incoming one, a whole
  // double-byte character when it is one, or the open bracket left at the end.
  std::string QuotedOperator(std::size_t start, char k, char top) const {
    if (k == kEnd) return std::string(1, top == kEnd ? ')' : top);
    return s_.substr(start, text::CharLength(s_, start));
  }

  // Step 7: a number.
  bool ReadNumber(double& value) {
    std::size_t end = p_, points = 0;
    while (s_[end] == '.' || IsDigit(static_cast<unsigned char>(s_[end]))) {
      if (s_[end] == '.') ++points;
      ++end;
    }
    std::string_view run = std::string_view(s_).substr(p_, end - p_);
    if (points >= 2) {
      Fail(msg::SeveralPoints(run));
      return false;
    }
    if (run == ".") {
      value = 0;
    } else {
      auto [ptr, ec] = std::from_chars(run.data(), run.data() + run.size(), value);
      if (ec != std::errc() || ptr != run.data() + run.size()) {
        // Out of range: strtod gives infinity or the nearest small value.
        value = std::strtod(std::string(run).c_str(), nullptr);
      }
      if (!Checked(value, [&] { return run; }, value)) return false;
    }
    p_ = end;
    if (s_[p_] == '(' || IsAsciiLetter(static_cast<unsigned char>(s_[p_]))) s_[--p_] = '*';
    return true;
  }

  // Step 8: the constant pi or a function with its bracketed argument.
  bool ReadFunction(double& value) {
    if (s_.compare(p_, 2, "pi") == 0) {
      p_ += 2;
      value = kPiDouble;
      // An operand right after pi multiplies, as after a number.
      if (StartsOperand(s_[p_])) s_[--p_] = '*';
      return true;
    }

    std::size_t open = s_.find('(', p_);
    if (open == std::string::npos) open = s_.size();
    const std::string name = text::UpperAscii(std::string_view(s_).substr(p_, open - p_));
    p_ = open;
    if (s_.size() - p_ < 3) {
      Fail(msg::MissingArgument(Shown(name)));
      return false;
    }
    std::string_view rest = std::string_view(s_).substr(p_);
    std::size_t firstClose = rest.find(')');
    if (firstClose == std::string_view::npos) {
      Fail(msg::NoClosingBracket(Shown(rest.substr(1))));
      return false;
    }
    int depth = 0;
    for (std::size_t i = 0; i < firstClose; ++i)
      if (rest[i] == '(') ++depth;
    std::size_t close = firstClose;
    for (; close < rest.size(); ++close) {
      if (rest[close] == '(') ++depth;
      else if (rest[close] == ')' && --depth == 0) break;
    }
    if (close >= rest.size()) {
      Fail(msg::UnbalancedBrackets(Shown(rest.substr(1))));
      return false;
    }
    std::string argument(rest.substr(1, close - 1));
    if (argument.empty()) argument = "0";
    p_ += close + 1;
    if (StartsOperand(s_[p_])) s_[--p_] = '*';

    double x = EvalRun(ev_, depth_ + 1).Run(argument);
    if (!ev_.ExprOk) return false;
    return ApplyFunction(name, argument, x, value);
  }

  bool ApplyFunction(const std::string& name, const std::string& argument, double x, double& value) {
    const long double X = x;
    const long double toRad = kPi / 180, toDeg = 180 / kPi;
    long double r;
    bool defined = true;
    if (name == "SIN") r = std::sin(X * toRad);
    else if (name == "COS") r = std::cos(X * toRad);
    else if (name == "TAN") { r = std::tan(X * toRad); defined = std::fmod(X - 90, 180.0L) != 0; }
    else if (name == "COT") { r = 1 / std::tan(X * toRad); defined = std::fmod(X, 180.0L) != 0; }
    else if (name == "SQR") r = X * X;
    else if (name == "SQRT") {
      if (x < 0) {
        Fail(msg::NegativeRoot(argument));
        return false;
      }
      r = std::sqrt(X);
    }
    else if (name == "VQR") r = X * 8;
    else if (name == "YMJ") r = X * X * kPi;
    else if (name == "YZC") r = X * (2 * kPi);
    else if (name == "QTJ") r = X * X * (4 * kPi / 3) * X;
    else if (name == "QMJ") r = X * X * (4 * kPi);
    else if (name == "INT") r = std::trunc(X);
    else if (name == "ARCSIN") r = std::atan2(X, std::sqrt(1 - X * X)) * toDeg;
    else if (name == "ARCCOS") r = std::atan2(std::sqrt(1 - X * X), X) * toDeg;
    else if (name == "ARCTAN") r = std::atan(X) * toDeg;
    else if (name == "ARCCOT") r = x == 0 ? 90 : std::atan(1 / X) * toDeg;
    else {
      Fail(msg::UnknownFunction(name));
      return false;
    }
    if (!defined) r = NAN;
    return Checked(r, [&] { return name + "(" + argument + ")"; }, value);
  }

  // Step 9: an operator, with the collapsing of operator pairs.
  char ReadOperator() {
    char ch = s_[p_++];
    if (ch == ')') {
      if (StartsOperand(s_[p_])) s_[--p_] = '*';
      return ch;
    }
    enum Act { None, Drop, Zero, Err, DropMinus, DropPlus, DropDiv, DropMul };
    while (IsOperatorByte(s_[p_])) {
      char next = s_[p_];
      Act act = None;
      switch (ch) {
        case '(':
          act = next == ')' || next == '-' ? Zero : next == '+' ? Drop : Err;
          break;
        case '+':
          act = next == ')' ? Zero : next == '+' ? Drop : next == '-' ? DropMinus : Err;
          break;
        case '-':
          act = next == ')' ? Zero : next == '+' ? Drop : next == '-' ? DropPlus : Err;
          break;
        case '*':
          act = next == '*' ? Drop : next == '/' ? DropDiv : Err;
          break;
        case '/':
          act = next == '*' ? Drop : next == '/' ? DropMul : Err;
          break;
        default:
          break;
      }
      switch (act) {
        case None: return ch;
        case Err: return kErrMark;
        case Zero: s_[--p_] = '0'; return ch;
        case Drop: break;
        case DropMinus: ch = '-'; break;
        case DropPlus: ch = '+'; break;
        case DropDiv: ch = '/'; break;
        case DropMul: ch = '*'; break;
      }
      ++p_;
    }
    return ch;
  }

  // Step 11: one binary operation in extended precision, stored back as a double.
  bool Apply(char op, double left, double right, double& out) {
    const long double l = left, r = right;
    long double v;
    switch (op) {
      case '+': v = l + r; break;
      case '-': v = l - r; break;
      case '*': v = l * r; break;
      default:
        if (std::fabs(right) < 1e-8) {
          Fail(msg::DivisionByZero(FormatNumberText(left)));
          return false;
        }
        v = l / r;
        break;
    }
    return Checked(v, [&] { return FormatNumberText(left) + op + FormatNumberText(right); }, out);
  }

  Evaluator& ev_;
  int depth_;
  std::string s_;     // the remaining text is s_[p_..]
  std::size_t p_ = 0;
};

void Evaluator::Fail(const std::string& message) {
  ExprOk = false;
  LastExprError = {kErOther, {}};
  if (ShowExprMsg) {
    ShowExprMsg = false;
    if (host_) host_->ShowMessage(message);
  }
}

double Evaluator::EvalExpr(std::string_view formula) { return EvalRun(*this, 0).Run(formula); }

double Evaluator::EvalFormula(std::string_view formula, TErTYpe& error) {
  LastExprError = {};
  double value = EvalExpr(formula);
  error = LastExprError;
  return value;
}

Evaluator& ProcessEvaluator() {
  static Evaluator evaluator;
  return evaluator;
}

}  // namespace takeoff::engine
