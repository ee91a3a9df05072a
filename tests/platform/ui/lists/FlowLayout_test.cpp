#include <gtest/gtest.h>

#include "platform/ui/lists/CollectionViewFlowLayout.h"

// A namespace of its own: test programs compile several files as one.
namespace flow_layout_test {

using namespace ui;

namespace {

Ref<fd::IndexPath> item(uint64_t i, uint64_t s = 0) { return fd::IndexPath::indexPathForItem(i, s); }

class Items : public CollectionViewDataSource, public CollectionViewDelegateFlowLayout {
 public:
  std::vector<int64_t> sections{0};
  std::function<std::optional<gfx::Size>(int64_t, int64_t)> sizeFor;
  std::function<std::optional<gfx::EdgeInsets>(int64_t)> insetFor;
  int64_t collectionViewNumberOfItemsInSection(CollectionView&, int64_t s) override {
    return sections[static_cast<size_t>(s)];
  }
  std::optional<int64_t> numberOfSectionsInCollectionView(CollectionView&) override {
    return static_cast<int64_t>(sections.size());
  }
  Ref<CollectionViewCell> collectionViewCellForItemAtIndexPath(CollectionView& cv, const Ref<fd::IndexPath>& ip) override {
    return cv.dequeueReusableCellWithReuseIdentifier("Item", ip);
  }
  std::optional<gfx::Size> collectionViewLayoutSizeForItemAtIndexPath(CollectionView&, CollectionViewLayout&,
                                                                     const Ref<fd::IndexPath>& ip) override {
    return sizeFor ? sizeFor(static_cast<int64_t>(ip->section()), static_cast<int64_t>(ip->item())) : std::nullopt;
  }
  std::optional<gfx::EdgeInsets> collectionViewLayoutInsetForSectionAtIndex(CollectionView&, CollectionViewLayout&,
                                                                          int64_t s) override {
    return insetFor ? insetFor(s) : std::nullopt;
  }
};

struct Shape {
  gfx::Size bounds;
  CollectionViewScrollDirection direction = CollectionViewScrollDirection::Vertical;
  gfx::Size itemSize{50, 50};
  double line = 10, inter = 10;
  gfx::EdgeInsets inset{};
  gfx::Size header{}, footer{};
};
Shape shape(gfx::Size bounds, CollectionViewScrollDirection d = CollectionViewScrollDirection::Vertical,
            gfx::Size itemSize = {50, 50}, double line = 10, double inter = 10, gfx::EdgeInsets inset = {},
            gfx::Size header = {}, gfx::Size footer = {}) {
  return Shape{bounds, d, itemSize, line, inter, inset, header, footer};
}
constexpr auto V = CollectionViewScrollDirection::Vertical;
constexpr auto H = CollectionViewScrollDirection::Horizontal;

// A collection view of the given size laid out by a flow layout set up as given.
struct Grid {
  Ref<CollectionViewFlowLayout> layout = rt::make<CollectionViewFlowLayout>();
  Ref<CollectionView> view;
  std::shared_ptr<Items> items = std::make_shared<Items>();
  Grid(const Shape& s, std::vector<int64_t> sections) {
    layout->setScrollDirection(s.direction);
    layout->setItemSize(s.itemSize);
    layout->setMinimumLineSpacing(s.line);
    layout->setMinimumInteritemSpacing(s.inter);
    layout->setSectionInset(s.inset);
    layout->setHeaderReferenceSize(s.header);
    layout->setFooterReferenceSize(s.footer);
    view = rt::make<CollectionView>(gfx::Rect{{0, 0}, s.bounds}, layout);
    view->registerClassForCellWithReuseIdentifier<CollectionViewCell>("Item");
    items->sections = std::move(sections);
    view->setDataSource(items);
    view->setDelegate(items);
  }
  gfx::Rect frame(uint64_t i, uint64_t s = 0) { return view->layoutAttributesForItemAtIndexPath(item(i, s))->frame(); }
};

}  // namespace

TEST(FlowLayoutTest, ItemsFillLinesSharingTheSpareRoom) {
  struct Case {
    const char* name;
    Shape setup;
    int64_t count;
    std::vector<gfx::Rect> frames;  // of the first items, in order
    gfx::Size content;
  };
  const std::vector<Case> cases = {
      // 310 points of line: two 100-point items fit, the spare 110 goes between them; the lone
      // item of the last line is centred.
      {"vertical, insets", {{320, 400}, CollectionViewScrollDirection::Vertical, {100, 50}, 10, 10, {5, 5, 5, 5}},
       5,
       {{{5, 5}, {100, 50}}, {{215, 5}, {100, 50}}, {{5, 65}, {100, 50}}, {{215, 65}, {100, 50}}, {{110, 125}, {100, 50}}},
       {320, 180}},
      // Two-up photo grid: items (W - 5) / 2 wide with no spacing leave a 5-point gutter.
      {"photo grid", {{375, 600}, CollectionViewScrollDirection::Vertical, {185, 130}, 0, 0, {}},
       4,
       {{{0, 0}, {185, 130}}, {{190, 0}, {185, 130}}, {{0, 130}, {185, 130}}, {{190, 130}, {185, 130}}},
       {375, 260}},
      // A paged carousel: one full-size item per page.
      {"carousel", {{320, 150}, CollectionViewScrollDirection::Horizontal, {320, 150}, 0, 10, {}},
       3,
       {{{0, 0}, {320, 150}}, {{320, 0}, {320, 150}}, {{640, 0}, {320, 150}}},
       {960, 150}},
      // A cover strip: side insets, default spacing, items centred across the strip's height.
      {"strip", {{375, 241}, CollectionViewScrollDirection::Horizontal, {115, 201}, 10, 10, {0, 5, 0, 5}},
       3,
       {{{5, 20}, {115, 201}}, {{130, 20}, {115, 201}}, {{255, 20}, {115, 201}}},
       {5 + 3 * 115 + 2 * 10 + 5, 241}},
      // Sections with headers and footers stack along the scroll direction.
      {"headers", {{100, 300}, CollectionViewScrollDirection::Vertical, {100, 40}, 10, 10, {}, {0, 30}, {0, 20}},
       2,
       {{{0, 30}, {100, 40}}, {{0, 80}, {100, 40}}},
       {100, 2 * (30 + 40 + 10 + 40 + 20)}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<int64_t> sections{c.count};
    if (c.setup.header.height > 0) sections.push_back(c.count);
    Grid g(c.setup, sections);
    for (size_t i = 0; i < c.frames.size(); ++i) EXPECT_EQ(g.frame(i), c.frames[i]) << "item " << i;
    EXPECT_EQ(g.layout->collectionViewContentSize(), c.content);
    g.view->layoutIfNeeded();
    EXPECT_EQ(g.view->contentSize(), c.content);
  }
}

TEST(FlowLayoutTest, HeadersAndFootersHaveTheirOwnAttributes) {
  Grid g(shape({100, 300}, V, {100, 40}, 10, 10, {}, {0, 30}, {0, 20}), {2, 1});
  g.view->layoutIfNeeded();
  auto header = g.view->layoutAttributesForSupplementaryElementOfKind(CollectionElementKindSectionHeader(), item(0, 1));
  auto footer = g.view->layoutAttributesForSupplementaryElementOfKind(CollectionElementKindSectionFooter(), item(0, 1));
  ASSERT_TRUE(header && footer);
  EXPECT_EQ(header->frame(), gfx::RectMake(0, 140, 100, 30));
  EXPECT_EQ(footer->frame(), gfx::RectMake(0, 210, 100, 20));
  EXPECT_EQ(header->representedElementCategory(), CollectionElementCategory::SupplementaryView);
  EXPECT_EQ(g.frame(0, 1), gfx::RectMake(0, 170, 100, 40));
  EXPECT_FALSE(g.view->layoutAttributesForSupplementaryElementOfKind(CollectionElementKindSectionHeader(), item(0, 2)));
}

TEST(FlowLayoutTest, TheDelegateSizesItemsAndInsetsSections) {
  Grid g(shape({300, 400}), {3, 2});
  g.items->sizeFor = [](int64_t s, int64_t i) -> std::optional<gfx::Size> {
    if (s == 0) return gfx::SizeMake(60 + 20 * static_cast<double>(i), 30 + 10 * static_cast<double>(i));
    return std::nullopt;
  };
  g.items->insetFor = [](int64_t s) -> std::optional<gfx::EdgeInsets> {
    if (s == 1) return gfx::EdgeInsetsMake(7, 0, 0, 0);
    return std::nullopt;
  };
  g.layout->invalidateLayout();
  // Section 0: 60 + 80 + 100 = 240 across, 30 spare over two gaps; heights 30/40/50 centred on
  // a 50-point line.
  EXPECT_EQ(g.frame(0), gfx::RectMake(0, 10, 60, 30));
  EXPECT_EQ(g.frame(1), gfx::RectMake(90, 5, 80, 40));
  EXPECT_EQ(g.frame(2), gfx::RectMake(200, 0, 100, 50));
  // Section 1 starts after the line with its own 7-point top inset and default 50-point items.
  EXPECT_EQ(g.frame(0, 1), gfx::RectMake(0, 57, 50, 50));
  EXPECT_EQ(g.frame(1, 1), gfx::RectMake(250, 57, 50, 50));
}

TEST(FlowLayoutTest, ElementsInARectAreThoseThatMeetIt) {
  Grid g(shape({320, 100}, V, {320, 50}, 0, 0), {100});
  g.view->layoutIfNeeded();
  auto found = g.layout->layoutAttributesForElementsInRect(gfx::RectMake(0, 120, 320, 100));
  std::vector<uint64_t> indexes;
  for (auto& a : found) indexes.push_back(a->indexPath()->item());
  EXPECT_EQ(indexes, (std::vector<uint64_t>{2, 3, 4}));
  EXPECT_TRUE(g.layout->layoutAttributesForElementsInRect(gfx::RectMake(0, 6000, 320, 100)).empty());
  EXPECT_FALSE(g.view->layoutAttributesForItemAtIndexPath(item(100)));
}

TEST(FlowLayoutTest, ChangingAPropertyOrTheSizeLaysOutAgain) {
  Grid g(shape({320, 150}, H, {320, 150}, 0, 0), {3});
  g.view->layoutIfNeeded();
  EXPECT_EQ(g.view->contentSize(), gfx::SizeMake(960, 150));
  g.view->setFrame(gfx::RectMake(0, 0, 200, 100));
  g.layout->setItemSize({200, 100});
  g.view->layoutIfNeeded();
  EXPECT_EQ(g.view->contentSize(), gfx::SizeMake(600, 100));
  EXPECT_EQ(g.frame(2), gfx::RectMake(400, 0, 200, 100));
}

}  // namespace flow_layout_test
