#pragma once
// Scrolling, row and selection calls wrapped for scroll views, table views and text fields.
// Offsets are not clamped: content smaller than the bounds gives a negative bottom or right
// offset. Main thread.
#include <functional>

#include "platform/ui/controls/TextField.h"
#include "platform/ui/lists/TableView.h"

namespace base {

void scrollToTop(ui::ScrollView& s, bool animated = true);
void scrollToBottom(ui::ScrollView& s, bool animated = true);
void scrollToLeft(ui::ScrollView& s, bool animated = true);
void scrollToRight(ui::ScrollView& s, bool animated = true);

void updateWithBlock(ui::TableView& t, const std::function<void(ui::TableView&)>& block);
void scrollToRow(ui::TableView& t, uint64_t row, uint64_t section, ui::TableViewScrollPosition position, bool animated);
void insertRowAtIndexPath(ui::TableView& t, const Ref<fd::IndexPath>& path, ui::TableViewRowAnimation animation);
void reloadRowAtIndexPath(ui::TableView& t, const Ref<fd::IndexPath>& path, ui::TableViewRowAnimation animation);
void deleteRowAtIndexPath(ui::TableView& t, const Ref<fd::IndexPath>& path, ui::TableViewRowAnimation animation);
void insertRow(ui::TableView& t, uint64_t row, uint64_t section, ui::TableViewRowAnimation animation);
void reloadRow(ui::TableView& t, uint64_t row, uint64_t section, ui::TableViewRowAnimation animation);
void deleteRow(ui::TableView& t, uint64_t row, uint64_t section, ui::TableViewRowAnimation animation);
void insertSection(ui::TableView& t, uint64_t section, ui::TableViewRowAnimation animation);
void deleteSection(ui::TableView& t, uint64_t section, ui::TableViewRowAnimation animation);
void reloadSection(ui::TableView& t, uint64_t section, ui::TableViewRowAnimation animation);
void clearSelectedRows(ui::TableView& t, bool animated);

void selectAllText(ui::TextField& field);
void setSelectedRange(ui::TextField& field, rt::Range range);

}  // namespace base
