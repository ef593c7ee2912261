// Fuzz target for the formula evaluator: arbitrary bytes (NUL, lone lead bytes of
// code page 936, deep nesting, stray brackets and operators) as a record formula,
// evaluated with the message switch armed, the way the record grid validates a
// formula the user has just typed. Any broken rule aborts:
//   - the value is finite; on an error it is 0;
//   - an error carries kind 1, 2 or 100, shows exactly one message (a standard
//     application message box), disarms the switch, and names nothing unless it is
//     an undefined reference;
//   - the first '$' or '&' of the text decides the outcome: kind 1 or kind 2;
//   - a success carries kind 0, shows nothing and leaves the switch armed;
//   - evaluating the same text again with the same evaluator gives the same value
//     and error record, and after an error shows nothing more (the switch is off);
//   - for plain ASCII texts without references or brackets, a trailing comment or
//     an inserted space changes neither the value, nor the error, nor the message.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "engine/evaluator.h"
#include "platform/host.h"

namespace {

using takeoff::engine::Evaluator;
using takeoff::engine::TErTYpe;
namespace platform = takeoff::platform;

class RecordingHost : public platform::Host {
public:
  platform::MsgAnswer MessageBox(const std::string& text, platform::MsgCaption caption,
                                 platform::MsgIcon icon, platform::MsgButtons buttons) override {
    Messages.push_back(text);
    StandardBox = StandardBox && caption == platform::MsgCaption::AppTitle &&
                  icon == platform::MsgIcon::None && buttons == platform::MsgButtons::Ok;
    return platform::MsgAnswer::Ok;
  }
  void ClearClipboard() override { ++ClipboardClears; }

  std::vector<std::string> Messages;
  bool StandardBox = true;
  int ClipboardClears = 0;
};

struct Outcome {
  double Value = 0;
  bool Ok = false;
  bool ArmedBefore = false;
  bool ArmedAfter = false;
  TErTYpe Error;
  std::vector<std::string> Messages;
  bool StandardBox = true;
  int ClipboardClears = 0;
};

// One evaluator with its host, as the program keeps them.
class Session {
public:
  Session() : evaluator_(&host_) {}

  // Evaluates `formula` as a record formula; `arm` arms the message switch first.
  Outcome Evaluate(std::string_view formula, bool arm) {
    host_.Messages.clear();
    host_.StandardBox = true;
    host_.ClipboardClears = 0;
    if (arm) evaluator_.ShowExprMsg = true;
    Outcome o;
    o.ArmedBefore = evaluator_.ShowExprMsg;
    // A stale record must not survive: EvalFormula clears it first.
    evaluator_.LastExprError = TErTYpe{takeoff::engine::kErOther, "stale"};
    o.Value = evaluator_.EvalFormula(formula, o.Error);
    o.Ok = evaluator_.ExprOk;
    o.ArmedAfter = evaluator_.ShowExprMsg;
    o.Messages = host_.Messages;
    o.StandardBox = host_.StandardBox;
    o.ClipboardClears = host_.ClipboardClears;
    return o;
  }

private:
  RecordingHost host_;
  Evaluator evaluator_;
};

[[noreturn]] void Fail(const char* rule, std::string_view formula, const Outcome& o) {
  std::fprintf(stderr, "eval_fuzz: %s\n  formula (%zu bytes):", rule, formula.size());
  for (unsigned char c : formula) std::fprintf(stderr, " %02X", c);
  std::fprintf(stderr, "\n  value %.17g, ExprOk %d, ErKind %d, %zu message(s)\n", o.Value, o.Ok ? 1 : 0,
               static_cast<int>(o.Error.ErKind), o.Messages.size());
  std::abort();
}

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// The rules every evaluation keeps, armed or not.
void CheckOutcome(std::string_view formula, const Outcome& o) {
  const bool armed = o.ArmedBefore;
  if (!std::isfinite(o.Value)) Fail("value is not finite", formula, o);
  if (o.ClipboardClears != 0) Fail("evaluation touched the clipboard", formula, o);
  if (!o.StandardBox) Fail("message is not a standard application message box", formula, o);
  if (o.Ok) {
    if (o.Error.ErKind != takeoff::engine::kErNone || !o.Error.ErName.empty())
      Fail("success with an error record", formula, o);
    if (!o.Messages.empty()) Fail("success showed a message", formula, o);
    if (o.ArmedAfter != armed) Fail("success changed the message switch", formula, o);
  } else {
    if (o.Value != 0) Fail("error with a value other than 0", formula, o);
    std::uint8_t kind = o.Error.ErKind;
    if (kind != takeoff::engine::kErUndefinedVariable && kind != takeoff::engine::kErUndefinedOpening &&
        kind != takeoff::engine::kErOther)
      Fail("error of an unknown kind", formula, o);
    if (kind == takeoff::engine::kErOther && !o.Error.ErName.empty())
      Fail("error of kind 100 names something", formula, o);
    if (o.Messages.size() != (armed ? 1U : 0U))
      Fail(armed ? "error did not show exactly one message" : "error showed a message while disarmed",
           formula, o);
    if (armed && o.Messages[0].empty()) Fail("error showed an empty message", formula, o);
    if (o.ArmedAfter) Fail("error left the message switch armed", formula, o);
  }

  // References are looked for before anything else, comments included; '$' and '&'
  // are never the second byte of a double-byte character.
  std::size_t ref = formula.find_first_of("$&");
  std::uint8_t expected = ref == std::string_view::npos ? takeoff::engine::kErNone
                          : formula[ref] == '$'         ? takeoff::engine::kErUndefinedVariable
                                                        : takeoff::engine::kErUndefinedOpening;
  if (expected != takeoff::engine::kErNone && o.Error.ErKind != expected)
    Fail("undefined reference not reported by its kind", formula, o);
  if (expected == takeoff::engine::kErNone && (o.Error.ErKind == takeoff::engine::kErUndefinedVariable ||
                                               o.Error.ErKind == takeoff::engine::kErUndefinedOpening))
    Fail("undefined reference reported for a text without one", formula, o);
}

bool SameResult(const Outcome& a, const Outcome& b, bool withMessages) {
  return SameBits(a.Value, b.Value) && a.Ok == b.Ok && a.Error == b.Error &&
         (!withMessages || a.Messages == b.Messages);
}

// ASCII only, no references and no brackets: texts on which a comment or a space
// cannot interact with what is already there.
bool PlainAscii(std::string_view formula) {
  for (unsigned char c : formula) {
    if (c >= 0x80 || c == '$' || c == '&' || c == '[' || c == ']') return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view formula(reinterpret_cast<const char*>(data), size);

  Session session;
  Outcome first = session.Evaluate(formula, true);
  CheckOutcome(formula, first);

  // The grid evaluates a formula again each time the record is displayed, with the
  // switch as the first evaluation left it: after an error nothing more is shown.
  Outcome again = session.Evaluate(formula, false);
  CheckOutcome(formula, again);
  if (!SameResult(first, again, false)) Fail("second evaluation differs", formula, again);

  if (PlainAscii(formula)) {
    std::string commented(formula);
    commented += "[x+1)(]";
    Outcome c = Session().Evaluate(commented, true);
    CheckOutcome(commented, c);
    if (!SameResult(first, c, true)) Fail("a trailing comment changed the outcome", commented, c);

    // A space at a place chosen by the input itself.
    std::string spaced(formula);
    spaced.insert(size == 0 ? 0 : data[0] % (size + 1), 1, ' ');
    Outcome s = Session().Evaluate(spaced, true);
    CheckOutcome(spaced, s);
    if (!SameResult(first, s, true)) Fail("an inserted space changed the outcome", spaced, s);
  }
  return 0;
}
