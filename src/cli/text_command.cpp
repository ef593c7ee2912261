// takeoff-cli text: one call of a formula text routine.
#include <functional>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "cli/cli_support.h"
#include "engine/annotation.h"
#include "engine/convert_error.h"
#include "engine/naming.h"
#include "engine/number_text.h"
#include "engine/template_text.h"
#include "engine/units.h"

namespace takeoff::cli {
namespace {

using Args = std::vector<std::string>;  // code page 936

void Expect(const Args& a, std::size_t n, const char* usage) {
  if (a.size() != n) throw UsageError(std::string("usage: text ") + usage);
}

void Out(std::string_view gbk) { std::cout << ShowText(gbk) << '\n'; }

std::string Annotation(const Args& a, bool tag) {
  Expect(a, 7, tag ? "AnnotationTag TU TH AX1 AX2 AX3 AX4 BDSZS" : "AnnotationText TU TH AX1 AX2 AX3 AX4 BDSZS");
  return tag ? engine::AnnotationTag(a[0], a[1], a[2], a[3], a[4], a[5], a[6])
             : engine::AnnotationText(a[0], a[1], a[2], a[3], a[4], a[5], a[6]);
}

void FillTemplateCommand(const Args& a) {
  if (a.empty()) throw UsageError("usage: text FillTemplate TEMPLATE [--labels] (--param LABEL VALUE)...");
  std::vector<std::string> labels, values;
  bool withLabels = false;
  for (std::size_t i = 1; i < a.size(); ++i) {
    if (a[i] == "--labels") {
      withLabels = true;
    } else if (a[i] == "--param" && i + 2 < a.size()) {
      labels.push_back(a[i + 1]);
      values.push_back(a[i + 2]);
      i += 2;
    } else {
      throw UsageError("FillTemplate: unexpected argument: " + ShowText(a[i]));
    }
  }
  Out(engine::FillTemplate(a[0], values, labels, withLabels));
}

const std::map<std::string, std::function<void(const Args&)>>& Routines() {
  static const std::map<std::string, std::function<void(const Args&)>> routines = {
      {"UnitClass", [](const Args& a) { Expect(a, 1, "UnitClass U"); std::cout << int(engine::UnitClass(a[0])) << '\n'; }},
      {"UnitScale", [](const Args& a) { Expect(a, 1, "UnitScale U"); Out(engine::UnitScale(a[0])); }},
      {"WrapSigned", [](const Args& a) { Expect(a, 1, "WrapSigned V"); Out(engine::WrapSigned(a[0])); }},
      {"NextName", [](const Args& a) { Expect(a, 2, "NextName NAME PREFIX"); Out(engine::NextName(a[0], a[1])); }},
      {"QuoteDouble", [](const Args& a) { Expect(a, 1, "QuoteDouble T"); Out(engine::QuoteDouble(a[0])); }},
      {"FormatNumberText",
       [](const Args& a) {
         Expect(a, 1, "FormatNumberText NUMBER");
         Out(engine::FormatNumberText(ParseNumber(a[0], "FormatNumberText")));
       }},
      {"AnnotationText", [](const Args& a) { Out(Annotation(a, false)); }},
      {"AnnotationTag", [](const Args& a) { Out(Annotation(a, true)); }},
      {"ConvertToQuotaUnit",
       [](const Args& a) {
         Expect(a, 3, "ConvertToQuotaUnit DANW DW BDS");
         std::string dw = a[1], bds = a[2];
         engine::ConvertToQuotaUnit(a[0], dw, bds);
         Out(bds);
         Out(dw);
       }},
      {"FillTemplate", FillTemplateCommand},
  };
  return routines;
}

}  // namespace

int RunText(int argc, char** argv) {
  if (argc < 1) throw UsageError("text needs a ROUTINE");
  auto it = Routines().find(argv[0]);
  if (it == Routines().end()) throw UsageError(std::string("unknown routine: ") + argv[0]);
  Args args;
  for (int i = 1; i < argc; ++i) args.push_back(ArgToGbk(argv[i], argv[0]));
  try {
    it->second(args);
  } catch (const engine::ConvertError& e) {
    std::cout << "error: " << ShowText(e.what()) << '\n';
    return 1;
  }
  return 0;
}

}  // namespace takeoff::cli
