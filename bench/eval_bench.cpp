// Throughput of the formula evaluator, in formulas per second.
//
// BM_TakeoffEvalMix     a mix of record formulas as users type them: dimensions with
//                       decimals, brackets, comments in [] with Chinese text, the
//                       degree and geometry functions, implied products (2(a+b), 2pi).
// BM_TakeoffEvalCommon  formulas that both takeoff and muParser read: numbers,
// BM_MuParserEvalCommon + - * /, brackets and the square root (SQRT / sqrt).
//                       muParser parses and evaluates every formula once per pass
//                       (SetExpr, Eval), as the program meets a record formula: text
//                       in, number out.
//
// Target: takeoff reads the common set at least twice as fast as muParser.
//
// The formulas come from a fixed-seed generator of our own, so every platform and
// every run measures the same texts. Before the first measurement both evaluators
// are run over the common set and must agree; the mix must evaluate without error.
#include <benchmark/benchmark.h>

#include "bench_lcg.h"
#include <muParser.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "engine/evaluator.h"
#include "text/gbk.h"

namespace {

using takeoff::engine::Evaluator;

using takeoff::bench::Lcg;

// Annotations users put into comments.
constexpr const char* kCommentWords[] = {
    "墙厚", "外墙", "内墙", "圆柱", "圈梁", "构造柱", "过梁", "现浇板", "基础", "垫层",
    "门洞", "窗洞", "扣门窗", "长×宽", "斜长", "钢筋根数", "坡屋面", "散水", "台阶",
    "楼梯", "女儿墙", "L1", "KL-2", "C-1", "M1021", "轴线A-D", "①-⑥轴",
};

// One formula written twice: as takeoff reads it and as muParser reads it. In the
// mix only the takeoff text is used.
class FormulaWriter {
public:
  FormulaWriter(Lcg& rng, bool common) : rng_(rng), common_(common) {}

  const std::string& Takeoff() const { return takeoff_; }
  const std::string& MuParser() const { return mu_; }
  std::size_t Size() const { return takeoff_.size(); }
  void Truncate(std::size_t takeoffSize, std::size_t muSize) {
    takeoff_.resize(takeoffSize);
    mu_.resize(muSize);
  }
  std::size_t MuSize() const { return mu_.size(); }

  void Text(std::string_view s) {
    takeoff_ += s;
    mu_ += s;
  }

  // A dimension between lo and hi hundredths, written as typed: "3.6", "0.24", "12".
  void Num(std::uint32_t loHundredths, std::uint32_t hiHundredths) {
    std::uint32_t v = rng_.Between(loHundredths, hiHundredths);
    std::string s = std::to_string(v / 100);
    std::uint32_t frac = v % 100;
    if (frac != 0) {
      s += '.';
      s += static_cast<char>('0' + frac / 10);
      if (frac % 10 != 0) s += static_cast<char>('0' + frac % 10);
    }
    Text(s);
  }
  void Length() { Num(60, 1890); }     // a span, 0.6 .. 18.9 m
  void Height() { Num(240, 660); }     // a storey height
  void Section() { Num(12, 60); }      // a wall thickness or a beam section, 0.12 .. 0.6 m
  void Count() { Text(std::to_string(rng_.Between(1, 12))); }
  void Angle() { Text(std::to_string(rng_.Between(5, 60))); }

  // A '*' in front of a bracket or a function; the mix often leaves it out.
  void TimesBeforeBracket() {
    if (common_ || rng_.Chance(60)) Text("*");
  }

  void Comment() {
    if (common_ || rng_.Chance(35)) return;
    takeoff_ += '[';
    takeoff_ += takeoff::text::Gbk(kCommentWords[rng_.Below(std::size(kCommentWords))]);
    takeoff_ += ']';
  }

  void Sqrt() {
    takeoff_ += rng_.Chance(80) ? "SQRT(" : "sqrt(";
    mu_ += "sqrt(";
  }

  // One term of a record formula; the shapes are those of everyday take-off work.
  void Term() {
    // Shapes 0-7 are in the common set, 8-15 only in the mix.
    std::uint32_t shape = rng_.Below(common_ ? 8 : 16);
    switch (shape) {
      case 0:  // wall from its two spans: (A+B)*2*H*T
        Text("(");
        Length();
        Text("+");
        Length();
        Text(")*2*");
        Height();
        Text("*");
        Section();
        Comment();
        break;
      case 1:  // outer wall: 2*(A+B)*T*H
        Text("2");
        TimesBeforeBracket();
        Text("(");
        Length();
        Text("+");
        Length();
        Text(")*");
        Section();
        Text("*");
        Height();
        Comment();
        break;
      case 2:  // ring beam between columns: b*h*(L-0.24*2)*n
        Section();
        Text("*");
        Section();
        Text("*(");
        Length();
        Text("-");
        Section();
        Text("*2)*");
        Count();
        Comment();
        break;
      case 3:  // an opening: W*H*n
        Num(60, 360);
        Text("*");
        Num(90, 300);
        Text("*");
        Count();
        Comment();
        break;
      case 4:  // a slope length: SQRT(A*A+B*B)*L
        Sqrt();
        Num(30, 600);
        Text("*");
        Num(30, 600);
        Text("+");
        Num(30, 600);
        Text("*");
        Num(30, 600);
        Text(")*");
        Length();
        Comment();
        break;
      case 5:  // slab less its openings: ((A-T)*(B-T)-C*D)*H
        Text("((");
        Length();
        Text("-");
        Section();
        Text(")*(");
        Length();
        Text("-");
        Section();
        Text(")-");
        Num(60, 200);
        Text("*");
        Num(60, 200);
        Text(")*");
        Section();
        Comment();
        break;
      case 6:  // a triangle or a trapezoid: (A+B)/2*H*L
        Text("(");
        Length();
        Text("+");
        Length();
        Text(")/2*");
        Height();
        Text("*");
        Section();
        Comment();
        break;
      case 7:  // a ratio: A*B/C
        Length();
        Text("*");
        Height();
        Text("/");
        Num(100, 400);
        Comment();
        break;
      case 8:  // a round column: YMJ(r)*h
        Text("YMJ(");
        Num(15, 80);
        Text(")*");
        Height();
        Comment();
        break;
      case 9:  // a pitched roof: 0.5*A*B*TAN(a)
        Text("0.5*");
        Length();
        Text("*");
        Length();
        TimesBeforeBracket();
        Text(rng_.Chance(70) ? "TAN(" : "tan(");
        Angle();
        Text(")");
        Comment();
        break;
      case 10:  // a length along a slope: A/COS(a)*B
        Length();
        Text("/COS(");
        Angle();
        Text(")*");
        Length();
        Comment();
        break;
      case 11:  // bars: INT(L/s+1)*n*l*0.00617*d*d
        Text("INT(");
        Length();
        Text("/");
        Num(10, 30);
        Text("+1)*");
        Length();
        Text("*0.00617*");
        Text(std::to_string(2 * rng_.Between(3, 14)));
        Text("*");
        Text(std::to_string(2 * rng_.Between(3, 14)));
        Comment();
        break;
      case 12:  // a cylinder surface: 2pi*r*h or YZC(r)*h
        if (rng_.Chance(50)) {
          Text("2pi*");
        } else {
          Text("YZC(");
          Num(15, 80);
          Text(")*");
        }
        Num(15, 80);
        Text("*");
        Height();
        Comment();
        break;
      case 13:  // implied products of brackets: (A+B)(C+D)
        Text("(");
        Length();
        Text("+");
        Section();
        Text(")(");
        Length();
        Text("-");
        Section();
        Text(")");
        Height();
        Comment();
        break;
      case 14:  // spheres and cubes: QTJ(r), QMJ(r), VQR(x), SQR(x)
        switch (rng_.Below(4)) {
          case 0: Text("QTJ("); break;
          case 1: Text("QMJ("); break;
          case 2: Text("VQR("); break;
          default: Text("SQR("); break;
        }
        Num(20, 300);
        Text(")");
        Comment();
        break;
      default:  // an arc: r*ARCTAN(h/l)*pi/180, a chord: 2*r*SIN(a)
        if (rng_.Chance(50)) {
          Length();
          Text("*ARCTAN(");
          Num(30, 300);
          Text("/");
          Length();
          Text(")*pi/180");
        } else {
          Text("2*");
          Length();
          Text("*SIN(");
          Angle();
          Text(")");
        }
        Comment();
        break;
    }
  }

  // A whole record formula of 20..200 bytes: terms joined by + and - (deductions).
  void Formula() {
    Term();
    while (Size() < 20 || (Size() < 120 && rng_.Chance(45))) {
      std::size_t keepTakeoff = Size();
      std::size_t keepMu = MuSize();
      bool spaced = !common_ && rng_.Chance(15);
      if (spaced) Text(" ");
      Text(rng_.Chance(70) ? "+" : "-");
      if (spaced) Text(" ");
      Term();
      if (Size() > 200) {
        Truncate(keepTakeoff, keepMu);
        if (Size() >= 20) break;
      }
    }
  }

private:
  Lcg& rng_;
  bool common_;
  std::string takeoff_;
  std::string mu_;
};

struct Workload {
  std::vector<std::string> Mix;
  std::vector<std::string> CommonTakeoff;
  std::vector<std::string> CommonMuParser;
};

[[noreturn]] void Die(const char* what, const std::string& formula) {
  std::fprintf(stderr, "eval_bench: %s: %s\n", what, takeoff::text::Cp936ToUtf8Lossy(formula).c_str());
  std::abort();
}

bool SameValue(double a, double b) {
  if (a == b) return true;
  return std::fabs(a - b) <= 1e-9 * std::fmax(std::fabs(a), std::fabs(b));
}

// Builds the formulas once and checks them before anything is measured.
Workload BuildWorkload() {
  constexpr int kFormulas = 1000;
  Workload w;
  Lcg rng(20240229);
  for (int i = 0; i < kFormulas; ++i) {
    FormulaWriter f(rng, false);
    f.Formula();
    w.Mix.push_back(f.Takeoff());
  }
  for (int i = 0; i < kFormulas; ++i) {
    FormulaWriter f(rng, true);
    f.Formula();
    w.CommonTakeoff.push_back(f.Takeoff());
    w.CommonMuParser.push_back(f.MuParser());
  }

  Evaluator evaluator;
  for (const std::string& formula : w.Mix) {
    if (formula.size() < 20 || formula.size() > 200) Die("mix formula of unexpected length", formula);
    double v = evaluator.EvalExpr(formula);
    if (!evaluator.ExprOk || !std::isfinite(v)) Die("takeoff rejects a mix formula", formula);
  }
  mu::Parser parser;
  for (std::size_t i = 0; i < w.CommonTakeoff.size(); ++i) {
    double ours = evaluator.EvalExpr(w.CommonTakeoff[i]);
    if (!evaluator.ExprOk) Die("takeoff rejects a common formula", w.CommonTakeoff[i]);
    double theirs = 0;
    try {
      parser.SetExpr(w.CommonMuParser[i]);
      theirs = parser.Eval();
    } catch (const mu::Parser::exception_type& e) {
      Die(("muParser rejects a common formula (" + e.GetMsg() + ")").c_str(), w.CommonMuParser[i]);
    }
    if (!SameValue(ours, theirs)) {
      std::fprintf(stderr, "eval_bench: takeoff %.17g, muParser %.17g\n", ours, theirs);
      Die("the evaluators disagree", w.CommonTakeoff[i]);
    }
  }
  return w;
}

const Workload& TheWorkload() {
  static const Workload w = BuildWorkload();
  return w;
}

std::int64_t TotalBytes(const std::vector<std::string>& formulas) {
  std::int64_t n = 0;
  for (const std::string& f : formulas) n += static_cast<std::int64_t>(f.size());
  return n;
}

void RunTakeoff(benchmark::State& state, const std::vector<std::string>& formulas) {
  Evaluator evaluator;
  for (auto _ : state) {
    for (const std::string& formula : formulas) benchmark::DoNotOptimize(evaluator.EvalExpr(formula));
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(formulas.size()));
  state.SetBytesProcessed(state.iterations() * TotalBytes(formulas));
}

void BM_TakeoffEvalMix(benchmark::State& state) { RunTakeoff(state, TheWorkload().Mix); }

void BM_TakeoffEvalCommon(benchmark::State& state) { RunTakeoff(state, TheWorkload().CommonTakeoff); }

void BM_MuParserEvalCommon(benchmark::State& state) {
  const std::vector<std::string>& formulas = TheWorkload().CommonMuParser;
  mu::Parser parser;
  for (auto _ : state) {
    for (const std::string& formula : formulas) {
      parser.SetExpr(formula);
      benchmark::DoNotOptimize(parser.Eval());
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(formulas.size()));
  state.SetBytesProcessed(state.iterations() * TotalBytes(formulas));
}

}  // namespace

BENCHMARK(BM_TakeoffEvalMix);
BENCHMARK(BM_TakeoffEvalCommon);
BENCHMARK(BM_MuParserEvalCommon);

BENCHMARK_MAIN();
