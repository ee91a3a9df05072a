#include "base/ui/ScrollView+DUDer.h"

#include "platform/foundation/values/IndexPath.h"
#include "platform/foundation/values/IndexSet.h"

namespace base {

void scrollToTop(ui::ScrollView& s, bool animated) {
  s.setContentOffset({s.contentOffset().x, -s.contentInset().top}, animated);
}

void scrollToBottom(ui::ScrollView& s, bool animated) {
  double y = s.contentSize().height - s.bounds().size.height + s.contentInset().bottom;
  s.setContentOffset({s.contentOffset().x, y}, animated);
}

void scrollToLeft(ui::ScrollView& s, bool animated) {
  s.setContentOffset({-s.contentInset().left, s.contentOffset().y}, animated);
}

void scrollToRight(ui::ScrollView& s, bool animated) {
  double x = s.contentSize().width - s.bounds().size.width + s.contentInset().right;
  s.setContentOffset({x, s.contentOffset().y}, animated);
}

void updateWithBlock(ui::TableView& t, const std::function<void(ui::TableView&)>& block) {
  t.beginUpdates();
  if (block) block(t);
  t.endUpdates();
}

void scrollToRow(ui::TableView& t, uint64_t row, uint64_t section, ui::TableViewScrollPosition position, bool animated) {
  t.scrollToRowAtIndexPath(fd::IndexPath::indexPathForRow(row, section), position, animated);
}

void insertRowAtIndexPath(ui::TableView& t, const Ref<fd::IndexPath>& path, ui::TableViewRowAnimation animation) {
  t.insertRowsAtIndexPaths({path}, animation);
}

void reloadRowAtIndexPath(ui::TableView& t, const Ref<fd::IndexPath>& path, ui::TableViewRowAnimation animation) {
  t.reloadRowsAtIndexPaths({path}, animation);
}

void deleteRowAtIndexPath(ui::TableView& t, const Ref<fd::IndexPath>& path, ui::TableViewRowAnimation animation) {
  t.deleteRowsAtIndexPaths({path}, animation);
}

void insertRow(ui::TableView& t, uint64_t row, uint64_t section, ui::TableViewRowAnimation animation) {
  insertRowAtIndexPath(t, fd::IndexPath::indexPathForRow(row, section), animation);
}

void reloadRow(ui::TableView& t, uint64_t row, uint64_t section, ui::TableViewRowAnimation animation) {
  reloadRowAtIndexPath(t, fd::IndexPath::indexPathForRow(row, section), animation);
}

void deleteRow(ui::TableView& t, uint64_t row, uint64_t section, ui::TableViewRowAnimation animation) {
  deleteRowAtIndexPath(t, fd::IndexPath::indexPathForRow(row, section), animation);
}

void insertSection(ui::TableView& t, uint64_t section, ui::TableViewRowAnimation animation) {
  t.insertSections(*fd::IndexSet::indexSetWithIndex(section), animation);
}

void deleteSection(ui::TableView& t, uint64_t section, ui::TableViewRowAnimation animation) {
  t.deleteSections(*fd::IndexSet::indexSetWithIndex(section), animation);
}

void reloadSection(ui::TableView& t, uint64_t section, ui::TableViewRowAnimation animation) {
  t.reloadSections(*fd::IndexSet::indexSetWithIndex(section), animation);
}

void clearSelectedRows(ui::TableView& t, bool animated) {
  for (const auto& path : t.indexPathsForSelectedRows()) t.deselectRowAtIndexPath(path, animated);
}

void selectAllText(ui::TextField& field) { field.setSelectedRange({0, field.text().length()}); }

void setSelectedRange(ui::TextField& field, rt::Range range) { field.setSelectedRange(range); }

}  // namespace base
