// takeoff-cli eval: formulas evaluated exactly as a calculation record is computed.
#include <iostream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cli/cli_support.h"
#include "engine/evaluator.h"
#include "engine/number_text.h"
#include "engine/resolve_refs.h"
#include "text/gbk.h"

namespace takeoff::cli {
namespace {

struct EvalOptions {
  std::vector<engine::ValRecords> Variables;
  std::vector<engine::ValWinRecords> Openings;
  bool Json = false;
  std::vector<std::string> Formulas;  // UTF-8, as given
};

// NAME=REST split at the first '='.
std::pair<std::string, std::string> SplitAssignment(std::string_view arg, std::string_view option) {
  std::size_t eq = arg.find('=');
  if (eq == std::string_view::npos || eq == 0)
    throw UsageError(std::string(option) + " expects NAME=VALUE, got: " + std::string(arg));
  return {ArgToGbk(arg.substr(0, eq), option), std::string(arg.substr(eq + 1))};
}

engine::ValWinRecords ParseOpening(std::string_view arg) {
  auto [name, rest] = SplitAssignment(arg, "--opening");
  double dims[5];
  std::size_t from = 0;
  for (int i = 0; i < 5; ++i) {
    std::size_t comma = i < 4 ? rest.find(',', from) : rest.size();
    if (comma == std::string::npos) throw UsageError("--opening expects NAME=S,H,W1,W2,L, got: " + std::string(arg));
    dims[i] = ParseNumber(std::string_view(rest).substr(from, comma - from), "--opening");
    from = comma + 1;
  }
  return {name, dims[0], dims[1], dims[2], dims[3], dims[4]};
}

EvalOptions ParseOptions(int argc, char** argv) {
  EvalOptions o;
  for (int i = 0; i < argc; ++i) {
    std::string_view a = argv[i];
    auto value = [&]() -> std::string_view {
      if (i + 1 >= argc) throw UsageError(std::string(a) + " needs a value");
      return argv[++i];
    };
    if (a == "--json") {
      o.Json = true;
    } else if (a == "--var") {
      auto [name, v] = SplitAssignment(value(), "--var");
      o.Variables.push_back({name, ParseNumber(v, "--var")});
    } else if (a == "--opening") {
      o.Openings.push_back(ParseOpening(value()));
    } else if (a == "--") {
      for (++i; i < argc; ++i) o.Formulas.emplace_back(argv[i]);
    } else if (a.size() > 2 && a.substr(0, 2) == "--") {
      throw UsageError("unknown option: " + std::string(a));
    } else {
      o.Formulas.emplace_back(a);
    }
  }
  return o;
}

struct Outcome {
  bool Ok = false;
  double Value = 0;
  engine::TErTYpe Error;
  std::string Message;  // code page 936; empty when none was shown
};

Outcome EvaluateOne(engine::Evaluator& ev, RecordingHost& host, const EvalOptions& o, const std::string& utf8) {
  Outcome out;
  std::string formula;
  try {
    formula = text::Utf8ToCp936(utf8);
  } catch (const text::ConversionError& e) {
    out.Error.ErKind = engine::kErOther;
    out.Message = text::Gbk(e.what());
    return out;
  }
  host.Shown.clear();
  ev.ShowExprMsg = true;  // a freshly typed record formula arms the message switch
  out.Value = ev.EvalFormula(engine::ResolveRefs(formula, o.Variables, o.Openings), out.Error);
  out.Ok = ev.ExprOk;
  out.Message = host.Shown;
  return out;
}

void Print(const Outcome& r, const std::string& utf8Formula, bool json) {
  if (json) {
    nlohmann::ordered_json j;
    j["formula"] = utf8Formula;
    j["ok"] = r.Ok;
    j["value"] = r.Value;
    j["text"] = engine::FormatNumberText(r.Value);
    j["kind"] = r.Error.ErKind;
    j["name"] = text::Cp936ToUtf8Lossy(r.Error.ErName);
    j["message"] = text::Cp936ToUtf8Lossy(r.Message);
    std::cout << j.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n';
  } else if (r.Ok) {
    std::cout << engine::FormatNumberText(r.Value) << '\n';
  } else {
    std::cout << "error: " << ShowText(r.Message) << '\n';
  }
}

}  // namespace

int RunEval(int argc, char** argv) {
  EvalOptions o = ParseOptions(argc, argv);
  RecordingHost host;
  engine::Evaluator ev(&host);
  bool allOk = true;
  auto one = [&](const std::string& f) {
    Outcome r = EvaluateOne(ev, host, o, f);
    allOk = allOk && r.Ok;
    Print(r, f, o.Json);
  };
  if (!o.Formulas.empty()) {
    for (const std::string& f : o.Formulas) one(f);
  } else {
    for (std::string line; std::getline(std::cin, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      one(line);
    }
  }
  std::cout.flush();
  return allOk ? 0 : 1;
}

}  // namespace takeoff::cli
