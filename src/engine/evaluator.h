#pragma once
// The formula evaluator: an operator-precedence reader that works directly on the
// formula text, rewriting its front as it goes (implied '*', inserted '0', collapsed
// operator pairs), with one operand stack and one operator stack.
#include <cstdint>
#include <string>
#include <string_view>

namespace takeoff::platform { class Host; }

namespace takeoff::engine {

// Kinds of evaluation error.
enum : std::uint8_t {
  kErNone = 0,
  kErUndefinedVariable = 1,
  kErUndefinedOpening = 2,
  kErOther = 100,
};

// The error record of an evaluation: ErName names the undefined variable or opening.
struct TErTYpe {
  std::uint8_t ErKind = kErNone;
  std::string ErName;
  bool operator==(const TErTYpe&) const = default;
};

// Evaluator state. The program has one (ProcessEvaluator); tests make their own.
class Evaluator {
public:
  explicit Evaluator(platform::Host* host = nullptr) : host_(host) {}

  // Where error messages are shown while ShowExprMsg is armed; may be null.
  void SetHost(platform::Host* host) { host_ = host; }

  // Evaluates one formula text (references already resolved). On an error returns 0
  // with ExprOk false; the message is shown only while ShowExprMsg is armed.
  double EvalExpr(std::string_view formula);

  // Clears LastExprError, evaluates, and copies LastExprError into `error`.
  double EvalFormula(std::string_view formula, TErTYpe& error);

  // True after a successful evaluation; false after any error.
  bool ExprOk = false;
  // One-shot message switch: armed by the validation of a record formula, turned
  // off by the next error, whether or not that error was shown.
  bool ShowExprMsg = false;
  // The error record of the latest evaluation.
  TErTYpe LastExprError;

private:
  friend class EvalRun;
  void Fail(const std::string& message);

  platform::Host* host_;
};

// The evaluator of the running program.
Evaluator& ProcessEvaluator();

}  // namespace takeoff::engine
