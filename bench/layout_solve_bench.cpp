// Constraint-based layout of a 375x667 screen of 200 views: 50 rows of a row view holding an
// image, a label and a button, the shape the list screens use. Three ways to the same frames:
// a full solve from scratch, a re-solve after one row's height changed, and the frames computed
// directly in C++ (measuring the same texts). Then the bare solver as constraints grow.
#include <benchmark/benchmark.h>

#include <vector>

#include "platform/graphics/Context.h"
#include "platform/graphics/Image.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/layout/LayoutConstraint.h"
#include "platform/ui/layout/LayoutEngine.h"
#include "platform/ui/layout/SimplexSolver.h"
#include "platform/ui/view/View.h"

namespace {

using namespace ui;
constexpr int kRows = 50;
constexpr double kRowHeight = 60, kImage = 40, kPad = 10, kGap = 8;

struct Row {
  Ref<View> row;
  Ref<ImageView> image;
  Ref<Label> label;
  Ref<Button> button;
  Ref<LayoutConstraint> height;
};

struct Screen {
  Ref<View> root;
  std::vector<Row> rows;
  std::vector<Ref<View>> all;
};

void pin(const rt::Id& a, LayoutAttribute aa, const rt::Id& b, LayoutAttribute ba, double c = 0,
         LayoutRelation r = LayoutRelationEqual) {
  LayoutConstraint::constraintWithItem(a, aa, r, b, ba, 1, c)->setActive(true);
}

Ref<LayoutConstraint> fixed(const rt::Id& a, LayoutAttribute aa, double c) {
  auto k = LayoutConstraint::constraintWithItem(a, aa, LayoutRelationEqual, nullptr, LayoutAttributeNotAnAttribute,
                                                1, c);
  k->setActive(true);
  return k;
}

Screen build(bool constrained) {
  Screen s;
  s.root = rt::make<View>(gfx::RectMake(0, 0, 375, 667));
  auto ctx = gfx::Context::createForImage({kImage, kImage}, false, 1);
  auto image = gfx::Image::imageWithCGImage(ctx->makeImage(), 1);
  Ref<View> previous;
  for (int i = 0; i < kRows; ++i) {
    Row r;
    r.row = rt::make<View>();
    r.image = rt::make<ImageView>(image);
    r.label = rt::make<Label>();
    r.label->setText(rt::String::format("District news item %d", i));
    r.button = Button::buttonWithType(ButtonType::System);
    r.button->setTitle(i % 2 ? "Read" : "Share", ControlStateNormal);
    s.root->addSubview(r.row);
    for (Ref<View> v : {Ref<View>(r.image), Ref<View>(r.label), Ref<View>(r.button)}) r.row->addSubview(v);
    for (Ref<View> v : {r.row, Ref<View>(r.image), Ref<View>(r.label), Ref<View>(r.button)}) {
      s.all.push_back(v);
      if (constrained) v->setTranslatesAutoresizingMaskIntoConstraints(false);
    }
    if (constrained) {
      pin(r.row, LayoutAttributeLeft, s.root, LayoutAttributeLeft);
      pin(r.row, LayoutAttributeRight, s.root, LayoutAttributeRight);
      if (previous)
        pin(r.row, LayoutAttributeTop, previous, LayoutAttributeBottom);
      else
        pin(r.row, LayoutAttributeTop, s.root, LayoutAttributeTop);
      r.height = fixed(r.row, LayoutAttributeHeight, kRowHeight);
      pin(r.image, LayoutAttributeLeft, r.row, LayoutAttributeLeft, kPad);
      pin(r.image, LayoutAttributeCenterY, r.row, LayoutAttributeCenterY);
      pin(r.label, LayoutAttributeLeft, r.image, LayoutAttributeRight, kPad);
      pin(r.label, LayoutAttributeCenterY, r.row, LayoutAttributeCenterY);
      pin(r.button, LayoutAttributeRight, r.row, LayoutAttributeRight, -kPad);
      pin(r.button, LayoutAttributeCenterY, r.row, LayoutAttributeCenterY);
      pin(r.label, LayoutAttributeRight, r.button, LayoutAttributeLeft, -kGap, LayoutRelationLessThanOrEqual);
    }
    previous = r.row;
    s.rows.push_back(r);
  }
  return s;
}

// The same frames, computed by hand.
void layOutDirectly(Screen& s, double changedHeight, int changedRow) {
  double y = 0;
  for (int i = 0; i < kRows; ++i) {
    Row& r = s.rows[i];
    double h = i == changedRow ? changedHeight : kRowHeight;
    r.row->setFrame(gfx::RectMake(0, y, 375, h));
    gfx::Size img = r.image->intrinsicContentSize(), lbl = r.label->intrinsicContentSize(),
              btn = r.button->intrinsicContentSize();
    r.image->setFrame(gfx::RectMake(kPad, (h - img.height) / 2, img.width, img.height));
    double buttonX = 375 - kPad - btn.width;
    r.button->setFrame(gfx::RectMake(buttonX, (h - btn.height) / 2, btn.width, btn.height));
    double labelX = kPad + img.width + kPad;
    r.label->setFrame(gfx::RectMake(labelX, (h - lbl.height) / 2, std::min(lbl.width, buttonX - kGap - labelX),
                                    lbl.height));
    y += h;
  }
}

void clearFrames(Screen& s) {
  for (auto& v : s.all) v->setFrame(gfx::RectZero);
}

void BM_ScreenFullSolve(benchmark::State& state) {
  Screen s = build(true);
  s.root->layoutIfNeeded();
  auto engine = layout::LayoutEngine::engineOf(*s.root, false);
  for (auto _ : state) {
    state.PauseTiming();
    clearFrames(s);
    engine->rebuild();
    state.ResumeTiming();
    s.root->layoutIfNeeded();
  }
  if (s.rows[kRows - 1].row->frame().origin.y != (kRows - 1) * kRowHeight) state.SkipWithError("wrong layout");
}
BENCHMARK(BM_ScreenFullSolve)->Unit(benchmark::kMicrosecond);

void BM_ScreenResolveOneConstant(benchmark::State& state) {
  Screen s = build(true);
  s.root->layoutIfNeeded();
  bool tall = false;
  for (auto _ : state) {
    tall = !tall;
    s.rows[kRows / 2].height->setConstant(tall ? 70 : kRowHeight);
    s.root->layoutIfNeeded();
  }
  if (s.rows[kRows / 2].row->frame().size.height != (tall ? 70 : kRowHeight)) state.SkipWithError("wrong layout");
}
BENCHMARK(BM_ScreenResolveOneConstant)->Unit(benchmark::kMicrosecond);

void BM_ScreenDirectFrames(benchmark::State& state) {
  Screen s = build(false);
  for (auto _ : state) {
    state.PauseTiming();
    clearFrames(s);
    state.ResumeTiming();
    layOutDirectly(s, kRowHeight, -1);
  }
}
BENCHMARK(BM_ScreenDirectFrames)->Unit(benchmark::kMicrosecond);

// The bare solver on screen-like input: rows stacked top to bottom, each holding a picture, a
// text that hugs and resists compression, and a button, 13 constraints a row (n/13 rows).
using S = layout::SimplexSolver;

struct Rows {
  S solver;
  std::vector<S::ConstraintId> heights;
};

S::Expression ex(std::vector<S::Term> terms, double constant) { return {std::move(terms), constant}; }

void buildRows(Rows& r, int constraints) {
  auto& s = r.solver;
  S::Variable previousY = 0, previousH = 0;
  for (int i = 0; i < constraints / 13; ++i) {
    S::Variable y = s.newVariable(), h = s.newVariable();
    S::Variable ix = s.newVariable(), iy = s.newVariable(), iw = s.newVariable(), ih = s.newVariable();
    S::Variable lx = s.newVariable(), lw = s.newVariable(), ly = s.newVariable();
    S::Variable bx = s.newVariable(), bw = s.newVariable(), by = s.newVariable();
    if (i == 0)
      s.addConstraint(ex({{y, 1}}, 0), S::Relation::Equal, 1000);
    else
      s.addConstraint(ex({{y, 1}, {previousY, -1}, {previousH, -1}}, 0), S::Relation::Equal, 1000);
    r.heights.push_back(*s.addConstraint(ex({{h, 1}}, -60), S::Relation::Equal, 1000));
    s.addConstraint(ex({{ix, 1}}, -10), S::Relation::Equal, 1000);
    s.addConstraint(ex({{iw, 1}}, -40), S::Relation::Equal, 1000);
    s.addConstraint(ex({{ih, 1}}, -40), S::Relation::Equal, 1000);
    s.addConstraint(ex({{iy, 1}, {ih, 0.5}, {h, -0.5}}, 0), S::Relation::Equal, 1000);
    s.addConstraint(ex({{lx, 1}, {ix, -1}, {iw, -1}}, -10), S::Relation::Equal, 1000);
    s.addConstraint(ex({{lw, 1}}, -200), S::Relation::LessOrEqual, 251);
    s.addConstraint(ex({{lw, 1}}, -200), S::Relation::GreaterOrEqual, 750);
    s.addConstraint(ex({{ly, 1}, {h, -0.5}}, 10), S::Relation::Equal, 1000);
    s.addConstraint(ex({{bx, 1}, {bw, 1}}, -365), S::Relation::Equal, 1000);
    s.addConstraint(ex({{bw, 1}}, -50), S::Relation::Equal, 750);
    s.addConstraint(ex({{lx, 1}, {lw, 1}, {bx, -1}}, 8), S::Relation::LessOrEqual, 1000);
    (void)by;
    previousY = y;
    previousH = h;
  }
}

void BM_SolverFull(benchmark::State& state) {
  for (auto _ : state) {
    Rows r;
    buildRows(r, int(state.range(0)));
    benchmark::DoNotOptimize(r.solver.value(0));
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_SolverFull)->Arg(104)->Arg(1001)->Arg(10010)->Unit(benchmark::kMillisecond)->Complexity();

// One row's height changes: every row below moves.
void BM_SolverOneConstant(benchmark::State& state) {
  Rows r;
  buildRows(r, int(state.range(0)));
  size_t middle = r.heights.size() / 2;
  bool tall = false;
  for (auto _ : state) {
    tall = !tall;
    r.solver.changeConstant(r.heights[middle], tall ? -70 : -60);
    benchmark::DoNotOptimize(r.solver.value(0));
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_SolverOneConstant)->Arg(104)->Arg(1001)->Arg(10010)->Unit(benchmark::kMicrosecond)->Complexity();

// The worst shape for a tableau: one line of n/3 boxes that all give way together to fit.
void buildContendedLine(S& s, int constraints) {
  std::vector<S::Variable> x, w;
  for (int i = 0; i < constraints / 3; ++i) {
    x.push_back(s.newVariable());
    w.push_back(s.newVariable());
    S::Expression gap = ex({{x[i], 1}}, -8);
    if (i > 0) gap.terms.insert(gap.terms.end(), {{x[i - 1], -1}, {w[i - 1], -1}});
    s.addConstraint(gap, S::Relation::Equal, 1000);
    s.addConstraint(ex({{w[i], 1}}, -40), S::Relation::Equal, 500);
    s.addConstraint(ex({{w[i], 1}}, -10), S::Relation::GreaterOrEqual, 1000);
  }
  s.addConstraint(ex({{x.back(), 1}, {w.back(), 1}}, -375), S::Relation::LessOrEqual, 750);
}

void BM_SolverContendedLine(benchmark::State& state) {
  for (auto _ : state) {
    S s;
    buildContendedLine(s, int(state.range(0)));
    benchmark::DoNotOptimize(s.value(0));
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_SolverContendedLine)->Arg(102)->Arg(300)->Arg(1002)->Arg(3000)->Unit(benchmark::kMillisecond)->Complexity();

}  // namespace
